#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <map>
#include <span>
#include <type_traits>

#include "keys/KeyAssignment.h"
#include "profile/ProfileRecords.h"

namespace pelan {

// The keyboard's logical keys, each known by the factory code (type, modifier bits, HID usage) its key-table
// position carries, and the settings block of one keyboard profile.
namespace keyboard {

constexpr size_t kLogicalKeyCount = 126;
// The mark of a logical key that has no position in the key table (and so no LED).
constexpr uint8_t kNoPosition = 255;

using FactoryCode = std::array<uint8_t, 3>;

// Factory codes of the 126 logical keys, in logical key order, which is also their position in the key table of
// the keyboard's own layout. Five keys share the code 20 00 00.
const std::array<FactoryCode, kLogicalKeyCount>& logicalKeyCodes();

// Where each logical key sits in the key table, and which LED lights it. kNoPosition for a key that has no position
// (or whose LED index lies past the per-key table).
struct KeyPositions {
    std::array<uint8_t, kLogicalKeyCount> position{};
    std::array<uint8_t, kLogicalKeyCount> ledIndex{};

    // The positions as the base page keeps them: key index to table position, every key included.
    std::map<int, int> asPositionMap() const;
};

// Finds the logical keys in a key table (three bytes per position, `keyTable.size() / 3` positions) as
// locateKeys does, each key at a position of its own (the five keys that share 20 00 00 included), and gives each
// the per-key table's byte at its position as its LED index. `assigned` is the key list's current assignments and
// `previous` the positions of the last connection, so keys reassigned on a device that reports its assigned table
// are found again.
KeyPositions findKeyPositions(std::span<const uint8_t> keyTable, std::span<const uint8_t> perKeyTable,
                              std::span<const KeyAssignment> assigned = {}, const KeyPositions* previous = nullptr);

// Settings block of profile p at offset p x 25; offset 0 also holds the current profile index.
struct SettingsBlock {
    uint8_t first = 0; // given by the caller; the current profile index when read
    uint8_t mode = 0;
    uint8_t brightness = 0;
    uint8_t speedOnWire = 0; // 4 - speed
    uint8_t effect = 0;
    uint8_t multiColour = 0;
    uint8_t red = 0;
    uint8_t green = 0;
    uint8_t blue = 0;
    std::array<uint8_t, 10> reserved{}; // 0
    uint8_t wFlag = 0;
    uint8_t key6Flag = 0;
    uint8_t winFlag = 0;
    uint8_t pollingRate = 0;
    std::array<uint8_t, 2> tail{}; // 0
};
static_assert(sizeof(SettingsBlock) == 25);
static_assert(std::is_trivially_copyable_v<SettingsBlock>);

constexpr uint16_t kSettingsStride = 25;
constexpr uint16_t kSettingsLength = sizeof(SettingsBlock);
constexpr uint16_t kProfileIndexOffset = 0;
// The highest light mode the keyboard knows; larger modes are sent as mode 0.
constexpr uint8_t kMaxLightMode = 24;
constexpr uint8_t kMaxLightBrightness = 4;
constexpr uint16_t kMaxPollingRate = 4;
// Offset of the reserved byte that is cleared whatever the device returned.
constexpr size_t kClearedOnReadOffset = 16;

using SettingsBytes = std::array<uint8_t, kSettingsLength>;

// Builds the block of a light setting and the keyboard system words (WFlag, Key6Flag, WinFlag low halves;
// PollingRate the high half of word 1).
SettingsBytes encodeSettings(const LightInfo& light, const SystemWords& system, uint8_t first);

// What a block read from the keyboard holds for the page.
struct DecodedSettings {
    LightInfo light; // effect and the extra bytes left 0; the caller keeps its own effect byte
    uint8_t wFlag = 0;
    uint8_t key6Flag = 0;
    uint8_t winFlag = 0;
};
DecodedSettings decodeSettings(const SettingsBytes& block);

} // namespace keyboard
} // namespace pelan
