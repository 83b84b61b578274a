#pragma once

#include "ui/UIDlgBuilder.h"
#include "ui/UIManager.h"

#include <QWidget>
#include <map>
#include <memory>

class QEventLoop;
class QTimer;

namespace pelan {

class CWindowWnd;

// The top-level widget of a CWindowWnd: hands its close requests, activation, size changes and caption drags to the
// window object.
class WindowHost : public QWidget {
public:
    WindowHost(CWindowWnd* owner, QWidget* parent, Qt::WindowFlags flags);
    CWindowWnd* GetOwner() const { return m_owner; }
    void Detach() { m_owner = nullptr; }

protected:
    void closeEvent(QCloseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void changeEvent(QEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void showEvent(QShowEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    bool InCaption(QPoint windowPoint) const;

    CWindowWnd* m_owner;
    QPoint m_dragOffset;
    bool m_dragging = false;
};

// A top-level window driven by numbered messages. SendMessage handles a message at once on the UI thread and, from
// any other thread, blocks until the UI thread has handled it; PostMessage queues it. Window timers arrive as
// WM_TIMER with the timer id in wParam.
class CWindowWnd {
public:
    CWindowWnd();
    virtual ~CWindowWnd();
    CWindowWnd(const CWindowWnd&) = delete;
    CWindowWnd& operator=(const CWindowWnd&) = delete;

    QWidget* GetHWND() const { return m_hWnd; }
    operator QWidget*() const { return m_hWnd; }

    // Creates the top-level widget (as a child window of parent's when given), then handles WM_CREATE.
    QWidget* Create(QWidget* parent, const QString& name, UINT style = 0, UINT exStyle = 0, int x = 0, int y = 0,
                    int cx = 0, int cy = 0);
    QWidget* Create(CWindowWnd* parent, const QString& name, UINT style = 0, UINT exStyle = 0, int x = 0, int y = 0,
                    int cx = 0, int cy = 0);
    void ShowWindow(bool show = true, bool takeFocus = true);
    // Shows the window modally and returns the code it was closed with.
    UINT ShowModal();
    // Asks the window to close with a code (handled from the event loop).
    void Close(UINT code = 0);
    // Centres the window on its parent window, or on the screen when it has none.
    void CenterWindow();
    void ResizeClient(int cx, int cy);
    void SetIcon(const QString& image);
    void DestroyWindow();

    LRESULT SendMessage(UINT uMsg, WPARAM wParam = 0, LPARAM lParam = 0);
    void PostMessage(UINT uMsg, WPARAM wParam = 0, LPARAM lParam = 0);
    // Posts a message whose wParam points at a record that stays alive until the message has been handled.
    template <typename T>
    void PostMessageWithRecord(UINT uMsg, std::shared_ptr<T> record, LPARAM lParam = 0) {
        PostInvoke(
            [this, record, uMsg, lParam] { HandleMessage(uMsg, reinterpret_cast<WPARAM>(record.get()), lParam); });
    }
    bool SetTimer(UINT id, UINT elapseMs);
    bool KillTimer(UINT id);

    virtual QString GetWindowClassName() const = 0;
    virtual UINT GetClassStyle() const { return 0; }
    virtual LRESULT HandleMessage(UINT uMsg, WPARAM wParam, LPARAM lParam);
    virtual void OnFinalMessage(QWidget* hWnd);

protected:
    // What the window does with a message nobody handled: WM_CLOSE destroys it, WM_SYSCOMMAND minimises, maximises,
    // restores or closes.
    LRESULT DefWindowProc(UINT uMsg, WPARAM wParam, LPARAM lParam);
    void PostInvoke(std::function<void()> call);

    QWidget* m_hWnd = nullptr;
    UINT m_closeCode = 0;
    bool m_sizeGiven = false; // Create was given a size; otherwise the layout's size is used

private:
    void RaiseModalChildren();

    std::unique_ptr<QObject> m_dispatcher;
    std::map<UINT, QTimer*> m_timers;
    QEventLoop* m_modalLoop = nullptr;
    UINT* m_modalResult = nullptr;
    bool m_destroying = false;
};

// Routes notifications of named virtual windows to their handlers.
class CNotifyPump {
public:
    virtual ~CNotifyPump() = default;
    bool AddVirtualWnd(const QString& name, CNotifyPump* pump);
    bool RemoveVirtualWnd(const QString& name);
    // Hands the notification to the virtual window it names; false when none took it.
    bool NotifyPump(TNotifyUI& msg);
    virtual void OnNotify(TNotifyUI&) {}

private:
    std::map<QString, CNotifyPump*> m_virtualWnds;
};

// A window built from a layout: GetSkinFile names the layout, InitWindow runs once the controls exist, Notify gets
// the notifications of its controls, HandleCustomMessage its messages.
class WindowImplBase : public CWindowWnd,
                       public CNotifyPump,
                       public INotifyUI,
                       public IMessageFilterUI,
                       public IDialogBuilderCallback,
                       public IQueryControlText {
public:
    WindowImplBase() = default;
    ~WindowImplBase() override;

    virtual void InitWindow() {}
    void OnFinalMessage(QWidget* hWnd) override;
    void Notify(TNotifyUI& msg) override;
    virtual QString GetSkinFile() = 0;
    virtual QString GetSkinFolder() { return QString(); }
    CControlUI* CreateControl(const QString&) override { return nullptr; }
    QString QueryControlText(const QString&, const QString&) override { return QString(); }
    LRESULT MessageHandler(UINT, WPARAM, LPARAM, bool& bHandled) override {
        bHandled = false;
        return 0;
    }
    LRESULT HandleMessage(UINT uMsg, WPARAM wParam, LPARAM lParam) override;
    virtual LRESULT HandleCustomMessage(UINT uMsg, WPARAM wParam, LPARAM lParam, bool& bHandled);

    virtual LRESULT OnCreate(UINT uMsg, WPARAM wParam, LPARAM lParam, bool& bHandled);
    virtual LRESULT OnClose(UINT uMsg, WPARAM wParam, LPARAM lParam, bool& bHandled);
    virtual LRESULT OnDestroy(UINT uMsg, WPARAM wParam, LPARAM lParam, bool& bHandled);
    virtual LRESULT OnSysCommand(UINT uMsg, WPARAM wParam, LPARAM lParam, bool& bHandled);
    virtual LRESULT OnSize(UINT uMsg, WPARAM wParam, LPARAM lParam, bool& bHandled);

    CPaintManagerUI* GetPaintManager() { return &m_pm; }
    // Return presses the default button, Escape the cancel button; false when the window has none for the key.
    bool PressKeyButton(int key);
    // The focus starts on the default button, so that the first Return does what the window is for.
    void FocusDefaultButton();
    // The layout's maximise and restore buttons follow the window's state: the one that applies is shown.
    void ShowMaximizeState();
    // A double click on the caption maximises a window that has a maximise button, or restores it.
    void ToggleMaximized();

protected:
    CPaintManagerUI m_pm;
};

// One id per name for the whole process, from 0xC000 up; the same name always gets the same id.
UINT RegisterWindowMessage(const QString& name);

} // namespace pelan
