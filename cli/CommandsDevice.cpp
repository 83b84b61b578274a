// Commands that read the device or write the profile onto it: devices, info, settings, status, dpi, polling,
// light and key.
#include "cli/Commands.h"
#include "cli/DeviceAccess.h"
#include "cli/KeyCategoryOptions.h"
#include "cli/KeyValueNames.h"
#include "device/KeyboardDevice.h"
#include "device/LightSync.h"
#include "device/MouseDevice.h"
#include "device/MouseSettingsBlock.h"
#include "device/PowerDisplay.h"
#include "keys/KeyTables.h"
#include "macro/MacroFiles.h"
#include "macro/MacroImage.h"
#include "profile/DefaultFiles.h"

namespace pelan::cli {
namespace {

constexpr uint32_t kMaxStage = mouse_block::kStageCount - 1;
constexpr uint32_t kMaxReportRate = 4;
constexpr uint32_t kMaxLightLevel = 4; // brightness and speed

// The kind's device, connected, with the profile list bound; `error` says why not.
std::unique_ptr<DeviceAccess> openDevice(CliKind kind, std::string& error) {
    std::unique_ptr<DeviceAccess> access = DeviceAccess::make(kind);
    error = access->bindProfiles();
    if (error.empty())
        error = access->connect();
    return access;
}

// The device with what a page reads before it writes.
std::unique_ptr<DeviceAccess> openForWrite(CliKind kind, std::string& error) {
    std::unique_ptr<DeviceAccess> access = openDevice(kind, error);
    if (!error.empty())
        return access;
    if (const int read = access->prepareForWrite(); read != kResultAccepted)
        error = "cannot read the " + std::string(kindName(kind)) + ": " + protocolResultText(read);
    return access;
}

// The device with its settings read.
std::unique_ptr<DeviceAccess> openForShow(CliKind kind, std::string& error) {
    std::unique_ptr<DeviceAccess> access = openDevice(kind, error);
    if (!error.empty())
        return access;
    if (const int read = access->readSettingsForShow(); read != kResultAccepted)
        error = "cannot read the settings: " + protocolResultText(read);
    return access;
}

CommandResult mouseOnly(std::string_view command, CliKind kind) {
    return failed(std::string(command) + " is a mouse command; the " + std::string(kindName(kind)) +
                  " has no DPI stages or report rate");
}

std::optional<uint32_t> stageArgument(const std::string& text) {
    return parseNumberArgument(text, kMaxStage);
}

bool isDecimal(const std::string& text) {
    return !text.empty() && text.find_first_not_of("0123456789") == std::string::npos;
}

Json::Value keyRecordDocument(const KeyRecord& key, const std::vector<MacroEntry>& macros) {
    Json::Value doc;
    doc["index"] = key.index;
    doc["value"] = hexNumber(uint32_t(encodeKeyAssignment(key.current)), 6);
    doc["default"] = hexNumber(uint32_t(encodeKeyAssignment(key.defaultValue)), 6);
    doc["name"] = keyValueDisplayName(key.current, macros);
    return doc;
}

// Writes the macro memory and the key table after a key list change, as the window does after assignment edits.
CommandResult writeKeys(DeviceAccess& access, const KeyRecord& changed) {
    std::string error;
    if (access.model().saveProfile() != 0)
        return failed("cannot write the profile file " + access.model().getProfilePath());
    access.model().loadProfileIntoPage();
    error = access.applyMacros();
    if (error.empty())
        error = unplacedKeysText(access, {changed.index});
    if (!error.empty())
        return failed("profile saved; " + error);
    const std::vector<MacroEntry> macros =
        loadMacroList(access.userFolder(), macroListFileFor(access.model().deviceFolderName));
    return succeeded(keyRecordDocument(changed, macros));
}

} // namespace

CommandResult presentDevicesCommand() {
    Json::Value list(Json::arrayValue);
    for (const FoundInterface& found : findSupportedInterfaces()) {
        Json::Value item;
        item["kind"] = std::string(deviceKindName(found.entry.deviceKind));
        item["role"] = found.entry.interfaceRole == kInterfaceRoleCommand ? "command" : "notification";
        item["vendor"] = hexNumber(found.attributes.VendorID, 4);
        item["product"] = hexNumber(found.attributes.ProductID, 4);
        item["interface"] = found.entry.interfaceNumber;
        item["collection"] = found.entry.collectionNumber;
        item["usagePage"] = hexNumber(found.caps.UsagePage, 4);
        item["usage"] = hexNumber(found.caps.Usage, 2);
        item["version"] = hexNumber(found.attributes.VersionNumber, 4);
        item["path"] = found.path;
        list.append(item);
    }
    Json::Value doc;
    doc["devices"] = list;
    return succeeded(doc);
}

CommandResult infoCommand(const Words& args, CliKind kind) {
    if (!args.empty())
        return usageFailed("info takes no arguments");
    std::string error;
    std::unique_ptr<DeviceAccess> access = openDevice(kind, error);
    if (!error.empty())
        return failed(error);
    UsbDeviceModel& model = access->model();
    Json::Value doc;
    int result = kResultAccepted;
    if (MouseDevice* mouse = access->mouse()) {
        const MouseDevice::ReadDeviceResult read = mouse->readDevice();
        result = read.result;
        doc["firmwareTooOld"] = read.firmwareTooOld;
        doc["minimumDpi"] = mouse->minimumDpi();
    } else if (KeyboardDevice* keyboard = access->keyboard()) {
        result = keyboard->readDevice();
    } else {
        // The pads' connection read: the record inside an update.
        ReportProtocol& channel = model.commandChannel;
        result = channel.beginUpdate();
        std::array<uint8_t, kDeviceInfoLength> info{};
        if (result == kResultAccepted)
            result = channel.readDeviceInfo(info.data());
        const int ended = channel.endUpdate();
        if (result == kResultAccepted) {
            model.deviceInfo = info;
            result = ended;
        }
    }
    if (result != kResultAccepted)
        return failed("cannot read the device information: " + protocolResultText(result));
    doc["record"] = hexText(model.deviceInfo.data(), model.deviceInfo.size());
    doc["keys"] = model.deviceInfo[5];
    doc["macroCapacity"] = Json::UInt(model.deviceInfo[6] * kMacroCapacityUnit);
    doc["firmwareVersion"] = hexNumber(model.commandChannel.device.attributes.VersionNumber, 4);
    return succeeded(doc);
}

CommandResult settingsCommand(const Words& args, CliKind kind) {
    if (!args.empty())
        return usageFailed("settings takes no arguments");
    std::string error;
    std::unique_ptr<DeviceAccess> access = openForShow(kind, error);
    if (!error.empty())
        return failed(error);
    return succeeded(access->settingsDocument());
}

CommandResult statusCommand(const Words& args, CliKind kind) {
    if (!args.empty())
        return usageFailed("status takes no arguments");
    std::string error;
    std::unique_ptr<DeviceAccess> access = openDevice(kind, error);
    if (!error.empty())
        return failed(error);
    const std::optional<PowerStatus> status = access->model().readPowerStatus();
    if (!status)
        return failed("no status record from the device");
    Json::Value doc;
    doc["record"] = hexText(status->bytes.data(), status->bytes.size());
    doc["battery"] = status->battery();
    doc["charging"] = status->chargingState();
    doc["chargingText"] = status->chargingState() == powerdisplay::kCharged     ? "charged"
                          : status->chargingState() == powerdisplay::kCharging  ? "charging"
                          : status->chargingState() == powerdisplay::kOnBattery ? "on battery"
                                                                                : "unknown";
    doc["phoneType"] = status->phoneType();
    doc["phoneText"] = status->phoneType() == powerdisplay::kPhoneIphone    ? "iPhone"
                       : status->phoneType() == powerdisplay::kPhoneSamsung ? "Samsung"
                       : status->phoneType() == powerdisplay::kPhoneOther   ? "other"
                                                                            : "none";
    doc["wireless"] = status->wirelessMark() == 1;
    doc["statusValue"] = status->statusValue();
    return succeeded(doc);
}

CommandResult dpiCommand(const Words& args, CliKind kind) {
    if (kind != CliKind::Mouse)
        return mouseOnly("dpi", kind);
    const std::string verb = args.empty() ? "" : args[0];
    std::optional<uint32_t> stage;
    if (verb == "get") {
        if (args.size() != 1)
            return usageFailed("dpi get takes no arguments");
    } else if (verb == "set" || verb == "active" || verb == "enable") {
        const size_t wanted = verb == "active" ? 2 : 3;
        if (args.size() != wanted)
            return usageFailed(verb == "active" ? "usage: dpi active STAGE"
                               : verb == "set"  ? "usage: dpi set STAGE VALUE"
                                                : "usage: dpi enable STAGE on|off");
        stage = stageArgument(args[1]);
        if (!stage)
            return usageFailed("STAGE is 0 to 5, not " + args[1]);
        if (verb == "set" && !isDecimal(args[2]))
            return usageFailed("VALUE is a DPI number such as 1600, not " + args[2]);
        if (verb == "enable" && args[2] != "on" && args[2] != "off")
            return usageFailed("dpi enable wants on or off, not " + args[2]);
    } else {
        return usageFailed("usage: dpi get | dpi set STAGE VALUE | dpi active STAGE | dpi enable STAGE on|off");
    }

    std::string error;
    std::unique_ptr<DeviceAccess> access = verb == "get" ? openForShow(kind, error) : openForWrite(kind, error);
    if (!error.empty())
        return failed(error);
    MouseDevice& mouse = *access->mouse();
    CMouseProfiledata& profile = mouse.profileData;
    std::vector<DpiStage> stages = profile.getDpiStages();

    if (verb == "get") {
        Json::Value doc = access->settingsDocument();
        Json::Value shown;
        shown["activeStage"] = doc["activeStage"];
        shown["stages"] = doc["stages"];
        for (Json::ArrayIndex s = 0; s < shown["stages"].size(); ++s)
            shown["stages"][s]["enabled"] = s < stages.size() && stages[s].enabled != 0;
        return succeeded(shown);
    }
    // Stages missing from the profile are made, so the one asked for exists; they are sent as code 0 anyway.
    if (stages.size() <= *stage)
        stages.resize(*stage + 1);
    DpiStage& edited = stages[*stage];
    Json::Value doc;
    doc["stage"] = *stage;
    if (verb == "set") {
        edited.dpiX = uint16_t(mouse.dpiCodeFromEdit(args[2]));
        doc["code"] = edited.dpiX;
        doc["dpi"] = dpiFromCode(edited.dpiX);
        profile.writeDpiStages(stages);
    } else if (verb == "enable") {
        edited.enabled = args[2] == "on" ? 1 : 0;
        doc["enabled"] = edited.enabled != 0;
        profile.writeDpiStages(stages);
    } else {
        profile.writeActiveDpiStage(int(*stage));
        doc["activeStage"] = *stage;
    }
    if (!access->writeSettingsFromProfile(error))
        return failed(error);
    return succeeded(doc);
}

CommandResult pollingCommand(const Words& args, CliKind kind) {
    if (args.size() != 2 || args[0] != "set")
        return usageFailed("usage: polling set N (0 to 4)");
    const std::optional<uint32_t> rate = parseNumberArgument(args[1], kMaxReportRate);
    if (!rate)
        return usageFailed("the report-rate index is 0 to 4, not " + args[1]);
    if (kind != CliKind::Mouse && kind != CliKind::Keyboard)
        return failed("the " + std::string(kindName(kind)) + " has no report rate");
    std::string error;
    std::unique_ptr<DeviceAccess> access = openForWrite(kind, error);
    if (!error.empty())
        return failed(error);
    // The mouse keeps the rate in the high half of its third system word, the keyboard in that of its second.
    if (MouseDevice* mouse = access->mouse()) {
        SystemWords words = mouse->profileData.getMouseSystem();
        words.word2 = packHalves(lowHalf(words.word2), uint16_t(*rate));
        mouse->profileData.writeMouseSystem(words);
    } else {
        CKeyboardProfiledata& profile = access->keyboard()->profileData();
        SystemWords words = profile.getKeyboardSystem();
        words.word1 = packHalves(lowHalf(words.word1), uint16_t(*rate));
        profile.writeKeyboardSystem(words);
    }
    if (!access->writeSettingsFromProfile(error))
        return failed(error);
    Json::Value doc;
    doc["reportRate"] = *rate;
    return succeeded(doc);
}

namespace {

// Applies the options of `light set` to a light setting; an error text for a bad option.
std::string applyLightOptions(const Words& args, LightInfo& light) {
    if (args.size() < 3)
        return "light set needs at least one of --mode, --brightness, --speed, --color, --multicolor, --direction";
    for (size_t i = 1; i < args.size(); i += 2) {
        const std::string& option = args[i];
        if (i + 1 >= args.size())
            return option + " needs a value";
        const std::string& value = args[i + 1];
        if (option == "--mode" || option == "--brightness" || option == "--speed" || option == "--multicolor") {
            const uint32_t max = option == "--mode" ? 255 : option == "--multicolor" ? 1 : kMaxLightLevel;
            const std::optional<uint32_t> number = parseNumberArgument(value, max);
            if (!number)
                return option + " takes 0 to " + std::to_string(max) + ", not " + value;
            uint8_t& field = option == "--mode"         ? light.mode
                             : option == "--brightness" ? light.brightness
                             : option == "--speed"      ? light.speed
                                                        : light.multiColour;
            field = uint8_t(*number);
        } else if (option == "--color") {
            const std::optional<std::vector<uint8_t>> bytes = parseHexBytes(value);
            if (value.size() != 6 || !bytes || bytes->size() != 3)
                return "--color takes RRGGBB in hexadecimal, not " + value;
            light.red = (*bytes)[0];
            light.green = (*bytes)[1];
            light.blue = (*bytes)[2];
        } else if (option == "--direction") {
            if (value != "left" && value != "right")
                return "--direction takes left or right, not " + value;
            light.effect = value == "left" ? kLightDirectionLeft : kLightDirectionRight;
        } else {
            return "unknown light option " + option;
        }
    }
    return {};
}

// The LED numbers of a comma-separated list, each 0 to 125; none for a bad list.
std::optional<std::vector<int>> parseLedList(const std::string& text) {
    std::vector<int> leds;
    size_t start = 0;
    while (start <= text.size()) {
        const size_t comma = std::min(text.find(',', start), text.size());
        const std::optional<uint32_t> led =
            parseNumberArgument(text.substr(start, comma - start), keyboard::CustomLight::kLedCount - 1);
        if (!led)
            return std::nullopt;
        leds.push_back(int(*led));
        start = comma + 1;
    }
    return leds;
}

Json::Value customLightDocument(const keyboard::CustomLight& custom) {
    Json::Value doc;
    doc["group"] = custom.group();
    Json::Value lit(Json::objectValue);
    const std::vector<RgbaColour>& colours = custom.colours();
    for (size_t led = 0; led < colours.size(); ++led)
        if (colours[led].alpha != 0)
            lit[std::to_string(led)] = colourText(colours[led].red, colours[led].green, colours[led].blue);
    doc["lit"] = lit;
    return doc;
}

// light custom GROUP [--lit LEDS --color RRGGBB | --unlit LEDS]: the keyboard's custom mode as its lighting panel
// edits it.
CommandResult lightCustom(const Words& args, CliKind kind) {
    const char* usage = "usage: light custom GROUP [--lit LED,LED.. --color RRGGBB | --unlit LED,LED..]";
    const std::optional<uint32_t> group = args.size() >= 2 ? parseNumberArgument(args[1], 255) : std::nullopt;
    const bool lit = args.size() == 6 && args[2] == "--lit" && args[4] == "--color";
    const bool unlit = args.size() == 4 && args[2] == "--unlit";
    if (!group || (args.size() != 2 && !lit && !unlit))
        return usageFailed(usage);
    std::vector<int> leds;
    std::vector<uint8_t> colour(3, 0);
    if (lit || unlit) {
        const std::optional<std::vector<int>> parsed = parseLedList(args[3]);
        if (!parsed)
            return usageFailed("the LEDs are numbers 0 to 125 joined by commas, not " + args[3]);
        leds = *parsed;
    }
    if (lit) {
        const std::optional<std::vector<uint8_t>> bytes = parseHexBytes(args[5]);
        if (args[5].size() != 6 || !bytes || bytes->size() != 3)
            return usageFailed("--color takes RRGGBB in hexadecimal, not " + args[5]);
        colour = *bytes;
    }
    if (kind != CliKind::Keyboard)
        return failed("the custom light mode is the keyboard's; the " + std::string(kindName(kind)) + " has none");
    std::string error;
    std::unique_ptr<DeviceAccess> access = openForWrite(kind, error);
    if (!error.empty())
        return failed(error);
    KeyboardDevice& keyboard = *access->keyboard();
    int result = keyboard.chooseCustomGroup(int(*group));
    if (result == kResultAccepted && (lit || unlit))
        result = keyboard.paintCustomLeds(leds, lit, {colour[0], colour[1], colour[2]});
    if (result != kResultAccepted)
        return failed("cannot send the custom colours: " + protocolResultText(result));
    return succeeded(customLightDocument(keyboard.customLight()));
}

} // namespace

// The kind's light modes as its lighting panel offers them: the mode number is the position in the light
// configuration, hidden modes included, so the numbers match what `light set --mode` and the device take.
CommandResult lightModes(CliKind kind) {
    std::unique_ptr<DeviceAccess> access = DeviceAccess::make(kind);
    if (access->userFolder().empty())
        return failed("cannot use the data folder for the " + std::string(kindName(kind)));
    UsbDeviceModel& model = access->model();
    model.loadLightAndMacroConfig();
    const LightNameLists& names = model.lightNames;
    if (names.defaultNames.empty())
        return failed("no light modes for the " + std::string(kindName(kind)) + " in " + defaultLightPath());
    Json::Value modes(Json::arrayValue);
    for (size_t mode = 0; mode < names.defaultNames.size(); ++mode) {
        Json::Value entry;
        entry["mode"] = Json::UInt(mode);
        entry["name"] = names.defaultNames[mode];
        entry["visible"] = mode >= names.defaultVisible.size() || names.defaultVisible[mode];
        modes.append(entry);
    }
    Json::Value custom(Json::arrayValue);
    for (const std::string& name : names.configuredNames)
        custom.append(name);
    Json::Value doc;
    doc["modes"] = modes;
    doc["custom"] = custom;
    return succeeded(doc);
}

CommandResult lightCommand(const Words& args, CliKind kind) {
    const std::string verb = args.empty() ? "" : args[0];
    if (verb == "modes") {
        if (args.size() != 1)
            return usageFailed("light modes takes no arguments");
        return lightModes(kind);
    }
    if (verb == "get") {
        if (args.size() != 1)
            return usageFailed("light get takes no arguments");
        std::string error;
        std::unique_ptr<DeviceAccess> access = openForShow(kind, error);
        if (!error.empty())
            return failed(error);
        return succeeded(lightDocument(access->deviceLight()));
    }
    if (verb == "custom")
        return lightCustom(args, kind);
    if (verb != "set")
        return usageFailed(
            "usage: light modes | light get | light set [--mode N] [--brightness N] [--speed N] [--color RRGGBB] "
            "[--multicolor 0|1] [--direction left|right] | light custom GROUP [--lit LEDS --color RRGGBB | --unlit "
            "LEDS]");
    // The options are checked before the device is touched.
    LightInfo probe;
    if (std::string bad = applyLightOptions(args, probe); !bad.empty())
        return usageFailed(bad);
    std::string error;
    std::unique_ptr<DeviceAccess> access = openForWrite(kind, error);
    if (!error.empty())
        return failed(error);
    LightInfo light = access->profile().getLightInfo();
    applyLightOptions(args, light);
    const LightWords words = lightWordsOf(light);
    access->model().setLightInfo(words.first, words.second, words.third);
    if (!access->writeSettingsFromProfile(error))
        return failed(error);
    return succeeded(lightDocument(access->profile().getLightInfo()));
}

CommandResult keyCommand(const Words& args, CliKind kind) {
    const std::string verb = args.empty() ? "" : args[0];
    const bool listing = verb == "list" && args.size() == 1;
    // key set INDEX --category NAME [options]: the value the key set panel's page would save.
    const bool byCategory = verb == "set" && args.size() > 3;
    const bool setting = verb == "set" && args.size() == 3;
    const bool resetting = verb == "default" && args.size() == 2;
    if (!listing && !setting && !resetting && !byCategory)
        return usageFailed("usage: key list | key set INDEX VALUE | key set INDEX --category NAME [options] | "
                           "key default INDEX");
    std::optional<KeyAssignment> value;
    if (setting) {
        value = keyValueFromText(args[2]);
        if (!value)
            return usageFailed("VALUE is a 24-bit number such as 0x100100 or a key name such as mouse_key_left, not " +
                               args[2]);
    }
    std::unique_ptr<DeviceAccess> access = DeviceAccess::make(kind);
    if (!access->hasKeys())
        return failed("the " + std::string(kindName(kind)) + " has no programmable keys");
    std::string error = access->bindProfiles();
    if (!error.empty())
        return failed(error);
    const std::vector<MacroEntry> macros =
        loadMacroList(access->userFolder(), macroListFileFor(access->model().deviceFolderName));
    std::optional<KeyCategoryRequest> request;
    if (byCategory) {
        const KeyCategoryParse parsed =
            parseKeyCategory(std::vector<std::string>(args.begin() + 2, args.end()), macros.size());
        if (!parsed.request)
            return usageFailed(parsed.error);
        request = parsed.request;
    }

    if (listing) {
        access->model().loadProfileIntoPage();
        Json::Value list(Json::arrayValue);
        for (const KeyRecord& key : access->profile().getKeyList())
            list.append(keyRecordDocument(key, macros));
        Json::Value doc;
        doc["keys"] = list;
        return succeeded(doc);
    }
    const std::optional<uint32_t> index = parseNumberArgument(args[1], 0xFFFF);
    if (!index)
        return usageFailed("INDEX is a key number, not " + args[1]);
    std::optional<size_t> macro;
    if (value && namesMacro(*value))
        macro = value->param1;
    else if (request && request->category == KeyCategory::Macro && request->choices.macroRow < 0)
        return usageFailed("the macro category needs --macro N");
    else if (request && request->category == KeyCategory::Macro)
        macro = size_t(request->choices.macroRow);
    if (macro && *macro >= macros.size())
        return failed("there is no macro " + std::to_string(*macro) + " (" + std::to_string(macros.size()) +
                      " macros)");
    error = access->connect();
    if (error.empty())
        if (const int read = access->prepareForWrite(); read != kResultAccepted)
            error = "cannot read the " + std::string(kindName(kind)) + ": " + protocolResultText(read);
    if (!error.empty())
        return failed(error);
    std::vector<KeyRecord> keys = access->profile().getKeyList();
    if (*index >= keys.size())
        return failed("there is no key " + std::to_string(*index) + " (" + std::to_string(keys.size()) + " keys)");
    KeyRecord& key = keys[*index];
    key.current = request ? keyCategoryRequestValue(*request, key) : setting ? *value : key.defaultValue;
    access->profile().writeKeyList(keys);
    return writeKeys(*access, key);
}

} // namespace pelan::cli
