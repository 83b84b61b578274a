#include "rgbserver/RgbServerSettings.h"

#include <charconv>

#include "platform/SettingsFile.h"

namespace pelan::rgb {

ServerSettings storedServerSettings() {
    ServerSettings settings;
    if (const std::string address = settingsValue(kAddressKey); !address.empty())
        settings.address = address;
    const std::string port = settingsValue(kPortKey);
    unsigned value = 0;
    const auto [end, error] = std::from_chars(port.data(), port.data() + port.size(), value);
    if (error == std::errc() && end == port.data() + port.size() && value > 0 && value <= UINT16_MAX)
        settings.port = uint16_t(value);
    settings.allowRemote = settingsValue(kAllowRemoteKey) == "1";
    return settings;
}

bool storedServerEnabled() {
    return settingsValue(kEnabledKey) == "1";
}

bool storeServerEnabled(bool enabled) {
    return writeSettingsValue(kEnabledKey, enabled ? "1" : "0");
}

} // namespace pelan::rgb
