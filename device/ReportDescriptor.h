#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace pelan {

enum class HidReportKind : uint8_t { Input = 0, Output = 1, Feature = 2 };

// One data main item (Input, Output or Feature) of a top-level collection.
struct HidField {
    HidReportKind kind = HidReportKind::Input;
    uint8_t reportId = 0;
    uint16_t usagePage = 0;
    bool isArray = false;
    bool isConstant = false;
    bool isAbsolute = true;
    // Bit position of the field inside the report, counted after the report ID byte.
    uint32_t bitOffset = 0;
    uint32_t reportSize = 0;
    uint32_t reportCount = 0;
    int32_t logicalMin = 0;
    int32_t logicalMax = 0;
    int32_t physicalMin = 0;
    int32_t physicalMax = 0;
    int32_t unitExponent = 0;
    uint32_t unit = 0;
    // The usages the field's data maps to, in order: an explicit list, or a range when isRange is set.
    bool isRange = false;
    uint16_t usageMin = 0;
    uint16_t usageMax = 0;
    std::vector<uint16_t> usages;

    // Buttons are arrays and one-bit variables; everything else carries values.
    bool isButton() const { return isArray || reportSize == 1; }
    // The usage of data slot i of a variable field: the i-th usage, the last one repeating when there are fewer.
    uint16_t usageForSlot(uint32_t slot) const;
};

// The bit length of one report (without its ID byte) of one kind and ID.
struct HidReportSize {
    HidReportKind kind = HidReportKind::Input;
    uint8_t reportId = 0;
    uint32_t bits = 0;
};

struct HidTopLevelCollection {
    uint16_t usagePage = 0;
    uint16_t usage = 0;
    std::vector<HidField> fields;
    std::vector<HidReportSize> reports;

    bool usesReportIds() const;
    bool hasReportId(uint8_t reportId) const;
    // The longest report of a kind in bytes, plus one for the report ID byte; 0 when the collection has none.
    uint16_t reportByteLength(HidReportKind kind) const;
};

struct ParsedReportDescriptor {
    std::vector<HidTopLevelCollection> collections;
    bool usesReportIds = false;
};

// Parses a binary HID report descriptor into its top-level collections. It takes what the Linux kernel's parser
// takes: unknown main items (such as a 00 pad at the end), reserved and long items are skipped, fields up to 256
// bits wide are laid out (values wider than 32 bits are not read), data outside any collection only takes its
// place in the report. A malformed descriptor (truncated items, unbalanced collections or push/pop, report IDs
// out of range, reports longer than 4096 bytes, nesting deeper than 32) fails with a reason.
bool parseReportDescriptor(std::span<const uint8_t> descriptor, ParsedReportDescriptor& out, std::string* error);

} // namespace pelan
