#include "pages/CVeltraDI6533Device.h"

namespace pelan {

CVeltraDI6533Device::CVeltraDI6533Device()
    : CVeltraUSBDevice(std::make_unique<HeadsetDevice>()), headset_(static_cast<HeadsetDevice&>(model())) {}

void* CVeltraDI6533Device::GetInterface(const QString& name) {
    if (name == "VeltraDI6533Device")
        return this;
    return CVeltraUSBDevice::GetInterface(name);
}

void CVeltraDI6533Device::bindPageControls() {
    CVeltraUSBDevice::bindPageControls();
    showFunctionTabs(kKind);
}

} // namespace pelan
