#pragma once

#include <optional>
#include <string>
#include <vector>

#include "keys/KeyFunctionModel.h"

namespace pelan::cli {

// `key set INDEX --category NAME [options]`: what the key set panel's controls would hold for that category.
struct KeyCategoryRequest {
    KeyCategory category = KeyCategory::Default;
    KeyPanelChoices choices;
};

struct KeyCategoryParse {
    std::optional<KeyCategoryRequest> request;
    std::string error; // not empty when the words cannot be used
};

// Reads "--category NAME" and the options of that category's page: --row N (mouse, dpi, media, system,
// combination, gun), --delay N --speed N --count N --direction 0|1 (swing, wheel), --interval N --shots N (fire),
// --modifier 0-4 --usage N (keyboard), --macro N --mode 0-4 --count N (macro).
KeyCategoryParse parseKeyCategory(const std::vector<std::string>& words, size_t macroCount);

// The value the category gives a key with this current and default value, as the panel saves it.
KeyAssignment keyCategoryRequestValue(const KeyCategoryRequest& request, const KeyRecord& key);

} // namespace pelan::cli
