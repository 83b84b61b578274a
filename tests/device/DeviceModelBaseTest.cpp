#include <atomic>
#include <condition_variable>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "device/UsbDeviceModel.h"
#include "device/WorkerThread.h"
#include "emulator/FirmwareDevice.h"
#include "platform/Trace.h"
#include "support/EmulatedTree.h"

namespace pelan {
namespace {

using namespace std::chrono_literals;

// Collects what the model hands to its page; waits for it from the test thread.
class RecordingObserver : public DeviceModelObserver {
public:
    void onPowerStatus(const PowerStatus& status) override {
        std::lock_guard lock(mutex);
        statuses.push_back(status);
    }
    void onDeviceStatus(uint8_t value) override {
        std::lock_guard lock(mutex);
        deviceStatus.push_back(value);
    }
    void onLightFrame(const light::LedFrame& leds) override {
        std::lock_guard lock(mutex);
        frames.push_back(leds);
        changed.notify_all();
    }
    void onSyncRequested() override {
        std::lock_guard lock(mutex);
        ++syncRequests;
        changed.notify_all();
    }
    template <typename Predicate>
    bool waitFor(Predicate predicate, std::chrono::milliseconds limit = 15000ms) {
        std::unique_lock lock(mutex);
        return changed.wait_for(lock, limit, predicate);
    }

    std::mutex mutex;
    std::condition_variable changed;
    std::vector<PowerStatus> statuses;
    std::vector<uint8_t> deviceStatus;
    std::vector<light::LedFrame> frames;
    int syncRequests = 0;
};

// Trace lines written while it lives.
class TraceCapture {
public:
    TraceCapture() {
        previous_ = setTraceSink([this](std::string_view line) {
            std::lock_guard lock(mutex_);
            lines_.emplace_back(line);
        });
    }
    ~TraceCapture() { setTraceSink(previous_); }
    bool contains(const std::string& text) {
        std::lock_guard lock(mutex_);
        for (const std::string& line : lines_)
            if (line.find(text) != std::string::npos)
                return true;
        return false;
    }

private:
    std::mutex mutex_;
    std::vector<std::string> lines_;
    TraceSink previous_;
};

class DeviceModelBase : public ::testing::Test {
protected:
    void SetUp() override {
        device = emu::makeDevice("mouse");
        id = emulated.tree().plug(device);
        ASSERT_GT(id, 0);
        ASSERT_TRUE(model.commandChannel.device.open(emulated.pathOf(id, 4), true, true, true, false));
        model.commandChannel.connected = 1;
        model.setObserver(&observer);
        device->clearRequestLog();
    }

    test::EmulatedTree emulated;
    std::shared_ptr<emu::FirmwareDevice> device;
    int id = 0;
    RecordingObserver observer;
    UsbDeviceModel model{"keyboard", 0};
};

TEST_F(DeviceModelBase, TheLedWithoutALightIsShownButNeverSent) {
    model.resizeLeds(128);
    for (int i = 0; i < 128; ++i)
        model.setLedState(i, light::packLed({200, 100, 50}, 255));
    ASSERT_EQ(model.sendLightFrame(), 1);
    const std::vector<uint8_t> frame = device->lightFrame();
    EXPECT_EQ(frame[3 * 125], 199);
    EXPECT_EQ(frame[3 * 126], 0);
    EXPECT_EQ(frame[3 * 126 + 1], 0);
    EXPECT_EQ(frame[3 * 126 + 2], 0);
    EXPECT_EQ(frame[3 * 127 + 1], 99);
    ASSERT_EQ(observer.frames.size(), 1u);
    EXPECT_EQ(observer.frames[0][126], light::packLed({200, 100, 50}, 255));
    EXPECT_EQ(device->requestCount(), 7u); // 384 bytes in packets of 56
}

TEST_F(DeviceModelBase, FramesStayOffTheWireWhenWirelessOrNotInControl) {
    model.resizeLeds(4);
    model.commandChannel.wireless = 1;
    EXPECT_EQ(model.sendLightFrame(), 1);
    EXPECT_EQ(observer.frames.size(), 1u);
    model.commandChannel.wireless = 0;
    model.lightingControl = 0;
    EXPECT_EQ(model.sendLightFrame(), 0);
    EXPECT_EQ(observer.frames.size(), 1u);
    model.lightingControl = 1;
    model.previewEnabled = 0;
    EXPECT_EQ(model.sendLightFrame(), 1);
    EXPECT_EQ(observer.frames.size(), 1u);
    EXPECT_EQ(device->requestCount(), 1u); // only the last frame
    device->refusePacket(1);
    EXPECT_EQ(model.sendLightFrame(), kResultRefusedFF);
}

TEST_F(DeviceModelBase, LedAccessOutsideTheFrameIsHarmless) {
    model.resizeLeds(3);
    model.setLedState(-1, 5);
    model.setLedState(3, 5);
    EXPECT_EQ(model.getLedState(3), 0u);
    EXPECT_EQ(model.getLedState(-7), 0u);
    model.setLedState(2, 9);
    EXPECT_EQ(model.getLedState(2), 9u);
}

TEST_F(DeviceModelBase, EffectRowRotatesEitherWayAndDecayStopsAtZero) {
    model.clearEffectBuffers();
    model.markPressedKeys();
    model.rotateEffectRow(1);
    EXPECT_EQ(model.effectBuffer[127], 0xFF);
    model.rotateEffectRow(0);
    model.rotateEffectRow(0);
    EXPECT_EQ(model.effectBuffer[148], 0xFF); // wrapped from the first cell to the last
    model.effectBuffer[5] = 20;
    EXPECT_EQ(model.decayEffectValue(5, false), 12);
    EXPECT_EQ(model.decayEffectValue(5, true), 0);
    EXPECT_EQ(model.decayEffectValue(5, true), 0);
    EXPECT_EQ(model.decayEffectValue(-1, true), 0);
    EXPECT_EQ(model.decayEffectValue(149, true), 0);
}

TEST_F(DeviceModelBase, StatusReadMarksTheWirelessLinkAndReachesTheObserver) {
    device->setPowerState({.battery = 57, .charging = 2, .statusValue = 9, .phoneType = 1});
    auto status = model.readPowerStatus();
    ASSERT_TRUE(status.has_value());
    EXPECT_EQ(status->battery(), 57);
    EXPECT_EQ(status->chargingState(), 2);
    EXPECT_EQ(status->wirelessMark(), 0);
    EXPECT_EQ(status->phoneType(), 1);
    model.commandChannel.wireless = 1;
    status = model.readPowerStatus();
    ASSERT_TRUE(status.has_value());
    EXPECT_EQ(status->wirelessMark(), 1);
    ASSERT_EQ(observer.statuses.size(), 2u);
    EXPECT_EQ(observer.deviceStatus, (std::vector<uint8_t>{9, 9}));

    device->refusePacket(1);
    EXPECT_FALSE(model.readPowerStatus().has_value());
    model.commandChannel.connected = 0;
    device->clearRequestLog();
    EXPECT_FALSE(model.readPowerStatus().has_value());
    EXPECT_EQ(device->requestCount(), 0u);
    EXPECT_EQ(observer.statuses.size(), 2u);
}

TEST_F(DeviceModelBase, NotificationThreadAsksForASyncAndStopsWhileBlockedInARead) {
    TraceCapture traces;
    ASSERT_TRUE(model.openNotifyInterface(emulated.pathOf(id, 3)));
    for (int i = 0; i < 5; ++i)
        emulated.tree().sendInput(id, device->notificationInterface(), device->notificationReport(0x404));
    emulated.tree().sendInput(id, device->notificationInterface(), device->notificationReport(0x401));
    ASSERT_TRUE(observer.waitFor([&] { return observer.syncRequests == 1; }));
    EXPECT_EQ(model.notificationCounter(), 1); // five steps of 0..3
    EXPECT_TRUE(traces.contains("接收到自动添加设备的同步信息要求"));

    // The thread now waits in a read without time-out: closing must still end it.
    model.closeNotifyInterface();
    EXPECT_TRUE(traces.contains("设备同步线程设定退出"));
    EXPECT_TRUE(traces.contains("线程退出：：对象处于激发状态"));
    EXPECT_EQ(model.notifyChannel.connected.load(), 0);
    // Reopening starts a fresh thread.
    ASSERT_TRUE(model.openNotifyInterface(emulated.pathOf(id, 3)));
    emulated.tree().sendInput(id, device->notificationInterface(), device->notificationReport(0x401));
    EXPECT_TRUE(observer.waitFor([&] { return observer.syncRequests == 2; }));
}

TEST_F(DeviceModelBase, TheNotificationThreadSurvivesItsDeviceGoingAway) {
    ASSERT_TRUE(model.openNotifyInterface(emulated.pathOf(id, 3)));
    ASSERT_TRUE(emulated.tree().unplug(id));
    std::this_thread::sleep_for(50ms);
    model.stopThreads();
    model.closeNotifyInterface();
    EXPECT_FALSE(model.openNotifyInterface(emulated.pathOf(id, 3)));
}

TEST_F(DeviceModelBase, TheBaseLightThreadShowsItsFramesAndStreamsThemOnlyWhenAsked) {
    TraceCapture traces;
    model.resizeLeds(5);
    model.setLightInfo(0x04000002, 0xFF000000 | 0x00804001, 0); // static, level 0, speed 4; blue 0xFF
    ASSERT_TRUE(model.startLightThread());
    EXPECT_FALSE(model.startLightThread());
    ASSERT_TRUE(observer.waitFor([&] { return observer.frames.size() >= 3; }));
    EXPECT_EQ(device->requestCount(), 0u);
    EXPECT_EQ(model.getLedState(4), light::packLed({0x40, 0x80, 0xFF}, 30));

    model.streamLightFrames = 1;
    const size_t shown = observer.frames.size();
    ASSERT_TRUE(observer.waitFor([&] { return observer.frames.size() >= shown + 3; }));
    EXPECT_EQ(model.stopLightThread(), WorkerThread::StopOutcome::Ended);
    EXPECT_TRUE(traces.contains("灯光线程设定退出"));
    EXPECT_GT(device->requestCount(), 0u);
    const std::vector<uint8_t> frame = device->lightFrame();
    EXPECT_EQ(frame[0], (0x40 * 30) >> 8);
}

// A light thread waiting on a device that no longer answers is cut short and joined when stopped; the next thread
// streams again.
TEST_F(DeviceModelBase, ALightThreadWaitingOnASilentDeviceIsCancelledAndJoined) {
    const auto requestsPass = [&](size_t count) {
        for (int i = 0; i < 3000 && device->requestCount() <= count; ++i)
            std::this_thread::sleep_for(5ms);
        return device->requestCount() > count;
    };
    TraceCapture traces;
    model.resizeLeds(5);
    model.setLightInfo(0x04000002, 0xFF000000 | 0x00804001, 0);
    model.streamLightFrames = 1;
    ASSERT_TRUE(model.startLightThread());
    ASSERT_TRUE(requestsPass(0));
    emu::Fault silence;
    silence.kind = emu::FaultKind::DropReply;
    silence.repeat = true;
    device->injectFault(silence);
    const size_t before = device->requestCount();
    ASSERT_TRUE(requestsPass(before));
    EXPECT_EQ(model.stopLightThread(), WorkerThread::StopOutcome::Ended);
    EXPECT_FALSE(model.lightThreadRunning());
    EXPECT_TRUE(traces.contains("灯光线程设定退出"));

    device->clearFaults();
    const size_t afterStop = device->requestCount();
    ASSERT_TRUE(model.startLightThread());
    EXPECT_TRUE(requestsPass(afterStop));
    EXPECT_EQ(model.stopLightThread(), WorkerThread::StopOutcome::Ended);

    // While interrupted a stream sends nothing more, however long it is; resumed, it goes out again.
    const std::vector<uint8_t> frame(200, 0x11);
    model.commandChannel.interruptStreams();
    const size_t interrupted = device->requestCount();
    EXPECT_EQ(model.commandChannel.streamLight(frame.data(), uint32_t(frame.size())), kResultNoAnswer);
    EXPECT_EQ(device->requestCount(), interrupted);
    model.commandChannel.resumeStreams();
    EXPECT_EQ(model.commandChannel.streamLight(frame.data(), uint32_t(frame.size())), kResultAccepted);
    EXPECT_EQ(device->requestCount(), interrupted + 4);
}

TEST(WorkerThreadStop, AWakeHookReachesABodyTheEventCannot) {
    std::mutex mutex;
    std::condition_variable cv;
    bool woken = false;
    WorkerThread worker;
    ASSERT_TRUE(worker.start([&](StopEvent&) {
        std::unique_lock lock(mutex);
        cv.wait(lock, [&] { return woken; });
    }));
    const auto outcome = worker.stop([&] {
        std::lock_guard lock(mutex);
        woken = true;
        cv.notify_all();
    });
    EXPECT_EQ(outcome, WorkerThread::StopOutcome::Ended);
    EXPECT_FALSE(worker.running());
    EXPECT_EQ(worker.stop(), WorkerThread::StopOutcome::NotRunning);
}

// A body that ends only well after the wait is still woken and joined, never left behind to reach what its owner
// destroys next.
TEST(WorkerThreadStop, AThreadThatEndsLateIsStillWaitedForAndJoined) {
    std::atomic<int> wakes = 0;
    std::atomic<bool> bodyEnded = false;
    WorkerThread worker;
    ASSERT_TRUE(worker.start([&](StopEvent&) {
        while (wakes.load() < 20)
            std::this_thread::sleep_for(1ms);
        bodyEnded = true;
    }));
    EXPECT_EQ(worker.stop([&] { ++wakes; }, 30ms), WorkerThread::StopOutcome::TimedOut);
    EXPECT_TRUE(bodyEnded.load());
    EXPECT_FALSE(worker.running());
    ASSERT_TRUE(worker.start([](StopEvent& stop) { stop.waitFor(10s); }));
    EXPECT_EQ(worker.stop(), WorkerThread::StopOutcome::Ended);
}

} // namespace
} // namespace pelan
