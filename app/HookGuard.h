#pragma once

#include <QObject>
#include <QPointer>
#include <QTimer>
#include <chrono>
#include <cstdint>
#include <functional>

class QWidget;

namespace pelan {

// Keeps the input hook from outliving what the user can see and stop. While armed it watches the control that asked
// for the hook (a recording macro editor, a capturing key field) and the window: the hook is let go as soon as the
// control is hidden (its page or tab left the front, the window went to the tray or was minimised) or destroyed, and
// when no input has come for the idle limit, so a forgotten recording cannot hold the keyboard for good (a screen
// locker could not lock).
class HookGuard : public QObject {
public:
    // `release` ends the recording or capture and removes the hook; it gets a short reason for the trace.
    using Release = std::function<void(const char* reason)>;

    explicit HookGuard(Release release);

    // Watches `holder` from now on; `idleMilliseconds` tells how long the hook has gone without input. A holder that
    // is already out of sight is let go at once.
    void arm(QWidget* holder, std::function<uint64_t()> idleMilliseconds);
    void disarm();
    bool armed() const { return holder_ != nullptr; }

    // Ten minutes; PELAN_HOOK_IDLE_SECONDS sets another limit (the tests use a short one).
    static std::chrono::milliseconds idleLimit();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void letGo(const char* reason);
    void checkIdle();

    Release release_;
    QPointer<QWidget> holder_;
    QMetaObject::Connection destroyed_;
    std::function<uint64_t()> idleMilliseconds_;
    QTimer watchdog_;
};

} // namespace pelan
