#include "macro/MacroKeyNumbers.h"

namespace pelan {

std::vector<size_t> renumberMacroKeys(std::vector<KeyRecord>& keys, size_t removed) {
    std::vector<size_t> changed;
    for (size_t k = 0; k < keys.size(); ++k) {
        KeyRecord& key = keys[k];
        if (!namesMacro(key.current) || key.current.param1 < removed)
            continue;
        if (key.current.param1 == removed)
            key.current = key.defaultValue;
        else
            --key.current.param1;
        changed.push_back(k);
    }
    return changed;
}

} // namespace pelan
