#pragma once

#include "device/HeadsetDevice.h"
#include "pages/CVeltraUSBDevice.h"

#include <functional>
#include <memory>

namespace pelan {

class HeadsetAudio;

// The headset page: on its HID side the lights of the two ear cups and the status in the power panel; on its audio
// side the sound and voice tabs over the headset's audio settings, read on connection after the profile.
class CVeltraDI6533Device : public CVeltraUSBDevice {
public:
    static constexpr int kKind = 7;

    CVeltraDI6533Device();
    ~CVeltraDI6533Device() override;
    void* GetInterface(const QString& name) override;

    HeadsetDevice& headset() { return headset_; }
    void setAudioStateReader(std::function<void()> reader) { headset_.setAudioStateReader(std::move(reader)); }
    // The audio settings, made when the page binds its controls; null before.
    HeadsetAudio* audio() { return audio_.get(); }
    const HeadsetAudio* audio() const { return audio_.get(); }

    // Also loads the audio library once and initialises the audio settings.
    void bindPageControls() override;

protected:
    void refreshControls() override;

private:
    void startAudio();

    HeadsetDevice& headset_;
    std::unique_ptr<HeadsetAudio> audio_;
};

} // namespace pelan
