#include "app/DeviceTables.h"

#include <cstddef>

namespace pelan {
namespace {

constexpr const char* kOptionLayout = "XML/CustomControlXML/DeviceOption.xml";
constexpr const char* kPageContainer = "tab_header_device";
constexpr const char* kPowerContainer = "device_power_switch";
constexpr const char* kLightFileStem = "tavix_light";

} // namespace

const std::array<DeviceKindRow, kDeviceKindRowCount>& deviceKindTable() {
    static const std::array<DeviceKindRow, kDeviceKindRowCount> rows = {{
        {kOptionLayout, kPageContainer, kPowerContainer, "mouse", 0x0C45, 0x7643, 2, 0, 1},
        {kOptionLayout, kPageContainer, kPowerContainer, "keyboard", 0xFFFF, 0xFFFF, 1, 0, 0},
        {kOptionLayout, kPageContainer, kPowerContainer, "MousePad", 0x0C45, 0x6627, 3, 0, 2},
        {kOptionLayout, kPageContainer, kPowerContainer, "HD", 0x0D8C, 0x01DA, 7, 0, 3},
    }};
    return rows;
}

const std::array<DevicePageRow, kDeviceKindRowCount>& devicePageTable() {
    static const std::array<DevicePageRow, kDeviceKindRowCount> rows = {{
        {"XML/DeviceXml/mousedevice.xml", 19, 8, 0, -1, kLightFileStem},
        {"XML/DeviceXml/keyboarddevice.xml", 126, 126, 0, -1, kLightFileStem},
        {"XML/DeviceXml/mousepaddevice.xml", 15, 0, 0, -1, kLightFileStem},
        {"XML/DeviceXml/di6533device.xml", 13, 0, 0, -1, kLightFileStem},
    }};
    return rows;
}

} // namespace pelan
