#pragma once

#include <string>

namespace pelan {

// The program's one settings file: "pelan.conf" under $XDG_CONFIG_HOME (else ~/.config) + "/" + product title.
// It holds "key=value" lines; other lines are kept as they are when a value is written.
inline constexpr const char* kSettingsFileName = "pelan.conf";

std::string settingsFilePath();
// The value of key, "" when the file or the key is missing.
std::string settingsValue(const std::string& key);
// Sets key to value (replacing its line or appending one), creating the folder when missing; the file is replaced
// atomically. False when it cannot be written, or when key or value would break the line format.
bool writeSettingsValue(const std::string& key, const std::string& value);

} // namespace pelan
