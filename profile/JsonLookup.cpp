#include "profile/JsonLookup.h"

#include <cmath>
#include <limits>

namespace pelan {

bool isCreatableIndex(int index) {
    return index >= 0 && static_cast<Json::ArrayIndex>(index) <= kMaxCreatedIndex;
}

JsonLookup JsonLookup::operator[](const char* name) const {
    if (value_ == nullptr || !(value_->isNull() || value_->isObject()))
        return {};
    return JsonLookup((*value_)[name]);
}

JsonLookup JsonLookup::operator[](int index) const {
    if (value_ == nullptr || !(value_->isNull() || value_->isArray()) || !isCreatableIndex(index))
        return {};
    return JsonLookup((*value_)[static_cast<Json::ArrayIndex>(index)]);
}

int JsonLookup::size() const {
    if (!isArray())
        return 0;
    Json::ArrayIndex count = value_->size();
    return count > static_cast<Json::ArrayIndex>(std::numeric_limits<int>::max()) ? std::numeric_limits<int>::max()
                                                                                  : static_cast<int>(count);
}

int32_t JsonLookup::toInt() const {
    if (value_ == nullptr)
        return 0;
    if (value_->isInt() || value_->isBool())
        return value_->asInt();
    if (value_->isDouble()) {
        double number = value_->asDouble();
        if (std::isfinite(number) && number > std::numeric_limits<int32_t>::min() - 1.0 &&
            number < std::numeric_limits<int32_t>::max() + 1.0)
            return static_cast<int32_t>(number);
    }
    return 0; // strings, containers and numbers beyond 32 bits
}

bool JsonLookup::toBool() const {
    if (value_ == nullptr)
        return false;
    if (value_->isBool())
        return value_->asBool();
    if (value_->isNumeric())
        return value_->asDouble() != 0.0;
    return false;
}

std::string JsonLookup::toString() const {
    return value_ != nullptr && value_->isString() ? value_->asString() : std::string();
}

Json::Value& memberForWrite(Json::Value& parent, const char* name) {
    if (!parent.isNull() && !parent.isObject())
        parent = Json::Value(Json::objectValue);
    return parent[name];
}

Json::Value& elementForWrite(Json::Value& parent, int index) {
    if (!parent.isNull() && !parent.isArray())
        parent = Json::Value(Json::arrayValue);
    return parent[static_cast<Json::ArrayIndex>(index)];
}

} // namespace pelan
