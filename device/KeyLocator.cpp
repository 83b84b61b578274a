#include "device/KeyLocator.h"

namespace pelan {
namespace {

constexpr size_t kEntrySize = 3;

KeyAssignment entryAt(std::span<const uint8_t> table, size_t position) {
    const size_t at = position * kEntrySize;
    return {table[at], table[at + 1], table[at + 2]};
}

} // namespace

std::vector<int> locateKeys(const KeyLocatorInput& input) {
    const size_t keyCount = input.factoryCodes.size();
    const size_t positions = input.keyTable.size() / kEntrySize;
    std::vector<int> found(keyCount, kKeyNotFound);
    std::vector<bool> taken(positions, false);
    const auto expectedAt = [&](size_t key) -> int {
        const int known = key < input.known.size() ? input.known[key] : -1;
        const int position = known >= 0 ? known : int(key);
        return size_t(position) < positions ? position : kKeyNotFound;
    };
    const auto take = [&](size_t key, int position) {
        found[key] = position;
        taken[size_t(position)] = true;
    };

    for (size_t key = 0; key < keyCount; ++key) {
        const int position = expectedAt(key);
        if (position == kKeyNotFound || taken[size_t(position)])
            continue;
        const KeyAssignment entry = entryAt(input.keyTable, size_t(position));
        if (entry == input.factoryCodes[key] || (key < input.assigned.size() && entry == input.assigned[key]))
            take(key, position);
    }
    // A free position that an unplaced key expects is kept for it when its factory code is nowhere else free: the
    // position then holds another key's code because it was assigned that function.
    std::vector<int> expectedBy(positions, kKeyNotFound);
    for (size_t key = 0; key < keyCount; ++key)
        if (const int position = expectedAt(key); found[key] == kKeyNotFound && position != kKeyNotFound)
            expectedBy[size_t(position)] = int(key);
    const auto freeWithCode = [&](const KeyAssignment& code, size_t except) {
        for (size_t position = 0; position < positions; ++position)
            if (position != except && !taken[position] && entryAt(input.keyTable, position) == code)
                return true;
        return false;
    };
    const auto keptForAnother = [&](size_t key, size_t position) {
        const int other = expectedBy[position];
        return other != kKeyNotFound && size_t(other) != key && found[size_t(other)] == kKeyNotFound &&
               !freeWithCode(input.factoryCodes[size_t(other)], position);
    };
    for (size_t key = 0; key < keyCount; ++key) {
        for (size_t position = 0; found[key] == kKeyNotFound && position < positions; ++position)
            if (!taken[position] && entryAt(input.keyTable, position) == input.factoryCodes[key] &&
                !keptForAnother(key, position))
                take(key, int(position));
    }
    for (size_t key = 0; key < keyCount; ++key) {
        const int position = expectedAt(key);
        if (found[key] == kKeyNotFound && position != kKeyNotFound && !taken[size_t(position)])
            take(key, position);
    }
    return found;
}

std::vector<KeyAssignment> currentAssignments(std::span<const KeyRecord> keys) {
    std::vector<KeyAssignment> assigned;
    assigned.reserve(keys.size());
    for (const KeyRecord& key : keys)
        assigned.push_back(key.current);
    return assigned;
}

} // namespace pelan
