#include "ui/UICombo.h"

#include "ui/UIRender.h"

#include <QFontMetricsF>
#include <QMenu>
#include <QPainter>
#include <QPainterPath>
#include <cmath>

namespace pelan {
namespace {

QString cssColor(DWORD argb) {
    const QColor color = ToQColor(argb);
    return QString("rgba(%1,%2,%3,%4)").arg(color.red()).arg(color.green()).arg(color.blue()).arg(color.alpha());
}

// The pop-up in the item colours of the layout; items without a background of their own sit on the skin's dark one.
QString popupStyle(const TListInfoUI& info) {
    const DWORD background = info.dwBkColor != 0 ? info.dwBkColor : 0xFF2A2F38;
    return QString("QMenu { background: %1; color: %2; border: 1px solid #3A404B; padding: 2px; }"
                   "QMenu::item { padding: 5px 24px 5px 12px; background: transparent; }"
                   "QMenu::item:selected { background: %3; color: %4; }"
                   "QMenu::item:checked { color: %5; }"
                   "QMenu::item:disabled { color: %6; }")
        .arg(cssColor(background), cssColor(info.dwTextColor), cssColor(info.dwHotBkColor),
             cssColor(info.dwHotTextColor), cssColor(info.dwSelectedTextColor), cssColor(info.dwDisabledTextColor));
}

} // namespace

CComboUI::CComboUI() {
    // A combo box takes the focus like a button; Space or Alt+Down opens it.
    setFocusPolicy(Qt::StrongFocus);
}

CComboUI::~CComboUI() {
    delete m_pMenu;
}

void* CComboUI::GetInterface(const QString& name) {
    if (name == "Combo" || name == "ItemsHidden")
        return this;
    return CListOwnerBase<CContainerUI>::GetInterface(name);
}

QString CComboUI::GetText() const {
    const CControlUI* item = GetItemAt(m_iCurSel);
    return item != nullptr ? item->GetText() : QString();
}

bool CComboUI::Activate() {
    if (!CListOwnerBase<CContainerUI>::Activate())
        return false;
    Activate2();
    return true;
}

void CComboUI::Activate2() {
    delete m_pMenu;
    m_pMenu = new QMenu(this);
    m_pMenu->setObjectName("combo_popup");
    m_pMenu->setMinimumWidth(width());
    m_pMenu->setFont(GetDrawFont(m_ListInfo.nFont));
    m_pMenu->setStyleSheet(popupStyle(m_ListInfo));
    for (int i = 0; i < GetCount(); ++i) {
        CControlUI* item = GetItemAt(i);
        if (!item->IsVisibleFlag())
            continue;
        QAction* action = m_pMenu->addAction(item->GetText());
        action->setCheckable(true);
        action->setChecked(i == m_iCurSel);
        action->setEnabled(item->IsEnabled());
        QObject::connect(action, &QAction::triggered, this, [this, i] { SelectItem(i, false, true); });
    }
    SendNotify(DUI_MSGTYPE_DROPDOWN);
    m_pMenu->popup(mapToGlobal(QPoint(0, height())));
}

void CComboUI::DoEvent(TEventUI& event) {
    if (TrackHot(event))
        return;
    const bool inside = GetPos().contains(event.ptMouse);
    switch (event.Type) {
    case UIEVENT_BUTTONDOWN:
        if (inside && IsEnabled())
            m_uButtonState |= UISTATE_PUSHED | UISTATE_CAPTURED;
        break;
    case UIEVENT_BUTTONUP:
        if (m_uButtonState & UISTATE_CAPTURED) {
            m_uButtonState &= ~(UISTATE_PUSHED | UISTATE_CAPTURED);
            if (inside)
                Activate();
        }
        break;
    case UIEVENT_KEYDOWN:
        if (event.chKey == Qt::Key_Space || (event.chKey == Qt::Key_Down && (event.wKeyState & Qt::AltModifier))) {
            Activate();
            break;
        }
        CListOwnerBase<CContainerUI>::DoEvent(event);
        return;
    case UIEVENT_SCROLLWHEEL:
        if (IsEnabled() && GetCount() > 0) {
            const int step = LOWORD(event.wParam) == SB_LINEDOWN ? 1 : -1;
            SelectItem(std::clamp(m_iCurSel + step, 0, GetCount() - 1), false, true);
        }
        break;
    default:
        CListOwnerBase<CContainerUI>::DoEvent(event);
        return;
    }
    Invalidate();
}

void CComboUI::SetAttribute(const QString& name, const QString& value) {
    const QString key = name.toLower();
    if (SetListInfoAttribute(m_ListInfo, name, value))
        return;
    if (key == "textpadding")
        m_rcTextPadding = ParseMargins(value);
    else if (key == "textcolor")
        m_dwTextColor = ParseColor(value);
    else if (key == "normalimage")
        m_sNormalImage = value;
    else if (key == "hotimage")
        m_sHotImage = value;
    else if (key == "pushedimage")
        m_sPushedImage = value;
    else if (key == "disabledimage")
        m_sDisabledImage = value;
    else if (key == "dropboxsize" || key == "dropbox")
        return; // the pop-up sizes itself to its items
    else
        CListOwnerBase<CContainerUI>::SetAttribute(name, value);
    Invalidate();
}

void CComboUI::PaintStatusImage(QPainter& painter) {
    const bool drawn = !QWidget::isEnabled()                    ? DrawImage(painter, m_sDisabledImage)
                       : (m_uButtonState & UISTATE_PUSHED) != 0 ? DrawImage(painter, m_sPushedImage)
                       : (m_uButtonState & UISTATE_HOT) != 0    ? DrawImage(painter, m_sHotImage)
                                                                : false;
    if (!drawn)
        DrawImage(painter, m_sNormalImage);
    // The drop-down arrow.
    const QRect rc = GetPaintRect();
    const int size = Scale(4);
    const QPointF c(rc.right() - Scale(12), rc.center().y() + 1);
    QPainterPath arrow;
    arrow.moveTo(c.x() - size, c.y() - size / 2.0);
    arrow.lineTo(c.x() + size, c.y() - size / 2.0);
    arrow.lineTo(c.x(), c.y() + size / 2.0 + 1);
    arrow.closeSubpath();
    painter.fillPath(arrow, ToQColor(QWidget::isEnabled() ? m_dwTextColor : m_ListInfo.dwDisabledTextColor));
}

QSize CComboUI::MinimumContentSize(QSize) {
    const QFontMetricsF metrics(GetDrawFont(m_iFont));
    qreal widest = 0;
    for (int i = 0; i < GetCount(); ++i)
        widest = std::max(widest, metrics.horizontalAdvance(GetItemAt(i)->GetText()));
    if (widest == 0)
        return QSize(0, 0);
    return QSize(static_cast<int>(std::ceil(widest)) + Scale(m_rcTextPadding.left() + m_rcTextPadding.right()) + 1,
                 static_cast<int>(std::ceil(metrics.height())));
}

void CComboUI::PaintText(QPainter& painter) {
    const QMargins p(Scale(m_rcTextPadding.left()), Scale(m_rcTextPadding.top()), Scale(m_rcTextPadding.right()),
                     Scale(m_rcTextPadding.bottom()));
    DrawText(painter, GetPaintRect().marginsRemoved(p), GetText(),
             QWidget::isEnabled() ? m_dwTextColor : m_ListInfo.dwDisabledTextColor, GetDrawFont(m_iFont),
             DT_VCENTER | DT_SINGLELINE | DT_END_ELLIPSIS);
}

} // namespace pelan
