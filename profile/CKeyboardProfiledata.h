#pragma once

#include "profile/CBasicProfiledata.h"

namespace pelan {

// Keyboard profile: system settings and the colours of the custom light mode.
class CKeyboardProfiledata : public CBasicProfiledata {
public:
    // word0: "Repeat" | "RepeatDelay" << 16; word1: "Key6Flag" | "PollingRate" << 16; word2: "WFlag" | "WinFlag" << 16.
    SystemWords readKeyboardSystem();
    void writeKeyboardSystem(const SystemWords& words);
    const SystemWords& getKeyboardSystem() const { return keyboardSystem; }

    // Colours of group `group`; a missing colour is stored as black with alpha 0 and read as such.
    std::vector<RgbaColour> readCustomLightColours(int group, int count);
    void writeCustomLightColours(const std::vector<RgbaColour>& colours, int group);
    const std::vector<RgbaColour>& getCustomLightColours() const { return customLightColours; }

    int readCustomLightGroup();
    void writeCustomLightGroup(int group);

private:
    SystemWords keyboardSystem;
    std::vector<RgbaColour> customLightColours;
    int customLightGroup = 0;
};

} // namespace pelan
