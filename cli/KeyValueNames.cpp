#include "cli/KeyValueNames.h"

#include <array>
#include <span>

#include "cli/CommandLine.h"
#include "keys/KeyTables.h"

namespace pelan::cli {

std::optional<KeyAssignment> keyValueFromText(std::string_view text) {
    if (const std::optional<uint32_t> number = parseNumberArgument(text, 0xFFFFFF))
        return decodeKeyAssignment(*number);
    const std::array<std::span<const KeyTableRow>, 6> tables = {
        mouseKeyTable(), dpiTable(), mediaTable(), systemTable(), officeFunctionTable(), keyboardKeyTable()};
    for (const std::span<const KeyTableRow> table : tables)
        for (const KeyTableRow& row : table)
            if (row.nameKey == text)
                return row.value;
    for (size_t gun = 0; gun < kGunCount; ++gun)
        if (gunNameKey(gun) == text)
            return KeyAssignment{KeyType::GunKey, uint8_t(gun), 0};
    return std::nullopt;
}

std::string keyValueDisplayName(KeyAssignment value, const std::vector<MacroEntry>& macros) {
    if (namesMacro(value))
        return value.param1 < macros.size() ? macros[value.param1].name : "";
    return std::string(keyFunctionNameKey(value));
}

} // namespace pelan::cli
