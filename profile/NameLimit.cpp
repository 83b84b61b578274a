#include "profile/NameLimit.h"

namespace pelan {
namespace {

bool continuesCharacter(char byte) {
    return (static_cast<unsigned char>(byte) & 0xC0) == 0x80;
}

} // namespace

std::size_t nameLength(const std::string& name) {
    std::size_t length = 0;
    for (char byte : name)
        length += continuesCharacter(byte) ? 0 : 1;
    return length;
}

bool fitsNameLength(const std::string& name) {
    return nameLength(name) <= kMaxNameLength;
}

std::string cutToNameLength(const std::string& name) {
    std::size_t characters = 0;
    for (std::size_t i = 0; i < name.size(); ++i) {
        if (continuesCharacter(name[i]))
            continue;
        if (++characters > kMaxNameLength)
            return name.substr(0, i);
    }
    return name;
}

} // namespace pelan
