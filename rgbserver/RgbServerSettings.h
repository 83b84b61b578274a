#pragma once

#include "rgbserver/SdkServer.h"

namespace pelan::rgb {

// The server's settings in the program's settings file: "RgbServer" (1: serve when the window starts; off unless
// switched on), "RgbServerAddress" and "RgbServerPort" (127.0.0.1 and 6742 unless set), "RgbServerAllowRemote"
// (1: an address other than loopback may be used).
inline constexpr const char* kEnabledKey = "RgbServer";
inline constexpr const char* kAddressKey = "RgbServerAddress";
inline constexpr const char* kPortKey = "RgbServerPort";
inline constexpr const char* kAllowRemoteKey = "RgbServerAllowRemote";

// The stored address, port and permission; a value that cannot be used leaves its default.
ServerSettings storedServerSettings();
bool storedServerEnabled();
// False when the settings file cannot be written.
bool storeServerEnabled(bool enabled);

} // namespace pelan::rgb
