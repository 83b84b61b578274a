#include "device/BatteryWarning.h"

namespace pelan {

int BatteryWarning::observe(int percent, bool onBattery) {
    if (!onBattery) {
        warnedLevel_ = kLowPercent + 1;
        return 0;
    }
    // Risen clear of the levels warned about: they may warn again.
    if (warnedLevel_ <= kCriticalPercent && percent >= kCriticalPercent + kRearmMargin)
        warnedLevel_ = kLowPercent;
    if (warnedLevel_ <= kLowPercent && percent >= kLowPercent + kRearmMargin)
        warnedLevel_ = kLowPercent + 1;
    const int level = percent < kCriticalPercent ? kCriticalPercent : percent < kLowPercent ? kLowPercent : 0;
    if (level == 0 || level >= warnedLevel_)
        return 0;
    warnedLevel_ = level;
    return level;
}

} // namespace pelan
