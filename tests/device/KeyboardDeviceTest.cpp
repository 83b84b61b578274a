#include "device/KeyboardDevice.h"
#include "EmulatedModelFixture.h"

namespace pelan {
namespace {

class KeyboardTest : public test::EmulatedModelTest<KeyboardDevice> {
protected:
    KeyboardTest() : EmulatedModelTest("keyboard", 4) {}

    static KeyRecord key(uint16_t index, KeyAssignment current) { return makeKeyRecord(index, current, {}); }

    // A key list that gives logical key i the assignment 40 i i+1 for the keys in `which`, and every other key its
    // factory function.
    static std::vector<KeyRecord> keyList(std::initializer_list<size_t> which) {
        std::vector<KeyRecord> keys;
        for (size_t i = 0; i < keyboard::kLogicalKeyCount; ++i) {
            const auto& code = keyboard::logicalKeyCodes()[i];
            keys.push_back(key(uint16_t(i), KeyAssignment{code[0], code[1], code[2]}));
        }
        for (size_t i : which)
            keys[i] = key(uint16_t(i), KeyAssignment{0x40, uint8_t(i), uint8_t(i + 1)});
        return keys;
    }
};

TEST_F(KeyboardTest, ReadDeviceFindsEveryLogicalKeyWithItsLed) {
    ASSERT_EQ(model->readDevice(), kResultAccepted);
    EXPECT_EQ(model->deviceInfo, device->deviceInfo());
    EXPECT_EQ(model->commandChannel.blockSize.load(), 126 * 3);
    EXPECT_EQ(model->perKeyTable(), device->perKeyTable());
    EXPECT_EQ(device->openUpdates(), 0);

    const keyboard::KeyPositions& found = model->keyPositions();
    // The emulated table holds the logical keys in order; its LEDs run from the last position to the first.
    EXPECT_EQ(found.position[0], 0);
    EXPECT_EQ(found.ledIndex[0], 125);
    EXPECT_EQ(found.position[125], 125);
    EXPECT_EQ(found.ledIndex[125], 0);
    // The five keys that share the code 20 00 00 each have a position of their own.
    for (size_t blank : {18u, 19u, 20u, 62u, 104u}) {
        EXPECT_EQ(found.position[blank], blank) << blank;
        EXPECT_EQ(found.ledIndex[blank], keyboard::kNoPosition) << blank; // unused positions have no LED
    }
    EXPECT_EQ(model->keyPositionMap.at(33), 33);
}

TEST_F(KeyboardTest, AssignmentsGoToTheirKeysPositionsAndNoTwoKeysShareOne) {
    // The keyboard's layout lacks key 1's factory code: the key keeps its layout position.
    ASSERT_TRUE(device->setKeyLayoutCode(1, {0x40, 0x77, 0x77}));
    ASSERT_EQ(model->readDevice(), kResultAccepted);
    ASSERT_EQ(model->keyPositions().position[1], 1);

    device->clearRequestLog();
    ASSERT_EQ(model->writeKeyAssignments(0, keyList({1, 2, 19, 20, 125})), kResultAccepted);
    const std::vector<uint8_t> table = device->keyTable(0);
    EXPECT_EQ(std::vector<uint8_t>(table.begin() + 3, table.begin() + 6), (std::vector<uint8_t>{0x40, 1, 2}));
    EXPECT_EQ(std::vector<uint8_t>(table.begin() + 6, table.begin() + 9), (std::vector<uint8_t>{0x40, 2, 3}));
    // Keys 19 and 20 share their factory code with key 18, which keeps its own function.
    EXPECT_EQ(std::vector<uint8_t>(table.begin() + 54, table.begin() + 57), (std::vector<uint8_t>{0x20, 0, 0}));
    EXPECT_EQ(std::vector<uint8_t>(table.begin() + 57, table.begin() + 60), (std::vector<uint8_t>{0x40, 19, 20}));
    EXPECT_EQ(std::vector<uint8_t>(table.begin() + 60, table.begin() + 63), (std::vector<uint8_t>{0x40, 20, 21}));
    EXPECT_EQ(std::vector<uint8_t>(table.begin() + 375, table.begin() + 378), (std::vector<uint8_t>{0x40, 125, 126}));
    EXPECT_EQ(commands().front(), command::kReadDeviceInfo);
    EXPECT_EQ(device->openUpdates(), 0);

    device->clearRequestLog();
    EXPECT_EQ(model->writeKeyAssignments(2, keyList({})), kResultBadKeyTable);
    EXPECT_TRUE(device->requestLog().empty());
}

TEST_F(KeyboardTest, ReassignedKeysSurviveReconnectionWhenTheKeyboardReportsItsAssignedTable) {
    device->setKeyReadsAssigned(true);
    ASSERT_EQ(model->readDevice(), kResultAccepted);
    std::vector<KeyRecord> keys = keyList({0, 19});
    model->profileData().writeKeyList(keys);
    ASSERT_EQ(model->writeCurrentKeys(0), kResultAccepted);

    id = emulated.replug(id, model->commandChannel, 4);
    ASSERT_GT(id, 0);
    ASSERT_EQ(model->readDevice(), kResultAccepted);
    EXPECT_EQ(model->keyPositions().position[0], 0);
    EXPECT_EQ(model->keyPositions().position[19], 19);

    keys[0].current = {0x40, 0xAA, 0x00};
    model->profileData().writeKeyList(keys);
    ASSERT_EQ(model->writeCurrentKeys(0), kResultAccepted);
    const std::vector<uint8_t> table = device->keyTable(0);
    EXPECT_EQ(std::vector<uint8_t>(table.begin(), table.begin() + 3), (std::vector<uint8_t>{0x40, 0xAA, 0x00}));
    EXPECT_EQ(std::vector<uint8_t>(table.begin() + 54, table.begin() + 57), (std::vector<uint8_t>{0x20, 0, 0}));
    EXPECT_EQ(std::vector<uint8_t>(table.begin() + 57, table.begin() + 60), (std::vector<uint8_t>{0x40, 19, 20}));
}

TEST_F(KeyboardTest, UnplugDuringReadDeviceKeepsTheCachedTablesAndReportsFailure) {
    ASSERT_EQ(model->readDevice(), kResultAccepted);
    const auto positions = model->keyPositions().position;
    const auto table = model->keyTable;
    device->unplugOnPacket(4); // inside the key table
    EXPECT_NE(model->readDevice(), kResultAccepted);
    EXPECT_EQ(model->keyPositions().position, positions);
    EXPECT_EQ(model->keyTable, table);
}

TEST_F(KeyboardTest, SettingsReadTakesLightAndFlagsIntoTheProfile) {
    Json::Value node = lightNode({.mode = 1, .effect = 1});
    node["SystemStages"]["Repeat"] = 5;
    node["SystemStages"]["PollingRate"] = 2;
    writeProfile("k1", node);
    model->loadProfileIntoPage();

    std::vector<uint8_t> block(25, 0);
    block[1] = 9;
    block[2] = 2;
    block[3] = 1; // speed 3
    block[4] = 0;
    block[5] = 1;
    block[6] = 50;
    block[16] = 0x77;
    block[19] = 1;
    block[20] = 1;
    block[21] = 0;
    ASSERT_TRUE(device->writeMemory(50, block));
    ASSERT_TRUE(device->writeMemory(0, std::vector<uint8_t>{2}));
    ASSERT_EQ(model->readSettings(), kResultAccepted);
    EXPECT_EQ(offsetsOf(command::kReadMemory), (std::vector<uint16_t>{0, 50}));
    EXPECT_EQ(model->currentProfile(), 2);
    EXPECT_EQ(observer.profiles, (std::vector<int>{2}));

    const LightInfo light = model->getLightInfo();
    EXPECT_EQ(light.mode, 9);
    EXPECT_EQ(light.speed, 3);
    EXPECT_EQ(light.effect, 1); // the page's own effect byte stays
    EXPECT_EQ(light.red, 50);
    const Json::Value saved = savedNode("k1");
    EXPECT_EQ(saved["LightInfo"]["SelectItem"].asInt(), 9);
    EXPECT_EQ(saved["SystemStages"]["WFlag"].asInt(), 1);
    EXPECT_EQ(saved["SystemStages"]["Key6Flag"].asInt(), 1);
    EXPECT_EQ(saved["SystemStages"]["WinFlag"].asInt(), 0);
    EXPECT_EQ(saved["SystemStages"]["Repeat"].asInt(), 5);
    EXPECT_EQ(saved["SystemStages"]["PollingRate"].asInt(), 2);
}

TEST_F(KeyboardTest, AFailedSettingsReadChangesNeitherPageNorProfile) {
    writeProfile("k1", lightNode({.mode = 1, .brightness = 3}));
    model->loadProfileIntoPage();
    const LightInfo before = model->getLightInfo();
    const Json::Value savedBefore = savedNode("k1");
    device->refusePacket(2);
    EXPECT_EQ(model->readSettings(), kResultRefusedFF);
    model->commandChannel.connected = 0;
    EXPECT_EQ(model->readSettings(), kResultNoAnswer);
    EXPECT_EQ(model->getLightInfo(), before);
    EXPECT_EQ(savedNode("k1"), savedBefore);
    EXPECT_TRUE(observer.profiles.empty());
}

TEST_F(KeyboardTest, WrittenSettingsBlockReadsBackByteForByte) {
    Json::Value node = lightNode(
        {.mode = 25, .brightness = 2, .speed = 1, .effect = 1, .multiColour = 1, .red = 7, .green = 8, .blue = 9});
    node["SystemStages"]["Key6Flag"] = 1;
    node["SystemStages"]["PollingRate"] = 3;
    node["SystemStages"]["WFlag"] = 1;
    node["SystemStages"]["WinFlag"] = 1;
    writeProfile("k1", node);
    model->loadProfileIntoPage();
    ASSERT_EQ(model->writeSettings(1, 0), kResultAccepted);
    EXPECT_EQ(offsetsOf(command::kWriteMemory), (std::vector<uint16_t>{25}));
    const std::vector<uint8_t> expected = {0, 0, 2, 3, 1, 1, 7, 8, 9, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1, 1, 1, 3, 0, 0};
    EXPECT_EQ(device->readMemory(25, 25), expected);

    model->setLightInfo(24, 0, 0);
    ASSERT_EQ(model->writeSettings(0, 0), kResultAccepted);
    EXPECT_EQ(device->readMemory(1, 1), (std::vector<uint8_t>{24}));
}

// A keyboard that lost the profile's settings (in its active profile 2) gets them back; one that holds them is not
// written to.
TEST_F(KeyboardTest, ReapplyWritesTheProfileOnlyWhenTheKeyboardHoldsOtherSettings) {
    Json::Value node = lightNode({.mode = 5, .brightness = 3, .speed = 2, .red = 40});
    node["SystemStages"]["WFlag"] = 1;
    writeProfile("k1", node);
    model->loadProfileIntoPage();
    ASSERT_TRUE(device->writeMemory(0, std::vector<uint8_t>{2}));
    ASSERT_EQ(model->writeSettings(2, 0), kResultAccepted);
    const std::vector<uint8_t> profileBlock = device->readMemory(51, 24);
    EXPECT_TRUE(model->reapplyProfile().empty());

    ASSERT_TRUE(device->writeMemory(51, std::vector<uint8_t>{9, 0, 4}));
    EXPECT_EQ(model->reapplyProfile(), (std::vector<std::string>{"settings"}));
    EXPECT_EQ(device->readMemory(51, 24), profileBlock);
    EXPECT_TRUE(model->reapplyProfile().empty());
}

TEST_F(KeyboardTest, ARefusedWriteIsReportedAndTheUpdateIsClosed) {
    writeProfile("k1", lightNode({.mode = 2}));
    model->loadProfileIntoPage();
    device->refusePacket(2, report::kStatusRefusedFE);
    EXPECT_EQ(model->writeSettings(0, 0), kResultRefusedFE);
    EXPECT_EQ(device->openUpdates(), 0);
}

// Custom light mode: painting stores the group's colours by LED, and the keyboard receives them in LED order (unlit
// LEDs dark).
TEST_F(KeyboardTest, CustomColoursAreStoredPerGroupAndStreamedByLed) {
    Json::Value node = lightNode({.mode = 8});
    node["CustomLightMode"]["CustomLightModeGroupIndex"] = 1;
    node["CustomLightMode"]["LightColorInfo"][1][3] = Json::objectValue;
    node["CustomLightMode"]["LightColorInfo"][1][3]["Red"] = 9;
    node["CustomLightMode"]["LightColorInfo"][1][3]["Alpha"] = 255;
    writeProfile("k1", node);
    model->loadProfileIntoPage();
    ASSERT_EQ(model->customLight().group(), 1);

    const std::vector<int> leds = {0, 5, 125, 126, -1}; // the last two lie outside the keyboard
    ASSERT_EQ(model->paintCustomLeds(leds, true, {10, 20, 30}), kResultAccepted);
    ASSERT_EQ(model->paintCustomLeds(std::vector<int>{5}, false, {1, 1, 1}), kResultAccepted);
    const std::vector<uint8_t> frame = device->lightFrame();
    ASSERT_GE(frame.size(), 126u * 3);
    EXPECT_EQ(std::vector<uint8_t>(frame.begin(), frame.begin() + 3), (std::vector<uint8_t>{10, 20, 30}));
    EXPECT_EQ(std::vector<uint8_t>(frame.begin() + 9, frame.begin() + 12), (std::vector<uint8_t>{9, 0, 0}));
    EXPECT_EQ(std::vector<uint8_t>(frame.begin() + 15, frame.begin() + 18), (std::vector<uint8_t>{0, 0, 0}));
    EXPECT_EQ(std::vector<uint8_t>(frame.begin() + 375, frame.begin() + 378), (std::vector<uint8_t>{10, 20, 30}));

    const Json::Value group = savedNode("k1")["CustomLightMode"]["LightColorInfo"][1];
    ASSERT_EQ(group.size(), 126u);
    EXPECT_EQ(group[125]["Blue"].asInt(), 30);
    EXPECT_EQ(group[125]["Alpha"].asInt(), 255);
    EXPECT_EQ(group[5]["Alpha"].asInt(), 0);
}

// The custom mode chosen brings its effect list from the light configuration: its entries, each for its time, set the
// brightness of the lit keys, which keep their own colours; unlit keys stay dark.
TEST_F(KeyboardTest, TheChosenCustomModesEffectsPlayOverTheLitKeys) {
    Json::Value config;
    config["LightInfo"][0][1]["Guid"] = "kb_effect";
    ASSERT_EQ(JsonFileStore::writeJsonFile(folder() + "tavix_light.config", config), 0);
    Json::Value effect;
    for (const auto& [mode, time] : {std::pair{2, 500}, std::pair{7, 100}}) {
        Json::Value step;
        step["LEDREGMode"] = mode;
        step["LEDBrightness"] = 4;
        step["LEDSpeed"] = 1;
        step["red"] = 1;
        step["Time"] = time;
        effect["LEDEffectList"].append(step);
    }
    ASSERT_EQ(JsonFileStore::writeJsonFile(folder() + "kb_effect.light", effect), 0);
    writeProfile("k1", lightNode({.mode = 8}));
    std::chrono::milliseconds now{1000};
    model->setTickSource([&] { return now; });
    model->loadProfileIntoPage();
    EXPECT_TRUE(model->customLight().effects().empty()); // group 0 names no effect

    ASSERT_EQ(model->chooseCustomGroup(1), kResultAccepted);
    ASSERT_EQ(model->customLight().effects().size(), 2u);
    ASSERT_EQ(model->paintCustomLeds(std::vector<int>{125}, true, {10, 20, 30}), kResultAccepted);
    EXPECT_EQ(model->ledSnapshot()[125], light::packLed({10, 20, 30}, 255));
    EXPECT_EQ(model->ledSnapshot()[124], 0u);
    now += std::chrono::milliseconds(500);
    ASSERT_EQ(model->paintCustomLeds(std::vector<int>{}, true, {}), kResultAccepted);
    EXPECT_EQ(light::ledBrightness(model->ledSnapshot()[125]), 0); // the second entry is off
    // The keyboard still holds the stored colours.
    const std::vector<uint8_t> frame = device->lightFrame();
    EXPECT_EQ(std::vector<uint8_t>(frame.begin() + 375, frame.begin() + 378), (std::vector<uint8_t>{10, 20, 30}));
}

} // namespace
} // namespace pelan
