#pragma once

#include "device/PadRecordDevice.h"
#include "profile/CBasicProfiledata.h"

namespace pelan {

// The lighted mousepad with wireless phone charging: its lighting record, its light preview and the status of
// its charging pad for the power display.
class MousepadDevice : public PadRecordDevice {
public:
    static constexpr const char* kDeviceFolderName = "MousePad";
    static constexpr int kDeviceIndex = 2;

    MousepadDevice();

    // When connected: begin update, device information, end update. Then the profile is loaded, the page
    // refreshed and the light thread started.
    void onConnectTimer() override;

    CBasicProfiledata& profileData() override { return profile_; }

protected:
    const char* deviceName() const override { return "mousepad"; }

private:
    CBasicProfiledata profile_;
};

} // namespace pelan
