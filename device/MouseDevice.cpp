#include "device/MouseDevice.h"

#include <algorithm>

#include "device/DeviceProfile.h"
#include "device/KeyLocator.h"
#include "macro/MacroFiles.h"
#include "platform/Trace.h"

namespace pelan {
namespace {

constexpr uint8_t kModeWave = 3;
constexpr uint8_t kModeRipple = 5;
constexpr uint8_t kModeOff = 7;
constexpr uint8_t kRippleMark = 0xFF;
constexpr size_t kKeyEntrySize = 3;

} // namespace

const std::array<KeyAssignment, MouseDevice::kButtonCount>& MouseDevice::buttonFactoryCodes() {
    static constexpr std::array<KeyAssignment, kButtonCount> codes = {
        KeyAssignment{0x10, 0x01, 0x00}, KeyAssignment{0x10, 0x02, 0x00}, KeyAssignment{0x10, 0x04, 0x00},
        KeyAssignment{0x10, 0x10, 0x00}, KeyAssignment{0x10, 0x08, 0x00}, KeyAssignment{0x13, 0x01, 0x00},
        KeyAssignment{0x13, 0x02, 0x00}, KeyAssignment{0xA0, 0x02, 0x00}, KeyAssignment{0x00, 0x00, 0x00},
        KeyAssignment{0x00, 0x00, 0x00}};
    return codes;
}

MouseDevice::MouseDevice() : UsbDeviceModel("mouse", 1) {
    buttonPositions.fill(kNoKeyPosition);
    resizeLeds(kDefaultLedCount);
}

MouseDevice::~MouseDevice() {
    // The threads call this class's overrides: they must end before the members they use go.
    stopThreads();
}

// --- reading the mouse ---

MouseDevice::ReadDeviceResult MouseDevice::readDevice() {
    ReadDeviceResult outcome;
    if (!commandChannel.connected.load() || !commandChannel.wirelessGuard())
        return outcome;
    outcome.versionNumber = commandChannel.device.attributes.VersionNumber;
    outcome.firmwareTooOld = outcome.versionNumber != 0 && outcome.versionNumber < kOldestCurrentFirmware;

    outcome.result = commandChannel.beginUpdate();
    if (outcome.result != kResultAccepted)
        return outcome;
    std::array<uint8_t, kDeviceInfoLength> info{};
    outcome.result = commandChannel.readDeviceInfo(info.data());
    std::array<uint8_t, kKeyTableSize> table{};
    if (outcome.result == kResultAccepted) {
        deviceInfo = info;
        outcome.result = commandChannel.setBlockSize(uint16_t(keyCount() * kKeyEntrySize));
        if (outcome.result == kResultAccepted)
            outcome.result = commandChannel.readKeyTable(table.data());
    }
    // The update is closed whatever happened, so the mouse is not left in update mode.
    const int ended = commandChannel.endUpdate();
    if (outcome.result != kResultAccepted)
        return outcome;
    keyTable = table;
    findButtons();
    if (const uint8_t leds = deviceInfo[kInfoLedCount]; leds != 0)
        resizeLeds(leds);
    outcome.result = ended;
    return outcome;
}

void MouseDevice::findButtons() {
    const std::vector<KeyAssignment> assigned = currentAssignments(profileData.getKeyList());
    std::array<int, kButtonCount> known{};
    for (int button = 0; button < kButtonCount; ++button)
        known[size_t(button)] =
            buttonPositions[size_t(button)] == kNoKeyPosition ? -1 : buttonPositions[size_t(button)];
    const std::vector<int> located = locateKeys(
        {std::span(keyTable.data(), size_t(keyCount()) * kKeyEntrySize), buttonFactoryCodes(), assigned, known});
    std::array<int, kButtonCount> positions;
    std::map<int, int> map;
    for (int button = 0; button < kButtonCount; ++button) {
        const int position = located[size_t(button)];
        positions[size_t(button)] = position == kKeyNotFound ? kNoKeyPosition : position;
        if (position != kKeyNotFound)
            map[button] = position;
    }
    buttonPositions = positions;
    setKeyPositionMap(map);
}

int MouseDevice::readSettingsBlock(uint8_t& profile, std::vector<uint8_t>& block) {
    if (!commandChannel.connected.load())
        return kResultNoAnswer;
    int result = commandChannel.readMemory(&profile, 1, 0);
    if (result != kResultAccepted)
        return result;
    const bool wireless = commandChannel.wireless.load() != 0;
    if (wireless && !commandChannel.isOnline())
        return kResultNoAnswer;
    block.assign(wireless ? mouse_block::kWirelessReadLength : mouse_block::kReadLength, 0);
    return commandChannel.readMemory(block.data(), uint32_t(block.size()), uint16_t(profile * mouse_block::kStride));
}

int MouseDevice::readSettings() {
    commandChannel.animationPaused = 0;
    uint8_t profile = 0;
    std::vector<uint8_t> block;
    if (const int result = readSettingsBlock(profile, block); result != kResultAccepted)
        return result;
    block[mouse_block::kProfileByte] = profile;
    currentProfile = profile;

    const MouseSettingsMirror mirror = decodeMouseSettings(block);
    LightInfo light;
    {
        std::lock_guard lock(lightLock);
        settingsMirror = mirror;
        light = mirror.light;
        // The direction is the page's own; the block's byte 4 stays in the mirror.
        light.effect = lightInfo.effect;
        light.extra0 = lightInfo.extra0;
        light.extra1 = lightInfo.extra1;
        light.extra2 = lightInfo.extra2;
        lightInfo = light;
    }
    profileData.writeActiveDpiStage(mirror.activeStage);
    profileData.writeLightInfo(light);
    profileData.saveProfile();
    if (DeviceModelObserver* watcher = observer())
        watcher->onCurrentProfile(currentProfile);
    return kResultAccepted;
}

// --- writing the mouse ---

MouseSettingsSource MouseDevice::settingsFromProfile(int firstByte) const {
    MouseSettingsSource source;
    source.light = profileData.getLightInfo();
    // Held to a byte here without wrapping round (a rate of -7 must not become 249); the encoder holds each to its
    // range.
    source.reportRate = uint8_t(std::min<uint16_t>(highHalf(profileData.getMouseSystem().word2), UINT8_MAX));
    source.activeStage = uint8_t(std::clamp(profileData.getActiveDpiStage(), 0, int(UINT8_MAX)));
    const std::vector<DpiStage>& stages = profileData.getDpiStages();
    for (size_t s = 0; s < mouse_block::kStageCount && s < stages.size(); ++s)
        source.stageCodes[s] = stages[s].dpiX;
    source.firstByte = uint8_t(firstByte);
    return source;
}

int MouseDevice::writeSettings(int profileIndex, int firstByte, int, int, int) {
    if (!commandChannel.connected.load())
        return kResultNoAnswer;
    const int offset = profileIndex * int(mouse_block::kStride);
    if (profileIndex < 0 || offset > 0xFFFF)
        return kResultNoAnswer;
    const MouseSettingsBytes block =
        encodeMouseSettings(settingsFromProfile(firstByte), commandChannel.wireless.load() != 0);
    return runGuardedUpdate(
        [&] { return commandChannel.writeMemory(block.data(), uint32_t(block.size()), uint16_t(offset)); });
}

std::vector<uint8_t> MouseDevice::keyTableWith(const std::vector<KeyRecord>& keys) const {
    std::vector<uint8_t> table(keyTable.begin(), keyTable.end());
    const size_t count = std::min(keys.size(), size_t(kButtonCount));
    for (size_t button = 0; button < count; ++button) {
        const int position = buttonPositions[button];
        if (position == kNoKeyPosition || position >= keyCount())
            continue;
        const size_t at = size_t(position) * kKeyEntrySize;
        const KeyAssignment& assignment = keys[button].current;
        table[at] = assignment.type;
        table[at + 1] = assignment.param1;
        table[at + 2] = assignment.param2;
    }
    return table;
}

int MouseDevice::writeKeyAssignments(int table, const std::vector<KeyRecord>& keys) {
    const int read = readDeviceInfoGuarded();
    if (read != kResultAccepted)
        return read;
    const std::vector<uint8_t> bytes = keyTableWith(keys);
    return runGuardedUpdate([&] { return commandChannel.writeKeyTable(bytes.data(), uint32_t(table)); });
}

int MouseDevice::writeCurrentKeys(int table) {
    return writeKeyAssignments(table, profileData.getKeyList());
}

int MouseDevice::writeMacros() {
    return writeMacroMemory();
}

void MouseDevice::checkMacroAssignments() {
    const size_t macroCount = loadMacroList(userDeviceFolder(), macroListFileFor(deviceFolderName)).size();
    std::vector<KeyRecord> keys = profileData.getKeyList();
    bool changed = false;
    for (KeyRecord& key : keys) {
        if (namesMacro(key.current) && key.current.param1 >= macroCount) {
            key.current = key.defaultValue;
            changed = true;
        }
    }
    if (changed)
        profileData.writeKeyList(keys);
}

// --- profile ---

void MouseDevice::setProfilePaths() {
    setDeviceProfilePaths(*this, profileData);
}

std::string MouseDevice::getProfilePath() const {
    return profileData.getProfilePath();
}

int MouseDevice::saveProfile() {
    return profileData.saveProfile();
}

void MouseDevice::loadLightAndMacroConfig() {
    UsbDeviceModel::loadLightAndMacroConfig();
    if (!profileData.getLightConfigPath().empty())
        profileData.loadLightConfig(profileData.getLightConfigPath());
}

void MouseDevice::loadProfileIntoPage() {
    if (!loadDeviceProfile(*this, profileData))
        return;
    profileData.readLightInfo();
    profileData.readDpiStages();
    profileData.readMouseSystem();
    profileData.readKeyList();
    profileData.readCorrections();
    loadLightAndMacroConfig();
    afterProfileLoad();
}

void MouseDevice::adoptLight(const LightInfo& light) {
    std::lock_guard lock(lightLock);
    const bool modeChanged = settingsMirror.light.mode != light.mode;
    lightInfo = light;
    settingsMirror.light = light;
    if (modeChanged) {
        clearEffectBuffers();
        markPressedKeys();
    }
}

void MouseDevice::afterProfileLoad() {
    adoptLight(profileData.getLightInfo());
    std::vector<LedEffectStep> steps = profileData.readLedEffects();
    std::lock_guard lock(lightLock);
    customEffects_ = std::move(steps);
    customStarted_ = false;
}

void MouseDevice::setLightInfo(uint32_t first, uint32_t second, uint32_t third) {
    UsbDeviceModel::setLightInfo(first, second, third);
    profileData.writeLightInfo(first, second, third);
    // The preview follows the light setting the user just chose, not only the one last read from the mouse.
    adoptLight(getLightInfo());
}

void MouseDevice::setDeviceIndex(int n) {
    UsbDeviceModel::setDeviceIndex(n);
    profileData.setDeviceSlot(0);
}

void MouseDevice::selectKey(int index) {
    selectedButton = index;
    UsbDeviceModel::selectKey(index);
}

void MouseDevice::clearKeySelection() {
    selectedButton = -1;
    UsbDeviceModel::clearKeySelection();
}

// --- timers and whole-page sequences ---

void MouseDevice::onConnectTimer() {
    const ReadDeviceResult read = readDevice();
    DeviceModelObserver* watcher = observer();
    if (read.firmwareTooOld && watcher && !watcher->onFirmwareTooOld(read.versionNumber)) {
        // Declined: the program is ending, and nothing more is read from or written to the mouse.
        commandChannel.connected = 0;
        return;
    }
    loadProfileIntoPage();
    reapplyProfile();
    readSettings();
    refreshPage();
    startLightThread();
}

std::vector<std::string> MouseDevice::reapplyProfile() {
    std::vector<std::string> written;
    uint8_t profile = 0;
    std::vector<uint8_t> held;
    if (profileData.getProfilePath().empty() || readSettingsBlock(profile, held) != kResultAccepted)
        return written;
    // Byte 0 is the active profile index, which the mouse may change itself; the rest is the profile's. The key
    // table is left alone: many mice answer its read with the factory layout, so it cannot be compared.
    const MouseSettingsBytes wanted = encodeMouseSettings(settingsFromProfile(0), commandChannel.wireless.load() != 0);
    if (!std::equal(wanted.begin() + 1, wanted.begin() + mouse_block::kReadLength, held.begin() + 1) &&
        writeSettings(0, 0) == kResultAccepted)
        written.emplace_back("settings");
    traceReapplied(written, "mouse");
    return written;
}

// The mouse asks for this read after its own buttons changed the DPI stage or the profile: what moved is told.
void MouseDevice::onSyncTimer() {
    const uint8_t stageBefore = settingsSnapshot().activeStage;
    const uint8_t profileBefore = currentProfile;
    const bool read = readSettings() == kResultAccepted;
    refreshPage();
    DeviceModelObserver* watcher = observer();
    if (!read || watcher == nullptr)
        return;
    const MouseSettingsMirror after = settingsSnapshot();
    DeviceButtonChange change;
    if (after.activeStage != stageBefore && after.activeStage < after.stageCodes.size())
        change.dpi = dpiFromCode(after.stageCodes[after.activeStage]);
    if (currentProfile != profileBefore)
        change.profile = currentProfile;
    if (change.dpi != 0 || change.profile >= 0)
        watcher->onChangedOnDevice(change);
}

void MouseDevice::onPeriodicTimer() {
    readPowerStatus();
}

// --- DPI ---

int MouseDevice::minimumDpi() const {
    return deviceInfo[kInfoMinimumDpi] | (deviceInfo[kInfoMinimumDpi + 1] << 8);
}

int MouseDevice::dpiCodeFromEdit(std::string_view text) const {
    return codeFromDpi(dpiFromEditText(text, minimumDpi()));
}

MouseSettingsMirror MouseDevice::settingsSnapshot() const {
    std::lock_guard lock(lightLock);
    return settingsMirror;
}

std::vector<LedEffectStep> MouseDevice::customEffectsSnapshot() const {
    std::lock_guard lock(lightLock);
    return customEffects_;
}

// --- light preview ---

uint8_t MouseDevice::lightMode() const {
    std::lock_guard lock(lightLock);
    return settingsMirror.light.mode;
}

uint8_t MouseDevice::lightSpeed() const {
    std::lock_guard lock(lightLock);
    if (settingsMirror.light.mode >= mouse_block::kFirstCustomMode && !customEffects_.empty())
        return customEffects_[customIndex_ % customEffects_.size()].speed;
    return settingsMirror.light.speed;
}

void MouseDevice::runLightMode(uint8_t mode) {
    if (mode == kModeWave)
        return lightFrameWave();
    if (mode == kModeRipple)
        return lightFrameRipple();
    if (mode >= mouse_block::kFirstCustomMode)
        return customEffectStep();
    UsbDeviceModel::runLightMode(mode);
}

void MouseDevice::lightFrameWave() {
    std::lock_guard lock(lightLock);
    light::wave(lightInfo, effectCounters, ledState);
}

void MouseDevice::lightFrameRipple() {
    std::lock_guard lock(lightLock);
    ripple(lightInfo);
}

void MouseDevice::ripple(const LightInfo& light) {
    const bool upwards = light.effect != 0;
    const uint8_t step = light::stepCounter(effectCounters.effectColourStep, light::kWheelSize, upwards);
    effectCounters.effectColourStep = step;
    rotateEffectRow(light.effect);
    // A new ring starts at the end the rings move away from.
    if (step % kRippleSpacing == 0)
        effectBuffer[kEffectKeyCells + (upwards ? 0 : kRippleGroups - 1)] = kRippleMark;
    const uint8_t brightness = light::brightnessForLevel(light.brightness);
    for (size_t led = 0; led < ledState.size(); ++led) {
        const size_t group = led % kRippleGroups;
        const light::Rgb colour =
            light.multiColour ? light::wheelColour(step + kRippleColourStride * group) : light::lightColour(light);
        const uint8_t level = effectBuffer[kEffectKeyCells + group];
        ledState[led] = light::packLed(colour, uint8_t((unsigned(brightness) * level) >> 8));
    }
    for (size_t group = 0; group < kRippleGroups; ++group)
        decayEffectValue(int(kEffectKeyCells + group), true);
}

void MouseDevice::runGenerator(uint8_t mode, const LightInfo& light) {
    if (mode == kModeWave)
        light::wave(light, effectCounters, ledState);
    else if (mode == kModeRipple)
        ripple(light);
    else if (!runBaseGenerator(mode, light))
        light::off(ledState);
}

void MouseDevice::customEffectStep() {
    std::lock_guard lock(lightLock);
    if (customEffects_.empty()) {
        light::off(ledState);
        return;
    }
    const std::chrono::milliseconds now = tickNow();
    if (!customStarted_) {
        customStarted_ = true;
        customIndex_ = 0;
        customStepStart_ = now;
    } else if (now - customStepStart_ >= std::chrono::milliseconds(customEffects_[customIndex_].time)) {
        customIndex_ = (customIndex_ + 1) % customEffects_.size();
        customStepStart_ = now;
    }
    const LedEffectStep& step = customEffects_[customIndex_];
    // A step may not name a custom mode itself: that would have nothing to show.
    runGenerator(step.mode >= mouse_block::kFirstCustomMode ? kModeOff : step.mode, light::lightInfoOf(step));
}

} // namespace pelan
