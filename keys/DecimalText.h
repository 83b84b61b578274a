#pragma once

#include <cstdint>
#include <string_view>

namespace pelan {

// Reads the number at the start of a numeric field the way the panels and files expect: leading blanks, an
// optional sign, then decimal digits up to the first other character. Text without digits counts as 0; a number
// too large for 64 bits saturates instead of wrapping.
int64_t parseDecimalText(std::string_view text);

// The same, limited to 0..max: what an unsigned field of a given width holds.
int64_t parseDecimalTextClamped(std::string_view text, int64_t max);

} // namespace pelan
