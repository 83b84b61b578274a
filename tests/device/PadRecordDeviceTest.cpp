#include <atomic>
#include <chrono>
#include <thread>

#include "EmulatedModelFixture.h"
#include "device/HeadsetDevice.h"
#include "device/MousepadDevice.h"
#include "device/PowerDisplay.h"
#include "platform/Trace.h"

namespace pelan {
namespace {

using namespace std::chrono_literals;

class MousepadTest : public test::EmulatedModelTest<MousepadDevice> {
protected:
    MousepadTest() : EmulatedModelTest("mousepad", 4) {}

    // Profile `profile` current on the pad, with its block at profile x 25.
    void putPadBlock(uint8_t profile, std::vector<uint8_t> block) {
        // The block's own byte 0 is replaced by the profile index when read; profile 0's is that index.
        block[0] = profile == 0 ? 0 : 0xEE;
        ASSERT_TRUE(device->writeMemory(size_t{profile} * 25, block));
        ASSERT_TRUE(device->writeMemory(0, std::vector<uint8_t>{profile}));
    }
};

std::vector<uint8_t> padBlock() {
    std::vector<uint8_t> block(25);
    for (size_t i = 0; i < block.size(); ++i)
        block[i] = uint8_t(0x40 + i);
    block[1] = 6; // ripple A
    block[2] = 3; // brightness
    block[3] = 4; // speed 0 on the wire
    block[5] = 1; // multicolour
    return block;
}

TEST_F(MousepadTest, TheCurrentProfilesBlockIsReadAtProfileTimes25AndWrittenAtZero) {
    putPadBlock(1, padBlock());
    ASSERT_EQ(model->readPadSettings(), kResultAccepted);
    EXPECT_EQ(offsetsOf(command::kReadMemory), (std::vector<uint16_t>{0, 25}));

    const PadSettingsRecord record = model->padRecord();
    EXPECT_EQ(record.profile, 1);
    EXPECT_EQ(record.mode, 6);
    EXPECT_EQ(record.brightness, 3);
    EXPECT_EQ(record.speed, 0);
    EXPECT_EQ(record.effect, 0x44);
    EXPECT_EQ(record.reserved[0], 0x49);
    EXPECT_EQ(record.reserved[11], 0x54);
    EXPECT_EQ(model->previousPadRecord(), PadSettingsRecord{});

    device->clearRequestLog();
    ASSERT_EQ(model->writeSettings(0), kResultAccepted);
    EXPECT_EQ(commands(), (std::vector<uint8_t>{command::kBeginUpdate, command::kWriteMemory, command::kEndUpdate}));
    EXPECT_EQ(offsetsOf(command::kWriteMemory), (std::vector<uint16_t>{0}));
    // Byte for byte what was read, the profile index in byte 0 and the speed back in its wire form.
    std::vector<uint8_t> expected = padBlock();
    expected[0] = 1;
    expected.resize(21);
    EXPECT_EQ(device->readMemory(0, 21), expected);
    // The current profile's own block is left as it was.
    std::vector<uint8_t> untouched = padBlock();
    untouched[0] = 0xEE;
    EXPECT_EQ(device->readMemory(25, 25), untouched);
    EXPECT_EQ(device->openUpdates(), 0);
}

TEST_F(MousepadTest, AFailedReadKeepsTheRecordAndIsReported) {
    putPadBlock(0, padBlock());
    ASSERT_EQ(model->readPadSettings(), kResultAccepted);
    const PadSettingsRecord before = model->padRecord();

    putPadBlock(0, std::vector<uint8_t>(25, 0));
    device->refusePacket(2, report::kStatusRefusedFF);
    EXPECT_EQ(model->readPadSettings(), kResultRefusedFF);
    EXPECT_EQ(model->padRecord(), before);

    device->dropReply(1);
    EXPECT_EQ(model->readPadSettings(), kResultNoAnswer);
    EXPECT_EQ(model->padRecord(), before);

    model->commandChannel.connected = 0;
    device->clearRequestLog();
    EXPECT_EQ(model->readPadSettings(), kResultNoAnswer);
    EXPECT_EQ(model->writePadSettings(0), kResultNoAnswer);
    EXPECT_EQ(model->padRecord(), before);
    EXPECT_TRUE(device->requestLog().empty());
}

TEST_F(MousepadTest, SyncReportsTheCurrentProfileOnlyAfterAGoodRead) {
    putPadBlock(2, padBlock());
    model->commandChannel.animationPaused = 1;
    model->onSyncTimer();
    EXPECT_EQ(model->commandChannel.animationPaused.load(), 0);
    EXPECT_EQ(observer.profiles, (std::vector<int>{2}));
    device->refusePacket(1);
    model->onSyncTimer();
    EXPECT_EQ(observer.profiles.size(), 1u);
}

TEST_F(MousepadTest, ProfileLightGoesIntoTheRecordAndOverTheWire) {
    writeProfile(
        "p1",
        lightNode(
            {.mode = 7, .brightness = 2, .speed = 4, .effect = 1, .multiColour = 0, .red = 1, .green = 2, .blue = 3}));
    model->loadProfileIntoPage();
    const PadSettingsRecord record = model->padRecord();
    EXPECT_EQ(record.mode, 7);
    EXPECT_EQ(record.speed, 4);
    EXPECT_EQ(record.blue, 3);
    EXPECT_EQ(model->getLightInfo().effect, 1);

    ASSERT_EQ(model->writeSettings(0), kResultAccepted);
    const std::vector<uint8_t> wire = device->readMemory(0, 9);
    EXPECT_EQ(wire, (std::vector<uint8_t>{0, 7, 2, 0, 0, 0, 1, 2, 3}));
}

TEST_F(MousepadTest, LightChangesFromThePanelReachThePad) {
    writeProfile("p1", lightNode({.mode = 1, .brightness = 4, .speed = 2}));
    model->loadProfileIntoPage();
    // The lighting panel's sequence: set, save, reload, write.
    model->setLightInfo(3 | (1u << 8) | (3u << 16), 1 | (9u << 8) | (8u << 16) | (7u << 24), 0);
    EXPECT_EQ(model->saveProfile(), 0);
    model->afterProfileLoad();
    ASSERT_EQ(model->writeSettings(0), kResultAccepted);
    EXPECT_EQ(device->readMemory(1, 8), (std::vector<uint8_t>{3, 1, 1, 0, 1, 9, 8, 7}));
    EXPECT_EQ(savedNode("p1")["LightInfo"]["SelectItem"].asInt(), 3);

    // Without a reload in between the new light is sent all the same.
    model->setLightInfo(2 | (4u << 8), 0 | (1u << 8) | (2u << 16) | (3u << 24), 0);
    ASSERT_EQ(model->writeSettings(0), kResultAccepted);
    EXPECT_EQ(device->readMemory(1, 8), (std::vector<uint8_t>{2, 4, 4, 0, 0, 1, 2, 3}));
}

TEST_F(MousepadTest, PeriodicStatusFeedsThePowerDisplay) {
    model->onPeriodicTimer();
    ASSERT_EQ(observer.statuses.size(), 1u);
    const PowerDisplayState shown = decodePowerStatus(observer.statuses[0], 3);
    EXPECT_EQ(shown.valueText, "80%");
    EXPECT_EQ(shown.progress, 80);
    EXPECT_FALSE(shown.wirelessMark);
    EXPECT_EQ(shown.chargingPicture, std::optional<std::string>("file='power/powering.png'"));
    EXPECT_EQ(shown.phone->name, "Phone_type_iphone");

    device->refusePacket(1);
    model->onPeriodicTimer();
    EXPECT_EQ(observer.statuses.size(), 1u);

    // Through a receiver the wireless mark is shown whatever the device put in byte 3.
    model->commandChannel.wireless = 1;
    model->onPeriodicTimer();
    ASSERT_EQ(observer.statuses.size(), 2u);
    EXPECT_TRUE(decodePowerStatus(observer.statuses[1], 0).wirelessMark);
    EXPECT_FALSE(decodePowerStatus(observer.statuses[1], 0).phone.has_value());
}

TEST_F(MousepadTest, ConnectingReadsTheInformationAndAnimatesUntilStopped) {
    std::vector<std::string> lines;
    std::mutex linesMutex;
    TraceSink previous = setTraceSink([&](std::string_view line) {
        std::lock_guard lock(linesMutex);
        lines.emplace_back(line);
    });
    writeProfile("p1", lightNode({.mode = 6, .brightness = 4, .speed = 4, .effect = 1, .multiColour = 1}));
    model->onConnectTimer();
    EXPECT_EQ(model->deviceInfo, device->deviceInfo());
    const std::vector<uint8_t> sent = commands();
    ASSERT_GE(sent.size(), 3u);
    EXPECT_EQ(sent[0], command::kBeginUpdate);
    EXPECT_EQ(sent[1], command::kReadDeviceInfo);
    EXPECT_EQ(observer.refreshes, 1);
    ASSERT_TRUE(model->lightThreadRunning());

    // Settings traffic while the light thread animates: the preview alone never touches the interface.
    for (int i = 0; i < 20; ++i) {
        EXPECT_EQ(model->writeSettings(0), kResultAccepted);
        EXPECT_EQ(model->readPadSettings(), kResultAccepted);
    }
    const std::vector<uint8_t> traffic = commands();
    EXPECT_EQ(std::count(traffic.begin(), traffic.end(), command::kStreamLight), 0);
    model->streamLightFrames = 1;
    // The ripple's fronts reach the stream; nothing is sent past the pad's LEDs.
    const size_t frameBytes = padlight::kLedCount * 3;
    auto lit = [&](const std::vector<uint8_t>& frame) {
        return frame.size() >= frameBytes &&
               std::any_of(frame.begin(), frame.begin() + frameBytes, [](uint8_t b) { return b != 0; });
    };
    const auto deadline = std::chrono::steady_clock::now() + 5s;
    while (!lit(device->lightFrame()) && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(5ms);
    const std::vector<uint8_t> streamed = device->lightFrame();
    ASSERT_TRUE(lit(streamed));
    EXPECT_TRUE(std::all_of(streamed.begin() + frameBytes, streamed.end(), [](uint8_t b) { return b == 0; }));
    EXPECT_EQ(model->stopLightThread(), WorkerThread::StopOutcome::Ended);
    setTraceSink(previous);
    EXPECT_NE(std::find(lines.begin(), lines.end(), "MS灯光线程设定退出"), lines.end());
    std::lock_guard lock(observer.mutex);
    EXPECT_GT(observer.frames, 0u);
    EXPECT_EQ(observer.lastFrame.size(), padlight::kLedCount);
}

// The pad's record has no regions, so the preview shows none: a static pad is one colour on every LED.
TEST_F(MousepadTest, RegionsOfTheProfileStayOutOfTheLightThreadsFrames) {
    Json::Value node = lightNode({.mode = padlight::kStatic, .brightness = 4, .speed = 4, .red = 255});
    Json::Value dark;
    dark["LEDREGMode"] = padlight::kDarkRegionMode;
    node["LightList"][0] = dark;
    node["LightList"][1] = Json::nullValue;
    writeProfile("p1", node);
    model->loadProfileIntoPage();
    ASSERT_EQ(model->regions().size(), 2u);
    model->startLightThread();
    const auto deadline = std::chrono::steady_clock::now() + 5s;
    light::LedFrame frame;
    while (std::chrono::steady_clock::now() < deadline) {
        frame = model->ledSnapshot();
        if (frame.back() != 0)
            break;
        std::this_thread::sleep_for(5ms);
    }
    model->stopLightThread();
    ASSERT_EQ(frame.size(), padlight::kLedCount);
    EXPECT_EQ(frame[0], light::packLed({255, 0, 0}, 255));
    EXPECT_EQ(frame[10], light::packLed({255, 0, 0}, 255));
    EXPECT_EQ(frame[11], light::packLed({255, 0, 0}, 255));
    EXPECT_EQ(frame[22], light::packLed({255, 0, 0}, 255));
}

class HeadsetTest : public test::EmulatedModelTest<HeadsetDevice> {
protected:
    HeadsetTest() : EmulatedModelTest("headset", 0) {}
};

TEST_F(HeadsetTest, LightsUseThePadsRecordAndProfileLightReachesTheHeadset) {
    ASSERT_TRUE(device->writeMemory(0, std::vector<uint8_t>{1}));
    ASSERT_TRUE(device->writeMemory(25, std::vector<uint8_t>{0, 2, 4, 1, 0, 0, 255, 0, 0}));
    model->onSyncTimer();
    EXPECT_EQ(offsetsOf(command::kReadMemory), (std::vector<uint16_t>{0, 25}));
    EXPECT_EQ(observer.profiles, (std::vector<int>{1}));
    EXPECT_EQ(model->padRecord().speed, 3);

    writeProfile("h1", lightNode({.mode = 3, .brightness = 1, .speed = 0, .red = 5, .green = 6, .blue = 7}));
    model->loadProfileIntoPage();
    device->clearRequestLog();
    ASSERT_EQ(model->writeSettings(0), kResultAccepted);
    EXPECT_EQ(offsetsOf(command::kWriteMemory), (std::vector<uint16_t>{0}));
    EXPECT_EQ(device->readMemory(0, 9), (std::vector<uint8_t>{1, 3, 1, 4, 0, 0, 5, 6, 7}));
}

TEST_F(HeadsetTest, ConnectingAsksNoInformationAndReadsTheAudioStateBeforeRefreshing) {
    writeProfile("h1", lightNode({.mode = 3, .brightness = 4, .speed = 2}));
    int refreshesWhenAudioRead = -1;
    model->setAudioStateReader([&] { refreshesWhenAudioRead = observer.refreshes; });
    model->onConnectTimer();
    EXPECT_EQ(refreshesWhenAudioRead, 0);
    EXPECT_EQ(observer.refreshes, 1);
    EXPECT_EQ(model->padRecord().mode, 3);
    EXPECT_TRUE(model->lightThreadRunning());
    model->stopLightThread();
    for (uint8_t code : commands())
        EXPECT_NE(code, command::kReadDeviceInfo);
}

} // namespace
} // namespace pelan
