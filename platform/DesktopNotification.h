#pragma once

#include <string>

namespace pelan {

// A desktop notification: the freedesktop Notify call to org.freedesktop.Notifications on the session bus.
struct DesktopNotification {
    std::string summary;
    std::string body;
    std::string icon;         // an icon name of the theme or a picture's absolute path
    std::string desktopEntry; // the program's desktop entry name (hint "desktop-entry"), "" for none
    int urgency = 1;          // 0 low, 1 normal, 2 critical (hint "urgency")
};

// Sends the notification and waits up to a second for the server to take it. "" when it was taken, else why not
// (no session bus, no notification server, an error of the server).
std::string sendDesktopNotification(const DesktopNotification& notification);

} // namespace pelan
