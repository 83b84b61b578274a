// Opens refused right after a device arrived are tried again until they succeed, the device leaves, or the retries
// are used up.
#include "app/OpenRetry.h"

#include <gtest/gtest.h>

namespace pelan {
namespace {

SupportedDeviceEntry entryWithPath(const std::string& path) {
    SupportedDeviceEntry entry;
    entry.devicePath = path;
    return entry;
}

TEST(OpenRetry, SlotOpensOnALaterTryAndLeavesTheList) {
    OpenRetryList list;
    list.add(2, entryWithPath("node-a"));
    int tries = 0;
    std::string seenPath;
    const auto openOnThirdTry = [&](int, const SupportedDeviceEntry& entry) {
        seenPath = entry.devicePath;
        return ++tries == 3;
    };
    EXPECT_TRUE(list.retry(openOnThirdTry).opened.empty());
    EXPECT_TRUE(list.retry(openOnThirdTry).opened.empty());
    const OpenRetryList::Outcome third = list.retry(openOnThirdTry);
    EXPECT_EQ(third.opened, std::vector<int>{2});
    EXPECT_TRUE(list.empty());
    EXPECT_EQ(seenPath, "node-a"); // the entry as it was at arrival
}

TEST(OpenRetry, RemovedSlotIsNotTriedAndOthersGoOn) {
    OpenRetryList list;
    list.add(2, entryWithPath("a"));
    list.add(4, entryWithPath("b"));
    list.remove(2);
    std::vector<int> tried;
    list.retry([&](int slot, const SupportedDeviceEntry&) {
        tried.push_back(slot);
        return false;
    });
    EXPECT_EQ(tried, std::vector<int>{4});
    EXPECT_TRUE(list.contains(4));
    EXPECT_FALSE(list.contains(2));
}

TEST(OpenRetry, GivesUpAfterItsAttemptsAndAReAddStartsAfresh) {
    OpenRetryList list;
    list.add(6, entryWithPath("c"));
    const auto refuse = [](int, const SupportedDeviceEntry&) { return false; };
    for (int i = 1; i < OpenRetryList::kMaxAttempts; ++i)
        EXPECT_TRUE(list.retry(refuse).givenUp.empty()) << i;
    EXPECT_EQ(list.retry(refuse).givenUp, std::vector<int>{6});
    EXPECT_TRUE(list.empty());

    list.add(6, entryWithPath("c"));
    list.retry(refuse);
    list.add(6, entryWithPath("c")); // arrived again: a full set of attempts
    for (int i = 1; i < OpenRetryList::kMaxAttempts; ++i)
        EXPECT_TRUE(list.retry(refuse).givenUp.empty()) << i;
}

} // namespace
} // namespace pelan
