#include "keys/KeyFunctionModel.h"

namespace pelan {
namespace {

constexpr uint8_t kDirectionBit = 0x80;
constexpr uint8_t kCountMask = 0x7F;
constexpr uint8_t kHighestModifierBit = 0x80;

constexpr KeyAssignment kEmptyKeyboardValue{KeyType::Keyboard, 0, 0};

uint8_t low8(int value) {
    return static_cast<uint8_t>(value & 0xFF);
}

std::optional<KeyCategory> keyboardCategory(KeyAssignment value) {
    const bool combination = value.param1 != 0 && value.param2 != 0 && value.param1 > kHighestModifierBit;
    return combination ? KeyCategory::Combination : KeyCategory::Keyboard;
}

std::optional<KeyCategory> specialCategory(KeyAssignment value) {
    if (value.param2 != 0)
        return std::nullopt;
    if (value.param1 == kSpecialGg)
        return KeyCategory::Gg;
    if (value.param1 == kSpecialDisabled)
        return KeyCategory::Disabled;
    return std::nullopt;
}

// The row a choice list selects, or nothing when no row (or a row that does not exist) is selected.
std::optional<KeyAssignment> tableChoice(std::span<const KeyTableRow> table, int row) {
    if (row < 0 || static_cast<size_t>(row) >= table.size())
        return std::nullopt;
    return table[static_cast<size_t>(row)].value;
}

uint8_t stepNibbles(const KeyPanelChoices& choices) {
    return static_cast<uint8_t>(((choices.delay & 0xF) << 4) | (choices.speed & 0xF));
}

KeyAssignment swingValue(const KeyPanelChoices& choices) {
    const uint8_t count = low8(choices.count);
    const uint8_t param2 = choices.secondDirection ? (count | kDirectionBit) : (count & kCountMask);
    return {KeyType::Swing, stepNibbles(choices), param2};
}

// The wheel stores a downward count as the two's complement of the count.
KeyAssignment wheelValue(const KeyPanelChoices& choices) {
    const uint8_t param2 = choices.secondDirection ? (low8(128 - choices.count) | kDirectionBit)
                                                   : static_cast<uint8_t>(choices.count & kCountMask);
    return {KeyType::Wheel, stepNibbles(choices), param2};
}

KeyAssignment keyboardValue(const KeyPanelChoices& choices) {
    return {KeyType::Keyboard, modifierBitOfChoice(choices.modifierChoice), choices.keyUsage};
}

std::optional<KeyAssignment> macroValue(const KeyPanelChoices& choices) {
    if (choices.macroCount == 0 || choices.macroRow < 0 || static_cast<size_t>(choices.macroRow) >= choices.macroCount)
        return std::nullopt;
    const uint8_t macro = low8(choices.macroRow);
    if (choices.playMode == kMacroRepeatCountMode)
        return KeyAssignment{KeyType::MacroRepeatCount, macro, low8(choices.repeatCount)};
    return KeyAssignment{KeyType::MacroPlayMode, macro, low8(choices.playMode)};
}

std::optional<KeyAssignment> choiceValue(KeyCategory category, const KeyPanelChoices& choices) {
    switch (category) {
    case KeyCategory::MouseKey:
        return tableChoice(mouseKeyTable(), choices.tableRow);
    case KeyCategory::Swing:
        return swingValue(choices);
    case KeyCategory::Wheel:
        return wheelValue(choices);
    case KeyCategory::Dpi:
        return tableChoice(dpiTable(), choices.tableRow);
    case KeyCategory::Fire:
        return KeyAssignment{KeyType::RapidFire, low8(choices.interval), low8(choices.shots)};
    case KeyCategory::Keyboard:
        return keyboardValue(choices);
    case KeyCategory::Media:
        return tableChoice(mediaTable(), choices.tableRow);
    case KeyCategory::System:
        return tableChoice(systemTable(), choices.tableRow);
    case KeyCategory::Macro:
        return macroValue(choices);
    case KeyCategory::GunKey:
        if (choices.tableRow < 0 || static_cast<size_t>(choices.tableRow) >= kGunCount)
            return std::nullopt;
        return KeyAssignment{KeyType::GunKey, low8(choices.tableRow), 0};
    case KeyCategory::Gg:
        return KeyAssignment{KeyType::Special, kSpecialGg, 0};
    case KeyCategory::Combination:
        return tableChoice(combinationKeyTable(), choices.tableRow);
    case KeyCategory::Disabled:
        return KeyAssignment{KeyType::Special, kSpecialDisabled, 0};
    case KeyCategory::Default:
        break;
    }
    return std::nullopt;
}

// A lone modifier or a lone key: the first keyboard row of type 0x20 with both parameters equal.
std::optional<size_t> findLoneKeyboardRow(KeyAssignment value) {
    const auto rows = keyboardKeyTable();
    for (size_t i = 0; i < rows.size(); ++i) {
        const KeyAssignment& candidate = rows[i].value;
        if (candidate.type == KeyType::Keyboard && candidate.param1 == value.param1 && candidate.param2 == value.param2)
            return i;
    }
    return std::nullopt;
}

KeyboardShowing showLoneKeyboardValue(KeyAssignment value) {
    KeyboardShowing showing;
    showing.keyRow = findLoneKeyboardRow(value);
    if (showing.keyRow)
        showing.modifierChoice = 0;
    else
        showing.resetTo = kEmptyKeyboardValue;
    return showing;
}

} // namespace

std::optional<KeyCategory> keyCategoryOf(KeyAssignment value, KeyAssignment defaultValue) {
    if (value == defaultValue)
        return KeyCategory::Default;
    switch (value.type) {
    case KeyType::None: // not a function of its own: shown as the key's default
        return KeyCategory::Default;
    case KeyType::MouseButton:
        return KeyCategory::MouseKey;
    case KeyType::Swing:
        return KeyCategory::Swing;
    case KeyType::Wheel:
        return KeyCategory::Wheel;
    case KeyType::Dpi:
        return KeyCategory::Dpi;
    case KeyType::RapidFire:
        return KeyCategory::Fire;
    case KeyType::Keyboard:
        return keyboardCategory(value);
    case KeyType::Media:
        return KeyCategory::Media;
    case KeyType::System:
        return KeyCategory::System;
    case KeyType::MacroPlayMode:
    case KeyType::MacroRepeatCount:
        return KeyCategory::Macro;
    case KeyType::GunKey:
        return KeyCategory::GunKey;
    case KeyType::Special:
        return specialCategory(value);
    case KeyType::CombinationDevice:
        return KeyCategory::Combination;
    default:
        return std::nullopt;
    }
}

KeyAssignment keyCategoryValue(KeyCategory category, const KeyPanelChoices& choices, KeyAssignment current,
                               KeyAssignment defaultValue) {
    if (category == KeyCategory::Default)
        return defaultValue;
    return choiceValue(category, choices).value_or(current);
}

uint8_t modifierBitOfChoice(int choice) {
    switch (choice) {
    case 1:
        return 0x01;
    case 2:
        return 0x02;
    case 3:
        return 0x04;
    case 4:
        return 0x08;
    default:
        return 0;
    }
}

int modifierChoiceOfRow(size_t modifierRow) {
    const size_t next = modifierRow + 1;
    return static_cast<int>(next % kModifierChoiceCount + next / kModifierChoiceCount);
}

KeyboardShowing showKeyboardValue(KeyAssignment value) {
    if (value.param1 == 0 || value.param2 == 0)
        return showLoneKeyboardValue(value);

    KeyboardShowing showing;
    if (value.param1 > kHighestModifierBit) {
        showing.asCombination = true;
        showing.combinationRow = findRowByParams(combinationKeyTable(), value.param1, value.param2);
        return showing;
    }
    const auto modifierRow = findKeyboardModifierRow(value.param1);
    showing.modifierChoice = modifierRow ? modifierChoiceOfRow(*modifierRow) : 0;
    showing.keyRow = findKeyboardKeyRowByUsage(value.param2);
    return showing;
}

RepeatShowing showSwingValue(KeyAssignment value) {
    const bool second = (value.param2 & kDirectionBit) != 0;
    return {value.param1 >> 4, value.param1 & 0xF, second ? (value.param2 & kCountMask) : value.param2, second};
}

RepeatShowing showWheelValue(KeyAssignment value) {
    const bool second = (value.param2 & kDirectionBit) != 0;
    return {value.param1 >> 4, value.param1 & 0xF, second ? 128 - (value.param2 & kCountMask) : value.param2, second};
}

FireShowing showFireValue(KeyAssignment value) {
    return {value.param1, value.param2};
}

MacroShowing showMacroValue(KeyAssignment value, size_t macroCount) {
    MacroShowing showing;
    if (!namesMacro(value) || value.param1 >= macroCount)
        return showing;
    showing.macroRow = value.param1;
    if (value.type == KeyType::MacroRepeatCount) {
        showing.playMode = kMacroRepeatCountMode;
        showing.repeatCount = value.param2;
        showing.repeatCountVisible = true;
    } else if (value.param2 < kMacroPlayModeCount) {
        showing.playMode = value.param2;
    }
    return showing;
}

std::optional<size_t> showTableValue(std::span<const KeyTableRow> table, KeyAssignment value) {
    return findRowByParams(table, value.param1, value.param2);
}

std::optional<size_t> showGunValue(KeyAssignment value) {
    if (value.param1 >= kGunCount)
        return std::nullopt;
    return value.param1;
}

} // namespace pelan
