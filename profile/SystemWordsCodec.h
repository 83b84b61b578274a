#pragma once

#include "profile/JsonLookup.h"
#include "profile/ProfileRecords.h"

#include <array>

namespace pelan {

// Member names of the six 16-bit halves of SystemWords, in the order low/high of word0, word1, word2.
// nullptr marks a half that is kept elsewhere: it reads as 0 and is not written.
using SystemHalfNames = std::array<const char*, 6>;

SystemWords readSystemWords(const JsonLookup& stored, const SystemHalfNames& names);
void writeSystemWords(Json::Value& stored, const SystemWords& words, const SystemHalfNames& names);

} // namespace pelan
