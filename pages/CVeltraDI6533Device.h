#pragma once

#include "device/HeadsetDevice.h"
#include "pages/CVeltraUSBDevice.h"

#include <functional>

namespace pelan {

// The headset page on its HID side: the lights of the two ear cups and the status in the power panel. The audio
// settings are read on connection through the reader the headset panels attach.
class CVeltraDI6533Device : public CVeltraUSBDevice {
public:
    static constexpr int kKind = 7;

    CVeltraDI6533Device();
    void* GetInterface(const QString& name) override;

    HeadsetDevice& headset() { return headset_; }
    void setAudioStateReader(std::function<void()> reader) { headset_.setAudioStateReader(std::move(reader)); }

    void bindPageControls() override;

private:
    HeadsetDevice& headset_;
};

} // namespace pelan
