#include "pages/CVeltraMousePadDevice.h"

#include "panels/ProfileRoutes.h"

namespace pelan {

CVeltraMousePadDevice::CVeltraMousePadDevice()
    : CVeltraUSBDevice(std::make_unique<MousepadDevice>()), pad_(static_cast<MousepadDevice&>(model())) {}

void* CVeltraMousePadDevice::GetInterface(const QString& name) {
    if (name == "VeltraMousePadDevice")
        return this;
    return CVeltraUSBDevice::GetInterface(name);
}

void CVeltraMousePadDevice::bindPageControls() {
    CVeltraUSBDevice::bindPageControls();
    showFunctionTabs(kKind);
    showSelectedTabArea(*this);
}

} // namespace pelan
