#include <atomic>
#include <chrono>
#include <future>
#include <numeric>
#include <thread>

#include <gtest/gtest.h>

#include "device/ReportProtocol.h"
#include "emulator/FirmwareDevice.h"
#include "platform/Trace.h"
#include "support/EmulatedTree.h"

namespace pelan {
namespace {

using Clock = std::chrono::steady_clock;

std::vector<uint8_t> pattern(size_t length, uint8_t seed) {
    std::vector<uint8_t> bytes(length);
    for (size_t i = 0; i < length; ++i)
        bytes[i] = uint8_t(seed + i * 7);
    return bytes;
}

uint16_t checksumOf(const std::vector<uint8_t>& request) {
    return uint16_t(std::accumulate(request.begin() + 3, request.begin() + 64, 0u) & 0xFFFF);
}

uint16_t offsetOf(const std::vector<uint8_t>& request) {
    return uint16_t(request[5] | (request[6] << 8));
}

class ProtocolOnMouse : public ::testing::Test {
protected:
    void SetUp() override {
        mouse = emu::makeDevice("mouse");
        id = emulated.tree().plug(mouse);
        ASSERT_GT(id, 0);
        ASSERT_TRUE(protocol.device.open(emulated.pathOf(id, 4), true, true, true, false));
        protocol.connected = 1;
        mouse->clearRequestLog();
    }

    // The command packets the mouse received since the last clear.
    std::vector<std::vector<uint8_t>> requests() const {
        std::vector<std::vector<uint8_t>> packets;
        for (const emu::LoggedRequest& logged : mouse->requestLog())
            packets.push_back(logged.bytes);
        return packets;
    }

    test::EmulatedTree emulated;
    std::shared_ptr<emu::FirmwareDevice> mouse;
    int id = 0;
    ReportProtocol protocol;
};

TEST_F(ProtocolOnMouse, ARequestWithoutDataIsFramedAndChecksummed) {
    EXPECT_EQ(protocol.beginUpdate(), kResultAccepted);
    const auto sent = requests();
    ASSERT_EQ(sent.size(), 1u);
    std::vector<uint8_t> expected(64, 0);
    expected[0] = 0x04;
    expected[1] = 0x01; // checksum low: the command byte alone
    expected[3] = 0x01;
    EXPECT_EQ(sent[0], expected);
    EXPECT_EQ(protocol.endUpdate(), kResultAccepted);
    EXPECT_EQ(mouse->openUpdates(), 0);
    EXPECT_TRUE(protocol.isOnline());
}

TEST_F(ProtocolOnMouse, WritesAreChunkedAndLaterPacketsKeepThePreviousBytes) {
    const std::vector<uint8_t> data = pattern(75, 0x10);
    ASSERT_EQ(protocol.writeMemory(data.data(), 75, 0x40), kResultAccepted);
    const auto sent = requests();
    ASSERT_EQ(sent.size(), 2u);
    EXPECT_EQ(sent[0][4], 56);
    EXPECT_EQ(offsetOf(sent[0]), 0x40);
    EXPECT_EQ(sent[1][4], 19);
    EXPECT_EQ(offsetOf(sent[1]), 0x40 + 56);
    EXPECT_TRUE(std::equal(data.begin() + 56, data.end(), sent[1].begin() + 8));
    // Behind the 19 new bytes the first packet's bytes remain, and they are counted in the checksum.
    EXPECT_TRUE(std::equal(sent[0].begin() + 8 + 19, sent[0].end(), sent[1].begin() + 8 + 19));
    for (const auto& packet : sent)
        EXPECT_EQ(uint16_t(packet[1] | (packet[2] << 8)), checksumOf(packet));
    EXPECT_EQ(mouse->readMemory(0x40, 75), data);

    std::vector<uint8_t> back(75, 0);
    mouse->clearRequestLog();
    ASSERT_EQ(protocol.readMemory(back.data(), 75, 0x40), kResultAccepted);
    EXPECT_EQ(back, data);
    std::vector<uint8_t> small(54, 0);
    mouse->clearRequestLog();
    ASSERT_EQ(protocol.readMemory(small.data(), 54, 0x40), kResultAccepted);
    EXPECT_EQ(requests().size(), 1u);
    EXPECT_TRUE(std::equal(small.begin(), small.end(), data.begin()));
}

TEST_F(ProtocolOnMouse, KeyTablesTravelInTenPacketsAtTheirTableOffsets) {
    std::vector<uint8_t> table(512, 0);
    ASSERT_EQ(protocol.readKeyTable(table.data()), kResultAccepted);
    auto sent = requests();
    ASSERT_EQ(sent.size(), 10u);
    EXPECT_EQ(sent[8][4], 56);
    EXPECT_EQ(sent[9][4], 8);
    const std::vector<uint8_t> factory = mouse->keyTable(0);
    EXPECT_TRUE(std::equal(factory.begin(), factory.end(), table.begin()));

    mouse->clearRequestLog();
    const std::vector<uint8_t> data = pattern(512, 3);
    ASSERT_EQ(protocol.writeKeyTable(data.data(), 1), kResultAccepted);
    sent = requests();
    ASSERT_EQ(sent.size(), 10u);
    for (size_t i = 0; i < sent.size(); ++i)
        EXPECT_EQ(offsetOf(sent[i]), 512 + 56 * i);
    EXPECT_EQ(sent[0][5], 0);
    EXPECT_EQ(sent[0][6], 2);
    const std::vector<uint8_t> stored = mouse->keyTable(1);
    EXPECT_TRUE(std::equal(stored.begin(), stored.end(), data.begin()));

    mouse->clearRequestLog();
    EXPECT_EQ(protocol.writeKeyTable(data.data(), 2), kResultBadKeyTable);
    EXPECT_TRUE(requests().empty());
}

TEST_F(ProtocolOnMouse, BlockSizeAboveAKeyTableIsRefusedAndZeroSendsNothing) {
    EXPECT_EQ(protocol.setBlockSize(513), 0);
    EXPECT_EQ(protocol.blockSize, 512);
    EXPECT_EQ(protocol.setBlockSize(0), 1);
    std::vector<uint8_t> table(512, 0xEE);
    EXPECT_EQ(protocol.readKeyTable(table.data()), kResultAccepted);
    EXPECT_EQ(protocol.writeKeyTable(table.data(), 0), kResultAccepted);
    EXPECT_EQ(protocol.readPerKeyTable(table.data()), kResultAccepted);
    EXPECT_TRUE(requests().empty());
    EXPECT_EQ(table[0], 0xEE);
}

TEST_F(ProtocolOnMouse, ARefusalEndsAChunkedCommandAtOnce) {
    const std::vector<uint8_t> data = pattern(150, 1);
    mouse->refusePacket(2, 0xFE);
    EXPECT_EQ(protocol.writeMemory(data.data(), 150, 0), kResultRefusedFE);
    EXPECT_EQ(requests().size(), 2u);
    mouse->clearRequestLog();
    mouse->refusePacket(1, 0xFF);
    EXPECT_EQ(protocol.beginUpdate(), kResultRefusedFF);
    mouse->refusePacket(1, 0xFF);
    EXPECT_FALSE(protocol.isOnline());
}

TEST_F(ProtocolOnMouse, NothingIsWrittenWhileNotConnected) {
    protocol.connected = 0;
    std::vector<uint8_t> buffer(512, 0);
    EXPECT_EQ(protocol.beginUpdate(), kResultNoAnswer);
    EXPECT_EQ(protocol.endUpdate(), kResultNoAnswer);
    EXPECT_EQ(protocol.readDeviceInfo(buffer.data()), kResultNoAnswer);
    EXPECT_EQ(protocol.readMemory(buffer.data(), 10, 0), kResultNoAnswer);
    EXPECT_EQ(protocol.writeMemory(buffer.data(), 10, 0), kResultNoAnswer);
    EXPECT_EQ(protocol.readKeyTable(buffer.data()), kResultNoAnswer);
    EXPECT_EQ(protocol.writeKeyTable(buffer.data(), 0), kResultNoAnswer);
    EXPECT_EQ(protocol.writeMacroData(buffer.data(), 100), kResultNoAnswer);
    EXPECT_EQ(protocol.readShort(buffer.data(), 6, 0), kResultNoAnswer);
    EXPECT_EQ(protocol.readPerKeyTable(buffer.data()), kResultNoAnswer);
    EXPECT_EQ(protocol.streamLight(buffer.data(), 130), kResultNoAnswer); // the open node is left alone
    EXPECT_FALSE(protocol.isOnline());
    EXPECT_FALSE(protocol.busy);
    EXPECT_TRUE(requests().empty());
}

TEST_F(ProtocolOnMouse, DeviceInformationAndTheShortReadReturnTheDevicesBytes) {
    uint8_t info[34] = {};
    ASSERT_EQ(protocol.readDeviceInfo(info), kResultAccepted);
    const auto expected = mouse->deviceInfo();
    EXPECT_TRUE(std::equal(expected.begin(), expected.end(), info));
    EXPECT_EQ(requests().size(), 1u);

    mouse->setBattery(57);
    uint8_t status[6] = {};
    ASSERT_EQ(protocol.readShort(status, 6, 0), kResultAccepted);
    const auto record = mouse->statusRecord();
    EXPECT_TRUE(std::equal(record.begin(), record.end(), status));
    uint8_t tooLong[64] = {};
    EXPECT_EQ(protocol.readShort(tooLong, 57, 0), kResultNoAnswer);
}

TEST_F(ProtocolOnMouse, OnlyAReplyWithTheRequestsEchoAnswersIt) {
    // Stale reports ahead of the real answer are read past, however many.
    mouse->answerWithWrongEcho(1);
    mouse->answerWithWrongEcho(1, false, true);
    uint8_t info[34] = {};
    ASSERT_EQ(protocol.readDeviceInfo(info), kResultAccepted);
    EXPECT_EQ(info[5], mouse->deviceInfo()[5]);

    // Only wrong answers: the command has none and fails, however many arrived.
    mouse->answerWithWrongEcho(1);
    mouse->answerWithWrongEcho(1);
    EXPECT_EQ(protocol.beginUpdate(), kResultNoAnswer);
    EXPECT_EQ(protocol.endUpdate(), kResultAccepted);
}

TEST_F(ProtocolOnMouse, AReplyAfterItsCommandGaveUpNeverAnswersALaterOne) {
    const std::vector<uint8_t> low = pattern(20, 1);
    const std::vector<uint8_t> high = pattern(20, 100);
    ASSERT_TRUE(mouse->writeMemory(0, low));
    ASSERT_TRUE(mouse->writeMemory(200, high));
    std::vector<uint8_t> back(20, 0);

    mouse->dropReply(1);
    const auto start = Clock::now();
    EXPECT_EQ(protocol.readMemory(back.data(), 20, 0), kResultNoAnswer);
    EXPECT_LT(Clock::now() - start, std::chrono::milliseconds(4000));
    EXPECT_FALSE(protocol.busy);

    // Past the time-out the reply of offset 0 no longer counts, and once it has come it waits on the node.
    mouse->delayReply(1, std::chrono::milliseconds(1300));
    EXPECT_EQ(protocol.readMemory(back.data(), 20, 0), kResultNoAnswer);
    ASSERT_TRUE(emulated.tree().waitUntilDelivered(std::chrono::seconds(5)));
    ASSERT_EQ(protocol.readMemory(back.data(), 20, 200), kResultAccepted);
    EXPECT_EQ(back, high);

    // A stale reply of another command that arrives while a command waits is read past.
    mouse->delayReply(1, std::chrono::milliseconds(1100));
    EXPECT_EQ(protocol.readMemory(back.data(), 20, 0), kResultNoAnswer);
    mouse->delayReply(1, std::chrono::milliseconds(300));
    EXPECT_TRUE(protocol.isOnline());
}

TEST_F(ProtocolOnMouse, UnplugInTheMiddleOfAChunkedCommandFailsPromptly) {
    const std::vector<uint8_t> data = pattern(300, 9);
    mouse->unplugOnPacket(3);
    const auto start = Clock::now();
    const int result = protocol.writeMemory(data.data(), 300, 0);
    EXPECT_LE(result, 0);
    EXPECT_LT(Clock::now() - start, std::chrono::milliseconds(4000));
    EXPECT_EQ(protocol.beginUpdate(), kResultWriteFailed);
    EXPECT_FALSE(protocol.busy);
}

TEST_F(ProtocolOnMouse, TheTraceShowsEachRequestAndReplyInTwoLines) {
    std::vector<std::string> lines;
    TraceSink previous = setTraceSink([&](std::string_view line) { lines.emplace_back(line); });
    protocol.beginUpdate();
    setTraceSink(previous);
    ASSERT_EQ(lines.size(), 6u);
    EXPECT_EQ(lines[0], "命令");
    EXPECT_EQ(lines[1], "04 01 00 01   00 00 00 00   00 00 00 00   00 00 00 00  00 00 00 00  00 00 00 00  "
                        "00 00 00 00  00 00 00 00");
    EXPECT_EQ(lines[3], "返回");
    EXPECT_EQ(lines[4].substr(0, 2), "04");
    EXPECT_EQ(lines[4].substr(9, 2), "01");
}

TEST_F(ProtocolOnMouse, TheLightStreamDropsItsPacketsWhileACommandRuns) {
    std::vector<std::string> lines;
    TraceSink previous = setTraceSink([&](std::string_view line) { lines.emplace_back(line); });
    const std::vector<uint8_t> frame = pattern(130, 5);
    protocol.busy = true;
    EXPECT_EQ(protocol.streamLight(frame.data(), 130), kResultAccepted);
    protocol.busy = false;
    setTraceSink(previous);
    EXPECT_TRUE(requests().empty());
    EXPECT_EQ(std::count(lines.begin(), lines.end(), "放弃灯光数据"), 3);

    protocol.wireless = 1;
    EXPECT_EQ(protocol.streamLight(frame.data(), 130), kResultAccepted);
    EXPECT_TRUE(requests().empty());
    protocol.wireless = 0;
    EXPECT_EQ(protocol.streamLight(frame.data(), 130), kResultAccepted);
    EXPECT_EQ(requests().size(), 3u);
    const auto shown = mouse->lightFrame();
    EXPECT_TRUE(std::equal(frame.begin(), frame.end(), shown.begin()));
}

TEST_F(ProtocolOnMouse, CommandsNeverWaitForTheLightStream) {
    std::unique_lock streamHeld(protocol.streamLock); // a stream packet stuck in its exchange
    auto command = std::async(std::launch::async, [&] { return protocol.beginUpdate(); });
    ASSERT_EQ(command.wait_for(std::chrono::seconds(3)), std::future_status::ready);
    EXPECT_EQ(command.get(), kResultAccepted);
}

// The stream's read can take a command's reply off the shared interface; the command must still get it.
TEST_F(ProtocolOnMouse, CommandsRunningBesideTheLightStreamAllSucceedWithTheirOwnReplies) {
    std::atomic<bool> stop{false};
    std::atomic<int> frames{0};
    auto stream = std::async(std::launch::async, [&] {
        const std::vector<uint8_t> frame = pattern(100, 1);
        while (!stop) {
            protocol.streamLight(frame.data(), 100);
            ++frames;
        }
    });
    for (int i = 0; i < 60; ++i) {
        const std::vector<uint8_t> data = pattern(20, uint8_t(i));
        ASSERT_EQ(protocol.writeMemory(data.data(), 20, uint16_t(i * 10)), kResultAccepted) << "write " << i;
        std::vector<uint8_t> back(20, 0);
        ASSERT_EQ(protocol.readMemory(back.data(), 20, uint16_t(i * 10)), kResultAccepted) << "read " << i;
        EXPECT_EQ(back, data) << "read " << i;
    }
    stop = true;
    ASSERT_EQ(stream.wait_for(std::chrono::seconds(10)), std::future_status::ready);
    EXPECT_GT(frames.load(), 0);
    EXPECT_FALSE(protocol.busy);
}

TEST(ReportProtocolGuard, AWirelessLinkSendsOnlyWhileTheDeviceIsOnline) {
    test::EmulatedTree emulated;
    std::shared_ptr<emu::FirmwareDevice> mouse = emu::makeDevice("mouse");
    const int id = emulated.tree().plug(mouse);
    ReportProtocol protocol;
    ASSERT_TRUE(protocol.device.open(emulated.pathOf(id, 4), true, true, true, false));
    EXPECT_TRUE(protocol.wirelessGuard()); // wired: always
    protocol.wireless = 1;
    EXPECT_FALSE(protocol.wirelessGuard()); // not connected
    EXPECT_TRUE(mouse->requestLog().empty());
    protocol.connected = 1;
    EXPECT_TRUE(protocol.wirelessGuard());
    mouse->refusePacket(1, 0xFF);
    EXPECT_FALSE(protocol.wirelessGuard());
}

} // namespace
} // namespace pelan
