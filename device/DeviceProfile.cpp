#include "device/DeviceProfile.h"

#include "profile/DefaultFiles.h"

namespace pelan {

void setDeviceProfilePaths(const UsbDeviceModel& model, CBasicProfiledata& profile) {
    profile.setDefaultProfilePath(model.defaultProfilePath());
    profile.setProfilePath(model.profileFilePath(model.profileName));
    const std::string folder = model.userDeviceFolder();
    if (!folder.empty())
        profile.setLightConfigPath(lightConfigPath(folder));
}

bool loadDeviceProfile(const UsbDeviceModel& model, CBasicProfiledata& profile) {
    const std::string path = model.profileFilePath(model.profileName);
    if (path.empty())
        return false;
    setDeviceProfilePaths(model, profile);
    profile.loadProfile(path);
    return true;
}

} // namespace pelan
