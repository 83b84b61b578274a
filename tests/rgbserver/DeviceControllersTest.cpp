// Our devices as SDK controllers: the LEDs, zones and modes a client sees, and where its colours land.
#include <gtest/gtest.h>

#include "device/EmulatedModelFixture.h"
#include "device/KeyboardDevice.h"
#include "device/MouseDevice.h"
#include "rgbserver/DeviceControllers.h"
#include "rgbserver/ServedDevices.h"

namespace pelan::rgb {
namespace {

const Mode* modeNamed(const Controller& controller, const std::string& name) {
    for (const Mode& mode : controller.modes)
        if (mode.name == name)
            return &mode;
    return nullptr;
}

TEST(DeviceControllers, EachServedDeviceHasItsLedsZonesAndTheModesItsPanelOffers) {
    test::ServedDevices served({"mouse", "mousepad", "headset"});
    ASSERT_EQ(served.start(), "");
    const Controller mouse = DeviceControllers::describe(served.serve().model(cli::CliKind::Mouse));
    const Controller pad = DeviceControllers::describe(served.serve().model(cli::CliKind::Mousepad));
    const Controller headset = DeviceControllers::describe(served.serve().model(cli::CliKind::Headset));

    EXPECT_EQ(mouse.type, DeviceType::Mouse);
    EXPECT_EQ(mouse.ledNames.size(), 8u);
    EXPECT_EQ(pad.type, DeviceType::Mousemat);
    EXPECT_EQ(pad.ledNames.size(), 23u);
    EXPECT_EQ(headset.ledNames.size(), 2u);
    for (const Controller* controller : {&mouse, &pad, &headset}) {
        SCOPED_TRACE(controller->name);
        ASSERT_FALSE(controller->modes.empty());
        EXPECT_EQ(controller->modes[0].name, "Direct");
        EXPECT_EQ(controller->colours.size(), controller->ledNames.size());
        // The zones cover every LED once, in order.
        uint32_t next = 0;
        for (const Zone& zone : controller->zones) {
            EXPECT_EQ(zone.start, next);
            next += zone.count;
        }
        EXPECT_EQ(next, controller->ledNames.size());
    }
    // The mouse's breathing takes speed and brightness but no colour; the pad's wave takes colours but, as in the
    // lighting panel, no direction (the pad's record has none).
    const Mode* breathing = modeNamed(mouse, "Breathing");
    ASSERT_NE(breathing, nullptr);
    EXPECT_EQ(breathing->flags, modeflag::kSpeed | modeflag::kBrightness);
    EXPECT_EQ(breathing->speedMax, 4u);
    const Mode* wave = modeNamed(pad, "Wave");
    ASSERT_NE(wave, nullptr);
    EXPECT_EQ(wave->flags & modeflag::kDirectionLeftRight, 0u);
    EXPECT_NE(wave->flags & modeflag::kRandomColour, 0u);
    const Mode* off = modeNamed(pad, "Off");
    ASSERT_NE(off, nullptr);
    EXPECT_EQ(off->flags, 0u);
}

TEST(DeviceControllers, AClientModeKeepsWhatTheModeDoesNotTake) {
    LightInfo current;
    current.red = 10;
    current.speed = 1;
    current.brightness = 2;
    Mode chosen;
    chosen.value = 1; // the mouse's breathing: speed and brightness only
    chosen.speed = 9; // above the range: the fastest
    chosen.brightness = 3;
    chosen.colourMode = ColourMode::ModeSpecific;
    chosen.colours = {colourOf(200, 0, 0)};
    const LightInfo light = DeviceControllers::lightOf(current, 2, chosen);
    EXPECT_EQ(light.mode, 1);
    EXPECT_EQ(light.speed, 4);
    EXPECT_EQ(light.brightness, 3);
    EXPECT_EQ(light.red, 10);
}

class KeyboardAsController : public test::EmulatedModelTest<KeyboardDevice> {
protected:
    KeyboardAsController() : EmulatedModelTest("keyboard", 4) {}
};

TEST_F(KeyboardAsController, KeysAreLedsInKeyOrderAndTheirColoursReachTheirOwnLeds) {
    ASSERT_EQ(model->readDevice(), kResultAccepted);
    model->deviceKind = kDeviceKindKeyboard; // as the connection sets it
    DeviceControllers controllers({model.get()});
    controllers.refresh();
    const std::vector<Controller> described = controllers.describe();
    ASSERT_EQ(described.size(), 1u);
    const Controller& keyboard = described[0];
    EXPECT_EQ(keyboard.type, DeviceType::Keyboard);
    ASSERT_FALSE(keyboard.ledNames.empty());
    EXPECT_EQ(keyboard.ledNames.front(), "Key: Escape");
    EXPECT_EQ(keyboard.ledNames.back(), "Key: Right Windows");

    // Each key its own colour: the key's number in red.
    std::vector<Colour> colours;
    std::vector<size_t> keys;
    for (size_t key = 0; key < keyboard::kLogicalKeyCount; ++key)
        if (model->keyPositions().ledIndex[key] != keyboard::kNoPosition) {
            keys.push_back(key);
            colours.push_back(colourOf(uint8_t(key + 1), 0, 0));
        }
    ASSERT_EQ(keys.size(), keyboard.ledNames.size());
    controllers.showColours(0, colours);
    const std::vector<uint8_t> frame = device->lightFrame();
    for (size_t key : keys) {
        const size_t led = model->keyPositions().ledIndex[key];
        ASSERT_LT(3 * led, frame.size());
        // The stream carries each colour at full brightness: value x 255 / 256.
        EXPECT_EQ(frame[3 * led], uint8_t((key + 1) * 255 / 256)) << "key " << key;
    }
    EXPECT_TRUE(model->externalFrames.load());

    // The last client gone: the keyboard's own lighting comes back.
    device->clearRequestLog();
    controllers.directControlChanged({});
    EXPECT_FALSE(model->externalFrames.load());
    EXPECT_FALSE(device->requestLog().empty());
}

} // namespace
} // namespace pelan::rgb
