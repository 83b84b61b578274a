#include "device/UsbDeviceModel.h"

#include <algorithm>

#include "macro/MacroFiles.h"
#include "macro/MacroImage.h"
#include "platform/Paths.h"
#include "platform/Trace.h"
#include "profile/DefaultFiles.h"

namespace pelan {
namespace {

constexpr const char* kTraceSyncRequest = "接收到自动添加设备的同步信息要求";
constexpr uint8_t kNotifyCounterLimit = 4;
constexpr uint16_t kNotifyReportFallbackLength = 64;
constexpr uint8_t kEffectMark = 0xFF;
constexpr uint8_t kDecayFast = 32;
constexpr const char* kMessageMacroFailed = "message_text_7";
constexpr const char* kMessageMacroTooLong = "message_text_16";
constexpr uint8_t kDecaySlow = 8;

enum LightMode : uint8_t {
    kModeSpectrum = 0,
    kModeBreathing = 1,
    kModeStatic = 2,
    kModeBlink = 4,
    kModeCycle = 6,
    kModeOff = 7,
    kModeBlinkCycle = 8,
};

} // namespace

UsbDeviceModel::UsbDeviceModel(std::string folderName, int index)
    : deviceFolderName(std::move(folderName)), deviceIndex(index) {}

UsbDeviceModel::~UsbDeviceModel() {
    stopThreads();
}

// --- light frames ---

void UsbDeviceModel::lightFrameBreathing() {
    std::lock_guard lock(lightLock);
    light::breathing(lightInfo, effectCounters, ledState);
}

void UsbDeviceModel::lightFrameCycle() {
    std::lock_guard lock(lightLock);
    light::cycle(lightInfo, effectCounters, ledState);
}

void UsbDeviceModel::lightFrameStatic() {
    std::lock_guard lock(lightLock);
    light::staticColour(lightInfo, ledState);
}

void UsbDeviceModel::lightFrameSpectrum() {
    std::lock_guard lock(lightLock);
    light::spectrum(lightInfo, effectCounters, ledState);
}

void UsbDeviceModel::lightFrameBlink() {
    std::lock_guard lock(lightLock);
    light::blink(lightInfo, effectCounters, ledState, tickNow());
}

void UsbDeviceModel::lightFrameBlinkCycle() {
    std::lock_guard lock(lightLock);
    light::blinkCycle(lightInfo, effectCounters, ledState, tickNow());
}

void UsbDeviceModel::lightFrameOff() {
    std::lock_guard lock(lightLock);
    light::off(ledState);
}

bool UsbDeviceModel::runBaseGenerator(uint8_t mode, const LightInfo& light) {
    switch (mode) {
    case kModeSpectrum:
        light::spectrum(light, effectCounters, ledState);
        return true;
    case kModeBreathing:
        light::breathing(light, effectCounters, ledState);
        return true;
    case kModeStatic:
        light::staticColour(light, ledState);
        return true;
    case kModeBlink:
        light::blink(light, effectCounters, ledState, tickNow());
        return true;
    case kModeCycle:
        light::cycle(light, effectCounters, ledState);
        return true;
    case kModeOff:
        light::off(ledState);
        return true;
    case kModeBlinkCycle:
        light::blinkCycle(light, effectCounters, ledState, tickNow());
        return true;
    default:
        return false;
    }
}

void UsbDeviceModel::runLightMode(uint8_t mode) {
    switch (mode) {
    case kModeSpectrum:
        return lightFrameSpectrum();
    case kModeBreathing:
        return lightFrameBreathing();
    case kModeStatic:
        return lightFrameStatic();
    case kModeBlink:
        return lightFrameBlink();
    case kModeCycle:
        return lightFrameCycle();
    case kModeBlinkCycle:
        return lightFrameBlinkCycle();
    default:
        return lightFrameOff();
    }
}

int UsbDeviceModel::streamLedState() {
    if (!lightingControl.load())
        return 0;
    const light::LedFrame leds = showLightFrame();
    if (commandChannel.wireless.load())
        return kResultAccepted;
    const std::vector<uint8_t> frame = light::streamFrame(leds, kUnsentLed);
    return commandChannel.streamLight(frame.data(), uint32_t(frame.size()));
}

int UsbDeviceModel::sendLightFrame() {
    if (!lightingControl.load())
        return 0;
    const int result = streamLedState();
    if (result != kResultAccepted)
        lightPause(kRefusedFramePause);
    return result;
}

int UsbDeviceModel::showSyncColour(light::LedValue value) {
    {
        std::lock_guard lock(lightLock);
        std::fill(ledState.begin(), ledState.end(), value);
    }
    return streamLedState();
}

int UsbDeviceModel::showExternalFrame(const light::LedFrame& frame) {
    {
        std::lock_guard lock(lightLock);
        std::copy_n(frame.begin(), std::min(frame.size(), ledState.size()), ledState.begin());
    }
    return streamLedState();
}

light::LedFrame UsbDeviceModel::showLightFrame() {
    light::LedFrame leds = ledSnapshot();
    if (DeviceModelObserver* watcher = observer(); watcher && previewEnabled.load())
        watcher->onLightFrame(leds);
    return leds;
}

void UsbDeviceModel::publishLightFrame() {
    if (streamLightFrames.load())
        sendLightFrame();
    else
        showLightFrame();
}

void UsbDeviceModel::setLedState(int index, light::LedValue value) {
    std::lock_guard lock(lightLock);
    if (index >= 0 && size_t(index) < ledState.size())
        ledState[size_t(index)] = value;
}

light::LedValue UsbDeviceModel::getLedState(int index) const {
    std::lock_guard lock(lightLock);
    if (index < 0 || size_t(index) >= ledState.size())
        return 0;
    return ledState[size_t(index)];
}

light::LedFrame UsbDeviceModel::ledSnapshot() const {
    std::lock_guard lock(lightLock);
    return ledState;
}

void UsbDeviceModel::resizeLeds(size_t count) {
    std::lock_guard lock(lightLock);
    ledState.assign(count, 0);
}

light::EffectCounters UsbDeviceModel::effectCountersSnapshot() const {
    std::lock_guard lock(lightLock);
    return effectCounters;
}

void UsbDeviceModel::setLightInfo(uint32_t first, uint32_t second, uint32_t third) {
    std::lock_guard lock(lightLock);
    lightInfo = {uint8_t(first),  uint8_t(first >> 8),  uint8_t(first >> 16),  uint8_t(first >> 24),
                 uint8_t(second), uint8_t(second >> 8), uint8_t(second >> 16), uint8_t(second >> 24),
                 uint8_t(third),  uint8_t(third >> 8),  uint8_t(third >> 16)};
}

LightInfo UsbDeviceModel::getLightInfo() const {
    std::lock_guard lock(lightLock);
    return lightInfo;
}

// --- effect buffer ---

uint8_t UsbDeviceModel::decayEffectValue(int key, bool fast) {
    std::lock_guard lock(lightLock);
    if (key < 0 || size_t(key) >= effectBuffer.size())
        return 0;
    uint8_t& cell = effectBuffer[size_t(key)];
    cell = uint8_t(cell - std::min(cell, fast ? kDecayFast : kDecaySlow));
    return cell;
}

void UsbDeviceModel::markPressedKeys() {
    std::lock_guard lock(lightLock);
    effectBuffer[kEffectKeyCells] = kEffectMark;
}

void UsbDeviceModel::rotateEffectRow(int direction) {
    std::lock_guard lock(lightLock);
    const auto first = effectBuffer.begin() + kEffectKeyCells;
    if (direction != 0)
        std::rotate(first, effectBuffer.end() - 1, effectBuffer.end());
    else
        std::rotate(first, first + 1, effectBuffer.end());
}

void UsbDeviceModel::clearEffectBuffers() {
    std::lock_guard lock(lightLock);
    effectBuffer.fill(0);
}

// --- page operations with a base behaviour ---

void UsbDeviceModel::refreshPage() {
    if (DeviceModelObserver* watcher = observer())
        watcher->onRefresh();
}

void UsbDeviceModel::setKeyPositionMap(const std::map<int, int>& map) {
    keyPositionMap = map;
}

void UsbDeviceModel::setProfilePaths() {}

void UsbDeviceModel::selectKey(int index) {
    selectedKey = index;
    if (DeviceModelObserver* watcher = observer())
        watcher->onKeySelection(selectedKey);
}

void UsbDeviceModel::clearKeySelection() {
    selectedKey = -1;
    if (DeviceModelObserver* watcher = observer())
        watcher->onKeySelection(selectedKey);
}

UsbDeviceModel::MacroApplyResult UsbDeviceModel::describeMacroResult(int macroResult) {
    MacroApplyResult outcome;
    outcome.macroResult = macroResult;
    if (macroResult == -1) {
        outcome.messageKey = kMessageMacroFailed;
    } else if (macroResult != 0) {
        outcome.messageKey = kMessageMacroTooLong;
        outcome.messageCount = macroResult;
    }
    return outcome;
}

UsbDeviceModel::MacroApplyResult UsbDeviceModel::writeChangedMacros() {
    return describeMacroResult(writeMacroMemory(true));
}

UsbDeviceModel::MacroApplyResult UsbDeviceModel::applyMacros() {
    MacroApplyResult outcome = describeMacroResult(writeMacros());
    if (outcome.macroResult != 0)
        return outcome;
    outcome.keyResult = writeCurrentKeys(0);
    saveProfile();
    clearKeySelection();
    return outcome;
}

// --- connection ---

void UsbDeviceModel::onConnected(const SupportedDeviceEntry& entry) {
    identity = entry;
    macroImageWritten_.clear();
    deviceKind = entry.deviceKind;
    interfaceRole = entry.interfaceRole;
}

bool UsbDeviceModel::openNotifyInterface(const std::string& path) {
    closeNotifyInterface();
    {
        std::lock_guard lock(notifyChannel.ioLock);
        if (!notifyChannel.device.open(path, true, true, true, false))
            return false;
        notifyChannel.connected = 1;
    }
    return notifyWorker_.start([this](StopEvent& stop) { notifyThreadBody(stop); });
}

void UsbDeviceModel::closeNotifyInterface() {
    if (notifyWorker_.running())
        notifyWorker_.stop([this] { wakeNotifyReader(); });
    std::lock_guard lock(notifyChannel.ioLock);
    notifyChannel.connected = 0;
    notifyChannel.device.close();
}

void UsbDeviceModel::stopThreads() {
    if (lightWorker_.running())
        stopLightThread();
    if (notifyWorker_.running())
        notifyWorker_.stop([this] { wakeNotifyReader(); });
}

std::optional<PowerStatus> UsbDeviceModel::readPowerStatus() {
    if (!commandChannel.connected.load())
        return std::nullopt;
    PowerStatus status;
    if (commandChannel.readShort(status.bytes.data(), PowerStatus::kLength, 0) != kResultAccepted)
        return std::nullopt;
    status.bytes[3] = commandChannel.wireless.load() ? 1 : 0;
    if (DeviceModelObserver* watcher = observer()) {
        watcher->onPowerStatus(status);
        watcher->onDeviceStatus(status.statusValue());
    }
    return status;
}

// --- write sequences ---

int UsbDeviceModel::runGuardedUpdate(const std::function<int()>& write) {
    if (!commandChannel.wirelessGuard())
        return kResultNoAnswer;
    const int begun = commandChannel.beginUpdate();
    if (begun != kResultAccepted)
        return begun;
    int result = commandChannel.wirelessGuard() ? write() : kResultNoAnswer;
    if (result == kResultAccepted && !commandChannel.wirelessGuard())
        result = kResultNoAnswer;
    // An update begun is always ended, so the device does not stay in update mode; the end is tried even when the
    // guard refused a step, as the link may be back by then.
    const int ended = commandChannel.endUpdate();
    return result == kResultAccepted ? ended : result;
}

int UsbDeviceModel::readDeviceInfoGuarded() {
    if (!commandChannel.connected.load() || !commandChannel.wirelessGuard())
        return kResultNoAnswer;
    std::array<uint8_t, kDeviceInfoLength> info{};
    const int result = commandChannel.readDeviceInfo(info.data());
    if (result == kResultAccepted)
        deviceInfo = info;
    return result;
}

int UsbDeviceModel::writeMacroMemory(bool onlyWhenChanged) {
    if (readDeviceInfoGuarded() != kResultAccepted)
        return -1;
    const size_t capacity = size_t(deviceInfo[kInfoMacroUnits]) * kMacroCapacityUnit;
    const MacroImageResult image =
        buildMacroImageFromFolder(userDeviceFolder(), macroListFileFor(deviceFolderName), capacity);
    switch (image.status) {
    case MacroImageResult::Status::NoMacros:
        return 0;
    case MacroImageResult::Status::OverCapacity:
        return image.overflowEvents;
    case MacroImageResult::Status::Built:
        break;
    }
    if (onlyWhenChanged && image.bytes == macroImageWritten_)
        return 0;
    macroImageWritten_.clear();
    const int written = runGuardedUpdate(
        [&] { return commandChannel.writeMacroData(image.bytes.data(), uint32_t(image.bytes.size())); });
    if (written != kResultAccepted)
        return -1;
    macroImageWritten_ = image.bytes;
    return 0;
}

// --- light thread ---

bool UsbDeviceModel::startLightThread() {
    return lightWorker_.start([this](StopEvent& stop) { lightThreadBody(stop); });
}

WorkerThread::StopOutcome UsbDeviceModel::stopLightThread() {
    // A frame may be waiting on a device that does not answer: it is cut short, so the thread ends and is joined.
    const WorkerThread::StopOutcome outcome = lightWorker_.stop([this] {
        wakeLightThread();
        commandChannel.interruptStreams();
    });
    commandChannel.resumeStreams();
    return outcome;
}

void UsbDeviceModel::setPreviewEnabled(bool enabled) {
    previewEnabled = enabled ? 1 : 0;
    wakeLightThread();
}

void UsbDeviceModel::setStreamLightFrames(bool enabled) {
    streamLightFrames = enabled ? 1 : 0;
    wakeLightThread();
}

void UsbDeviceModel::wakeLightThread() {
    // Taking the lock orders the change before a waiter's check, so the notification cannot fall between the
    // waiter's check and its sleep.
    { std::lock_guard lock(audienceLock_); }
    audienceChanged_.notify_all();
}

bool UsbDeviceModel::waitForLightAudience(const StopEvent& stop) {
    std::unique_lock lock(audienceLock_);
    audienceChanged_.wait(lock, [&] { return stop.isSet() || previewEnabled.load() || streamLightFrames.load(); });
    return !stop.isSet();
}

uint8_t UsbDeviceModel::lightMode() const {
    std::lock_guard lock(lightLock);
    return lightInfo.mode;
}

uint8_t UsbDeviceModel::lightSpeed() const {
    std::lock_guard lock(lightLock);
    return lightInfo.speed;
}

std::chrono::milliseconds UsbDeviceModel::lightStepInterval() const {
    return kLightTick * light::stepThresholdForSpeed(lightSpeed());
}

void UsbDeviceModel::lightStep() {
    runLightMode(lightMode());
    publishLightFrame();
}

void UsbDeviceModel::lightThreadBody(StopEvent& stop) {
    while (waitForLightAudience(stop) && !stop.waitFor(lightStepInterval())) {
        if (!commandChannel.connected.load()) {
            if (stop.waitFor(kDisconnectedPause))
                break;
            continue;
        }
        if (commandChannel.animationPaused.load() || syncLighting.load() || externalFrames.load())
            continue;
        lightStep();
    }
    trace(lightThreadExitText());
}

bool UsbDeviceModel::lightPause(std::chrono::milliseconds duration) {
    return lightWorker_.stopEvent().waitFor(duration);
}

void UsbDeviceModel::setTickSource(std::function<std::chrono::milliseconds()> source) {
    std::lock_guard lock(lightLock);
    tickSource_ = std::move(source);
}

std::chrono::milliseconds UsbDeviceModel::tickNow() const {
    if (tickSource_)
        return tickSource_();
    return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now().time_since_epoch());
}

// --- notification thread ---

void UsbDeviceModel::handleNotificationUsage(uint16_t usage) {
    if (usage == kUsageSyncRequest) {
        trace(kTraceSyncRequest);
        if (DeviceModelObserver* watcher = observer())
            watcher->onSyncRequested();
    } else if (usage == kUsageCounter) {
        notifyCounter_.store(uint8_t((notifyCounter_.load() + 1) % kNotifyCounterLimit));
    }
}

void UsbDeviceModel::wakeNotifyReader() {
    if (notifyChannel.device.handle)
        notifyChannel.device.handle->cancel();
}

void UsbDeviceModel::notifyThreadBody(StopEvent& stop) {
    HidDevice& device = notifyChannel.device;
    std::vector<uint8_t> report;
    while (!stop.isSet()) {
        if (!notifyChannel.connected.load() || !device.isOpen()) {
            if (stop.waitFor(kDisconnectedPause))
                break;
            continue;
        }
        const uint16_t length =
            device.caps.InputReportByteLength ? device.caps.InputReportByteLength : kNotifyReportFallbackLength;
        report.assign(length, 0);
        uint32_t got = 0;
        if (!device.readReport(length, got, report.data(), platform::kWaitForever)) {
            // Cancelled, or the device went away: a failing read must not turn into a busy loop.
            if (stop.waitFor(kDisconnectedPause))
                break;
            continue;
        }
        if (stop.isSet())
            break;
        if (device.unpackReport(device.input.data, report.data(), got, HidReportKind::Input) &&
            !device.input.data.empty() && !device.input.data[0].Usages.empty())
            handleNotificationUsage(device.input.data[0].Usages[0]);
    }
    trace(notifyThreadExitText());
}

// --- folders ---

void UsbDeviceModel::traceReapplied(const std::vector<std::string>& parts, const char* deviceName) const {
    for (const std::string& part : parts)
        trace("profile " + profileName + " re-applied to the " + deviceName + ": " + part);
}

void UsbDeviceModel::loadLightAndMacroConfig() {
    const std::string folder = userDeviceFolder();
    if (!folder.empty())
        loadLightNameLists(defaultLightPath(), lightConfigPath(folder), deviceIndex, lightNames);
}

std::string UsbDeviceModel::userDeviceFolder() const {
    return pelan::userDeviceFolder(deviceFolderName);
}

std::string UsbDeviceModel::defaultDataFolder() const {
    return pelan::defaultDataFolder();
}

std::string UsbDeviceModel::defaultProfilePath() const {
    return pelan::defaultProfilePath(deviceFolderName);
}

std::string UsbDeviceModel::profileFilePath(const std::string& name) const {
    const std::string folder = userDeviceFolder();
    if (folder.empty() || name.empty())
        return {};
    return folder + name + std::string(kProfileExtension);
}

} // namespace pelan
