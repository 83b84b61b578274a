#include "emulator/CommandReport.h"
#include "emulator/FirmwareDevice.h"
#include "emulator/RecordingHost.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

namespace pelan::emu {
namespace {

using test::RecordingHost;
using test::send;
using namespace std::chrono_literals;

class FaultInjectionTest : public ::testing::Test {
protected:
    std::unique_ptr<FirmwareDevice> mouse = makeDevice("mouse");
    RecordingHost host;

    std::vector<RecordingHost::Input> online() { return send(*mouse, host, makeCommandRequest(command::isOnline)); }
    std::vector<RecordingHost::Input> writeByte(uint16_t offset, uint8_t value) {
        const std::vector<uint8_t> data = {value};
        return send(*mouse, host, makeCommandRequest(command::writeMemory, 1, offset, data));
    }
    static uint8_t statusOf(const std::vector<RecordingHost::Input>& replies) {
        EXPECT_EQ(replies.size(), 1u);
        return replies.empty() ? 0 : replies[0].report[field::status];
    }
};

TEST_F(FaultInjectionTest, RefusalHitsOnlyTheChosenPacketAndIsNotApplied) {
    online(); // packets before the fault is set do not count
    mouse->refusePacket(2, status::outOfRange);
    EXPECT_EQ(statusOf(writeByte(200, 1)), status::accepted);
    const auto refused = writeByte(201, 2);
    EXPECT_EQ(statusOf(refused), status::outOfRange);
    EXPECT_EQ(refused[0].report[field::code], command::writeMemory);
    EXPECT_EQ(statusOf(writeByte(202, 3)), status::accepted);
    EXPECT_EQ(mouse->readMemory(200, 3), (std::vector<uint8_t>{1, 0, 3}));
    EXPECT_EQ(mouse->pendingFaultCount(), 0u);

    mouse->refusePacket(1);
    EXPECT_EQ(statusOf(online()), status::refused);
}

TEST_F(FaultInjectionTest, RepeatedRefusalLastsUntilCleared) {
    mouse->injectFault({.kind = FaultKind::Refuse, .packet = 2, .repeat = true});
    EXPECT_EQ(statusOf(online()), status::accepted);
    EXPECT_EQ(statusOf(online()), status::refused);
    EXPECT_EQ(statusOf(online()), status::refused);
    mouse->clearFaults();
    EXPECT_EQ(statusOf(online()), status::accepted);
}

TEST_F(FaultInjectionTest, DroppedReplyStillAppliesTheWrite) {
    mouse->dropReply(1);
    EXPECT_TRUE(writeByte(310, 0x5A).empty());
    EXPECT_EQ(mouse->readMemory(310, 1), std::vector<uint8_t>{0x5A});
    EXPECT_EQ(online().size(), 1u);
}

TEST_F(FaultInjectionTest, LateReplyCarriesItsDelay) {
    mouse->delayReply(1, 1500ms);
    const auto replies = online();
    ASSERT_EQ(replies.size(), 1u);
    EXPECT_EQ(replies[0].delay, 1500ms);
    EXPECT_EQ(replies[0].report[field::code], command::isOnline);
    EXPECT_EQ(online()[0].delay, 0ms);
}

TEST_F(FaultInjectionTest, WrongEchoOnceAlwaysAndAheadOfTheRealReply) {
    mouse->answerWithWrongEcho(1);
    auto replies = online();
    ASSERT_EQ(replies.size(), 1u);
    EXPECT_NE(replies[0].report[field::code], command::isOnline);
    EXPECT_EQ(online()[0].report[field::code], command::isOnline);

    mouse->answerWithWrongEcho(1, false, true);
    replies = online();
    ASSERT_EQ(replies.size(), 2u);
    EXPECT_NE(replies[0].report[field::code], command::isOnline);
    EXPECT_EQ(replies[1].report[field::code], command::isOnline);
    EXPECT_EQ(replies[1].report[kCommandDataOffset], 0xFF);

    mouse->injectFault({.kind = FaultKind::WrongEcho, .packet = 1, .repeat = true, .echo = 0x07});
    for (int i = 0; i < 3; ++i) {
        replies = online();
        ASSERT_EQ(replies.size(), 1u);
        EXPECT_EQ(replies[0].report[field::code], 0x07);
    }
}

TEST_F(FaultInjectionTest, UnplugInTheMiddleOfAChunkedTransfer) {
    mouse->unplugOnPacket(2);
    const std::vector<uint8_t> first(56, 0x11);
    const std::vector<uint8_t> second(19, 0x22);
    EXPECT_EQ(send(*mouse, host, makeCommandRequest(command::writeMemory, 56, 128, first)).size(), 1u);
    EXPECT_TRUE(send(*mouse, host, makeCommandRequest(command::writeMemory, 19, 184, second)).empty());
    EXPECT_EQ(host.unplugs(), 1);
    // The first packet stays applied, the second never reached the memory.
    EXPECT_EQ(mouse->readMemory(128, 56), first);
    EXPECT_EQ(mouse->readMemory(184, 1), std::vector<uint8_t>{0});
}

TEST_F(FaultInjectionTest, FaultsCombineOnTheSamePacket) {
    mouse->refusePacket(1, status::outOfRange);
    mouse->delayReply(1, 20ms);
    const auto replies = writeByte(320, 9);
    ASSERT_EQ(replies.size(), 1u);
    EXPECT_EQ(replies[0].report[field::status], status::outOfRange);
    EXPECT_EQ(replies[0].delay, 20ms);
    EXPECT_EQ(mouse->readMemory(320, 1), std::vector<uint8_t>{0});
}

TEST_F(FaultInjectionTest, NotificationsAndForeignReportsDoNotCountAsPackets) {
    mouse->refusePacket(1);
    const std::vector<uint8_t> leds = {0x01, 0x02};
    mouse->handleOutput(1, leds, host);
    mouse->sendNotification(host, 0x401);
    host.takeInputs();
    EXPECT_EQ(statusOf(online()), status::refused);
}

TEST_F(FaultInjectionTest, RequestLogKeepsRawBytesUntilCleared) {
    auto bad = makeCommandRequest(command::beginUpdate);
    bad[field::checksumLow] = 0x42;
    send(*mouse, host, bad);
    writeByte(330, 1);
    const auto log = mouse->requestLog();
    ASSERT_EQ(log.size(), 2u);
    EXPECT_EQ(log[0].interfaceNumber, 1);
    EXPECT_TRUE(std::equal(bad.begin(), bad.end(), log[0].bytes.begin(), log[0].bytes.end()));
    EXPECT_EQ(log[1].bytes[field::code], command::writeMemory);
    EXPECT_EQ(mouse->requestCount(), 2u);
    mouse->clearRequestLog();
    EXPECT_TRUE(mouse->requestLog().empty());
    EXPECT_EQ(mouse->requestCount(), 0u);
}

TEST_F(FaultInjectionTest, RequestLogKeepsTheMostRecentReports) {
    std::vector<uint8_t> leds = {0x00};
    for (size_t i = 0; i < kRequestLogCapacity + 3; ++i) {
        leds[0] = static_cast<uint8_t>(i);
        mouse->handleOutput(0, leds, host);
    }
    const auto log = mouse->requestLog();
    ASSERT_EQ(log.size(), kRequestLogCapacity);
    EXPECT_EQ(log.front().bytes[0], 3);
    EXPECT_EQ(log.back().bytes[0], static_cast<uint8_t>(kRequestLogCapacity + 2));
    EXPECT_EQ(mouse->requestCount(), kRequestLogCapacity + 3);
}

TEST_F(FaultInjectionTest, FaultsInjectedFromAnotherThread) {
    // The serving thread answers continuously while a test thread injects refusals and reads the log.
    std::atomic<bool> stop{false};
    std::atomic<int> refusals{0};
    std::atomic<int> answered{0};
    std::thread serving([&] {
        RecordingHost local;
        while (!stop) {
            const auto replies = send(*mouse, local, makeCommandRequest(command::isOnline));
            for (const auto& reply : replies) {
                refusals += reply.report[field::status] == status::refused;
            }
            ++answered;
        }
    });
    for (int i = 0; i < 50; ++i) {
        mouse->refusePacket(1);
        while (mouse->pendingFaultCount() != 0) {
            std::this_thread::yield();
        }
        mouse->requestLog();
    }
    stop = true;
    serving.join();
    EXPECT_EQ(refusals, 50);
    EXPECT_EQ(mouse->requestCount(), static_cast<size_t>(answered.load()));
}

} // namespace
} // namespace pelan::emu
