#pragma once

#include <cstdint>
#include <string>
#include <vector>

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

// The kind whose page shows a device of this kind: a mouse behind its wireless receiver shows on the mouse page.
constexpr uint16_t pageKindOf(uint16_t kind) {
    return kind == kDeviceKindWirelessMouse ? uint16_t(kDeviceKindMouse) : kind;
}

// Whether two rows name the same interface: vendor, product, interface and collection numbers.
bool sameInterface(const SupportedDeviceEntry& a, const SupportedDeviceEntry& b);
// Whether two rows are alike in everything the device files give (not the run-time members).
bool sameTableRow(const SupportedDeviceEntry& a, const SupportedDeviceEntry& b);

// The supported-device table as the device files give it now (DeviceFiles.h).
std::vector<SupportedDeviceEntry> supportedDeviceTable();

// The table row a path can belong to by its vendor, product, interface and collection numbers alone; -1 if none.
int matchSupportedPath(const std::vector<SupportedDeviceEntry>& table, const std::string& path);

// The full identification: the path must match a row, and a read-only probe open must then report the row's vendor
// and product ID and the usage page and usage of its collection. The probe is closed again. -1 if it is not one.
int identifySupportedInterface(const std::vector<SupportedDeviceEntry>& table, const std::string& path,
                               HidDevice& probe);

} // namespace pelan
