// The device folder watch that wakes the scan thread: only hidraw nodes end a wait, a burst is one wake, wake()
// ends a wait from another thread, and a folder that goes away sends the scanner back to its timer.
#include "platform/HotplugWatch.h"
#include "support/TempFolder.h"

#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <thread>

namespace pelan {
namespace {

using namespace std::chrono_literals;
using Outcome = HotplugWatch::Outcome;

void touch(const std::string& path) {
    std::ofstream(path).put('\n');
}

TEST(HotplugWatch, OnlyHidrawNodesEndAWait) {
    testing::TempFolder root;
    std::filesystem::create_directory(root.file("dev"));
    const std::unique_ptr<HotplugWatch> watch = HotplugWatch::open(root.path());
    ASSERT_NE(watch, nullptr);
    EXPECT_EQ(watch->wait(50ms), Outcome::TimedOut);

    touch(root.file("dev/ttyS0"));
    EXPECT_EQ(watch->wait(50ms), Outcome::TimedOut) << "another device's node";

    touch(root.file("dev/hidraw3"));
    touch(root.file("dev/hidraw4"));
    EXPECT_EQ(watch->wait(1s), Outcome::Changed);
    EXPECT_EQ(watch->wait(50ms), Outcome::TimedOut) << "one wait answers for the whole burst";

    std::filesystem::permissions(root.file("dev/hidraw3"), std::filesystem::perms::owner_read);
    EXPECT_EQ(watch->wait(1s), Outcome::Changed) << "udev giving the user access";
    std::filesystem::remove(root.file("dev/hidraw4"));
    EXPECT_EQ(watch->wait(1s), Outcome::Changed);
}

TEST(HotplugWatch, WakeEndsAWaitAndALostFolderFailsIt) {
    testing::TempFolder root;
    EXPECT_EQ(HotplugWatch::open(root.path()), nullptr) << "no device folder to watch";
    std::filesystem::create_directory(root.file("dev"));
    const std::unique_ptr<HotplugWatch> watch = HotplugWatch::open(root.path());
    ASSERT_NE(watch, nullptr);

    std::thread waker([&] {
        std::this_thread::sleep_for(50ms);
        watch->wake();
    });
    EXPECT_EQ(watch->wait(-1ms), Outcome::Woken);
    waker.join();

    std::filesystem::remove_all(root.file("dev"));
    EXPECT_EQ(watch->wait(1s), Outcome::Failed);
}

} // namespace
} // namespace pelan
