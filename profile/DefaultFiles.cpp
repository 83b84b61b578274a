#include "profile/DefaultFiles.h"

#include "platform/Paths.h"

namespace pelan {

std::string defaultProfilePath(std::string_view deviceFolderName) {
    return defaultDataFolder() + std::string(deviceFolderName) + std::string(kProfileExtension);
}

std::string defaultLightPath() {
    return defaultDataFolder() + std::string(kDefaultLightFile);
}

std::string lightConfigPath(const std::string& userDeviceFolder) {
    return withTrailingSlash(userDeviceFolder) + std::string(kLightConfigStem) + std::string(kLightConfigExtension);
}

} // namespace pelan
