#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "device/SupportedDevices.h"

// The supported-device table is read from device files, one per device:
//
//     name = ORVANE Pelan Gaming Mouse
//     kind = mouse
//     interface = 0c45:7643 01 04 command ff1c:0092
//     interface = 0c45:7643 01 03 notification 000c:0001
//
// An interface line holds vendor:product, the USB interface number, the collection number, the role (command or
// notification), usage-page:usage and, for a mouse behind its wireless receiver, the word "wireless". Numbers are
// hexadecimal; '#' starts a comment line.
//
// Files named *.device are read from the shipped folder (default data folder + "devices/"), in emulated runs its
// "demo/" folder, then /etc/orvane-pelan/devices.d/ and $XDG_CONFIG_HOME/orvane-pelan/devices.d/. A file replaces
// one of the same name in an earlier folder; rows follow the order of the file names. A file that cannot be read or
// holds a bad line is left out whole, with a trace line naming it and the line.
namespace pelan {

inline constexpr std::string_view kDeviceFileSuffix = ".device";

// One device file's contents.
struct DeviceFile {
    std::string name;
    uint16_t kind = 0;
    std::vector<SupportedDeviceEntry> rows;
};

// One row of the table and the file it came from.
struct KnownInterface {
    SupportedDeviceEntry entry;
    std::string deviceName;
    std::string file;
};
using KnownDeviceTable = std::vector<KnownInterface>;

// The device file's rows, or nullopt with `error` naming the line ("line 4: ...").
std::optional<DeviceFile> parseDeviceFile(std::string_view text, std::string& error);
// The text of a device file that parseDeviceFile reads back as `file`.
std::string formatDeviceFile(const DeviceFile& file);

// The kind number of a kind name of the files ("mouse"), 0 for another word; and back ("" for an unknown number;
// kind 6 is "mouse").
uint16_t deviceKindFromName(std::string_view name);
std::string deviceKindFileName(uint16_t kind);

// The folders of the device files, in the order they are read.
std::string shippedDeviceFileFolder();
std::string userDeviceFileFolder();
std::vector<std::string> deviceFileFolders();
// Whether this run serves emulated devices: the hidraw root is moved away from "/".
bool emulatedRun();

// The table from the files of these folders; a later folder's row wins over an earlier one's for the same
// interface (vendor, product, interface and collection), which the trace tells.
KnownDeviceTable loadDeviceFiles(const std::vector<std::string>& folders);
// The table from the standard folders.
KnownDeviceTable loadKnownDevices();
std::vector<SupportedDeviceEntry> tableEntries(const KnownDeviceTable& table);

} // namespace pelan
