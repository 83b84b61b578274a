#include "profile/CBasicProfiledata.h"
#include "profile/CDi6533Profiledata.h"
#include "profile/CKeyboardProfiledata.h"
#include "profile/CMouseProfiledata.h"
#include "support/TempFolder.h"

#include <filesystem>
#include <gtest/gtest.h>

namespace pelan {
namespace {

using testing::TempFolder;
using testing::writeText;

// A profile object whose device node is the given JSON text, loaded from a file in `folder`.
template <typename Profile>
void loadNode(Profile& profile, const TempFolder& folder, const std::string& nodeText) {
    std::string path = folder.file("p.Json");
    writeText(path, "{\"Device\": [" + nodeText + "]}");
    profile.setProfilePath(path);
    profile.loadProfile(path);
}

TEST(ProfileLoading, AProfileWithoutADeviceNodeHealsFromTheDefaultAndKeepsItsOtherMembers) {
    TempFolder folder;
    writeText(folder.file("default.Json"), R"({"profilename": "factory", "Device": [{"LightInfo": {"Red": 9}}]})");
    writeText(folder.file("p.Json"), R"({"profilename": "Mine", "profileUUID": "2024_01_01_00_00_00_000"})");
    CBasicProfiledata profile;
    profile.setDefaultProfilePath(folder.file("default.Json"));
    Json::Value node = profile.loadProfile(folder.file("p.Json"));
    EXPECT_EQ(node["LightInfo"]["Red"].asInt(), 9);

    Json::Value file = JsonFileStore::loadJsonFile(folder.file("p.Json"));
    EXPECT_EQ(file["profilename"].asString(), "Mine");
    EXPECT_EQ(file["profileUUID"].asString(), "2024_01_01_00_00_00_000");
    EXPECT_EQ(file["Device"][0]["LightInfo"]["Red"].asInt(), 9);

    // A missing profile is re-created under the list's name and its file name as identifier.
    writeText(folder.file("ProfileList.ini"), R"({"profilelist": [{"profilename": "Listed", "profileUUID": "new"}]})");
    EXPECT_EQ(profile.loadProfile(folder.file("new.Json"))["LightInfo"]["Red"].asInt(), 9);
    Json::Value created = JsonFileStore::loadJsonFile(folder.file("new.Json"));
    EXPECT_EQ(created["profilename"].asString(), "Listed");
    EXPECT_EQ(created["profileUUID"].asString(), "new");

    // Without a default profile the node is null and nothing is written, not even a null node.
    CBasicProfiledata noDefaults;
    noDefaults.setDefaultProfilePath(folder.file("absent.Json"));
    writeText(folder.file("other.Json"), "{broken");
    EXPECT_TRUE(noDefaults.loadProfile(folder.file("other.Json")).isNull());
    EXPECT_EQ(noDefaults.saveProfile(), 1);
    EXPECT_EQ(testing::readText(folder.file("other.Json")), "{broken");
}

TEST(ProfileLoading, ADamagedProfileIsKeptAsideBeforeItHealsUnderItsListedName) {
    TempFolder folder;
    writeText(folder.file("default.Json"), R"({"Device": [{"LightInfo": {"Red": 9}}]})");
    writeText(folder.file("ProfileList.ini"), R"({"profilelist": [{"profilename": "Mine", "profileUUID": "p"}]})");
    writeText(folder.file("p.Json"), "{\"profilename\": \"Mi");
    CBasicProfiledata profile;
    profile.setDefaultProfilePath(folder.file("default.Json"));
    EXPECT_EQ(profile.loadProfile(folder.file("p.Json"))["LightInfo"]["Red"].asInt(), 9);

    Json::Value healed = JsonFileStore::loadJsonFile(folder.file("p.Json"));
    EXPECT_EQ(healed["profilename"].asString(), "Mine");
    EXPECT_EQ(healed["profileUUID"].asString(), "p");
    std::vector<std::string> kept;
    for (const auto& entry : std::filesystem::directory_iterator(folder.path()))
        if (entry.path().filename().string().rfind("p.Json.broken-", 0) == 0)
            kept.push_back(testing::readText(entry.path().string()));
    EXPECT_EQ(kept, std::vector<std::string>{"{\"profilename\": \"Mi"});
}

TEST(ProfileLoading, ADeviceNodeOfTheWrongTypeCountsAsMissing) {
    TempFolder folder;
    writeText(folder.file("default.Json"), R"({"Device": [{"LightInfo": {"Red": 9}}]})");
    for (const char* text : {R"({"Device": [7]})", R"({"Device": {"0": {}}})", R"([1, 2])", R"("text")"}) {
        writeText(folder.file("p.Json"), text);
        CBasicProfiledata profile;
        profile.setDefaultProfilePath(folder.file("default.Json"));
        EXPECT_EQ(profile.loadProfile(folder.file("p.Json"))["LightInfo"]["Red"].asInt(), 9) << text;
        EXPECT_EQ(JsonFileStore::loadJsonFile(folder.file("p.Json"))["Device"][0]["LightInfo"]["Red"].asInt(), 9);
    }
}

TEST(LightSettings, WriteSaveAndReadBackKeepTheStoredFields) {
    TempFolder folder;
    CBasicProfiledata profile;
    loadNode(profile, folder, "{}");
    profile.writeLightInfo(0x04030201u, 0x07060501u, 0x00ABCDEFu);
    EXPECT_EQ(profile.getLightInfo().extra2, 0xAB);
    ASSERT_EQ(profile.saveProfile(), 0);

    CBasicProfiledata reloaded;
    reloaded.loadProfile(folder.file("p.Json"));
    LightInfo info = reloaded.readLightInfo();
    EXPECT_EQ(info, (LightInfo{1, 2, 3, 4, 1, 5, 6, 7, 0, 0, 0}));
}

TEST(LightSettings, MultiColourIsABooleanAndAMissingSettingReadsAsZeros) {
    TempFolder folder;
    CBasicProfiledata profile;
    loadNode(profile, folder, R"({"LightInfo": {"MultiColor": 2, "Red": 300}})");
    LightInfo info = profile.readLightInfo();
    EXPECT_EQ(info.multiColour, 1);
    EXPECT_EQ(info.red, 300 & 0xFF) << "only the low byte of a wider number is kept";

    loadNode(profile, folder, "{}");
    EXPECT_EQ(profile.readLightInfo(), LightInfo{});
    EXPECT_TRUE(profile.getDeviceNode().isMember("LightInfo")) << "a missing member is looked up as null";
}

TEST(LightSettings, LightListMarksNullElementsAsAbsent) {
    TempFolder folder;
    CBasicProfiledata profile;
    loadNode(profile, folder,
             R"({"LightList": [{"LEDREGMode": 3, "LEDBrightness": 4, "LEDSpeed": 1, "LEDMultiColor": true,
                 "LEDDirection": 5, "red": 10, "green": 20, "blue": 30}, null]})");
    std::vector<LightListEntry> list = profile.readLightList();
    ASSERT_EQ(list.size(), 2u);
    EXPECT_EQ(list[0], (LightListEntry{3, 4, 1, 1, 1, 10, 20, 30, 0, 0, 1}));
    EXPECT_EQ(list[1], LightListEntry{});
}

TEST(KeyList, AssignmentsKeepTheirLowThreeBytesAndWritesLeaveDefaultsAlone) {
    TempFolder folder;
    CBasicProfiledata profile;
    loadNode(profile, folder,
             R"({"KeyList": [{"Assignment": 16909060, "DefaultAssignment": 1048832},
                             {"Assignment": 1, "DefaultAssignment": 2}, {"Assignment": 5}]})");
    std::vector<KeyRecord> keys = profile.readKeyList();
    ASSERT_EQ(keys.size(), 3u);
    EXPECT_EQ(keys[0], makeKeyRecord(0, {2, 3, 4}, {0x10, 1, 0}));
    EXPECT_EQ(keys[2].index, 2);

    keys.resize(2);
    keys[1].current = {0x13, 2, 0};
    profile.writeKeyList(keys);
    ASSERT_EQ(profile.saveProfile(), 0);
    CBasicProfiledata reloaded;
    reloaded.loadProfile(folder.file("p.Json"));
    std::vector<KeyRecord> again = reloaded.readKeyList();
    ASSERT_EQ(again.size(), 3u);
    EXPECT_EQ(again[0].current, (KeyAssignment{2, 3, 4}));
    EXPECT_EQ(again[1], makeKeyRecord(1, {0x13, 2, 0}, {0, 0, 2}));
    EXPECT_EQ(again[2].current, (KeyAssignment{0, 0, 5})) << "elements past the written list stay";
}

TEST(MouseProfile, DpiStagesReadOverTheKeptStages) {
    TempFolder folder;
    CMouseProfiledata profile;
    std::string five = R"({"DPIStages": {"StageActive": 4, "StageDPIs": [)";
    for (int i = 0; i < 5; ++i)
        five += (i ? "," : "") + std::string(R"({"StageActive": 1, "StageDPIX": )") + std::to_string(10 + i) + "}";
    loadNode(profile, folder, five + "]}}");
    EXPECT_EQ(profile.readDpiStages().size(), 5u);
    EXPECT_EQ(profile.getActiveDpiStage(), 4);

    loadNode(profile, folder,
             R"({"DPIStages": {"StageActive": 1, "StageDPIs": [{"StageDPIX": 70}, {"StageDPIX": 71}]}})");
    std::vector<DpiStage> stages = profile.readDpiStages();
    ASSERT_EQ(stages.size(), 5u);
    EXPECT_EQ(stages[0].dpiX, 70);
    EXPECT_EQ(stages[1].dpiX, 71);
    EXPECT_EQ(stages[4].dpiX, 14);
    EXPECT_EQ(profile.getActiveDpiStage(), 1);
}

TEST(MouseProfile, DpiStagesAndSystemWordsRoundTrip) {
    TempFolder folder;
    CMouseProfiledata profile;
    loadNode(profile, folder, "{}");
    std::vector<DpiStage> stages{{1, 0, 6, 6, 255, 0, 0}, {1, 1, 14, 30, 0, 255, 50}};
    profile.writeDpiStages(stages);
    profile.writeActiveDpiStage(1);
    profile.writeMouseSystem({packHalves(5, 9), packHalves(1, 0), packHalves(3, 4)});
    ASSERT_EQ(profile.saveProfile(), 0);

    CMouseProfiledata reloaded;
    reloaded.loadProfile(folder.file("p.Json"));
    EXPECT_EQ(reloaded.readDpiStages(), stages);
    EXPECT_EQ(reloaded.getActiveDpiStage(), 1);
    EXPECT_EQ(reloaded.readMouseSystem(), (SystemWords{packHalves(5, 9), packHalves(1, 0), packHalves(3, 4)}));
    EXPECT_EQ(reloaded.getDeviceNode()["ReportStages"]["StageActive"].asInt(), 4);
}

TEST(MouseProfile, SystemWordsNeedSystemStagesAndTakeTheReportStageOnlyWhenStored) {
    TempFolder folder;
    CMouseProfiledata profile;
    loadNode(profile, folder, R"({"ReportStages": {"StageActive": 3}})");
    EXPECT_EQ(profile.readMouseSystem(), SystemWords{});
    loadNode(profile, folder, R"({"SystemStages": {"WheelScorlllinse": 70000}})");
    EXPECT_EQ(profile.readMouseSystem(), (SystemWords{0, 0, 70000 & 0xFFFF}));
    // A pointer speed past the slider's end reads as its last position.
    loadNode(profile, folder, R"({"SystemStages": {"MouseSpeed": 10, "DoubleClickTime": 3}})");
    EXPECT_EQ(profile.readMouseSystem().word0, packHalves(3, 9));
}

TEST(MouseProfile, CorrectionsAreReadInOrder) {
    TempFolder folder;
    CMouseProfiledata profile;
    loadNode(profile, folder,
             R"({"CorrectInfo": [{"CorrectPixThresh": 4, "CorrectMinSq": 2, "CorrectSelect": 1,
                 "CorrectName": "Light"}, {}]})");
    EXPECT_EQ(profile.readCorrections(), (std::vector<CorrectionPreset>{{4, 2, 1, "Light"}, {0, 0, 0, ""}}));
}

TEST(KeyboardProfile, SystemWordsGroupAndColoursRoundTrip) {
    TempFolder folder;
    CKeyboardProfiledata profile;
    loadNode(profile, folder, "{}");
    SystemWords words{packHalves(2, 1), packHalves(1, 3), packHalves(0, 1)};
    profile.writeKeyboardSystem(words);
    profile.writeCustomLightGroup(1);
    profile.writeCustomLightColours({{1, 2, 3, 4}, {5, 6, 7, 8}}, 1);
    ASSERT_EQ(profile.saveProfile(), 0);

    CKeyboardProfiledata reloaded;
    reloaded.loadProfile(folder.file("p.Json"));
    EXPECT_EQ(reloaded.readKeyboardSystem(), words);
    EXPECT_EQ(reloaded.readCustomLightGroup(), 1);
    EXPECT_EQ(reloaded.readCustomLightColours(1, 2), (std::vector<RgbaColour>{{1, 2, 3, 4}, {5, 6, 7, 8}}));
    EXPECT_EQ(reloaded.getDeviceNode()["SystemStages"]["PollingRate"].asInt(), 3);
}

TEST(KeyboardProfile, MissingCustomColoursAreStoredAsZeros) {
    TempFolder folder;
    CKeyboardProfiledata profile;
    loadNode(profile, folder, R"({"CustomLightMode": {"LightColorInfo": [[{"Red": 9}, null]]}})");
    std::vector<RgbaColour> colours = profile.readCustomLightColours(0, 3);
    EXPECT_EQ(colours, (std::vector<RgbaColour>{{9, 0, 0, 0}, {}, {}}));
    const Json::Value& group = profile.getDeviceNode()["CustomLightMode"]["LightColorInfo"][0];
    ASSERT_EQ(group.size(), 3u);
    EXPECT_EQ(group[2]["Alpha"], Json::Value(0));
    EXPECT_EQ(profile.readCustomLightGroup(), 0);
}

TEST(HeadsetProfile, SettingsRoundTripAndAMissingSettingReadsAsZeros) {
    TempFolder folder;
    CDi6533Profiledata profile;
    loadNode(profile, folder, "{}");
    EXPECT_EQ(profile.readHeadsetSettings(), HeadsetSettings{});
    HeadsetSettings settings{1, 2, 13, 4, 1, 80, 0, 50};
    profile.writeHeadsetSettings(settings);
    profile.writeCustomEqNames({"Bass", "Voice"});
    profile.writeCustomEqValues(1, {1, 2, 3, 4, 5, 6, 7, 8, 9, 10});
    ASSERT_EQ(profile.saveProfile(), 0);

    CDi6533Profiledata reloaded;
    reloaded.loadProfile(folder.file("p.Json"));
    EXPECT_EQ(reloaded.readHeadsetSettings(), settings);
    EXPECT_EQ(reloaded.readCustomEqNames(), (std::vector<std::string>{"Bass", "Voice"}));
    EXPECT_EQ(reloaded.readCustomEqValues(1), (std::vector<int>{1, 2, 3, 4, 5, 6, 7, 8, 9, 10}));
    EXPECT_EQ(reloaded.getDeviceNode()["SystemSetStages"]["CustomEqSeletIndex"].asInt(), 4);
}

TEST(HeadsetProfile, EqualiserTypesMapToTheirCurves) {
    EXPECT_EQ(eqPresetIndex(0), 1);
    EXPECT_EQ(eqPresetIndex(20), 1);
    EXPECT_EQ(eqPresetIndex(-3), 1);
    EXPECT_EQ(eqPresetIndex(12), 12);
    EXPECT_EQ(eqPresetIndex(13), std::nullopt);

    TempFolder folder;
    CDi6533Profiledata profile;
    loadNode(profile, folder, "{}");
    profile.writeEqValues(0, {1, 1, 1, 1, 1, 1, 1, 1, 1, 1});
    EXPECT_EQ(profile.readEqValues(20), std::vector<int>(10, 1));
    profile.writeEqValues(13, {9, 9, 9, 9, 9, 9, 9, 9, 9, 9});
    EXPECT_TRUE(profile.readEqValues(13).empty());
    EXPECT_FALSE(profile.getDeviceNode().isMember("CustomEQHzValueInfo"));
}

TEST(HeadsetProfile, AMissingCurveReadsAndIsStoredAsTenZeros) {
    TempFolder folder;
    CDi6533Profiledata profile;
    loadNode(profile, folder, "{}");
    EXPECT_EQ(profile.readEqValues(3), std::vector<int>(10, 0));
    const Json::Value& curve = profile.getDeviceNode()["EQHzValueInfo"][3];
    ASSERT_EQ(curve.size(), 10u);
    for (const Json::Value& band : curve)
        EXPECT_EQ(band["value"], Json::Value(0));

    EXPECT_EQ(profile.readCustomEqValues(-1), std::vector<int>(10, 0));
    profile.writeCustomEqValues(-1, std::vector<int>(10, 5));
    EXPECT_FALSE(profile.getDeviceNode().isMember("CustomEQHzValueInfo")) << "no slot means nothing stored";
}

TEST(LightEffects, TheCurrentModeNamesAnEffectFileBesideTheLightConfiguration) {
    TempFolder folder;
    writeText(folder.file("tavix_light.config"),
              R"({"LightInfo": [[{"Guid": "a"}, {"Guid": "b"}, {"Guid": "../escape"}, {"Guid": "missing"}]]})");
    writeText(folder.file("b.light"), R"({"LEDEffectList": [{"LEDREGMode": 2, "LEDDirection": 1,
        "LEDBrightness": 4, "LEDSpeed": 3, "LEDMultiColor": 1, "red": 9, "green": 8, "blue": 7, "Time": 500,
        "Cyle": 2}, {"Time": -5}]})");
    writeText(folder.path() + "../escape.light", R"({"LEDEffectList": [{"Time": 1}]})");
    CBasicProfiledata profile;
    loadNode(profile, folder, "{}");
    EXPECT_TRUE(profile.readLedEffects().empty()) << "no light configuration loaded";
    profile.loadLightConfig(folder.file("tavix_light.config"));

    profile.writeLightInfo(LightInfo{.mode = 1});
    std::vector<LedEffectStep> steps = profile.readLedEffects();
    ASSERT_EQ(steps.size(), 2u);
    EXPECT_EQ(steps[0], (LedEffectStep{2, 4, 3, 1, 1, 9, 8, 7, 0, 500, 2}));
    EXPECT_EQ(steps[1].time, 0u) << "a negative time reads as 0";

    for (uint8_t mode : {0, 2, 3, 9}) {
        profile.writeLightInfo(LightInfo{.mode = mode});
        EXPECT_TRUE(profile.readLedEffects().empty()) << int(mode);
    }
    std::filesystem::remove(folder.path() + "../escape.light");
}

} // namespace
} // namespace pelan
