#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "keys/KeyAssignment.h"

namespace pelan {

// Where each key of a device sits in the key table read from it (three bytes per position). Devices answer a
// key-table read with their factory layout or with the table as assigned; the keys must be found either way, and
// the same key at the same position after every reconnection.
struct KeyLocatorInput {
    std::span<const uint8_t> keyTable; // positions * 3 bytes
    // The factory code of each key, in key order.
    std::span<const KeyAssignment> factoryCodes;
    // The key's current assignment (the page's key list), for keys that have one.
    std::span<const KeyAssignment> assigned;
    // The position each key had at the last connection; negative for none. Keys without one are expected at the
    // device's fixed layout position, which is the key's own index.
    std::span<const int> known;
};

constexpr int kKeyNotFound = -1;

// Each key gets one position of its own, or kKeyNotFound; no two keys share a position:
// 1. a key whose known position still holds its factory code or its current assignment keeps it;
// 2. any other key takes the first free position with its factory code, unless that position is where another
//    unplaced key is expected and that key's own code is nowhere else (the position holds a code assigned there);
// 3. a key whose code is nowhere (reassigned on a device that reports the assigned table) takes its known position
//    when that is free.
std::vector<int> locateKeys(const KeyLocatorInput& input);

// The current assignments of a key list, in key order.
std::vector<KeyAssignment> currentAssignments(std::span<const KeyRecord> keys);

} // namespace pelan
