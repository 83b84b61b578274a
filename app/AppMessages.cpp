#include "app/AppMessages.h"

#include "platform/Paths.h"
#include "ui/UIBase.h"

namespace pelan {
namespace {

AppMessageIds& ids() {
    static AppMessageIds messages;
    return messages;
}

} // namespace

const AppMessageIds& appMessages() {
    return ids();
}

QString productTitle() {
    return QString::fromUtf8(kProductTitle.data(), static_cast<qsizetype>(kProductTitle.size()));
}

UINT registerInstanceMessage() {
    ids().instance = RegisterWindowMessage(productTitle());
    return ids().instance;
}

void registerGuidMessages() {
    ids().settingsRelay = RegisterWindowMessage(kSettingsRelayMessageName);
    ids().lightingOwnerAnnouncement = RegisterWindowMessage(kLightingOwnerAnnouncementName);
    ids().lightingOwnerRequest = RegisterWindowMessage(kLightingOwnerRequestName);
}

const QStringList& hookMessageNames() {
    static const QStringList names = {
        "WM_HOOK_KEY_SINGLEKEY_MSG",       "WM_HOOK_KEY_HITKEY_MSG",        "WM_HOOK_KEY_KBMACRO_MSG",
        "WM_HOOK_KEY_MSMACRO_MSG",         "WM_HOOK_KEY_KBMACROSINGLE_MSG", "WM_HOOK_KEY_KBMACROPREVIOUS_MSG",
        "WM_HOOK_KEY_KBMACROLATER_MSG",    "WM_HOOK_MOU_SINGLEKEY_MSG",     "WM_HOOK_MOU_HITKEY_MSG",
        "WM_HOOK_MOU_KBMACRO_MSG",         "WM_HOOK_MOU_MSMACRO_MSG",       "WM_HOOK_KEY_MSMACROSINGLE_MSG",
        "WM_HOOK_KEY_MSMACROPREVIOUS_MSG", "WM_HOOK_KEY_MSMACROLATER_MSG",  "UWM_MOUSERBUTTONDOWN_USER_MSG",
        "UWM_MOUSELBUTTONUP_USER_MSG",     "UWM_MOUSELBUTTONDOWN_USER_MSG", "UWM_MOUSERBUTTONUP_USER_MSG",
        "UWM_MOUSEMOVE_USER_MSG",
    };
    return names;
}

void registerHookMessages() {
    for (const QString& name : hookMessageNames())
        RegisterWindowMessage(name);
}

} // namespace pelan
