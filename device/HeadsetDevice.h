#pragma once

#include <functional>

#include "device/PadRecordDevice.h"
#include "profile/CDi6533Profiledata.h"

namespace pelan {

// The HID side of the headset: its lights, kept in the same 21-byte record as the mousepad's, and its status.
// The audio settings live beside it (headset/); onConnectTimer calls the audio state reader the page attaches.
class HeadsetDevice : public PadRecordDevice {
public:
    static constexpr const char* kDeviceFolderName = "HD";
    static constexpr int kDeviceIndex = 3;
    // The headset's lights: one per ear cup.
    static constexpr size_t kLedCount = 2;

    HeadsetDevice();

    // Loads the profile, reads the audio state, refreshes the page and starts the light thread. Unlike the
    // mousepad it asks the device for no information first.
    void onConnectTimer() override;

    // Called by onConnectTimer between loading the profile and refreshing the page.
    void setAudioStateReader(std::function<void()> reader) { audioStateReader_ = std::move(reader); }
    // Called after each profile load, so the audio settings take the loaded profile's values.
    void setAudioProfileReader(std::function<void()> reader) { audioProfileReader_ = std::move(reader); }
    void loadProfileIntoPage() override;

    CDi6533Profiledata& profileData() override { return profile_; }

protected:
    const char* deviceName() const override { return "headset"; }

private:
    CDi6533Profiledata profile_;
    std::function<void()> audioStateReader_;
    std::function<void()> audioProfileReader_;
};

} // namespace pelan
