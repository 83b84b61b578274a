#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

namespace pelan::emu {

// Shape of the 64-byte vendor command reports exchanged on a device's command collection.
inline constexpr uint8_t kCommandReportId = 0x04;
inline constexpr size_t kCommandReportSize = 64;
inline constexpr size_t kCommandDataOffset = 8;
inline constexpr size_t kMaxCommandData = kCommandReportSize - kCommandDataOffset; // 56

// Byte positions inside a command report.
namespace field {
inline constexpr size_t reportId = 0;
inline constexpr size_t checksumLow = 1;
inline constexpr size_t checksumHigh = 2;
inline constexpr size_t code = 3;
inline constexpr size_t length = 4;
inline constexpr size_t offsetLow = 5;
inline constexpr size_t offsetHigh = 6;
inline constexpr size_t status = 7;
} // namespace field

// Command codes the firmware understands.
namespace command {
inline constexpr uint8_t beginUpdate = 0x01;
inline constexpr uint8_t endUpdate = 0x02;
inline constexpr uint8_t readDeviceInfo = 0x03;
inline constexpr uint8_t readMemory = 0x05;
inline constexpr uint8_t writeMemory = 0x06;
inline constexpr uint8_t readKeyTable = 0x07;
inline constexpr uint8_t writeKeyTable = 0x09;
inline constexpr uint8_t streamLight = 0x12;
inline constexpr uint8_t writeMacroData = 0x15;
inline constexpr uint8_t readStatus = 0x1A;
inline constexpr uint8_t readPerKeyTable = 0x1B;
inline constexpr uint8_t isOnline = 0xAA;
} // namespace command

// Status byte of a reply.
namespace status {
inline constexpr uint8_t accepted = 0x00;
// Bad checksum, unknown command or an injected refusal.
inline constexpr uint8_t refused = 0xFF;
// Offset or length outside the addressed area.
inline constexpr uint8_t outOfRange = 0xFE;
} // namespace status

using CommandReport = std::array<uint8_t, kCommandReportSize>;

// Sum of bytes 3 to 63 as unsigned bytes, cut to 16 bits; bytes missing from a short report count as 0.
uint16_t commandChecksum(std::span<const uint8_t> report);

// A request as the host frames it: report ID, code, length, offset, status 0, data from byte 8, checksum last.
// Data beyond 56 bytes is cut.
CommandReport makeCommandRequest(uint8_t code, uint8_t length = 0, uint16_t offset = 0,
                                 std::span<const uint8_t> data = {});

// Copies a received report into a full-size report: shorter ones are zero-filled, longer ones cut.
CommandReport toCommandReport(std::span<const uint8_t> report);

} // namespace pelan::emu
