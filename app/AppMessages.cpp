#include "app/AppMessages.h"

#include "platform/Paths.h"
#include "platform/Trace.h"
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

bool postOutsideMessage(CWindowWnd& window, const IpcMessage& message, MessageDoor door) {
    const std::optional<IpcMessage> admitted = admitOutsideMessage(message, door, kProductTitle);
    if (!admitted) {
        trace("outside message dropped");
        return false;
    }
    window.PostMessage(RegisterWindowMessage(QString::fromStdString(admitted->name)), WPARAM(admitted->wParam),
                       LPARAM(admitted->lParam));
    return true;
}

} // namespace pelan
