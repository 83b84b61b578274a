#include <condition_variable>
#include <mutex>
#include <set>

#include <gtest/gtest.h>

#include "device/DeviceScanner.h"
#include "emulator/FirmwareDevice.h"
#include "support/EmulatedTree.h"

namespace pelan {
namespace {

class RecordingListener : public DeviceScanner::Listener {
public:
    void onDeviceArrival(int slot) override { record(arrivals, slot); }
    void onDeviceRemoval(int slot) override { record(removals, slot); }
    void onFirstEnumeration() override {
        std::lock_guard lock(mutex);
        ++firstEnumerations;
        changed.notify_all();
    }

    bool waitFor(const std::multiset<int>& set, size_t count) {
        std::unique_lock lock(mutex);
        return changed.wait_for(lock, std::chrono::seconds(15), [&] { return set.size() >= count; });
    }

    std::mutex mutex;
    std::condition_variable changed;
    std::multiset<int> arrivals;
    std::multiset<int> removals;
    int firstEnumerations = 0;

private:
    void record(std::multiset<int>& set, int slot) {
        std::lock_guard lock(mutex);
        set.insert(slot);
        changed.notify_all();
    }
};

TEST(DeviceScanner, ClaimsSupportedInterfacesOnceAndReleasesThemOnUnplug) {
    test::EmulatedTree emulated;
    std::shared_ptr<emu::FirmwareDevice> mouse = emu::makeDevice("mouse");
    const int mouseId = emulated.tree().plug(mouse);
    emulated.tree().plug(emu::makeDevice("headset"));
    emulated.tree().plug(emu::makeDevice("keyboard"));
    RecordingListener listener;
    DeviceScanner scanner(listener);

    ASSERT_TRUE(scanner.scanOnce());
    EXPECT_EQ(listener.arrivals, (std::multiset<int>{2, 3, 6}));
    EXPECT_EQ(listener.firstEnumerations, 1);
    EXPECT_EQ(scanner.slots()[2].connected, 1);
    EXPECT_NE(scanner.slots()[2].devicePath.find("&col04#"), std::string::npos);
    EXPECT_TRUE(scanner.slots()[0].devicePath.empty()); // the keyboard rows never match

    ASSERT_TRUE(scanner.scanOnce());
    EXPECT_EQ(listener.arrivals.size(), 3u);
    EXPECT_EQ(listener.firstEnumerations, 1);

    ASSERT_TRUE(emulated.tree().unplug(mouseId));
    ASSERT_TRUE(scanner.scanOnce());
    EXPECT_EQ(listener.removals, (std::multiset<int>{2, 3}));
    EXPECT_EQ(scanner.slots()[2].connected, 0);
    EXPECT_TRUE(scanner.slots()[2].devicePath.empty());
    EXPECT_EQ(scanner.slots()[6].connected, 1);

    emulated.tree().plug(mouse);
    ASSERT_TRUE(scanner.scanOnce());
    EXPECT_EQ(listener.arrivals.count(2), 2u);
    EXPECT_EQ(listener.arrivals.count(3), 2u);
}

TEST(DeviceScanner, TheScanThreadNoticesHotPlugBothWaysAndStopsPromptly) {
    test::EmulatedTree emulated;
    RecordingListener listener;
    DeviceScanner scanner(listener);
    ASSERT_TRUE(scanner.start());
    EXPECT_FALSE(scanner.start());
    const int padId = emulated.tree().plug(emu::makeDevice("mousepad"));
    ASSERT_TRUE(listener.waitFor(listener.arrivals, 2));
    EXPECT_EQ(listener.arrivals, (std::multiset<int>{4, 5}));
    ASSERT_TRUE(emulated.tree().unplug(padId));
    ASSERT_TRUE(listener.waitFor(listener.removals, 2));
    EXPECT_EQ(listener.removals, (std::multiset<int>{4, 5}));
    EXPECT_EQ(scanner.stop(), WorkerThread::StopOutcome::Ended);
    EXPECT_FALSE(scanner.running());
}

} // namespace
} // namespace pelan
