#pragma once

#include <cstddef>
#include <vector>

#include "keys/KeyAssignment.h"

namespace pelan {

// Keys that name macros by their list position, once macro `removed` has left the list: a key playing that macro
// gets its factory assignment back, a key playing a later macro follows it one position up. Returns the positions
// of the keys that changed.
std::vector<size_t> renumberMacroKeys(std::vector<KeyRecord>& keys, size_t removed);

} // namespace pelan
