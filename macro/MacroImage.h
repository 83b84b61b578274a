#pragma once

#include "macro/MacroEvent.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace pelan {

// The macro memory of a device: a 16-byte header (signature, total size, macro count), a table of 16-bit record
// offsets, then one record per macro (event count, two zero bytes, 4 bytes per event). Little-endian throughout.
inline constexpr uint16_t kMacroImageSignature = 0x55AA;
inline constexpr size_t kMacroImageHeaderSize = 16;
inline constexpr size_t kMacroOffsetSize = 2;
inline constexpr size_t kMacroRecordHeaderSize = 4;
inline constexpr size_t kMacroEventSize = 4;
// Sizes and offsets are 16-bit, so no image can be larger than this, whatever the device offers.
inline constexpr size_t kMaxMacroImageSize = 0xFFFF;
// The device reports its macro memory in units of this many bytes.
inline constexpr size_t kMacroCapacityUnit = 128;

using MacroEventBytes = std::array<uint8_t, kMacroEventSize>;

// Delay low and high byte, `Type` (7 bits) with bit 7 set for "down", `Button` (low 8 bits).
MacroEventBytes encodeMacroEvent(const MacroEvent& event);

// Bytes an image of these macros takes.
size_t macroImageSize(const std::vector<std::vector<MacroEvent>>& macros);

// How many events are too many for the capacity, as reported to the user: (size - capacity) / 4 + 1.
int macroOverflowCount(size_t imageSize, size_t capacityBytes);

struct MacroImageResult {
    enum class Status {
        Built,        // bytes hold the image
        NoMacros,     // the list is missing, unreadable or empty: nothing to send
        OverCapacity, // overflowEvents events do not fit; nothing to send
    };
    Status status = Status::NoMacros;
    int overflowEvents = 0;
    std::vector<uint8_t> bytes;
};

// The image of these macros (in list order) for a device offering capacityBytes of macro memory.
MacroImageResult buildMacroImage(const std::vector<std::vector<MacroEvent>>& macros, size_t capacityBytes);

// The events of every macro of a device's macro list, in list order; a macro whose event file is missing,
// unreadable or unsafe to open has no events. Empty when the list is missing, unreadable or empty.
std::vector<std::vector<MacroEvent>> loadMacroSetEvents(const std::string& userDeviceFolder,
                                                        const std::string& listFileName);

// loadMacroSetEvents followed by buildMacroImage: what a device model writes to its macro memory.
MacroImageResult buildMacroImageFromFolder(const std::string& userDeviceFolder, const std::string& listFileName,
                                           size_t capacityBytes);

} // namespace pelan
