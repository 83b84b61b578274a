#include "pages/CVeltraKeyboardDevice.h"

#include <algorithm>

#include "controls/CDeviceKeyButtonUI.h"
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

void CVeltraKeyboardDevice::placeLightButtons() {
    const std::vector<CControlUI*>& keys = keyButtons();
    const std::vector<CControlUI*>& lights = lightButtons();
    const keyboard::KeyPositions& positions = keyboard_.keyPositions();
    std::vector<bool> placed(lights.size(), false);
    for (size_t key = 0; key < keys.size() && key < keyboard::kLogicalKeyCount; ++key) {
        const size_t led = positions.ledIndex[key];
        if (keys[key] == nullptr || led >= lights.size() || lights[led] == nullptr)
            continue;
        placed[led] = true;
        const QRect at = keys[key]->GetFloatPos();
        if (lights[led]->GetFloatPos() == at)
            continue;
        lights[led]->SetAttribute("pos", QString("%1,%2,%3,%4")
                                             .arg(at.left())
                                             .arg(at.top())
                                             .arg(at.left() + at.width())
                                             .arg(at.top() + at.height()));
    }
    if (std::find(placed.begin(), placed.end(), true) == placed.end())
        return;
    for (size_t led = 0; led < lights.size(); ++led)
        if (lights[led] != nullptr && lights[led]->IsVisibleFlag() != placed[led])
            lights[led]->SetVisible(placed[led]);
}

std::vector<int> CVeltraKeyboardDevice::selectedLeds() const {
    std::vector<int> leds;
    const std::vector<CControlUI*>& lights = lightButtons();
    for (size_t led = 0; led < lights.size(); ++led)
        if (const auto* button = dynamic_cast<const CDeviceKeyButtonUI*>(lights[led]);
            button != nullptr && button->IsVisibleFlag() && button->IsSelected())
            leds.push_back(int(led));
    return leds;
}

void CVeltraKeyboardDevice::paintSelectedKeys(bool lit) {
    const LightInfo light = keyboard_.getLightInfo();
    const std::vector<int> leds = selectedLeds();
    keyboard_.paintCustomLeds(leds, lit, {light.red, light.green, light.blue});
}

void CVeltraKeyboardDevice::chooseCustomGroup(int group) {
    keyboard_.chooseCustomGroup(group);
}

void CVeltraKeyboardDevice::refreshControls() {
    placeLightButtons();
    keyboard_page::showSystemSettings(*this);
    showKeyFunctions(*this);
}

} // namespace pelan
