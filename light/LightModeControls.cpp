#include "light/LightModeControls.h"

#include <algorithm>
#include <initializer_list>
#include <span>

namespace pelan::light {
namespace {

struct Row {
    std::initializer_list<uint8_t> modes;
    ModeControls controls;
};

constexpr bool y = true;
constexpr bool n = false;

// Columns: multicolour, colour, direction, brightness, speed. A group the panel hides counts as not offered.
const Row kKeyboard[] = {
    {{0, 6, 7, 10, 12, 14, 18}, {y, y, y, y, y}},
    {{1, 4, 22, 23}, {n, n, n, y, y}},
    {{2, 5, 9, 11, 15, 16, 17, 19, 20, 21}, {y, y, n, y, y}},
    {{3, 8}, {n, y, n, y, n}},
    {{13}, {n, n, y, y, y}},
};
const Row kMouse[] = {
    {{0, 3, 4, 6}, {y, y, n, y, y}},
    {{1, 2}, {n, n, n, y, y}},
    {{5}, {n, y, n, y, n}},
};
const Row kPad[] = {
    {{0}, {y, y, y, y, y}},
    {{1}, {n, n, n, y, y}},
    {{2, 4}, {y, y, n, y, y}},
    {{3}, {n, y, n, y, n}},
};

ModeControls find(std::span<const Row> rows, uint8_t mode) {
    for (const Row& row : rows)
        if (std::find(row.modes.begin(), row.modes.end(), mode) != row.modes.end())
            return row.controls;
    return {};
}

} // namespace

ModeControls modeControls(int kind, uint8_t mode) {
    switch (kind) {
    case 1:
        return find(kKeyboard, mode);
    case 2:
    case 6:
        return find(kMouse, mode);
    case 3:
    case 7:
        return find(kPad, mode);
    default:
        return {};
    }
}

} // namespace pelan::light
