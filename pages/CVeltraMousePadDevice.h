#pragma once

#include "device/MousepadDevice.h"
#include "pages/CVeltraUSBDevice.h"

namespace pelan {

// The mousepad page: the pad's light preview and its charging status in the power panel.
class CVeltraMousePadDevice : public CVeltraUSBDevice {
public:
    static constexpr int kKind = 3;

    CVeltraMousePadDevice();
    void* GetInterface(const QString& name) override;

    MousepadDevice& pad() { return pad_; }

    void bindPageControls() override;

private:
    MousepadDevice& pad_;
};

} // namespace pelan
