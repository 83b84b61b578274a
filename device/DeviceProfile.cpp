#include "device/DeviceProfile.h"

#include "device/KeyboardDevice.h"
#include "device/MouseDevice.h"
#include "device/PadRecordDevice.h"
#include "device/ProfileLimits.h"
#include "keys/KeyAssignment.h"
#include "platform/Trace.h"

#include "profile/DefaultFiles.h"

#include <utility>

namespace pelan {

void setDeviceProfilePaths(const UsbDeviceModel& model, CBasicProfiledata& profile) {
    profile.setDefaultProfilePath(model.defaultProfilePath());
    profile.setProfilePath(model.profileFilePath(model.profileName));
    const std::string folder = model.userDeviceFolder();
    if (folder.empty())
        return;
    provideLightFiles(folder);
    profile.setLightConfigPath(lightConfigPath(folder));
}

bool loadDeviceProfile(UsbDeviceModel& model, CBasicProfiledata& profile) {
    const std::string path = model.profileFilePath(model.profileName);
    if (path.empty())
        return false;
    setDeviceProfilePaths(model, profile);
    profile.loadProfile(path);
    // A file edited by hand, or stored before these checks, may hold what the device cannot take: it is brought
    // into range and stored so.
    const ProfileLimits limits =
        profileLimitsOfKind(dynamic_cast<const MouseDevice*>(&model) != nullptr      ? kDeviceKindMouse
                            : dynamic_cast<const KeyboardDevice*>(&model) != nullptr ? kDeviceKindKeyboard
                                                                                     : kDeviceKindMousepad);
    std::vector<std::string> changed =
        profile.checkDeviceNode([&limits](Json::Value& node) { return clampDeviceNode(node, limits); });
    if (!changed.empty()) {
        trace("profile " + path + ": out of range, changed " + joinMemberPaths(changed));
        profile.saveProfile();
        model.clampedProfilePath = path;
        model.clampedProfileMembers = std::move(changed);
    }
    return true;
}

std::vector<std::string> takeProfileLoadChanges(UsbDeviceModel& model, std::string* path) {
    if (path != nullptr)
        *path = std::move(model.clampedProfilePath);
    model.clampedProfilePath.clear();
    return std::exchange(model.clampedProfileMembers, {});
}

int activeProfileSlot(UsbDeviceModel& model) {
    if (auto* keyboard = dynamic_cast<KeyboardDevice*>(&model))
        return keyboard->currentProfile();
    if (auto* pad = dynamic_cast<PadRecordDevice*>(&model))
        return pad->padRecord().profile;
    return 0;
}

bool deviceHasKeys(const UsbDeviceModel& model) {
    return dynamic_cast<const MouseDevice*>(&model) != nullptr ||
           dynamic_cast<const KeyboardDevice*>(&model) != nullptr;
}

CBasicProfiledata* keyProfileOf(UsbDeviceModel& model) {
    if (auto* mouse = dynamic_cast<MouseDevice*>(&model))
        return &mouse->profileData;
    if (auto* keyboard = dynamic_cast<KeyboardDevice*>(&model))
        return &keyboard->profileData();
    return nullptr;
}

KeyStoreResult storeKeyAssignment(UsbDeviceModel& model, size_t index, KeyAssignment value) {
    KeyStoreResult outcome;
    CBasicProfiledata* profile = keyProfileOf(model);
    if (profile == nullptr)
        return outcome;
    std::vector<KeyRecord> keys = profile->getKeyList();
    if (index >= keys.size())
        return outcome;
    outcome.known = true;
    const bool connected = model.commandChannel.connected.load() != 0;
    if (connected && namesMacro(value)) {
        outcome.macros = model.writeChangedMacros();
        if (outcome.macros.macroResult != 0)
            return outcome;
    }
    keys[index].current = value;
    profile->writeKeyList(keys);
    outcome.saved = model.saveProfile() == 0;
    if (connected)
        outcome.keyResult = model.writeCurrentKeys(0);
    return outcome;
}

ProfileApplyResult applyWholeProfile(UsbDeviceModel& model) {
    ProfileApplyResult outcome;
    model.loadProfileIntoPage();
    model.refreshPage();
    outcome.settingsResult = model.writeSettings(activeProfileSlot(model), 0);
    if (!deviceHasKeys(model)) {
        outcome.keyResult = kResultAccepted;
        return outcome;
    }
    outcome.macroResult = model.writeMacros();
    outcome.keyResult = model.writeCurrentKeys(0);
    return outcome;
}

} // namespace pelan

namespace pelan {

std::vector<std::string> applyChangedParts(UsbDeviceModel& model) {
    CBasicProfiledata* keyProfile = keyProfileOf(model);
    const std::vector<KeyRecord> previousKeys =
        keyProfile != nullptr ? keyProfile->getKeyList() : std::vector<KeyRecord>{};
    model.loadProfileIntoPage();
    model.refreshPage();
    std::vector<std::string> written = model.reapplyProfile();
    if (keyProfile == nullptr || model.commandChannel.connected.load() == 0)
        return written;
    // The key table read back cannot be compared (many devices answer with the factory layout); the previous
    // profile's keys are what this program wrote. The macros are the kind's, not the profile's: their memory is
    // sent only when it is not what this connection wrote, so no key names a macro the device lacks.
    if (keyProfile->getKeyList() == previousKeys || model.writeChangedMacros().macroResult != 0)
        return written;
    if (model.writeCurrentKeys(0) == kResultAccepted)
        written.emplace_back("keys");
    return written;
}

} // namespace pelan
