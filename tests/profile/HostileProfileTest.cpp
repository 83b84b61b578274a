#include "profile/CDi6533Profiledata.h"
#include "profile/CKeyboardProfiledata.h"
#include "profile/CMouseProfiledata.h"
#include "profile/LightNameLists.h"
#include "profile/ReadEveryMember.h"
#include "support/TempFolder.h"

#include <gtest/gtest.h>

namespace pelan {
namespace {

using testing::TempFolder;
using testing::writeText;

// Every kind of profile, every read, then writes and a save: none of it may throw or crash, whatever the file holds.
void readEverything(const std::string& path, const std::string& lightConfig) {
    CMouseProfiledata mouse;
    CKeyboardProfiledata keyboard;
    CDi6533Profiledata headset;
    for (CBasicProfiledata* profile : std::initializer_list<CBasicProfiledata*>{&mouse, &keyboard, &headset}) {
        profile->setDefaultProfilePath(path);
        profile->setProfilePath(path);
        profile->loadProfile(path);
        profile->loadLightConfig(lightConfig);
    }
    testing::readEveryMember(mouse);
    testing::readEveryMember(keyboard);
    testing::readEveryMember(headset);
    mouse.writeDpiStages({{1, 0, 6, 6, 1, 2, 3}});
    keyboard.writeCustomLightColours({{1, 2, 3, 4}}, 0);
    headset.writeEqValues(3, std::vector<int>(10, 1));
    EXPECT_EQ(mouse.saveProfile(), 0);
    LightNameLists lists;
    loadLightNameLists(path, lightConfig, 1, lists);
}

class HostileFiles : public ::testing::TestWithParam<std::string> {};

TEST_P(HostileFiles, LoadAndReadWithoutCrashing) {
    TempFolder folder;
    writeText(folder.file("p.Json"), GetParam());
    writeText(folder.file("light.config"), GetParam());
    readEverything(folder.file("p.Json"), folder.file("light.config"));
}

const std::string kWrongTypes = R"({"Device": [{
    "LightInfo": {"SelectItem": "two", "Light": [1], "Speed": {"a": 1}, "MultiColor": "yes", "Red": null},
    "LightList": {"0": 1}, "KeyList": [7, "x", [1], {"Assignment": "12", "DefaultAssignment": 1.5e300}],
    "DPIStages": {"StageActive": [], "StageDPIs": "none"},
    "SystemStages": ["a"], "ReportStages": 5, "CorrectInfo": [null, 3, {"CorrectName": 7}],
    "CustomLightMode": {"LightColorInfo": {"0": []}, "CustomLightModeGroupIndex": "1"},
    "SystemSetStages": {"EqType": 2147483648, "CustomEqSeletIndex": 4000000000},
    "EQHzValueInfo": "flat", "CustomEQNameInfo": [{"Name": 1}, "x"], "CustomEQHzValueInfo": {"a": 1}}]})";

const std::string kHugeNumbers = R"({"Device": [{
    "LightInfo": {"SelectItem": 1e400, "Light": -9223372036854775808, "Speed": 18446744073709551615},
    "KeyList": [{"Assignment": 18446744073709551615}, {"Assignment": -1}],
    "DPIStages": {"StageActive": 1e30, "StageDPIs": [{"StageDPIX": -1e30}]},
    "CustomLightMode": {"CustomLightModeGroupIndex": 2147483647},
    "SystemSetStages": {"EqType": -2147483648, "CustomEqSeletIndex": 2147483647}}]})";

INSTANTIATE_TEST_SUITE_P(
    Profiles, HostileFiles,
    ::testing::Values(kWrongTypes, kHugeNumbers, std::string("{\"Device\": [") + std::string(5000, '[') + "]}",
                      std::string(3000, '{'), std::string("\x00\x01\xff\xfe{\"Device\":[]}", 17),
                      std::string("{\"Device\": [{\"LightInfo\": {\"Red\": 1}}]}\0garbage", 44),
                      R"({"LightInfo": [[{"Guid": "../../etc/passwd"}]], "Device": null})",
                      R"({"LightInfo": "x", "DefaultLightName": [1, 2], "AreaLightName": {"1": 2}})", "[]", "42",
                      "\"text\"", "null", "\xef\xbb\xbf{}"),
    [](const ::testing::TestParamInfo<std::string>& info) { return "file" + std::to_string(info.index); });

TEST(HostileFiles, WrongTypesReadAsMissing) {
    TempFolder folder;
    writeText(folder.file("p.Json"), kWrongTypes);
    CMouseProfiledata mouse;
    mouse.loadProfile(folder.file("p.Json"));
    EXPECT_EQ(mouse.readLightInfo(), LightInfo{});
    EXPECT_TRUE(mouse.readLightList().empty());
    std::vector<KeyRecord> keys = mouse.readKeyList();
    ASSERT_EQ(keys.size(), 4u);
    for (const KeyRecord& key : keys)
        EXPECT_EQ(key.current, KeyAssignment{});
    EXPECT_TRUE(mouse.readDpiStages().empty());
    EXPECT_EQ(mouse.readMouseSystem(), SystemWords{});

    CDi6533Profiledata headset;
    headset.loadProfile(folder.file("p.Json"));
    HeadsetSettings settings = headset.readHeadsetSettings();
    EXPECT_EQ(settings.eqType, 0) << "a number beyond 32 bits reads as missing";
    EXPECT_EQ(headset.readEqValues(3), std::vector<int>(10, 0));
    EXPECT_EQ(headset.readCustomEqNames(), (std::vector<std::string>{"", ""}));
}

TEST(HostileFiles, OutOfRangeSlotsCreateNothing) {
    TempFolder folder;
    writeText(folder.file("p.Json"), kHugeNumbers);
    CKeyboardProfiledata keyboard;
    keyboard.loadProfile(folder.file("p.Json"));
    EXPECT_EQ(keyboard.readCustomLightColours(keyboard.readCustomLightGroup(), 3), std::vector<RgbaColour>(3));
    CDi6533Profiledata headset;
    headset.setProfilePath(folder.file("p.Json"));
    headset.loadProfile(folder.file("p.Json"));
    EXPECT_EQ(headset.readCustomEqValues(headset.readHeadsetSettings().customEqSlot), std::vector<int>(10, 0));
    headset.writeCustomEqValues(2147483647, std::vector<int>(10, 1));
    EXPECT_EQ(headset.saveProfile(), 0);
    EXPECT_LT(testing::readText(folder.file("p.Json")).size(), 4096u);
}

TEST(LightNames, ListsRefillOnlyFromTheDevicesOwnElement) {
    TempFolder folder;
    writeText(folder.file("default_light.json"),
              R"({"DefaultLightName": [[{"LightName": "K"}], [{"LightName": "Wave", "visible": true},
                 {"LightName": "Hidden", "visible": false}]], "AreaLightName": [[], [{"LightName": "Logo"}]]})");
    writeText(folder.file("tavix_light.config"), R"({"LightInfo": [[], [{"LightName": "Mine", "Guid": "g"}]]})");
    LightNameLists lists;
    loadLightNameLists(folder.file("default_light.json"), folder.file("tavix_light.config"), 1, lists);
    EXPECT_EQ(lists.defaultNames, (std::vector<std::string>{"Wave", "Hidden"}));
    EXPECT_EQ(lists.defaultVisible, (std::vector<bool>{true, false}));
    EXPECT_EQ(lists.areaNames, std::vector<std::string>{"Logo"});
    EXPECT_EQ(lists.configuredNames, std::vector<std::string>{"Mine"});

    LightNameLists before = lists;
    loadLightNameLists(folder.file("default_light.json"), folder.file("absent.config"), 2, lists);
    EXPECT_EQ(lists.defaultNames, before.defaultNames) << "too few elements leave the lists as they were";
    EXPECT_EQ(lists.areaNames, before.areaNames);
    EXPECT_EQ(lists.configuredNames, before.configuredNames);
}

} // namespace
} // namespace pelan
