#include "platform/SystemSettings.h"
#include "platform/SystemSettingsBackends.h"
#include "platform/Trace.h"

#include <gtest/gtest.h>

#include <climits>
#include <future>

namespace pelan {
namespace {

using Change = RecordingSystemSettings::Change;

TEST(SystemSettingMapping, PageControlsGiveValuesWithinTheDesktopRanges) {
    EXPECT_EQ(pointerSpeedFromSlider(0), 2);
    EXPECT_EQ(pointerSpeedFromSlider(4), 10);
    EXPECT_EQ(pointerSpeedFromSlider(9), 20);
    EXPECT_EQ(pointerSpeedFromSlider(-5), 1);
    EXPECT_EQ(pointerSpeedFromSlider(INT_MAX), 20);
    EXPECT_EQ(pointerSpeedFromSlider(INT_MIN), 1);

    EXPECT_EQ(wheelLinesFromSlider(0, false), 1);
    EXPECT_EQ(wheelLinesFromSlider(2, false), 3);
    EXPECT_EQ(wheelLinesFromSlider(2, true), kPageScrollWheelLines);
    EXPECT_EQ(wheelLinesFromSlider(INT_MAX, false), 254); // never mistaken for page scrolling
    EXPECT_EQ(wheelLinesFromSlider(-3, false), 1);

    EXPECT_EQ(doubleClickTimeFromSlider(0, 9), 1000);
    EXPECT_EQ(doubleClickTimeFromSlider(9, 9), 100);
    EXPECT_EQ(doubleClickTimeFromSlider(12, 9), 100); // beyond the end: never zero or negative
    EXPECT_EQ(doubleClickTimeFromSlider(-4, 9), 1000);
    EXPECT_EQ(doubleClickTimeFromSlider(0, -1), 100);

    EXPECT_EQ(keyboardSpeedFromSlider(40), 31);
    EXPECT_EQ(keyboardSpeedFromSlider(-1), 0);
    EXPECT_EQ(keyboardDelayFromOption(3), 3);
    EXPECT_EQ(keyboardDelayFromOption(4), 0);
    EXPECT_EQ(keyboardDelayFromOption(-1), 0);
}

TEST(SystemSettingMapping, KeyboardMillisecondsRoundTripAndStayOrdered) {
    EXPECT_EQ(repeatIntervalFromKeyboardSpeed(0), 400); // 2.5 repeats a second
    EXPECT_EQ(repeatIntervalFromKeyboardSpeed(31), 33); // 30 repeats a second
    for (int speed = 0; speed <= 31; ++speed) {
        EXPECT_EQ(keyboardSpeedFromRepeatInterval(repeatIntervalFromKeyboardSpeed(speed)), speed);
        if (speed > 0) {
            EXPECT_LT(repeatIntervalFromKeyboardSpeed(speed), repeatIntervalFromKeyboardSpeed(speed - 1));
        }
    }
    for (int delay = 0; delay <= 3; ++delay)
        EXPECT_EQ(keyboardDelayFromRepeatDelay(repeatDelayFromKeyboardDelay(delay)), delay);
    EXPECT_EQ(repeatDelayFromKeyboardDelay(0), 250);
    EXPECT_EQ(repeatDelayFromKeyboardDelay(3), 1000);
    EXPECT_EQ(keyboardDelayFromRepeatDelay(660), 2);
    EXPECT_EQ(keyboardDelayFromRepeatDelay(5000), 3);
    EXPECT_EQ(keyboardSpeedFromRepeatInterval(5), 31);
    EXPECT_EQ(keyboardSpeedFromRepeatInterval(2000), 0);
}

TEST(SystemSettingsSet, ClampsValuesAndRefusesAnUnknownPrecisionState) {
    RecordingSystemSettings recording;
    EXPECT_TRUE(recording.setPointerSpeed(0));
    EXPECT_TRUE(recording.setPointerSpeed(21));
    EXPECT_TRUE(recording.set(SystemSetting::WheelLines, LLONG_MAX));
    EXPECT_TRUE(recording.setDoubleClickTime(0));
    EXPECT_TRUE(recording.setKeyboardDelay(7));
    EXPECT_FALSE(recording.setPointerPrecision(2));
    EXPECT_FALSE(recording.setPointerPrecision(-1));
    EXPECT_TRUE(recording.setPointerPrecision(1));
    std::vector<Change> expected = {{SystemSetting::PointerSpeed, 1},  {SystemSetting::PointerSpeed, 20},
                                    {SystemSetting::WheelLines, 255},  {SystemSetting::DoubleClickTime, 100},
                                    {SystemSetting::KeyboardDelay, 3}, {SystemSetting::PointerPrecision, 1}};
    EXPECT_EQ(recording.changes(), expected);
    EXPECT_EQ(recording.pointerSpeed(), 20);
    EXPECT_EQ(recording.keyboardSpeed(), std::nullopt);
}

struct TraceCapture {
    TraceCapture() {
        previous = setTraceSink([this](std::string_view line) {
            std::lock_guard lock(mutex);
            lines.emplace_back(line);
        });
    }
    ~TraceCapture() { setTraceSink(previous); }
    bool contains(std::string_view text) {
        std::lock_guard lock(mutex);
        for (const std::string& line : lines)
            if (line.find(text) != std::string::npos)
                return true;
        return false;
    }
    TraceSink previous;
    std::mutex mutex;
    std::vector<std::string> lines;
};

// A desktop backend owned by the composite, observed through a pointer kept by the test.
std::unique_ptr<RecordingSystemSettings> recordingBackend(RecordingSystemSettings*& observer) {
    auto backend = std::make_unique<RecordingSystemSettings>();
    observer = backend.get();
    return backend;
}

TEST(DesktopSystemSettings, EveryBackendGetsTheValueAndTheStateFileAnswersWhatTheDesktopCannot) {
    RecordingSystemSettings* first = nullptr;
    RecordingSystemSettings* second = nullptr;
    RecordingSystemSettings* stateFile = nullptr;
    std::vector<std::unique_ptr<SystemSettings>> desktop;
    desktop.push_back(recordingBackend(first));
    desktop.push_back(recordingBackend(second));
    DesktopSystemSettings settings(std::move(desktop), recordingBackend(stateFile));
    first->refuse(SystemSetting::WheelLines);
    second->refuse(SystemSetting::WheelLines);
    second->refuse(SystemSetting::KeyboardSpeed);

    EXPECT_TRUE(settings.setKeyboardSpeed(12));
    EXPECT_EQ(first->changes(), (std::vector<Change>{{SystemSetting::KeyboardSpeed, 12}}));
    EXPECT_TRUE(second->changes().empty());
    EXPECT_EQ(stateFile->changes(), (std::vector<Change>{{SystemSetting::KeyboardSpeed, 12}}));

    TraceCapture traces;
    EXPECT_TRUE(settings.setWheelLines(kPageScrollWheelLines));               // not reported as a failure...
    EXPECT_TRUE(traces.contains("no desktop backend took WheelLines = 255")); // ...but traced
    EXPECT_EQ(settings.wheelLines(), kPageScrollWheelLines);

    EXPECT_EQ(settings.backendNames(), (std::vector<std::string>{"recording", "recording", "recording"}));
}

TEST(DesktopSystemSettings, ReadsTheDesktopBeforeTheStateFile) {
    RecordingSystemSettings* desktopBackend = nullptr;
    RecordingSystemSettings* stateFile = nullptr;
    std::vector<std::unique_ptr<SystemSettings>> desktop;
    desktop.push_back(recordingBackend(desktopBackend));
    DesktopSystemSettings settings(std::move(desktop), recordingBackend(stateFile));
    stateFile->setPointerSpeed(4);
    desktopBackend->setPointerSpeed(15); // changed on the desktop behind our back
    EXPECT_EQ(settings.pointerSpeed(), 15);
    EXPECT_EQ(settings.doubleClickTime(), std::nullopt);
}

TEST(DesktopSystemSettings, WithoutAnyBackendNothingIsTaken) {
    DesktopSystemSettings settings({}, nullptr);
    EXPECT_FALSE(settings.setPointerSpeed(5));
    EXPECT_EQ(settings.pointerSpeed(), std::nullopt);
}

TEST(SystemSettingsOverride, HandsInAndRestoresTheProcessWideSettings) {
    RecordingSystemSettings recording;
    setSystemSettingsOverride(&recording);
    systemSettings().setDoubleClickTime(700);
    setSystemSettingsOverride(nullptr);
    EXPECT_EQ(recording.changes(), (std::vector<Change>{{SystemSetting::DoubleClickTime, 700}}));
}

TEST(BackgroundSetter, AppliesOnAnotherThreadAndIsBusyMeanwhile) {
    RecordingSystemSettings recording;
    std::promise<void> release;
    std::shared_future<void> released = release.get_future().share();
    std::promise<std::thread::id> applyingThread;
    recording.setApplyHook([&](SystemSetting, int) {
        applyingThread.set_value(std::this_thread::get_id());
        released.wait();
    });
    BackgroundSetter setter(recording, SystemSetting::PointerSpeed);
    EXPECT_FALSE(setter.busy());
    setter.request(12);
    std::thread::id worker = applyingThread.get_future().get();
    EXPECT_NE(worker, std::this_thread::get_id());
    EXPECT_TRUE(setter.busy());
    EXPECT_TRUE(recording.changes().empty());
    release.set_value();
    setter.waitUntilIdle();
    EXPECT_FALSE(setter.busy());
    EXPECT_EQ(recording.changes(), (std::vector<Change>{{SystemSetting::PointerSpeed, 12}}));
}

TEST(BackgroundSetter, ARequestWhileBusyIsAppliedLastNotLost) {
    RecordingSystemSettings recording;
    std::promise<void> release;
    std::shared_future<void> released = release.get_future().share();
    std::promise<void> started;
    bool first = true;
    recording.setApplyHook([&](SystemSetting, int) {
        if (!first)
            return;
        first = false;
        started.set_value();
        released.wait();
    });
    BackgroundSetter setter(recording, SystemSetting::WheelLines);
    setter.request(3);
    started.get_future().wait();
    setter.request(7);
    setter.request(kPageScrollWheelLines);
    release.set_value();
    setter.waitUntilIdle();
    EXPECT_EQ(recording.changes(), (std::vector<Change>{{SystemSetting::WheelLines, 3},
                                                        {SystemSetting::WheelLines, kPageScrollWheelLines}}));
    setter.request(9); // a new thread after the first one ended
    setter.waitUntilIdle();
    EXPECT_EQ(recording.wheelLines(), 9);
}

TEST(BackgroundSetter, DestructionWaitsForTheValueInFlight) {
    RecordingSystemSettings recording;
    recording.setApplyHook([](SystemSetting, int) { std::this_thread::sleep_for(std::chrono::milliseconds(20)); });
    {
        BackgroundSetter setter(recording, SystemSetting::PointerSpeed);
        setter.request(5);
    }
    EXPECT_EQ(recording.pointerSpeed(), 5);
}

} // namespace
} // namespace pelan
