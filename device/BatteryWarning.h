#pragma once

namespace pelan {

// When to warn about a battery running low: once as it falls below 15 %, once more below 5 %, and only while the
// device runs on its battery. A warning is given again only after the battery was charged or rose clear of the level
// it warned about, so a reading that wavers around a level does not repeat it.
class BatteryWarning {
public:
    static constexpr int kLowPercent = 15;
    static constexpr int kCriticalPercent = 5;
    // How far above a level the battery must rise before that level warns again.
    static constexpr int kRearmMargin = 3;

    // Takes one reading; returns the level just fallen below (15 or 5), or 0 for no warning.
    int observe(int percent, bool onBattery);

private:
    // The lowest level warned about since the battery last charged; above kLowPercent when none.
    int warnedLevel_ = kLowPercent + 1;
};

} // namespace pelan
