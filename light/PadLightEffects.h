#pragma once

#include <array>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "light/LightEffects.h"
#include "profile/ProfileRecords.h"

// The mousepad's own light effects (the pad numbers its modes differently from the mouse), the per-region
// overlay of the profile's "LightList", and the effect state a region or the whole pad animates on.
namespace pelan::padlight {

inline constexpr size_t kLedCount = 23;

// Light modes of the pad. Modes 5 and above 8 run the custom effect list instead.
enum Mode : uint8_t {
    kWave = 0,
    kSpectrum = 1,
    kBreathing = 2,
    kStatic = 3,
    kBlink = 4,
    kRippleA = 6,
    kRippleB = 7,
    kOff = 8,
};
// A "LightList" region in this mode is dark.
inline constexpr uint8_t kDarkRegionMode = 4;

inline constexpr size_t kWaveCurveSize = 96;
// Entries 16 to 63 of the breathing curve's rising half, then the same values falling.
const std::array<uint8_t, kWaveCurveSize>& padWaveCurve();

// Ripple A runs along all LEDs. Ripple B runs from the middle LED (LED 11 of the pad's 23) outwards over eight
// places: the middle LED, then the seven pairs of LEDs at distance 1 to 7 from it; LEDs further out follow the
// seventh pair.
inline constexpr size_t kRippleAPlaces = kLedCount;
inline constexpr size_t kRippleBPlaces = 8;
// Ripple fronts start every eight places: a bright cell with a fading tail of two cells.
inline constexpr std::array<uint8_t, 8> kRippleMarks = {255, 160, 64, 0, 0, 0, 0, 0};
// Wheel entries between neighbouring LEDs (A) or places (B) of a multicolour ripple.
inline constexpr size_t kRippleColourSpacing = 12;

struct RippleState {
    std::array<uint8_t, kRippleAPlaces> places{}; // effect value per place
    uint8_t shifts = 0;                           // shifts done, for the spacing of the fronts
    bool shiftPass = false;                       // the buffer moves every second pass
};

// Everything one animated area needs: the shared effect counters, the ripple buffer, and the light-thread passes
// counted towards the next step.
struct EffectState {
    light::EffectCounters counters;
    RippleState ripple;
    uint8_t passes = 0;
};

// The place of ripple B an LED of a strip of `ledCount` belongs to.
size_t rippleBPlace(size_t led, size_t ledCount = kLedCount);

void padWave(const LightInfo& light, light::EffectCounters& counters, light::LedFrame& frame);
void rippleA(const LightInfo& light, EffectState& state, light::LedFrame& frame);
void rippleB(const LightInfo& light, EffectState& state, light::LedFrame& frame);

// Runs one step of the pad mode `light.mode`. False (frame untouched) for a mode without a generator of its own.
bool runEffect(const LightInfo& light, EffectState& state, light::LedFrame& frame, std::chrono::milliseconds now);

// Counts light-thread passes; true when they reached the step threshold of `speed` (and the count restarted).
bool passDue(EffectState& state, uint8_t speed, unsigned passes);
// Passes still to go before the next step at `speed`; at least 1.
unsigned passesUntilDue(const EffectState& state, uint8_t speed);

// Plays a custom light effect list: each entry shows its own mode, colour and speed for its time (milliseconds)
// times its cycle count (at least once), then the next entry follows, after the last the first again.
class CustomEffectPlayer {
public:
    // Advances by `elapsed` and runs one step of the current entry's effect; an empty list is off. False when the
    // entry's mode has no generator (the frame is then off).
    bool step(const std::vector<LedEffectStep>& steps, std::chrono::milliseconds elapsed, EffectState& state,
              light::LedFrame& frame, std::chrono::milliseconds now);
    size_t entry() const { return entry_; }
    void reset() { *this = CustomEffectPlayer{}; }

private:
    size_t entry_ = 0;
    std::chrono::milliseconds shown_{0};
};

// The LEDs of region `region` when the pad's LEDs are split evenly over `regionCount` regions, in order.
struct LedRange {
    size_t first = 0;
    size_t count = 0;
};
LedRange regionLeds(size_t region, size_t regionCount, size_t ledCount);

} // namespace pelan::padlight
