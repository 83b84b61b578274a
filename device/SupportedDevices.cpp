#include "device/SupportedDevices.h"

#include "device/HidDevice.h"

namespace pelan {

const SupportedDeviceTable& supportedDeviceTable() {
    static const SupportedDeviceTable table = {{
        {0xFFFF, 0xFFFF, 1, 4, kDeviceKindKeyboard, kInterfaceRoleCommand, 0, 0xFF1C, 0x92, 0, 0, {}},
        {0xFFFF, 0xFFFF, 1, 3, kDeviceKindKeyboard, kInterfaceRoleNotification, 0, 0x000C, 0x01, 0, 0, {}},
        {0x0C45, 0x7643, 1, 4, kDeviceKindMouse, kInterfaceRoleCommand, 0, 0xFF1C, 0x92, 0, 0, {}},
        {0x0C45, 0x7643, 1, 3, kDeviceKindMouse, kInterfaceRoleNotification, 0, 0x000C, 0x01, 0, 0, {}},
        {0x0C45, 0x6627, 1, 4, kDeviceKindMousepad, kInterfaceRoleCommand, 0, 0xFF1C, 0x92, 0, 0, {}},
        {0x0C45, 0x6627, 1, 3, kDeviceKindMousepad, kInterfaceRoleNotification, 0, 0x000C, 0x01, 0, 0, {}},
        {0x0D8C, 0x01DA, 3, 0, kDeviceKindHeadset, kInterfaceRoleCommand, 0, 0x000C, 0x01, 0, 0, {}},
    }};
    return table;
}

int matchSupportedPath(const std::string& path) {
    const uint16_t vendor = HidDevice::parseVendorId(path);
    const uint16_t product = HidDevice::parseProductId(path);
    const uint16_t interface = HidDevice::parseInterfaceNumber(path);
    const uint16_t collection = HidDevice::parseCollectionNumber(path);
    const SupportedDeviceTable& table = supportedDeviceTable();
    for (size_t i = 0; i < table.size(); ++i) {
        const SupportedDeviceEntry& entry = table[i];
        if (entry.vendorId == vendor && entry.productId == product && entry.interfaceNumber == interface &&
            entry.collectionNumber == collection)
            return int(i);
    }
    return -1;
}

int identifySupportedInterface(const std::string& path, HidDevice& probe) {
    const int row = matchSupportedPath(path);
    if (row < 0)
        return -1;
    if (!probe.open(path, true, false, true, false))
        return -1;
    const SupportedDeviceEntry& entry = supportedDeviceTable()[size_t(row)];
    const bool confirmed = probe.attributes.VendorID == entry.vendorId &&
                           probe.attributes.ProductID == entry.productId && probe.caps.UsagePage == entry.usagePage &&
                           probe.caps.Usage == entry.usage && probe.interfaceNumber == entry.interfaceNumber &&
                           probe.collectionNumber == entry.collectionNumber;
    probe.close();
    return confirmed ? row : -1;
}

} // namespace pelan
