#include <filesystem>
#include <string>
#include <vector>

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/Hidraw.h"

namespace pelan::platform {
namespace {

// A FIFO stands in for a node: what it holds is what a reader finds queued, and a write larger than its free room
// goes out only in part.
class HidrawOnFifo : public ::testing::Test {
protected:
    void SetUp() override {
        path = std::filesystem::temp_directory_path() / ("pelan-hidraw-" + std::to_string(::getpid()));
        std::filesystem::remove(path);
        ASSERT_EQ(::mkfifo(path.c_str(), 0600), 0);
        ASSERT_TRUE(handle.open(path.string(), true, true, false));
    }
    void TearDown() override {
        handle.close();
        std::filesystem::remove(path);
    }

    std::filesystem::path path;
    HidrawHandle handle;
};

TEST_F(HidrawOnFifo, APartlyWrittenReportIsAFailure) {
    const std::vector<uint8_t> huge(256 * 1024, 0x5A); // more than a pipe holds
    size_t written = 1;
    EXPECT_EQ(handle.write(huge.data(), huge.size(), written, 200), IoResult::Failed);
    EXPECT_EQ(written, 0u);
}

TEST_F(HidrawOnFifo, QueuedInputIsReadAwayWithoutWaiting) {
    EXPECT_EQ(handle.discardQueued(8), 0u); // nothing queued: no wait
    const uint8_t stale[3] = {1, 2, 3};
    size_t written = 0;
    ASSERT_EQ(handle.write(stale, sizeof(stale), written, 200), IoResult::Ok);
    std::vector<uint8_t> seen;
    EXPECT_EQ(handle.discardQueued(8,
                                   [&](const uint8_t* report, size_t length) {
                                       seen.assign(report, report + length);
                                       return true;
                                   }),
              1u);
    EXPECT_EQ(seen, (std::vector<uint8_t>{0, 1, 2, 3})); // behind the 0 ID byte of an unnumbered node
    uint8_t buffer[8] = {};
    size_t got = 0;
    EXPECT_EQ(handle.read(buffer, sizeof(buffer), got, 50), IoResult::Timeout);
}

} // namespace
} // namespace pelan::platform
