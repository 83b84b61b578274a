#include "keys/KeyTables.h"
#include "keys/DecimalText.h"
#include "keys/KeyAssignment.h"

#include <gtest/gtest.h>

#include <set>
#include <string>
#include <utility>

namespace pelan {
namespace {

TEST(KeyAssignmentCoding, StoredIntegerSplitsIntoTypeAndParametersAndBack) {
    const KeyAssignment value = decodeKeyAssignment(0x701203);
    EXPECT_EQ(value, (KeyAssignment{0x70, 0x12, 0x03}));
    EXPECT_EQ(encodeKeyAssignment(value), 0x701203);
    EXPECT_EQ(encodeKeyAssignment({0xD0, 0xA2, 0x05}), 0xD0A205);
    // Bits above the three bytes (or a negative integer's sign) carry nothing.
    EXPECT_EQ(decodeKeyAssignment(0x7F100100), (KeyAssignment{0x10, 0x01, 0x00}));
    EXPECT_EQ(decodeKeyAssignment(-1), (KeyAssignment{0xFF, 0xFF, 0xFF}));
    EXPECT_EQ(makeKeyRecord(3, {0x10, 1, 0}, {0x10, 2, 0}).defaultIndex, 3);
}

TEST(KeyTables, ChoiceListsHaveTheirSizesAndOrder) {
    EXPECT_EQ(mouseKeyTable().size(), 5u);
    EXPECT_EQ(mouseKeyTable()[1].value, (KeyAssignment{0x10, 0x04, 0})); // middle comes second
    EXPECT_EQ(dpiTable()[2].nameKey, "mouse_key_DPI_loop");
    ASSERT_EQ(mediaTable().size(), 18u);
    EXPECT_EQ(mediaTable()[0].value, (KeyAssignment{0x30, 0x83, 0x01}));
    EXPECT_EQ(mediaTable()[17].nameKey, "media_mail");
    EXPECT_EQ(systemTable()[2].value.param1, 0x04);
    ASSERT_EQ(combinationKeyTable().size(), 11u);
    for (const KeyTableRow& row : combinationKeyTable())
        EXPECT_EQ(row.value.param1, 0x01); // left Ctrl with a key
    EXPECT_EQ(combinationKeyTable()[10].value.param2, 0x2E);
    EXPECT_EQ(officeFunctionTable()[8].value, (KeyAssignment{0x22, 0, 8}));
}

TEST(KeyTables, KeyboardRowsCarryTheirKeyCodesAndUsages) {
    const auto rows = keyboardKeyTable();
    ASSERT_EQ(rows.size(), 141u);
    const std::pair<size_t, KeyTableRow> spots[] = {
        {0, {162, {0x20, 0x01, 0}, "keyboard_key_LCtrl"}},
        {7, {92, {0x20, 0x80, 0}, "keyboard_key_RWin"}},
        {33, {90, {0x20, 0, 0x1D}, "keyboard_key_Z"}},
        {43, {48, {0x20, 0, 0x27}, "keyboard_key_0"}},
        {56, {192, {0x20, 0, 0x35}, "keyboard_key_`"}},
        {72, {123, {0x20, 0, 0x45}, "keyboard_key_F12"}},
        {91, {257, {0x20, 0, 0x58}, "keyboard_key_Num Enter"}},
        {103, {93, {0x20, 0, 0x65}, "keyboard_key_App"}},
        {112, {255, {0x20, 0, 0x90}, "keyboard_key_K151"}},
        {113, {183, {0x30, 0x92, 0x01}, "keyboard_key_Launch App2"}},
        {129, {169, {0x30, 0x26, 0x02}, "wed_stop"}},
        {133, {261, {0x40, 0x04, 0}, "keyboard_key_Wakeup"}},
        {138, {0, {0xD0, 0xA2, 5}, "keyboard_key_M5"}},
        {140, {0, {0xA0, 0x1B, 0}, "keyboard_key_GM"}},
    };
    for (const auto& [index, expected] : spots) {
        SCOPED_TRACE(index);
        EXPECT_EQ(rows[index].keyCode, expected.keyCode);
        EXPECT_EQ(rows[index].value, expected.value);
        EXPECT_EQ(rows[index].nameKey, expected.nameKey);
    }
}

// Every plain key must be found again by its usage, or a recorded key would show another key's name.
TEST(KeyTables, EveryPlainKeyIsFoundByItsOwnUsage) {
    for (size_t i = kKeyboardModifierRows; i < kKeyCaptureRowCount; ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(findKeyboardKeyRowByUsage(keyboardKeyTable()[i].value.param2), i);
    }
    for (size_t i = 0; i < kKeyboardModifierRows; ++i)
        EXPECT_EQ(findKeyboardModifierRow(keyboardKeyTable()[i].value.param1), i);
    EXPECT_FALSE(findKeyboardKeyRowByUsage(0x32)); // no row has the non-US hash usage
}

TEST(KeyCapture, EveryRowIsFoundByItsScanCodeAndExtendedBit) {
    const auto capture = keyCaptureTable();
    ASSERT_EQ(capture.size(), 113u);
    std::set<std::pair<int, bool>> seen;
    for (size_t i = 0; i < capture.size(); ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(capture[i].keyCode, keyboardKeyTable()[i].keyCode);
        EXPECT_TRUE(seen.insert({capture[i].scanCode, capture[i].extended}).second) << "duplicate scan code";
        EXPECT_EQ(findKeyCaptureRow(capture[i].scanCode, capture[i].extended), i);
    }
}

TEST(KeyCapture, ExtendedFlagMarksExactlyTheExtendedKeys) {
    const std::set<std::string_view> extended = {
        "keyboard_key_LWin",     "keyboard_key_RCtrl",     "keyboard_key_RShift",    "keyboard_key_RAlt",
        "keyboard_key_RWin",     "keyboard_key_Print Scr", "keyboard_key_Insert",    "keyboard_key_Home",
        "keyboard_key_Page Up",  "keyboard_key_Delete",    "keyboard_key_End",       "keyboard_key_Page Down",
        "keyboard_key_Right",    "keyboard_key_Left",      "keyboard_key_Down",      "keyboard_key_Up",
        "keyboard_key_Num Lock", "keyboard_key_Num /",     "keyboard_key_Num Enter", "keyboard_key_App",
    };
    for (size_t i = 0; i < keyCaptureTable().size(); ++i)
        EXPECT_EQ(keyCaptureTable()[i].extended, extended.count(keyboardKeyTable()[i].nameKey) == 1)
            << keyboardKeyTable()[i].nameKey;
    // Pause and Num Lock share a scan code and differ only by the flag.
    EXPECT_EQ(keyboardKeyTable()[*findKeyCaptureRow(0x45, false)].nameKey, "keyboard_key_Pause");
    EXPECT_EQ(keyboardKeyTable()[*findKeyCaptureRow(0x45, true)].nameKey, "keyboard_key_Num Lock");
    EXPECT_EQ(keyboardKeyTable()[*findKeyCaptureRow(0x1C, true)].nameKey, "keyboard_key_Num Enter");
    EXPECT_FALSE(findKeyCaptureRow(0x1E, true));
}

TEST(KeyNames, EachFunctionTypeShowsItsNameKey) {
    const std::pair<KeyAssignment, std::string_view> cases[] = {
        {{0x10, 0x08, 0}, "mouse_key_back"},
        {{0x11, 0x35, 0x85}, "mouse_key_right_Swing"},
        {{0x11, 0x35, 0x05}, "mouse_key_left_Swing"},
        {{0x12, 0, 0xFB}, "mouse_key_down_Swing"},
        {{0x13, 2, 0}, "mouse_key_DPI_sub"},
        {{0x14, 10, 3}, "mouse_key_fire_key"},
        {{0x16, 0, 0}, "mouse_key_DPI_loop"},
        {{0x20, 0x20, 0}, "keyboard_key_RShift"},
        {{0x20, 0x01, 0x12}, "keyboard_key_O"},
        {{0x00, 0, 0x04}, "keyboard_key_A"}, // a type-0 value reads like a keyboard value
        {{0x22, 0, 4}, "custem_select_all"},
        {{0x23, 0, 0}, "mouse_key_DPI_shift"},
        {{0x30, 0xE2, 0x00}, "media_mute"},
        {{0x40, 0x02, 0}, "system_sleep"},
        {{0x72, 3, 0}, "gun_4_txt"},
        {{0xA0, 0, 0}, "key_set_close_text"},
        {{0xA0, 0x02, 0}, "mouse_key_gg"},
        {{0xA0, 0x1B, 0}, "keyboard_key_GM"},
        {{0xD0, 0xA2, 3}, "keyboard_key_M3"},
        {{0x15, 1, 1}, ""}, // reserved types show no name
        {{0x72, 4, 0}, ""},
        {{0x70, 0, 0}, ""},       // macros are shown by the macro's own name
        {{0x20, 0xE9, 0x00}, ""}, // modifier bits that happen to equal a consumer row are not that row
    };
    for (const auto& [value, nameKey] : cases)
        EXPECT_EQ(keyFunctionNameKey(value), nameKey) << encodeKeyAssignment(value);
}

TEST(DecimalText, ReadsLeadingDigitsAndTreatsOtherTextAsZero) {
    EXPECT_EQ(parseDecimalText("70000"), 70000);
    EXPECT_EQ(parseDecimalText("  42ms"), 42);
    EXPECT_EQ(parseDecimalText("-5"), -5);
    EXPECT_EQ(parseDecimalText("abc"), 0);
    EXPECT_EQ(parseDecimalText(""), 0);
    EXPECT_EQ(parseDecimalText("99999999999999999999999"), INT64_MAX);
    EXPECT_EQ(parseDecimalTextClamped("70000", 65535), 65535);
    EXPECT_EQ(parseDecimalTextClamped("-3", 65535), 0);
}

} // namespace
} // namespace pelan
