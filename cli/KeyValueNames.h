#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "keys/KeyAssignment.h"
#include "macro/MacroFiles.h"

namespace pelan::cli {

// A key assignment given on the command line: a 24-bit number (decimal or 0x...), or the name key of a row of the
// fixed function tables (mouse keys, DPI, media, system, office functions, keyboard keys) or of a gun key.
std::optional<KeyAssignment> keyValueFromText(std::string_view text);

// What a key list shows for a value: its name key, a macro's own name, or "" when it has none.
std::string keyValueDisplayName(KeyAssignment value, const std::vector<MacroEntry>& macros);

} // namespace pelan::cli
