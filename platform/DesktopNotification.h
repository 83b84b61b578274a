#pragma once

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <utility>

namespace pelan {

// A desktop notification: the freedesktop Notify call to org.freedesktop.Notifications on the session bus.
struct DesktopNotification {
    std::string summary;
    std::string body;
    std::string icon;         // an icon name of the theme or a picture's absolute path
    std::string desktopEntry; // the program's desktop entry name (hint "desktop-entry"), "" for none
    int urgency = 1;          // 0 low, 1 normal, 2 critical (hint "urgency")
    uint32_t replacesId = 0;  // the server's id of a notification this one replaces, 0 for a new one
};

// Sends the notification and waits up to a second for the server to take it. "" when it was taken, else why not
// (no session bus, no notification server, an error of the server). `shownId` receives the server's id for it.
std::string sendDesktopNotification(const DesktopNotification& notification, uint32_t* shownId = nullptr);

// Sends notifications one after the other on a thread of its own, started by the first, so the caller never waits
// for the notification server. The thread sleeps while there is nothing to send.
class DesktopNotifier {
public:
    // What a send returned ("" when shown), on the notifier's thread.
    using Done = std::function<void(const std::string& error)>;

    DesktopNotifier() = default;
    // Waits for a send under way (a second at most); notifications not yet sent are dropped.
    ~DesktopNotifier();
    DesktopNotifier(const DesktopNotifier&) = delete;
    DesktopNotifier& operator=(const DesktopNotifier&) = delete;

    void post(DesktopNotification notification, Done done = {});
    // A notification that takes the place of the previous one posted this way, where the server still shows it,
    // instead of stacking beside it (freedesktop replaces_id).
    void postReplacing(DesktopNotification notification);

private:
    struct Queued {
        DesktopNotification notification;
        Done done;
        bool replacing = false;
    };
    void enqueue(Queued queued);
    void run();

    std::mutex mutex_;
    std::condition_variable wake_;
    std::deque<Queued> queue_;
    // The server's id of the last notification posted with postReplacing (notifier thread only).
    uint32_t replacingId_ = 0;
    bool stopping_ = false;
    std::thread thread_;
};

} // namespace pelan
