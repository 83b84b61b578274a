#include "cli/MacroKeyNumbers.h"

namespace pelan::cli {

bool renumberMacroKeys(std::vector<KeyRecord>& keys, size_t removed) {
    bool changed = false;
    for (KeyRecord& key : keys) {
        if (!namesMacro(key.current) || key.current.param1 < removed)
            continue;
        if (key.current.param1 == removed)
            key.current = key.defaultValue;
        else
            --key.current.param1;
        changed = true;
    }
    return changed;
}

} // namespace pelan::cli
