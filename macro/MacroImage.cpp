#include "macro/MacroImage.h"

#include "macro/MacroFiles.h"

#include <algorithm>

namespace pelan {
namespace {

constexpr uint8_t kDownBit = 0x80;
constexpr uint8_t kTypeMask = 0x7F;

void putU16(std::vector<uint8_t>& bytes, size_t offset, size_t value) {
    bytes[offset] = static_cast<uint8_t>(value & 0xFF);
    bytes[offset + 1] = static_cast<uint8_t>((value >> 8) & 0xFF);
}

size_t recordSize(const std::vector<MacroEvent>& events) {
    return kMacroRecordHeaderSize + kMacroEventSize * events.size();
}

// Writes one record at `offset` and returns the offset after it.
size_t putRecord(std::vector<uint8_t>& bytes, size_t offset, const std::vector<MacroEvent>& events) {
    putU16(bytes, offset, events.size());
    size_t position = offset + kMacroRecordHeaderSize; // the two bytes after the count stay 0
    for (const MacroEvent& event : events) {
        const MacroEventBytes encoded = encodeMacroEvent(event);
        std::copy(encoded.begin(), encoded.end(), bytes.begin() + static_cast<std::ptrdiff_t>(position));
        position += kMacroEventSize;
    }
    return position;
}

std::vector<uint8_t> assembleImage(const std::vector<std::vector<MacroEvent>>& macros, size_t total) {
    std::vector<uint8_t> bytes(total, 0);
    putU16(bytes, 0, kMacroImageSignature);
    putU16(bytes, 2, total);
    putU16(bytes, 4, macros.size());
    size_t recordOffset = kMacroImageHeaderSize + kMacroOffsetSize * macros.size();
    for (size_t i = 0; i < macros.size(); ++i) {
        putU16(bytes, kMacroImageHeaderSize + kMacroOffsetSize * i, recordOffset);
        recordOffset = putRecord(bytes, recordOffset, macros[i]);
    }
    return bytes;
}

} // namespace

MacroEventBytes encodeMacroEvent(const MacroEvent& event) {
    const auto type = static_cast<uint8_t>((event.type & kTypeMask) | (event.down ? kDownBit : 0));
    return {static_cast<uint8_t>(event.delay & 0xFF), static_cast<uint8_t>(event.delay >> 8), type,
            static_cast<uint8_t>(event.button & 0xFF)};
}

size_t macroImageSize(const std::vector<std::vector<MacroEvent>>& macros) {
    size_t total = kMacroImageHeaderSize;
    for (const auto& events : macros)
        total += kMacroOffsetSize + recordSize(events);
    return total;
}

int macroOverflowCount(size_t imageSize, size_t capacityBytes) {
    if (imageSize <= capacityBytes)
        return 0;
    return static_cast<int>(std::min<size_t>((imageSize - capacityBytes) / kMacroEventSize + 1, INT32_MAX));
}

MacroImageResult buildMacroImage(const std::vector<std::vector<MacroEvent>>& macros, size_t capacityBytes) {
    MacroImageResult result;
    if (macros.empty())
        return result;
    const size_t total = macroImageSize(macros);
    const size_t capacity = std::min(capacityBytes, kMaxMacroImageSize);
    if (total > capacity) {
        result.status = MacroImageResult::Status::OverCapacity;
        result.overflowEvents = macroOverflowCount(total, capacity);
        return result;
    }
    result.status = MacroImageResult::Status::Built;
    result.bytes = assembleImage(macros, total);
    return result;
}

std::vector<std::vector<MacroEvent>> loadMacroSetEvents(const std::string& userDeviceFolder,
                                                        const std::string& listFileName) {
    std::vector<std::vector<MacroEvent>> macros;
    for (const MacroEntry& entry : loadMacroList(userDeviceFolder, listFileName))
        macros.push_back(loadMacroEvents(userDeviceFolder, entry.guid));
    return macros;
}

MacroImageResult buildMacroImageFromFolder(const std::string& userDeviceFolder, const std::string& listFileName,
                                           size_t capacityBytes) {
    return buildMacroImage(loadMacroSetEvents(userDeviceFolder, listFileName), capacityBytes);
}

} // namespace pelan
