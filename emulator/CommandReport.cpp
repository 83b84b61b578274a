#include "emulator/CommandReport.h"

#include <algorithm>

namespace pelan::emu {

uint16_t commandChecksum(std::span<const uint8_t> report) {
    uint32_t sum = 0;
    for (size_t i = field::code; i < report.size() && i < kCommandReportSize; ++i) {
        sum += report[i];
    }
    return static_cast<uint16_t>(sum & 0xFFFF);
}

CommandReport makeCommandRequest(uint8_t code, uint8_t length, uint16_t offset, std::span<const uint8_t> data) {
    CommandReport request{};
    request[field::reportId] = kCommandReportId;
    request[field::code] = code;
    request[field::length] = length;
    request[field::offsetLow] = static_cast<uint8_t>(offset & 0xFF);
    request[field::offsetHigh] = static_cast<uint8_t>(offset >> 8);
    std::copy_n(data.begin(), std::min(data.size(), kMaxCommandData), request.begin() + kCommandDataOffset);
    const uint16_t sum = commandChecksum(request);
    request[field::checksumLow] = static_cast<uint8_t>(sum & 0xFF);
    request[field::checksumHigh] = static_cast<uint8_t>(sum >> 8);
    return request;
}

CommandReport toCommandReport(std::span<const uint8_t> report) {
    CommandReport full{};
    std::copy_n(report.begin(), std::min(report.size(), full.size()), full.begin());
    return full;
}

} // namespace pelan::emu
