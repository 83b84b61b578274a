#pragma once

#include "emulator/CommandReport.h"
#include "emulator/EmulatedDevice.h"

#include <array>
#include <chrono>
#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace pelan::emu {

inline constexpr size_t kDeviceInfoSize = 34;
inline constexpr size_t kStatusRecordSize = 6;
// Key tables are addressed in slots of 512 bytes: table t starts at offset t * 512.
inline constexpr size_t kKeyTableSlot = 512;
inline constexpr size_t kKeyTableCount = 2;
inline constexpr size_t kLightFrameCapacity = 1024;
inline constexpr size_t kRequestLogCapacity = 65536;

using KeyCode = std::array<uint8_t, 3>;

// Battery and charging state, as the status record (command 0x1A) reports it.
struct PowerState {
    uint8_t battery = 100;   // charge in percent
    uint8_t charging = 0;    // 0 charged, 1 charging, 2 on battery
    uint8_t statusValue = 0; // device status value (record byte 4)
    uint8_t phoneType = 0;   // phone on the charging pad: 1 iPhone, 2 Samsung, 3 other, anything else none
};

// Everything that tells one device kind from another: identity, interfaces and the factory state of its memories.
struct DeviceModel {
    std::string kind; // "mouse", "mousepad", "headset", "keyboard"
    uint16_t vendorId = 0;
    uint16_t productId = 0;
    std::string productName;
    std::vector<UsbInterfaceDescription> interfaces;
    int commandInterface = 1;
    int notificationInterface = 1;
    uint8_t notificationReportId = 3;
    // Device information record; bytes 3 and 4 are replaced by the version number when read.
    std::array<uint8_t, kDeviceInfoSize> deviceInfo{};
    // One factory code per key position; their count is device-info byte 5.
    std::vector<KeyCode> factoryKeyCodes;
    // LED index per key position (0xFF: none); same length as factoryKeyCodes.
    std::vector<uint8_t> keyLedIndices;
    // Factory image of the settings memory (its size is the memory's size).
    std::vector<uint8_t> settings;
    PowerState power;
};

// What the firmware does wrong on purpose, for tests of the host side.
enum class FaultKind {
    Refuse,    // answer with `refusalStatus` and do not apply the request
    DropReply, // apply the request, send no reply
    LateReply, // apply the request, send the reply after `delay`
    WrongEcho, // apply the request, reply with `echo` in byte 3
    Unplug,    // leave the bus instead of handling the packet
};

struct Fault {
    FaultKind kind = FaultKind::Refuse;
    // Which command packet the fault hits, counted from when it is injected: 1 is the next one.
    int packet = 1;
    // The fault also hits every command packet after that one, until cleared.
    bool repeat = false;
    uint8_t refusalStatus = status::refused;
    std::chrono::milliseconds delay{0};
    // Byte 3 of a wrong-echo reply; without one, the request's byte 3 with all bits flipped.
    std::optional<uint8_t> echo{};
    // After the wrong-echo reply, the correct reply follows (a stale report ahead of the real answer). With several
    // wrong-echo faults on one packet, each sends its reply and the last one decides.
    bool thenCorrectReply = false;
};

// One report as the host wrote it.
struct LoggedRequest {
    int interfaceNumber = 0;
    std::vector<uint8_t> bytes;
};

// Firmware of a device of the family: answers the command reports on its command collection from its memories
// (device information, settings, key tables, per-key table, macro memory, status record, light frame), sends
// notification reports, and misbehaves on request. All members may be called from any thread.
class FirmwareDevice : public EmulatedDevice {
public:
    FirmwareDevice(DeviceModel model, uint16_t versionNumber);
    const DeviceModel& model() const { return model_; }

    uint16_t vendorId() const override;
    uint16_t productId() const override;
    uint16_t versionNumber() const override;
    std::string productName() const override;
    std::vector<UsbInterfaceDescription> interfaces() const override;
    void handleOutput(int interfaceNumber, std::span<const uint8_t> report, HostLink& host) override;

    void setVersionNumber(uint16_t version);
    const std::string& kind() const { return model_.kind; }
    int commandInterface() const { return model_.commandInterface; }
    int notificationInterface() const { return model_.notificationInterface; }
    size_t keyCount() const { return model_.factoryKeyCodes.size(); }

    // Fault injection. Each fault counts the command packets received after it was injected.
    void injectFault(const Fault& fault);
    void refusePacket(int packet, uint8_t refusalStatus = status::refused);
    void dropReply(int packet);
    void delayReply(int packet, std::chrono::milliseconds delay);
    void answerWithWrongEcho(int packet, bool repeat = false, bool thenCorrectReply = false);
    void unplugOnPacket(int packet);
    void clearFaults();
    size_t pendingFaultCount() const;

    // Every report received, on any interface, well-formed or not; the most recent kRequestLogCapacity are kept,
    // so that a device streaming light frames for hours does not grow without bound.
    std::vector<LoggedRequest> requestLog() const;
    // Reports received since construction or the last clear, including those no longer kept.
    size_t requestCount() const;
    void clearRequestLog();

    // Inspection and set-up of the device's state.
    std::array<uint8_t, kDeviceInfoSize> deviceInfo() const;
    size_t settingsSize() const;
    // The settings memory from `offset`, at most `length` bytes: cut at the end of the memory.
    std::vector<uint8_t> readMemory(size_t offset, size_t length) const;
    // Writes into the settings memory; false (and nothing written) when the bytes do not fit.
    bool writeMemory(size_t offset, std::span<const uint8_t> bytes);
    // Key table 0 or 1 as assigned (number of keys times 3 bytes); empty for another table. The key-table read
    // command answers with the factory layout instead, unless told to answer with the assigned table.
    std::vector<uint8_t> keyTable(int table = 0) const;
    // Whether key-table reads answer with the assigned table (as some firmwares do) instead of the factory layout.
    void setKeyReadsAssigned(bool assigned);
    // Puts another code at one position of the key layout the read command reports (a device whose layout lacks
    // a key). False for a position outside the layout.
    bool setKeyLayoutCode(size_t position, const KeyCode& code);
    std::vector<uint8_t> perKeyTable() const;
    std::vector<uint8_t> macroMemory() const;
    std::vector<uint8_t> lightFrame() const;
    // Number of begin-update commands not yet closed by an end-update.
    int openUpdates() const;
    PowerState powerState() const;
    void setPowerState(const PowerState& power);
    void setBattery(uint8_t percent);
    void setCharging(uint8_t charging);
    void setStatusValue(uint8_t value);
    void setPhoneType(uint8_t phoneType);
    std::array<uint8_t, kStatusRecordSize> statusRecord() const;

    // The input report that signals `usage` on the notification collection, and sending it to the host.
    std::vector<uint8_t> notificationReport(uint16_t usage) const;
    void sendNotification(HostLink& host, uint16_t usage) const;

private:
    struct PendingFault {
        Fault fault;
        int remaining = 1;
    };
    struct Outcome {
        std::vector<std::pair<CommandReport, std::chrono::milliseconds>> replies;
        bool unplug = false;
    };

    Outcome handleCommandPacket(const CommandReport& request);
    CommandReport execute(const CommandReport& request);
    uint8_t readInto(const CommandReport& request, CommandReport& reply);
    uint8_t writeFrom(const CommandReport& request);
    std::vector<Fault> faultsForNextPacket();
    std::array<uint8_t, kDeviceInfoSize> deviceInfoLocked() const;
    std::array<uint8_t, kStatusRecordSize> statusRecordLocked() const;

    const DeviceModel model_;
    mutable std::mutex mutex_;
    uint16_t version_;
    std::vector<uint8_t> settings_;
    std::array<std::vector<uint8_t>, kKeyTableCount> keyTables_;
    std::vector<uint8_t> keyLayout_;
    std::vector<uint8_t> perKeyTable_;
    std::vector<uint8_t> macroMemory_;
    std::vector<uint8_t> lightFrame_;
    PowerState power_;
    int openUpdates_ = 0;
    bool keyReadsAssigned_ = false;
    std::vector<PendingFault> faults_;
    std::deque<LoggedRequest> log_;
    size_t requestCount_ = 0;
};

// Kind names the factory knows, in the order "mouse", "mousepad", "headset", "keyboard".
std::vector<std::string> deviceKinds();

// The firmware of a device kind with its factory state; null for an unknown kind. Without a version number the
// device reports 0x0103.
std::unique_ptr<FirmwareDevice> makeDevice(std::string_view kind, std::optional<uint16_t> versionNumber = {});

inline constexpr uint16_t kDefaultVersionNumber = 0x0103;

} // namespace pelan::emu
