#include "cli/KeyCategoryOptions.h"

#include <array>
#include <string_view>

#include "cli/CommandLine.h"

namespace pelan::cli {
namespace {

constexpr std::array<std::string_view, 14> kCategoryNames{"default", "mouse",    "swing",       "wheel",   "dpi",
                                                          "fire",    "keyboard", "media",       "system",  "macro",
                                                          "gun",     "gg",       "combination", "disabled"};

std::optional<KeyCategory> categoryOfName(std::string_view name) {
    for (size_t i = 0; i < kCategoryNames.size(); ++i)
        if (kCategoryNames[i] == name)
            return KeyCategory(i);
    return std::nullopt;
}

// Where each option's number goes, and the largest it takes.
struct NumberOption {
    std::string_view name;
    uint32_t max;
    int KeyPanelChoices::*field;
};
constexpr std::array<NumberOption, 11> kNumberOptions{{
    {"--row", 255, &KeyPanelChoices::tableRow},
    {"--delay", 15, &KeyPanelChoices::delay},
    {"--speed", 15, &KeyPanelChoices::speed},
    {"--count", 255, &KeyPanelChoices::count},
    {"--interval", 255, &KeyPanelChoices::interval},
    {"--shots", 255, &KeyPanelChoices::shots},
    {"--modifier", 4, &KeyPanelChoices::modifierChoice},
    {"--macro", 255, &KeyPanelChoices::macroRow},
    {"--mode", 4, &KeyPanelChoices::playMode},
    {"--direction", 1, nullptr},
    {"--usage", 255, nullptr},
}};

} // namespace

KeyCategoryParse parseKeyCategory(const std::vector<std::string>& words, size_t macroCount) {
    KeyCategoryParse outcome;
    KeyCategoryRequest request;
    request.choices.macroCount = macroCount;
    bool named = false;
    for (size_t i = 0; i < words.size(); i += 2) {
        if (i + 1 >= words.size()) {
            outcome.error = words[i] + " needs a value";
            return outcome;
        }
        const std::string& option = words[i];
        const std::string& text = words[i + 1];
        if (option == "--category") {
            const std::optional<KeyCategory> category = categoryOfName(text);
            if (!category) {
                outcome.error = "unknown category " + text;
                return outcome;
            }
            request.category = *category;
            named = true;
            continue;
        }
        const NumberOption* known = nullptr;
        for (const NumberOption& candidate : kNumberOptions)
            if (candidate.name == option)
                known = &candidate;
        const std::optional<uint32_t> number = known ? parseNumberArgument(text, known->max) : std::nullopt;
        if (!number) {
            outcome.error = known ? option + " takes a number up to " + std::to_string(known->max) + ", not " + text
                                  : "unknown option " + option;
            return outcome;
        }
        // Read once past the check: gcc's -O1 (the ThreadSanitizer build) otherwise thinks it may be unset.
        const uint32_t value = number.value_or(0);
        if (known->field != nullptr)
            request.choices.*(known->field) = int(value);
        else if (option == "--direction")
            request.choices.secondDirection = value == 1;
        else
            request.choices.keyUsage = uint8_t(value);
    }
    if (!named) {
        outcome.error = "--category NAME is needed";
        return outcome;
    }
    // The macro page's repeat count is the count option too.
    request.choices.repeatCount = request.choices.count;
    outcome.request = request;
    return outcome;
}

KeyAssignment keyCategoryRequestValue(const KeyCategoryRequest& request, const KeyRecord& key) {
    return keyCategoryValue(request.category, request.choices, key.current, key.defaultValue);
}

} // namespace pelan::cli
