#pragma once

#include "platform/Ipc.h"
#include "ui/UIDefs.h"

#include <QString>
#include <QStringList>

// Window messages the shell, its workers and sibling programs exchange.
namespace pelan {

inline constexpr UINT UWM_SHOW_PROGRESS_MSG = 3072;
inline constexpr UINT UWM_LANGUAGE_CHANGED_MSG = 3089;
inline constexpr UINT UWM_DEVICE_ARRIVAL_MSG = 3090;
inline constexpr UINT UWM_DEVICE_REMOVAL_MSG = 3091;
inline constexpr UINT UWM_SHOW_SETTINGS_MSG = 3093;
inline constexpr UINT UWM_CLEAR_UPDATE_BADGE_MSG = 3094;
inline constexpr UINT UWM_HOOK_SWITCH_MSG = 1054;

inline constexpr const char* kSettingsRelayMessageName = kSettingsRelayName;
inline constexpr const char* kLightingOwnerAnnouncementName = "{4695579F-999A-41d4-9FAF-EFFCE93EBF16}";
inline constexpr const char* kLightingOwnerRequestName = "{4695579F-999A-41d4-9FAF-EFFCE93EBF17}";

// Ids of the registered messages, written once at start-up and read by the main window and its workers.
struct AppMessageIds {
    UINT instance = 0;
    UINT settingsRelay = 0;
    UINT lightingOwnerAnnouncement = 0;
    UINT lightingOwnerRequest = 0;
};

const AppMessageIds& appMessages();
// The product title as the UI uses it (window caption, tray tooltip, instance message name).
QString productTitle();
// Registers the instance message (named by the product title).
UINT registerInstanceMessage();
// Registers the three GUID-named messages.
void registerGuidMessages();
// Names of the macro recording hook messages, in registration order.
const QStringList& hookMessageNames();
void registerHookMessages();

} // namespace pelan
