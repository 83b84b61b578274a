#include "keys/DecimalText.h"

#include <algorithm>
#include <limits>

namespace pelan {

int64_t parseDecimalText(std::string_view text) {
    size_t pos = 0;
    while (pos < text.size() && (text[pos] == ' ' || text[pos] == '\t'))
        ++pos;
    bool negative = false;
    if (pos < text.size() && (text[pos] == '+' || text[pos] == '-'))
        negative = text[pos++] == '-';

    constexpr int64_t limit = std::numeric_limits<int64_t>::max();
    int64_t value = 0;
    for (; pos < text.size() && text[pos] >= '0' && text[pos] <= '9'; ++pos) {
        const int digit = text[pos] - '0';
        value = value > (limit - digit) / 10 ? limit : value * 10 + digit;
    }
    return negative ? -value : value;
}

int64_t parseDecimalTextClamped(std::string_view text, int64_t max) {
    return std::clamp<int64_t>(parseDecimalText(text), 0, max);
}

} // namespace pelan
