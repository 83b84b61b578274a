#include <gtest/gtest.h>

#include "light/LightEffects.h"

namespace pelan::light {
namespace {

LightInfo lightWith(uint8_t brightness, uint8_t direction, uint8_t multiColour = 0) {
    LightInfo light;
    light.brightness = brightness;
    light.effect = direction;
    light.multiColour = multiColour;
    light.red = 10;
    light.green = 20;
    light.blue = 30;
    return light;
}

TEST(LightTables, WheelAndCurveHitTheirKnownEntries) {
    const auto& wheel = colourWheel();
    EXPECT_EQ(wheel[0], (Rgb{255, 1, 0}));
    EXPECT_EQ(wheel[63], (Rgb{0, 255, 0}));
    EXPECT_EQ(wheel[127], (Rgb{0, 0, 255}));
    EXPECT_EQ(wheel[191], (Rgb{255, 0, 0}));
    EXPECT_EQ(wheel[32], (Rgb{248, 255, 0})); // first entry of the falling red ramp
    EXPECT_EQ(wheel[189], (Rgb{255, 0, 4}));
    // Every entry of the wheel has one component at full strength.
    for (const Rgb& c : wheel)
        EXPECT_TRUE(c.red == 255 || c.green == 255 || c.blue == 255);

    const auto& curve = breathingCurve();
    EXPECT_EQ(curve[0], 0);
    EXPECT_EQ(curve[63], 255);
    EXPECT_EQ(curve[64], 255);
    EXPECT_EQ(curve[127], 0);
    for (size_t i = 0; i < 64; ++i)
        EXPECT_EQ(curve[i], curve[127 - i]) << i;
}

TEST(LightTables, LevelsAndSpeedsOutsideTheTablesReadAsTheLast) {
    EXPECT_EQ(brightnessForLevel(0), 30);
    EXPECT_EQ(brightnessForLevel(4), 255);
    EXPECT_EQ(brightnessForLevel(200), 255);
    EXPECT_EQ(stepThresholdForSpeed(0), 28);
    EXPECT_EQ(stepThresholdForSpeed(9), 7);
    EXPECT_EQ(blinkIntervalForSpeed(2), std::chrono::milliseconds(3600));
}

TEST(LightCounters, StepRuleWrapsBothWaysAndRecoversFromForeignValues) {
    EXPECT_EQ(stepCounter(191, 192, true), 0);
    EXPECT_EQ(stepCounter(0, 192, false), 191);
    EXPECT_EQ(stepCounter(5, 192, false), 4);
    EXPECT_EQ(stepCounter(200, 128, true), 0); // left by an effect with a longer range
    EXPECT_EQ(stepCounter(3, 0, true), 0);
}

TEST(LightGenerators, SpectrumWrapsAfterTheLastWheelEntry) {
    EffectCounters counters;
    counters.effectColourStep = 190;
    LedFrame frame(3);
    const LightInfo light = lightWith(4, 1);
    spectrum(light, counters, frame);
    EXPECT_EQ(ledColour(frame[2]), colourWheel()[191]);
    spectrum(light, counters, frame);
    EXPECT_EQ(counters.effectColourStep, 0);
    EXPECT_EQ(ledColour(frame[0]), (Rgb{255, 1, 0}));
    EXPECT_EQ(ledBrightness(frame[0]), 255);
}

TEST(LightGenerators, BreathingPeaksAndEndsAtLevelFour) {
    EffectCounters counters;
    counters.effectStep = 62;
    LedFrame frame(2);
    const LightInfo light = lightWith(4, 1);
    breathing(light, counters, frame); // step 63: top of the curve
    EXPECT_EQ(ledBrightness(frame[0]), 254);
    EXPECT_EQ(ledColour(frame[1]), (Rgb{10, 20, 30}));
    counters.effectStep = 126;
    breathing(light, counters, frame); // 127: end of the breath
    EXPECT_EQ(ledBrightness(frame[0]), 0);
    breathing(light, counters, frame); // wraps to 0: next colour
    EXPECT_EQ(counters.effectStep, 0);
    EXPECT_EQ(ledBrightness(frame[0]), 0);
}

TEST(LightGenerators, MulticolourBreathingStaysInsideTheWheel) {
    EffectCounters counters;
    LedFrame frame(1);
    const LightInfo light = lightWith(4, 1, 1);
    std::vector<uint8_t> indices;
    for (int breath = 0; breath < 14; ++breath) {
        counters.effectStep = 127;
        breathing(light, counters, frame);
        indices.push_back(counters.effectColourStep);
        EXPECT_LT(counters.effectColourStep, kWheelSize);
        EXPECT_EQ(ledColour(frame[0]), colourWheel()[counters.effectColourStep]);
    }
    // 16, 32, ... 176, then back to the start rather than one past the wheel's end.
    EXPECT_EQ(indices[10], 176);
    EXPECT_EQ(indices[11], 0);
    EXPECT_EQ(indices[12], 16);
}

TEST(LightGenerators, CycleWalksTheFourFixedColoursDownwardsToo) {
    EffectCounters counters;
    LedFrame frame(1);
    const LightInfo light = lightWith(2, 0);
    std::vector<Rgb> seen;
    for (int breath = 0; breath < 5; ++breath) {
        counters.effectStep = 1;
        cycle(light, counters, frame); // counting down lands on 0
        seen.push_back(ledColour(frame[0]));
    }
    EXPECT_EQ(seen[0], (Rgb{0, 255, 0}));
    EXPECT_EQ(seen[1], (Rgb{255, 255, 255}));
    EXPECT_EQ(seen[2], (Rgb{255, 0, 0}));
    EXPECT_EQ(seen[3], (Rgb{0, 255, 180}));
    EXPECT_EQ(seen[4], (Rgb{0, 255, 0}));
}

TEST(LightGenerators, BlinkFlipsOnlyWhenItsIntervalHasPassed) {
    using std::chrono::milliseconds;
    EffectCounters counters;
    LedFrame frame(2);
    LightInfo light = lightWith(4, 0, 0);
    light.speed = 4; // 7 x 200 ms
    blink(light, counters, frame, milliseconds(1400));
    EXPECT_EQ(counters.blinkOn, 1);
    EXPECT_EQ(ledColour(frame[0]), (Rgb{10, 20, 30}));
    blink(light, counters, frame, milliseconds(2799));
    EXPECT_EQ(counters.blinkOn, 1);
    blink(light, counters, frame, milliseconds(2800));
    EXPECT_EQ(counters.blinkOn, 0);
    EXPECT_EQ(frame[0], 0u);

    EffectCounters cycleCounters;
    blinkCycle(light, cycleCounters, frame, milliseconds(1400));
    EXPECT_EQ(ledColour(frame[1]), (Rgb{0, 255, 0}));
}

TEST(LightGenerators, WaveSpreadsTheWheelAcrossTheLeds) {
    EffectCounters counters;
    counters.effectColourStep = 190;
    LedFrame frame(3);
    const LightInfo light = lightWith(1, 1);
    wave(light, counters, frame); // counter 191: the first LED wraps to entry 0
    EXPECT_EQ(ledColour(frame[0]), colourWheel()[0]);
    EXPECT_EQ(ledColour(frame[1]), colourWheel()[7]);
    EXPECT_EQ(ledBrightness(frame[2]), 80);
    counters.effectColourStep = 180;
    wave(light, counters, frame); // counter 181: 182, 189, then past the end to 4
    EXPECT_EQ(ledColour(frame[0]), colourWheel()[182]);
    EXPECT_EQ(ledColour(frame[2]), colourWheel()[4]);
}

TEST(LightFrames, StreamFrameScalesByBrightnessAndLeavesTheSkippedLedDark) {
    LedFrame frame(128, packLed({255, 128, 2}, 128));
    const std::vector<uint8_t> bytes = streamFrame(frame, 126);
    ASSERT_EQ(bytes.size(), 384u);
    EXPECT_EQ(bytes[0], 127);
    EXPECT_EQ(bytes[1], 64);
    EXPECT_EQ(bytes[2], 1);
    EXPECT_EQ(bytes[3 * 126], 0);
    EXPECT_EQ(bytes[3 * 126 + 2], 0);
    EXPECT_EQ(bytes[3 * 127], 127);
}

} // namespace
} // namespace pelan::light
