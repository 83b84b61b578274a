#include "pages/CVeltraKeyboardDevice.h"

#include "pages/KeyboardPageRoutes.h"
#include "panels/KeySetRoutes.h"
#include "panels/MacroRoutes.h"
#include "panels/ProfileRoutes.h"

namespace pelan {

CVeltraKeyboardDevice::CVeltraKeyboardDevice()
    : CVeltraUSBDevice(std::make_unique<KeyboardDevice>()), keyboard_(static_cast<KeyboardDevice&>(model())) {}

void* CVeltraKeyboardDevice::GetInterface(const QString& name) {
    if (name == "VeltraKeyboardDevice")
        return this;
    return CVeltraUSBDevice::GetInterface(name);
}

void CVeltraKeyboardDevice::bindPageControls() {
    CVeltraUSBDevice::bindPageControls();
    showFunctionTabs(kKind);
    showSelectedTabArea(*this);
    bindMacroPanel(*this);
    bindKeySetPanel(*this);
}

void CVeltraKeyboardDevice::refreshControls() {
    keyboard_page::showSystemSettings(*this);
    showKeyFunctions(*this);
}

} // namespace pelan
