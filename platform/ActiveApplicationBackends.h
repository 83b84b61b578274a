#pragma once

#include "platform/ActiveApplication.h"

#include <memory>
#include <string>
#include <vector>

// The backends of ActiveApplicationWatch, each made directly by tests and by forThisSession(). None of the factories
// returns null: one that cannot connect returns an unavailable watch with the reason.
namespace pelan {

// The KWin script's D-Bus call: Report(s active, s applications), the applications' resource classes separated by
// line breaks. The script shipped in packaging/kwin/ names these too.
namespace kwinreport {
inline constexpr const char* kService = "org.orvane.Pelan.ActiveApplication";
inline constexpr const char* kPath = "/org/orvane/Pelan/ActiveApplication";
inline constexpr const char* kInterface = "org.orvane.Pelan.ActiveApplication";
inline constexpr const char* kMethod = "Report";
inline constexpr const char* kScriptId = "orvane-pelan-active-application";
} // namespace kwinreport

std::unique_ptr<ActiveApplicationWatch> unavailableActiveApplication(std::string reason);
// The X server of `display` ("" for $DISPLAY).
std::unique_ptr<ActiveApplicationWatch> connectX11ActiveApplication(const std::string& display);
// The Wayland compositor of `display` ("" for $WAYLAND_DISPLAY).
std::unique_ptr<ActiveApplicationWatch> connectWlrootsActiveApplication(const std::string& display);
// Owns kwinreport::kService on the session bus and takes the script's calls.
std::unique_ptr<ActiveApplicationWatch> serveKWinActiveApplication();

// An application id as the desktops' backends accept it: printable UTF-8 without control characters, at most
// kMaxApplicationIdLength bytes. A longer or odd one is somebody's mistake or mischief, not a program's name.
inline constexpr size_t kMaxApplicationIdLength = 255;
bool isAcceptableApplicationId(const std::string& id);
// The id of this program's own windows under Wayland: its executable's name, which Qt gives them as app_id. The
// program's own window in front is no other application: the one before it stays in front for the watch, so
// opening the window to change the profile of the game in front does not first switch the device to another one.
// (Under X11 the window's _NET_WM_PID tells.)
const std::string& thisProgramsApplicationId();

// The ids once each, sorted, without the empty one.
std::vector<std::string> distinctApplications(std::vector<std::string> ids);
// Puts a descriptor that never becomes readable in the place of a lost connection's: a hung-up socket stays readable
// for ever, and an owner still waiting on its number would wake again and again instead of sleeping.
void quietLostConnection(int fd);

} // namespace pelan
