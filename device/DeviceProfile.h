#pragma once

#include "device/UsbDeviceModel.h"
#include "profile/CBasicProfiledata.h"

namespace pelan {

// Points a device's profile data at its files: the default profile of its kind, the profile named by the
// model's profileName in the user device folder, and the folder's light configuration.
void setDeviceProfilePaths(const UsbDeviceModel& model, CBasicProfiledata& profile);

// Sets the paths and loads the profile named by the model's profileName. False (nothing loaded) when there is
// no profile name or no user device folder. Members out of the device's ranges are clamped, the file is stored so
// and the model keeps what changed (clampedProfilePath, clampedProfileMembers).
bool loadDeviceProfile(UsbDeviceModel& model, CBasicProfiledata& profile);

// The members the last profile load clamped, and the file's path through `path`; both are cleared, so the user is
// told once. Empty when every load was in range.
std::vector<std::string> takeProfileLoadChanges(UsbDeviceModel& model, std::string* path = nullptr);

// The device profile slot a whole profile is written into: the active profile the keyboard, mousepad or headset
// reported last, 0 for the mouse (whose settings write finds its slot itself).
int activeProfileSlot(UsbDeviceModel& model);

// What each step of a whole-profile write returned.
struct ProfileApplyResult {
    int settingsResult = 0;
    int macroResult = 0; // 0 written or none, -1 failed, else the events that do not fit plus one
    int keyResult = 0;   // the key table write; 1 (accepted) on a device without keys
};

// True for the kinds whose profile holds key functions and macros (mouse and keyboard).
bool deviceHasKeys(const UsbDeviceModel& model);

// The profile that holds the model's key list (the mouse's or the keyboard's); null for kinds without keys.
CBasicProfiledata* keyProfileOf(UsbDeviceModel& model);

// What giving one key a new function did.
struct KeyStoreResult {
    bool known = false; // the profile has a key at that index; nothing changed otherwise
    bool saved = false; // the profile file was written
    int keyResult = 0;  // the key table write; 0 when no device is connected
    // A macro given to a key of a connected device: its memory first. Anything but 0 (see applyMacros) left the
    // key, the file and the device as they were.
    UsbDeviceModel::MacroApplyResult macros;
};

// Gives key `index` of the model's profile a new function: into the key list, the profile file, and, while a
// device is connected, its key table, after the macro memory when the function plays a macro.
KeyStoreResult storeKeyAssignment(UsbDeviceModel& model, size_t index, KeyAssignment value);

// Loads the model's profile file into it and writes the whole profile to the device, whatever its kind: the
// settings into the active profile slot, then, where the kind has them, the macro memory and the key table.
// Every step is tried, so one refused part does not keep the others from the device.
ProfileApplyResult applyWholeProfile(UsbDeviceModel& model);

// Loads the model's profile file into it (after profileName changed) and writes to the connected device only what
// differs, as after a re-plug: the settings the device no longer holds (reapplyProfile), the macro memory when its
// image changed, and the key table when the new profile's keys differ from the previous profile's. Returns the
// names of the parts written.
std::vector<std::string> applyChangedParts(UsbDeviceModel& model);

} // namespace pelan
