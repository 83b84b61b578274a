#pragma once

#include <string>

namespace pelan {

// True when `stem` names a file directly inside one folder: not empty, no folder separator, no "..", no NUL byte.
// Identifiers read from files (a profile's UUID, a light effect's "Guid") become file names this way and must not
// reach another folder.
inline bool isPlainFileStem(const std::string& stem) {
    return !stem.empty() && stem.find('/') == std::string::npos && stem.find('\\') == std::string::npos &&
           stem.find("..") == std::string::npos && stem.find('\0') == std::string::npos;
}

} // namespace pelan
