#include <condition_variable>
#include <cstdlib>
#include <filesystem>
#include <mutex>
#include <set>

#include <gtest/gtest.h>

#include "device/DeviceFiles.h"
#include "device/DeviceScanner.h"
#include "emulator/FirmwareDevice.h"
#include "platform/AtomicFile.h"
#include "platform/Paths.h"
#include "support/EmulatedTree.h"
#include "support/TempFolder.h"

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

    // Copies taken under the lock, while the scan thread may still record.
    std::multiset<int> arrived() {
        std::lock_guard lock(mutex);
        return arrivals;
    }
    std::multiset<int> removed() {
        std::lock_guard lock(mutex);
        return removals;
    }

    bool waitFor(const std::multiset<int>& set, size_t count) {
        return waitUntil([&] { return set.size() >= count; });
    }
    template <typename Condition>
    bool waitUntil(Condition condition) {
        std::unique_lock lock(mutex);
        return changed.wait_for(lock, std::chrono::seconds(15), condition);
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

// The shipped device files of the source tree, and a user folder of the test's own.
class DeviceScannerTest : public ::testing::Test {
protected:
    void SetUp() override {
        setProgramFolderOverride(std::getenv("PELAN_SOURCE_DIR"));
        ::setenv("XDG_CONFIG_HOME", config.path().c_str(), 1);
    }
    void TearDown() override {
        setProgramFolderOverride("");
        ::unsetenv("XDG_CONFIG_HOME");
    }
    std::string userFile(const std::string& name) const { return userDeviceFileFolder() + name; }

    testing::TempFolder config;
};

// The emulator's keyboard under IDs of its own.
std::shared_ptr<emu::FirmwareDevice> keyboardWithIds(uint16_t productId) {
    emu::DeviceModel model = emu::makeDevice("keyboard")->model();
    model.productId = productId;
    return std::make_shared<emu::FirmwareDevice>(model, emu::kDefaultVersionNumber);
}

constexpr const char* kUserKeyboard = "kind = keyboard\ninterface = 0c45:7700 01 04 command ff1c:0092\n"
                                      "interface = 0c45:7700 01 03 notification 000c:0001\n";

TEST_F(DeviceScannerTest, ClaimsSupportedInterfacesOnceAndReleasesThemOnUnplug) {
    test::EmulatedTree emulated;
    std::shared_ptr<emu::FirmwareDevice> mouse = emu::makeDevice("mouse");
    const int mouseId = emulated.tree().plug(mouse);
    emulated.tree().plug(emu::makeDevice("headset"));
    emulated.tree().plug(emu::makeDevice("keyboard"));
    RecordingListener listener;
    DeviceScanner scanner(listener);

    ASSERT_TRUE(scanner.scanOnce());
    // The keyboard comes through the demo file of the emulated run, never through its placeholder rows 0 and 1.
    EXPECT_EQ(listener.arrivals, (std::multiset<int>{2, 3, 6, 7, 8}));
    EXPECT_EQ(listener.firstEnumerations, 1);
    EXPECT_EQ(scanner.slots()[2].connected, 1);
    EXPECT_NE(scanner.slots()[2].devicePath.find("&col04#"), std::string::npos);
    EXPECT_TRUE(scanner.slots()[0].devicePath.empty());

    ASSERT_TRUE(scanner.scanOnce());
    EXPECT_EQ(listener.arrivals.size(), 5u);
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

TEST_F(DeviceScannerTest, ADeviceFileChangedWhileScanningBringsOrTakesItsDevice) {
    test::EmulatedTree emulated;
    emulated.tree().plug(keyboardWithIds(0x7700));
    RecordingListener listener;
    DeviceScanner scanner(listener);
    const size_t shippedSlots = scanner.slots().size();
    ASSERT_TRUE(scanner.start());
    ASSERT_TRUE(listener.waitUntil([&] { return listener.firstEnumerations == 1; }));
    EXPECT_TRUE(listener.arrived().empty());

    // The watched folder tells the scan thread; the new rows get slots at the end.
    ASSERT_TRUE(ensureFolder(userDeviceFileFolder()));
    ASSERT_EQ(writeFileAtomically(userFile("50-keyboard.device"), kUserKeyboard), 0);
    ASSERT_TRUE(listener.waitFor(listener.arrivals, 2));
    EXPECT_EQ(listener.arrived(), (std::multiset<int>{int(shippedSlots), int(shippedSlots) + 1}));

    // A broken file beside it changes nothing.
    ASSERT_EQ(writeFileAtomically(userFile("51-broken.device"), "kind = keyboard\ninterface = 0c45\n"), 0);
    // Another file with the same interface of another kind replaces the row: the keyboard goes, the new row comes.
    ASSERT_EQ(writeFileAtomically(userFile("52-mouse.device"),
                                  "kind = mouse\ninterface = 0c45:7700 01 04 command ff1c:0092\n"),
              0);
    ASSERT_TRUE(listener.waitFor(listener.removals, 1));
    ASSERT_TRUE(listener.waitFor(listener.arrivals, 3));
    EXPECT_EQ(listener.removed(), (std::multiset<int>{int(shippedSlots)}));

    // Removing the files takes the device away; the retired slots keep their places.
    std::filesystem::remove(userFile("50-keyboard.device"));
    std::filesystem::remove(userFile("52-mouse.device"));
    ASSERT_TRUE(listener.waitFor(listener.removals, 3));
    EXPECT_EQ(scanner.stop(), WorkerThread::StopOutcome::Ended);
    for (size_t i = shippedSlots; i < scanner.slots().size(); ++i)
        EXPECT_EQ(scanner.slots()[i].connected, 0) << i;
    EXPECT_LE(scanner.slots().size(), shippedSlots + 2);
}

TEST_F(DeviceScannerTest, WithoutAnyDeviceFileTheFirstEnumerationIsStillReported) {
    testing::TempFolder emptyProgram;
    setProgramFolderOverride(emptyProgram.path());
    test::EmulatedTree emulated;
    emulated.tree().plug(emu::makeDevice("mouse"));
    RecordingListener listener;
    DeviceScanner scanner(listener);
    EXPECT_TRUE(scanner.slots().empty());
    ASSERT_TRUE(scanner.scanOnce());
    EXPECT_EQ(listener.firstEnumerations, 1);
    EXPECT_TRUE(listener.arrivals.empty());
}

TEST_F(DeviceScannerTest, TheScanThreadNoticesHotPlugBothWaysAndStopsPromptly) {
    test::EmulatedTree emulated;
    RecordingListener listener;
    DeviceScanner scanner(listener);
    ASSERT_TRUE(scanner.start());
    EXPECT_FALSE(scanner.start());
    const int padId = emulated.tree().plug(emu::makeDevice("mousepad"));
    ASSERT_TRUE(listener.waitFor(listener.arrivals, 2));
    EXPECT_EQ(listener.arrived(), (std::multiset<int>{4, 5}));
    ASSERT_TRUE(emulated.tree().unplug(padId));
    ASSERT_TRUE(listener.waitFor(listener.removals, 2));
    EXPECT_EQ(listener.removed(), (std::multiset<int>{4, 5}));
    EXPECT_EQ(scanner.stop(), WorkerThread::StopOutcome::Ended);
    EXPECT_FALSE(scanner.running());
}

} // namespace
} // namespace pelan
