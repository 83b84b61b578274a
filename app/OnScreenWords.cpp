#include "app/OnScreenWords.h"

#include "platform/Autostart.h"
#include "platform/Paths.h"
#include "platform/SettingsFile.h"
#include "platform/Trace.h"

namespace pelan {
namespace {

constexpr const char* kIconFile = "skin/common/logo.png";
constexpr const char* kOff = "off";
constexpr const char* kOn = "on";
// The program's name as the title: the text itself is short and says what changed.
constexpr const char* kSummary = "ORVANE Pelan";

} // namespace

bool OnScreenWords::enabled() {
    return settingsValue(kSettingKey) != kOff;
}

bool OnScreenWords::setEnabled(bool on) {
    return writeSettingsValue(kSettingKey, on ? kOn : kOff);
}

void OnScreenWords::show(const std::string& text) {
    if (!enabled())
        return;
    DesktopNotification notification;
    notification.summary = kSummary;
    notification.body = text;
    notification.icon = programFolder() + kIconFile;
    notification.desktopEntry = kDesktopAppId;
    notification.urgency = 0;
    trace("on screen: " + text);
    notifier_.postReplacing(std::move(notification));
}

} // namespace pelan
