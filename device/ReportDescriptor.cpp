#include "device/ReportDescriptor.h"

#include <algorithm>
#include <map>
#include <utility>

namespace pelan {
namespace {

// Limits that keep a hostile descriptor from costing much; the usage and field size limits are the kernel's own,
// so every descriptor the kernel takes is taken here too.
constexpr size_t kMaxNesting = 32;
constexpr size_t kMaxLocalUsages = 12288;
constexpr size_t kMaxFields = 4096;
constexpr uint64_t kMaxReportBits = 8 * 4096;
constexpr uint32_t kMaxFieldSize = 256;

enum ItemType : uint8_t { kMain = 0, kGlobal = 1, kLocal = 2, kReserved = 3 };

enum MainTag : uint8_t { kInput = 0x8, kOutput = 0x9, kCollection = 0xA, kFeature = 0xB, kEndCollection = 0xC };

enum GlobalTag : uint8_t {
    kUsagePage = 0x0,
    kLogicalMin = 0x1,
    kLogicalMax = 0x2,
    kPhysicalMin = 0x3,
    kPhysicalMax = 0x4,
    kUnitExponent = 0x5,
    kUnit = 0x6,
    kReportSize = 0x7,
    kReportId = 0x8,
    kReportCount = 0x9,
    kPush = 0xA,
    kPop = 0xB,
};

enum LocalTag : uint8_t { kUsage = 0x0, kUsageMin = 0x1, kUsageMax = 0x2 };

struct GlobalState {
    uint16_t usagePage = 0;
    int32_t logicalMin = 0;
    int32_t logicalMax = 0;
    int32_t physicalMin = 0;
    int32_t physicalMax = 0;
    int32_t unitExponent = 0;
    uint32_t unit = 0;
    uint32_t reportSize = 0;
    uint32_t reportCount = 0;
    uint8_t reportId = 0;
};

struct QualifiedUsage {
    uint16_t page = 0;
    uint16_t id = 0;
};

struct LocalState {
    std::vector<QualifiedUsage> usages;
    bool hasMin = false;
    bool hasMax = false;
    QualifiedUsage usageMin;
    QualifiedUsage usageMax;

    void clear() { *this = LocalState{}; }
};

struct Item {
    uint8_t type = 0;
    uint8_t tag = 0;
    uint32_t unsignedValue = 0;
    int32_t signedValue = 0;
    size_t dataSize = 0;
};

using ReportKey = std::pair<uint8_t, uint8_t>; // kind, report ID

class Parser {
public:
    Parser(std::span<const uint8_t> bytes, ParsedReportDescriptor& out) : bytes_(bytes), out_(out) {}

    bool run(std::string& error) {
        while (pos_ < bytes_.size()) {
            Item item;
            if (!nextItem(item, error))
                return false;
            if (item.type == 0xFF || item.type == kReserved)
                continue; // long and reserved items carry nothing the host uses
            if (!apply(item, error))
                return false;
        }
        if (depth_ != 0)
            return fail(error, "collection not closed at the end of the descriptor");
        if (out_.collections.empty())
            return fail(error, "descriptor has no top-level collection");
        finishReportSizes();
        return true;
    }

private:
    static bool fail(std::string& error, const char* why) {
        error = why;
        return false;
    }

    bool nextItem(Item& item, std::string& error) {
        const uint8_t prefix = bytes_[pos_++];
        if (prefix == 0xFE) {
            if (pos_ + 2 > bytes_.size())
                return fail(error, "truncated long item");
            const size_t size = bytes_[pos_];
            pos_ += 2;
            if (pos_ + size > bytes_.size())
                return fail(error, "truncated long item data");
            pos_ += size;
            item.type = 0xFF;
            return true;
        }
        static constexpr size_t kSizes[4] = {0, 1, 2, 4};
        item.dataSize = kSizes[prefix & 0x3];
        item.type = (prefix >> 2) & 0x3;
        item.tag = prefix >> 4;
        if (pos_ + item.dataSize > bytes_.size())
            return fail(error, "truncated item data");
        uint32_t value = 0;
        for (size_t i = 0; i < item.dataSize; ++i)
            value |= uint32_t(bytes_[pos_ + i]) << (8 * i);
        pos_ += item.dataSize;
        item.unsignedValue = value;
        item.signedValue = signExtend(value, item.dataSize);
        return true;
    }

    static int32_t signExtend(uint32_t value, size_t size) {
        switch (size) {
        case 1:
            return int8_t(value);
        case 2:
            return int16_t(value);
        case 4:
            return int32_t(value);
        default:
            return 0;
        }
    }

    bool apply(const Item& item, std::string& error) {
        switch (item.type) {
        case kMain:
            return applyMain(item, error);
        case kGlobal:
            return applyGlobal(item, error);
        default:
            return applyLocal(item, error);
        }
    }

    bool applyGlobal(const Item& item, std::string& error) {
        switch (item.tag) {
        case kUsagePage:
            global_.usagePage = uint16_t(item.unsignedValue);
            break;
        case kLogicalMin:
            global_.logicalMin = item.signedValue;
            break;
        case kLogicalMax:
            global_.logicalMax = item.signedValue;
            break;
        case kPhysicalMin:
            global_.physicalMin = item.signedValue;
            break;
        case kPhysicalMax:
            global_.physicalMax = item.signedValue;
            break;
        case kUnitExponent:
            global_.unitExponent = item.signedValue;
            break;
        case kUnit:
            global_.unit = item.unsignedValue;
            break;
        case kReportSize:
            if (item.unsignedValue > kMaxFieldSize)
                return fail(error, "report size above 256 bits");
            global_.reportSize = item.unsignedValue;
            break;
        case kReportId:
            if (item.unsignedValue == 0 || item.unsignedValue > 0xFF)
                return fail(error, "report ID out of range");
            global_.reportId = uint8_t(item.unsignedValue);
            out_.usesReportIds = true;
            break;
        case kReportCount:
            if (item.unsignedValue > kMaxReportBits)
                return fail(error, "report count too large");
            global_.reportCount = item.unsignedValue;
            break;
        case kPush:
            if (stack_.size() >= kMaxNesting)
                return fail(error, "global state stack too deep");
            stack_.push_back(global_);
            break;
        case kPop:
            if (stack_.empty())
                return fail(error, "pop without push");
            global_ = stack_.back();
            stack_.pop_back();
            break;
        default:
            break; // reserved global tags carry nothing we use
        }
        return true;
    }

    QualifiedUsage qualify(const Item& item) const {
        if (item.dataSize == 4)
            return {uint16_t(item.unsignedValue >> 16), uint16_t(item.unsignedValue & 0xFFFF)};
        return {global_.usagePage, uint16_t(item.unsignedValue)};
    }

    bool applyLocal(const Item& item, std::string& error) {
        switch (item.tag) {
        case kUsage:
            if (local_.usages.size() >= kMaxLocalUsages)
                return fail(error, "too many usages");
            local_.usages.push_back(qualify(item));
            break;
        case kUsageMin:
            local_.hasMin = true;
            local_.usageMin = qualify(item);
            break;
        case kUsageMax:
            local_.hasMax = true;
            local_.usageMax = qualify(item);
            break;
        default:
            break; // designators, strings and delimiters are not used
        }
        return true;
    }

    bool applyMain(const Item& item, std::string& error) {
        bool ok = true;
        switch (item.tag) {
        case kCollection:
            ok = beginCollection(error);
            break;
        case kEndCollection:
            if (depth_ == 0)
                return fail(error, "end of collection without a collection");
            --depth_;
            break;
        case kInput:
            ok = addField(HidReportKind::Input, item.unsignedValue, error);
            break;
        case kOutput:
            ok = addField(HidReportKind::Output, item.unsignedValue, error);
            break;
        case kFeature:
            ok = addField(HidReportKind::Feature, item.unsignedValue, error);
            break;
        default:
            break; // firmwares pad their descriptors with 00 (main item 0): skipped, as the kernel does
        }
        local_.clear();
        return ok;
    }

    bool beginCollection(std::string& error) {
        if (depth_ >= kMaxNesting)
            return fail(error, "collections nested too deeply");
        if (depth_ == 0) {
            HidTopLevelCollection collection;
            if (!local_.usages.empty()) {
                collection.usagePage = local_.usages.front().page;
                collection.usage = local_.usages.front().id;
            } else if (local_.hasMin) {
                collection.usagePage = local_.usageMin.page;
                collection.usage = local_.usageMin.id;
            } else {
                collection.usagePage = global_.usagePage;
            }
            out_.collections.push_back(std::move(collection));
        }
        ++depth_;
        return true;
    }

    bool addField(HidReportKind kind, uint32_t flags, std::string& error) {
        if (fieldCount_ >= kMaxFields)
            return fail(error, "too many data items");
        const uint64_t bits = uint64_t(global_.reportSize) * global_.reportCount;
        uint32_t& offset = reportBits_[{uint8_t(kind), global_.reportId}];
        if (offset + bits > kMaxReportBits)
            return fail(error, "report longer than 4096 bytes");
        if (depth_ == 0) {
            offset += uint32_t(bits); // the bits are in the report, but no collection reads them
            return true;
        }

        HidField field;
        field.kind = kind;
        field.reportId = global_.reportId;
        field.isConstant = flags & 0x1;
        field.isArray = !(flags & 0x2);
        field.isAbsolute = !(flags & 0x4);
        field.bitOffset = offset;
        field.reportSize = global_.reportSize;
        field.reportCount = global_.reportCount;
        field.logicalMin = global_.logicalMin;
        field.logicalMax = global_.logicalMax;
        field.physicalMin = global_.physicalMin;
        field.physicalMax = global_.physicalMax;
        field.unitExponent = global_.unitExponent;
        field.unit = global_.unit;
        assignUsages(field);
        offset += uint32_t(bits);
        ++fieldCount_;
        out_.collections.back().fields.push_back(std::move(field));
        return true;
    }

    // A usage maximum without a minimum ranges from usage 0; a lone minimum names no usage (the kernel's reading).
    void assignUsages(HidField& field) const {
        if (local_.hasMax) {
            const QualifiedUsage low = local_.hasMin ? local_.usageMin : QualifiedUsage{local_.usageMax.page, 0};
            field.isRange = true;
            field.usagePage = local_.usageMax.page;
            field.usageMin = std::min(low.id, local_.usageMax.id);
            field.usageMax = std::max(low.id, local_.usageMax.id);
        } else if (!local_.usages.empty()) {
            field.usagePage = local_.usages.front().page;
            for (const QualifiedUsage& usage : local_.usages)
                field.usages.push_back(usage.id);
            field.usageMin = *std::min_element(field.usages.begin(), field.usages.end());
            field.usageMax = *std::max_element(field.usages.begin(), field.usages.end());
        } else {
            field.usagePage = global_.usagePage;
        }
    }

    void finishReportSizes() {
        for (HidTopLevelCollection& collection : out_.collections) {
            for (const HidField& field : collection.fields) {
                const bool known =
                    std::any_of(collection.reports.begin(), collection.reports.end(), [&](const HidReportSize& r) {
                        return r.kind == field.kind && r.reportId == field.reportId;
                    });
                if (!known)
                    collection.reports.push_back(
                        {field.kind, field.reportId, reportBits_[{uint8_t(field.kind), field.reportId}]});
            }
        }
    }

    std::span<const uint8_t> bytes_;
    ParsedReportDescriptor& out_;
    size_t pos_ = 0;
    size_t depth_ = 0;
    size_t fieldCount_ = 0;
    GlobalState global_;
    std::vector<GlobalState> stack_;
    LocalState local_;
    std::map<ReportKey, uint32_t> reportBits_;
};

} // namespace

uint16_t HidField::usageForSlot(uint32_t slot) const {
    if (isRange) {
        const uint32_t usage = uint32_t(usageMin) + slot;
        return uint16_t(std::min<uint32_t>(usage, usageMax));
    }
    if (usages.empty())
        return 0;
    return usages[std::min<size_t>(slot, usages.size() - 1)];
}

bool HidTopLevelCollection::usesReportIds() const {
    return std::any_of(reports.begin(), reports.end(), [](const HidReportSize& r) { return r.reportId != 0; });
}

bool HidTopLevelCollection::hasReportId(uint8_t reportId) const {
    return std::any_of(reports.begin(), reports.end(), [&](const HidReportSize& r) { return r.reportId == reportId; });
}

uint16_t HidTopLevelCollection::reportByteLength(HidReportKind kind) const {
    uint32_t longest = 0;
    bool any = false;
    for (const HidReportSize& report : reports) {
        if (report.kind != kind)
            continue;
        any = true;
        longest = std::max(longest, (report.bits + 7) / 8);
    }
    return any ? uint16_t(longest + 1) : 0;
}

bool parseReportDescriptor(std::span<const uint8_t> descriptor, ParsedReportDescriptor& out, std::string* error) {
    out = ParsedReportDescriptor{};
    std::string reason;
    Parser parser(descriptor, out);
    if (parser.run(reason))
        return true;
    out = ParsedReportDescriptor{};
    if (error)
        *error = reason;
    return false;
}

} // namespace pelan
