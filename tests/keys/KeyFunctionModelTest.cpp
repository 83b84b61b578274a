#include "keys/KeyFunctionModel.h"

#include <gtest/gtest.h>

namespace pelan {
namespace {

constexpr KeyAssignment kLeftButtonDefault{0x10, 0x01, 0};
constexpr KeyAssignment kSomeCurrent{0x13, 0x03, 0};

KeyAssignment save(KeyCategory category, const KeyPanelChoices& choices) {
    return keyCategoryValue(category, choices, kSomeCurrent, kLeftButtonDefault);
}

std::optional<KeyCategory> categoryOf(KeyAssignment value) {
    return keyCategoryOf(value, kLeftButtonDefault);
}

// What the panel saves for a page is shown again under the same page.
TEST(KeyCategories, SavedValueOfEveryCategoryIsShownUnderItAgain) {
    struct Case {
        KeyCategory category;
        KeyPanelChoices choices;
        KeyAssignment expected;
    };
    KeyPanelChoices swing{.delay = 3, .speed = 9, .count = 20, .secondDirection = true};
    KeyPanelChoices fire{.interval = 300, .shots = 7}; // the interval is cut to 8 bits
    KeyPanelChoices keyboard{.modifierChoice = 2, .keyUsage = 0x04};
    KeyPanelChoices macro{.macroRow = 1, .macroCount = 3, .playMode = 2};
    const Case cases[] = {
        {KeyCategory::Default, {}, kLeftButtonDefault},
        {KeyCategory::MouseKey, {.tableRow = 3}, {0x10, 0x10, 0}},
        {KeyCategory::Swing, swing, {0x11, 0x39, 0x94}},
        {KeyCategory::Wheel, {.delay = 1, .speed = 2, .count = 5}, {0x12, 0x12, 0x05}},
        {KeyCategory::Dpi, {.tableRow = 1}, {0x13, 2, 0}},
        {KeyCategory::Fire, fire, {0x14, 300 & 0xFF, 7}},
        {KeyCategory::Keyboard, keyboard, {0x20, 0x02, 0x04}},
        {KeyCategory::Media, {.tableRow = 8}, {0x30, 0x23, 0x02}},
        {KeyCategory::System, {.tableRow = 0}, {0x40, 0x01, 0}},
        {KeyCategory::Macro, macro, {0x70, 1, 2}},
        {KeyCategory::GunKey, {.tableRow = 2}, {0x72, 2, 0}},
        {KeyCategory::Gg, {}, {0xA0, 0x02, 0}},
        {KeyCategory::Combination, {.tableRow = 0}, {0x20, 0x01, 0x12}},
        {KeyCategory::Disabled, {}, {0xA0, 0, 0}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(static_cast<int>(c.category));
        const KeyAssignment saved = save(c.category, c.choices);
        EXPECT_EQ(saved, c.expected);
        // A combination choice is an ordinary Ctrl + key value and comes back on the keyboard page.
        const KeyCategory shownAs = c.category == KeyCategory::Combination ? KeyCategory::Keyboard : c.category;
        EXPECT_EQ(categoryOf(saved), shownAs);
    }
}

TEST(KeyCategories, DefaultWinsOverTypeAndOddValuesHaveNoPage) {
    // A value equal to the key's default is the default page, whatever its type.
    EXPECT_EQ(keyCategoryOf({0xA0, 0, 0}, {0xA0, 0, 0}), KeyCategory::Default);
    EXPECT_EQ(keyCategoryOf({0x70, 0, 1}, {0x70, 0, 1}), KeyCategory::Default);
    EXPECT_EQ(categoryOf({0x00, 0x00, 0x04}), KeyCategory::Default);
    EXPECT_EQ(categoryOf({0x71, 4, 9}), KeyCategory::Macro);
    EXPECT_EQ(categoryOf({0x20, 0x81, 0x04}), KeyCategory::Combination);
    EXPECT_EQ(categoryOf({0x20, 0x81, 0x00}), KeyCategory::Keyboard);
    EXPECT_EQ(categoryOf({0x20, 0x80, 0x04}), KeyCategory::Keyboard);
    EXPECT_EQ(categoryOf({0xB0, 1, 2}), KeyCategory::Combination);
    for (KeyAssignment none : {KeyAssignment{0x15, 0, 0}, KeyAssignment{0x22, 0, 1}, KeyAssignment{0xA0, 0x01, 0},
                               KeyAssignment{0xA0, 0, 1}, KeyAssignment{0xD0, 0xA2, 1}, KeyAssignment{0xC0, 0, 0}})
        EXPECT_FALSE(categoryOf(none)) << encodeKeyAssignment(none);
}

TEST(KeyCategories, ChoiceThatSelectsNothingKeepsTheCurrentValue) {
    EXPECT_EQ(save(KeyCategory::MouseKey, {.tableRow = -1}), kSomeCurrent);
    EXPECT_EQ(save(KeyCategory::Media, {.tableRow = 18}), kSomeCurrent);
    EXPECT_EQ(save(KeyCategory::GunKey, {.tableRow = 4}), kSomeCurrent);
    EXPECT_EQ(save(KeyCategory::Macro, {.macroRow = -1, .macroCount = 3}), kSomeCurrent);
    EXPECT_EQ(save(KeyCategory::Macro, {.macroRow = 0, .macroCount = 0}), kSomeCurrent);
    EXPECT_EQ(save(KeyCategory::Macro, {.macroRow = 3, .macroCount = 3}), kSomeCurrent);
    EXPECT_EQ(keyCategoryValue(static_cast<KeyCategory>(14), {}, kSomeCurrent, kLeftButtonDefault), kSomeCurrent);
}

TEST(SwingAndWheel, CountsAndDirectionsSurviveSaveAndShow) {
    // Swing: a count above 127 keeps its own bit 7 in the second direction and is masked in the first.
    EXPECT_EQ(save(KeyCategory::Swing, {.count = 200, .secondDirection = true}).param2, 0xC8);
    EXPECT_EQ(showSwingValue({0x11, 0, 0xC8}), (RepeatShowing{0, 0, 0x48, true}));
    EXPECT_EQ(save(KeyCategory::Swing, {.count = 200}).param2, 200 & 0x7F);
    EXPECT_EQ(save(KeyCategory::Swing, {.delay = 17, .speed = 31}).param1, 0x1F); // steps keep 4 bits each
    EXPECT_EQ(showSwingValue({0x11, 0xA5, 0x10}), (RepeatShowing{0xA, 5, 0x10, false}));

    // Wheel: the second direction stores the count's two's complement; 0 comes back as 128.
    EXPECT_EQ(save(KeyCategory::Wheel, {.count = 0, .secondDirection = true}).param2, 0x80);
    EXPECT_EQ(showWheelValue({0x12, 0, 0x80}), (RepeatShowing{0, 0, 128, true}));
    for (int count = 1; count <= 128; ++count) {
        const KeyAssignment down = save(KeyCategory::Wheel, {.count = count, .secondDirection = true});
        EXPECT_EQ(showWheelValue(down), (RepeatShowing{0, 0, count, true})) << count;
    }
    for (int count = 0; count <= 127; ++count)
        EXPECT_EQ(showWheelValue(save(KeyCategory::Wheel, {.count = count})), (RepeatShowing{0, 0, count, false}));
}

TEST(KeyboardPage, ModifierChoicesFollowTheKindOfModifierNotTheHand) {
    EXPECT_EQ(modifierChoiceOfRow(0), 1); // left Ctrl
    EXPECT_EQ(modifierChoiceOfRow(3), 4); // left Win
    EXPECT_EQ(modifierChoiceOfRow(4), 1); // right Ctrl
    EXPECT_EQ(modifierChoiceOfRow(6), 3); // right Alt
    EXPECT_EQ(modifierChoiceOfRow(7), 4); // right Win
    // A captured right Shift is saved as the left Shift bit.
    const int choice = modifierChoiceOfRow(*findKeyboardModifierRow(0x20));
    EXPECT_EQ(save(KeyCategory::Keyboard, {.modifierChoice = choice, .keyUsage = 0x1D}),
              (KeyAssignment{0x20, 0x02, 0x1D}));
    EXPECT_EQ(save(KeyCategory::Keyboard, {.modifierChoice = 0}), (KeyAssignment{0x20, 0, 0}));
    EXPECT_EQ(modifierBitOfChoice(9), 0);
}

TEST(KeyboardPage, ShowsModifierAndKeyOrResetsAnUnknownValue) {
    // Ctrl + O from the combination list comes back with the Ctrl choice and the O key.
    KeyboardShowing combo = showKeyboardValue({0x20, 0x01, 0x12});
    EXPECT_EQ(combo.modifierChoice, 1);
    EXPECT_EQ(keyboardKeyTable()[*combo.keyRow].nameKey, "keyboard_key_O");
    EXPECT_FALSE(combo.resetTo);

    // A right-hand modifier with a key shows the matching choice.
    EXPECT_EQ(showKeyboardValue({0x20, 0x40, 0x04}).modifierChoice, 3);

    // A lone modifier shows as the key with no modifier choice.
    KeyboardShowing lone = showKeyboardValue({0x20, 0x20, 0});
    EXPECT_EQ(lone.keyRow, 5u);
    EXPECT_EQ(lone.modifierChoice, 0);

    // Two modifier bits at once match no modifier row: no modifier, the key still shows.
    KeyboardShowing twoBits = showKeyboardValue({0x20, 0x03, 0x04});
    EXPECT_EQ(twoBits.modifierChoice, 0);
    EXPECT_EQ(twoBits.keyRow, 8u);

    // A key that is not in the table: empty key field, no modifier choice, value reset.
    for (KeyAssignment unknown : {KeyAssignment{0x20, 0, 0xF0}, KeyAssignment{0x20, 0xE9, 0}}) {
        KeyboardShowing shown = showKeyboardValue(unknown);
        EXPECT_FALSE(shown.keyRow);
        EXPECT_FALSE(shown.modifierChoice);
        EXPECT_EQ(shown.resetTo, (KeyAssignment{0x20, 0, 0}));
    }

    // Modifier bits above 0x80 belong on the combination page.
    KeyboardShowing high = showKeyboardValue({0x20, 0x81, 0x12});
    EXPECT_TRUE(high.asCombination);
    EXPECT_FALSE(high.combinationRow);
}

TEST(MacroPage, SelectsOnlyExistingMacrosAndShowsTheRepeatCount) {
    EXPECT_EQ(save(KeyCategory::Macro, {.macroRow = 2, .macroCount = 3, .playMode = 4, .repeatCount = 300}),
              (KeyAssignment{0x71, 2, 300 & 0xFF}));

    MacroShowing repeat = showMacroValue({0x71, 2, 9}, 3);
    EXPECT_EQ(repeat.macroRow, 2u);
    EXPECT_EQ(repeat.playMode, 4);
    EXPECT_EQ(repeat.repeatCount, 9);
    EXPECT_TRUE(repeat.repeatCountVisible);

    MacroShowing mode = showMacroValue({0x70, 0, 3}, 1);
    EXPECT_EQ(mode.playMode, 3);
    EXPECT_FALSE(mode.repeatCountVisible);

    // Macro number 3 of a list of 3 does not exist.
    MacroShowing beyond = showMacroValue({0x71, 3, 9}, 3);
    EXPECT_FALSE(beyond.macroRow);
    EXPECT_FALSE(beyond.playMode);
    EXPECT_FALSE(beyond.repeatCountVisible);

    EXPECT_FALSE(showMacroValue({0x70, 0, 7}, 1).playMode); // no such play mode
}

TEST(OtherPages, SelectTheMatchingRow) {
    EXPECT_EQ(showTableValue(mouseKeyTable(), {0x10, 0x08, 0}), 4u);
    EXPECT_EQ(showTableValue(mediaTable(), {0x30, 0x8A, 0x01}), 17u);
    EXPECT_FALSE(showTableValue(dpiTable(), {0x13, 4, 0}));
    EXPECT_EQ(showGunValue({0x72, 3, 0}), 3u);
    EXPECT_FALSE(showGunValue({0x72, 4, 0}));
    FireShowing fire = showFireValue({0x14, 200, 5});
    EXPECT_EQ(fire.interval, 200);
    EXPECT_EQ(fire.shots, 5);
}

} // namespace
} // namespace pelan
