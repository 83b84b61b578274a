#include "macro/MacroEvent.h"

#include "keys/DecimalText.h"
#include "keys/KeyTables.h"
#include "macro/MacroJson.h"
#include "macro/MouseEventTable.h"

#include <algorithm>
#include <limits>
#include <string>

namespace pelan {
namespace {

int clampToInt(int64_t value) {
    return static_cast<int>(
        std::clamp<int64_t>(value, std::numeric_limits<int>::min(), std::numeric_limits<int>::max()));
}

std::string_view keyboardModifierNameKey(int button) {
    if (button <= 0 || button > 0xFF)
        return {};
    const auto row = findKeyboardModifierRow(static_cast<uint8_t>(button));
    return row ? keyboardKeyTable()[*row].nameKey : std::string_view{};
}

std::string_view keyboardKeyNameKey(int button) {
    if (button <= 0 || button > 0xFF)
        return {};
    const auto row = findKeyboardKeyRowByUsage(static_cast<uint8_t>(button));
    return row ? keyboardKeyTable()[*row].nameKey : std::string_view{};
}

std::string_view mouseButtonNameKey(const MacroEvent& event) {
    const auto row = findMouseButtonRowByButton(event.button, event.down);
    return row ? mouseEventTable()[*row].nameKey : std::string_view{};
}

std::string_view mouseMoveNameKey(const MacroEvent& event) {
    const auto row = findMouseMoveRow(event.type, event.down);
    return row ? mouseEventTable()[*row].nameKey : std::string_view{};
}

} // namespace

uint16_t readMacroDelay(const Json::Value& object) {
    if (!object.isObject())
        return 0;
    const Json::Value& delay = object[kEventDelayMember];
    int64_t value = 0;
    if (delay.isString())
        value = parseDecimalText(delay.asString());
    else if (delay.isInt64())
        value = delay.asInt64(); // not what this program writes, but its meaning is plain
    return static_cast<uint16_t>(std::clamp<int64_t>(value, 0, kMaxMacroDelay));
}

MacroEvent readMacroEvent(const Json::Value& object) {
    MacroEvent event;
    event.type = clampToInt(memberInteger(object, kEventTypeMember));
    event.button = clampToInt(memberInteger(object, kEventButtonMember));
    event.down = memberString(object, kEventActionMember) == kActionDown;
    event.delay = readMacroDelay(object);
    return event;
}

Json::Value makeMacroEventObject(const MacroEvent& event) {
    Json::Value object(Json::objectValue);
    object[kEventTypeMember] = event.type;
    object[kEventButtonMember] = event.button;
    object[kEventActionMember] = std::string(event.down ? kActionDown : kActionUp);
    object[kEventDelayMember] = std::to_string(event.delay);
    return object;
}

MacroEventDisplay macroEventDisplay(const MacroEvent& event) {
    switch (event.type) {
    case MacroEventKind::MouseButton:
        return {mouseButtonNameKey(event), false, false};
    case MacroEventKind::HorizontalMove:
    case MacroEventKind::VerticalMove:
        return {mouseMoveNameKey(event), true, false};
    case MacroEventKind::KeyboardModifier:
        return {keyboardModifierNameKey(event.button), false, true};
    case MacroEventKind::KeyboardKey:
        return {keyboardKeyNameKey(event.button), false, true};
    default:
        return {};
    }
}

} // namespace pelan
