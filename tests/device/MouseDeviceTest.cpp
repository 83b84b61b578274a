#include <algorithm>

#include "device/DeviceProfile.h"
#include "device/MouseDevice.h"
#include "device/MouseSettingsBlock.h"
#include "profile/JsonFileStore.h"
#include "tests/device/MouseModelFixture.h"

namespace pelan {
namespace {

using test::commandsOf;
using test::countCommand;

class MouseDeviceTest : public test::MouseModelTest {
protected:
    // A profile with every field the settings block carries.
    Json::Value fullProfile() {
        Json::Value node;
        node["LightInfo"] = lightNode(4, 3, 1, 1, true, 1, 2, 3);
        node["DPIStages"] = stagesNode(2, {4, 48, 49, 73, 10, 20});
        node["SystemStages"]["DoubleClickTime"] = 5;
        node["SystemStages"]["MouseSpeed"] = 10;
        node["ReportStages"]["StageActive"] = 3;
        node["KeyList"] = keyListNode({{0x100100, 0x100100},
                                       {0x100200, 0x100200},
                                       {0x700000, 0x100400}, // macro 0 on the middle button
                                       {0x700300, 0x101000}, // macro 3, which does not exist
                                       {0x200004, 0x100800},
                                       {0x130100, 0x130100},
                                       {0x130200, 0x130200},
                                       {0xA00200, 0xA00200},
                                       {0x200005, 0},
                                       {0x200006, 0}});
        return node;
    }

    void loadFullProfile() {
        writeProfile("p1", fullProfile());
        model->loadProfileIntoPage();
    }

    std::vector<uint8_t> emulatorKeyTable() const { return mouse->keyTable(0); }
};

TEST_F(MouseDeviceTest, OnlyFirmwareBelow0103AndNotZeroAsksForAnUpgrade) {
    for (const auto& [version, tooOld] : std::vector<std::pair<uint16_t, bool>>{
             {0x0102, true}, {0x0103, false}, {0x0000, false}, {0x0001, true}, {0x0200, false}}) {
        plugMouse(version);
        const MouseDevice::ReadDeviceResult read = model->readDevice();
        EXPECT_EQ(read.result, 1) << version;
        EXPECT_EQ(read.versionNumber, version);
        EXPECT_EQ(read.firmwareTooOld, tooOld) << version;
    }
}

TEST_F(MouseDeviceTest, ReadDeviceCachesTheKeyTableAndGivesEachButtonItsOwnPosition) {
    const auto read = model->readDevice();
    ASSERT_EQ(read.result, 1);
    EXPECT_EQ(commandsOf(*mouse), (std::vector<uint8_t>{0x01, 0x03, 0x07, 0x02}));
    EXPECT_EQ(mouse->openUpdates(), 0);
    EXPECT_EQ(model->commandChannel.blockSize.load(), 30);
    const std::vector<uint8_t> table = emulatorKeyTable();
    EXPECT_TRUE(std::equal(table.begin(), table.end(), model->keyTable.begin()));
    // Buttons 8 and 9 share the factory code 00 00 00: the second takes the next free position with it.
    const std::array<int, 10> expected = {0, 1, 2, 3, 4, 5, 6, 7, 8, 9};
    EXPECT_EQ(model->buttonPositionsSnapshot(), expected);
    EXPECT_EQ(model->keyPositionMap.at(9), 9);
    EXPECT_EQ(model->minimumDpi(), 200);
    EXPECT_EQ(model->ledSnapshot().size(), 8u);
}

TEST_F(MouseDeviceTest, AButtonMissingFromTheKeyTableKeepsItsLayoutPosition) {
    // The mouse's layout carries something other than button 3's factory code at position 3.
    ASSERT_TRUE(mouse->setKeyLayoutCode(3, {0x20, 0x00, 0x04}));
    ASSERT_EQ(model->readDevice().result, 1);
    EXPECT_EQ(model->buttonPositionsSnapshot()[3], 3);

    std::vector<KeyRecord> keys;
    for (uint16_t i = 0; i < 10; ++i)
        keys.push_back(makeKeyRecord(i, {0x20, 0x00, uint8_t(0x10 + i)}, {}));
    mouse->clearRequestLog();
    ASSERT_EQ(model->writeKeyAssignments(0, keys), 1);
    EXPECT_EQ(commandsOf(*mouse), (std::vector<uint8_t>{0x03, 0x01, 0x09, 0x02}));
    const std::vector<uint8_t> written = emulatorKeyTable();
    for (int button = 0; button < 10; ++button)
        EXPECT_EQ(written[size_t(3 * button + 2)], 0x10 + button) << button;
}

// A mouse may answer key-table reads with its factory layout or with the table as assigned. Either way a button
// reassigned before an unplug is found again after the plug, and reassigning it again writes its own position.
TEST_F(MouseDeviceTest, ReassignedButtonsSurviveReconnectionUnderEitherKeyTableAnswer) {
    const auto reassign = [&](KeyAssignment left, KeyAssignment fourth) {
        std::vector<KeyRecord> keys = model->profileData.getKeyList();
        keys[0].current = left;
        keys[3].current = fourth; // may be another button's factory code
        model->profileData.writeKeyList(keys);
        ASSERT_EQ(model->saveProfile(), 0);
        ASSERT_EQ(model->writeCurrentKeys(0), 1);
    };
    const auto entry = [&](int position) {
        const std::vector<uint8_t> table = emulatorKeyTable();
        return KeyAssignment{table[size_t(3 * position)], table[size_t(3 * position + 1)],
                             table[size_t(3 * position + 2)]};
    };
    for (const bool assignedReads : {false, true}) {
        plugMouse(std::nullopt);
        mouse->setKeyReadsAssigned(assignedReads);
        Json::Value node;
        node["KeyList"] = keyListNode({{0x100100, 0x100100},
                                       {0x100200, 0x100200},
                                       {0x100400, 0x100400},
                                       {0x101000, 0x101000},
                                       {0x100800, 0x100800},
                                       {0x130100, 0x130100},
                                       {0x130200, 0x130200},
                                       {0xA00200, 0xA00200},
                                       {0, 0},
                                       {0, 0}});
        writeProfile("p1", node);
        ASSERT_EQ(model->readDevice().result, 1);
        model->loadProfileIntoPage();
        reassign({0x20, 0x00, 0x04}, {0x10, 0x01, 0x00});

        id = emulated.replug(id, model->commandChannel, 4);
        ASSERT_GT(id, 0);
        ASSERT_EQ(model->readDevice().result, 1);
        const std::array<int, 10> expected = {0, 1, 2, 3, 4, 5, 6, 7, 8, 9};
        EXPECT_EQ(model->buttonPositionsSnapshot(), expected) << assignedReads;

        // A program started afresh knows no positions, and reads the mouse before it loads the profile: button 3
        // now carries button 0's factory code, and still neither button takes the other's place.
        model = std::make_unique<MouseDevice>();
        model->profileName = "p1";
        ASSERT_TRUE(model->commandChannel.device.open(emulated.pathOf(id, 4), true, true, true, false));
        model->commandChannel.connected = 1;
        ASSERT_EQ(model->readDevice().result, 1);
        EXPECT_EQ(model->buttonPositionsSnapshot(), expected) << assignedReads;
        model->loadProfileIntoPage();
        reassign({0x20, 0x00, 0x05}, {0x20, 0x00, 0x06});
        EXPECT_EQ(entry(0), (KeyAssignment{0x20, 0x00, 0x05})) << assignedReads;
        EXPECT_EQ(entry(3), (KeyAssignment{0x20, 0x00, 0x06})) << assignedReads;
        EXPECT_EQ(entry(1), (KeyAssignment{0x10, 0x02, 0x00})) << assignedReads;

        id = emulated.replug(id, model->commandChannel, 4);
        ASSERT_GT(id, 0);
        ASSERT_EQ(model->readDevice().result, 1);
        reassign({0x20, 0x00, 0x07}, {0x10, 0x02, 0x00});
        EXPECT_EQ(entry(0), (KeyAssignment{0x20, 0x00, 0x07})) << assignedReads;
        EXPECT_EQ(entry(3), (KeyAssignment{0x10, 0x02, 0x00})) << assignedReads;
        EXPECT_EQ(model->buttonPositionsSnapshot(), expected) << assignedReads;
    }
}

TEST_F(MouseDeviceTest, UnplugDuringReadDeviceKeepsTheCachedStateAndReportsFailure) {
    mouse->unplugOnPacket(3); // the key table read
    const auto read = model->readDevice();
    EXPECT_NE(read.result, 1);
    EXPECT_TRUE(std::all_of(model->keyTable.begin(), model->keyTable.end(), [](uint8_t b) { return b == 0; }));
    for (int position : model->buttonPositionsSnapshot())
        EXPECT_EQ(position, MouseDevice::kNoKeyPosition);
    EXPECT_NE(model->readSettings(), 1);
    EXPECT_EQ(model->writeSettings(0, 0), model->writeSettings(0, 0)); // still answers, never hangs
    EXPECT_NE(model->writeSettings(0, 0), 1);
}

TEST_F(MouseDeviceTest, ReadSettingsDecodesTheActiveProfilesBlockAndSavesItIntoTheProfile) {
    loadFullProfile();
    std::vector<uint8_t> block = mouse->readMemory(0, 54);
    block[0] = 0;
    block[1] = 5;  // ripple
    block[3] = 1;  // speed 3
    block[4] = 1;  // direction, kept in the mirror only
    block[5] = 1;  // multicolour, not in ripple
    block[23] = 4; // active stage
    ASSERT_TRUE(mouse->writeMemory(256, block));
    ASSERT_TRUE(mouse->writeMemory(0, std::vector<uint8_t>{2}));
    const uint8_t fxBefore = model->getLightInfo().effect;

    ASSERT_EQ(model->readSettings(), 1);
    EXPECT_EQ(model->currentProfile, 2);
    const MouseSettingsMirror mirror = model->settingsSnapshot();
    EXPECT_EQ(mirror.light.mode, 5);
    EXPECT_EQ(mirror.light.speed, 3);
    EXPECT_EQ(mirror.light.multiColour, 0);
    EXPECT_EQ(mirror.light.effect, 1);
    EXPECT_EQ(mirror.reportRate, 3);
    EXPECT_EQ(mirror.activeStage, 4);
    EXPECT_EQ(mirror.stageCodes[5], 48);
    EXPECT_EQ(mirror.stageColours[6], (light::Rgb{255, 255, 255}));
    EXPECT_EQ(model->getLightInfo().effect, fxBefore);

    const Json::Value saved = JsonFileStore::loadJsonFile(folder() + "p1.Json")["Device"][0];
    EXPECT_EQ(saved["LightInfo"]["SelectItem"].asInt(), 5);
    EXPECT_EQ(saved["LightInfo"]["Speed"].asInt(), 3);
    EXPECT_EQ(saved["DPIStages"]["StageActive"].asInt(), 4);
}

TEST_F(MouseDeviceTest, AFailedSettingsReadChangesNeitherMirrorNorProfile) {
    loadFullProfile();
    const std::string before = JsonFileStore::readJsonText(folder() + "p1.Json");
    const MouseSettingsMirror mirrorBefore = model->settingsSnapshot();
    mouse->refusePacket(2);
    EXPECT_EQ(model->readSettings(), kResultRefusedFF);
    EXPECT_EQ(JsonFileStore::readJsonText(folder() + "p1.Json"), before);
    EXPECT_EQ(model->settingsSnapshot().light, mirrorBefore.light);
    EXPECT_EQ(model->settingsSnapshot().stageCodes, mirrorBefore.stageCodes);
}

TEST_F(MouseDeviceTest, WrittenSettingsBlockReadsBackByteForByte) {
    loadFullProfile();
    ASSERT_EQ(model->writeSettings(0, 0), 1);
    EXPECT_EQ(commandsOf(*mouse), (std::vector<uint8_t>{0x01, 0x06, 0x06, 0x02}));
    EXPECT_EQ(mouse->openUpdates(), 0);
    std::vector<uint8_t> expected(75, 0);
    const std::vector<uint8_t> head = {0, 4, 3, 3,  1, 1,  1, 2,  3, 0, 0,  0, 0, 0,
                                       3, 4, 0, 48, 0, 49, 0, 73, 0, 2, 10, 0, 20};
    std::copy(head.begin(), head.end(), expected.begin());
    const std::vector<uint8_t> colours = {255, 0, 0, 0, 255, 0, 0, 0, 255, 0, 255, 255, 255, 0, 255, 255, 50, 0};
    std::copy(colours.begin(), colours.end(), expected.begin() + 30);
    EXPECT_EQ(mouse->readMemory(0, 75), expected);
    // The next profile's block is not touched.
    EXPECT_EQ(mouse->readMemory(128, 2), (std::vector<uint8_t>{0, 0}));
}

TEST_F(MouseDeviceTest, SpeedIsInvertedOverTheCableOnlyAndSurvivesARoundTrip) {
    for (int speed = 0; speed <= 4; ++speed) {
        Json::Value node = fullProfile();
        node["LightInfo"]["Speed"] = speed;
        writeProfile("p1", node);
        model->loadProfileIntoPage();
        model->commandChannel.wireless = 0;
        ASSERT_EQ(model->writeSettings(0, 0), 1);
        EXPECT_EQ(mouse->readMemory(3, 1)[0], 4 - speed);
        ASSERT_EQ(model->readSettings(), 1);
        EXPECT_EQ(model->settingsSnapshot().light.speed, speed);
        model->commandChannel.wireless = 1;
        ASSERT_EQ(model->writeSettings(0, 0), 1);
        EXPECT_EQ(mouse->readMemory(3, 1)[0], speed);
    }
    // Over the receiver the longer block is read.
    mouse->clearRequestLog();
    ASSERT_EQ(model->readSettings(), 1);
    const auto log = mouse->requestLog();
    ASSERT_FALSE(log.empty());
    EXPECT_EQ(log.back().bytes[4], 80 - 56);
}

TEST_F(MouseDeviceTest, RippleSendsNoMulticolourAndCustomModesAreSentAsModeZero) {
    Json::Value node = fullProfile();
    node["LightInfo"] = lightNode(5, 2, 2, 0, true, 9, 9, 9);
    writeProfile("p1", node);
    model->loadProfileIntoPage();
    ASSERT_EQ(model->writeSettings(0, 0), 1);
    EXPECT_EQ(mouse->readMemory(1, 5), (std::vector<uint8_t>{5, 2, 2, 0, 0}));

    node["LightInfo"] = lightNode(12, 2, 2, 0, true, 9, 9, 9);
    writeProfile("p1", node);
    model->loadProfileIntoPage();
    ASSERT_EQ(model->writeSettings(0, 0), 1);
    EXPECT_EQ(mouse->readMemory(1, 5), (std::vector<uint8_t>{0, 2, 2, 0, 1}));
}

TEST_F(MouseDeviceTest, AWirelessMouseThatIsNotOnlineIsSentNothing) {
    loadFullProfile();
    writeMacros({3});
    ASSERT_EQ(model->readDevice().result, 1);
    model->commandChannel.wireless = 1;
    emu::Fault offline;
    offline.kind = emu::FaultKind::Refuse;
    offline.repeat = true;
    mouse->injectFault(offline);
    mouse->clearRequestLog();
    const std::vector<uint8_t> before = mouse->readMemory(0, 128);

    EXPECT_EQ(model->writeSettings(0, 0), 0);
    EXPECT_EQ(model->writeCurrentKeys(0), 0);
    EXPECT_EQ(model->writeMacros(), -1);
    EXPECT_NE(model->readSettings(), 1);
    EXPECT_EQ(model->readDevice().result, 0);
    for (uint8_t code : commandsOf(*mouse))
        EXPECT_TRUE(code == 0xAA || code == 0x05) << int(code); // online checks and the profile index read
    EXPECT_EQ(mouse->readMemory(0, 128), before);
    EXPECT_TRUE(mouse->macroMemory()[0] == 0);
}

TEST_F(MouseDeviceTest, AWirelessMouseThatGoesOfflineInsideAnUpdateStillHasItEnded) {
    loadFullProfile();
    model->commandChannel.wireless = 1;
    // Online check, begin update, then the mouse no longer answers the online check before the settings.
    mouse->refusePacket(3);
    EXPECT_EQ(model->writeSettings(0, 0), 0);
    EXPECT_EQ(commandsOf(*mouse), (std::vector<uint8_t>{0xAA, 0x01, 0xAA, 0x02}));
    EXPECT_EQ(mouse->openUpdates(), 0);

    // The same when the check after the write fails.
    mouse->clearRequestLog();
    mouse->refusePacket(6);
    EXPECT_EQ(model->writeSettings(0, 0), 0);
    EXPECT_EQ(commandsOf(*mouse), (std::vector<uint8_t>{0xAA, 0x01, 0xAA, 0x06, 0x06, 0xAA, 0x02}));
    EXPECT_EQ(mouse->openUpdates(), 0);
}

TEST_F(MouseDeviceTest, ARefusedWriteIsReportedAndTheUpdateIsClosed) {
    loadFullProfile();
    mouse->refusePacket(2); // the first settings packet
    EXPECT_EQ(model->writeSettings(0, 0), kResultRefusedFF);
    EXPECT_EQ(mouse->openUpdates(), 0);
    EXPECT_EQ(countCommand(*mouse, 0x02), 1u);

    model->commandChannel.connected = 0;
    EXPECT_EQ(model->writeSettings(0, 0), 0);
    EXPECT_EQ(model->writeCurrentKeys(0), 0);
    EXPECT_EQ(model->writeMacros(), -1);
}

TEST_F(MouseDeviceTest, MacrosOverCapacityReportTheEventsThatDoNotFitAndSendNothing) {
    ASSERT_EQ(model->readDevice().result, 1); // 16 units: 2048 bytes
    writeMacros({507});                       // 16 + 6 + 4 * 507 = 2050: 2 bytes over
    mouse->clearRequestLog();
    EXPECT_EQ(model->writeMacros(), 1);
    writeMacros({253, 254}); // 16 + 12 + 4 * 507 = 2056: 8 bytes over
    EXPECT_EQ(model->writeMacros(), 3);
    EXPECT_EQ(countCommand(*mouse, 0x15), 0u);
    EXPECT_EQ(countCommand(*mouse, 0x01), 0u);

    const MouseDevice::MacroApplyResult applied = model->applyMacros();
    EXPECT_EQ(applied.messageKey, "message_text_16");
    EXPECT_EQ(applied.messageCount, 3);
    EXPECT_EQ(countCommand(*mouse, 0x09), 0u);
}

TEST_F(MouseDeviceTest, MacrosThatFitAreWrittenAsOneImage) {
    ASSERT_EQ(model->readDevice().result, 1);
    EXPECT_EQ(model->writeMacros(), 0); // no list: nothing to send
    EXPECT_EQ(countCommand(*mouse, 0x15), 0u);
    writeMacros({2, 1});
    ASSERT_EQ(model->writeMacros(), 0);
    const std::vector<uint8_t> memory = mouse->macroMemory();
    // Header, offsets 20 and 32, then the records.
    const std::vector<uint8_t> expected = {0xAA, 0x55, 40,   0, 2,  0, 0, 0, 0,  0, 0,    0, 0,    0,
                                           0,    0,    20,   0, 32, 0, 2, 0, 0,  0, 10,   0, 0x8A, 4,
                                           11,   0,    0x0A, 4, 1,  0, 0, 0, 10, 0, 0x8A, 5};
    EXPECT_TRUE(std::equal(expected.begin(), expected.end(), memory.begin()));
    EXPECT_EQ(mouse->openUpdates(), 0);
}

TEST_F(MouseDeviceTest, AssignmentsOfMissingMacrosFallBackToTheFactoryFunction) {
    loadFullProfile();
    writeMacros({1});
    model->checkMacroAssignments();
    const std::vector<KeyRecord>& keys = model->profileData.getKeyList();
    EXPECT_EQ(keys[2].current, (KeyAssignment{0x70, 0x00, 0x00})); // macro 0 exists
    EXPECT_EQ(keys[3].current, (KeyAssignment{0x10, 0x10, 0x00})); // macro 3 does not
    EXPECT_EQ(keys[4].current, (KeyAssignment{0x20, 0x00, 0x04}));
}

TEST_F(MouseDeviceTest, ApplyingAProfileWritesSettingsMacrosAndKeys) {
    ASSERT_EQ(model->readDevice().result, 1);
    writeProfile("p1", fullProfile());
    writeMacros({2});
    mouse->clearRequestLog();
    const ProfileApplyResult applied = applyWholeProfile(*model);
    EXPECT_EQ(applied.settingsResult, 1);
    EXPECT_EQ(applied.macroResult, 0);
    EXPECT_EQ(applied.keyResult, 1);
    EXPECT_EQ(mouse->readMemory(23, 1)[0], 2);
    EXPECT_EQ(mouse->macroMemory()[0], 0xAA);
    const std::vector<uint8_t> table = mouse->keyTable(0);
    EXPECT_EQ(std::vector<uint8_t>(table.begin() + 6, table.begin() + 12),
              (std::vector<uint8_t>{0x70, 0x00, 0x00, 0x70, 0x03, 0x00}));
    EXPECT_EQ(std::vector<uint8_t>(table.begin() + 27, table.end()), (std::vector<uint8_t>{0x20, 0x00, 0x06}));
    EXPECT_EQ(mouse->openUpdates(), 0);

    model->selectKey(3);
    const MouseDevice::MacroApplyResult macros = model->applyMacros();
    EXPECT_EQ(macros.macroResult, 0);
    EXPECT_EQ(macros.keyResult, 1);
    EXPECT_TRUE(macros.messageKey.empty());
    EXPECT_EQ(model->selectedButton, -1);
}

TEST_F(MouseDeviceTest, AFailedMacroWriteAsksForTheFailureMessage) {
    ASSERT_EQ(model->readDevice().result, 1);
    writeMacros({2});
    mouse->refusePacket(3); // the image packet
    const MouseDevice::MacroApplyResult macros = model->applyMacros();
    EXPECT_EQ(macros.macroResult, -1);
    EXPECT_EQ(macros.messageKey, "message_text_7");
    EXPECT_EQ(countCommand(*mouse, 0x09), 0u);
    EXPECT_EQ(mouse->openUpdates(), 0);
}

TEST(MouseDpi, CodesAndDpiConvertBothWays) {
    EXPECT_EQ(dpiFromCode(0), 200);
    EXPECT_EQ(dpiFromCode(48), 5000);
    EXPECT_EQ(dpiFromCode(49), 5200);
    EXPECT_EQ(dpiFromCode(73), 10000);
    EXPECT_EQ(dpiFromCode(200), 10000);
    for (int code = 0; code <= kMaxDpiCode; ++code)
        EXPECT_EQ(codeFromDpi(dpiFromCode(code)), code);
    // Between two stages the lower one.
    EXPECT_EQ(codeFromDpi(250), 0);
    EXPECT_EQ(codeFromDpi(299), 0);
    EXPECT_EQ(codeFromDpi(5100), 48);
    EXPECT_EQ(codeFromDpi(5199), 48);
    EXPECT_EQ(codeFromDpi(5200), 49);
    EXPECT_EQ(codeFromDpi(9999), 72);
    EXPECT_EQ(codeFromDpi(50), 0);
    EXPECT_EQ(codeFromDpi(60000), 73);
    EXPECT_EQ(dpiFromEditText("", 200), 200);
    EXPECT_EQ(dpiFromEditText("-5", 400), 400);
    EXPECT_EQ(dpiFromEditText("1600x", 200), 1600);
    EXPECT_EQ(dpiFromEditText("99999999999", 200), 10000);
}

TEST(MouseSettingsBlockDecode, AShortBlockOrANonsenseSpeedByteDoesNotCorruptTheMirror) {
    std::vector<uint8_t> block(54, 0);
    block[3] = 9;
    EXPECT_EQ(decodeMouseSettings(block).light.speed, 0);
    block.resize(20);
    EXPECT_EQ(decodeMouseSettings(block).stageCodes[0], 0);
}

} // namespace
} // namespace pelan
