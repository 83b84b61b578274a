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

protected:
    void refreshControls() override;

private:
    KeyboardDevice& keyboard_;
};

} // namespace pelan
