#include "device/LightSync.h"

#include "device/DeviceProfile.h"
#include "platform/Trace.h"

namespace pelan {

LightWords lightWordsOf(const LightInfo& light) {
    return {uint32_t(light.mode) | uint32_t(light.brightness) << 8 | uint32_t(light.speed) << 16 |
                uint32_t(light.effect) << 24,
            uint32_t(light.multiColour) | uint32_t(light.red) << 8 | uint32_t(light.green) << 16 |
                uint32_t(light.blue) << 24,
            uint32_t(light.extra0) | uint32_t(light.extra1) << 8 | uint32_t(light.extra2) << 16};
}

int applyLightSetting(UsbDeviceModel& model, const LightInfo& light) {
    const LightWords words = lightWordsOf(light);
    model.setLightInfo(words.first, words.second, words.third);
    model.saveProfile();
    model.afterProfileLoad();
    return model.writeSettings(activeProfileSlot(model), 0, 1);
}

bool adoptSameMode(light::SyncLighting& shared, UsbDeviceModel& selected, const std::vector<UsbDeviceModel*>& pages) {
    if (!shared.adopt(selected.deviceKind, selected.getLightInfo()))
        return false;
    const light::SyncEffect effect = shared.setting().effect;
    for (UsbDeviceModel* page : pages) {
        const std::optional<uint8_t> mode = light::syncModeOf(page->deviceKind, effect);
        if (!mode)
            continue;
        LightInfo light = page->getLightInfo();
        light.mode = *mode;
        applyLightSetting(*page, light);
        page->refreshPage();
    }
    return true;
}

std::vector<OwnLighting> ownLightingOf(const std::vector<UsbDeviceModel*>& pages) {
    std::vector<OwnLighting> own;
    for (UsbDeviceModel* page : pages)
        own.push_back({page, page->getLightInfo()});
    return own;
}

void restoreOwnLighting(const std::vector<OwnLighting>& own) {
    for (const OwnLighting& page : own) {
        if (page.model->commandChannel.connected.load() == 0)
            continue;
        applyLightSetting(*page.model, page.light);
        page.model->refreshPage();
    }
}

bool LightSyncRunner::anyMeantToTakePart() const {
    for (const UsbDeviceModel* model : models_)
        if (model->syncLighting.load())
            return true;
    return false;
}

bool LightSyncRunner::active() const {
    for (const UsbDeviceModel* model : models_)
        if (model->syncLighting.load() && model->commandChannel.connected.load() && model->lightingControl.load() &&
            !model->externalFrames.load())
            return true;
    return false;
}

void LightSyncRunner::stepOnce(std::chrono::steady_clock::time_point now) {
    const auto monotonic = std::chrono::duration_cast<std::chrono::milliseconds>(now.time_since_epoch());
    const light::LedValue value = shared_.step(monotonic);
    heldUntil_.resize(models_.size());
    for (size_t i = 0; i < models_.size(); ++i) {
        UsbDeviceModel& model = *models_[i];
        if (!model.syncLighting.load() || !model.commandChannel.connected.load() || model.externalFrames.load() ||
            now < heldUntil_[i])
            continue;
        const int result = model.showSyncColour(value);
        if (result != kResultAccepted && result != 0)
            heldUntil_[i] = now + UsbDeviceModel::kRefusedFramePause;
    }
    ++steps_;
}

void LightSyncRunner::wake() {
    {
        std::lock_guard lock(mutex_);
        wakeRequested_ = true;
    }
    woken_.notify_all();
}

void LightSyncRunner::interrupt() {
    wake();
    for (UsbDeviceModel* model : models_)
        model->commandChannel.interruptStreams();
}

void LightSyncRunner::resumeStreams() {
    for (UsbDeviceModel* model : models_)
        model->commandChannel.resumeStreams();
}

bool LightSyncRunner::sleep(StopEvent& stop, std::optional<std::chrono::milliseconds> timeout) {
    std::unique_lock lock(mutex_);
    const auto woken = [&] { return wakeRequested_ || stop.isSet(); };
    bool early = true;
    if (timeout)
        early = woken_.wait_for(lock, *timeout, woken);
    else
        woken_.wait(lock, woken);
    wakeRequested_ = false;
    return early;
}

void LightSyncRunner::run(StopEvent& stop) {
    while (!stop.isSet()) {
        if (!active()) {
            sleep(stop, anyMeantToTakePart() ? std::optional(kIdleWait) : std::nullopt);
            continue;
        }
        // A wake-up (the effect or its speed changed) starts the count to the next step again.
        if (sleep(stop, shared_.stepInterval(kTick)))
            continue;
        stepOnce(std::chrono::steady_clock::now());
    }
    trace("同步灯光线程设定退出");
}

} // namespace pelan
