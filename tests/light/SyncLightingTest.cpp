#include <gtest/gtest.h>

#include <set>

#include "light/SyncLighting.h"

namespace pelan::light {
namespace {

using std::chrono::milliseconds;

SyncSetting settingOf(SyncEffect effect, uint8_t brightness = 4, uint8_t speed = 4) {
    SyncSetting setting;
    setting.effect = effect;
    setting.brightness = brightness;
    setting.speed = speed;
    setting.direction = 1;
    setting.colour = {10, 20, 30};
    return setting;
}

TEST(SyncLighting, BreathingAtTheTopLevelRisesToTheCurvesPeakAndIsDarkAtBothEnds) {
    SyncSetting setting = settingOf(SyncEffect::Breathing);
    SyncProgress progress;
    std::vector<uint8_t> brightness;
    for (size_t i = 0; i < kBreathingSteps; ++i)
        brightness.push_back(ledBrightness(syncStep(setting, progress, milliseconds(0))));
    // Steps 1 .. 127, then 0 again: the last value is the start of the next breath.
    EXPECT_EQ(brightness[62], (255 * 255) >> 8); // step 63, the curve's 255 at level brightness 255
    EXPECT_EQ(brightness[63], (255 * 255) >> 8);
    EXPECT_EQ(brightness[126], 0); // step 127
    EXPECT_EQ(brightness[127], 0); // step 0
    EXPECT_EQ(progress.breathingStep, 0);
    EXPECT_EQ(ledColour(syncStep(setting, progress, milliseconds(0))), (Rgb{10, 20, 30}));

    // Counting down from 0 wraps to the last step.
    setting.direction = 0;
    progress = {};
    syncStep(setting, progress, milliseconds(0));
    EXPECT_EQ(progress.breathingStep, 127);
}

TEST(SyncLighting, MulticolourBreathingTakesTheNextWheelColourWhileDark) {
    SyncSetting setting = settingOf(SyncEffect::Breathing);
    setting.multiColour = 1;
    SyncProgress progress;
    progress.breathingStep = 127;
    syncStep(setting, progress, milliseconds(0)); // step 0
    syncStep(setting, progress, milliseconds(0)); // step 1
    EXPECT_EQ(progress.breathingColour, 32);
    EXPECT_EQ(ledColour(syncStep(setting, progress, milliseconds(0))), wheelColour(32));
    // The colour index wraps at the wheel's end.
    progress = {};
    progress.breathingColour = 176;
    syncStep(setting, progress, milliseconds(0));
    EXPECT_EQ(progress.breathingColour, 0);
}

TEST(SyncLighting, SpectrumPassesEveryWheelEntryAndWraps) {
    const SyncSetting setting = settingOf(SyncEffect::Spectrum, 2);
    SyncProgress progress;
    std::set<uint8_t> seen;
    for (size_t i = 0; i < kWheelSize; ++i) {
        const LedValue value = syncStep(setting, progress, milliseconds(0));
        EXPECT_EQ(ledColour(value), wheelColour(progress.spectrumColour));
        EXPECT_EQ(ledBrightness(value), 135);
        seen.insert(progress.spectrumColour);
    }
    EXPECT_EQ(seen.size(), kWheelSize);
    EXPECT_EQ(progress.spectrumColour, 0);
    syncStep(setting, progress, milliseconds(0));
    EXPECT_EQ(progress.spectrumColour, 1);
}

TEST(SyncLighting, BlinkTogglesAfterThresholdTimesTwoHundredMilliseconds) {
    for (const auto& [speed, interval] : {std::pair{0, 5600}, {2, 3600}, {4, 1400}}) {
        SyncSetting setting = settingOf(SyncEffect::Blink, 4, uint8_t(speed));
        SyncProgress progress;
        progress.lastToggle = milliseconds(1000);
        EXPECT_EQ(syncStep(setting, progress, milliseconds(1000 + interval - 1)), 0u) << speed;
        EXPECT_EQ(syncStep(setting, progress, milliseconds(1000 + interval)), packLed({10, 20, 30}, 255)) << speed;
        EXPECT_EQ(progress.blinkColour, 14);
        EXPECT_EQ(syncStep(setting, progress, milliseconds(1000 + 2 * interval)), 0u) << speed;
    }
    // The blink colour steps by 14 and starts again at the wheel's end.
    SyncSetting setting = settingOf(SyncEffect::Blink);
    setting.multiColour = 1;
    SyncProgress progress;
    progress.blinkColour = 182;
    EXPECT_EQ(ledColour(syncStep(setting, progress, milliseconds(100000))), wheelColour(0));
}

TEST(SyncLighting, StaticAndOffShowTheStoredColourAndNothing) {
    SyncProgress progress;
    EXPECT_EQ(syncStep(settingOf(SyncEffect::Static, 0), progress, milliseconds(0)), packLed({10, 20, 30}, 30));
    EXPECT_EQ(syncStep(settingOf(SyncEffect::Off), progress, milliseconds(0)), 0u);
}

TEST(SyncLighting, ModesConvertByKindBothWays) {
    struct Row {
        SyncEffect effect;
        uint8_t keyboard, mouse, pad;
    };
    const Row table[] = {{SyncEffect::Spectrum, 1, 0, 1},
                         {SyncEffect::Breathing, 2, 1, 2},
                         {SyncEffect::Static, 3, 2, 3},
                         {SyncEffect::Blink, 17, 4, 4},
                         {SyncEffect::Off, 24, 7, 8}};
    for (const Row& row : table) {
        EXPECT_EQ(syncEffectOfMode(1, row.keyboard), row.effect);
        EXPECT_EQ(syncEffectOfMode(2, row.mouse), row.effect);
        EXPECT_EQ(syncEffectOfMode(6, row.mouse), row.effect);
        EXPECT_EQ(syncEffectOfMode(3, row.pad), row.effect);
        EXPECT_EQ(syncEffectOfMode(7, row.pad), row.effect);
        EXPECT_EQ(syncModeOf(1, row.effect), row.keyboard);
        EXPECT_EQ(syncModeOf(2, row.effect), row.mouse);
        EXPECT_EQ(syncModeOf(7, row.effect), row.pad);
    }
    EXPECT_FALSE(syncEffectOfMode(2, 3));
    EXPECT_FALSE(syncEffectOfMode(3, 0));
    EXPECT_FALSE(syncModeOf(5, SyncEffect::Static));
}

TEST(SyncLighting, AModeOutsideTheTableLeavesTheSharedStateAlone) {
    SyncLighting shared;
    LightInfo light;
    light.mode = 4; // mouse blink
    light.brightness = 3;
    light.speed = 2;
    light.effect = 1;
    light.red = 200;
    ASSERT_TRUE(shared.adopt(2, light));
    const SyncSetting before = shared.setting();
    EXPECT_EQ(before.effect, SyncEffect::Blink);
    EXPECT_EQ(before.colour, (Rgb{200, 0, 0}));
    EXPECT_EQ(shared.stepInterval(milliseconds(16)), milliseconds(16 * 18));

    light.mode = 3; // mouse wave
    light.brightness = 0;
    EXPECT_FALSE(shared.adopt(2, light));
    EXPECT_EQ(shared.setting(), before);
}

TEST(SyncLighting, CountersStayInsideTheirTables) {
    EXPECT_EQ(countUp(190, 1, 192), 191);
    EXPECT_EQ(countUp(191, 1, 192), 0);
    EXPECT_EQ(countUp(250, 16, 192), 0);
    EXPECT_EQ(countDown(0, 1, 128), 127);
    EXPECT_EQ(countDown(200, 1, 128), 127);
    EXPECT_EQ(countDown(5, 1, 128), 4);
}

} // namespace
} // namespace pelan::light
