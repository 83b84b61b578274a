#pragma once

#include <array>
#include <cstdint>
#include <type_traits>

#include "profile/ProfileRecords.h"

namespace pelan {

class ReportProtocol;

// The lighting record of the mousepad and of the headset's lights: the page's copy of the device's settings. The
// same 21 bytes go over the wire, except the speed, which the device holds as 4 - speed.
struct PadSettingsRecord {
    uint8_t profile = 0; // current profile index, as read from the device
    uint8_t mode = 0;
    uint8_t brightness = 0; // level 0 to 4
    uint8_t speed = 0;      // 0 to 4
    uint8_t effect = 0;     // the device's effect (direction) byte; kept as read
    uint8_t multiColour = 0;
    uint8_t red = 0;
    uint8_t green = 0;
    uint8_t blue = 0;
    std::array<uint8_t, 12> reserved{}; // not interpreted; written back as read

    friend bool operator==(const PadSettingsRecord&, const PadSettingsRecord&) = default;
};
static_assert(sizeof(PadSettingsRecord) == 21);
static_assert(std::is_trivially_copyable_v<PadSettingsRecord>);

namespace padmemory {
constexpr uint16_t kProfileIndexOffset = 0;
// A profile's block is read 25 bytes at profile x 25; the record is written at profile x 64.
constexpr uint16_t kReadStride = 25;
constexpr uint16_t kReadLength = 25;
constexpr uint16_t kWriteStride = 64;
constexpr uint16_t kRecordLength = sizeof(PadSettingsRecord);
} // namespace padmemory

using PadRecordBytes = std::array<uint8_t, padmemory::kRecordLength>;

// Wire bytes of a record (speed turned into 4 - speed), and back. A wire speed above 4 reads as speed 0.
PadRecordBytes encodePadRecord(const PadSettingsRecord& record);
PadSettingsRecord decodePadRecord(const PadRecordBytes& bytes);

// The record's light fields as a light setting; the effect byte comes from `effect`.
LightInfo padRecordLight(const PadSettingsRecord& record, uint8_t effect);
// Copies mode, brightness, speed, multicolour and colour of a light setting into the record.
void applyLightToPadRecord(PadSettingsRecord& record, const LightInfo& light);

// Reads the current profile index, then that profile's block. On success the record takes the block (the profile
// index in byte 0) and 1 is returned; when the device is not connected or a read fails the record is left as it
// was and the failing result (0 or negative) is returned.
int readPadRecord(ReportProtocol& channel, PadSettingsRecord& record);

} // namespace pelan
