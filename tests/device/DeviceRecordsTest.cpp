#include <gtest/gtest.h>

#include <algorithm>
#include <cstddef>
#include <set>
#include <vector>

#include "device/KeyboardLayout.h"
#include "device/MouseSettingsBlock.h"
#include "device/PadSettingsRecord.h"
#include "device/PowerDisplay.h"
#include "device/ProfileLimits.h"
#include "device/SupportedDevices.h"
#include "profile/JsonFileStore.h"

namespace pelan {
namespace {

PowerStatus status(uint8_t battery, uint8_t charging, uint8_t wireless, uint8_t phone) {
    PowerStatus record;
    record.bytes = {battery, charging, 0, wireless, 0, phone};
    return record;
}

TEST(PowerDisplay, ChargeShowsAsPercentAndTheBarShowsTheCharge) {
    const PowerDisplayState shown = decodePowerStatus(status(80, 1, 0, 0), 0);
    EXPECT_EQ(shown.valueText, "80%");
    EXPECT_EQ(shown.progress, 80);
    EXPECT_FALSE(shown.wirelessMark);
    EXPECT_EQ(shown.chargingPicture, std::optional<std::string>("file='power/powering.png'"));

    EXPECT_EQ(decodePowerStatus(status(0, 0, 0, 0), 0).progress, 0);
    EXPECT_EQ(decodePowerStatus(status(100, 0, 0, 0), 0).progress, 100);
}

TEST(PowerDisplay, NonsenseChargeKeepsTheBarInRange) {
    const PowerDisplayState shown = decodePowerStatus(status(250, 2, 0, 0), 0);
    EXPECT_EQ(shown.valueText, "250%");
    EXPECT_EQ(shown.progress, 100);
}

TEST(PowerDisplay, ChargingStatesPickTheirPictures) {
    const PowerDisplayState charged = decodePowerStatus(status(100, 0, 0, 0), 0);
    EXPECT_EQ(charged.chargingPicture, std::optional<std::string>("file='power/powered.png'"));
    EXPECT_EQ(decodePowerStatus(status(50, 2, 0, 0), 0).chargingPicture,
              std::optional<std::string>("file='power/power.png'"));
    // An unknown state leaves the picture as it is.
    const PowerDisplayState unknown = decodePowerStatus(status(50, 7, 0, 0), 0);
    EXPECT_FALSE(unknown.chargingPicture.has_value());
}

TEST(PowerDisplay, WirelessMarkFollowsByteThree) {
    EXPECT_TRUE(decodePowerStatus(status(50, 2, 1, 0), 0).wirelessMark);
    EXPECT_TRUE(decodePowerStatus(status(50, 2, 0x80, 0), 0).wirelessMark);
}

TEST(PowerDisplay, PhoneIsDecidedOnlyInDisplayModeThree) {
    for (int mode : {0, 1, 2, 4})
        EXPECT_FALSE(decodePowerStatus(status(50, 1, 0, 1), mode).phone.has_value()) << mode;

    const struct {
        uint8_t type;
        const char* name;
    } phones[] = {{1, "Phone_type_iphone"},    {2, "Phone_type_samsung"},   {3, "Phone_type_other"},
                  {0, "Phone_type_no_device"}, {4, "Phone_type_no_device"}, {255, "Phone_type_no_device"}};
    for (const auto& phone : phones) {
        const auto shown = decodePowerStatus(status(50, 1, 0, phone.type), 3).phone;
        ASSERT_TRUE(shown.has_value());
        EXPECT_EQ(shown->name, phone.name);
        EXPECT_EQ(shown->picture, std::string("file='power/") + phone.name + ".png'");
    }
}

TEST(PadRecord, SpeedIsHeldReversedOnTheWireAndOtherBytesPassThrough) {
    PadSettingsRecord record;
    record.profile = 2;
    record.mode = 6;
    record.brightness = 3;
    record.speed = 4;
    record.effect = 9;
    record.multiColour = 1;
    record.red = 10;
    record.green = 20;
    record.blue = 30;
    for (size_t i = 0; i < record.reserved.size(); ++i)
        record.reserved[i] = uint8_t(0xA0 + i);
    const PadRecordBytes wire = encodePadRecord(record);
    EXPECT_EQ(wire[0], 2);
    EXPECT_EQ(wire[1], 6);
    EXPECT_EQ(wire[3], 0); // speed 4 is held as 0
    EXPECT_EQ(wire[4], 9);
    EXPECT_EQ(wire[8], 30);
    EXPECT_EQ(wire[9], 0xA0);
    EXPECT_EQ(wire[20], 0xAB);
    EXPECT_EQ(decodePadRecord(wire), record);
}

TEST(PadRecord, WireSpeedsOutsideTheRangeReadAsTheSlowest) {
    PadRecordBytes wire{};
    wire[3] = 4;
    EXPECT_EQ(decodePadRecord(wire).speed, 0);
    wire[3] = 0;
    EXPECT_EQ(decodePadRecord(wire).speed, 4);
    wire[3] = 5;
    EXPECT_EQ(decodePadRecord(wire).speed, 0);
    wire[3] = 255;
    EXPECT_EQ(decodePadRecord(wire).speed, 0);
}

TEST(PadRecord, LightSettingMovesIntoTheRecordAndBack) {
    LightInfo light{
        .mode = 7, .brightness = 2, .speed = 1, .effect = 1, .multiColour = 1, .red = 4, .green = 5, .blue = 6};
    PadSettingsRecord record;
    record.profile = 3;
    record.effect = 0x55;
    applyLightToPadRecord(record, light);
    EXPECT_EQ(record.profile, 3);
    EXPECT_EQ(record.effect, 0x55); // the device's byte is not the profile's
    EXPECT_EQ(padRecordLight(record, light.effect), light);
}

std::vector<uint8_t> tableOf(const std::vector<keyboard::FactoryCode>& codes) {
    std::vector<uint8_t> table;
    for (const auto& code : codes)
        table.insert(table.end(), code.begin(), code.end());
    return table;
}

TEST(KeyboardKeys, LogicalKeysAreFoundByFactoryCodeWithTheirLeds) {
    const auto& codes = keyboard::logicalKeyCodes();
    // The table lists the keys back to front; each position's LED is its position plus 100.
    std::vector<keyboard::FactoryCode> positions(codes.rbegin(), codes.rend());
    std::vector<uint8_t> leds(positions.size());
    for (size_t i = 0; i < leds.size(); ++i)
        leds[i] = uint8_t(100 + i);
    const auto found = keyboard::findKeyPositions(tableOf(positions), leds);

    EXPECT_EQ(found.position[0], 125); // 20 00 29 is the last position
    EXPECT_EQ(found.ledIndex[0], 225);
    EXPECT_EQ(found.position[125], 0);
    EXPECT_EQ(found.ledIndex[125], 100);
    // The five keys with code 20 00 00 take the five positions holding it, one each.
    std::set<size_t> blanks;
    for (size_t at = 0; at < positions.size(); ++at)
        if (positions[at] == keyboard::FactoryCode{0x20, 0, 0})
            blanks.insert(at);
    std::set<size_t> taken;
    for (size_t key : {18u, 19u, 20u, 62u, 104u}) {
        ASSERT_EQ(codes[key], (keyboard::FactoryCode{0x20, 0, 0})) << key;
        taken.insert(found.position[key]);
    }
    EXPECT_EQ(taken, blanks);
}

TEST(KeyboardKeys, KeysMissingFromTheTableOrPerKeyTableAreMarked) {
    std::vector<keyboard::FactoryCode> positions = {{0x20, 0x00, 0x29}, {0x20, 0x00, 0x3A}, {0x20, 0x00, 0x3B}};
    const std::vector<uint8_t> leds = {7}; // only the first position has an LED entry
    const auto found = keyboard::findKeyPositions(tableOf(positions), leds);
    EXPECT_EQ(found.position[0], 0);
    EXPECT_EQ(found.ledIndex[0], 7);
    EXPECT_EQ(found.position[1], 1);
    EXPECT_EQ(found.ledIndex[1], keyboard::kNoPosition);
    EXPECT_EQ(found.position[3], keyboard::kNoPosition);
    EXPECT_EQ(found.ledIndex[3], keyboard::kNoPosition);
    // A partial entry at the end of the table is no position.
    std::vector<uint8_t> cut = tableOf(positions);
    cut.resize(8);
    EXPECT_EQ(keyboard::findKeyPositions(cut, leds).position[2], keyboard::kNoPosition);
    EXPECT_EQ(found.asPositionMap().size(), keyboard::kLogicalKeyCount);
    EXPECT_EQ(found.asPositionMap().at(5), keyboard::kNoPosition);
}

TEST(KeyboardSettings, BlockCarriesLightAndSystemFlags) {
    const LightInfo light{
        .mode = 24, .brightness = 3, .speed = 1, .effect = 1, .multiColour = 1, .red = 9, .green = 8, .blue = 7};
    // Repeat 5 | delay 6, Key6Flag 1 | PollingRate 3, WFlag 1 | WinFlag 1.
    const SystemWords system{packHalves(5, 6), packHalves(1, 3), packHalves(1, 1)};
    const auto block = keyboard::encodeSettings(light, system, 0);
    const keyboard::SettingsBytes expected = {0, 24, 3, 3, 1, 1, 9, 8, 7, 0, 0, 0, 0,
                                              0, 0,  0, 0, 0, 0, 1, 1, 1, 3, 0, 0};
    EXPECT_EQ(block, expected);

    LightInfo tooHigh = light;
    tooHigh.mode = 25;
    EXPECT_EQ(keyboard::encodeSettings(tooHigh, system, 0)[1], 0);
}

TEST(KeyboardSettings, ReadBlockGivesLightAndFlags) {
    keyboard::SettingsBytes block{};
    block[1] = 3;
    block[2] = 2;
    block[3] = 0; // speed 4
    block[4] = 1;
    block[5] = 1;
    block[6] = 10;
    block[19] = 1;
    block[20] = 0;
    block[21] = 1;
    const auto decoded = keyboard::decodeSettings(block);
    EXPECT_EQ(decoded.light.mode, 3);
    EXPECT_EQ(decoded.light.speed, 4);
    EXPECT_EQ(decoded.light.effect, 0);
    EXPECT_EQ(decoded.light.red, 10);
    EXPECT_EQ(decoded.wFlag, 1);
    EXPECT_EQ(decoded.key6Flag, 0);
    EXPECT_EQ(decoded.winFlag, 1);
}

// A profile from outside holds what it likes; the device gets the nearest values it takes, and each change is named.
TEST(ProfileLimits, OutOfRangeMembersAreClampedAndNamed) {
    std::optional<Json::Value> mouse = JsonFileStore::parseJsonText(R"({
        "LightInfo": {"Light": 255, "Speed": -1, "Red": 300, "Green": 12, "SelectItem": 2.5, "MultiColor": true},
        "DPIStages": {"StageActive": -7, "StageDPIs": [{"StageDPIX": -5, "StageDPIY": 80}, {"StageDPIX": 73}]},
        "ReportStages": {"StageActive": 249},
        "KeyList": [{"Assignment": 16777216, "DefaultAssignment": 1052672}, {"Assignment": -1},
                    {"Assignment": 7340032}]})");
    ASSERT_TRUE(mouse);
    const std::vector<std::string> changed = clampDeviceNode(*mouse, profileLimitsOfKind(kDeviceKindMouse));
    EXPECT_EQ(changed,
              (std::vector<std::string>{"LightInfo.SelectItem", "LightInfo.Light", "LightInfo.Speed", "LightInfo.Red",
                                        "DPIStages.StageActive", "DPIStages.StageDPIs[0].StageDPIX",
                                        "DPIStages.StageDPIs[0].StageDPIY", "ReportStages.StageActive",
                                        "KeyList[0].Assignment", "KeyList[1].Assignment"}));
    EXPECT_EQ((*mouse)["LightInfo"]["Light"], 4);
    EXPECT_EQ((*mouse)["LightInfo"]["Speed"], 0);
    EXPECT_EQ((*mouse)["LightInfo"]["Red"], 255);
    EXPECT_EQ((*mouse)["LightInfo"]["SelectItem"], 2);
    EXPECT_EQ((*mouse)["DPIStages"]["StageActive"], 0);
    EXPECT_EQ((*mouse)["DPIStages"]["StageDPIs"][0]["StageDPIX"], 0);
    EXPECT_EQ((*mouse)["DPIStages"]["StageDPIs"][0]["StageDPIY"], 73);
    EXPECT_EQ((*mouse)["ReportStages"]["StageActive"], 4);
    EXPECT_EQ((*mouse)["KeyList"][0]["Assignment"], 1052672);
    EXPECT_EQ((*mouse)["KeyList"][1]["Assignment"], 0);
    EXPECT_EQ(joinMemberPaths({"a", "b", "c"}), "a, b and c");
    // Nothing is added where nothing was.
    Json::Value empty(Json::objectValue);
    EXPECT_TRUE(clampDeviceNode(empty, profileLimitsOfKind(kDeviceKindMouse)).empty());
    EXPECT_EQ(empty, Json::Value(Json::objectValue));

    std::optional<Json::Value> keyboard =
        JsonFileStore::parseJsonText(R"({"SystemStages": {"PollingRate": 9}, "ReportStages": {"StageActive": 9}})");
    ASSERT_TRUE(keyboard);
    EXPECT_EQ(clampDeviceNode(*keyboard, profileLimitsOfKind(kDeviceKindKeyboard)),
              std::vector<std::string>{"SystemStages.PollingRate"});
}

// What reaches the wire is held to the device's ranges even when the profile was not checked.
TEST(ProfileLimits, EncodersHoldEachFieldToItsRange) {
    MouseSettingsSource source;
    source.light.brightness = 255;
    source.reportRate = 249;
    source.activeStage = 200;
    source.stageCodes = {65531, 73, 0, 0, 0, 0};
    const MouseSettingsBytes block = encodeMouseSettings(source, false);
    EXPECT_EQ(block[mouse_block::kBrightness], 4);
    EXPECT_EQ(block[mouse_block::kReportRate], 4);
    EXPECT_EQ(block[mouse_block::kActiveStage], 5);
    EXPECT_EQ(block[mouse_block::kStageCode[0]], 73);
    EXPECT_EQ(block[mouse_block::kStageCode[0] + 1], 0);

    LightInfo light;
    light.brightness = 9;
    SystemWords system;
    system.word1 = 0xFFF90000;
    const keyboard::SettingsBytes bytes = keyboard::encodeSettings(light, system, 0);
    EXPECT_EQ(bytes[offsetof(keyboard::SettingsBlock, brightness)], 4);
    EXPECT_EQ(bytes[offsetof(keyboard::SettingsBlock, pollingRate)], 4);
}

} // namespace
} // namespace pelan
