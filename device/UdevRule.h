#pragma once

#include <string>

#include "device/DeviceFiles.h"

namespace pelan {

inline constexpr const char* kUdevRuleFileName = "70-orvane-pelan.rules";

// The udev rule that gives the user at the seat access to the hidraw nodes of the table's interfaces, and only to
// those: a node matches by its USB interface number as well as by the device's vendor and product IDs.
std::string udevRule(const KnownDeviceTable& table);

// The shell command that installs the rule printed by `pelanctl udev-rule`.
std::string udevRuleInstallCommand();

} // namespace pelan
