#pragma once

#include <cstdint>
#include <json/value.h>
#include <string>

namespace pelan {

// Largest array index a lookup or write may create. Indexes come from files and callers (slots, groups); a
// hostile one must not make JsonCpp produce an array of billions of nulls.
inline constexpr Json::ArrayIndex kMaxCreatedIndex = 1023;

// A position in a JSON tree reached with JsonCpp's creating subscripts: looking up a missing member or element
// inserts it as null, as the profile files expect. A lookup through a value of the wrong type (a member of a
// string, an element of an object) or an index above kMaxCreatedIndex reaches nothing and changes nothing, so
// wrong types read as missing instead of making JsonCpp throw.
class JsonLookup {
public:
    JsonLookup() = default;
    explicit JsonLookup(Json::Value& value) : value_(&value) {}

    JsonLookup operator[](const char* name) const;
    JsonLookup operator[](int index) const;

    // True when the position exists and is not null.
    bool present() const { return value_ != nullptr && !value_->isNull(); }
    bool isArray() const { return value_ != nullptr && value_->isArray(); }
    bool isObject() const { return value_ != nullptr && value_->isObject(); }
    // A copy of the value there; null when the position is unreachable.
    Json::Value value() const { return value_ != nullptr ? *value_ : Json::Value(); }
    // The element count of an array; 0 for anything else.
    int size() const;

    // Conversions that treat a missing value or one of an unexpected type as 0, false or "".
    int32_t toInt() const;
    bool toBool() const;
    std::string toString() const;
    uint8_t toByte() const { return static_cast<uint8_t>(toInt()); }
    uint16_t toWord() const { return static_cast<uint16_t>(toInt()); }

private:
    Json::Value* value_ = nullptr;
};

// Write access: the member or element, created when missing; a parent of the wrong type is replaced by an empty
// object or array first. Callers keep indexes within kMaxCreatedIndex.
Json::Value& memberForWrite(Json::Value& parent, const char* name);
Json::Value& elementForWrite(Json::Value& parent, int index);

bool isCreatableIndex(int index);

} // namespace pelan
