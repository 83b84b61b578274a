#include "light/PadLightEffects.h"

#include <algorithm>

namespace pelan::padlight {

namespace {

constexpr size_t kWaveCurveFirst = 16;
constexpr size_t kWaveCurveRise = kWaveCurveSize / 2;
constexpr size_t kWaveLedSpacing = 7;

std::array<uint8_t, kWaveCurveSize> makeWaveCurve() {
    std::array<uint8_t, kWaveCurveSize> curve{};
    const auto& breath = light::breathingCurve();
    const auto rise = breath.begin() + kWaveCurveFirst;
    std::copy(rise, rise + kWaveCurveRise, curve.begin());
    std::reverse_copy(rise, rise + kWaveCurveRise, curve.begin() + kWaveCurveRise);
    return curve;
}

uint8_t scaled(uint8_t value, uint8_t factor) {
    return uint8_t((unsigned(value) * factor) >> 8);
}

// A value fades by a sixteenth at every pass, so a front has faded to a twentieth when it reaches the far end.
uint8_t decayed(uint8_t value) {
    return uint8_t(value - (value >> 4));
}

// Every second pass: the buffer moves one place in the light direction and a new mark enters at its start.
void moveRipple(RippleState& ripple, size_t places, bool forwards) {
    ripple.shiftPass = !ripple.shiftPass;
    if (!ripple.shiftPass)
        return;
    const uint8_t mark = kRippleMarks[ripple.shifts % kRippleMarks.size()];
    ripple.shifts = uint8_t((ripple.shifts + 1) % kRippleMarks.size());
    auto begin = ripple.places.begin();
    auto end = begin + std::ptrdiff_t(places);
    if (forwards) {
        std::shift_right(begin, end, 1);
        *begin = mark;
    } else {
        std::shift_left(begin, end, 1);
        *(end - 1) = mark;
    }
}

void decayRipple(RippleState& ripple, size_t places) {
    for (size_t i = 0; i < places; ++i)
        ripple.places[i] = decayed(ripple.places[i]);
}

light::Rgb rippleColour(const LightInfo& light, const light::EffectCounters& counters, size_t unit) {
    if (!light.multiColour)
        return light::lightColour(light);
    return light::wheelColour(size_t{counters.effectColourStep} + kRippleColourSpacing * unit);
}

void stepRipple(const LightInfo& light, EffectState& state, size_t places) {
    state.counters.effectColourStep =
        light::stepCounter(state.counters.effectColourStep, light::kWheelSize, light.effect != 0);
    moveRipple(state.ripple, places, light.effect != 0);
    decayRipple(state.ripple, places);
}

} // namespace

const std::array<uint8_t, kWaveCurveSize>& padWaveCurve() {
    static const std::array<uint8_t, kWaveCurveSize> curve = makeWaveCurve();
    return curve;
}

size_t rippleBPlace(size_t led, size_t ledCount) {
    const size_t middle = ledCount / 2;
    const size_t distance = led > middle ? led - middle : middle - led;
    return std::min(distance, kRippleBPlaces - 1);
}

void padWave(const LightInfo& light, light::EffectCounters& counters, light::LedFrame& frame) {
    if (light.multiColour) {
        // A rainbow across the pad: neighbouring LEDs 7 wheel entries apart, moving one entry per step.
        light::wave(light, counters, frame);
        return;
    }
    counters.effectColourStep = light::stepCounter(counters.effectColourStep, kWaveCurveSize, light.effect != 0);
    const light::Rgb colour = light::lightColour(light);
    const uint8_t brightness = light::brightnessForLevel(light.brightness);
    size_t index = (size_t{counters.effectColourStep} + 1) % kWaveCurveSize;
    for (light::LedValue& led : frame) {
        led = light::packLed(colour, scaled(brightness, padWaveCurve()[index]));
        index = (index + kWaveLedSpacing) % kWaveCurveSize;
    }
}

void rippleA(const LightInfo& light, EffectState& state, light::LedFrame& frame) {
    const size_t places = std::min(frame.size(), kRippleAPlaces);
    stepRipple(light, state, places);
    const uint8_t brightness = light::brightnessForLevel(light.brightness);
    for (size_t led = 0; led < frame.size(); ++led) {
        const uint8_t value = led < places ? state.ripple.places[led] : 0;
        frame[led] = light::packLed(rippleColour(light, state.counters, led), scaled(brightness, value));
    }
}

void rippleB(const LightInfo& light, EffectState& state, light::LedFrame& frame) {
    stepRipple(light, state, kRippleBPlaces);
    const uint8_t brightness = light::brightnessForLevel(light.brightness);
    for (size_t led = 0; led < frame.size(); ++led) {
        const size_t place = rippleBPlace(led, frame.size());
        frame[led] =
            light::packLed(rippleColour(light, state.counters, place), scaled(brightness, state.ripple.places[place]));
    }
}

bool runEffect(const LightInfo& light, EffectState& state, light::LedFrame& frame, std::chrono::milliseconds now) {
    switch (light.mode) {
    case kWave:
        padWave(light, state.counters, frame);
        return true;
    case kSpectrum:
        light::spectrum(light, state.counters, frame);
        return true;
    case kBreathing:
        light::breathing(light, state.counters, frame);
        return true;
    case kStatic:
        light::staticColour(light, frame);
        return true;
    case kBlink:
        light::blink(light, state.counters, frame, now);
        return true;
    case kRippleA:
        rippleA(light, state, frame);
        return true;
    case kRippleB:
        rippleB(light, state, frame);
        return true;
    case kOff:
        light::off(frame);
        return true;
    default:
        return false;
    }
}

bool passDue(EffectState& state, uint8_t speed, unsigned passes) {
    const unsigned total = state.passes + passes;
    if (total < light::stepThresholdForSpeed(speed)) {
        state.passes = uint8_t(total);
        return false;
    }
    state.passes = 0;
    return true;
}

unsigned passesUntilDue(const EffectState& state, uint8_t speed) {
    const unsigned threshold = light::stepThresholdForSpeed(speed);
    return state.passes >= threshold ? 1u : threshold - state.passes;
}

bool CustomEffectPlayer::step(const std::vector<LedEffectStep>& steps, std::chrono::milliseconds elapsed,
                              EffectState& state, light::LedFrame& frame, std::chrono::milliseconds now) {
    if (steps.empty()) {
        light::off(frame);
        return true;
    }
    if (entry_ >= steps.size())
        entry_ = 0;
    shown_ += elapsed;
    const LedEffectStep& current = steps[entry_];
    const auto lasts = std::chrono::milliseconds(int64_t{current.time} * std::max<uint32_t>(current.cycles, 1));
    if (shown_ >= lasts) {
        shown_ = std::chrono::milliseconds{0};
        entry_ = (entry_ + 1) % steps.size();
        state = EffectState{};
    }
    const LedEffectStep& shown = steps[entry_];
    const LightInfo light = light::lightInfoOf(shown);
    if (runEffect(light, state, frame, now))
        return true;
    light::off(frame);
    return false;
}

LedRange regionLeds(size_t region, size_t regionCount, size_t ledCount) {
    if (regionCount == 0 || region >= regionCount)
        return {};
    const size_t first = region * ledCount / regionCount;
    const size_t next = (region + 1) * ledCount / regionCount;
    return {first, next - first};
}

} // namespace pelan::padlight
