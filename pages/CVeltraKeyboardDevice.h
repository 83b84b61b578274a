#pragma once

#include "device/KeyboardDevice.h"
#include "pages/CVeltraUSBDevice.h"

namespace pelan {

// The keyboard page. The supported-device table never connects a keyboard, but the page is built like the others
// so that one can be shown once the table names it.
class CVeltraKeyboardDevice : public CVeltraUSBDevice {
public:
    static constexpr int kKind = 1;

    CVeltraKeyboardDevice();
    void* GetInterface(const QString& name) override;

    KeyboardDevice& keyboard() { return keyboard_; }

    void bindPageControls() override;

    // Moves the light of each LED onto the key the keyboard's per-key table gives it and hides the lights of LEDs
    // that light no key. Before the tables are read the layout's places stay.
    void placeLightButtons();

    // The LEDs whose light buttons are selected in the keyboard picture, in LED order.
    std::vector<int> selectedLeds() const;
    // Custom light mode: the selected keys take the page's current colour (lit) or go dark (unlit); the custom
    // mode chosen in the lighting panel becomes the edited group. Both store and send as KeyboardDevice does.
    void paintSelectedKeys(bool lit);
    void chooseCustomGroup(int group);

protected:
    void refreshControls() override;

private:
    KeyboardDevice& keyboard_;
};

} // namespace pelan
