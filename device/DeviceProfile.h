#pragma once

#include "device/UsbDeviceModel.h"
#include "profile/CBasicProfiledata.h"

namespace pelan {

// Points a device's profile data at its files: the default profile of its kind, the profile named by the
// model's profileName in the user device folder, and the folder's light configuration.
void setDeviceProfilePaths(const UsbDeviceModel& model, CBasicProfiledata& profile);

// Sets the paths and loads the profile named by the model's profileName. False (nothing loaded) when there is
// no profile name or no user device folder.
bool loadDeviceProfile(const UsbDeviceModel& model, CBasicProfiledata& profile);

// The device profile slot a whole profile is written into: the active profile the keyboard, mousepad or headset
// reported last, 0 for the mouse (whose settings write finds its slot itself).
int activeProfileSlot(UsbDeviceModel& model);

} // namespace pelan
