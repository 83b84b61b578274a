#include "device/HidDevice.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstring>

namespace pelan {
namespace {

// The hexadecimal number after a key found case-insensitively; 0 when the key is absent.
uint16_t parseHexAfterKey(const std::string& path, const char* key) {
    std::string lowered(path);
    std::transform(lowered.begin(), lowered.end(), lowered.begin(), [](unsigned char c) { return std::tolower(c); });
    const size_t at = lowered.find(key);
    if (at == std::string::npos)
        return 0;
    unsigned value = 0;
    if (std::sscanf(lowered.c_str() + at + std::strlen(key), "%x", &value) != 1)
        return 0;
    return uint16_t(value);
}

std::string nodeNameOfPath(const std::string& path) {
    const size_t hash = path.rfind('#');
    return hash == std::string::npos ? std::string() : path.substr(hash + 1);
}

uint32_t readBits(const uint8_t* report, uint32_t reportLength, uint32_t bitOffset, uint32_t bitCount, bool& ok) {
    // Report bits are counted after the ID byte.
    const uint64_t end = uint64_t(bitOffset) + bitCount;
    if (bitCount == 0 || bitCount > 32 || end > uint64_t(reportLength - 1) * 8) {
        ok = false;
        return 0;
    }
    uint32_t value = 0;
    for (uint32_t i = 0; i < bitCount; ++i) {
        const uint32_t bit = bitOffset + i;
        if (report[1 + bit / 8] & (1u << (bit % 8)))
            value |= 1u << i;
    }
    ok = true;
    return value;
}

int32_t toSigned(uint32_t raw, uint32_t bits, bool isSigned) {
    if (!isSigned || bits == 0 || bits >= 32)
        return int32_t(raw);
    const uint32_t sign = 1u << (bits - 1);
    return (raw & sign) ? int32_t(raw | ~((1u << bits) - 1)) : int32_t(raw);
}

int32_t scaleValue(const HidField& field, int32_t logical) {
    if (field.physicalMin == 0 && field.physicalMax == 0)
        return logical;
    const int64_t logicalSpan = int64_t(field.logicalMax) - field.logicalMin;
    if (logicalSpan == 0)
        return field.physicalMin;
    const int64_t physicalSpan = int64_t(field.physicalMax) - field.physicalMin;
    return int32_t(field.physicalMin + (int64_t(logical) - field.logicalMin) * physicalSpan / logicalSpan);
}

} // namespace

HidDevice::HidDevice() : handle(std::make_unique<platform::HidrawHandle>()) {}

HidDevice::~HidDevice() {
    close();
    freePathList();
}

bool HidDevice::enumerate() {
    freePathList();
    std::vector<platform::HidrawNodeInfo> nodes;
    if (!platform::listHidrawNodes(nodes))
        return false;
    for (const platform::HidrawNodeInfo& node : nodes) {
        ParsedReportDescriptor parsed;
        // A node whose descriptor does not parse still gets one path; opening it then fails cleanly.
        const size_t collections =
            parseReportDescriptor(node.reportDescriptor, parsed, nullptr) ? parsed.collections.size() : 1;
        if (collections <= 1) {
            pathList.push_back(makeInterfacePath(node, 0));
            continue;
        }
        for (size_t i = 1; i <= collections; ++i)
            pathList.push_back(makeInterfacePath(node, int(i)));
    }
    return true;
}

std::optional<std::string> HidDevice::nextDevicePath() {
    if (nextPath >= pathList.size())
        return std::nullopt;
    return pathList[nextPath++];
}

void HidDevice::freePathList() {
    pathList.clear();
    nextPath = 0;
}

std::string HidDevice::makeInterfacePath(const platform::HidrawNodeInfo& node, int collection) {
    char text[96];
    int n = std::snprintf(text, sizeof(text), "\\\\?\\hid#vid_%04x&pid_%04x", node.vendorId, node.productId);
    if (node.interfaceNumber >= 0 && node.usbInterfaceCount > 1)
        n += std::snprintf(text + n, sizeof(text) - size_t(n), "&mi_%02x", unsigned(node.interfaceNumber));
    if (collection > 0)
        std::snprintf(text + n, sizeof(text) - size_t(n), "&col%02x", unsigned(collection));
    return std::string(text) + "#" + node.nodeName;
}

bool HidDevice::interfacePresent(const std::string& path) {
    platform::HidrawNodeInfo node;
    return platform::readHidrawNode(nodeNameOfPath(path), node) && node.vendorId == parseVendorId(path) &&
           node.productId == parseProductId(path);
}

uint16_t HidDevice::parseVendorId(const std::string& path) {
    return parseHexAfterKey(path, "vid_");
}
uint16_t HidDevice::parseProductId(const std::string& path) {
    return parseHexAfterKey(path, "pid_");
}
uint16_t HidDevice::parseInterfaceNumber(const std::string& path) {
    return parseHexAfterKey(path, "&mi_");
}
uint16_t HidDevice::parseCollectionNumber(const std::string& path) {
    return parseHexAfterKey(path, "&col");
}

bool HidDevice::open(const std::string& path, bool read, bool write, bool overlapped, bool exclusive) {
    openedForRead = read;
    openedForWrite = write;
    openedOverlapped = overlapped;
    openedExclusive = exclusive;
    devicePath = path;
    return reopen();
}

bool HidDevice::reopen() {
    close();
    platform::HidrawNodeInfo node;
    if (!platform::readHidrawNode(nodeNameOfPath(devicePath), node))
        return false;
    if (!handle->open(node.devicePath, openedForRead, openedForWrite, openedExclusive))
        return false;
    if (!readCapabilities(node)) {
        close();
        return false;
    }
    platform::InputFraming framing;
    framing.numbered = nodeUsesReportIds_;
    for (const HidReportSize& report : collection_.reports)
        if (report.kind == HidReportKind::Input)
            framing.reportIds.push_back(report.reportId);
    if (framing.numbered && framing.reportIds.empty())
        framing.reportIds.push_back(0); // a collection without input reports passes none on
    handle->setInputFraming(std::move(framing));
    interfaceNumber = parseInterfaceNumber(devicePath);
    collectionNumber = parseCollectionNumber(devicePath);
    return true;
}

bool HidDevice::readCapabilities(const platform::HidrawNodeInfo& node) {
    ParsedReportDescriptor parsed;
    if (!parseReportDescriptor(node.reportDescriptor, parsed, nullptr))
        return false;
    const uint16_t number = parseCollectionNumber(devicePath);
    const size_t index = number == 0 ? 0 : size_t(number) - 1;
    if (index >= parsed.collections.size())
        return false;
    collection_ = std::move(parsed.collections[index]);
    nodeUsesReportIds_ = parsed.usesReportIds;

    attributes = {node.vendorId, node.productId, node.versionNumber};
    caps = HidCaps{};
    caps.UsagePage = collection_.usagePage;
    caps.Usage = collection_.usage;
    caps.InputReportByteLength = collection_.reportByteLength(HidReportKind::Input);
    caps.OutputReportByteLength = collection_.reportByteLength(HidReportKind::Output);
    caps.FeatureReportByteLength = collection_.reportByteLength(HidReportKind::Feature);
    fillReportBlock(HidReportKind::Input, input);
    fillReportBlock(HidReportKind::Output, output);
    fillReportBlock(HidReportKind::Feature, feature);
    caps.NumberInputButtonCaps = uint16_t(input.buttonCapsCount);
    caps.NumberInputValueCaps = uint16_t(input.valueCapsCount);
    caps.NumberOutputButtonCaps = uint16_t(output.buttonCapsCount);
    caps.NumberOutputValueCaps = uint16_t(output.valueCapsCount);
    caps.NumberFeatureButtonCaps = uint16_t(feature.buttonCapsCount);
    caps.NumberFeatureValueCaps = uint16_t(feature.valueCapsCount);
    return true;
}

// One entry per button field, one per usage of each value field; constant (padding) fields carry no data.
void HidDevice::fillReportBlock(HidReportKind kind, HidReportBlock& block) const {
    block = HidReportBlock{};
    block.report.assign(collection_.reportByteLength(kind), 0);
    for (size_t i = 0; i < collection_.fields.size(); ++i) {
        const HidField& field = collection_.fields[i];
        if (field.kind != kind || field.isConstant)
            continue;
        if (field.isButton()) {
            ++block.buttonCapsCount;
            HidData entry;
            entry.UsagePage = field.usagePage;
            entry.ReportID = field.reportId;
            entry.IsButtonData = true;
            entry.UsageMin = field.usageMin;
            entry.UsageMax = field.usageMax;
            entry.MaxUsageListLength = field.reportCount;
            entry.Usages.assign(field.reportCount, 0);
            entry.fieldIndex = i;
            block.data.push_back(std::move(entry));
            continue;
        }
        ++block.valueCapsCount;
        const uint32_t usageCount =
            field.isRange ? uint32_t(field.usageMax - field.usageMin) + 1 : std::max<uint32_t>(1, field.usages.size());
        for (uint32_t u = 0; u < usageCount && u < field.reportCount; ++u) {
            HidData entry;
            entry.UsagePage = field.usagePage;
            entry.ReportID = field.reportId;
            entry.Usage = field.usageForSlot(u);
            entry.fieldIndex = i;
            entry.slot = u;
            block.data.push_back(std::move(entry));
        }
    }
}

void HidDevice::releaseCaps() {
    input = output = feature = HidReportBlock{};
    caps = HidCaps{};
    collection_ = HidTopLevelCollection{};
    nodeUsesReportIds_ = false;
}

void HidDevice::close() {
    handle->close(); // ends a waiting read or write first, so nothing below is in use
    releaseCaps();
}

int HidDevice::readReport(uint32_t length, uint32_t& bytesRead, uint8_t* buffer, uint32_t timeoutMs,
                          const platform::ReportFilter& accept) {
    bytesRead = 0;
    size_t got = 0;
    if (handle->read(buffer, length, got, timeoutMs, accept) != platform::IoResult::Ok)
        return 0;
    bytesRead = uint32_t(got);
    return 1;
}

int HidDevice::writeReport(uint32_t length, uint32_t& bytesWritten, const uint8_t* buffer, uint32_t timeoutMs) {
    bytesWritten = 0;
    size_t written = 0;
    if (handle->write(buffer, length, written, timeoutMs) != platform::IoResult::Ok)
        return 0;
    bytesWritten = uint32_t(written);
    return 1;
}

size_t HidDevice::discardInput(const platform::ReportFilter& seen) {
    // More than a device queues between two requests; a node flooded with input cannot hold the caller longer.
    constexpr size_t kMostDiscarded = 256;
    return handle->discardQueued(kMostDiscarded, seen);
}

bool HidDevice::unpackReport(std::vector<HidData>& data, const uint8_t* report, uint32_t reportLength,
                             HidReportKind kind) const {
    if (report == nullptr || reportLength == 0)
        return false;
    for (HidData& entry : data) {
        if (entry.ReportID != report[0])
            continue;
        if (entry.fieldIndex >= collection_.fields.size())
            return false;
        const HidField& field = collection_.fields[entry.fieldIndex];
        if (field.kind != kind)
            continue;
        bool ok = true;
        if (entry.IsButtonData) {
            // Usages that are on, inside the entry's range, compacted to the front and 0-terminated when shorter.
            std::fill(entry.Usages.begin(), entry.Usages.end(), 0);
            size_t found = 0;
            for (uint32_t slot = 0; slot < field.reportCount && ok; ++slot) {
                const uint32_t raw =
                    readBits(report, reportLength, field.bitOffset + slot * field.reportSize, field.reportSize, ok);
                if (!ok)
                    break;
                uint16_t usage = 0;
                if (field.isArray) {
                    const int32_t index = toSigned(raw, field.reportSize, field.logicalMin < 0) - field.logicalMin;
                    if (raw != 0 && index >= 0 &&
                        toSigned(raw, field.reportSize, field.logicalMin < 0) <= field.logicalMax)
                        usage = field.usageForSlot(uint32_t(index));
                } else if (raw != 0) {
                    usage = field.usageForSlot(slot);
                }
                if (usage != 0 && usage >= entry.UsageMin && usage <= entry.UsageMax && found < entry.Usages.size())
                    entry.Usages[found++] = usage;
            }
            entry.Status = ok ? kHidStatusSuccess : kHidStatusBufferTooSmall;
        } else {
            const uint32_t raw =
                readBits(report, reportLength, field.bitOffset + entry.slot * field.reportSize, field.reportSize, ok);
            entry.Status = ok ? kHidStatusSuccess : kHidStatusBufferTooSmall;
            if (!ok)
                return false;
            entry.Value = raw;
            entry.ScaledValue = scaleValue(field, toSigned(raw, field.reportSize, field.logicalMin < 0));
        }
        entry.IsDataSet = ok;
    }
    return true;
}

} // namespace pelan
