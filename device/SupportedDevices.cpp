#include "device/SupportedDevices.h"

#include "device/DeviceFiles.h"
#include "device/HidDevice.h"

namespace pelan {

bool sameInterface(const SupportedDeviceEntry& a, const SupportedDeviceEntry& b) {
    return a.vendorId == b.vendorId && a.productId == b.productId && a.interfaceNumber == b.interfaceNumber &&
           a.collectionNumber == b.collectionNumber;
}

bool sameTableRow(const SupportedDeviceEntry& a, const SupportedDeviceEntry& b) {
    return sameInterface(a, b) && a.deviceKind == b.deviceKind && a.interfaceRole == b.interfaceRole &&
           a.usagePage == b.usagePage && a.usage == b.usage;
}

std::vector<SupportedDeviceEntry> supportedDeviceTable() {
    return tableEntries(loadKnownDevices());
}

int matchSupportedPath(const std::vector<SupportedDeviceEntry>& table, const std::string& path) {
    SupportedDeviceEntry fromPath;
    fromPath.vendorId = HidDevice::parseVendorId(path);
    fromPath.productId = HidDevice::parseProductId(path);
    fromPath.interfaceNumber = HidDevice::parseInterfaceNumber(path);
    fromPath.collectionNumber = HidDevice::parseCollectionNumber(path);
    for (size_t i = 0; i < table.size(); ++i)
        if (sameInterface(table[i], fromPath))
            return int(i);
    return -1;
}

int identifySupportedInterface(const std::vector<SupportedDeviceEntry>& table, const std::string& path,
                               HidDevice& probe) {
    const int row = matchSupportedPath(table, path);
    if (row < 0)
        return -1;
    if (!probe.open(path, true, false, true, false))
        return -1;
    const SupportedDeviceEntry& entry = table[size_t(row)];
    const bool confirmed = probe.attributes.VendorID == entry.vendorId &&
                           probe.attributes.ProductID == entry.productId && probe.caps.UsagePage == entry.usagePage &&
                           probe.caps.Usage == entry.usage && probe.interfaceNumber == entry.interfaceNumber &&
                           probe.collectionNumber == entry.collectionNumber;
    probe.close();
    return confirmed ? row : -1;
}

} // namespace pelan
