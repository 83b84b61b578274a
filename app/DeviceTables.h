#pragma once

#include <array>
#include <cstdint>

// The main window's fixed tables: one row per device kind the window makes a page for, and the page each row gets.
namespace pelan {

struct DeviceKindRow {
    const char* optionLayout;
    const char* pageContainer;
    const char* powerContainer;
    const char* kindName;
    uint16_t vendorId;
    uint16_t productId;
    uint16_t kind;
    uint16_t role;
    int deviceIndex;
};

struct DevicePageRow {
    const char* pageLayout;
    int firstInteger;
    int secondInteger;
    int thirdInteger;
    int fourthInteger;
    const char* lightFileStem;
};

inline constexpr int kDeviceKindRowCount = 4;

// Rows, in order: mouse, keyboard, mousepad, headset.
const std::array<DeviceKindRow, kDeviceKindRowCount>& deviceKindTable();
// The page of each device kind row, same order.
const std::array<DevicePageRow, kDeviceKindRowCount>& devicePageTable();

} // namespace pelan
