#pragma once

#include <cstdint>
#include <json/value.h>
#include <optional>
#include <string>
#include <string_view>

namespace pelan {

// Defensive reads of members of macro files, which may come from anywhere (imports, hand edits). A missing member,
// a member of the wrong type, or a parent that is not an object reads as 0, "" or an empty array; nothing throws.
std::string memberString(const Json::Value& object, const char* name);
int64_t memberInteger(const Json::Value& object, const char* name);
const Json::Value& memberArray(const Json::Value& object, const char* name);

// One JSON value as single-line text, the form a macro event row keeps as its hidden data.
std::string compactJsonText(const Json::Value& value);

} // namespace pelan
