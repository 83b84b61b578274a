#pragma once

#include <cstdint>
#include <vector>

namespace pelan::emu {

// Report IDs of the vendor interface shared by the mouse, the mousepad and the keyboard.
namespace reportId {
inline constexpr uint8_t keyboard = 1;
inline constexpr uint8_t systemControl = 2;
inline constexpr uint8_t consumerControl = 3;
inline constexpr uint8_t command = 4;
// The headset's consumer input, in the same collection as its command reports.
inline constexpr uint8_t headsetConsumer = 1;
} // namespace reportId

// Interface 0 of the mouse and the mousepad: a boot-protocol mouse without report IDs.
const std::vector<uint8_t>& bootMouseDescriptor();

// Interface 0 of the keyboard: a boot-protocol keyboard without report IDs.
const std::vector<uint8_t>& bootKeyboardDescriptor();

// Interface 1 of the mouse, mousepad and keyboard: four top-level collections in this order: keyboard (ID 1),
// system control (ID 2), consumer control (ID 3, the notification collection), vendor commands (usage page 0xFF1C,
// usage 0x92, ID 4, 63 data bytes each way).
const std::vector<uint8_t>& vendorInterfaceDescriptor();

// Interface 3 of the headset: one consumer-control collection holding the consumer input (ID 1) and the vendor
// command reports (ID 4).
const std::vector<uint8_t>& headsetInterfaceDescriptor();

} // namespace pelan::emu
