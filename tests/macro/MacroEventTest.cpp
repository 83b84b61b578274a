#include "macro/MacroEvent.h"
#include "macro/MacroJson.h"
#include "macro/MouseEventTable.h"
#include "profile/JsonFileStore.h"

#include <gtest/gtest.h>

namespace pelan {
namespace {

MacroEvent eventFrom(const char* text) {
    return readMacroEvent(JsonFileStore::parseJsonText(text).value());
}

TEST(MacroEventReading, WrongTypesAndMissingMembersReadAsZero) {
    MacroEvent event = eventFrom(R"({"Type":10,"Button":4,"Action":"down","Delay":"250"})");
    EXPECT_EQ(event.type, 10);
    EXPECT_EQ(event.button, 4);
    EXPECT_TRUE(event.down);
    EXPECT_EQ(event.delay, 250);

    event = eventFrom(R"({"Type":"10","Button":[4],"Action":1,"Delay":{"x":1}})");
    EXPECT_EQ(event.type, 0);
    EXPECT_EQ(event.button, 0);
    EXPECT_FALSE(event.down);
    EXPECT_EQ(event.delay, 0);

    EXPECT_EQ(eventFrom(R"({"Type":1e30,"Button":-5,"Delay":"-20"})").delay, 0);
    EXPECT_EQ(eventFrom(R"({"Delay":"99999999999999999999999"})").delay, 65535);
    EXPECT_EQ(eventFrom(R"({"Delay":700})").delay, 700);
    EXPECT_EQ(eventFrom(R"({"Delay":"12abc"})").delay, 12);
    EXPECT_EQ(readMacroEvent(Json::Value(5)).type, 0);
    EXPECT_EQ(readMacroDelay(Json::Value("7")), 0);
}

TEST(MacroEventWriting, DelayIsWrittenAsDecimalText) {
    const Json::Value object = makeMacroEventObject({5, 30, true, 65535});
    EXPECT_EQ(object["Type"], 5);
    EXPECT_EQ(object["Button"], 30);
    EXPECT_EQ(object["Action"], "down");
    EXPECT_EQ(object["Delay"], "65535");
    EXPECT_EQ(makeMacroEventObject({1, 1, false, 0})["Action"], "up");
}

TEST(MacroEventDisplay, EachKindShowsItsNameKeyAndStyle) {
    struct Case {
        MacroEvent event;
        std::string_view nameKey;
        bool withDistance;
        bool keyboardStyle;
    };
    const Case cases[] = {
        {{1, 8, true, 0}, "mouse_key_back", false, false},
        {{1, 16, false, 0}, "mouse_key_forward", false, false},
        {{4, 30, true, 0}, "mouse_move_to_left_text", true, false},
        {{4, 30, false, 0}, "mouse_move_to_right_text", true, false},
        {{5, 3, true, 0}, "mouse_move_to_up_text", true, false},
        {{5, 3, false, 0}, "mouse_move_to_down_text", true, false},
        {{9, 0x40, true, 0}, "keyboard_key_RAlt", false, true},
        {{10, 0x29, false, 0}, "keyboard_key_Esc", false, true},
        {{10, 0x104, false, 0}, "", false, true}, // a usage beyond a byte is no key
        {{9, 0x03, false, 0}, "", false, true},
        {{2, 1, true, 0}, "", false, false},
        {{3, 1, true, 0}, "", false, false},
        {{1, 32, true, 0}, "", false, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.nameKey);
        const MacroEventDisplay display = macroEventDisplay(c.event);
        EXPECT_EQ(display.nameKey, c.nameKey);
        EXPECT_EQ(display.withDistance, c.withDistance);
        EXPECT_EQ(display.keyboardStyle, c.keyboardStyle);
    }
}

TEST(MouseEventTable, HookedMessagesFindTheirRows) {
    ASSERT_EQ(mouseEventTable().size(), 15u);
    EXPECT_EQ(findMouseButtonEventRow(kMsgLeftDown, 0), 0u);
    EXPECT_EQ(findMouseButtonEventRow(kMsgMiddleUp, 0), 5u);
    EXPECT_EQ(findMouseButtonEventRow(kMsgXButtonDown, kXButtonForward), 6u);
    EXPECT_EQ(findMouseButtonEventRow(kMsgXButtonUp, kXButtonForward), 7u);
    EXPECT_EQ(findMouseButtonEventRow(kMsgXButtonDown, kXButtonBack), 8u);
    EXPECT_EQ(findMouseButtonEventRow(kMsgXButtonUp, kXButtonBack), 9u);
    EXPECT_FALSE(findMouseButtonEventRow(kMsgXButtonDown, 3));
    EXPECT_FALSE(findMouseButtonEventRow(kMsgWheel, 0));
    EXPECT_FALSE(findMouseButtonEventRow(0x200, 0));

    // Button rows: param1 is the button, param2 the kind with bit 7 for "down".
    const MouseEventRow& backDown = mouseEventTable()[8];
    EXPECT_EQ(backDown.value, (KeyAssignment{0x10, 0x08, 0x81}));
    EXPECT_EQ(mouseEventTable()[13].value, (KeyAssignment{0x15, 0, 0x05}));
    EXPECT_EQ(mouseEventTable()[14].message, kMsgWheel);
    EXPECT_EQ(mouseEventTable()[14].nameKey, "mouse_cursor_text");
}

} // namespace
} // namespace pelan
