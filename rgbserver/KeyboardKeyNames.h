#pragma once

#include <string_view>

namespace pelan::rgb {

// The name of a logical keyboard key (0 to 125, the order of the keyboard's key table) as SDK clients show LEDs:
// "Key: " and the key. "" for the positions no key uses and for numbers past the keyboard.
std::string_view keyboardKeyName(size_t logicalKey);

} // namespace pelan::rgb
