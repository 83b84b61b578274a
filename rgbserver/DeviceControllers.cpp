#include "rgbserver/DeviceControllers.h"

#include <algorithm>
#include <cstdio>

#include "device/DeviceProfile.h"
#include "device/KeyboardDevice.h"
#include "device/LightSync.h"
#include "light/LightModeControls.h"
#include "light/PadLightEffects.h"
#include "rgbserver/KeyboardKeyNames.h"

namespace pelan::rgb {
namespace {

constexpr const char* kVendor = "ORVANE";
// The per-LED mode has no light mode of the device behind it.
constexpr int32_t kDirectModeValue = -1;

struct KindLook {
    DeviceType type;
    const char* name;
    const char* zone; // the zone of a device without lighting areas
};

KindLook lookOf(int kind) {
    switch (kind) {
    case 1:
        return {DeviceType::Keyboard, "ORVANE Pelan Gaming Keyboard", "Keyboard"};
    case 3:
        return {DeviceType::Mousemat, "ORVANE Pelan Mousepad", "Ring"};
    case 7:
        return {DeviceType::Headset, "ORVANE Pelan Headset", "Ear cups"};
    default:
        return {DeviceType::Mouse, "ORVANE Pelan Gaming Mouse", "Mouse"};
    }
}

// The device LEDs behind the controller's LEDs, in the controller's order, with their names.
struct LedList {
    std::vector<size_t> deviceLeds;
    std::vector<std::string> names;
};

LedList ledsOf(UsbDeviceModel& model, size_t ledCount) {
    LedList list;
    if (auto* keyboardModel = dynamic_cast<KeyboardDevice*>(&model)) {
        const keyboard::KeyPositions& positions = keyboardModel->keyPositions();
        for (size_t key = 0; key < keyboard::kLogicalKeyCount; ++key) {
            const size_t led = positions.ledIndex[key];
            if (led == keyboard::kNoPosition || led >= ledCount || keyboardKeyName(key).empty())
                continue;
            list.deviceLeds.push_back(led);
            list.names.emplace_back(keyboardKeyName(key));
        }
        return list;
    }
    // LED 126 is the on-screen one that no device has.
    const size_t count = std::min(ledCount, size_t(UsbDeviceModel::kUnsentLed));
    for (size_t led = 0; led < count; ++led) {
        list.deviceLeds.push_back(led);
        list.names.push_back("LED " + std::to_string(led + 1));
    }
    return list;
}

std::vector<Zone> zonesOf(const UsbDeviceModel& model, const char* wholeName, size_t ledCount) {
    const std::vector<std::string>& areas = model.lightNames.areaNames;
    if (model.deviceKind == 1 || areas.empty() || ledCount < areas.size())
        return {Zone{wholeName, ZoneType::Linear, 0, uint32_t(ledCount)}};
    std::vector<Zone> zones;
    for (size_t area = 0; area < areas.size(); ++area) {
        const padlight::LedRange leds = padlight::regionLeds(area, areas.size(), ledCount);
        zones.push_back({areas[area], ZoneType::Linear, uint32_t(leds.first), uint32_t(leds.count)});
    }
    return zones;
}

Mode directMode() {
    Mode mode;
    mode.name = "Direct";
    mode.value = kDirectModeValue;
    mode.flags = modeflag::kPerLedColour;
    mode.colourMode = ColourMode::PerLed;
    return mode;
}

Mode deviceMode(const std::string& name, uint8_t number, int kind, const LightInfo& light) {
    const light::ModeControls controls = light::modeControls(kind, number);
    Mode mode;
    mode.name = name;
    mode.value = number;
    if (controls.speed) {
        mode.flags |= modeflag::kSpeed;
        mode.speedMax = light::kLightLevelMax;
        mode.speed = std::min(light.speed, light::kLightLevelMax);
    }
    if (controls.brightness) {
        mode.flags |= modeflag::kBrightness;
        mode.brightnessMax = light::kLightLevelMax;
        mode.brightness = std::min(light.brightness, light::kLightLevelMax);
    }
    if (controls.direction) {
        mode.flags |= modeflag::kDirectionLeftRight;
        mode.direction = light.effect != 0 ? kDirectionLeft : kDirectionRight;
    }
    if (controls.multiColour)
        mode.flags |= modeflag::kRandomColour;
    if (controls.colour) {
        mode.flags |= modeflag::kModeColour;
        mode.coloursMin = mode.coloursMax = 1;
        mode.colours = {colourOf(light.red, light.green, light.blue)};
        mode.colourMode = ColourMode::ModeSpecific;
    }
    if (controls.multiColour && light.multiColour != 0)
        mode.colourMode = ColourMode::Random;
    return mode;
}

std::string versionText(uint16_t number) {
    char text[16];
    std::snprintf(text, sizeof text, "%x.%02x", unsigned(number >> 8), unsigned(number & 0xFF));
    return text;
}

} // namespace

DeviceControllers::DeviceControllers(std::vector<UsbDeviceModel*> models) : models_(std::move(models)) {}

DeviceControllers::Served DeviceControllers::serve(UsbDeviceModel& model) {
    const KindLook look = lookOf(model.deviceKind);
    const light::LedFrame leds = model.ledSnapshot();
    const LightInfo light = model.getLightInfo();
    Served served;
    served.model = &model;
    served.kind = model.deviceKind;
    Controller& controller = served.controller;
    controller.type = look.type;
    controller.name = look.name;
    controller.vendor = kVendor;
    controller.description = std::string(look.name) + ", served by ORVANE Pelan";
    controller.version = versionText(model.commandChannel.device.attributes.VersionNumber);
    controller.location = "HID: " + model.identity.devicePath;

    LedList list = ledsOf(model, leds.size());
    for (size_t led : list.deviceLeds) {
        const light::Rgb colour = light::ledColour(leds[led]);
        controller.colours.push_back(colourOf(colour.red, colour.green, colour.blue));
    }
    controller.zones = zonesOf(model, look.zone, list.names.size());
    controller.ledNames = std::move(list.names);
    served.deviceLeds = std::move(list.deviceLeds);

    controller.modes.push_back(directMode());
    const LightNameLists& names = model.lightNames;
    for (size_t number = 0; number < names.defaultNames.size() && number <= UINT8_MAX; ++number) {
        if (number < names.defaultVisible.size() && !names.defaultVisible[number])
            continue;
        controller.modes.push_back(deviceMode(names.defaultNames[number], uint8_t(number), model.deviceKind, light));
        if (!model.externalFrames.load() && number == light.mode)
            controller.activeMode = int32_t(controller.modes.size() - 1);
    }
    return served;
}

Controller DeviceControllers::describe(UsbDeviceModel& model) {
    return serve(model).controller;
}

void DeviceControllers::refresh() {
    std::vector<Served> picture;
    for (UsbDeviceModel* model : models_)
        if (model->commandChannel.connected.load())
            picture.push_back(serve(*model));
    std::lock_guard lock(snapshotLock_);
    snapshot_ = std::move(picture);
}

std::vector<Controller> DeviceControllers::describe() {
    {
        std::lock_guard lock(snapshotLock_);
        described_ = snapshot_;
    }
    std::vector<Controller> controllers;
    for (const Served& served : described_)
        controllers.push_back(served.controller);
    return controllers;
}

const DeviceControllers::Served* DeviceControllers::described(size_t controller) const {
    if (controller >= described_.size() || !described_[controller].model->commandChannel.connected.load())
        return nullptr;
    return &described_[controller];
}

void DeviceControllers::showColours(size_t controller, const std::vector<Colour>& colours) {
    const Served* served = described(controller);
    if (served == nullptr)
        return;
    // LEDs the controller does not name keep what they show.
    light::LedFrame frame = served->model->ledSnapshot();
    for (size_t i = 0; i < served->deviceLeds.size() && i < colours.size(); ++i)
        if (served->deviceLeds[i] < frame.size())
            frame[served->deviceLeds[i]] =
                light::packLed({uint8_t(colours[i]), uint8_t(colours[i] >> 8), uint8_t(colours[i] >> 16)}, UINT8_MAX);
    served->model->externalFrames = 1;
    served->model->showExternalFrame(frame);
}

LightInfo DeviceControllers::lightOf(const LightInfo& current, int kind, const Mode& chosen) {
    LightInfo light = current;
    light.mode = uint8_t(chosen.value);
    const light::ModeControls controls = light::modeControls(kind, light.mode);
    if (controls.speed)
        light.speed = uint8_t(std::min<uint32_t>(chosen.speed, light::kLightLevelMax));
    if (controls.brightness)
        light.brightness = uint8_t(std::min<uint32_t>(chosen.brightness, light::kLightLevelMax));
    if (controls.direction)
        light.effect = chosen.direction == kDirectionLeft ? 1 : 0;
    if (controls.multiColour && chosen.colourMode == ColourMode::Random) {
        light.multiColour = 1;
    } else if (controls.colour && !chosen.colours.empty()) {
        light.red = uint8_t(chosen.colours.front());
        light.green = uint8_t(chosen.colours.front() >> 8);
        light.blue = uint8_t(chosen.colours.front() >> 16);
        light.multiColour = 0;
    }
    return light;
}

void DeviceControllers::applyMode(size_t controller, size_t /*modeIndex*/, const Mode& mode, bool /*save*/) {
    const Served* served = described(controller);
    if (served == nullptr || mode.value < 0 || mode.value > UINT8_MAX)
        return;
    // Our devices keep every mode they are given, so saving it is the same change.
    UsbDeviceModel* model = served->model;
    const LightInfo light = lightOf(model->getLightInfo(), served->kind, mode);
    model->externalFrames = 0;
    runJob_([model, light] {
        applyLightSetting(*model, light);
        model->refreshPage();
    });
}

void DeviceControllers::directControlChanged(const std::vector<std::string>& clientNames) {
    if (clientNames.empty()) {
        // The last client let go: the devices it drove show the profile's lighting again.
        for (UsbDeviceModel* model : models_) {
            if (!model->externalFrames.exchange(0) || !model->commandChannel.connected.load())
                continue;
            runJob_([model] {
                model->writeSettings(activeProfileSlot(*model), 0, 1);
                model->refreshPage();
            });
        }
    }
    if (ownerListener_)
        ownerListener_(clientNames);
}

} // namespace pelan::rgb
