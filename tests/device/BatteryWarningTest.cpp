// Low battery warnings: once per level crossed while on battery, again only after charging or a clear rise.
#include "device/BatteryWarning.h"

#include <gtest/gtest.h>
#include <vector>

namespace pelan {
namespace {

std::vector<int> warnings(BatteryWarning& warning, const std::vector<int>& readings, bool onBattery = true) {
    std::vector<int> given;
    for (int percent : readings)
        given.push_back(warning.observe(percent, onBattery));
    return given;
}

TEST(BatteryWarning, EachLevelWarnsOnceOnTheWayDown) {
    BatteryWarning warning;
    EXPECT_EQ(warnings(warning, {40, 16, 15, 14, 14, 13, 15, 14, 6, 5, 4, 4, 3, 5, 4}),
              (std::vector<int>{0, 0, 0, 15, 0, 0, 0, 0, 0, 0, 5, 0, 0, 0, 0}));
    // Connected already low: one warning for the lowest level reached, not one for each.
    BatteryWarning late;
    EXPECT_EQ(warnings(late, {3, 2}), (std::vector<int>{5, 0}));
}

TEST(BatteryWarning, ChargingOrAClearRiseWarnsAgain) {
    BatteryWarning warning;
    EXPECT_EQ(warning.observe(10, true), 15);
    // Plugged in: no warnings while charging, and the next fall warns again.
    EXPECT_EQ(warning.observe(9, false), 0);
    EXPECT_EQ(warning.observe(9, true), 15);
    EXPECT_EQ(warnings(warning, {4, 8, 4}), (std::vector<int>{5, 0, 5}));
    EXPECT_EQ(warnings(warning, {20, 12}), (std::vector<int>{0, 15}));
}

} // namespace
} // namespace pelan
