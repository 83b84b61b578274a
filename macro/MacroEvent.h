#pragma once

#include <cstdint>
#include <json/value.h>
#include <string_view>

namespace pelan {

// Member names of macro list and macro event files.
inline constexpr const char* kMacroInfoMember = "MacroInfo";
inline constexpr const char* kMacroNameMember = "MacroName";
inline constexpr const char* kMacroGuidMember = "Guid";
inline constexpr const char* kMacroEventsMember = "Events";
inline constexpr const char* kMacroVersionMember = "Version";
inline constexpr const char* kEventTypeMember = "Type";
inline constexpr const char* kEventButtonMember = "Button";
inline constexpr const char* kEventActionMember = "Action";
inline constexpr const char* kEventDelayMember = "Delay";

inline constexpr std::string_view kActionDown = "down";
inline constexpr std::string_view kActionUp = "up";

// Every event file this program writes carries this version.
inline constexpr int kMacroFileVersion = 64;

inline constexpr int kMaxMacroDelay = 65535;
inline constexpr int kMinMoveDistance = 1;
inline constexpr int kMaxMoveDistance = 255;

// What one step of a macro does (the `Type` of an event).
namespace MacroEventKind {
inline constexpr int MouseButton = 1; // Button: mouse button bit
inline constexpr int Reserved2 = 2;   // shown like a mouse step, without a name
inline constexpr int Reserved3 = 3;
inline constexpr int HorizontalMove = 4;   // "down" = left, "up" = right; Button: distance
inline constexpr int VerticalMove = 5;     // "down" = up, "up" = down; Button: distance
inline constexpr int KeyboardModifier = 9; // Button: modifier bit
inline constexpr int KeyboardKey = 10;     // Button: HID keyboard usage
} // namespace MacroEventKind

// One step of a macro as read from its event object.
struct MacroEvent {
    int type = 0;
    int button = 0;
    bool down = false;
    uint16_t delay = 0; // milliseconds after this step
};

// Reads an event object; members that are missing or of the wrong type read as 0, "" (so "up") and 0.
MacroEvent readMacroEvent(const Json::Value& object);

// `Delay` as it is shown and played: decimal text clamped to 0..65535; text without digits reads as 0.
uint16_t readMacroDelay(const Json::Value& object);

// The event object of a step, `Delay` written as decimal text.
Json::Value makeMacroEventObject(const MacroEvent& event);

// How the editor shows a step: the name key of its label (empty: no name), whether the move distance follows
// the name, and whether it takes the keyboard or the mouse style.
struct MacroEventDisplay {
    std::string_view nameKey;
    bool withDistance = false;
    bool keyboardStyle = false;
};
MacroEventDisplay macroEventDisplay(const MacroEvent& event);

} // namespace pelan
