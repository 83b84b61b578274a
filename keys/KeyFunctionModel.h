#pragma once

#include "keys/KeyAssignment.h"
#include "keys/KeyTables.h"

#include <cstddef>
#include <cstdint>
#include <optional>

namespace pelan {

// The editing page the key set panel shows for a value.
enum class KeyCategory : int {
    Default = 0,
    MouseKey = 1,
    Swing = 2,
    Wheel = 3,
    Dpi = 4,
    Fire = 5,
    Keyboard = 6,
    Media = 7,
    System = 8,
    Macro = 9,
    GunKey = 10,
    Gg = 11,
    Combination = 12,
    Disabled = 13,
};

// Play modes of a macro key: positions 0-3 are played by the device as they are, the fifth plays a repeat count.
inline constexpr int kMacroPlayModeCount = 4;
inline constexpr int kMacroRepeatCountMode = 4;

// Modifier choices of the keyboard page: 0 none, 1 Ctrl, 2 Shift, 3 Alt, 4 Win.
inline constexpr int kModifierChoiceCount = 5;

// The page a value is shown under; empty when the panel has no page for it and hides its editing area.
std::optional<KeyCategory> keyCategoryOf(KeyAssignment value, KeyAssignment defaultValue);

// What the panel's controls hold when it saves. A row of -1 means nothing is selected.
struct KeyPanelChoices {
    int tableRow = -1; // mouse key, DPI, media, system, combination-key and gun choice lists
    int delay = 0;     // swing and wheel
    int speed = 0;
    int count = 0;
    bool secondDirection = false; // swing: right, wheel: down
    int interval = 0;             // rapid fire
    int shots = 0;
    int modifierChoice = 0; // keyboard
    uint8_t keyUsage = 0;   // the captured key's HID usage, 0 when the key field is empty
    int macroRow = -1;      // macro
    size_t macroCount = 0;
    int playMode = 0;
    int repeatCount = 0;
};

// The value a category's page saves. A choice that selects nothing (or a row that does not exist) keeps the
// key's current value rather than inventing one.
KeyAssignment keyCategoryValue(KeyCategory category, const KeyPanelChoices& choices, KeyAssignment current,
                               KeyAssignment defaultValue);

// The modifier bit a modifier choice stands for (always the left-hand bit), 0 for "none" or an unknown choice.
uint8_t modifierBitOfChoice(int choice);

// The modifier choice of a keyboard modifier row 0-7: both Ctrl rows give 1, Shift 2, Alt 3, Win 4.
int modifierChoiceOfRow(size_t modifierRow);

// How the keyboard page shows a keyboard value.
struct KeyboardShowing {
    std::optional<size_t> keyRow;         // keyboard key table row shown in the key field; empty clears it
    std::optional<int> modifierChoice;    // empty: no modifier choice selected at all
    bool asCombination = false;           // the value belongs on the combination-key page instead
    std::optional<size_t> combinationRow; // its row there, when one matches
    std::optional<KeyAssignment> resetTo; // the panel's current value must be replaced by this
};
KeyboardShowing showKeyboardValue(KeyAssignment value);

// Swing and wheel pages: delay and speed steps, count and direction.
struct RepeatShowing {
    int delay = 0;
    int speed = 0;
    int count = 0;
    bool secondDirection = false;
    friend bool operator==(const RepeatShowing&, const RepeatShowing&) = default;
};
RepeatShowing showSwingValue(KeyAssignment value);
RepeatShowing showWheelValue(KeyAssignment value);

struct FireShowing {
    int interval = 0;
    int shots = 0;
};
FireShowing showFireValue(KeyAssignment value);

// Macro page: the macro row, the play mode, and the repeat-count field.
struct MacroShowing {
    std::optional<size_t> macroRow;
    std::optional<int> playMode;
    int repeatCount = 0;
    bool repeatCountVisible = false;
};
MacroShowing showMacroValue(KeyAssignment value, size_t macroCount);

// Mouse key, DPI, media and system pages select the first row whose parameters match.
std::optional<size_t> showTableValue(std::span<const KeyTableRow> table, KeyAssignment value);

std::optional<size_t> showGunValue(KeyAssignment value);

} // namespace pelan
