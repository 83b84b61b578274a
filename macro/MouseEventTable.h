#pragma once

#include "keys/KeyAssignment.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string_view>

namespace pelan {

// Mouse window messages the input hook reports.
inline constexpr uint32_t kMsgLeftDown = 0x201;
inline constexpr uint32_t kMsgLeftUp = 0x202;
inline constexpr uint32_t kMsgRightDown = 0x204;
inline constexpr uint32_t kMsgRightUp = 0x205;
inline constexpr uint32_t kMsgMiddleDown = 0x207;
inline constexpr uint32_t kMsgMiddleUp = 0x208;
inline constexpr uint32_t kMsgWheel = 0x20A;
inline constexpr uint32_t kMsgXButtonDown = 0x20B;
inline constexpr uint32_t kMsgXButtonUp = 0x20C;

// X button numbers in the high half of the mouse data word.
inline constexpr int kXButtonBack = 1;
inline constexpr int kXButtonForward = 2;

// One row of the table the macro recorder and editor share: the message (or move kind) it stands for, an
// assignment-shaped triple and the name key. Button rows: param1 = `Button`, param2 & 0x7F = `Type`,
// bit 7 of param2 = "down". Move rows: param2 = `Type`, bit 7 set for "down".
struct MouseEventRow {
    uint32_t message = 0;
    KeyAssignment value;
    std::string_view nameKey;
};

inline constexpr size_t kMouseEventRowCount = 15;
inline constexpr size_t kMouseButtonEventRows = 10; // rows 0-9
inline constexpr size_t kMouseMoveFirstRow = 10;    // rows 10-13
inline constexpr size_t kMouseMoveRowCount = 4;

std::span<const MouseEventRow> mouseEventTable();

// The button row of a hooked mouse message: rows 0-5 by message; the X button messages by button number
// (forward rows 6/7, back rows 8/9). Other messages match nothing.
std::optional<size_t> findMouseButtonEventRow(uint32_t message, int xButton);

// The button row showing a mouse-button step: the first of rows 0-9 with this button bit and direction.
std::optional<size_t> findMouseButtonRowByButton(int button, bool down);

// The move row showing a pointer-move step: rows 10-13 matched against `Type` | 0x80 for "down".
std::optional<size_t> findMouseMoveRow(int type, bool down);

} // namespace pelan
