// The lighting panel on the pages of the main window, with an emulated mouse, mousepad and headset: mouse clicks and
// typed keys on controls found by name, each change checked in the emulated device's memory, and the synchronised
// lighting checked in the light frames the devices receive.
#include "PanelWindowFixture.h"
#include "controls/CDeviceOptionUI.h"
#include "controls/CSelectPanelUI.h"
#include "emulator/CommandReport.h"
#include "emulator/FirmwareDevice.h"
#include "light/LightEffects.h"
#include "pages/CVeltraKeyboardDevice.h"
#include "pages/CVeltraUSBDevice.h"
#include "panels/CLightControlUI.h"
#include "panels/LightRoutes.h"
#include "platform/Paths.h"
#include "profile/JsonFileStore.h"
#include "support/EmulatedTree.h"
#include "support/TempFolder.h"

#include <QDir>
#include <QLineEdit>
#include <QMenu>
#include <algorithm>
#include <filesystem>
#include <gtest/gtest.h>
#include <map>

namespace pelan {
namespace {

namespace fs = std::filesystem;
using Panel = CLightControlUI;
// Light setting bytes of the mouse's settings block and of the pad record at offset 0.
constexpr size_t kModeByte = 1, kBrightnessByte = 2, kMultiColourByte = 5, kRedByte = 6, kGreenByte = 7, kBlueByte = 8;

class LightPanel : public test::PanelWindowTest {
protected:
    LightPanel() : PanelWindowTest(kDeviceKindMouse) {}

    void SetUp() override {
        ASSERT_NO_FATAL_FAILURE(startWindow(true));
        for (const auto& [kind, name] : {std::pair{kDeviceKindMouse, "mouse"},
                                         {kDeviceKindMousepad, "mousepad"},
                                         {kDeviceKindHeadset, "headset"}}) {
            std::shared_ptr<emu::FirmwareDevice> device = emu::makeDevice(name);
            devices[kind] = device;
            ASSERT_GT(emulated.tree().plug(device), 0);
        }
        // Every page connected and its profile loaded (its light thread runs from then on).
        ASSERT_TRUE(test::waitFor(
            [&] {
                for (int kind : {kDeviceKindMouse, kDeviceKindMousepad, kDeviceKindHeadset})
                    if (page(kind) == nullptr || !page(kind)->model().lightThreadRunning())
                        return false;
                return true;
            },
            kPlugWaitMs));
        ASSERT_NO_FATAL_FAILURE(activateWindow());
    }

    Panel* panel(int kind) const { return findLightPanel(*page(kind)); }
    // Brings a device's page to the front with its entry in the device list and opens its lighting tab.
    void select(int kind) {
        CDeviceOptionUI* option = window->FindPageOfKind(kind)->option;
        clickControl(option->FindSubControl(CDeviceOptionUI::kSelectName), "device_select");
        ASSERT_TRUE(test::waitFor([&] { return window->GetSelectedPage() == page(kind); }));
    }
    void show(int kind) {
        select(kind);
        click(kind, "deng_Op_tab");
        ASSERT_TRUE(test::waitFor([&] { return panel(kind)->isVisible(); }));
    }
    void pickMode(int kind, int mode) { pickItem(kind, Panel::kModeCombo, mode); }
    uint8_t memory(int kind, size_t offset) const { return devices.at(kind)->readMemory(offset, 1).at(0); }
    size_t streamPackets(int kind) const {
        size_t count = 0;
        for (const emu::LoggedRequest& request : devices.at(kind)->requestLog())
            if (request.bytes.size() > emu::field::code && request.bytes[emu::field::code] == emu::command::streamLight)
                ++count;
        return count;
    }

    std::map<int, std::shared_ptr<emu::FirmwareDevice>> devices;
};

// What a group of the panel shows: S enabled and shown, H disabled and hidden, h enabled but hidden, E enabled,
// D disabled, V shown, I hidden, - not looked at. Groups: multicolour box, colour, palette, direction, brightness,
// speed, custom group, same-mode box.
struct LayoutCase {
    int kind;
    int mode;
    const char* looks;
};

void expectLooks(Panel& panel, const LayoutCase& row) {
    static constexpr const char* kGroups[] = {Panel::kMultiColourCheck, Panel::kColourLayout,     Panel::kPaletteLayout,
                                              Panel::kDirectionLayout,  Panel::kBrightnessLayout, Panel::kSpeedLayout,
                                              Panel::kCustomLayout,     Panel::kSameModeCheck};
    for (size_t group = 0; group < std::size(kGroups); ++group) {
        const CControlUI* control = panel.FindSubControl(kGroups[group]);
        ASSERT_NE(control, nullptr) << kGroups[group];
        const char look = row.looks[group];
        const std::string where =
            std::string(kGroups[group]) + " kind " + std::to_string(row.kind) + " mode " + std::to_string(row.mode);
        const std::string_view enabled = "SEh", disabled = "HD", shown = "SV", hidden = "HhI";
        if (enabled.find(look) != std::string_view::npos || disabled.find(look) != std::string_view::npos) {
            EXPECT_EQ(control->IsEnabled(), enabled.find(look) != std::string_view::npos) << where;
        }
        if (shown.find(look) != std::string_view::npos || hidden.find(look) != std::string_view::npos) {
            EXPECT_EQ(control->IsVisibleFlag(), shown.find(look) != std::string_view::npos) << where;
        }
    }
}

TEST_F(LightPanel, EachKindAndModeSwitchesTheGroupsAndTheModeReachesTheDevice) {
    // With three devices present the same-mode box is offered where the tables say so.
    const LayoutCase cases[] = {
        {kDeviceKindMouse, 1, "HHHHSS-I"},    {kDeviceKindMouse, 0, "SSSHSS-I"},
        {kDeviceKindMouse, 5, "hSSHSH-I"},    {kDeviceKindMouse, 7, "HHHHHH-V"},
        {kDeviceKindMouse, 8, "HHHHHH-I"},    {kDeviceKindMousepad, 1, "DDDDEE-V"},
        {kDeviceKindMousepad, 0, "EEEHEE-I"}, {kDeviceKindMousepad, 3, "DEEDED-V"},
        {kDeviceKindMousepad, 8, "DDDDDD-V"}, {kDeviceKindHeadset, 2, "EEEDEE-V"},
        {kDeviceKindHeadset, 4, "EEEDEE-V"},  {kDeviceKindHeadset, 0, "EEEHEE-I"},
    };
    for (const LayoutCase& row : cases) {
        show(row.kind);
        pickMode(row.kind, row.mode);
        expectLooks(*panel(row.kind), row);
        EXPECT_EQ(memory(row.kind, kModeByte), row.mode) << row.kind;
        EXPECT_EQ(page(row.kind)->model().getLightInfo().mode, row.mode);
    }
    // A hidden mode keeps its place: the pad's mode 5 is not offered, and the modes after it keep their numbers.
    auto* combo = control<CComboUI>(kDeviceKindMousepad, Panel::kModeCombo);
    EXPECT_FALSE(combo->GetItemAt(5)->IsVisibleFlag());
    show(kDeviceKindMousepad);
    pickMode(kDeviceKindMousepad, 6);
    EXPECT_EQ(memory(kDeviceKindMousepad, kModeByte), 6);
}

// What the pad and the headset hold in Static is one colour on every LED: the preview shows that, frame after frame.
TEST_F(LightPanel, AStaticPadOrHeadsetPreviewsTheColourItsRecordHoldsOnEveryLed) {
    constexpr int kStatic = 3;
    for (int kind : {kDeviceKindMousepad, kDeviceKindHeadset}) {
        show(kind);
        pickMode(kind, kStatic);
        ASSERT_EQ(memory(kind, kModeByte), kStatic);
        const light::LedValue held =
            light::packLed({memory(kind, kRedByte), memory(kind, kGreenByte), memory(kind, kBlueByte)},
                           light::brightnessForLevel(memory(kind, kBrightnessByte)));
        const auto uniform = [&] {
            const light::LedFrame frame = page(kind)->shownFrame();
            return !frame.empty() && std::all_of(frame.begin(), frame.end(), [&](auto led) { return led == held; });
        };
        ASSERT_TRUE(test::waitFor(uniform)) << kind;
        for (int frame = 0; frame < 20; ++frame) {
            QTest::qWait(25);
            ASSERT_TRUE(uniform()) << kind << " frame " << frame;
        }
    }
}

TEST_F(LightPanel, EachTabShowsItsOwnArea) {
    const std::pair<int, std::vector<std::pair<const char*, const char*>>> pages[] = {
        {kDeviceKindMouse,
         {{"key_Op_tab", "device_function_keyset"},
          {"macro_Op_tab", "device_function_macro"},
          {"system_Op_tab", "device_function_settings"},
          {"cursor_Op_tab", "device_function_recoil"},
          {"deng_Op_tab", "device_function_light"}}},
        {kDeviceKindHeadset,
         {{"6533_voice_Op_tab", "device_function_voice"}, {"deng_Op_tab", "device_function_light"}}},
    };
    for (const auto& [kind, tabs] : pages) {
        select(kind);
        auto* areas = control<CTabLayoutUI>(kind, "device_function_switch");
        ASSERT_NE(areas, nullptr);
        // Before any click the page shows what its selected tab, the lighting tab, names.
        EXPECT_EQ(areas->GetItemAt(areas->GetCurSel())->GetName(), "device_function_light") << kind;
        for (const auto& [tab, area] : tabs) {
            click(kind, tab);
            EXPECT_EQ(areas->GetItemAt(areas->GetCurSel())->GetName(), area) << tab;
        }
    }
    // The empty area holds no controls of another panel.
    EXPECT_EQ(dynamic_cast<CContainerUI*>(control(kDeviceKindMouse, "device_function_none")), nullptr);
    show(kDeviceKindMouse);
    const QString folder = test::env("PELAN_SCREENSHOT_DIR");
    ASSERT_TRUE(QDir().mkpath(folder));
    EXPECT_TRUE(window->GetHWND()->grab().save(folder + "/main_window_light_tab.png"));
}

TEST_F(LightPanel, AKeyboardSettingShowsTheCustomGroupOnlyInModeEight) {
    // No keyboard is plugged; its page shows settings all the same.
    Panel* keyboard = findLightPanel(*page(kDeviceKindKeyboard));
    ASSERT_NE(keyboard, nullptr);
    EXPECT_EQ(keyboard->deviceKind(), kDeviceKindKeyboard);
    keyboard->showSetting(8, 0);
    expectLooks(*keyboard, {kDeviceKindKeyboard, 8, "DEEDEDVI"});
    keyboard->showSetting(13 | 1u << 24, 0);
    expectLooks(*keyboard, {kDeviceKindKeyboard, 13, "DDDEEEI-"});
    EXPECT_TRUE(control<COptionUI>(kDeviceKindKeyboard, Panel::kLeftOption)->IsSelected());
    keyboard->showSetting(30, 0);
    expectLooks(*keyboard, {kDeviceKindKeyboard, 30, "DDDDDDII"});

    // The further kinds' tables (three devices are shown, so the box is offered): kind 4 shares the pad's, kind 5
    // leaves direction and the same-mode box as they were.
    keyboard->setDeviceKind(4);
    keyboard->showSetting(3, 0);
    expectLooks(*keyboard, {4, 3, "DEEDED-V"});
    keyboard->setDeviceKind(5);
    keyboard->showSetting(1, 0);
    expectLooks(*keyboard, {5, 1, "DEEDED-V"});
    keyboard->showSetting(4, 0);
    expectLooks(*keyboard, {5, 4, "DDDDEE-V"});
}

TEST_F(LightPanel, ColourEditsPresetsAndThePaletteAreStoredAndWritten) {
    const int mouse = kDeviceKindMouse;
    show(mouse);
    pickMode(mouse, 0);
    type(mouse, Panel::kGreenEdit, "300");
    EXPECT_EQ(control(mouse, Panel::kGreenEdit)->GetText(), "255");
    EXPECT_EQ(memory(mouse, kGreenByte), 255);
    EXPECT_EQ(page(mouse)->model().getLightInfo().green, 255);
    type(mouse, Panel::kBlueEdit, "");
    EXPECT_EQ(control(mouse, Panel::kBlueEdit)->GetText(), "0");
    EXPECT_EQ(memory(mouse, kBlueByte), 0);

    // A preset colour clears the colour wheel.
    click(mouse, Panel::kMultiColourCheck);
    EXPECT_EQ(memory(mouse, kMultiColourByte), 1);
    click(mouse, "color_option_5");
    EXPECT_FALSE(control<CCheckBoxUI>(mouse, Panel::kMultiColourCheck)->GetCheck());
    EXPECT_EQ(memory(mouse, kMultiColourByte), 0);
    EXPECT_EQ(devices[mouse]->readMemory(kRedByte, 3), (std::vector<uint8_t>{0, 0, 255}));
    EXPECT_EQ(control<CColorPaletteUI>(mouse, Panel::kPalette)->GetSelectColor(), 0xFF0000FFu);
    EXPECT_EQ(control(mouse, Panel::kBlueEdit)->GetText(), "255");

    // So does a colour picked on the palette.
    click(mouse, Panel::kMultiColourCheck);
    click(mouse, Panel::kPalette);
    const DWORD picked = control<CColorPaletteUI>(mouse, Panel::kPalette)->GetSelectColor();
    EXPECT_FALSE(control<CCheckBoxUI>(mouse, Panel::kMultiColourCheck)->GetCheck());
    EXPECT_EQ(memory(mouse, kMultiColourByte), 0);
    EXPECT_EQ(devices[mouse]->readMemory(kRedByte, 3),
              (std::vector<uint8_t>{uint8_t(picked >> 16), uint8_t(picked >> 8), uint8_t(picked)}));
    EXPECT_EQ(control(mouse, Panel::kColourButton)->GetBkColor(), picked);

    // Brightness by the keyboard on a focused slider.
    auto* slider = control<CSliderUI>(mouse, Panel::kBrightnessSlider);
    const int before = slider->GetValue();
    slider->setFocus();
    QTest::keyClick(slider, before < 4 ? Qt::Key_Right : Qt::Key_Left);
    EXPECT_NE(slider->GetValue(), before);
    EXPECT_EQ(memory(mouse, kBrightnessByte), slider->GetValue());
}

TEST_F(LightPanel, SameModeDrivesEveryDeviceInStepUntilAnotherProgramOwnsTheLighting) {
    const int pad = kDeviceKindMousepad;
    show(pad);
    pickMode(pad, 3); // static on the pad
    click(pad, "color_option_0");
    // Every entry offers its synchronise tick while more than one device is present.
    for (const auto& [kind, device] : devices) {
        EXPECT_TRUE(
            window->FindPageOfKind(kind)->option->FindSubControl(CDeviceOptionUI::kSynchroName)->IsVisibleFlag());
    }

    std::map<int, uint8_t> ownModes;
    for (const auto& [kind, device] : devices)
        ownModes[kind] = memory(kind, kModeByte);
    click(pad, Panel::kSameModeCheck);
    EXPECT_TRUE(window->IsSameModeOn());
    EXPECT_EQ(memory(kDeviceKindMouse, kModeByte), 2); // the mouse's static
    EXPECT_EQ(memory(kDeviceKindHeadset, kModeByte), 3);
    EXPECT_EQ(memory(pad, kModeByte), 3);
    const light::LedValue expected = light::packLed({255, 0, 0}, light::brightnessForLevel(memory(pad, 2)));
    const std::vector<uint8_t> lit = light::streamFrame({expected}, light::kNoSkippedLed);
    for (const auto& [kind, device] : devices) {
        EXPECT_TRUE(page(kind)->isSyncLighting());
        EXPECT_TRUE(window->FindPageOfKind(kind)->option->IsSynchronised());
        EXPECT_TRUE(findLightPanel(*page(kind))->sameModeChecked());
        EXPECT_TRUE(test::waitFor([&] { return device->lightFrame().at(0) == lit[0] && streamPackets(kind) > 0; }))
            << kind;
    }
    // A page previews the synchronised colour once it is in front.
    for (const auto& [kind, device] : devices) {
        show(kind);
        EXPECT_TRUE(test::waitFor([&] {
            return page(kind)->shownFrame().size() > 0 && page(kind)->shownFrame()[0] == expected;
        })) << kind;
    }
    show(pad);

    // Another program takes the lighting: no frame goes out any more.
    clickControl(window->GetPaintManager()->FindControl("control_light_status"), "control_light_status");
    ASSERT_EQ(window->GetLightingControl(), 0);
    test::waitFor([] { return false; }, 300); // a step under way ends
    const size_t sent = streamPackets(kDeviceKindMouse);
    test::waitFor([] { return false; }, 600);
    EXPECT_EQ(streamPackets(kDeviceKindMouse), sent);

    // Unticking ends the synchronisation everywhere.
    clickControl(window->GetPaintManager()->FindControl("control_light_status"), "control_light_status");
    click(pad, Panel::kSameModeCheck);
    EXPECT_FALSE(window->IsSameModeOn());
    // Each device has its own profile's lighting back, in its memory and in its profile.
    for (const auto& [kind, device] : devices) {
        EXPECT_FALSE(page(kind)->isSyncLighting());
        EXPECT_FALSE(window->FindPageOfKind(kind)->option->IsSynchronised());
        EXPECT_EQ(memory(kind, kModeByte), ownModes[kind]) << kind;
        EXPECT_EQ(page(kind)->model().getLightInfo().mode, ownModes[kind]) << kind;
    }
}

// The keyboard page over the emulated keyboard, which the demo device file brings, with two custom modes in its
// light configuration.
class KeyboardLightPanel : public LightPanel {
protected:
    void SetUp() override {
        setDataFolderOverride(dataDir.path().toStdString());
        const std::string folder = userDeviceFolder("keyboard");
        fs::create_directories(folder);
        Json::Value config;
        config["LightInfo"][0][0]["LightName"] = "Aurora";
        config["LightInfo"][0][1]["LightName"] = "Ember";
        ASSERT_EQ(JsonFileStore::writeJsonFile(folder + "tavix_light.config", config), 0);
        LightPanel::SetUp();
        keyboard = dynamic_cast<CVeltraKeyboardDevice*>(page(kDeviceKindKeyboard));
        ASSERT_NE(keyboard, nullptr);
        device = emu::makeDevice("keyboard");
        ASSERT_GT(emulated.tree().plug(device), 0);
        ASSERT_TRUE(test::waitFor([&] { return keyboard->model().lightThreadRunning(); }, kPlugWaitMs));
        show(kDeviceKindKeyboard);
    }
    // Drags across the keyboard picture from the light of one LED to that of another.
    void dragLights(int fromLed, int toLed) {
        auto* picture = control<CSelectPanelUI>(kDeviceKindKeyboard, "SelectPanel");
        ASSERT_NE(picture, nullptr);
        const std::vector<CControlUI*>& lights = keyboard->lightButtons();
        const QPoint from = lights.at(size_t(fromLed))->mapTo(picture, lights.at(size_t(fromLed))->rect().center());
        const QPoint to = lights.at(size_t(toLed))->mapTo(picture, lights.at(size_t(toLed))->rect().center());
        QTest::mousePress(picture, Qt::LeftButton, {}, from);
        QTest::mouseMove(picture, (from + to) / 2);
        QTest::mouseMove(picture, to);
        QTest::mouseRelease(picture, Qt::LeftButton, {}, to);
    }
    std::vector<uint8_t> ledBytes(int led) const {
        const std::vector<uint8_t> frame = device->lightFrame();
        return frame.size() < size_t(3 * led + 3)
                   ? std::vector<uint8_t>{}
                   : std::vector<uint8_t>(frame.begin() + 3 * led, frame.begin() + 3 * led + 3);
    }

    CVeltraKeyboardDevice* keyboard = nullptr;
    std::shared_ptr<emu::FirmwareDevice> device;
};

TEST_F(KeyboardLightPanel, SelectedKeysTakeTheLitAndUnlitColoursOfTheChosenCustomMode) {
    pickMode(kDeviceKindKeyboard, 8);
    EXPECT_EQ(device->readMemory(kModeByte, 1), std::vector<uint8_t>{8});
    ASSERT_TRUE(control(kDeviceKindKeyboard, Panel::kCustomLayout)->IsVisible());
    pickItem(kDeviceKindKeyboard, Panel::kCustomModeCombo, 1);
    type(kDeviceKindKeyboard, Panel::kRedEdit, "200");
    type(kDeviceKindKeyboard, Panel::kGreenEdit, "0");
    type(kDeviceKindKeyboard, Panel::kBlueEdit, "50");

    // Esc and F1 on the top row: a drag from one to the other selects both and not Pause at the row's other end.
    const keyboard::KeyPositions& positions = keyboard->keyboard().keyPositions();
    const int esc = positions.ledIndex[0], f1 = positions.ledIndex[1], pause = positions.ledIndex[15];
    dragLights(esc, f1);
    const std::vector<int> selected = keyboard->selectedLeds();
    ASSERT_NE(std::find(selected.begin(), selected.end(), esc), selected.end());
    ASSERT_NE(std::find(selected.begin(), selected.end(), f1), selected.end());
    ASSERT_EQ(std::find(selected.begin(), selected.end(), pause), selected.end());
    click(kDeviceKindKeyboard, Panel::kCustomBrightButton);
    EXPECT_EQ(ledBytes(esc), (std::vector<uint8_t>{200, 0, 50}));
    EXPECT_EQ(ledBytes(f1), (std::vector<uint8_t>{200, 0, 50}));
    EXPECT_EQ(ledBytes(pause), (std::vector<uint8_t>{0, 0, 0}));

    // Esc alone goes dark; F1 stays lit.
    dragLights(esc, esc);
    ASSERT_EQ(keyboard->selectedLeds(), std::vector<int>{esc});
    click(kDeviceKindKeyboard, Panel::kCustomOffButton);
    EXPECT_EQ(ledBytes(esc), (std::vector<uint8_t>{0, 0, 0}));
    EXPECT_EQ(ledBytes(f1), (std::vector<uint8_t>{200, 0, 50}));

    const Json::Value node = JsonFileStore::loadJsonFile(keyboard->model().getProfilePath())["Device"][0];
    const Json::Value& custom = node["CustomLightMode"];
    EXPECT_EQ(custom["CustomLightModeGroupIndex"].asInt(), 1);
    EXPECT_EQ(custom["LightColorInfo"][1][f1]["Red"].asInt(), 200);
    EXPECT_EQ(custom["LightColorInfo"][1][f1]["Alpha"].asInt(), 255);
    EXPECT_EQ(custom["LightColorInfo"][1][esc]["Alpha"].asInt(), 0);
    EXPECT_EQ(node["LightInfo"]["SelectItem"].asInt(), 8);

    // The first custom mode keeps colours of its own: the factory profile lights every key white in it.
    pickItem(kDeviceKindKeyboard, Panel::kCustomModeCombo, 0);
    EXPECT_EQ(ledBytes(esc), (std::vector<uint8_t>{255, 255, 255}));
}

} // namespace
} // namespace pelan
