#include "device/ReportProtocol.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <thread>

#include "platform/Trace.h"

namespace pelan {
namespace {

constexpr uint32_t kWiredTimeoutMs = 1000;
constexpr uint32_t kWirelessTimeoutMs = 5000;
constexpr uint32_t kStreamTimeoutMs = 1000;
constexpr uint16_t kMaxBlockSize = 512;
constexpr uint16_t kKeyTableSpan = 512;
constexpr uint8_t kMaxShortRead = kReportLength - report::kData;

// 32 bytes in groups of four: three blanks between the first four groups, two between the rest.
std::string formatHalfReport(const uint8_t* bytes) {
    char line[160];
    int n = 0;
    for (int i = 0; i < 32; ++i) {
        const char* separator = "";
        if (i > 0)
            separator = (i % 4 != 0) ? " " : (i <= 12 ? "   " : "  ");
        n += std::snprintf(line + n, sizeof(line) - size_t(n), "%s%02x", separator, bytes[i]);
    }
    return std::string(line, size_t(n));
}

void traceReport(const char* title, const uint8_t* bytes) {
    if (!traceEnabled())
        return;
    trace(title);
    trace(formatHalfReport(bytes));
    trace(formatHalfReport(bytes + 32));
}

bool traceDroppedReply(const uint8_t* bytes, size_t length) {
    Report shown{};
    std::memcpy(shown.data(), bytes, std::min(length, kReportLength));
    traceReport("dropped reply", shown.data());
    return true;
}

int statusResult(const Report& reply) {
    switch (reply[report::kStatus]) {
    case report::kStatusRefusedFF:
        return kResultRefusedFF;
    case report::kStatusRefusedFE:
        return kResultRefusedFE;
    default:
        return kResultAccepted;
    }
}

void fillHeader(Report& request, uint8_t code, uint8_t length, uint16_t offset) {
    request[report::kReportId] = kProtocolReportId;
    request[report::kCommand] = code;
    request[report::kLength] = length;
    request[report::kOffsetLow] = uint8_t(offset & 0xFF);
    request[report::kOffsetHigh] = uint8_t(offset >> 8);
    request[report::kStatus] = 0;
}

// The data length of the packet that starts at `done` of `total` bytes.
uint8_t packetLength(uint32_t done, uint32_t total, uint8_t maxChunk) {
    return done + maxChunk < total ? maxChunk : uint8_t(total - done);
}

} // namespace

void setReportChecksum(Report& request) {
    uint32_t sum = 0;
    for (size_t i = report::kCommand; i < kReportLength; ++i)
        sum += request[i];
    request[report::kChecksumLow] = uint8_t(sum & 0xFF);
    request[report::kChecksumHigh] = uint8_t((sum >> 8) & 0xFF);
}

uint32_t ReportProtocol::timeoutMs() const {
    return wireless ? kWirelessTimeoutMs : kWiredTimeoutMs;
}

int ReportProtocol::exchange(const uint8_t* request, size_t requestLength, uint8_t* reply, size_t replyLength,
                             uint32_t& bytesRead) {
    busy = true;
    bytesRead = 0;
    if (!connected) {
        busy = false;
        return kResultNoAnswer;
    }
    Report out{};
    std::memcpy(out.data(), request, std::min(requestLength, kReportLength));
    traceReport("命令", out.data());

    const uint8_t code = out[report::kCommand];
    const uint32_t timeout = timeoutMs();
    int result = 0;
    {
        std::lock_guard lock(ioLock);
        strayReply_.reset(); // whatever the stream kept belonged to an earlier command
        // A reply that came after its command gave up must not answer this one.
        device.discardInput(traceDroppedReply);
        uint32_t written = 0;
        result = device.writeReport(uint32_t(kReportLength), written, out.data(), timeout);
    }
    if (result <= 0) {
        busy = false;
        return kResultWriteFailed;
    }
    {
        std::lock_guard lock(ioLock);
        if (takeStrayReply(code, reply, replyLength, bytesRead)) {
            result = kResultAccepted;
        } else {
            // Only a reply that echoes the command answers it; others are read past until the time-out.
            const auto answersRequest = [code](const uint8_t* bytes, size_t length) {
                const bool matches = length > report::kCommand && bytes[report::kCommand] == code;
                if (!matches)
                    traceDroppedReply(bytes, length);
                return matches;
            };
            result = device.readReport(uint32_t(replyLength), bytesRead, reply, timeout, answersRequest);
        }
    }
    Report in{};
    std::memcpy(in.data(), reply, std::min<size_t>({replyLength, kReportLength, bytesRead}));
    traceReport("返回", in.data());
    busy = false;
    return result;
}

int ReportProtocol::exchangeUnmatched(const uint8_t* request, size_t requestLength, uint8_t* reply, size_t replyLength,
                                      uint32_t& bytesRead) {
    bytesRead = 0;
    Report out{};
    std::memcpy(out.data(), request, std::min(requestLength, kReportLength));
    int result = 0;
    {
        std::lock_guard lock(ioLock);
        uint32_t written = 0;
        result = device.writeReport(uint32_t(kReportLength), written, out.data(), kStreamTimeoutMs);
    }
    if (result <= 0)
        return kResultWriteFailed;
    std::lock_guard lock(ioLock);
    result = device.readReport(uint32_t(replyLength), bytesRead, reply, kStreamTimeoutMs);
    if (result && bytesRead > report::kCommand && replyLength > report::kCommand &&
        reply[report::kCommand] != out[report::kCommand]) {
        Report stray{};
        std::memcpy(stray.data(), reply, std::min<size_t>({replyLength, kReportLength, bytesRead}));
        strayReply_ = stray;
        std::memset(reply, 0, replyLength); // the stream's own answer is not known: no refusal to report
    }
    return result;
}

bool ReportProtocol::takeStrayReply(uint8_t code, uint8_t* reply, size_t replyLength, uint32_t& bytesRead) {
    if (!strayReply_ || (*strayReply_)[report::kCommand] != code)
        return false;
    const size_t length = std::min(replyLength, kReportLength);
    std::memcpy(reply, strayReply_->data(), length);
    bytesRead = uint32_t(length);
    strayReply_.reset();
    return true;
}

// One packet under the command lock: the exchange's result, or the refusal the reply's status byte carries.
int ReportProtocol::commandPacket(Report& request, Report& reply) {
    setReportChecksum(request);
    uint32_t got = 0;
    int result = 0;
    {
        std::lock_guard lock(commandLock);
        result = exchange(request.data(), request.size(), reply.data(), reply.size(), got);
    }
    return result == kResultAccepted ? statusResult(reply) : result;
}

int ReportProtocol::sendSimple(uint8_t code, Report& reply) {
    Report request{};
    fillHeader(request, code, 0, 0);
    return commandPacket(request, reply);
}

int ReportProtocol::beginUpdate() {
    Report reply{};
    return sendSimple(command::kBeginUpdate, reply);
}

int ReportProtocol::endUpdate() {
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
    Report reply{};
    return sendSimple(command::kEndUpdate, reply);
}

bool ReportProtocol::isOnline() {
    Report reply{};
    return sendSimple(command::kIsOnline, reply) == kResultAccepted && reply[report::kData] == 0xFF;
}

// The request buffer is zeroed once: behind a shorter last packet the previous packet's data stays and counts in
// the checksum, as the devices expect.
int ReportProtocol::chunked(uint8_t code, Direction direction, uint8_t* buffer, uint32_t length, uint16_t baseOffset) {
    Report request{};
    for (uint32_t done = 0; done < length; done += maxChunk) {
        const uint8_t size = packetLength(done, length, maxChunk);
        fillHeader(request, code, size, uint16_t(baseOffset + done));
        if (direction == Direction::Write)
            std::memcpy(request.data() + report::kData, buffer + done, size);
        Report reply{};
        const int result = commandPacket(request, reply);
        if (result != kResultAccepted)
            return result;
        if (direction == Direction::Read)
            std::memcpy(buffer + done, reply.data() + report::kData, size);
    }
    return kResultAccepted;
}

int ReportProtocol::readDeviceInfo(uint8_t* info) {
    return chunked(command::kReadDeviceInfo, Direction::Read, info, kDeviceInfoLength, 0);
}

int ReportProtocol::readMemory(uint8_t* buffer, uint32_t length, uint16_t baseOffset) {
    return chunked(command::kReadMemory, Direction::Read, buffer, length, baseOffset);
}

int ReportProtocol::writeMemory(const uint8_t* data, uint32_t length, uint16_t baseOffset) {
    return chunked(command::kWriteMemory, Direction::Write, const_cast<uint8_t*>(data), length, baseOffset);
}

int ReportProtocol::readKeyTable(uint8_t* buffer) {
    return chunked(command::kReadKeyTable, Direction::Read, buffer, blockSize, 0);
}

int ReportProtocol::writeKeyTable(const uint8_t* data, uint32_t table) {
    if (table > 1)
        return kResultBadKeyTable;
    return chunked(command::kWriteKeyTable, Direction::Write, const_cast<uint8_t*>(data), blockSize,
                   uint16_t(table * kKeyTableSpan));
}

int ReportProtocol::writeMacroData(const uint8_t* data, uint32_t length) {
    return chunked(command::kWriteMacroData, Direction::Write, const_cast<uint8_t*>(data), length, 0);
}

int ReportProtocol::readPerKeyTable(uint8_t* buffer) {
    return chunked(command::kReadPerKeyTable, Direction::Read, buffer, blockSize / 3, 0);
}

int ReportProtocol::readShort(uint8_t* buffer, uint8_t length, uint16_t offset) {
    if (length > kMaxShortRead)
        return kResultNoAnswer; // more than one reply carries
    Report request{};
    fillHeader(request, command::kReadShort, length, offset);
    Report reply{};
    const int result = commandPacket(request, reply);
    if (result != kResultAccepted)
        return result;
    std::memcpy(buffer, reply.data() + report::kData, length);
    return kResultAccepted;
}

int ReportProtocol::streamLight(const uint8_t* data, uint32_t length) {
    return streamChunked(data, length);
}

void ReportProtocol::interruptStreams() {
    streamsInterrupted_ = true;
    if (device.handle)
        device.handle->cancel();
}

void ReportProtocol::resumeStreams() {
    streamsInterrupted_ = false;
}

// Packets that are not sent (a command is under way, or the link is wireless) count as accepted. Nothing goes out
// while the channel is not connected: the interface may be closed or being reopened for another device.
int ReportProtocol::streamChunked(const uint8_t* data, uint32_t length) {
    Report request{};
    for (uint32_t done = 0; done < length; done += maxChunk) {
        if (!connected || streamsInterrupted_)
            return kResultNoAnswer;
        const uint8_t size = packetLength(done, length, maxChunk);
        fillHeader(request, command::kStreamLight, size, uint16_t(done));
        std::memcpy(request.data() + report::kData, data + done, size);
        setReportChecksum(request);
        if (busy) {
            trace("放弃灯光数据");
            continue;
        }
        if (wireless)
            continue;
        Report reply{};
        uint32_t got = 0;
        int result = 0;
        {
            std::lock_guard lock(streamLock);
            result = exchangeUnmatched(request.data(), request.size(), reply.data(), reply.size(), got);
        }
        if (result != kResultAccepted)
            return result;
        if (statusResult(reply) != kResultAccepted)
            return statusResult(reply);
    }
    return kResultAccepted;
}

int ReportProtocol::setBlockSize(uint16_t size) {
    if (size > kMaxBlockSize)
        return 0;
    blockSize = size;
    return 1;
}

bool ReportProtocol::wirelessGuard() {
    if (!wireless)
        return true;
    return connected && isOnline();
}

} // namespace pelan
