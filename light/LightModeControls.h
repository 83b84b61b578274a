#pragma once

#include <cstdint>

namespace pelan::light {

// Which settings a built-in light mode of a device kind takes, as the lighting panel offers them: the multicolour
// choice, one colour, the effect direction, brightness and speed (each 0 to kLightLevelMax).
struct ModeControls {
    bool multiColour = false;
    bool colour = false;
    bool direction = false;
    bool brightness = false;
    bool speed = false;
};

inline constexpr uint8_t kLightLevelMax = 4;

// For kinds 1 (keyboard), 2 and 6 (mouse), 3 and 7 (mousepad, headset); nothing for a mode or kind without a row.
ModeControls modeControls(int kind, uint8_t mode);

} // namespace pelan::light
