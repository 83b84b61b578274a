#pragma once

#include <array>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "profile/ProfileRecords.h"

// The software light effects the device pages preview: the fixed tables and one generator per light mode. A
// generator advances its effect by one step and rewrites every LED of a frame.
namespace pelan::light {

struct Rgb {
    uint8_t red = 0;
    uint8_t green = 0;
    uint8_t blue = 0;
    friend constexpr bool operator==(const Rgb&, const Rgb&) = default;
};

inline constexpr size_t kWheelSize = 192;
inline constexpr size_t kBreathingSteps = 128;
inline constexpr size_t kFixedColourCount = 4;
inline constexpr size_t kLevelCount = 5;
// How far the colour index of breathing and blink moves at each turn.
inline constexpr uint8_t kColourIndexJump = 16;
inline constexpr std::chrono::milliseconds kBlinkIntervalUnit{200};

// LED value: red, green, blue and brightness in bytes 0 to 3.
using LedValue = uint32_t;
using LedFrame = std::vector<LedValue>;

// The light setting an effect-file step or a "LightList" region stands for: both carry the same fields.
template <class Setting>
LightInfo lightInfoOf(const Setting& setting) {
    LightInfo light;
    light.mode = setting.mode;
    light.brightness = setting.brightness;
    light.speed = setting.speed;
    light.effect = setting.direction;
    light.multiColour = setting.multiColour;
    light.red = setting.red;
    light.green = setting.green;
    light.blue = setting.blue;
    return light;
}

constexpr LedValue packLed(Rgb colour, uint8_t brightness) {
    return LedValue{colour.red} | (LedValue{colour.green} << 8) | (LedValue{colour.blue} << 16) |
           (LedValue{brightness} << 24);
}
constexpr Rgb ledColour(LedValue value) {
    return {uint8_t(value), uint8_t(value >> 8), uint8_t(value >> 16)};
}
constexpr uint8_t ledBrightness(LedValue value) {
    return uint8_t(value >> 24);
}

// The colour wheel: red, yellow, green, cyan, blue, magenta and back, 32 entries per segment.
const std::array<Rgb, kWheelSize>& colourWheel();
// Intensity by breathing step: 64 rising entries up to 255 and the same values falling.
const std::array<uint8_t, kBreathingSteps>& breathingCurve();
const std::array<Rgb, kFixedColourCount>& fixedColours();

// Tables indexed by a level or speed of 0 to 4; a larger value from a damaged profile or device reads as 4.
uint8_t brightnessForLevel(uint8_t level);
// Light-thread passes between two effect steps.
uint8_t stepThresholdForSpeed(uint8_t speed);
std::chrono::milliseconds blinkIntervalForSpeed(uint8_t speed);

// Moves a counter within 0 .. limit - 1 by one: up when `upwards`, wrapping to 0; down otherwise, wrapping to
// limit - 1. A counter found outside the range (left by another effect) restarts at 0.
uint8_t stepCounter(uint8_t counter, uint8_t limit, bool upwards);

// The colour `light` asks for, and the wheel entry at an index taken modulo the wheel size.
Rgb lightColour(const LightInfo& light);
Rgb wheelColour(size_t index);

// Progress of one page's software effect. `blinkTick` is the time of the last blink toggle.
struct EffectCounters {
    uint8_t effectStep = 0;       // breathing and cycle intensity
    uint8_t effectColourStep = 0; // wheel index, or fixed colour index for cycle and blink-cycle
    uint8_t blinkOn = 0;
    std::chrono::milliseconds blinkTick{0};
};

// The generators. Each takes the light setting and the counters, advances the counters by one step and fills
// every LED of `frame` (its size is the LED count). `now` is a monotonic time for the blink effects.
void spectrum(const LightInfo& light, EffectCounters& counters, LedFrame& frame);
void breathing(const LightInfo& light, EffectCounters& counters, LedFrame& frame);
void cycle(const LightInfo& light, EffectCounters& counters, LedFrame& frame);
void staticColour(const LightInfo& light, LedFrame& frame);
void blink(const LightInfo& light, EffectCounters& counters, LedFrame& frame, std::chrono::milliseconds now);
void blinkCycle(const LightInfo& light, EffectCounters& counters, LedFrame& frame, std::chrono::milliseconds now);
void off(LedFrame& frame);
// A rainbow across the LEDs that moves one wheel entry per step; neighbouring LEDs are 7 entries apart.
void wave(const LightInfo& light, EffectCounters& counters, LedFrame& frame);

// The light stream's frame: three bytes per LED (each colour times brightness, shifted right by 8). The LED at
// `skippedLed` has no light of its own on the device; its bytes stay 0.
inline constexpr size_t kNoSkippedLed = SIZE_MAX;
std::vector<uint8_t> streamFrame(const LedFrame& frame, size_t skippedLed);

} // namespace pelan::light
