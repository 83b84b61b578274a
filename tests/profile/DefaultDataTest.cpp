#include "keys/KeyAssignment.h"
#include "profile/CDi6533Profiledata.h"
#include "profile/CKeyboardProfiledata.h"
#include "profile/CMouseProfiledata.h"
#include "profile/DefaultFiles.h"
#include "profile/LightNameLists.h"
#include "support/TempFolder.h"

#include "platform/Paths.h"

#include <cstdlib>
#include <gtest/gtest.h>

namespace pelan {
namespace {

using testing::TempFolder;

// The factory files of the source tree, read through the same paths the program uses.
class DefaultData : public ::testing::Test {
protected:
    void SetUp() override {
        const char* source = std::getenv("PELAN_SOURCE_DIR");
        ASSERT_NE(source, nullptr);
        setProgramFolderOverride(source);
    }
    void TearDown() override { setProgramFolderOverride(""); }

    // A new profile of the kind, healed from its default profile.
    template <typename Profile>
    void loadDefault(Profile& profile, const char* kind) {
        profile.setDefaultProfilePath(defaultProfilePath(kind));
        ASSERT_TRUE(profile.loadProfile(folder.file(std::string(kind) + ".Json")).isObject()) << kind;
    }

    TempFolder folder;
};

TEST_F(DefaultData, MouseProfileHoldsTheButtonsStagesAndSettings) {
    CMouseProfiledata mouse;
    loadDefault(mouse, "mouse");
    std::vector<KeyRecord> keys = mouse.readKeyList();
    std::vector<KeyAssignment> factory{{0x10, 1, 0}, {0x10, 2, 0}, {0x10, 4, 0}, {0x10, 0x10, 0}, {0x10, 8, 0},
                                       {0x13, 1, 0}, {0x13, 2, 0}, {0xA0, 2, 0}, {0, 0, 0},       {0, 0, 0}};
    ASSERT_EQ(keys.size(), factory.size());
    for (std::size_t i = 0; i < keys.size(); ++i) {
        EXPECT_EQ(keys[i].defaultValue, factory[i]) << i;
        EXPECT_EQ(keys[i].current, factory[i]) << i;
    }
    std::vector<DpiStage> stages = mouse.readDpiStages();
    ASSERT_EQ(stages.size(), 6u);
    for (const DpiStage& stage : stages)
        EXPECT_LE(stage.dpiX, 73) << "a stage holds a DPI slider position";
    EXPECT_LT(mouse.getActiveDpiStage(), 6);
    EXPECT_NE(mouse.readMouseSystem().word0, 0u);
    // The factory pointer speed is one the slider shows (positions 0 to 9), not its clamped end.
    EXPECT_LE(mouse.getDeviceNode()["SystemStages"]["MouseSpeed"].asInt(), CMouseProfiledata::kMaxPointerSpeedPosition);
    EXPECT_LE(highHalf(mouse.getMouseSystem().word2), 4) << "report-rate index";
    EXPECT_FALSE(mouse.readCorrections().empty());
    EXPECT_FALSE(mouse.readLightList().empty());
}

TEST_F(DefaultData, KeyboardProfileHoldsEveryLogicalKey) {
    CKeyboardProfiledata keyboard;
    loadDefault(keyboard, "keyboard");
    std::vector<KeyRecord> keys = keyboard.readKeyList();
    ASSERT_EQ(keys.size(), 126u);
    EXPECT_EQ(keys.front().defaultValue, (KeyAssignment{0x20, 0, 0x29})) << "Esc";
    EXPECT_EQ(keys[16].defaultValue, (KeyAssignment{0xA0, 0x1B, 0})) << "game mode";
    EXPECT_EQ(keys[120].defaultValue, (KeyAssignment{0xD0, 0xA2, 1})) << "M1";
    EXPECT_EQ(keys.back().defaultValue, (KeyAssignment{0x20, 0x80, 0})) << "right GUI";
    EXPECT_NE(keyboard.readKeyboardSystem(), SystemWords{});
    EXPECT_EQ(keyboard.readCustomLightColours(keyboard.readCustomLightGroup(), 126).size(), 126u);
}

TEST_F(DefaultData, HeadsetProfileHoldsTheTwelveEqualiserCurves) {
    CDi6533Profiledata headset;
    loadDefault(headset, "HD");
    const std::vector<std::vector<int>> curves{
        {7, 11, 2, -3, -1, 4, 9, 12, 9, 5},   {7, 11, 6, -3, -11, -1, 6, 13, 6, 13},
        {10, 4, 0, -3, -4, -3, -2, -1, 0, 0}, {2, 1, -2, -3, -5, -7, 0, 4, 9, 8},
        {0, 0, 0, 0, 0, 0, 0, 0, 0, 0},       {7, 14, -13, -6, -1, 8, 13, 7, 2, 6},
        {14, 10, 4, 0, -4, -3, -1, 1, 2, 3},  {2, 1, -2, -3, -5, -1, 7, 11, 15, 13},
        {8, 2, -4, -8, 1, 3, 8, 11, 14, 16},  {-3, 4, 10, 0, -11, 3, 9, 13, 6, 0},
        {18, 14, 8, 2, -3, -6, -1, 2, 5, 6},  {2, 1, -2, -4, -8, 4, 12, 16, 18, 15}};
    for (int type = 1; type <= 12; ++type)
        EXPECT_EQ(headset.readEqValues(type), curves[static_cast<std::size_t>(type - 1)]) << type;
    HeadsetSettings settings = headset.readHeadsetSettings();
    EXPECT_GE(settings.eqType, 1);
    EXPECT_LE(settings.eqType, 12);
    EXPECT_TRUE(headset.readCustomEqNames().empty());
}

TEST_F(DefaultData, EveryKindHasALightSettingAndItsLightNames) {
    const char* kinds[] = {"keyboard", "mouse", "MousePad", "HD"}; // in deviceIndex order
    for (int deviceIndex = 0; deviceIndex < 4; ++deviceIndex) {
        CBasicProfiledata profile;
        loadDefault(profile, kinds[deviceIndex]);
        LightInfo info = profile.readLightInfo();
        EXPECT_LE(info.brightness, 4) << kinds[deviceIndex];
        EXPECT_LE(info.speed, 4) << kinds[deviceIndex];

        LightNameLists lists;
        loadLightNameLists(defaultLightPath(), defaultDataFolder() + "tavix_light.config", deviceIndex, lists);
        EXPECT_GT(lists.defaultNames.size(), info.mode) << kinds[deviceIndex];
        EXPECT_EQ(lists.defaultVisible.size(), lists.defaultNames.size());
        EXPECT_EQ(lists.areaNames.size(), profile.readLightList().size()) << "one light region per area";
        EXPECT_FALSE(lists.configuredNames.empty());
    }
}

TEST_F(DefaultData, EveryConfiguredLightEffectHasItsFile) {
    CBasicProfiledata profile;
    profile.loadLightConfig(defaultDataFolder() + "tavix_light.config");
    for (uint8_t mode = 0; mode < 12; ++mode) {
        profile.writeLightInfo(LightInfo{.mode = mode});
        std::vector<LedEffectStep> steps = profile.readLedEffects();
        ASSERT_FALSE(steps.empty()) << int(mode);
        for (const LedEffectStep& step : steps)
            EXPECT_GT(step.time, 0u);
    }
}

TEST_F(DefaultData, RecoilFilesHoldThirtyBulletsOfFourEvents) {
    for (int gun = 0; gun < 4; ++gun) {
        Json::Value file =
            JsonFileStore::loadJsonFile(defaultDataFolder() + "ShootData_" + std::to_string(gun) + ".Shoot");
        const Json::Value& events = file["Events"];
        ASSERT_EQ(events.size(), 120u) << gun;
        for (Json::ArrayIndex bullet = 0; bullet < 30; ++bullet) {
            const Json::Value& press = events[4 * bullet];
            const Json::Value& release = events[4 * bullet + 1];
            EXPECT_EQ(press["Type"].asInt() * 10 + press["Button"].asInt(), 11);
            EXPECT_EQ(release["Type"].asInt() * 10 + release["Button"].asInt(), 11);
            EXPECT_EQ(press["Action"].asString() + release["Action"].asString(), "downup");
            EXPECT_EQ(press["Delay"].asInt() * 100 + release["Delay"].asInt(), 1000);
            EXPECT_EQ(events[4 * bullet + 2]["Type"].asInt(), 4);
            EXPECT_EQ(events[4 * bullet + 2]["Delay"].asInt(), 5);
            EXPECT_EQ(events[4 * bullet + 3]["Type"].asInt(), 5);
            for (int part : {2, 3}) {
                int distance = events[4 * bullet + part]["Button"].asInt();
                EXPECT_TRUE(distance >= 1 && distance <= 255);
            }
            EXPECT_GT(events[4 * bullet + 3]["Delay"].asInt(), 0);
        }
    }
}

} // namespace
} // namespace pelan
