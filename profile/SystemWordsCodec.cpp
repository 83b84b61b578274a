#include "profile/SystemWordsCodec.h"

namespace pelan {
namespace {

uint16_t readHalf(const JsonLookup& stored, const char* name) {
    return name ? stored[name].toWord() : 0;
}

void writeHalf(Json::Value& stored, const char* name, uint16_t value) {
    if (name)
        memberForWrite(stored, name) = value;
}

} // namespace

SystemWords readSystemWords(const JsonLookup& stored, const SystemHalfNames& names) {
    return {packHalves(readHalf(stored, names[0]), readHalf(stored, names[1])),
            packHalves(readHalf(stored, names[2]), readHalf(stored, names[3])),
            packHalves(readHalf(stored, names[4]), readHalf(stored, names[5]))};
}

void writeSystemWords(Json::Value& stored, const SystemWords& words, const SystemHalfNames& names) {
    const uint32_t packed[] = {words.word0, words.word1, words.word2};
    for (std::size_t word = 0; word < 3; ++word) {
        writeHalf(stored, names[2 * word], lowHalf(packed[word]));
        writeHalf(stored, names[2 * word + 1], highHalf(packed[word]));
    }
}

} // namespace pelan
