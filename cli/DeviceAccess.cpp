#include "cli/DeviceAccess.h"

#include "cli/CommandOutput.h"
#include "device/DeviceProfile.h"
#include "device/HeadsetDevice.h"
#include "device/KeyboardDevice.h"
#include "device/MouseDevice.h"
#include "device/MousepadDevice.h"
#include "device/PadSettingsRecord.h"
#include "device/ProfileLimits.h"

#include <cstdio>
#include <utility>

namespace pelan::cli {

std::string colourText(uint8_t red, uint8_t green, uint8_t blue) {
    char text[8];
    std::snprintf(text, sizeof text, "%02x%02x%02x", red, green, blue);
    return text;
}

namespace {

class MouseAccess : public DeviceAccess {
public:
    MouseAccess() : DeviceAccess(CliKind::Mouse) {}
    ~MouseAccess() override { keepLoadNotice(); }
    UsbDeviceModel& model() override { return mouse_; }
    CBasicProfiledata& profile() override { return mouse_.profileData; }
    bool hasKeys() const override { return true; }
    MouseDevice* mouse() override { return &mouse_; }
    bool keyHasPosition(size_t index) override {
        return index < MouseDevice::kButtonCount && mouse_.buttonPositions[index] != UsbDeviceModel::kNoKeyPosition;
    }

    Json::Value settingsDocument() override {
        const MouseSettingsMirror mirror = mouse_.settingsSnapshot();
        Json::Value doc;
        doc["currentProfile"] = mouse_.currentProfile;
        doc["light"] = lightDocument(mirror.light);
        doc["reportRate"] = mirror.reportRate;
        doc["activeStage"] = mirror.activeStage;
        Json::Value stages(Json::arrayValue);
        for (size_t s = 0; s < mirror.stageCodes.size(); ++s) {
            Json::Value stage;
            stage["stage"] = Json::UInt(s);
            stage["code"] = mirror.stageCodes[s];
            stage["dpi"] = dpiFromCode(mirror.stageCodes[s]);
            stages.append(stage);
        }
        doc["stages"] = stages;
        Json::Value colours(Json::arrayValue);
        for (const light::Rgb& colour : mirror.stageColours)
            colours.append(colourText(colour.red, colour.green, colour.blue));
        doc["stageColors"] = colours;
        return doc;
    }

    LightInfo deviceLight() override { return mouse_.settingsSnapshot().light; }

    std::string applyMacros() override {
        const MouseDevice::MacroApplyResult applied = mouse_.applyMacros();
        if (applied.messageKey == "message_text_7")
            return "the macros could not be written to the device (message_text_7)";
        if (!applied.messageKey.empty())
            return "the macros do not fit in the device memory: " + std::to_string(applied.messageCount) + " (" +
                   applied.messageKey + ")";
        if (applied.keyResult != kResultAccepted)
            return "macros written, key table not written: " + protocolResultText(applied.keyResult);
        return {};
    }

protected:
    int readDeviceTables() override { return mouse_.readDevice().result; }
    int readSettings() override { return mouse_.readSettings(); }

private:
    MouseDevice mouse_;
};

class KeyboardAccess : public DeviceAccess {
public:
    KeyboardAccess() : DeviceAccess(CliKind::Keyboard) {}
    ~KeyboardAccess() override { keepLoadNotice(); }
    UsbDeviceModel& model() override { return keyboard_; }
    CBasicProfiledata& profile() override { return keyboard_.profileData(); }
    bool hasKeys() const override { return true; }
    KeyboardDevice* keyboard() override { return &keyboard_; }
    bool keyHasPosition(size_t index) override {
        const auto& positions = keyboard_.keyPositions().position;
        return index < positions.size() && positions[index] != keyboard::kNoPosition;
    }

    Json::Value settingsDocument() override {
        Json::Value doc;
        doc["currentProfile"] = keyboard_.currentProfile();
        doc["light"] = lightDocument(keyboard_.getLightInfo());
        return doc;
    }
    LightInfo deviceLight() override { return keyboard_.getLightInfo(); }

protected:
    int readDeviceTables() override { return keyboard_.readDevice(); }
    int readSettings() override { return keyboard_.readSettings(); }

private:
    KeyboardDevice keyboard_;
};

// The mousepad and the headset's lights: one lighting record.
class PadAccess : public DeviceAccess {
public:
    PadAccess(CliKind kind, std::unique_ptr<PadRecordDevice> device) : DeviceAccess(kind), pad(std::move(device)) {}
    ~PadAccess() override { keepLoadNotice(); }
    UsbDeviceModel& model() override { return *pad; }
    CBasicProfiledata& profile() override { return pad->profileData(); }

    Json::Value settingsDocument() override {
        const PadSettingsRecord record = pad->padRecord();
        Json::Value doc;
        doc["currentProfile"] = record.profile;
        doc["light"] = lightDocument(padRecordLight(record, record.effect));
        doc["reserved"] = hexText(record.reserved.data(), record.reserved.size());
        return doc;
    }
    LightInfo deviceLight() override {
        const PadSettingsRecord record = pad->padRecord();
        return padRecordLight(record, record.effect);
    }

protected:
    // The record is read first so that the bytes the program does not interpret are written back as they are.
    int readDeviceTables() override { return pad->readPadSettings(); }
    int readSettings() override { return pad->readPadSettings(); }

private:
    std::unique_ptr<PadRecordDevice> pad;
};

} // namespace

Json::Value lightDocument(const LightInfo& light) {
    Json::Value doc;
    doc["mode"] = light.mode;
    doc["brightness"] = light.brightness;
    doc["speed"] = light.speed;
    doc["effect"] = light.effect;
    doc["direction"] = light.effect == kLightDirectionLeft ? "left" : "right";
    doc["multicolor"] = light.multiColour;
    doc["color"] = colourText(light.red, light.green, light.blue);
    return doc;
}

uint16_t deviceKindNumber(CliKind kind) {
    switch (kind) {
    case CliKind::Mouse:
        return kDeviceKindMouse;
    case CliKind::Mousepad:
        return kDeviceKindMousepad;
    case CliKind::Headset:
        return kDeviceKindHeadset;
    case CliKind::Keyboard:
        return kDeviceKindKeyboard;
    }
    return kDeviceKindMouse;
}

std::string_view deviceKindName(uint16_t number) {
    switch (number) {
    case kDeviceKindKeyboard:
        return "keyboard";
    case kDeviceKindMouse:
        return "mouse";
    case kDeviceKindMousepad:
        return "mousepad";
    case kDeviceKindWirelessMouse:
        return "wireless mouse";
    case kDeviceKindHeadset:
        return "headset";
    default:
        return "unknown";
    }
}

std::vector<FoundInterface> findSupportedInterfaces() {
    std::vector<FoundInterface> found;
    HidDevice enumerator;
    if (!enumerator.enumerate())
        return found;
    const std::vector<SupportedDeviceEntry> table = supportedDeviceTable();
    while (const std::optional<std::string> path = enumerator.nextDevicePath()) {
        HidDevice probe;
        const int row = identifySupportedInterface(table, *path, probe);
        if (row < 0 || !probe.open(*path, true, false, true, false))
            continue;
        FoundInterface item{*path, table[size_t(row)], probe.attributes, probe.caps};
        item.entry.devicePath = *path;
        found.push_back(std::move(item));
        probe.close();
    }
    return found;
}

std::optional<FoundInterface> findCommandInterface(CliKind kind) {
    const uint16_t number = deviceKindNumber(kind);
    for (FoundInterface& item : findSupportedInterfaces())
        if (pageKindOf(item.entry.deviceKind) == number && item.entry.interfaceRole == kInterfaceRoleCommand)
            return std::move(item);
    return std::nullopt;
}

std::string unplacedKeysText(DeviceAccess& access, const std::vector<size_t>& keys) {
    std::string unplaced;
    for (size_t index : keys)
        if (!access.keyHasPosition(index))
            unplaced += (unplaced.empty() ? "" : ", ") + std::to_string(index);
    if (unplaced.empty())
        return {};
    return "the device keeps its assignment of key " + unplaced +
           ": its factory code is no longer in the device's key table, so it has no place there";
}

std::string protocolResultText(int result) {
    switch (result) {
    case kResultAccepted:
        return "accepted";
    case kResultNoAnswer:
        return "no answer from the device";
    case kResultWriteFailed:
        return "the request could not be written to the device";
    case kResultRefusedFF:
        return "the device refused the request (status 0xff)";
    case kResultRefusedFE:
        return "the device refused the request (status 0xfe)";
    case kResultBadKeyTable:
        return "no such key table";
    default:
        return "failed with result " + std::to_string(result);
    }
}

namespace {
std::string& loadNotices() {
    static std::string notices;
    return notices;
}
} // namespace

std::string outOfRangeNotice(const std::string& where, const std::vector<std::string>& members) {
    return "out of range in " + where + ", changed to the nearest value the device takes: " + joinMemberPaths(members);
}

std::string takeLoadNotices() {
    return std::exchange(loadNotices(), {});
}

void DeviceAccess::keepLoadNotice() {
    std::string path;
    const std::vector<std::string> members = takeProfileLoadChanges(model(), &path);
    if (members.empty())
        return;
    std::string& notices = loadNotices();
    notices += (notices.empty() ? "" : "; ") + outOfRangeNotice(path, members);
}

std::unique_ptr<DeviceAccess> DeviceAccess::make(CliKind kind) {
    switch (kind) {
    case CliKind::Keyboard:
        return std::make_unique<KeyboardAccess>();
    case CliKind::Mousepad:
        return std::make_unique<PadAccess>(kind, std::make_unique<MousepadDevice>());
    case CliKind::Headset:
        return std::make_unique<PadAccess>(kind, std::make_unique<HeadsetDevice>());
    case CliKind::Mouse:
        break;
    }
    return std::make_unique<MouseAccess>();
}

std::string DeviceAccess::userFolder() {
    return model().userDeviceFolder();
}

std::string DeviceAccess::bindProfiles() {
    const std::string folder = userFolder();
    if (folder.empty())
        return "cannot use the data folder for the " + std::string(kindName(kind_));
    profiles_.setDeviceKind(deviceKindNumber(kind_));
    profiles_.setImportCheck([limits = profileLimitsOfKind(deviceKindNumber(kind_))](Json::Value& tree) {
        return clampProfileTree(tree, limits);
    });
    profiles_.setFolders(folder, model().defaultProfilePath());
    const ProfileListResult result = profiles_.initProfileList();
    if (result == ProfileListResult::NoFactoryProfile)
        return "the factory profile " + model().defaultProfilePath() + " cannot be read; no profile was made";
    if (profiles_.getSelectedIndex() < 0)
        return "no profile list in " + folder + (result == ProfileListResult::WriteFailed ? " (cannot write)" : "");
    if (result == ProfileListResult::Rebuilt)
        std::fprintf(stderr,
                     "pelanctl: the profile list in %s could not be read; it was kept aside and rebuilt from "
                     "the profile files\n",
                     folder.c_str());
    model().profileName = profiles_.getCurrentProfileId();
    return {};
}

std::string DeviceAccess::connect() {
    const std::optional<FoundInterface> found = findCommandInterface(kind_);
    if (!found)
        return "no " + std::string(kindName(kind_)) + " found";
    UsbDeviceModel& device = model();
    if (!device.commandChannel.device.open(found->path, true, true, true, false))
        return "cannot open " + found->path;
    device.commandChannel.wireless = found->entry.deviceKind == kDeviceKindWirelessMouse ? 1 : 0;
    device.commandChannel.connected = 1;
    device.onConnected(found->entry);
    return {};
}

int DeviceAccess::prepareForWrite() {
    const int result = readDeviceTables();
    if (result != kResultAccepted)
        return result;
    model().loadProfileIntoPage();
    return kResultAccepted;
}

int DeviceAccess::readSettingsForShow() {
    model().loadProfileIntoPage();
    return readSettings();
}

bool DeviceAccess::writeSettingsFromProfile(std::string& error) {
    UsbDeviceModel& device = model();
    if (device.saveProfile() != 0) {
        error = "cannot write the profile file " + device.getProfilePath();
        return false;
    }
    device.loadProfileIntoPage();
    const int result = device.writeSettings(0, 0);
    if (result != kResultAccepted) {
        error = "profile saved, settings not written to the device: " + protocolResultText(result);
        return false;
    }
    return true;
}

std::string DeviceAccess::applyProfile() {
    const ProfileApplyResult applied = applyWholeProfile(model());
    if (applied.settingsResult != kResultAccepted)
        return "settings not written: " + protocolResultText(applied.settingsResult);
    if (applied.macroResult == -1)
        return "settings written, macro memory not written (message_text_7)";
    if (applied.macroResult > 0)
        return "settings written, but the macros do not fit in the device memory: " +
               std::to_string(applied.macroResult) + " (message_text_16)";
    if (applied.keyResult != kResultAccepted)
        return "settings and macros written, key table not written: " + protocolResultText(applied.keyResult);
    return {};
}

std::string DeviceAccess::applyMacros() {
    if (!hasKeys())
        return "the " + std::string(kindName(kind_)) + " has no macros";
    UsbDeviceModel& device = model();
    const int macros = device.writeMacros();
    if (macros == -1)
        return "the macros could not be written to the device (message_text_7)";
    if (macros != 0)
        return "the macros do not fit in the device memory: " + std::to_string(macros) + " (message_text_16)";
    const int keys = device.writeCurrentKeys(0);
    if (keys != kResultAccepted)
        return "macros written, key table not written: " + protocolResultText(keys);
    device.saveProfile();
    device.clearKeySelection();
    return {};
}

} // namespace pelan::cli
