#pragma once

#include <array>
#include <cstdint>
#include <string>

namespace pelan {

class HidDevice;

enum DeviceKind : uint16_t {
    kDeviceKindKeyboard = 1,
    kDeviceKindMouse = 2,
    kDeviceKindMousepad = 3,
    kDeviceKindWirelessMouse = 6,
    kDeviceKindHeadset = 7,
};

enum InterfaceRole : uint16_t {
    kInterfaceRoleCommand = 0,
    kInterfaceRoleNotification = 0xFF,
};

// One supported interface: which device and collection it is, and what the program does with it.
struct SupportedDeviceEntry {
    uint16_t vendorId = 0;
    uint16_t productId = 0;
    uint16_t interfaceNumber = 0;
    uint16_t collectionNumber = 0;
    uint16_t deviceKind = 0;
    uint16_t interfaceRole = 0;
    uint16_t connected = 0;
    uint16_t usagePage = 0;
    uint16_t usage = 0;
    uint16_t reserved1 = 0;
    uint16_t reserved2 = 0;
    std::string devicePath;
};

constexpr size_t kSupportedDeviceCount = 7;
using SupportedDeviceTable = std::array<SupportedDeviceEntry, kSupportedDeviceCount>;

// The fixed table of supported interfaces; the keyboard rows carry IDs no real device reports.
const SupportedDeviceTable& supportedDeviceTable();

// The table row a path can belong to by its vendor, product, interface and collection numbers alone; -1 if none.
int matchSupportedPath(const std::string& path);

// The full identification: the path must match a row, and a read-only probe open must then report the row's vendor
// and product ID and the usage page and usage of its collection. The probe is closed again. -1 if it is not one.
int identifySupportedInterface(const std::string& path, HidDevice& probe);

} // namespace pelan
