#include "ui/UIBase.h"

#include "platform/ThreadHandoff.h"
#include "platform/Trace.h"
#include "ui/UIButton.h"
#include "ui/UICombo.h"
#include "ui/UIEdit.h"
#include "ui/UIRender.h"
#include "ui/UISlider.h"

#include <QApplication>
#include <QCloseEvent>
#include <QEventLoop>
#include <QMouseEvent>
#include <QMutex>
#include <QPixmap>
#include <QScreen>
#include <QThread>
#include <QTimer>
#include <QWindow>

namespace pelan {
namespace {

constexpr UINT WS_VISIBLE = 0x10000000;
constexpr UINT WS_EX_TOOLWINDOW = 0x80;
// Where the left button went down on the caption, until it moves the window or is released.
constexpr const char* kCaptionPress = "pelanCaptionPress";

// Controls that take pointer input themselves, so a press on them never drags the window.
bool isInteractive(QWidget* widget) {
    for (QWidget* w = widget; w != nullptr && !w->isWindow(); w = w->parentWidget()) {
        auto* control = dynamic_cast<CControlUI*>(w);
        if (control == nullptr)
            continue;
        for (const char* kind : {"Button", "Edit", "Combo", "Slider", "ColorPalette", "ListItem"}) {
            if (control->GetInterface(kind) != nullptr)
                return true;
        }
    }
    return false;
}

} // namespace

WindowHost::WindowHost(CWindowWnd* owner, QWidget* parent, Qt::WindowFlags flags)
    : QWidget(parent, flags), m_owner(owner) {
    qApp->installEventFilter(this);
}

void WindowHost::closeEvent(QCloseEvent* event) {
    if (m_owner == nullptr) {
        event->accept();
        return;
    }
    event->ignore();
    m_owner->SendMessage(WM_CLOSE, 0, 0);
}

void WindowHost::resizeEvent(QResizeEvent*) {
    if (m_owner == nullptr)
        return;
    for (QObject* child : children()) {
        if (auto* control = dynamic_cast<CControlUI*>(child))
            control->setGeometry(rect());
    }
    m_owner->SendMessage(WM_SIZE, 0, (static_cast<LPARAM>(height()) << 16) | (width() & 0xFFFF));
}

void WindowHost::changeEvent(QEvent* event) {
    if (event->type() == QEvent::ActivationChange && m_owner != nullptr)
        m_owner->SendMessage(WM_ACTIVATE, isActiveWindow() ? 1 : 0, 0);
    if (event->type() == QEvent::WindowStateChange) {
        if (auto* window = dynamic_cast<WindowImplBase*>(m_owner))
            window->ShowMaximizeState();
    }
    QWidget::changeEvent(event);
}

bool WindowHost::InCaption(QPoint windowPoint) const {
    auto* window = dynamic_cast<WindowImplBase*>(m_owner);
    if (window == nullptr)
        return false;
    const QRect caption = window->GetPaintManager()->GetCaptionRect();
    if (caption.isNull())
        return false;
    const int top = caption.top();
    const int bottom = caption.bottom() + 1;
    const QRect area(caption.left(), top, width() - caption.left() - (caption.right() + 1), bottom - top);
    return area.contains(windowPoint);
}

// A press on the caption moves the window once the pointer moves with it, not at once: the window manager would
// take the pointer, and a double click (which maximises or restores the window) would never arrive.
bool WindowHost::eventFilter(QObject* watched, QEvent* event) {
    const QEvent::Type type = event->type();
    if (type != QEvent::MouseButtonPress && type != QEvent::MouseButtonDblClick && type != QEvent::MouseMove &&
        type != QEvent::MouseButtonRelease)
        return false;
    auto* widget = qobject_cast<QWidget*>(watched);
    if (widget == nullptr || widget->window() != this)
        return false;
    auto* mouse = static_cast<QMouseEvent*>(event);
    if (type == QEvent::MouseButtonRelease) {
        setProperty(kCaptionPress, QVariant());
        return false;
    }
    if (type == QEvent::MouseMove) {
        const QVariant pressed = property(kCaptionPress);
        const QPoint distance = mouse->globalPosition().toPoint() - pressed.toPoint();
        if (pressed.isValid() && (mouse->buttons() & Qt::LeftButton) &&
            distance.manhattanLength() >= QApplication::startDragDistance() && windowHandle() != nullptr) {
            setProperty(kCaptionPress, QVariant());
            windowHandle()->startSystemMove();
        }
        return false;
    }
    if (mouse->button() != Qt::LeftButton)
        return false;
    const QPoint point = widget->mapTo(this, mouse->position().toPoint());
    if (!InCaption(point) || isInteractive(widget))
        return false;
    if (type == QEvent::MouseButtonDblClick) {
        setProperty(kCaptionPress, QVariant());
        if (auto* window = dynamic_cast<WindowImplBase*>(m_owner))
            window->ToggleMaximized();
    } else {
        setProperty(kCaptionPress, mouse->globalPosition().toPoint());
    }
    return false;
}

void WindowHost::keyPressEvent(QKeyEvent* event) {
    auto* window = dynamic_cast<WindowImplBase*>(m_owner);
    if (window == nullptr || !window->PressKeyButton(event->key()))
        event->ignore();
}

void WindowHost::showEvent(QShowEvent*) {
    auto* window = dynamic_cast<WindowImplBase*>(m_owner);
    if (window != nullptr && focusWidget() == nullptr)
        window->FocusDefaultButton();
}

void WindowHost::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton && InCaption(event->position().toPoint())) {
        m_dragging = true;
        m_dragOffset = event->globalPosition().toPoint() - frameGeometry().topLeft();
    }
}

void WindowHost::mouseMoveEvent(QMouseEvent* event) {
    if (m_dragging)
        move(event->globalPosition().toPoint() - m_dragOffset);
}

void WindowHost::mouseReleaseEvent(QMouseEvent*) {
    m_dragging = false;
}

namespace {

// Queued calls cross threads inside Qt, where ThreadSanitizer cannot see the hand-over: this token marks it. The
// dispatcher takes it over before Qt runs the call, so the call's captures count as handed over too.
const char kToUiThread = 0;
const char kFromUiThread = 0;

class Dispatcher : public QObject {
protected:
    bool event(QEvent* event) override {
        handoffAcquire(&kToUiThread);
        return QObject::event(event);
    }
};

} // namespace

CWindowWnd::CWindowWnd() : m_dispatcher(std::make_unique<Dispatcher>()) {}

CWindowWnd::~CWindowWnd() {
    for (auto& [id, timer] : m_timers)
        delete timer;
    m_timers.clear();
    if (m_hWnd != nullptr) {
        static_cast<WindowHost*>(m_hWnd)->Detach();
        delete m_hWnd;
        m_hWnd = nullptr;
    }
}

QWidget* CWindowWnd::Create(CWindowWnd* parent, const QString& name, UINT style, UINT exStyle, int x, int y, int cx,
                            int cy) {
    return Create(parent != nullptr ? parent->GetHWND() : nullptr, name, style, exStyle, x, y, cx, cy);
}

QWidget* CWindowWnd::Create(QWidget* parent, const QString& name, UINT style, UINT exStyle, int x, int y, int cx,
                            int cy) {
    if (m_hWnd != nullptr)
        return m_hWnd;
    Qt::WindowFlags flags = Qt::FramelessWindowHint | (parent != nullptr ? Qt::Dialog : Qt::Window);
    if (exStyle & WS_EX_TOOLWINDOW)
        flags |= Qt::Tool;
    auto* host = new WindowHost(this, parent, flags);
    host->setObjectName(GetWindowClassName());
    host->setWindowTitle(name);
    host->setAttribute(Qt::WA_DeleteOnClose, false);
    m_hWnd = host;
    m_sizeGiven = cx > 0 && cy > 0;
    if (m_sizeGiven)
        host->setGeometry(x, y, cx, cy);
    if (HandleMessage(WM_CREATE, 0, 0) < 0) {
        DestroyWindow();
        return nullptr;
    }
    if (m_hWnd != nullptr && (style & WS_VISIBLE))
        m_hWnd->show();
    return m_hWnd;
}

void CWindowWnd::ShowWindow(bool show, bool takeFocus) {
    if (m_hWnd == nullptr)
        return;
    if (!show) {
        m_hWnd->hide();
        return;
    }
    if (m_hWnd->isMinimized())
        m_hWnd->showNormal();
    else
        m_hWnd->show();
    if (takeFocus) {
        m_hWnd->raise();
        m_hWnd->activateWindow();
        RaiseModalChildren();
    }
}

// A modal window of this one stays above it: raised over it, this window would take no input and show no reason why.
void CWindowWnd::RaiseModalChildren() {
    for (QWidget* child : m_hWnd->findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
        if (child->isWindow() && child->isVisible() && child->isModal()) {
            child->raise();
            child->activateWindow();
        }
    }
}

UINT CWindowWnd::ShowModal() {
    if (m_hWnd == nullptr)
        return static_cast<UINT>(-1);
    UINT result = 0;
    QEventLoop loop;
    m_modalLoop = &loop;
    m_modalResult = &result;
    m_hWnd->setWindowModality(Qt::ApplicationModal);
    m_hWnd->show();
    m_hWnd->raise();
    m_hWnd->activateWindow();
    loop.exec(QEventLoop::DialogExec);
    // The window object may be gone now (a message window deletes itself when it closes).
    return result;
}

void CWindowWnd::Close(UINT code) {
    PostMessage(WM_CLOSE, code, 0);
}

void CWindowWnd::CenterWindow() {
    if (m_hWnd == nullptr)
        return;
    QRect area;
    QWidget* owner = m_hWnd->parentWidget();
    if (owner != nullptr && owner->isVisible())
        area = owner->window()->frameGeometry();
    else if (QScreen* screen = m_hWnd->screen() != nullptr ? m_hWnd->screen() : QGuiApplication::primaryScreen())
        area = screen->availableGeometry();
    if (area.isEmpty())
        return;
    const QSize size = m_hWnd->frameGeometry().size();
    m_hWnd->move(area.center().x() - size.width() / 2 + 1, area.center().y() - size.height() / 2 + 1);
}

void CWindowWnd::ResizeClient(int cx, int cy) {
    if (m_hWnd != nullptr)
        m_hWnd->resize(cx, cy);
}

void CWindowWnd::SetIcon(const QString& image) {
    if (m_hWnd != nullptr)
        m_hWnd->setWindowIcon(QIcon(QPixmap::fromImage(LoadImage(image))));
}

void CWindowWnd::DestroyWindow() {
    if (m_hWnd == nullptr || m_destroying)
        return;
    m_destroying = true;
    QWidget* host = m_hWnd;
    host->hide();
    HandleMessage(WM_DESTROY, 0, 0);
    for (auto& [id, timer] : m_timers) {
        timer->stop();
        timer->deleteLater();
    }
    m_timers.clear();
    static_cast<WindowHost*>(host)->Detach();
    host->deleteLater();
    m_hWnd = nullptr;
    if (m_modalLoop != nullptr) {
        *m_modalResult = m_closeCode;
        m_modalLoop->exit(0);
        m_modalLoop = nullptr;
        m_modalResult = nullptr;
    }
    m_destroying = false;
    OnFinalMessage(host); // may delete this object: nothing may follow
}

void CWindowWnd::OnFinalMessage(QWidget*) {}

LRESULT CWindowWnd::SendMessage(UINT uMsg, WPARAM wParam, LPARAM lParam) {
    if (QThread::currentThread() == m_dispatcher->thread())
        return HandleMessage(uMsg, wParam, lParam);
    LRESULT result = 0;
    {
        const QueuedPosting posting(&kToUiThread);
        QMetaObject::invokeMethod(
            m_dispatcher.get(),
            [&] {
                result = HandleMessage(uMsg, wParam, lParam);
                handoffRelease(&kFromUiThread);
            },
            Qt::BlockingQueuedConnection);
    }
    handoffAcquire(&kFromUiThread);
    return result;
}

void CWindowWnd::PostMessage(UINT uMsg, WPARAM wParam, LPARAM lParam) {
    PostInvoke([this, uMsg, wParam, lParam] { HandleMessage(uMsg, wParam, lParam); });
}

void CWindowWnd::PostInvoke(std::function<void()> call) {
    const QueuedPosting posting(&kToUiThread);
    QMetaObject::invokeMethod(m_dispatcher.get(), std::move(call), Qt::QueuedConnection);
}

bool CWindowWnd::SetTimer(UINT id, UINT elapseMs) {
    QTimer*& timer = m_timers[id];
    if (timer == nullptr) {
        timer = new QTimer(m_dispatcher.get());
        QObject::connect(timer, &QTimer::timeout, m_dispatcher.get(), [this, id] { HandleMessage(WM_TIMER, id, 0); });
    }
    timer->start(static_cast<int>(elapseMs));
    return true;
}

bool CWindowWnd::KillTimer(UINT id) {
    const auto found = m_timers.find(id);
    if (found == m_timers.end())
        return false;
    found->second->stop();
    found->second->deleteLater();
    m_timers.erase(found);
    return true;
}

LRESULT CWindowWnd::HandleMessage(UINT uMsg, WPARAM wParam, LPARAM lParam) {
    return DefWindowProc(uMsg, wParam, lParam);
}

LRESULT CWindowWnd::DefWindowProc(UINT uMsg, WPARAM wParam, LPARAM) {
    if (uMsg == WM_CLOSE) {
        m_closeCode = static_cast<UINT>(wParam);
        DestroyWindow();
        return 0;
    }
    if (uMsg != WM_SYSCOMMAND || m_hWnd == nullptr)
        return 0;
    switch (wParam & 0xFFF0) {
    case SC_MINIMIZE:
        m_hWnd->showMinimized();
        break;
    case SC_MAXIMIZE:
        m_hWnd->showMaximized();
        break;
    case SC_RESTORE:
        m_hWnd->showNormal();
        m_hWnd->raise();
        m_hWnd->activateWindow();
        break;
    case SC_CLOSE:
        SendMessage(WM_CLOSE, 0, 0);
        break;
    default:
        break;
    }
    return 0;
}

bool CNotifyPump::AddVirtualWnd(const QString& name, CNotifyPump* pump) {
    if (name.isEmpty() || pump == nullptr || m_virtualWnds.count(name) != 0)
        return false;
    m_virtualWnds[name] = pump;
    return true;
}

bool CNotifyPump::RemoveVirtualWnd(const QString& name) {
    return m_virtualWnds.erase(name) != 0;
}

bool CNotifyPump::NotifyPump(TNotifyUI& msg) {
    if (msg.sVirtualWnd.isEmpty())
        return false;
    const auto found = m_virtualWnds.find(msg.sVirtualWnd);
    if (found == m_virtualWnds.end())
        return false;
    found->second->OnNotify(msg);
    return true;
}

WindowImplBase::~WindowImplBase() {
    m_pm.DetachDialog();
    if (m_hWnd != nullptr) {
        static_cast<WindowHost*>(m_hWnd)->Detach();
        delete m_hWnd;
        m_hWnd = nullptr;
    }
}

void WindowImplBase::OnFinalMessage(QWidget*) {
    m_pm.DetachDialog();
}

void WindowImplBase::Notify(TNotifyUI& msg) {
    NotifyPump(msg);
}

LRESULT WindowImplBase::HandleMessage(UINT uMsg, WPARAM wParam, LPARAM lParam) {
    LRESULT result = 0;
    bool handled = true;
    switch (uMsg) {
    case WM_CREATE:
        result = OnCreate(uMsg, wParam, lParam, handled);
        break;
    case WM_CLOSE:
        result = OnClose(uMsg, wParam, lParam, handled);
        break;
    case WM_DESTROY:
        result = OnDestroy(uMsg, wParam, lParam, handled);
        break;
    case WM_SYSCOMMAND:
        result = OnSysCommand(uMsg, wParam, lParam, handled);
        break;
    case WM_SIZE:
        result = OnSize(uMsg, wParam, lParam, handled);
        break;
    default:
        handled = false;
        break;
    }
    if (handled)
        return result;
    result = HandleCustomMessage(uMsg, wParam, lParam, handled);
    if (handled)
        return result;
    if (m_pm.MessageHandler(uMsg, wParam, lParam, result))
        return result;
    return CWindowWnd::HandleMessage(uMsg, wParam, lParam);
}

LRESULT WindowImplBase::HandleCustomMessage(UINT, WPARAM, LPARAM, bool& bHandled) {
    bHandled = false;
    return 0;
}

LRESULT WindowImplBase::OnCreate(UINT, WPARAM, LPARAM, bool& bHandled) {
    bHandled = true;
    m_pm.Init(m_hWnd, GetWindowClassName());
    CDialogBuilder builder;
    CControlUI* root = builder.Create(GetSkinFile(), QString(), this, &m_pm);
    if (root == nullptr) {
        trace("window layout could not be built: " + GetSkinFile().toStdString());
        return -1;
    }
    m_pm.AttachDialog(root);
    m_pm.AddNotifier(this);
    const QSize initSize = m_pm.GetInitSize();
    if (!m_sizeGiven && !initSize.isEmpty())
        m_hWnd->resize(m_pm.ScaleValue(initSize.width()), m_pm.ScaleValue(initSize.height()));
    root->setGeometry(m_hWnd->rect());
    InitWindow();
    m_pm.SendNotify(root, DUI_MSGTYPE_WINDOWINIT, 0, 0, true);
    return 0;
}

LRESULT WindowImplBase::OnClose(UINT, WPARAM, LPARAM, bool& bHandled) {
    bHandled = false;
    return 0;
}

LRESULT WindowImplBase::OnDestroy(UINT, WPARAM, LPARAM, bool& bHandled) {
    bHandled = false;
    return 0;
}

LRESULT WindowImplBase::OnSysCommand(UINT uMsg, WPARAM wParam, LPARAM lParam, bool& bHandled) {
    bHandled = true;
    return DefWindowProc(uMsg, wParam, lParam);
}

LRESULT WindowImplBase::OnSize(UINT, WPARAM, LPARAM, bool& bHandled) {
    if (m_pm.GetRoot() != nullptr)
        m_pm.SendNotify(m_pm.GetRoot(), DUI_MSGTYPE_WINDOWSIZE);
    bHandled = false;
    return 0;
}

bool WindowImplBase::PressKeyButton(int key) {
    CControlUI* button = nullptr;
    if (key == Qt::Key_Return || key == Qt::Key_Enter)
        button = m_pm.GetDefaultButton();
    else if (key == Qt::Key_Escape)
        button = m_pm.GetCancelButton();
    return button != nullptr && button->Activate();
}

void WindowImplBase::FocusDefaultButton() {
    if (CControlUI* button = m_pm.GetDefaultButton())
        button->SetFocus();
}

void WindowImplBase::ShowMaximizeState() {
    if (m_hWnd == nullptr)
        return;
    CControlUI* maximize = m_pm.FindControl("maxbtn");
    CControlUI* restore = m_pm.FindControl("restorebtn");
    if (maximize == nullptr || restore == nullptr)
        return;
    const bool maximized = m_hWnd->isMaximized();
    maximize->SetVisible(!maximized);
    restore->SetVisible(maximized);
}

void WindowImplBase::ToggleMaximized() {
    if (m_hWnd == nullptr || m_pm.FindControl("maxbtn") == nullptr)
        return;
    SendMessage(WM_SYSCOMMAND, m_hWnd->isMaximized() ? SC_RESTORE : SC_MAXIMIZE, 0);
}

UINT RegisterWindowMessage(const QString& name) {
    static QMutex mutex;
    static std::map<QString, UINT> ids;
    QMutexLocker lock(&mutex);
    const auto found = ids.find(name);
    if (found != ids.end())
        return found->second;
    const UINT id = kFirstRegisteredMessage + static_cast<UINT>(ids.size());
    ids[name] = id;
    return id;
}

} // namespace pelan
