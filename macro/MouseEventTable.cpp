#include "macro/MouseEventTable.h"

#include <array>

namespace pelan {
namespace {

constexpr uint8_t kDownBit = 0x80;
constexpr uint8_t kMoveType = 0x15;

constexpr MouseEventRow buttonRow(uint32_t message, uint8_t button, bool down, std::string_view nameKey) {
    return {message, {KeyType::MouseButton, button, static_cast<uint8_t>(down ? kDownBit | 0x01 : 0x01)}, nameKey};
}

constexpr MouseEventRow moveRow(uint32_t kind, bool down, std::string_view nameKey) {
    return {kind, {kMoveType, 0, static_cast<uint8_t>(down ? kDownBit | kind : kind)}, nameKey};
}

constexpr std::array<MouseEventRow, kMouseEventRowCount> kRows{
    buttonRow(kMsgLeftDown, 0x01, true, "mouse_key_left"),
    buttonRow(kMsgLeftUp, 0x01, false, "mouse_key_left"),
    buttonRow(kMsgRightDown, 0x02, true, "mouse_key_right"),
    buttonRow(kMsgRightUp, 0x02, false, "mouse_key_right"),
    buttonRow(kMsgMiddleDown, 0x04, true, "mouse_key_middle"),
    buttonRow(kMsgMiddleUp, 0x04, false, "mouse_key_middle"),
    buttonRow(kMsgXButtonDown, 0x10, true, "mouse_key_forward"),
    buttonRow(kMsgXButtonUp, 0x10, false, "mouse_key_forward"),
    buttonRow(kMsgXButtonDown, 0x08, true, "mouse_key_back"),
    buttonRow(kMsgXButtonUp, 0x08, false, "mouse_key_back"),
    moveRow(4, true, "mouse_move_to_left_text"),
    moveRow(4, false, "mouse_move_to_right_text"),
    moveRow(5, true, "mouse_move_to_up_text"),
    moveRow(5, false, "mouse_move_to_down_text"),
    MouseEventRow{kMsgWheel, {KeyType::Wheel, 0, 0}, "mouse_cursor_text"},
};

constexpr size_t kPlainButtonRows = 6; // left, right, middle: matched by message alone
constexpr size_t kForwardDownRow = 6;
constexpr size_t kBackDownRow = 8;

} // namespace

std::span<const MouseEventRow> mouseEventTable() {
    return kRows;
}

std::optional<size_t> findMouseButtonEventRow(uint32_t message, int xButton) {
    for (size_t i = 0; i < kPlainButtonRows; ++i)
        if (kRows[i].message == message)
            return i;
    if (message != kMsgXButtonDown && message != kMsgXButtonUp)
        return std::nullopt;
    const size_t up = message == kMsgXButtonUp ? 1 : 0;
    if (xButton == kXButtonForward)
        return kForwardDownRow + up;
    if (xButton == kXButtonBack)
        return kBackDownRow + up;
    return std::nullopt;
}

std::optional<size_t> findMouseButtonRowByButton(int button, bool down) {
    for (size_t i = 0; i < kMouseButtonEventRows; ++i) {
        const KeyAssignment& value = kRows[i].value;
        if (value.param1 == button && ((value.param2 & kDownBit) != 0) == down)
            return i;
    }
    return std::nullopt;
}

std::optional<size_t> findMouseMoveRow(int type, bool down) {
    const int wanted = down ? (type | kDownBit) : type;
    for (size_t i = kMouseMoveFirstRow; i < kMouseMoveFirstRow + kMouseMoveRowCount; ++i)
        if (kRows[i].value.param2 == wanted)
            return i;
    return std::nullopt;
}

} // namespace pelan
