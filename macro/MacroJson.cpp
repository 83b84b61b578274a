#include "macro/MacroJson.h"

#include <exception>

// Json::Reader is marked deprecated in this JsonCpp release; it is the reader with the feature set our files are
// written for (comments kept, any root value), so its use is intended.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
#include <json/reader.h>
#pragma GCC diagnostic pop
#include <json/writer.h>

namespace pelan {
namespace {

const Json::Value* findMember(const Json::Value& object, const char* name) {
    return object.isObject() ? object.find(name, name + std::char_traits<char>::length(name)) : nullptr;
}

} // namespace

std::string memberString(const Json::Value& object, const char* name) {
    const Json::Value* member = findMember(object, name);
    return member && member->isString() ? member->asString() : std::string();
}

int64_t memberInteger(const Json::Value& object, const char* name) {
    const Json::Value* member = findMember(object, name);
    return member && member->isInt64() ? member->asInt64() : 0;
}

const Json::Value& memberArray(const Json::Value& object, const char* name) {
    static const Json::Value emptyArray(Json::arrayValue);
    const Json::Value* member = findMember(object, name);
    return member && member->isArray() ? *member : emptyArray;
}

std::optional<Json::Value> parseJsonText(std::string_view text) {
    Json::Value root;
    try {
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
        Json::Reader reader;
#pragma GCC diagnostic pop
        if (!reader.parse(text.data(), text.data() + text.size(), root, true))
            return std::nullopt;
    } catch (const std::exception&) {
        return std::nullopt; // nesting beyond the reader's stack limit
    }
    return root;
}

std::string compactJsonText(const Json::Value& value) {
    Json::StreamWriterBuilder builder;
    builder["indentation"] = "";
    return Json::writeString(builder, value);
}

} // namespace pelan
