#pragma once

#include "platform/Ipc.h"
#include "ui/UIDefs.h"

#include <QString>

// Window messages the shell, its workers and sibling programs exchange.
namespace pelan {

class CWindowWnd;

inline constexpr UINT UWM_SHOW_PROGRESS_MSG = 3072;
inline constexpr UINT UWM_LANGUAGE_CHANGED_MSG = 3089;
inline constexpr UINT UWM_DEVICE_ARRIVAL_MSG = 3090;
inline constexpr UINT UWM_DEVICE_REMOVAL_MSG = 3091;
inline constexpr UINT UWM_SHOW_SETTINGS_MSG = 3093;
inline constexpr UINT UWM_CLEAR_UPDATE_BADGE_MSG = 3094;
inline constexpr UINT UWM_HOOK_SWITCH_MSG = 1054;

inline constexpr const char* kSettingsRelayMessageName = kSettingsRelayName;

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
// Posts a message another process sent to the window as the registered message it names, when the door admits it
// (admitOutsideMessage); anything else is dropped without registering its name. False when dropped.
bool postOutsideMessage(CWindowWnd& window, const IpcMessage& message, MessageDoor door);

} // namespace pelan
