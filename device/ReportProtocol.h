#pragma once

#include <array>
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <mutex>
#include <optional>

#include "device/HidDevice.h"

namespace pelan {

// Results of the commands, as the device pages see them.
enum ProtocolResult : int {
    kResultAccepted = 1,
    kResultNoAnswer = 0, // not connected, time-out or cancelled
    kResultWriteFailed = -1,
    kResultRefusedFF = -102,
    kResultRefusedFE = -103,
    kResultBadKeyTable = -201,
};

namespace command {
constexpr uint8_t kBeginUpdate = 0x01;
constexpr uint8_t kEndUpdate = 0x02;
constexpr uint8_t kReadDeviceInfo = 0x03;
constexpr uint8_t kReadMemory = 0x05;
constexpr uint8_t kWriteMemory = 0x06;
constexpr uint8_t kReadKeyTable = 0x07;
constexpr uint8_t kWriteKeyTable = 0x09;
constexpr uint8_t kStreamLight = 0x12;
constexpr uint8_t kWriteMacroData = 0x15;
constexpr uint8_t kReadShort = 0x1A;
constexpr uint8_t kReadPerKeyTable = 0x1B;
constexpr uint8_t kIsOnline = 0xAA;
} // namespace command

constexpr size_t kReportLength = 64;
constexpr size_t kDeviceInfoLength = 34;
constexpr uint8_t kProtocolReportId = 0x04;

// Byte positions of a request and a reply.
namespace report {
constexpr size_t kReportId = 0;
constexpr size_t kChecksumLow = 1;
constexpr size_t kChecksumHigh = 2;
constexpr size_t kCommand = 3;
constexpr size_t kLength = 4;
constexpr size_t kOffsetLow = 5;
constexpr size_t kOffsetHigh = 6;
constexpr size_t kStatus = 7;
constexpr size_t kData = 8;
constexpr uint8_t kStatusRefusedFF = 0xFF;
constexpr uint8_t kStatusRefusedFE = 0xFE;
} // namespace report

using Report = std::array<uint8_t, kReportLength>;

// Stores the 16-bit sum of bytes 3 to 63 in bytes 1 and 2.
void setReportChecksum(Report& request);

// The 64-byte request/reply protocol on a device's command interface. Every command is split into packets of at most
// `maxChunk` data bytes; each packet is one matched exchange under the command lock. The light stream has a lock of
// its own and drops its packets while a command exchange runs, so commands never wait for animation frames.
class ReportProtocol {
public:
    ReportProtocol() = default;
    ReportProtocol(const ReportProtocol&) = delete;
    ReportProtocol& operator=(const ReportProtocol&) = delete;

    // One request and the reply that answers it. Input already queued is read away before the request goes out (a
    // late reply of an earlier command), and only a reply with the request's byte 3 is taken; others are read past
    // until the time-out. 0 when not connected or no such reply came in time, -1 when the write failed, else 1.
    int exchange(const uint8_t* request, size_t requestLength, uint8_t* reply, size_t replyLength, uint32_t& bytesRead);
    // The light stream's exchange: one write and one read of 1000 ms each, without matching, trace or busy flag.
    // Stream and commands share the interface, so the read can take the reply of a command running at the same
    // time: such a reply is handed over to the command, and the stream packet counts as answered.
    int exchangeUnmatched(const uint8_t* request, size_t requestLength, uint8_t* reply, size_t replyLength,
                          uint32_t& bytesRead);

    int beginUpdate();
    // Waits 10 ms first, so the device has finished with the writes before it.
    int endUpdate();
    int readDeviceInfo(uint8_t* info);
    int readMemory(uint8_t* buffer, uint32_t length, uint16_t baseOffset);
    int writeMemory(const uint8_t* data, uint32_t length, uint16_t baseOffset);
    // `blockSize` bytes of key table 0.
    int readKeyTable(uint8_t* buffer);
    // `blockSize` bytes into key table 0 or 1; -201 for another table, before anything is sent.
    int writeKeyTable(const uint8_t* data, uint32_t table);
    int streamLight(const uint8_t* data, uint32_t length);
    // For a stopper about to join the thread that streams: the stream under way ends before its next packet, its
    // wait for the device ends at once, and no stream sends anything until resumeStreams().
    void interruptStreams();
    void resumeStreams();
    int writeMacroData(const uint8_t* data, uint32_t length);
    // One packet returning `length` bytes (at most 56) read at `offset`.
    int readShort(uint8_t* buffer, uint8_t length, uint16_t offset);
    // `blockSize` / 3 bytes: one per key.
    int readPerKeyTable(uint8_t* buffer);
    bool isOnline();
    // Refuses sizes above 512 (returns 0 and keeps the old size).
    int setBlockSize(uint16_t size);

    // Whether the next step of a device-page sequence may be sent: always over a cable; over a wireless link only
    // while connected and the device answers the online check.
    bool wirelessGuard();

    std::atomic<uint16_t> blockSize{512};
    std::atomic<bool> busy{false};
    std::atomic<int> connected{0};
    std::atomic<int> animationPaused{0};
    HidDevice device;
    std::mutex ioLock;
    std::mutex commandLock;
    std::mutex streamLock;
    std::atomic<int> wireless{0};
    uint8_t maxChunk = 56;

private:
    // A command's reply that the light stream's read took from the interface, kept for the command. Guarded by
    // ioLock, under which both paths read.
    std::optional<Report> strayReply_;
    std::atomic<bool> streamsInterrupted_{false};

    enum class Direction { Read, Write };
    int commandPacket(Report& request, Report& reply);
    int sendSimple(uint8_t code, Report& reply);
    int chunked(uint8_t code, Direction direction, uint8_t* buffer, uint32_t length, uint16_t baseOffset);
    int streamChunked(const uint8_t* data, uint32_t length);
    // Called under ioLock: hands over a reply the stream took for the command with this code.
    bool takeStrayReply(uint8_t code, uint8_t* reply, size_t replyLength, uint32_t& bytesRead);
    uint32_t timeoutMs() const;
};

} // namespace pelan
