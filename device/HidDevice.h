#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "device/ReportDescriptor.h"
#include "platform/Hidraw.h"

namespace pelan {

// The vendor and product identity of an open interface, with the USB device's version number.
struct HidAttributes {
    uint16_t VendorID = 0;
    uint16_t ProductID = 0;
    uint16_t VersionNumber = 0;
};

// The capabilities of an open top-level collection.
struct HidCaps {
    uint16_t Usage = 0;
    uint16_t UsagePage = 0;
    uint16_t InputReportByteLength = 0;
    uint16_t OutputReportByteLength = 0;
    uint16_t FeatureReportByteLength = 0;
    uint16_t NumberInputButtonCaps = 0;
    uint16_t NumberInputValueCaps = 0;
    uint16_t NumberOutputButtonCaps = 0;
    uint16_t NumberOutputValueCaps = 0;
    uint16_t NumberFeatureButtonCaps = 0;
    uint16_t NumberFeatureValueCaps = 0;
};

constexpr uint32_t kHidStatusSuccess = 0x110000;
constexpr uint32_t kHidStatusBufferTooSmall = 0xC0110007;

// One button or value field of one report kind, filled by unpackReport.
struct HidData {
    uint16_t UsagePage = 0;
    uint32_t Status = 0;
    uint8_t ReportID = 0;
    bool IsButtonData = false;
    bool IsDataSet = false;
    // Buttons: the usage range, and the usages found on in the last report (0-terminated when shorter).
    uint16_t UsageMin = 0;
    uint16_t UsageMax = 0;
    uint32_t MaxUsageListLength = 0;
    std::vector<uint16_t> Usages;
    // Values: the usage, its raw and its scaled value.
    uint16_t Usage = 0;
    uint32_t Value = 0;
    int32_t ScaledValue = 0;
    // Where the data sits in the collection's fields.
    size_t fieldIndex = 0;
    uint32_t slot = 0;
};

// The buffers of one report kind.
struct HidReportBlock {
    std::vector<uint8_t> report;
    std::vector<HidData> data;
    uint32_t buttonCapsCount = 0;
    uint32_t valueCapsCount = 0;
};

// Enumerator of HID interface paths and one open HID interface (one top-level collection of a hidraw node).
// Paths have the shape \\?\hid#vid_0c45&pid_7643&mi_01&col04#hidraw3: "&mi_" for a composite USB device,
// "&col" with the 1-based collection number when the node has more than one top-level collection, and the node
// name after the last "#".
class HidDevice {
public:
    HidDevice();
    ~HidDevice();
    HidDevice(const HidDevice&) = delete;
    HidDevice& operator=(const HidDevice&) = delete;

    bool enumerate();
    // The next path of the last enumeration, or nothing when the list is empty or exhausted.
    std::optional<std::string> nextDevicePath();
    void freePathList();
    uint32_t pathCount() const { return uint32_t(pathList.size()); }

    bool open(const std::string& path, bool read, bool write, bool overlapped, bool exclusive);
    void close();
    bool isOpen() const { return handle != nullptr && handle->isOpen(); }

    // One report of the open collection; nonzero on success. A time-out of 0xFFFFFFFF waits without limit; close()
    // from another thread ends the wait with 0. Nothing is written into `buffer` after the call returned.
    // With a filter, the read waits (within the same time-out) past the reports the filter refuses.
    int readReport(uint32_t length, uint32_t& bytesRead, uint8_t* buffer, uint32_t timeoutMs,
                   const platform::ReportFilter& accept = nullptr);
    // Nonzero only when the whole report went out.
    int writeReport(uint32_t length, uint32_t& bytesWritten, const uint8_t* buffer, uint32_t timeoutMs);
    // Reads away, without waiting, the input already queued for the collection; each report goes to `seen`.
    size_t discardInput(const platform::ReportFilter& seen = nullptr);

    // Decodes a received report into the entries of `data` whose report ID equals the report's first byte.
    bool unpackReport(std::vector<HidData>& data, const uint8_t* report, uint32_t reportLength,
                      HidReportKind kind) const;

    static uint16_t parseVendorId(const std::string& path);
    static uint16_t parseProductId(const std::string& path);
    static uint16_t parseInterfaceNumber(const std::string& path);
    static uint16_t parseCollectionNumber(const std::string& path);

    // Whether the interface of a path is still there: its node exists and reports the path's vendor and product.
    static bool interfacePresent(const std::string& path);

    // Builds the path of one collection of a node.
    static std::string makeInterfacePath(const platform::HidrawNodeInfo& node, int collectionNumber);

    std::vector<std::string> pathList;
    uint32_t nextPath = 0;
    bool openedForRead = false;
    bool openedForWrite = false;
    bool openedOverlapped = false;
    bool openedExclusive = false;
    std::unique_ptr<platform::HidrawHandle> handle;
    std::string devicePath;
    HidCaps caps;
    HidAttributes attributes;
    HidReportBlock input;
    HidReportBlock output;
    HidReportBlock feature;
    uint32_t interfaceNumber = 0;
    uint32_t collectionNumber = 0;

private:
    bool reopen();
    void releaseCaps();
    bool readCapabilities(const platform::HidrawNodeInfo& node);
    void fillReportBlock(HidReportKind kind, HidReportBlock& block) const;
    bool acceptsReport(const uint8_t* report, size_t length) const;

    // The open collection, from the node's report descriptor.
    HidTopLevelCollection collection_;
    bool nodeUsesReportIds_ = false;
};

} // namespace pelan
