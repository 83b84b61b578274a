#pragma once

#include <string>

// The XDG autostart entry that starts the program with the desktop, hidden in the tray: a desktop entry in
// $XDG_CONFIG_HOME/autostart/ (else ~/.config/autostart/) whose Exec line starts the program with --minimized.
namespace pelan {

// The reverse-DNS name of the program's desktop entry, of its AppStream file and of its autostart entry.
inline constexpr const char* kDesktopAppId = "com.orvane.Pelan";

std::string autostartEntryPath();
bool autostartEnabled();

// Writes the entry for `program` (an absolute path) or removes it. Returns "" on success, else why it failed.
std::string setAutostart(bool enabled, const std::string& program);

// The desktop entry text that starts `program --minimized`.
std::string autostartEntryText(const std::string& program);

} // namespace pelan
