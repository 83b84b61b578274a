#pragma once

#include <chrono>
#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <vector>

namespace pelan::emu {

// One USB interface of an emulated device; it becomes one hidraw node of the fake tree.
struct UsbInterfaceDescription {
    int number = 0;
    std::vector<uint8_t> reportDescriptor;
};

// What a device may do towards the host. The fake hidraw tree hands one to the device it serves.
class HostLink {
public:
    virtual ~HostLink() = default;
    // Delivers an input report (first byte the report ID when the interface uses IDs) to every open handle of the
    // interface's node, after the given delay.
    virtual void sendInput(int interfaceNumber, std::vector<uint8_t> report,
                           std::chrono::milliseconds delay = std::chrono::milliseconds(0)) = 0;
    // The device goes away: its nodes disappear and open handles see a hang-up.
    virtual void unplugSelf() = 0;
};

// Firmware of one emulated USB HID device. The fake hidraw tree calls it on its serving thread.
class EmulatedDevice {
public:
    virtual ~EmulatedDevice() = default;
    virtual uint16_t vendorId() const = 0;
    virtual uint16_t productId() const = 0;
    // bcdDevice, reported as the HID version number.
    virtual uint16_t versionNumber() const = 0;
    virtual std::string productName() const = 0;
    virtual std::vector<UsbInterfaceDescription> interfaces() const = 0;
    // An output report written by the host to an interface; the bytes start with the report ID as written.
    virtual void handleOutput(int interfaceNumber, std::span<const uint8_t> report, HostLink& host) = 0;
};

} // namespace pelan::emu
