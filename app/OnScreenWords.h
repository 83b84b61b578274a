#pragma once

#include "platform/DesktopNotification.h"

#include <string>

namespace pelan {

// The short desktop notification that says what just changed on a device ("DPI 1600", "Profile: FPS"): a DPI stage
// or profile changed with the mouse's own buttons, or a profile that followed the application in front. Each one
// takes the place of the previous instead of stacking. The user can switch them off (kept in the settings file).
class OnScreenWords {
public:
    static constexpr const char* kSettingKey = "onscreen_words";

    static bool enabled();
    // False when the choice could not be stored.
    static bool setEnabled(bool on);

    // Shows `text` unless switched off.
    void show(const std::string& text);

private:
    DesktopNotifier notifier_;
};

} // namespace pelan
