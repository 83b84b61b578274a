#include "ui/UIControl.h"

#include "ui/UIContainer.h"
#include "ui/UIManager.h"
#include "ui/UIRender.h"
#include "ui/UIResourceManager.h"

#include <QApplication>
#include <QDateTime>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QRegularExpression>
#include <QTimer>

namespace pelan {
namespace {

// Light enough to show on the blue of selected options as well as on the dark background.
constexpr DWORD kFocusRingColor = 0xDDE6E8EB;
constexpr const char* kRelayoutPending = "pelanRelayoutPending";

DWORD timestampNow() {
    return static_cast<DWORD>(QDateTime::currentMSecsSinceEpoch() & 0xFFFFFFFF);
}

} // namespace

CControlUI::CControlUI() {
    setMouseTracking(true);
    setAttribute(Qt::WA_Hover, false);
}

CControlUI::~CControlUI() {
    if (m_pManager != nullptr)
        m_pManager->ReapObjects(this);
}

void* CControlUI::GetInterface(const QString& name) {
    if (name == "Control")
        return this;
    return nullptr;
}

void CControlUI::SetName(const QString& name) {
    m_sName = name;
    setObjectName(name);
    setAccessibleName(name);
}

void CControlUI::UpdateAccessibleText() {
    const QString shown = GetText();
    if (accessibleDescription() != shown)
        setAccessibleDescription(shown);
}

QString CControlUI::GetText() const {
    if (m_bResourceText)
        return CResourceManager::GetInstance()->GetText(m_sText);
    return m_sText;
}

void CControlUI::SetText(const QString& text) {
    if (m_sText == text)
        return;
    m_sText = text;
    UpdateAccessibleText();
    Invalidate();
}

void CControlUI::SetResourceText(bool resource) {
    if (m_bResourceText == resource)
        return;
    m_bResourceText = resource;
    ReloadText();
    TextChanged();
}

void CControlUI::ReloadText() {
    QWidget::setToolTip(GetToolTip());
    UpdateAccessibleText();
    Invalidate();
}

QString CControlUI::GetToolTip() const {
    if (m_bResourceText && !m_sToolTip.isEmpty())
        return CResourceManager::GetInstance()->GetText(m_sToolTip);
    return m_sToolTip;
}

void CControlUI::SetToolTip(const QString& text) {
    m_sToolTip = text;
    QWidget::setToolTip(GetToolTip());
}

QString CControlUI::GetVirtualWnd() const {
    if (!m_sVirtualWnd.isEmpty())
        return m_sVirtualWnd;
    return m_pParent != nullptr ? m_pParent->GetVirtualWnd() : QString();
}

QRect CControlUI::GetPos() const {
    const QWidget* top = window();
    if (top == this)
        return rect();
    return QRect(mapTo(top, QPoint(0, 0)), size());
}

void CControlUI::SetPos(const QRect& rc) {
    QWidget* parent = parentWidget();
    if (parent == nullptr || isWindow()) {
        setGeometry(rc);
        return;
    }
    const QWidget* top = window();
    setGeometry(QRect(parent->mapFrom(top, rc.topLeft()), rc.size()));
}

void CControlUI::SetFixedWidth(int cx) {
    m_cxyFixed.setWidth(std::max(cx, 0));
    NeedParentUpdate();
}

void CControlUI::SetFixedHeight(int cy) {
    m_cxyFixed.setHeight(std::max(cy, 0));
    NeedParentUpdate();
}

void CControlUI::SetMinWidth(int cx) {
    m_cxyMin.setWidth(std::max(cx, 0));
    NeedParentUpdate();
}

void CControlUI::SetMaxWidth(int cx) {
    m_cxyMax.setWidth(std::max(cx, 0));
    NeedParentUpdate();
}

void CControlUI::SetMinHeight(int cy) {
    m_cxyMin.setHeight(std::max(cy, 0));
    NeedParentUpdate();
}

void CControlUI::SetMaxHeight(int cy) {
    m_cxyMax.setHeight(std::max(cy, 0));
    NeedParentUpdate();
}

void CControlUI::SetPadding(QMargins padding) {
    m_rcPadding = padding;
    NeedParentUpdate();
}

void CControlUI::SetFloat(bool floating) {
    m_bFloat = floating;
    NeedParentUpdate();
}

QSize CControlUI::EstimateSize(QSize) {
    return QSize(Scale(m_cxyFixed.width()), Scale(m_cxyFixed.height()));
}

QSize CControlUI::MinimumContentSize(QSize) {
    return QSize(0, 0);
}

bool CControlUI::IsVisible() const {
    if (!m_bVisible)
        return false;
    return m_pParent == nullptr || m_pParent->IsVisible();
}

void CControlUI::SetVisible(bool visible) {
    if (m_bVisible == visible)
        return;
    m_bVisible = visible;
    ApplyWidgetVisibility();
    NeedParentUpdate();
    // What the parent needs changed with it, and so may the room of the layouts above.
    if (m_pParent != nullptr)
        RelayoutWindow();
}

void CControlUI::ApplyWidgetVisibility() {
    // A container that keeps its items out of sight (a combo box) decides itself.
    if (m_pParent != nullptr && m_pParent->GetInterface("ItemsHidden") != nullptr) {
        QWidget::setVisible(false);
        return;
    }
    // A control outside any container is not a window of its own: it shows once a container takes it.
    if (parentWidget() != nullptr)
        QWidget::setVisible(m_bVisible);
}

void CControlUI::SetEnabled(bool enabled) {
    m_bEnabled = enabled;
    if (enabled)
        m_uButtonState &= ~UISTATE_DISABLED;
    else
        m_uButtonState |= UISTATE_DISABLED;
    QWidget::setEnabled(enabled);
    Invalidate();
}

void CControlUI::SetMouseEnabled(bool enabled) {
    m_bMouseEnabled = enabled;
    setAttribute(Qt::WA_TransparentForMouseEvents, !enabled);
}

void CControlUI::SetFocus() {
    // Focus the program moves shows where it went, also when the window takes it only later.
    m_bFocusRing = true;
    QWidget::setFocus(Qt::OtherFocusReason);
}

bool CControlUI::TrackHot(const TEventUI& event) {
    if (event.Type == UIEVENT_MOUSEENTER) {
        if (IsEnabled())
            SetState(m_uButtonState | UISTATE_HOT);
        return true;
    }
    if (event.Type == UIEVENT_MOUSELEAVE) {
        SetState(m_uButtonState & ~UISTATE_HOT);
        return true;
    }
    return false;
}

bool CControlUI::Activate() {
    return IsVisible() && IsEnabled();
}

void CControlUI::DoEvent(TEventUI& event) {
    switch (event.Type) {
    case UIEVENT_SETCURSOR:
        return;
    case UIEVENT_SETFOCUS:
        m_bFocused = true;
        Invalidate();
        return;
    case UIEVENT_KILLFOCUS:
        m_bFocused = false;
        Invalidate();
        return;
    case UIEVENT_TIMER:
        SendNotify(DUI_MSGTYPE_TIMER, event.wParam, event.lParam);
        return;
    case UIEVENT_CONTEXTMENU:
        if (IsEnabled())
            SendNotify(DUI_MSGTYPE_MENU, event.wParam, event.lParam);
        return;
    case UIEVENT_MOUSEENTER:
    case UIEVENT_MOUSELEAVE:
        return;
    default:
        break;
    }
    if (m_pParent != nullptr)
        m_pParent->DoEvent(event);
    else
        event.bUnhandled = true;
}

void CControlUI::DoPaint(QPainter& painter, const QRect&) {
    painter.save();
    if (!m_cxyBorderRound.isEmpty()) {
        QPainterPath clip;
        clip.addRoundedRect(QRectF(GetPaintRect()), m_cxyBorderRound.width() / 2.0, m_cxyBorderRound.height() / 2.0);
        painter.setClipPath(clip);
    }
    PaintBkColor(painter);
    PaintBkImage(painter);
    PaintStatusImage(painter);
    PaintForeColor(painter);
    PaintForeImage(painter);
    PaintText(painter);
    painter.restore();
    PaintBorder(painter);
}

void CControlUI::PaintBkColor(QPainter& painter) {
    if (m_dwBackColor != 0)
        painter.fillRect(GetPaintRect(), ToQColor(m_dwBackColor));
}

void CControlUI::PaintBkImage(QPainter& painter) {
    DrawImage(painter, m_sBkImage);
}

void CControlUI::PaintStatusImage(QPainter&) {}

void CControlUI::PaintForeColor(QPainter& painter) {
    if (m_dwForeColor != 0 && GetClass() == "ControlUI")
        painter.fillRect(GetPaintRect(), ToQColor(m_dwForeColor));
}

void CControlUI::PaintForeImage(QPainter& painter) {
    DrawImage(painter, m_sForeImage);
}

void CControlUI::PaintText(QPainter&) {}

void CControlUI::PaintBorder(QPainter& painter) {
    if (m_bFocusRing && hasFocus())
        PaintFocusRing(painter);
    if (m_nBorderSize <= 0 || m_dwBorderColor == 0)
        return;
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing, !m_cxyBorderRound.isEmpty());
    QPen pen(ToQColor(m_dwBorderColor));
    pen.setWidth(m_nBorderSize);
    painter.setPen(pen);
    painter.setBrush(Qt::NoBrush);
    const double half = m_nBorderSize / 2.0;
    const QRectF frame = QRectF(GetPaintRect()).adjusted(half, half, -half, -half);
    if (m_cxyBorderRound.isEmpty())
        painter.drawRect(frame);
    else
        painter.drawRoundedRect(frame, m_cxyBorderRound.width() / 2.0, m_cxyBorderRound.height() / 2.0);
    painter.restore();
}

void CControlUI::PaintFocusRing(QPainter& painter) {
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    QPen pen(ToQColor(kFocusRingColor));
    pen.setWidth(2);
    painter.setPen(pen);
    painter.setBrush(Qt::NoBrush);
    const QRectF frame = QRectF(GetPaintRect()).adjusted(1, 1, -1, -1);
    const double radius = m_cxyBorderRound.isEmpty() ? 3.0 : m_cxyBorderRound.width() / 2.0;
    painter.drawRoundedRect(frame, radius, radius);
    painter.restore();
}

bool CControlUI::DrawImage(QPainter& painter, const QString& image, const QRect& rc) {
    return DrawImageDescription(painter, rc, image);
}

bool CControlUI::SetTimer(UINT id, UINT elapseMs) {
    return m_pManager != nullptr && m_pManager->SetTimer(this, id, elapseMs);
}

void CControlUI::KillTimer(UINT id) {
    if (m_pManager != nullptr)
        m_pManager->KillTimer(this, id);
}

void CControlUI::KillTimer() {
    if (m_pManager != nullptr)
        m_pManager->KillTimer(this);
}

void CControlUI::SetManager(CPaintManagerUI* manager, CControlUI* parent, bool init) {
    m_pManager = manager;
    m_pParent = parent;
    if (init && manager != nullptr)
        DoInit();
}

CControlUI* CControlUI::FindControl(const QString& name) {
    return (!name.isEmpty() && m_sName.compare(name, Qt::CaseInsensitive) == 0) ? this : nullptr;
}

void CControlUI::SetAttribute(const QString& name, const QString& value) {
    const QString key = name.toLower();
    if (key == "name")
        SetName(value);
    else if (key == "text")
        SetText(value);
    else if (key == "resourcetext")
        SetResourceText(ParseBool(value));
    else if (key == "tooltip")
        SetToolTip(value);
    else if (key == "userdata")
        SetUserData(value);
    else if (key == "tag")
        SetTag(static_cast<UINT_PTR>(value.toULongLong()));
    else if (key == "virtualwnd")
        SetVirtualWnd(value);
    else if (key == "visible")
        SetVisible(ParseBool(value));
    else if (key == "enabled")
        SetEnabled(ParseBool(value));
    else if (key == "mouse")
        SetMouseEnabled(ParseBool(value));
    else if (key == "float")
        SetFloat(ParseBool(value));
    else if (key == "pos") {
        m_rcFloat = ParseRectLtrb(value);
        m_cxyFixed = QSize(std::max(m_rcFloat.width(), 0), std::max(m_rcFloat.height(), 0));
        NeedParentUpdate();
    } else if (key == "padding")
        SetPadding(ParseMargins(value));
    else if (key == "width")
        SetFixedWidth(ParseInt(value));
    else if (key == "height")
        SetFixedHeight(ParseInt(value));
    else if (key == "minwidth")
        SetMinWidth(ParseInt(value));
    else if (key == "maxwidth")
        SetMaxWidth(ParseInt(value));
    else if (key == "minheight")
        SetMinHeight(ParseInt(value));
    else if (key == "maxheight")
        SetMaxHeight(ParseInt(value));
    else if (key == "bkcolor")
        SetBkColor(ParseColor(value));
    else if (key == "bkimage")
        SetBkImage(value);
    else if (key == "forecolor")
        SetForeColor(ParseColor(value));
    else if (key == "foreimage")
        SetForeImage(value);
    else if (key == "bordercolor")
        SetBorderColor(ParseColor(value));
    else if (key == "bordersize")
        SetBorderSize(ParseInt(value));
    else if (key == "borderround")
        SetBorderRound(ParseSize(value));
    else if (key == "font")
        SetFont(ParseInt(value, -1));
    else if (key == "cursor" && value.compare("hand", Qt::CaseInsensitive) == 0)
        setCursor(Qt::PointingHandCursor);
    else if (key == "style" && m_pManager != nullptr)
        ApplyAttributeList(m_pManager->GetStyle(value));
}

void CControlUI::ApplyAttributeList(const QString& list) {
    static const QRegularExpression pairs(R"RX((\w+)\s*=\s*"([^"]*)")RX");
    for (auto it = pairs.globalMatch(list); it.hasNext();) {
        const auto match = it.next();
        SetAttribute(match.captured(1), match.captured(2));
    }
}

void CControlUI::NeedParentUpdate() {
    if (m_pParent != nullptr)
        m_pParent->NeedUpdate();
    Invalidate();
}

// Once for all the changes of one pass of the event loop: a page that shows or hides many controls at once is laid
// out again once.
void CControlUI::RelayoutWindow() {
    CControlUI* root = this;
    while (root->m_pParent != nullptr)
        root = root->m_pParent;
    auto* container = dynamic_cast<CContainerUI*>(root);
    if (container == nullptr || container->property(kRelayoutPending).toBool())
        return;
    container->setProperty(kRelayoutPending, true);
    QTimer::singleShot(0, container, [container] {
        container->setProperty(kRelayoutPending, false);
        container->RelayoutTree();
    });
}

int CControlUI::Scale(int value) const {
    return m_pManager != nullptr ? m_pManager->ScaleValue(value) : value;
}

QFont CControlUI::GetDrawFont(int id) const {
    if (m_pManager == nullptr)
        return QWidget::font();
    return m_pManager->GetFont(id);
}

void CControlUI::SendNotify(const QString& type, WPARAM wParam, LPARAM lParam, bool async) {
    if (m_pManager != nullptr)
        m_pManager->SendNotify(this, type, wParam, lParam, async);
}

void CControlUI::paintEvent(QPaintEvent* event) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setRenderHint(QPainter::TextAntialiasing);
    DoPaint(painter, event->rect());
}

void CControlUI::RaiseMouseEvent(int type, const QPoint& localPos, WPARAM wParam) {
    TEventUI event;
    event.Type = type;
    event.pSender = this;
    event.dwTimestamp = timestampNow();
    event.ptMouse = (window() == this) ? localPos : mapTo(window(), localPos);
    event.wParam = wParam;
    DoEvent(event);
}

void CControlUI::TakeFocusFromOthers() {
    if ((focusPolicy() & Qt::ClickFocus) != 0)
        return;
    QWidget* focused = QApplication::focusWidget();
    if (focused == nullptr || focused->window() != window())
        return;
    // The press went to the focused control's own parts, or to a control that has just taken the focus for it.
    if (focused == this || isAncestorOf(focused) || focused->isAncestorOf(this))
        return;
    if (focusProxy() != nullptr)
        setFocus(Qt::MouseFocusReason);
    else
        window()->setFocus(Qt::MouseFocusReason);
}

void CControlUI::mousePressEvent(QMouseEvent* event) {
    TakeFocusFromOthers();
    if (event->button() == Qt::LeftButton)
        RaiseMouseEvent(UIEVENT_BUTTONDOWN, event->position().toPoint());
    else if (event->button() == Qt::RightButton)
        RaiseMouseEvent(UIEVENT_RBUTTONDOWN, event->position().toPoint());
    event->accept();
}

void CControlUI::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton)
        RaiseMouseEvent(UIEVENT_BUTTONUP, event->position().toPoint());
    else if (event->button() == Qt::RightButton) {
        RaiseMouseEvent(UIEVENT_RBUTTONUP, event->position().toPoint());
        RaiseMouseEvent(UIEVENT_CONTEXTMENU, event->position().toPoint());
    }
    event->accept();
}

void CControlUI::mouseDoubleClickEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton)
        RaiseMouseEvent(UIEVENT_DBLCLICK, event->position().toPoint());
    event->accept();
}

void CControlUI::mouseMoveEvent(QMouseEvent* event) {
    RaiseMouseEvent(UIEVENT_MOUSEMOVE, event->position().toPoint());
    event->accept();
}

void CControlUI::enterEvent(QEnterEvent* event) {
    RaiseMouseEvent(UIEVENT_MOUSEENTER, event->position().toPoint());
}

void CControlUI::leaveEvent(QEvent*) {
    RaiseMouseEvent(UIEVENT_MOUSELEAVE, mapFromGlobal(QCursor::pos()));
}

void CControlUI::wheelEvent(QWheelEvent* event) {
    const WPARAM direction = event->angleDelta().y() < 0 ? SB_LINEDOWN : SB_LINEUP;
    RaiseMouseEvent(UIEVENT_SCROLLWHEEL, event->position().toPoint(), direction);
    event->accept();
}

void CControlUI::focusInEvent(QFocusEvent* focus) {
    // Focus that came by the keyboard or from the program shows where the keys go; a click shows it by itself. A
    // window coming back to the front keeps what its focus showed before.
    if (focus->reason() != Qt::ActiveWindowFocusReason)
        m_bFocusRing = focus->reason() != Qt::MouseFocusReason;
    TEventUI event;
    event.Type = UIEVENT_SETFOCUS;
    event.pSender = this;
    DoEvent(event);
}

void CControlUI::focusOutEvent(QFocusEvent* focus) {
    if (focus->reason() != Qt::ActiveWindowFocusReason)
        m_bFocusRing = false;
    TEventUI event;
    event.Type = UIEVENT_KILLFOCUS;
    event.pSender = this;
    DoEvent(event);
}

// A key that no control below took comes up the widget tree: the control that first had it already offered it to
// every control above it through DoEvent, so the others only pass it on.
bool CControlUI::KeyOfferedBelow() const {
    for (QWidget* w = QApplication::focusWidget(); w != nullptr; w = w->parentWidget()) {
        if (w == this)
            return false;
        if (dynamic_cast<CControlUI*>(w) != nullptr && isAncestorOf(w))
            return true;
    }
    return false;
}

void CControlUI::keyPressEvent(QKeyEvent* event) {
    if (KeyOfferedBelow()) {
        event->ignore();
        return;
    }
    TEventUI ui;
    ui.Type = UIEVENT_KEYDOWN;
    ui.pSender = this;
    ui.chKey = event->key();
    ui.wKeyState = static_cast<UINT>(event->modifiers());
    DoEvent(ui);
    // What no control took goes on to the window: Escape to its cancel button, Return to its default button.
    event->setAccepted(!ui.bUnhandled);
}

void CControlUI::resizeEvent(QResizeEvent*) {
    LayoutChildren();
}

void CControlUI::showEvent(QShowEvent*) {
    LayoutChildren();
}

} // namespace pelan
