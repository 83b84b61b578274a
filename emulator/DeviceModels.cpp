#include "emulator/FirmwareDevice.h"
#include "emulator/ReportDescriptors.h"

#include <algorithm>
#include <array>

namespace pelan::emu {

namespace {

// Layout of the device information record as this firmware family fills it.
namespace info {
constexpr size_t deviceClass = 0; // 1 keyboard, 2 mouse, 3 mousepad, 7 headset
constexpr size_t productLow = 1;
constexpr size_t productHigh = 2;
// Bytes 3 and 4: firmware version, low byte first (filled from the version number).
constexpr size_t keyCount = 5;
constexpr size_t macroUnits = 6; // macro memory in units of 128 bytes
constexpr size_t profileCount = 7;
constexpr size_t ledCount = 8;
constexpr size_t reportRates = 9;
constexpr size_t dpiStages = 10;
constexpr size_t maxDpiLow = 12;
constexpr size_t minDpiLow = 14;
constexpr size_t dpiStepLow = 16;
} // namespace info

struct InfoValues {
    uint8_t deviceClass;
    uint16_t productId;
    uint8_t keys;
    uint8_t macroUnits;
    uint8_t profiles;
    uint8_t leds;
    uint8_t reportRates;
    uint8_t dpiStages;
    uint16_t maxDpi;
    uint16_t minDpi;
    uint16_t dpiStep;
};

void putLittleEndian(std::array<uint8_t, kDeviceInfoSize>& record, size_t at, uint16_t value) {
    record[at] = static_cast<uint8_t>(value & 0xFF);
    record[at + 1] = static_cast<uint8_t>(value >> 8);
}

std::array<uint8_t, kDeviceInfoSize> makeDeviceInfo(const InfoValues& v) {
    std::array<uint8_t, kDeviceInfoSize> record{};
    record[info::deviceClass] = v.deviceClass;
    record[info::productLow] = static_cast<uint8_t>(v.productId & 0xFF);
    record[info::productHigh] = static_cast<uint8_t>(v.productId >> 8);
    record[info::keyCount] = v.keys;
    record[info::macroUnits] = v.macroUnits;
    record[info::profileCount] = v.profiles;
    record[info::ledCount] = v.leds;
    record[info::reportRates] = v.reportRates;
    record[info::dpiStages] = v.dpiStages;
    putLittleEndian(record, info::maxDpiLow, v.maxDpi);
    putLittleEndian(record, info::minDpiLow, v.minDpi);
    putLittleEndian(record, info::dpiStepLow, v.dpiStep);
    return record;
}

// Light part of a settings block: mode, brightness level, 4 - speed, effect direction, multicolour, red, green, blue.
void putLight(std::vector<uint8_t>& memory, size_t at, std::array<uint8_t, 8> light) {
    std::copy(light.begin(), light.end(), memory.begin() + static_cast<std::ptrdiff_t>(at) + 1);
}

constexpr size_t kMouseProfiles = 5;
constexpr size_t kMouseBlockStride = 128;

std::vector<uint8_t> mouseSettings() {
    std::vector<uint8_t> memory(kMouseProfiles * kMouseBlockStride, 0);
    // Stage DPI codes: 600, 1000, 1600, 2400, 3200 and 5000 DPI.
    constexpr std::array<uint8_t, 6> stageCodes = {4, 8, 14, 22, 30, 48};
    constexpr std::array<size_t, 6> stageAt = {15, 17, 19, 21, 24, 26};
    constexpr std::array<uint8_t, 21> stageColours = {255, 0,   0, 0,   255, 0,  0, 0,   255, 0,  255,
                                                      255, 255, 0, 255, 255, 50, 0, 255, 255, 255};
    for (size_t p = 0; p < kMouseProfiles; ++p) {
        const size_t block = p * kMouseBlockStride;
        putLight(memory, block, {0, 4, 2, 0, 1, 255, 0, 0});
        memory[block + 14] = 3; // report-rate index
        for (size_t s = 0; s < stageCodes.size(); ++s) {
            memory[block + stageAt[s]] = stageCodes[s];
        }
        memory[block + 23] = 1; // active DPI stage
        std::copy(stageColours.begin(), stageColours.end(), memory.begin() + static_cast<std::ptrdiff_t>(block) + 30);
    }
    return memory;
}

// Mousepad and headset: one 21-byte lighting record per profile; offset 0 holds the active profile.
std::vector<uint8_t> padSettings(std::array<uint8_t, 8> light) {
    std::vector<uint8_t> memory(256, 0);
    putLight(memory, 0, light);
    return memory;
}

constexpr size_t kKeyboardProfiles = 5;
constexpr size_t kKeyboardBlockStride = 25;

std::vector<uint8_t> keyboardSettings() {
    std::vector<uint8_t> memory(128, 0);
    for (size_t p = 0; p < kKeyboardProfiles; ++p) {
        const size_t block = p * kKeyboardBlockStride;
        putLight(memory, block, {1, 4, 2, 0, 1, 255, 255, 255});
        memory[block + 22] = 3; // polling rate index
    }
    return memory;
}

const std::vector<KeyCode> kMouseKeyCodes = {
    {0x10, 0x01, 0x00}, {0x10, 0x02, 0x00}, {0x10, 0x04, 0x00}, {0x10, 0x10, 0x00}, {0x10, 0x08, 0x00},
    {0x13, 0x01, 0x00}, {0x13, 0x02, 0x00}, {0xA0, 0x02, 0x00}, {0x00, 0x00, 0x00}, {0x00, 0x00, 0x00},
};

// Key positions of the keyboard: type, modifier bits, keyboard usage. Five positions are unused (20 00 00).
const std::vector<KeyCode> kKeyboardKeyCodes = {
    {0x20, 0x00, 0x29}, {0x20, 0x00, 0x3A}, {0x20, 0x00, 0x3B}, {0x20, 0x00, 0x3C}, {0x20, 0x00, 0x3D},
    {0x20, 0x00, 0x3E}, {0x20, 0x00, 0x3F}, {0x20, 0x00, 0x40}, {0x20, 0x00, 0x41}, {0x20, 0x00, 0x42},
    {0x20, 0x00, 0x43}, {0x20, 0x00, 0x44}, {0x20, 0x00, 0x45}, {0x20, 0x00, 0x46}, {0x20, 0x00, 0x47},
    {0x20, 0x00, 0x48}, {0xA0, 0x1B, 0x00}, {0xA0, 0x24, 0x00}, {0x20, 0x00, 0x00}, {0x20, 0x00, 0x00},
    {0x20, 0x00, 0x00}, {0x20, 0x00, 0x35}, {0x20, 0x00, 0x1E}, {0x20, 0x00, 0x1F}, {0x20, 0x00, 0x20},
    {0x20, 0x00, 0x21}, {0x20, 0x00, 0x22}, {0x20, 0x00, 0x23}, {0x20, 0x00, 0x24}, {0x20, 0x00, 0x25},
    {0x20, 0x00, 0x26}, {0x20, 0x00, 0x27}, {0x20, 0x00, 0x2D}, {0x20, 0x00, 0x2E}, {0x20, 0x00, 0x2A},
    {0x20, 0x00, 0x49}, {0x20, 0x00, 0x4A}, {0x20, 0x00, 0x4B}, {0x20, 0x00, 0x53}, {0x20, 0x00, 0x54},
    {0x20, 0x00, 0x55}, {0x20, 0x00, 0x56}, {0x20, 0x00, 0x2B}, {0x20, 0x00, 0x14}, {0x20, 0x00, 0x1A},
    {0x20, 0x00, 0x08}, {0x20, 0x00, 0x15}, {0x20, 0x00, 0x17}, {0x20, 0x00, 0x1C}, {0x20, 0x00, 0x18},
    {0x20, 0x00, 0x0C}, {0x20, 0x00, 0x12}, {0x20, 0x00, 0x13}, {0x20, 0x00, 0x2F}, {0x20, 0x00, 0x30},
    {0x20, 0x00, 0x31}, {0x20, 0x00, 0x4C}, {0x20, 0x00, 0x4D}, {0x20, 0x00, 0x4E}, {0x20, 0x00, 0x5F},
    {0x20, 0x00, 0x60}, {0x20, 0x00, 0x61}, {0x20, 0x00, 0x00}, {0x20, 0x00, 0x39}, {0x20, 0x00, 0x04},
    {0x20, 0x00, 0x16}, {0x20, 0x00, 0x07}, {0x20, 0x00, 0x09}, {0x20, 0x00, 0x0A}, {0x20, 0x00, 0x0B},
    {0x20, 0x00, 0x0D}, {0x20, 0x00, 0x0E}, {0x20, 0x00, 0x0F}, {0x20, 0x00, 0x33}, {0x20, 0x00, 0x34},
    {0x20, 0x00, 0x28}, {0x20, 0x00, 0x5C}, {0x20, 0x00, 0x5D}, {0x20, 0x00, 0x5E}, {0x20, 0x00, 0x8A},
    {0x20, 0x00, 0x8B}, {0x20, 0x00, 0x90}, {0x20, 0x00, 0x91}, {0x20, 0x00, 0x88}, {0x20, 0x02, 0x00},
    {0x20, 0x00, 0x1D}, {0x20, 0x00, 0x1B}, {0x20, 0x00, 0x06}, {0x20, 0x00, 0x19}, {0x20, 0x00, 0x05},
    {0x20, 0x00, 0x11}, {0x20, 0x00, 0x10}, {0x20, 0x00, 0x36}, {0x20, 0x00, 0x37}, {0x20, 0x00, 0x38},
    {0x20, 0x20, 0x00}, {0x20, 0x00, 0x52}, {0x20, 0x00, 0x59}, {0x20, 0x00, 0x5A}, {0x20, 0x00, 0x5B},
    {0x20, 0x00, 0x87}, {0x20, 0x00, 0x89}, {0x20, 0x00, 0x64}, {0x20, 0x00, 0x85}, {0x20, 0x00, 0x00},
    {0x20, 0x01, 0x00}, {0x20, 0x08, 0x00}, {0x20, 0x04, 0x00}, {0x20, 0x00, 0x2C}, {0x20, 0x40, 0x00},
    {0xA0, 0x01, 0x00}, {0x20, 0x00, 0x65}, {0x20, 0x10, 0x00}, {0x20, 0x00, 0x50}, {0x20, 0x00, 0x51},
    {0x20, 0x00, 0x4F}, {0x20, 0x00, 0x62}, {0x20, 0x00, 0x63}, {0x20, 0x00, 0x58}, {0x20, 0x00, 0x57},
    {0xD0, 0xA2, 0x01}, {0xD0, 0xA2, 0x02}, {0xD0, 0xA2, 0x03}, {0xD0, 0xA2, 0x04}, {0xD0, 0xA2, 0x05},
    {0x20, 0x80, 0x00},
};

// The keyboard's LED chain runs from the last key position to the first; unused positions have no LED.
std::vector<uint8_t> keyboardLedIndices() {
    std::vector<uint8_t> leds(kKeyboardKeyCodes.size());
    for (size_t i = 0; i < leds.size(); ++i) {
        const bool unused = kKeyboardKeyCodes[i] == KeyCode{0x20, 0x00, 0x00};
        leds[i] = unused ? 0xFF : static_cast<uint8_t>(leds.size() - 1 - i);
    }
    return leds;
}

constexpr uint16_t kVendorId = 0x0C45;

DeviceModel mouseModel() {
    DeviceModel m;
    m.kind = "mouse";
    m.vendorId = kVendorId;
    m.productId = 0x7643;
    m.productName = "ORVANE Pelan Gaming Mouse";
    m.interfaces = {{0, bootMouseDescriptor()}, {1, vendorInterfaceDescriptor()}};
    m.commandInterface = 1;
    m.notificationInterface = 1;
    m.notificationReportId = reportId::consumerControl;
    m.factoryKeyCodes = kMouseKeyCodes;
    m.keyLedIndices.assign(kMouseKeyCodes.size(), 0xFF);
    m.deviceInfo = makeDeviceInfo({.deviceClass = 2,
                                   .productId = m.productId,
                                   .keys = static_cast<uint8_t>(kMouseKeyCodes.size()),
                                   .macroUnits = 16,
                                   .profiles = static_cast<uint8_t>(kMouseProfiles),
                                   .leds = 8,
                                   .reportRates = 5,
                                   .dpiStages = 6,
                                   .maxDpi = 10000,
                                   .minDpi = 200,
                                   .dpiStep = 100});
    m.settings = mouseSettings();
    m.power = {.battery = 100, .charging = 0, .statusValue = 0, .phoneType = 0};
    return m;
}

// The mouse reached through its wireless receiver: the receiver is the USB device the host sees, and passes the
// mouse's firmware through.
DeviceModel receiverModel() {
    DeviceModel m = mouseModel();
    m.kind = "receiver";
    m.productId = 0x7652;
    m.productName = "ORVANE Pelan Wireless Receiver";
    m.deviceInfo[info::productLow] = static_cast<uint8_t>(m.productId & 0xFF);
    m.deviceInfo[info::productHigh] = static_cast<uint8_t>(m.productId >> 8);
    return m;
}

DeviceModel mousepadModel() {
    DeviceModel m;
    m.kind = "mousepad";
    m.vendorId = kVendorId;
    m.productId = 0x6627;
    m.productName = "ORVANE Pelan Gaming Mousepad";
    m.interfaces = {{0, bootMouseDescriptor()}, {1, vendorInterfaceDescriptor()}};
    m.commandInterface = 1;
    m.notificationInterface = 1;
    m.notificationReportId = reportId::consumerControl;
    m.deviceInfo = makeDeviceInfo({.deviceClass = 3,
                                   .productId = m.productId,
                                   .keys = 0,
                                   .macroUnits = 0,
                                   .profiles = 4,
                                   .leds = 23,
                                   .reportRates = 0,
                                   .dpiStages = 0,
                                   .maxDpi = 0,
                                   .minDpi = 0,
                                   .dpiStep = 0});
    m.settings = padSettings({1, 4, 2, 0, 1, 0, 255, 180});
    m.power = {.battery = 80, .charging = 1, .statusValue = 0, .phoneType = 1};
    return m;
}

DeviceModel headsetModel() {
    DeviceModel m;
    m.kind = "headset";
    m.vendorId = 0x0D8C;
    m.productId = 0x01DA;
    m.productName = "ORVANE Pelan Gaming Headset";
    // Interfaces 0 to 2 carry audio and are not HID.
    m.interfaces = {{3, headsetInterfaceDescriptor()}};
    m.commandInterface = 3;
    m.notificationInterface = 3;
    m.notificationReportId = reportId::headsetConsumer;
    m.deviceInfo = makeDeviceInfo({.deviceClass = 7,
                                   .productId = m.productId,
                                   .keys = 0,
                                   .macroUnits = 0,
                                   .profiles = 4,
                                   .leds = 2,
                                   .reportRates = 0,
                                   .dpiStages = 0,
                                   .maxDpi = 0,
                                   .minDpi = 0,
                                   .dpiStep = 0});
    m.settings = padSettings({2, 4, 2, 0, 0, 255, 0, 0});
    m.power = {.battery = 100, .charging = 0, .statusValue = 0, .phoneType = 0};
    return m;
}

DeviceModel keyboardModel() {
    DeviceModel m;
    m.kind = "keyboard";
    m.vendorId = kVendorId;
    m.productId = 0x7650;
    m.productName = "ORVANE Pelan Gaming Keyboard";
    m.interfaces = {{0, bootKeyboardDescriptor()}, {1, vendorInterfaceDescriptor()}};
    m.commandInterface = 1;
    m.notificationInterface = 1;
    m.notificationReportId = reportId::consumerControl;
    m.factoryKeyCodes = kKeyboardKeyCodes;
    m.keyLedIndices = keyboardLedIndices();
    m.deviceInfo = makeDeviceInfo({.deviceClass = 1,
                                   .productId = m.productId,
                                   .keys = static_cast<uint8_t>(kKeyboardKeyCodes.size()),
                                   .macroUnits = 32,
                                   .profiles = static_cast<uint8_t>(kKeyboardProfiles),
                                   .leds = 126,
                                   .reportRates = 4,
                                   .dpiStages = 0,
                                   .maxDpi = 0,
                                   .minDpi = 0,
                                   .dpiStep = 0});
    m.settings = keyboardSettings();
    m.power = {.battery = 100, .charging = 0, .statusValue = 0, .phoneType = 0};
    return m;
}

struct KindEntry {
    const char* name;
    DeviceModel (*model)();
};

constexpr std::array<KindEntry, 5> kKinds = {{
    {"mouse", mouseModel},
    {"mousepad", mousepadModel},
    {"headset", headsetModel},
    {"keyboard", keyboardModel},
    {"receiver", receiverModel},
}};

} // namespace

std::vector<std::string> deviceKinds() {
    std::vector<std::string> names;
    for (const KindEntry& entry : kKinds) {
        names.emplace_back(entry.name);
    }
    return names;
}

std::unique_ptr<FirmwareDevice> makeDevice(std::string_view kind, std::optional<uint16_t> versionNumber) {
    for (const KindEntry& entry : kKinds) {
        if (kind == entry.name) {
            return std::make_unique<FirmwareDevice>(entry.model(), versionNumber.value_or(kDefaultVersionNumber));
        }
    }
    return nullptr;
}

} // namespace pelan::emu
