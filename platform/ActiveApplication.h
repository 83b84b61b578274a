#pragma once

#include <memory>
#include <string>
#include <vector>

namespace pelan {

// Which application's window is in front, as the desktop tells it, without looking every so often. The owner waits
// until fd() is readable (the window with a socket notifier, pelanctl with poll) and then calls takeChanges().
// Backends: X11 (_NET_ACTIVE_WINDOW on the root window, the window's WM_CLASS), wlroots-based Wayland compositors
// (the foreign-toplevel protocol's app_id and activated state), and KDE Plasma on Wayland (a KWin script that calls
// our D-Bus method with the active window's resource class). Elsewhere the watch says why it is unavailable.
//
// The id of an application is one string, compared exactly (a link names it as `pelanctl active-app` prints it):
// - X11: the class of the window's WM_CLASS (its second string, "firefox", "steam_app_570"), or the instance (the
//   first string) when a window gives no class. The class is what Wayland compositors report for the same program
//   running under Xwayland, so a link made on one desktop keeps working on the other.
// - wlroots: the toplevel's app_id.
// - KWin: the window's resource class, which KWin takes from the app_id, or from WM_CLASS under Xwayland.
class ActiveApplicationWatch {
public:
    virtual ~ActiveApplicationWatch() = default;

    // The backend for the session this process runs in; never null (an unavailable one says why).
    static std::unique_ptr<ActiveApplicationWatch> forThisSession();

    // The desktop backend's name ("X11", "wlroots", "KWin"); "" for a watch that stands for none.
    virtual std::string backend() const { return {}; }
    // "" while the watch works; else why it cannot (shown in the profile panel and by pelanctl).
    virtual std::string unavailableReason() const = 0;
    // The descriptor to wait on; -1 when there is nothing to wait for. When the desktop's connection is lost,
    // takeChanges() says so in unavailableReason() and the number stays open but never becomes readable again.
    virtual int fd() const = 0;
    // Reads what arrived, without blocking; true when the application in front changed since the last call.
    virtual bool takeChanges() = 0;
    // The id of the application in front, "" when none is known.
    virtual std::string activeApplication() const = 0;
    // The ids of the applications that have windows now, each once, sorted.
    virtual std::vector<std::string> applications() const = 0;
};

} // namespace pelan
