#include "light/LightModeControls.h"

#include <algorithm>
#include <initializer_list>

namespace pelan::light {
namespace {

struct LayoutRow {
    std::initializer_list<int> modes; // empty: any other mode
    Looks looks;
};

constexpr Look K = Look::Keep;
constexpr Look E = Look::Enabled;
constexpr Look D = Look::Disabled;
constexpr Look S = Look::Shown;
constexpr Look H = Look::Hidden;
constexpr Look V = Look::Visible;
constexpr Look I = Look::Invisible;
constexpr Look O = Look::Offered;

// Columns: multicolour box, colour group, palette group, direction group, brightness, speed, custom group,
// same-mode box.
const LayoutRow kKeyboardRows[] = {
    {{0, 6, 7, 10, 12, 14, 18}, {E, E, E, E, E, E, I, I}},
    {{1}, {D, D, D, D, E, E, I, O}},
    {{2, 17}, {E, E, E, D, E, E, I, O}},
    {{3}, {D, E, E, D, E, D, I, O}},
    {{4, 22, 23}, {D, D, D, D, E, E, I, I}},
    {{5, 9, 11, 15, 16, 19, 20, 21}, {E, E, E, D, E, E, I, I}},
    {{8}, {D, E, E, D, E, D, V, I}},
    {{13}, {D, D, D, E, E, E, I, I}},
    {{24}, {D, D, D, D, D, D, I, O}},
    {{}, {D, D, D, D, D, D, I, I}},
};
const Looks kKeyboardBefore = {K, K, K, E, K, K, I, I};

const LayoutRow kMouseRows[] = {
    {{0, 3, 4, 6}, {S, S, S, H, S, S, K, I}},
    {{1, 2}, {H, H, H, H, S, S, K, I}},
    {{5}, {Look::EnabledHidden, S, S, H, S, H, K, I}},
    {{7}, {H, H, H, H, H, H, K, O}},
    {{8}, {H, H, H, H, H, H, K, I}},
    {{}, {D, D, D, D, D, D, K, I}},
};
const Looks kMouseBefore = {K, K, K, S, K, K, K, I};

const LayoutRow kPadRows[] = {
    {{0}, {E, E, E, D, E, E, K, I}}, {{1}, {D, D, D, D, E, E, K, O}}, {{2, 4}, {E, E, E, D, E, E, K, O}},
    {{3}, {D, E, E, D, E, D, K, O}}, {{8}, {D, D, D, D, D, D, K, O}}, {{}, {D, D, D, D, D, D, K, I}},
};
// The pad's and headset's record has no direction: the direction group is never offered there.
const Looks kPadBefore = {K, K, K, H, K, K, K, I};

const LayoutRow kKind5Rows[] = {
    {{0, 2, 3}, {E, E, E, K, E, E, K, K}},
    {{1}, {D, E, E, K, E, D, K, K}},
    {{4}, {D, D, D, K, E, E, K, K}},
    {{}, {D, D, D, K, D, D, K, K}},
};
const Looks kNothing = {K, K, K, K, K, K, K, K};

template <size_t N>
const Looks& rowFor(const LayoutRow (&rows)[N], int mode) {
    for (const LayoutRow& row : rows)
        if (row.modes.size() == 0 || std::find(row.modes.begin(), row.modes.end(), mode) != row.modes.end())
            return row.looks;
    return kNothing;
}

// Whether a group ends up enabled and shown after both looks, counting a hidden group as not offered.
bool offered(const ModeLayout& layout, LightGroup group) {
    bool enabled = false;
    bool shown = true;
    for (const Looks* looks : {layout.before, layout.row}) {
        switch ((*looks)[size_t(group)]) {
        case Look::Enabled:
            enabled = true;
            break;
        case Look::Disabled:
            enabled = false;
            break;
        case Look::Shown:
            enabled = shown = true;
            break;
        case Look::Hidden:
            enabled = shown = false;
            break;
        case Look::EnabledHidden:
            enabled = true;
            shown = false;
            break;
        case Look::Invisible:
            shown = false;
            break;
        case Look::Visible:
        case Look::Offered:
            shown = true;
            break;
        case Look::Keep:
            break;
        }
    }
    return enabled && shown;
}

} // namespace

ModeLayout modeLayout(int kind, int mode) {
    switch (kind) {
    case 1:
        return {&kKeyboardBefore, &rowFor(kKeyboardRows, mode)};
    case 2:
        return {&kMouseBefore, &rowFor(kMouseRows, mode)};
    case 3:
    case 4:
    case 7:
        return {&kPadBefore, &rowFor(kPadRows, mode)};
    case 5:
        return {&kNothing, &rowFor(kKind5Rows, mode)};
    default:
        return {&kNothing, &kNothing};
    }
}

ModeControls modeControls(int kind, uint8_t mode) {
    if (kind != 1 && kind != 2 && kind != 6 && kind != 3 && kind != 7)
        return {};
    const ModeLayout layout = modeLayout(kind == 6 ? 2 : kind, mode);
    return {offered(layout, LightGroup::MultiColour), offered(layout, LightGroup::Colour),
            offered(layout, LightGroup::Direction), offered(layout, LightGroup::Brightness),
            offered(layout, LightGroup::Speed)};
}

} // namespace pelan::light
