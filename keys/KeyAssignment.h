#pragma once

#include <cstdint>

namespace pelan {

// Function types of a key assignment: the first byte of the 24-bit code a button or key carries.
namespace KeyType {
inline constexpr uint8_t None = 0x00;
inline constexpr uint8_t MouseButton = 0x10;
inline constexpr uint8_t Swing = 0x11;
inline constexpr uint8_t Wheel = 0x12;
inline constexpr uint8_t Dpi = 0x13;
inline constexpr uint8_t RapidFire = 0x14;
inline constexpr uint8_t DpiCycleDevice = 0x16;
inline constexpr uint8_t Keyboard = 0x20;
inline constexpr uint8_t Office = 0x22;
inline constexpr uint8_t DpiShift = 0x23;
inline constexpr uint8_t Media = 0x30;
inline constexpr uint8_t System = 0x40;
inline constexpr uint8_t MacroPlayMode = 0x70;
inline constexpr uint8_t MacroRepeatCount = 0x71;
inline constexpr uint8_t GunKey = 0x72;
inline constexpr uint8_t Special = 0xA0;
inline constexpr uint8_t CombinationDevice = 0xB0;
inline constexpr uint8_t KeyboardMacroKey = 0xD0;
} // namespace KeyType

// Special (type 0xA0) parameters.
inline constexpr uint8_t kSpecialDisabled = 0x00;
inline constexpr uint8_t kSpecialFnKey = 0x01;
inline constexpr uint8_t kSpecialGg = 0x02;
inline constexpr uint8_t kSpecialGameModeKey = 0x1B;

// The function of one button or key: type and two parameters whose meaning depends on the type.
struct KeyAssignment {
    uint8_t type = 0;
    uint8_t param1 = 0;
    uint8_t param2 = 0;

    friend constexpr bool operator==(const KeyAssignment&, const KeyAssignment&) = default;
};

// The profile stores an assignment as one integer, type in bits 16-23, param1 in bits 8-15, param2 in bits 0-7.
// Higher bits of a stored integer (or the sign of a negative one) carry nothing and are dropped.
constexpr KeyAssignment decodeKeyAssignment(int64_t stored) {
    const auto bits = static_cast<uint64_t>(stored);
    return {static_cast<uint8_t>(bits >> 16), static_cast<uint8_t>(bits >> 8), static_cast<uint8_t>(bits)};
}

constexpr int32_t encodeKeyAssignment(KeyAssignment value) {
    return (int32_t{value.type} << 16) | (int32_t{value.param1} << 8) | int32_t{value.param2};
}

constexpr bool namesMacro(KeyAssignment value) {
    return value.type == KeyType::MacroPlayMode || value.type == KeyType::MacroRepeatCount;
}

// One programmable key of a device, as the device pages and the key set panel exchange it: the key's position in
// the profile's key list with its current and its factory function. Only `current` is ever written back.
struct KeyRecord {
    uint16_t index = 0;
    KeyAssignment current;
    uint16_t defaultIndex = 0;
    KeyAssignment defaultValue;

    friend constexpr bool operator==(const KeyRecord&, const KeyRecord&) = default;
};

constexpr KeyRecord makeKeyRecord(uint16_t index, KeyAssignment current, KeyAssignment defaultValue) {
    return {index, current, index, defaultValue};
}

} // namespace pelan
