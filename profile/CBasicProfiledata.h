#pragma once

#include "keys/KeyAssignment.h"
#include "profile/JsonFileStore.h"
#include "profile/JsonLookup.h"
#include "profile/ProfileRecords.h"

#include <functional>
#include <json/value.h>
#include <string>
#include <vector>

namespace pelan {

// The selected profile of one device page: the profile's device node ("Device"[deviceSlot]) as a JSON tree, typed
// read and write operations on it, and a decoded copy of what was last read or written. Writes change the tree
// only; saveProfile puts it into the file. Reads look members up with creating subscripts, so a member that was
// read while missing is stored as null at the next save. A member of an unexpected JSON type reads as missing.
// The mousepad page uses this class as it is; the other kinds add their members in subclasses.
class CBasicProfiledata {
public:
    CBasicProfiledata() = default;
    virtual ~CBasicProfiledata() = default;

    // Writes the device node into the profile file. 0 on success, 1 when the file could not be written.
    virtual int saveProfile();
    // Replaces "Device"[deviceSlot] of the file at path with node, keeping the file's other members.
    virtual int saveDeviceNode(const Json::Value& node, const std::string& path);
    virtual int writeProfileFile(const Json::Value& tree, const std::string& path);

    void setProfilePath(const std::string& path);
    const std::string& getProfilePath() const { return profilePath; }
    void setDefaultProfilePath(const std::string& path);
    const std::string& getDefaultProfilePath() const { return defaultProfilePath; }
    void setLightConfigPath(const std::string& path) { lightConfigPath = path; }
    const std::string& getLightConfigPath() const { return lightConfigPath; }
    void setDeviceSlot(int slot) { deviceSlot = slot; }
    int getDeviceSlot() const { return deviceSlot; }

    // Loads the device node of the profile at path. A profile without a usable node takes the default profile's
    // node, and the profile file is rewritten with it: its other members are kept, a file that is not a profile
    // object is first kept aside (".broken-<time>"), and a missing name and identifier come from the profile list
    // and the file name. Without a default profile nothing is written and the node is null. Returns a copy.
    Json::Value loadProfile(const std::string& path);
    const Json::Value& getDeviceNode() const { return deviceNode; }
    // Lets a check bring the loaded device node into the device's ranges before it is read; returns what the check
    // names as changed.
    using NodeCheck = std::function<std::vector<std::string>(Json::Value& node)>;
    std::vector<std::string> checkDeviceNode(const NodeCheck& check) { return check(deviceNode); }

    // Loads the light configuration file; light effect files named by it are looked up in the same folder.
    Json::Value loadLightConfig(const std::string& path);

    LightInfo readLightInfo();
    // mode, brightness, speed, effect in `first` (low byte first), multicolour, red, green, blue in `second`,
    // extra0-extra2 in the low three bytes of `third`.
    void writeLightInfo(uint32_t first, uint32_t second, uint32_t third);
    void writeLightInfo(const LightInfo& info);
    const LightInfo& getLightInfo() const { return lightInfo; }

    std::vector<LightListEntry> readLightList();
    const std::vector<LightListEntry>& getLightList() const { return lightList; }
    std::vector<KeyRecord> readKeyList();
    const std::vector<KeyRecord>& getKeyList() const { return keyList; }
    // Writes the current assignment of each record; "DefaultAssignment" and elements past the list stay.
    void writeKeyList(const std::vector<KeyRecord>& records);

    // The steps of the light effect file of the current light mode (from the light configuration's "Guid").
    // A "Guid" that would leave the light configuration's folder is refused and gives no steps.
    std::vector<LedEffectStep> readLedEffects();
    // The same for entry `entry` of the light configuration (the keyboard's chosen custom mode).
    std::vector<LedEffectStep> readLedEffects(int entry);
    const std::vector<LedEffectStep>& getLedEffects() const { return ledEffects; }

protected:
    // The device node with creating look-ups, and its write access.
    JsonLookup node() { return JsonLookup(deviceNode); }
    Json::Value& nodeForWrite(const char* name) { return memberForWrite(deviceNode, name); }

    JsonFileStore store;
    Json::Value deviceNode;

private:
    std::string lightEffectPath(const std::string& guid) const;

    std::string profilePath;
    std::string defaultProfilePath;
    LightInfo lightInfo;
    std::vector<LightListEntry> lightList;
    std::string lightConfigPath;
    std::string lightConfigFolder;
    std::vector<LedEffectStep> ledEffects;
    Json::Value lightConfig;
    std::vector<KeyRecord> keyList;
    int deviceSlot = 0;
};

} // namespace pelan
