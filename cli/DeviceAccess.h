#pragma once

#include <json/value.h>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "cli/CommandLine.h"
#include "device/HidDevice.h"
#include "device/SupportedDevices.h"
#include "device/UsbDeviceModel.h"
#include "profile/CBasicProfiledata.h"
#include "profile/ProfileList.h"

namespace pelan {
class MouseDevice;
class KeyboardDevice;
} // namespace pelan

namespace pelan::cli {

// The device kind number of the supported-device table for a kind of the command line.
uint16_t deviceKindNumber(CliKind kind);
std::string_view deviceKindName(uint16_t deviceKindNumber);

// One supported interface found on the machine, with what its probe reported.
struct FoundInterface {
    std::string path;
    SupportedDeviceEntry entry;
    HidAttributes attributes;
    HidCaps caps;
};

// Every supported interface present, in enumeration order.
std::vector<FoundInterface> findSupportedInterfaces();

// The command interface of a kind, when one is present.
std::optional<FoundInterface> findCommandInterface(CliKind kind);

// The light effect byte is the direction: 1 left, 0 right.
inline constexpr uint8_t kLightDirectionLeft = 1;
inline constexpr uint8_t kLightDirectionRight = 0;

class DeviceAccess;
// The line that tells which members of a profile (`where`: a file) were brought to the nearest value the device
// takes.
std::string outOfRangeNotice(const std::string& where, const std::vector<std::string>& members);
// The notices of every profile load of this process that had to clamp members, joined; "" when none. Taken once.
std::string takeLoadNotices();

// After a key table write: which of these keys the write could not carry, as an error text ("" when none).
std::string unplacedKeysText(DeviceAccess& access, const std::vector<size_t>& keys);

// A light setting as the commands show it.
Json::Value lightDocument(const LightInfo& light);
// A colour as RRGGBB in lower-case hexadecimal.
std::string colourText(uint8_t red, uint8_t green, uint8_t blue);

// What a protocol result means, for an error line.
std::string protocolResultText(int result);

// A device kind as the program's window holds it: the device model, its profile data and its profile list. The
// commands reach the device only through the model, so they write what the window writes.
class DeviceAccess {
public:
    static std::unique_ptr<DeviceAccess> make(CliKind kind);
    virtual ~DeviceAccess() = default;

    CliKind kind() const { return kind_; }
    virtual UsbDeviceModel& model() = 0;
    virtual CBasicProfiledata& profile() = 0;
    // Whether the kind has programmable keys and macros.
    virtual bool hasKeys() const { return false; }
    // The model as its own class, for what only that kind has; null for the other kinds.
    virtual MouseDevice* mouse() { return nullptr; }
    virtual KeyboardDevice* keyboard() { return nullptr; }
    // Whether key `index` of the key list was found in the key table read from the device, so that a key table
    // write carries its assignment (after prepareForWrite).
    virtual bool keyHasPosition(size_t /*index*/) { return false; }

    // The kind's user device folder; "" when it cannot be made.
    std::string userFolder();

    // Binds the profile list as the profile panel does (the first start makes "profile1") and points the model at
    // the selected profile. An error text, or "" on success.
    std::string bindProfiles();
    ProfileList& profiles() { return profiles_; }

    // Finds and opens the kind's command interface and marks the model connected. An error text, or "".
    std::string connect();

    // What a page has read before it writes: the device's tables and records, then the selected profile loaded
    // into the model. 1 on success, else the failing protocol result.
    int prepareForWrite();
    // Reads the device's settings into the model (and, as the window's sync does, into the profile). 1 on
    // success, else the failing protocol result.
    int readSettingsForShow();
    // The settings last read, decoded.
    virtual Json::Value settingsDocument() = 0;
    // The light setting last read from the device.
    virtual LightInfo deviceLight() = 0;

    // After the profile data changed: save the profile file, load it into the model again and write the
    // settings to the device. 1 on success, else an error text through `error`.
    bool writeSettingsFromProfile(std::string& error);

    // The whole selected profile onto the device, as the reset action writes it. "" on success, else what failed.
    std::string applyProfile();
    // The macro memory and then the key table, as the window's macro action writes them. "" on success, else
    // what failed.
    virtual std::string applyMacros();

protected:
    explicit DeviceAccess(CliKind kind) : kind_(kind) {}
    // Keeps for takeLoadNotices what the model's profile loads brought into range: each kind calls it as it ends.
    void keepLoadNotice();
    virtual int readDeviceTables() = 0;
    virtual int readSettings() = 0;

private:
    CliKind kind_;
    ProfileList profiles_;
};

} // namespace pelan::cli
