#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

namespace pelan::light {

// The groups of the lighting panel that a built-in mode can switch.
enum class LightGroup : uint8_t { MultiColour, Colour, Palette, Direction, Brightness, Speed, Custom, SameMode, Count };
inline constexpr std::size_t kLightGroupCount = size_t(LightGroup::Count);

// What a mode does to one group.
enum class Look : uint8_t {
    Keep,          // left as it is
    Enabled,       // enabled, visibility as it is
    Disabled,      // disabled, visibility as it is
    Shown,         // enabled and shown
    Hidden,        // disabled and hidden
    EnabledHidden, // enabled but hidden
    Visible,       // shown, enabled state as it is
    Invisible,     // hidden, enabled state as it is
    Offered,       // shown exactly when the main window allows it
};
using Looks = std::array<Look, kLightGroupCount>;

// The looks of a device kind's groups for one mode: `before` goes first for every mode, then `row`.
struct ModeLayout {
    const Looks* before;
    const Looks* row;
};
// For kinds 1 (keyboard), 2 (mouse), 3, 4 and 7 (mousepad, headset) and 5; every group kept for other kinds.
ModeLayout modeLayout(int kind, int mode);

// Which settings a built-in light mode offers, read off the same layout: the multicolour choice, one colour, the
// effect direction, brightness and speed (each 0 to kLightLevelMax). A group the panel hides counts as not offered.
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
