#pragma once

#include "keys/KeyAssignment.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string_view>

namespace pelan {

// One choice of a fixed function list. The row order is the order of the matching choice list of the key set
// panel: a choice's position selects its row, and a stored value is shown by the first row whose bytes match.
struct KeyTableRow {
    uint16_t keyCode = 0; // virtual-key code of a keyboard row (pseudo codes below), 0 for the other tables
    KeyAssignment value;
    std::string_view nameKey; // looked up in the language table for display
};

// Pseudo key codes of keyboard rows that have no plain virtual-key code.
inline constexpr uint16_t kKeyCodeNumEnter = 257;
inline constexpr uint16_t kKeyCodePower = 259;
inline constexpr uint16_t kKeyCodeSleep = 260;
inline constexpr uint16_t kKeyCodeWakeup = 261;
inline constexpr uint16_t kKeyCodeNone = 255;

// Key capture data for keyboard rows 0 to 112: the scan code (PC set 1, no prefix) and extended-key bit that a
// key press reports, in the keyboard table's row order.
struct KeyCaptureRow {
    uint16_t keyCode = 0;
    uint8_t scanCode = 0;
    bool extended = false;
};

std::span<const KeyTableRow> mouseKeyTable();       // 5 rows, type 0x10
std::span<const KeyTableRow> dpiTable();            // 3 rows, type 0x13
std::span<const KeyTableRow> mediaTable();          // 18 rows, type 0x30
std::span<const KeyTableRow> systemTable();         // 3 rows, type 0x40
std::span<const KeyTableRow> combinationKeyTable(); // 11 rows, left Ctrl with a key
std::span<const KeyTableRow> officeFunctionTable(); // 9 rows, type 0x22
std::span<const KeyTableRow> keyboardKeyTable();    // 141 rows
std::span<const KeyCaptureRow> keyCaptureTable();   // 113 rows, keyboard rows 0 to 112

// Row ranges of the keyboard key table.
inline constexpr size_t kKeyboardModifierRows = 8;       // rows 0-7: one modifier bit each
inline constexpr size_t kKeyboardMacroKeyFirstRow = 134; // rows 134-138: M1 to M5
inline constexpr size_t kKeyboardMacroKeyRowCount = 5;
inline constexpr size_t kKeyboardDeviceKeyFirstRow = 139; // rows 139-140: FN and GM
inline constexpr size_t kKeyboardKeyRowCount = 141;
inline constexpr size_t kKeyCaptureRowCount = 113;

// The first row whose param1 and param2 equal the value's (the type is not compared).
std::optional<size_t> findRowByParams(std::span<const KeyTableRow> table, uint8_t param1, uint8_t param2);

// The first row whose three bytes equal the value.
std::optional<size_t> findRowByValue(std::span<const KeyTableRow> table, KeyAssignment value);

// The keyboard row of a captured key event: the first capture row with this scan code and extended bit.
std::optional<size_t> findKeyCaptureRow(uint8_t scanCode, bool extended);

// The keyboard row (from row 8 on) of a plain key with this HID usage: type 0x20, param1 0.
std::optional<size_t> findKeyboardKeyRowByUsage(uint8_t usage);

// The keyboard row (0 to 7) of a lone modifier bit.
std::optional<size_t> findKeyboardModifierRow(uint8_t modifierBit);

// Number of gun keys (type 0x72, param1 0 to 3) and the name key of each.
inline constexpr size_t kGunCount = 4;
std::string_view gunNameKey(size_t gun);

// The name key under which a value is shown in a key list, or empty when it has none. Macro values are shown by
// the macro's own name, which only the macro list knows, so they have no name key here either.
std::string_view keyFunctionNameKey(KeyAssignment value);

} // namespace pelan
