// Feeds arbitrary bytes to the report descriptor parser and, when they parse, to the report decoding built on it.
#include <cstddef>
#include <cstdint>
#include <span>

#include "device/ReportDescriptor.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    pelan::ParsedReportDescriptor parsed;
    if (!pelan::parseReportDescriptor(std::span<const uint8_t>(data, size), parsed, nullptr))
        return 0;
    for (const pelan::HidTopLevelCollection& collection : parsed.collections) {
        for (const pelan::HidField& field : collection.fields)
            for (uint32_t slot = 0; slot < field.reportCount && slot < 64; ++slot)
                (void)field.usageForSlot(slot);
        (void)collection.reportByteLength(pelan::HidReportKind::Input);
        (void)collection.reportByteLength(pelan::HidReportKind::Output);
        (void)collection.reportByteLength(pelan::HidReportKind::Feature);
    }
    return 0;
}
