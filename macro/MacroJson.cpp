#include "macro/MacroJson.h"

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

std::string compactJsonText(const Json::Value& value) {
    Json::StreamWriterBuilder builder;
    builder["indentation"] = "";
    return Json::writeString(builder, value);
}

} // namespace pelan
