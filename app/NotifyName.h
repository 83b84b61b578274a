#pragma once

#include <QString>
#include <climits>

namespace pelan {

// A control name split at its last underscore: "DPI_slider_3" gives the prefix "DPI_slider_" and the index 3.
// The index is the value of the leading digits after the underscore, 0 when there are none; a name without an
// underscore does not split.
struct NotifyName {
    QString prefix;
    int index = 0;
    bool split = false;
};

inline NotifyName splitNotifyName(const QString& name) {
    NotifyName result;
    const qsizetype underscore = name.lastIndexOf(QLatin1Char('_'));
    if (underscore < 0)
        return result;
    result.split = true;
    result.prefix = name.left(underscore + 1);
    // Digits beyond what an int holds stop the index where it would overflow.
    for (qsizetype i = underscore + 1; i < name.size() && name[i].isDigit() && name[i].unicode() < 0x80; ++i) {
        const int digit = name[i].unicode() - '0';
        if (result.index > (INT_MAX - digit) / 10)
            break;
        result.index = result.index * 10 + digit;
    }
    return result;
}

} // namespace pelan
