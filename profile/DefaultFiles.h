#pragma once

#include <string>
#include <string_view>

namespace pelan {

// Names and places of the factory files and the light configuration files.
inline constexpr std::string_view kProfileExtension = ".Json";
inline constexpr std::string_view kDefaultLightFile = "default_light.json";
inline constexpr std::string_view kLightConfigStem = "tavix_light";
inline constexpr std::string_view kLightConfigExtension = ".config";
inline constexpr std::string_view kLightEffectExtension = ".light";

// The default profile of a device kind: default data folder + deviceFolderName + ".Json".
std::string defaultProfilePath(std::string_view deviceFolderName);
// The default data folder's "default_light.json".
std::string defaultLightPath();
// The light configuration file of a user device folder: folder + "tavix_light.config".
std::string lightConfigPath(const std::string& userDeviceFolder);

// Gives a user device folder the shipped light configuration and the effect files it names, each when the folder
// lacks it, so the light effect list and the effect names load on first use. The user's own files are never
// replaced.
void provideLightFiles(const std::string& userDeviceFolder);

} // namespace pelan
