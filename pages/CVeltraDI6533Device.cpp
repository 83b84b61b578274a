#include "pages/CVeltraDI6533Device.h"

#include "app/CMsgWnd.h"
#include "headset/HeadsetAudio.h"
#include "panels/CMagicControlUI.h"
#include "panels/CVoice6533ControlUI.h"
#include "panels/HeadsetRoutes.h"
#include "panels/ProfileRoutes.h"

namespace pelan {
namespace {

constexpr int kMessageDpi = 96;

// The library is loaded once for the process, the first time a headset page binds.
const std::optional<ConfLibExports>& processConfLibrary() {
    static const std::optional<ConfLibExports> library = loadConfLibrary(confLibraryPath());
    return library;
}

} // namespace

CVeltraDI6533Device::CVeltraDI6533Device()
    : CVeltraUSBDevice(std::make_unique<HeadsetDevice>()), headset_(static_cast<HeadsetDevice&>(model())) {}

CVeltraDI6533Device::~CVeltraDI6533Device() {
    headset_.setAudioStateReader({});
    headset_.setAudioProfileReader({});
}

void* CVeltraDI6533Device::GetInterface(const QString& name) {
    if (name == "VeltraDI6533Device")
        return this;
    return CVeltraUSBDevice::GetInterface(name);
}

void CVeltraDI6533Device::bindPageControls() {
    CVeltraUSBDevice::bindPageControls();
    showFunctionTabs(kKind);
    showSelectedTabArea(*this);
    if (CVoice6533ControlUI* sound = findSoundPanel(*this))
        sound->setDeviceKind(kKind);
    if (CMagicControlUI* voice = findVoicePanel(*this))
        voice->setDeviceKind(kKind);
    if (!audio_)
        startAudio();
}

void CVeltraDI6533Device::startAudio() {
    CWindowWnd* owner = ownerWindow();
    audio_ =
        std::make_unique<HeadsetAudio>(headset_.profileData(), processConfLibrary(), [owner](const std::string& text) {
            CMsgWnd::ShowMessage(owner, QString(), QString::fromStdString(text), kMessageDpi, false,
                                 CMsgWnd::kConfirmOnly);
        });
    audio_->initialise();
    headset_.setAudioProfileReader([this] { audio_->loadFromProfile(); });
    headset_.setAudioStateReader([this] { audio_->readState(); });
}

void CVeltraDI6533Device::refreshControls() {
    CVeltraUSBDevice::refreshControls();
    refreshHeadsetPanels(*this);
}

} // namespace pelan
