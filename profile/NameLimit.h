#pragma once

#include <cstddef>
#include <string>

namespace pelan {

// The longest profile or macro name, in characters (UTF-8 code points). Every operation that takes or makes a
// name keeps to it, so a name cannot grow the list files without bound.
inline constexpr std::size_t kMaxNameLength = 64;

// The number of characters of UTF-8 text (bytes that do not continue a character).
std::size_t nameLength(const std::string& name);

bool fitsNameLength(const std::string& name);

// The name cut to at most kMaxNameLength characters, never inside a character.
std::string cutToNameLength(const std::string& name);

} // namespace pelan
