#include "device/PadRecordDevice.h"

#include <algorithm>

#include "device/DeviceProfile.h"

namespace pelan {

PadRecordDevice::PadRecordDevice(std::string deviceFolderName, int deviceIndex, size_t ledCount)
    : UsbDeviceModel(std::move(deviceFolderName), deviceIndex) {
    resizeLeds(ledCount);
}

PadRecordDevice::~PadRecordDevice() {
    // The light thread calls into this class; it has to end before the members go.
    stopThreads();
}

void PadRecordDevice::onSyncTimer() {
    if (readPadSettings() != kResultAccepted)
        return;
    if (DeviceModelObserver* watcher = observer())
        watcher->onCurrentProfile(padRecord().profile);
}

void PadRecordDevice::onPeriodicTimer() {
    readPowerStatus();
}

void PadRecordDevice::afterProfileLoad() {
    CBasicProfiledata& profile = profileData();
    const LightInfo light = profile.readLightInfo();
    std::vector<LightListEntry> regions = profile.readLightList();
    profile.loadLightConfig(profile.getLightConfigPath());
    std::vector<LedEffectStep> effects = profile.readLedEffects();
    std::lock_guard lock(lightLock);
    applyLightToPadRecord(record_, light);
    lightInfo = light;
    regions_ = std::move(regions);
    customEffects_ = std::move(effects);
    customPlayer_.reset();
}

int PadRecordDevice::writeSettings(int profileIndex, int, int, int, int) {
    return writePadSettings(profileIndex);
}

// The record is what writeSettings sends, so a new light goes into it at once, not only at the next profile load.
void PadRecordDevice::setLightInfo(uint32_t first, uint32_t second, uint32_t third) {
    UsbDeviceModel::setLightInfo(first, second, third);
    profileData().writeLightInfo(first, second, third);
    const LightInfo light = profileData().readLightInfo();
    std::lock_guard lock(lightLock);
    applyLightToPadRecord(record_, light);
}

void PadRecordDevice::setDeviceIndex(int n) {
    UsbDeviceModel::setDeviceIndex(n);
    profileData().setDeviceSlot(0);
}

void PadRecordDevice::setProfilePaths() {
    setDeviceProfilePaths(*this, profileData());
}

void PadRecordDevice::loadProfileIntoPage() {
    if (!loadDeviceProfile(*this, profileData()))
        return;
    loadLightAndMacroConfig();
    afterProfileLoad();
}

std::string PadRecordDevice::getProfilePath() const {
    return profileData().getProfilePath();
}

int PadRecordDevice::saveProfile() {
    return profileData().saveProfile();
}

int PadRecordDevice::readPadSettings() {
    commandChannel.animationPaused = 0;
    PadSettingsRecord read = padRecord();
    const int result = readPadRecord(commandChannel, read);
    if (result != kResultAccepted)
        return result;
    std::lock_guard lock(lightLock);
    previousRecord_ = record_;
    record_ = read;
    return kResultAccepted;
}

int PadRecordDevice::writePadSettings(int profileIndex) {
    const PadRecordBytes bytes = encodePadRecord(padRecord());
    return runGuardedUpdate([&] {
        return commandChannel.writeMemory(bytes.data(), uint32_t(bytes.size()),
                                          uint16_t(profileIndex * padmemory::kWriteStride));
    });
}

std::vector<std::string> PadRecordDevice::reapplyProfile() {
    std::vector<std::string> written;
    PadSettingsRecord held;
    if (getProfilePath().empty() || readPadRecord(commandChannel, held) != kResultAccepted)
        return written;
    // What the profile does not set (the effect byte, the reserved bytes) stays as the device holds it.
    PadSettingsRecord wanted = held;
    applyLightToPadRecord(wanted, profileData().readLightInfo());
    if (wanted == held)
        return written;
    setPadRecord(wanted);
    if (writePadSettings(held.profile) == kResultAccepted)
        written.emplace_back("lighting");
    traceReapplied(written, deviceName());
    return written;
}

PadSettingsRecord PadRecordDevice::padRecord() const {
    std::lock_guard lock(lightLock);
    return record_;
}

PadSettingsRecord PadRecordDevice::previousPadRecord() const {
    std::lock_guard lock(lightLock);
    return previousRecord_;
}

void PadRecordDevice::setPadRecord(const PadSettingsRecord& record) {
    std::lock_guard lock(lightLock);
    record_ = record;
}

std::vector<LightListEntry> PadRecordDevice::regions() const {
    std::lock_guard lock(lightLock);
    return regions_;
}

std::vector<LedEffectStep> PadRecordDevice::customEffects() const {
    std::lock_guard lock(lightLock);
    return customEffects_;
}

uint8_t PadRecordDevice::lightMode() const {
    std::lock_guard lock(lightLock);
    return record_.mode;
}

uint8_t PadRecordDevice::lightSpeed() const {
    std::lock_guard lock(lightLock);
    return record_.speed;
}

std::chrono::milliseconds PadRecordDevice::lightStepInterval() const {
    std::lock_guard lock(lightLock);
    return kLightTick * passesToNextStep_;
}

void PadRecordDevice::lightStep() {
    {
        std::lock_guard lock(lightLock);
        animate(passesToNextStep_);
    }
    publishLightFrame();
}

void PadRecordDevice::animate(unsigned passes) {
    const LightInfo light = padRecordLight(record_, lightInfo.effect);
    const std::chrono::milliseconds now = tickNow();
    customElapsed_ += kLightTick * passes;
    if (padlight::passDue(padEffect_, light.speed, passes)) {
        if (!padlight::runEffect(light, padEffect_, ledState, now))
            customPlayer_.step(customEffects_, customElapsed_, padEffect_, ledState, now);
        customElapsed_ = std::chrono::milliseconds{0};
        effectCounters = padEffect_.counters;
    }
    // The profile's regions are not laid over the frame: the pad's record has no room for them, so the pad shows
    // the record's effect on every LED and the preview does the same.
    passesToNextStep_ = padlight::passesUntilDue(padEffect_, light.speed);
}

} // namespace pelan
