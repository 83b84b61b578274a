#pragma once

#include <json/value.h>
#include <string>
#include <vector>

namespace pelan {

// The light names a device page offers: the built-in effects of "default_light.json" with their visibility,
// its lighting areas, and the effects of the user's light configuration file. Each device kind reads its own
// element (deviceIndex: keyboard 0, mouse 1, mousepad 2, headset 3).
struct LightNameLists {
    std::vector<std::string> defaultNames;
    std::vector<bool> defaultVisible;
    std::vector<std::string> areaNames;
    std::vector<std::string> configuredNames;
};

// Each list is refilled only when the tree has the device's element; otherwise it keeps what it held.
void fillDefaultLightNames(const Json::Value& defaultLight, int deviceIndex, LightNameLists& lists);
void fillConfiguredLightNames(const Json::Value& lightConfig, int deviceIndex, LightNameLists& lists);

// Loads both files and fills the lists from them; a missing or broken file leaves its lists unchanged.
void loadLightNameLists(const std::string& defaultLightPath, const std::string& lightConfigPath, int deviceIndex,
                        LightNameLists& lists);

} // namespace pelan
