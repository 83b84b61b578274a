#include "ui/UIButton.h"

#include "ui/UIContainer.h"
#include "ui/UIManager.h"
#include "ui/UIRender.h"

namespace pelan {

CButtonUI::CButtonUI() {
    m_uTextStyle = DT_SINGLELINE | DT_CENTER | DT_VCENTER | DT_END_ELLIPSIS;
    // Buttons, options and check boxes take the focus by click and by Tab; Space and Return press them.
    setFocusPolicy(Qt::StrongFocus);
}

void* CButtonUI::GetInterface(const QString& name) {
    if (name == "Button")
        return this;
    return CLabelUI::GetInterface(name);
}

bool CButtonUI::Activate() {
    if (!CLabelUI::Activate())
        return false;
    SendNotify(DUI_MSGTYPE_CLICK);
    return true;
}

void CButtonUI::SetEnabled(bool enabled) {
    CLabelUI::SetEnabled(enabled);
    if (!enabled)
        m_uButtonState &= ~(UISTATE_HOT | UISTATE_PUSHED | UISTATE_CAPTURED);
}

void CButtonUI::DoEvent(TEventUI& event) {
    if (TrackHot(event))
        return;
    const bool inside = GetPos().contains(event.ptMouse);
    switch (event.Type) {
    case UIEVENT_BUTTONDOWN:
    case UIEVENT_DBLCLICK:
        if (inside && IsEnabled()) {
            m_uButtonState |= UISTATE_PUSHED | UISTATE_CAPTURED;
            Invalidate();
        }
        return;
    case UIEVENT_MOUSEMOVE:
        if (m_uButtonState & UISTATE_CAPTURED) {
            if (inside)
                m_uButtonState |= UISTATE_PUSHED;
            else
                m_uButtonState &= ~UISTATE_PUSHED;
            Invalidate();
        }
        return;
    case UIEVENT_BUTTONUP:
        if (m_uButtonState & UISTATE_CAPTURED) {
            m_uButtonState &= ~(UISTATE_PUSHED | UISTATE_CAPTURED);
            Invalidate();
            if (inside)
                Activate();
        }
        return;
    case UIEVENT_KEYDOWN:
        // Space presses a focused button, option or check box; Return presses a focused push button only and
        // otherwise goes on to the window's default button: it never flips an option the user did not mean to.
        if (event.chKey == Qt::Key_Space ||
            ((event.chKey == Qt::Key_Return || event.chKey == Qt::Key_Enter) && GetInterface("Option") == nullptr)) {
            Activate();
            return;
        }
        break;
    default:
        break;
    }
    CLabelUI::DoEvent(event);
}

void CButtonUI::SetAttribute(const QString& name, const QString& value) {
    const QString key = name.toLower();
    if (key == "normalimage")
        SetNormalImage(value);
    else if (key == "hotimage")
        SetHotImage(value);
    else if (key == "pushedimage")
        SetPushedImage(value);
    else if (key == "focusedimage")
        SetFocusedImage(value);
    else if (key == "disabledimage")
        SetDisabledImage(value);
    else if (key == "hotforeimage")
        SetHotForeImage(value);
    else if (key == "hotbkcolor")
        SetHotBkColor(ParseColor(value));
    else if (key == "pushedbkcolor")
        SetPushedBkColor(ParseColor(value));
    else if (key == "hottextcolor")
        SetHotTextColor(ParseColor(value));
    else if (key == "pushedtextcolor")
        SetPushedTextColor(ParseColor(value));
    else
        CLabelUI::SetAttribute(name, value);
}

void CButtonUI::PaintStatusImage(QPainter& painter) {
    const QRect rc = GetPaintRect();
    if (!QWidget::isEnabled()) {
        if (DrawImage(painter, m_sDisabledImage))
            return;
    } else if (m_uButtonState & UISTATE_PUSHED) {
        if (m_dwPushedBkColor != 0)
            painter.fillRect(rc, ToQColor(m_dwPushedBkColor));
        if (DrawImage(painter, m_sPushedImage))
            return;
    } else if (m_uButtonState & UISTATE_HOT) {
        if (m_dwHotBkColor != 0)
            painter.fillRect(rc, ToQColor(m_dwHotBkColor));
        if (DrawImage(painter, m_sHotImage))
            return;
    } else if (m_bFocused && DrawImage(painter, m_sFocusedImage)) {
        return;
    }
    DrawImage(painter, m_sNormalImage);
}

void CButtonUI::PaintText(QPainter& painter) {
    if ((m_uButtonState & UISTATE_HOT) && !m_sHotForeImage.isEmpty())
        DrawImage(painter, m_sHotForeImage);
    DWORD color = CurrentTextColor();
    if (QWidget::isEnabled() && (m_uButtonState & UISTATE_PUSHED) && m_dwPushedTextColor != 0)
        color = m_dwPushedTextColor;
    else if (QWidget::isEnabled() && (m_uButtonState & UISTATE_HOT) && m_dwHotTextColor != 0)
        color = m_dwHotTextColor;
    DrawLabelText(painter, TextRect(), GetText(), color, m_uTextStyle);
}

COptionUI::~COptionUI() {
    if (m_pManager != nullptr && !m_sGroupName.isEmpty())
        m_pManager->RemoveOptionGroup(m_sGroupName, this);
}

void* COptionUI::GetInterface(const QString& name) {
    if (name == "Option")
        return this;
    return CButtonUI::GetInterface(name);
}

void COptionUI::SetManager(CPaintManagerUI* manager, CControlUI* parent, bool init) {
    if (m_pManager != nullptr && m_pManager != manager && !m_sGroupName.isEmpty())
        m_pManager->RemoveOptionGroup(m_sGroupName, this);
    CButtonUI::SetManager(manager, parent, init);
    if (manager != nullptr && !m_sGroupName.isEmpty())
        manager->AddOptionGroup(m_sGroupName, this);
}

bool COptionUI::Activate() {
    if (!CButtonUI::Activate())
        return false;
    if (!m_sGroupName.isEmpty())
        Selected(true);
    else
        Selected(!m_bSelected);
    return true;
}

void COptionUI::SetGroup(const QString& group) {
    if (group == m_sGroupName)
        return;
    if (m_pManager != nullptr && !m_sGroupName.isEmpty())
        m_pManager->RemoveOptionGroup(m_sGroupName, this);
    m_sGroupName = group;
    if (m_pManager != nullptr && !m_sGroupName.isEmpty())
        m_pManager->AddOptionGroup(m_sGroupName, this);
    Selected(m_bSelected, false);
}

void COptionUI::Selected(bool selected, bool notify) {
    if (m_bSelected == selected && !(selected && !m_sGroupName.isEmpty()))
        return;
    const bool changed = m_bSelected != selected;
    m_bSelected = selected;
    if (selected)
        m_uButtonState |= UISTATE_SELECTED;
    else
        m_uButtonState &= ~UISTATE_SELECTED;
    if (selected && m_pManager != nullptr && !m_sGroupName.isEmpty()) {
        for (CControlUI* other : m_pManager->GetOptionGroup(m_sGroupName)) {
            auto* option = static_cast<COptionUI*>(other->GetInterface("Option"));
            if (option != nullptr && option != this)
                option->Selected(false, notify);
        }
    }
    if (changed && selected)
        SelectBoundTab(notify);
    if (changed && notify)
        SendNotify(DUI_MSGTYPE_SELECTCHANGED);
    Invalidate();
}

void COptionUI::SelectBoundTab(bool notify) {
    if (m_pManager == nullptr || m_sBindTabLayoutName.isEmpty() || m_iBindTabIndex < 0)
        return;
    CControlUI* control = m_pManager->FindControl(m_sBindTabLayoutName);
    auto* tab = control != nullptr ? static_cast<CTabLayoutUI*>(control->GetInterface("TabLayout")) : nullptr;
    if (tab != nullptr)
        tab->SelectItem(m_iBindTabIndex, notify);
}

void COptionUI::SetAttribute(const QString& name, const QString& value) {
    const QString key = name.toLower();
    if (key == "group")
        SetGroup(value);
    else if (key == "selected")
        Selected(ParseBool(value), false);
    else if (key == "selectedimage")
        SetSelectedImage(value);
    else if (key == "selectedhotimage")
        SetSelectedHotImage(value);
    else if (key == "selectedbkcolor")
        SetSelectedBkColor(ParseColor(value));
    else if (key == "selectedtextcolor")
        SetSelectedTextColor(ParseColor(value));
    else if (key == "bindtabindex")
        SetBindTabLayoutIndex(ParseInt(value, -1));
    else if (key == "bindtablayoutname")
        SetBindTabLayoutName(value);
    else
        CButtonUI::SetAttribute(name, value);
}

void COptionUI::PaintStatusImage(QPainter& painter) {
    if (m_bSelected) {
        if (m_dwSelectedBkColor != 0)
            painter.fillRect(GetPaintRect(), ToQColor(m_dwSelectedBkColor));
        if ((m_uButtonState & UISTATE_HOT) && DrawImage(painter, m_sSelectedHotImage))
            return;
        if (DrawImage(painter, m_sSelectedImage))
            return;
    }
    CButtonUI::PaintStatusImage(painter);
}

void COptionUI::PaintText(QPainter& painter) {
    if (m_bSelected && m_dwSelectedTextColor != 0 && QWidget::isEnabled()) {
        DrawLabelText(painter, TextRect(), GetText(), m_dwSelectedTextColor, m_uTextStyle);
        return;
    }
    CButtonUI::PaintText(painter);
}

void* CCheckBoxUI::GetInterface(const QString& name) {
    if (name == "CheckBox")
        return this;
    return COptionUI::GetInterface(name);
}

} // namespace pelan
