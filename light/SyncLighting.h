#pragma once

#include <chrono>
#include <cstdint>
#include <mutex>
#include <optional>

#include "light/LightEffects.h"
#include "profile/ProfileRecords.h"

// Synchronised lighting: one software effect computed on the host and shown by every connected device at once.
// The selected page's light setting is turned into one of five shared effects; each device kind numbers those
// effects with modes of its own.
namespace pelan::light {

enum class SyncEffect : uint8_t {
    Breathing = 0,
    Static = 1,
    Blink = 2,
    Spectrum = 3,
    Off = 4,
};

// The shared effect and the fields of the light setting it was taken from.
struct SyncSetting {
    SyncEffect effect = SyncEffect::Off;
    uint8_t brightness = 0;
    uint8_t speed = 0;
    uint8_t direction = 0; // 1 counts the breathing up, 0 down
    uint8_t multiColour = 0;
    Rgb colour;
    friend bool operator==(const SyncSetting&, const SyncSetting&) = default;
};

// Where the effects stand between two steps.
struct SyncProgress {
    uint8_t breathingStep = 0;
    uint8_t breathingColour = 0;
    uint8_t spectrumColour = 0;
    uint8_t blinkColour = 0;
    bool blinkOn = false;
    std::chrono::milliseconds lastToggle{0};
};

// The shared effect a light mode of a device kind stands for (keyboard 1, mouse 2 and 6, mousepad 3, headset 7);
// nothing for a mode outside the kind's column.
std::optional<SyncEffect> syncEffectOfMode(int kind, uint8_t mode);
// The mode a device kind shows a shared effect with; nothing for a kind without a column.
std::optional<uint8_t> syncModeOf(int kind, SyncEffect effect);

// The 8-bit counters of the effects: up by `step` wraps to 0 at `limit`, down wraps to limit - step.
uint8_t countUp(uint8_t counter, uint8_t step, uint8_t limit);
uint8_t countDown(uint8_t counter, uint8_t step, uint8_t limit);

// One step of an effect: the colour and brightness every device shows next, packed as an LED value. `now` is a
// monotonic time for the blink.
LedValue syncStep(const SyncSetting& setting, SyncProgress& progress, std::chrono::milliseconds now);

// The process-wide shared state: written by the user's "same mode" choice on the UI thread, stepped by the
// lighting sync thread.
class SyncLighting {
public:
    // Takes the setting of a page of `kind`; false (state unchanged) when its mode has no shared effect.
    bool adopt(int kind, const LightInfo& light);
    SyncSetting setting() const;
    // Advances the effect by one step.
    LedValue step(std::chrono::milliseconds now);
    // Time between two steps when the step counter moves once per `tick`.
    std::chrono::milliseconds stepInterval(std::chrono::milliseconds tick) const;
    SyncProgress progress() const;

private:
    mutable std::mutex lock_;
    SyncSetting setting_;
    SyncProgress progress_;
};

} // namespace pelan::light
