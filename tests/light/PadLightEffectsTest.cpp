#include <gtest/gtest.h>

#include <algorithm>

#include "light/PadLightEffects.h"

namespace pelan {
namespace {

using namespace std::chrono_literals;
using light::LedFrame;

LightInfo padLight(uint8_t mode, uint8_t effect, uint8_t multiColour) {
    return LightInfo{.mode = mode,
                     .brightness = 4,
                     .speed = 2,
                     .effect = effect,
                     .multiColour = multiColour,
                     .red = 10,
                     .green = 200,
                     .blue = 30};
}

std::vector<uint8_t> brightnesses(const LedFrame& frame) {
    std::vector<uint8_t> levels;
    for (light::LedValue led : frame)
        levels.push_back(light::ledBrightness(led));
    return levels;
}

TEST(PadWave, CurveIsTheMiddleOfTheBreathRisingThenFalling) {
    const auto& curve = padlight::padWaveCurve();
    EXPECT_EQ(curve[0], 22);
    EXPECT_EQ(curve[1], 24);
    EXPECT_EQ(curve[2], 27);
    EXPECT_EQ(curve[46], 248);
    EXPECT_EQ(curve[47], 255);
    EXPECT_EQ(curve[48], 255);
    EXPECT_EQ(curve[95], 22);
    EXPECT_TRUE(std::equal(curve.begin(), curve.begin() + 48, curve.rbegin()));
}

TEST(PadWave, SingleColourRunsTheCurveAlongTheLeds) {
    LedFrame frame(padlight::kLedCount);
    light::EffectCounters counters;
    const LightInfo upwards = padLight(padlight::kWave, 1, 0);
    padlight::padWave(upwards, counters, frame); // counter 0 -> 1: first LED at curve index 2
    const auto& curve = padlight::padWaveCurve();
    for (size_t led = 0; led < frame.size(); ++led) {
        const size_t index = (2 + 7 * led) % 96;
        EXPECT_EQ(light::ledBrightness(frame[led]), uint8_t((255u * curve[index]) >> 8)) << led;
        EXPECT_EQ(light::ledColour(frame[led]), (light::Rgb{10, 200, 30}));
    }
    // Downwards from 0 the counter wraps to 95, so the first LED starts the curve again instead of reading past it.
    light::EffectCounters fresh;
    padlight::padWave(padLight(padlight::kWave, 0, 0), fresh, frame);
    EXPECT_EQ(fresh.effectColourStep, 95);
    EXPECT_EQ(light::ledBrightness(frame[0]), uint8_t((255u * curve[0]) >> 8));
}

TEST(PadWave, MulticolourRunsTheWheelSevenEntriesApart) {
    LedFrame frame(padlight::kLedCount);
    light::EffectCounters counters;
    counters.effectColourStep = 20;
    padlight::padWave(padLight(padlight::kWave, 1, 1), counters, frame); // counter 21
    for (size_t led = 0; led < frame.size(); ++led) {
        EXPECT_EQ(light::ledColour(frame[led]), light::wheelColour((22 + 7 * led) % 192)) << led;
        EXPECT_EQ(light::ledBrightness(frame[led]), 255);
    }
}

// Runs passes until the ripple's first front has moved `shifts` places.
void runRipple(const LightInfo& light, padlight::EffectState& state, LedFrame& frame, int passes) {
    for (int i = 0; i < passes; ++i)
        light.mode == padlight::kRippleA ? padlight::rippleA(light, state, frame)
                                         : padlight::rippleB(light, state, frame);
}

TEST(PadRipple, FrontsTravelInTheLightDirectionAndFade) {
    LedFrame frame(padlight::kLedCount);
    padlight::EffectState state;
    runRipple(padLight(padlight::kRippleA, 1, 0), state, frame, 11); // six shifts
    auto levels = brightnesses(frame);
    const auto front = size_t(std::max_element(levels.begin(), levels.end()) - levels.begin());
    EXPECT_EQ(front, 5u);
    EXPECT_EQ(levels[6], 0); // nothing ahead of the first front
    EXPECT_LT(levels[front], 255);
    EXPECT_GT(levels[front], levels[front - 1]); // the tail is dimmer than the front

    padlight::EffectState backwards;
    runRipple(padLight(padlight::kRippleA, 0, 0), backwards, frame, 11);
    levels = brightnesses(frame);
    EXPECT_EQ(size_t(std::max_element(levels.begin(), levels.end()) - levels.begin()), padlight::kLedCount - 6);
    EXPECT_EQ(levels[padlight::kLedCount - 7], 0);
}

TEST(PadRipple, MulticolourRipplesSpaceTheirColoursTwelveEntries) {
    LedFrame frame(padlight::kLedCount);
    padlight::EffectState state;
    runRipple(padLight(padlight::kRippleA, 1, 1), state, frame, 3);
    const uint8_t counter = state.counters.effectColourStep;
    EXPECT_EQ(counter, 3);
    for (size_t led = 0; led < frame.size(); ++led)
        EXPECT_EQ(light::ledColour(frame[led]), light::wheelColour(counter + 12 * led)) << led;
}

TEST(PadRipple, RippleBIsSymmetricAroundTheMiddle) {
    EXPECT_EQ(padlight::rippleBPlace(11), 0u);
    EXPECT_EQ(padlight::rippleBPlace(10), 1u);
    EXPECT_EQ(padlight::rippleBPlace(18), 7u);
    EXPECT_EQ(padlight::rippleBPlace(0), 7u);
    EXPECT_EQ(padlight::rippleBPlace(22), 7u);
    // The headset's two lights: the middle one and its neighbour.
    EXPECT_EQ(padlight::rippleBPlace(1, 2), 0u);
    EXPECT_EQ(padlight::rippleBPlace(0, 2), 1u);

    LedFrame frame(padlight::kLedCount);
    padlight::EffectState state;
    runRipple(padLight(padlight::kRippleB, 1, 0), state, frame, 7); // four shifts outwards
    const auto levels = brightnesses(frame);
    for (size_t d = 1; d <= 11; ++d)
        EXPECT_EQ(levels[11 - d], levels[11 + d]) << d;
    EXPECT_EQ(size_t(std::max_element(levels.begin(), levels.end()) - levels.begin()), 11u - 3);
}

TEST(PadEffects, ModesRunTheirGeneratorsAndOthersAreLeftToTheCustomList) {
    LedFrame frame(padlight::kLedCount, 0x12345678);
    padlight::EffectState state;
    EXPECT_TRUE(padlight::runEffect(padLight(padlight::kStatic, 0, 0), state, frame, 0ms));
    EXPECT_EQ(frame[5], light::packLed({10, 200, 30}, 255));
    EXPECT_TRUE(padlight::runEffect(padLight(padlight::kOff, 0, 0), state, frame, 0ms));
    EXPECT_EQ(frame[5], 0u);
    frame.assign(padlight::kLedCount, 7);
    for (uint8_t mode : {uint8_t(5), uint8_t(9), uint8_t(200)})
        EXPECT_FALSE(padlight::runEffect(padLight(mode, 0, 0), state, frame, 0ms)) << int(mode);
    EXPECT_EQ(frame[0], 7u);
}

TEST(PadEffects, PassesCountTowardsTheSpeedThreshold) {
    padlight::EffectState state;
    EXPECT_EQ(padlight::passesUntilDue(state, 4), 7u);
    EXPECT_FALSE(padlight::passDue(state, 4, 6));
    EXPECT_EQ(padlight::passesUntilDue(state, 4), 1u);
    EXPECT_TRUE(padlight::passDue(state, 4, 1));
    EXPECT_EQ(padlight::passesUntilDue(state, 0), 28u);
    // A speed outside the range paces as the fastest instead of reading past the table.
    EXPECT_EQ(padlight::passesUntilDue(state, 200), 7u);
}

LedEffectStep customStep(uint8_t mode, uint8_t red, uint32_t time, uint32_t cycles) {
    LedEffectStep step;
    step.mode = mode;
    step.brightness = 4;
    step.red = red;
    step.time = time;
    step.cycles = cycles;
    return step;
}

TEST(PadCustomEffect, EntriesFollowEachOtherByTheirTimeAndWrap) {
    LedFrame frame(padlight::kLedCount);
    padlight::EffectState state;
    padlight::CustomEffectPlayer player;
    const std::vector<LedEffectStep> steps = {customStep(padlight::kStatic, 100, 50, 2),
                                              customStep(padlight::kStatic, 200, 30, 0)};
    EXPECT_TRUE(player.step(steps, 0ms, state, frame, 0ms));
    EXPECT_EQ(light::ledColour(frame[0]).red, 100);
    EXPECT_TRUE(player.step(steps, 99ms, state, frame, 0ms));
    EXPECT_EQ(player.entry(), 0u); // 50 ms twice
    EXPECT_TRUE(player.step(steps, 1ms, state, frame, 0ms));
    EXPECT_EQ(player.entry(), 1u);
    EXPECT_EQ(light::ledColour(frame[0]).red, 200);
    EXPECT_TRUE(player.step(steps, 30ms, state, frame, 0ms)); // a cycle count of 0 still shows once
    EXPECT_EQ(player.entry(), 0u);

    frame.assign(frame.size(), 5);
    EXPECT_TRUE(player.step({}, 10ms, state, frame, 0ms));
    EXPECT_EQ(frame[3], 0u);
    EXPECT_FALSE(player.step({customStep(42, 1, 10, 1)}, 10ms, state, frame, 0ms));
}

} // namespace
} // namespace pelan
