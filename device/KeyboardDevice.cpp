#include "device/KeyboardDevice.h"

#include <algorithm>
#include <cstring>

#include "device/DeviceProfile.h"
#include "device/KeyLocator.h"

namespace pelan {

KeyboardDevice::KeyboardDevice() : UsbDeviceModel(kDeviceFolderName, kDeviceIndex) {
    resizeLeds(keyboard::kLogicalKeyCount);
    positions_.position.fill(keyboard::kNoPosition);
    positions_.ledIndex.fill(keyboard::kNoPosition);
    keyPositionMap = positions_.asPositionMap();
}

KeyboardDevice::~KeyboardDevice() {
    stopThreads();
}

void KeyboardDevice::onConnectTimer() {
    readDevice();
    loadProfileIntoPage();
    reapplyProfile();
    readSettings();
    refreshPage();
    startLightThread();
}

void KeyboardDevice::onSyncTimer() {
    readSettings();
    refreshPage();
}

int KeyboardDevice::readDevice() {
    if (!commandChannel.connected)
        return kResultNoAnswer;
    std::array<uint8_t, kDeviceInfoLength> info{};
    std::array<uint8_t, kKeyTableSize> table{};
    std::vector<uint8_t> perKey;
    const int result = runGuardedUpdate([&]() -> int {
        int read = commandChannel.readDeviceInfo(info.data());
        if (read != kResultAccepted)
            return read;
        if (!commandChannel.setBlockSize(uint16_t(info[5] * 3)))
            return kResultNoAnswer;
        read = commandChannel.readKeyTable(table.data());
        if (read != kResultAccepted)
            return read;
        perKey.assign(commandChannel.blockSize / 3, 0);
        return commandChannel.readPerKeyTable(perKey.data());
    });
    if (result != kResultAccepted)
        return result;
    deviceInfo = info;
    keyTable = table;
    perKeyTable_ = std::move(perKey);
    const std::vector<KeyAssignment> assigned = currentAssignments(profile_.getKeyList());
    positions_ =
        keyboard::findKeyPositions(std::span(keyTable.data(), keyTableBytes()), perKeyTable_, assigned, &positions_);
    setKeyPositionMap(positions_.asPositionMap());
    return kResultAccepted;
}

int KeyboardDevice::readSettings() {
    commandChannel.animationPaused = 0;
    uint8_t profile = 0;
    keyboard::SettingsBytes block{};
    if (const int result = readHeldSettings(profile, block); result != kResultAccepted)
        return result;
    block[0] = profile;
    block[keyboard::kClearedOnReadOffset] = 0;
    const keyboard::DecodedSettings read = keyboard::decodeSettings(block);

    LightInfo light;
    {
        std::lock_guard lock(lightLock);
        const uint8_t previousMode = lightInfo.mode;
        light = read.light;
        light.effect = lightInfo.effect;
        light.extra0 = lightInfo.extra0;
        light.extra1 = lightInfo.extra1;
        light.extra2 = lightInfo.extra2;
        lightInfo = light;
        if (light.mode != previousMode) {
            // The new mode's effect starts from its beginning.
            effectCounters = light::EffectCounters{};
            effectBuffer.fill(0);
        }
    }
    SystemWords system = profile_.readKeyboardSystem();
    system.word1 = packHalves(read.key6Flag, highHalf(system.word1));
    system.word2 = packHalves(read.wFlag, read.winFlag);
    profile_.writeKeyboardSystem(system);
    profile_.writeLightInfo(light);
    profile_.saveProfile();
    currentProfile_ = profile;
    if (DeviceModelObserver* watcher = observer())
        watcher->onCurrentProfile(profile);
    return kResultAccepted;
}

int KeyboardDevice::readHeldSettings(uint8_t& profile, keyboard::SettingsBytes& block) {
    if (!commandChannel.connected)
        return kResultNoAnswer;
    const int result = commandChannel.readMemory(&profile, 1, keyboard::kProfileIndexOffset);
    if (result != kResultAccepted)
        return result;
    return commandChannel.readMemory(block.data(), keyboard::kSettingsLength,
                                     uint16_t(profile * keyboard::kSettingsStride));
}

std::vector<std::string> KeyboardDevice::reapplyProfile() {
    std::vector<std::string> written;
    uint8_t profile = 0;
    keyboard::SettingsBytes held{};
    if (getProfilePath().empty() || readHeldSettings(profile, held) != kResultAccepted)
        return written;
    // Byte 0 and the reserved byte the keyboard fills itself are not the profile's.
    keyboard::SettingsBytes wanted =
        keyboard::encodeSettings(profile_.readLightInfo(), profile_.readKeyboardSystem(), held[0]);
    wanted[keyboard::kClearedOnReadOffset] = held[keyboard::kClearedOnReadOffset];
    if (wanted != held && writeSettings(profile, 0) == kResultAccepted)
        written.emplace_back("settings");
    traceReapplied(written, "keyboard");
    return written;
}

int KeyboardDevice::writeSettings(int profileIndex, int firstByte, int, int, int) {
    const keyboard::SettingsBytes block =
        keyboard::encodeSettings(profile_.readLightInfo(), profile_.readKeyboardSystem(), uint8_t(firstByte));
    return runGuardedUpdate([&] {
        return commandChannel.writeMemory(block.data(), keyboard::kSettingsLength,
                                          uint16_t(profileIndex * keyboard::kSettingsStride));
    });
}

int KeyboardDevice::writeKeyAssignments(int table, const std::vector<KeyRecord>& keys) {
    if (table < 0 || table > 1)
        return kResultBadKeyTable;
    const int read = readDeviceInfoGuarded();
    if (read != kResultAccepted)
        return read;
    std::array<uint8_t, kKeyTableSize> bytes = keyTable;
    const size_t tableBytes = keyTableBytes();
    for (size_t key = 0; key < keys.size() && key < keyboard::kLogicalKeyCount; ++key) {
        const size_t position = positions_.position[key];
        if (position == keyboard::kNoPosition || 3 * position + 3 > tableBytes)
            continue;
        bytes[3 * position] = keys[key].current.type;
        bytes[3 * position + 1] = keys[key].current.param1;
        bytes[3 * position + 2] = keys[key].current.param2;
    }
    return runGuardedUpdate([&] { return commandChannel.writeKeyTable(bytes.data(), uint32_t(table)); });
}

int KeyboardDevice::writeCurrentKeys(int table) {
    return writeKeyAssignments(table, profile_.getKeyList());
}

int KeyboardDevice::writeMacros() {
    return writeMacroMemory();
}

void KeyboardDevice::afterProfileLoad() {
    const LightInfo light = profile_.readLightInfo();
    profile_.readKeyList();
    profile_.readKeyboardSystem();
    const int group = profile_.readCustomLightGroup();
    std::vector<LedEffectStep> effects = profile_.readLedEffects(group);
    std::lock_guard lock(lightLock);
    custom_.load(profile_, group);
    custom_.setEffects(std::move(effects));
    if (light.mode != lightInfo.mode) {
        effectCounters = light::EffectCounters{};
        effectBuffer.fill(0);
    }
    lightInfo = light;
}

int KeyboardDevice::chooseCustomGroup(int group) {
    std::vector<LedEffectStep> effects = profile_.readLedEffects(group);
    {
        std::lock_guard lock(lightLock);
        custom_.load(profile_, group);
        custom_.setEffects(std::move(effects));
        custom_.store(profile_);
    }
    profile_.saveProfile();
    return sendCustomLight();
}

int KeyboardDevice::paintCustomLeds(std::span<const int> leds, bool lit, light::Rgb colour) {
    {
        std::lock_guard lock(lightLock);
        custom_.paint(leds, lit, colour);
        custom_.store(profile_);
    }
    profile_.saveProfile();
    return sendCustomLight();
}

int KeyboardDevice::sendCustomLight() {
    std::vector<uint8_t> bytes;
    {
        std::lock_guard lock(lightLock);
        runLightMode(keyboard::CustomLight::kMode);
        bytes = custom_.wireBytes();
    }
    if (!lightingControl.load())
        return 0;
    if (DeviceModelObserver* watcher = observer(); watcher != nullptr && previewEnabled.load())
        watcher->onLightFrame(ledSnapshot());
    if (commandChannel.wireless.load() || !commandChannel.connected.load())
        return kResultAccepted;
    return commandChannel.streamLight(bytes.data(), uint32_t(bytes.size()));
}

void KeyboardDevice::runLightMode(uint8_t mode) {
    if (mode != keyboard::CustomLight::kMode)
        return UsbDeviceModel::runLightMode(mode);
    std::lock_guard lock(lightLock);
    light::LedFrame frame = custom_.frame();
    if (const std::optional<LedEffectStep> step = custom_.effectAt(tickNow())) {
        // An entry naming the custom mode itself would have nothing to show.
        if (step->mode == keyboard::CustomLight::kMode || !runBaseGenerator(step->mode, light::lightInfoOf(*step)))
            light::off(ledState);
        frame = custom_.frame(ledState);
    }
    std::copy(frame.begin(), frame.begin() + std::ptrdiff_t(std::min(frame.size(), ledState.size())), ledState.begin());
}

uint8_t KeyboardDevice::lightSpeed() const {
    std::lock_guard lock(lightLock);
    if (const LedEffectStep* step = custom_.playing();
        step != nullptr && lightInfo.mode == keyboard::CustomLight::kMode)
        return step->speed;
    return UsbDeviceModel::lightSpeed();
}

void KeyboardDevice::setLightInfo(uint32_t first, uint32_t second, uint32_t third) {
    UsbDeviceModel::setLightInfo(first, second, third);
    profile_.writeLightInfo(first, second, third);
}

void KeyboardDevice::setDeviceIndex(int n) {
    UsbDeviceModel::setDeviceIndex(n);
    profile_.setDeviceSlot(0);
}

void KeyboardDevice::loadLightAndMacroConfig() {
    UsbDeviceModel::loadLightAndMacroConfig();
    if (!profile_.getLightConfigPath().empty())
        profile_.loadLightConfig(profile_.getLightConfigPath());
}

void KeyboardDevice::setProfilePaths() {
    setDeviceProfilePaths(*this, profile_);
}

void KeyboardDevice::loadProfileIntoPage() {
    if (!loadDeviceProfile(*this, profile_))
        return;
    loadLightAndMacroConfig();
    afterProfileLoad();
}

std::string KeyboardDevice::getProfilePath() const {
    return profile_.getProfilePath();
}

int KeyboardDevice::saveProfile() {
    return profile_.saveProfile();
}

} // namespace pelan
