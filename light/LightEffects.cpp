#include "light/LightEffects.h"

#include <algorithm>

namespace pelan::light {
namespace {

constexpr size_t kSegment = 32;

constexpr std::array<uint8_t, kSegment> kRisingRamp = {1,   3,   5,   7,   10,  14,  18,  22,  26,  32,  38,
                                                       44,  50,  57,  65,  73,  81,  89,  99,  109, 119, 129,
                                                       140, 152, 164, 176, 188, 200, 213, 227, 241, 255};
constexpr std::array<uint8_t, kSegment> kFallingRamp = {248, 234, 220, 206, 194, 182, 170, 158, 146, 134, 124,
                                                        114, 104, 94,  85,  77,  69,  61,  53,  47,  41,  35,
                                                        29,  24,  20,  16,  12,  8,   6,   4,   2,   0};
constexpr std::array<uint8_t, kBreathingSteps / 2> kBreathingRise = {
    0,   1,   2,   3,   4,   5,   6,   7,   8,   9,   10,  12,  14,  16,  18,  20,  22,  24,  27,  30,  33,  36,
    39,  42,  45,  49,  53,  57,  61,  65,  69,  73,  77,  81,  85,  89,  94,  99,  104, 109, 114, 119, 124, 129,
    134, 140, 146, 152, 158, 164, 170, 176, 182, 188, 194, 200, 206, 213, 220, 227, 234, 241, 248, 255};

constexpr std::array<uint8_t, kLevelCount> kBrightnessLevels = {30, 80, 135, 195, 255};
constexpr std::array<uint8_t, kLevelCount> kStepThresholds = {28, 23, 18, 13, 7};
constexpr std::array<uint8_t, kLevelCount> kBlinkIntervals = {28, 23, 18, 13, 7};

std::array<Rgb, kWheelSize> makeWheel() {
    std::array<Rgb, kWheelSize> wheel{};
    for (size_t i = 0; i < kSegment; ++i) {
        const uint8_t up = kRisingRamp[i];
        const uint8_t down = kFallingRamp[i];
        wheel[i] = {255, up, 0};
        wheel[kSegment + i] = {down, 255, 0};
        wheel[2 * kSegment + i] = {0, 255, up};
        wheel[3 * kSegment + i] = {0, down, 255};
        wheel[4 * kSegment + i] = {up, 0, 255};
        wheel[5 * kSegment + i] = {255, 0, down};
    }
    return wheel;
}

std::array<uint8_t, kBreathingSteps> makeBreathingCurve() {
    std::array<uint8_t, kBreathingSteps> curve{};
    std::copy(kBreathingRise.begin(), kBreathingRise.end(), curve.begin());
    std::copy(kBreathingRise.rbegin(), kBreathingRise.rend(), curve.begin() + kBreathingRise.size());
    return curve;
}

uint8_t levelIndex(uint8_t value) {
    return std::min<uint8_t>(value, kLevelCount - 1);
}

// The next colour index of breathing and blink: 16 entries on, back to the start past the wheel's end.
uint8_t nextWheelTurn(uint8_t index) {
    const unsigned next = unsigned(index) + kColourIndexJump;
    return next >= kWheelSize ? 0 : uint8_t(next);
}

uint8_t nextFixedColour(uint8_t index) {
    return uint8_t((index % kFixedColourCount + 1) % kFixedColourCount);
}

uint8_t scaled(uint8_t value, uint8_t factor) {
    return uint8_t((unsigned(value) * factor) >> 8);
}

void fill(LedFrame& frame, Rgb colour, uint8_t brightness) {
    std::fill(frame.begin(), frame.end(), packLed(colour, brightness));
}

// Advances the breathing intensity; true when it has just landed on the start of a breath.
bool stepBreath(const LightInfo& light, EffectCounters& counters) {
    counters.effectStep = stepCounter(counters.effectStep, kBreathingSteps, light.effect != 0);
    return counters.effectStep == 0;
}

uint8_t breathBrightness(const LightInfo& light, const EffectCounters& counters) {
    return scaled(breathingCurve()[counters.effectStep], brightnessForLevel(light.brightness));
}

// Flips the blink state when its interval has passed; true when it flipped.
bool blinkDue(const LightInfo& light, EffectCounters& counters, std::chrono::milliseconds now) {
    if (now - counters.blinkTick < blinkIntervalForSpeed(light.speed))
        return false;
    counters.blinkOn = counters.blinkOn ? 0 : 1;
    counters.blinkTick = now;
    return true;
}

void showBlink(Rgb colour, const LightInfo& light, const EffectCounters& counters, LedFrame& frame) {
    if (counters.blinkOn)
        fill(frame, colour, brightnessForLevel(light.brightness));
    else
        off(frame);
}

} // namespace

const std::array<Rgb, kWheelSize>& colourWheel() {
    static const std::array<Rgb, kWheelSize> wheel = makeWheel();
    return wheel;
}

const std::array<uint8_t, kBreathingSteps>& breathingCurve() {
    static const std::array<uint8_t, kBreathingSteps> curve = makeBreathingCurve();
    return curve;
}

const std::array<Rgb, kFixedColourCount>& fixedColours() {
    static constexpr std::array<Rgb, kFixedColourCount> colours = {Rgb{0, 255, 180}, Rgb{0, 255, 0}, Rgb{255, 255, 255},
                                                                   Rgb{255, 0, 0}};
    return colours;
}

uint8_t brightnessForLevel(uint8_t level) {
    return kBrightnessLevels[levelIndex(level)];
}

uint8_t stepThresholdForSpeed(uint8_t speed) {
    return kStepThresholds[levelIndex(speed)];
}

std::chrono::milliseconds blinkIntervalForSpeed(uint8_t speed) {
    return kBlinkIntervalUnit * kBlinkIntervals[levelIndex(speed)];
}

uint8_t stepCounter(uint8_t counter, uint8_t limit, bool upwards) {
    if (limit == 0 || counter >= limit)
        return 0;
    if (upwards)
        return counter + 1 == limit ? 0 : uint8_t(counter + 1);
    return counter == 0 ? uint8_t(limit - 1) : uint8_t(counter - 1);
}

Rgb lightColour(const LightInfo& light) {
    return {light.red, light.green, light.blue};
}

Rgb wheelColour(size_t index) {
    return colourWheel()[index % kWheelSize];
}

void spectrum(const LightInfo& light, EffectCounters& counters, LedFrame& frame) {
    counters.effectColourStep = stepCounter(counters.effectColourStep, kWheelSize, light.effect != 0);
    fill(frame, wheelColour(counters.effectColourStep), brightnessForLevel(light.brightness));
}

void breathing(const LightInfo& light, EffectCounters& counters, LedFrame& frame) {
    if (stepBreath(light, counters))
        counters.effectColourStep = nextWheelTurn(counters.effectColourStep);
    const Rgb colour = light.multiColour ? wheelColour(counters.effectColourStep) : lightColour(light);
    fill(frame, colour, breathBrightness(light, counters));
}

void cycle(const LightInfo& light, EffectCounters& counters, LedFrame& frame) {
    if (stepBreath(light, counters))
        counters.effectColourStep = nextFixedColour(counters.effectColourStep);
    const Rgb colour = fixedColours()[counters.effectColourStep % kFixedColourCount];
    fill(frame, colour, breathBrightness(light, counters));
}

void staticColour(const LightInfo& light, LedFrame& frame) {
    fill(frame, lightColour(light), brightnessForLevel(light.brightness));
}

void blink(const LightInfo& light, EffectCounters& counters, LedFrame& frame, std::chrono::milliseconds now) {
    if (blinkDue(light, counters, now))
        counters.effectColourStep = nextWheelTurn(counters.effectColourStep);
    const Rgb colour = light.multiColour ? wheelColour(counters.effectColourStep) : lightColour(light);
    showBlink(colour, light, counters, frame);
}

void blinkCycle(const LightInfo& light, EffectCounters& counters, LedFrame& frame, std::chrono::milliseconds now) {
    if (blinkDue(light, counters, now))
        counters.effectColourStep = nextFixedColour(counters.effectColourStep);
    showBlink(fixedColours()[counters.effectColourStep % kFixedColourCount], light, counters, frame);
}

void off(LedFrame& frame) {
    std::fill(frame.begin(), frame.end(), LedValue{0});
}

void wave(const LightInfo& light, EffectCounters& counters, LedFrame& frame) {
    counters.effectColourStep = stepCounter(counters.effectColourStep, kWheelSize, light.effect != 0);
    const uint8_t brightness = brightnessForLevel(light.brightness);
    size_t index = (size_t{counters.effectColourStep} + 1) % kWheelSize;
    for (LedValue& led : frame) {
        led = packLed(wheelColour(index), brightness);
        index = (index + 7) % kWheelSize;
    }
}

std::vector<uint8_t> streamFrame(const LedFrame& frame, size_t skippedLed) {
    std::vector<uint8_t> bytes(frame.size() * 3, 0);
    for (size_t i = 0; i < frame.size(); ++i) {
        if (i == skippedLed)
            continue;
        const Rgb colour = ledColour(frame[i]);
        const uint8_t brightness = ledBrightness(frame[i]);
        bytes[3 * i] = scaled(colour.red, brightness);
        bytes[3 * i + 1] = scaled(colour.green, brightness);
        bytes[3 * i + 2] = scaled(colour.blue, brightness);
    }
    return bytes;
}

} // namespace pelan::light
