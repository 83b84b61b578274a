#pragma once

#include <chrono>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "light/LightEffects.h"
#include "profile/ProfileRecords.h"

namespace pelan {

class CKeyboardProfiledata;

namespace keyboard {

// The keyboard's custom light mode: one colour per LED, kept per custom group in the profile. A lit LED holds its
// colour with alpha 255; an unlit one is black with alpha 0, which is also what a group never painted reads as.
// The custom mode chosen in the light configuration may bring an effect list: its entries then set the brightness
// of the lit LEDs, each entry with its own mode and speed for its time in milliseconds, after the last the first
// again. Without a list the lit LEDs shine steadily.
class CustomLight {
public:
    // The light mode in which the keyboard shows these colours.
    static constexpr uint8_t kMode = 8;
    static constexpr size_t kLedCount = 126;
    static constexpr uint8_t kLitAlpha = 255;

    CustomLight();

    int group() const { return group_; }
    const std::vector<RgbaColour>& colours() const { return colours_; }

    // Takes group `group` and its colours from the profile; a negative group counts as 0.
    void load(CKeyboardProfiledata& profile, int group);
    // Lights the given LEDs in `colour`, or makes them unlit. LEDs outside the keyboard are skipped. Returns how
    // many LEDs were painted.
    size_t paint(std::span<const int> leds, bool lit, light::Rgb colour);
    // Writes the colours and the group into the profile's node (the caller saves the file).
    void store(CKeyboardProfiledata& profile) const;

    // The effect list of the chosen custom mode; playing starts again from its first entry.
    void setEffects(std::vector<LedEffectStep> effects);
    const std::vector<LedEffectStep>& effects() const { return effects_; }
    // The effect entry due at `now`; none without an effect list.
    std::optional<LedEffectStep> effectAt(std::chrono::milliseconds now);
    // The entry being played; none without an effect list.
    const LedEffectStep* playing() const { return effects_.empty() ? nullptr : &effects_[entry_]; }

    // The on-screen frame: each LED's colour at full brightness, unlit LEDs dark.
    light::LedFrame frame() const;
    // The frame with each lit LED at the brightness an effect generator left in `effectFrame` for it.
    light::LedFrame frame(const light::LedFrame& effectFrame) const;
    // What the keyboard receives: red, green, blue of every LED in LED order, unlit LEDs as 0.
    std::vector<uint8_t> wireBytes() const;

private:
    int group_ = 0;
    std::vector<RgbaColour> colours_;
    std::vector<LedEffectStep> effects_;
    size_t entry_ = 0;
    std::optional<std::chrono::milliseconds> entryStart_;
};

} // namespace keyboard
} // namespace pelan
