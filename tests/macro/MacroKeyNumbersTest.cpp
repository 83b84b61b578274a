#include "keys/KeyTables.h"
#include "macro/MacroKeyNumbers.h"
#include "platform/InputHook.h"

#include <gtest/gtest.h>

namespace pelan {
namespace {

TEST(MacroKeyNumbersTest, KeysFollowTheirMacroAfterADelete) {
    const KeyAssignment leftDefault{0x10, 0x01, 0x00};
    const KeyAssignment rightDefault{0x10, 0x02, 0x00};
    std::vector<KeyRecord> keys = {
        makeKeyRecord(0, {0x70, 1, 2}, leftDefault),       // plays the deleted macro
        makeKeyRecord(1, {0x71, 3, 7}, rightDefault),      // plays a later one
        makeKeyRecord(2, {0x70, 0, 1}, leftDefault),       // plays an earlier one
        makeKeyRecord(3, {0x20, 0x01, 0x04}, leftDefault), // no macro: param1 1 must stay
    };
    EXPECT_EQ(renumberMacroKeys(keys, 1), (std::vector<size_t>{0, 1}));
    EXPECT_EQ(keys[0].current, leftDefault);
    EXPECT_EQ(keys[1].current, (KeyAssignment{0x71, 2, 7}));
    EXPECT_EQ(keys[2].current, (KeyAssignment{0x70, 0, 1}));
    EXPECT_EQ(keys[3].current, (KeyAssignment{0x20, 0x01, 0x04}));

    std::vector<KeyRecord> untouched = {makeKeyRecord(0, {0x70, 0, 0}, leftDefault)};
    EXPECT_TRUE(renumberMacroKeys(untouched, 3).empty());
    EXPECT_EQ(untouched[0].current, (KeyAssignment{0x70, 0, 0}));
}

// Each key of the key table can be captured from the input hook: some Linux key code reports its scan code (the
// international keys of Japanese, Korean and Brazilian keyboards too).
TEST(MacroKeyNumbersTest, EveryCapturableKeyHasALinuxKeyCode) {
    for (const KeyCaptureRow& row : keyCaptureTable()) {
        bool reachable = false;
        for (uint32_t evdev = 0; evdev < 256 && !reachable; ++evdev) {
            const std::optional<HookKeyCode> code = hookKeyCodeOfEvdev(evdev);
            reachable = code && code->scanCode == row.scanCode && code->extended == row.extended;
        }
        EXPECT_TRUE(reachable) << "key code " << row.keyCode << ", scan code " << int(row.scanCode);
    }
}

} // namespace
} // namespace pelan
