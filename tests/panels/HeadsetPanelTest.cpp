// The headset page's sound and voice tabs in the main window, with an emulated headset and the audio library's
// simulated headset: mouse clicks and typed names on controls found by name, and the library's state file and the
// profile file checked after each step.
#include "PanelWindowFixture.h"
#include "emulator/FirmwareDevice.h"
#include "headset/ConfLibrary.h"
#include "pages/CVeltraDI6533Device.h"
#include "panels/CVoice6533ControlUI.h"
#include "panels/HeadsetRoutes.h"
#include "platform/Paths.h"
#include "profile/JsonFileStore.h"
#include "support/EmulatedTree.h"
#include "support/TempFolder.h"

#include <QDir>
#include <QLineEdit>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>

namespace pelan {
namespace {

namespace fs = std::filesystem;

class HeadsetPanels : public test::PanelWindowTest {
protected:
    HeadsetPanels() : PanelWindowTest(kDeviceKindHeadset) {}

    void SetUp() override {
        fs::copy(test::env("PELAN_BIN_DIR").toStdString() + "/SDK", programDir.file("SDK"),
                 fs::copy_options::recursive);
        ::setenv("XDG_STATE_HOME", programDir.file("state").c_str(), 1);
        useSimulatedAudio();
        beforeStart();
        ASSERT_NO_FATAL_FAILURE(startWindow(true));
        ASSERT_NO_FATAL_FAILURE(plugAndWaitInFront(emu::makeDevice("headset")));
        ASSERT_NO_FATAL_FAILURE(activateWindow());
        ASSERT_TRUE(test::waitFor([&] { return !page()->model().getProfilePath().empty(); }, kPlugWaitMs));
    }

    virtual void beforeStart() {}
    void clickAt(const QString& name, std::function<QPoint(QSize)> where) {
        CControlUI* target = control(name);
        ASSERT_NE(target, nullptr) << name.toStdString();
        ASSERT_TRUE(target->isVisible()) << name.toStdString();
        QTest::mouseClick(target, Qt::LeftButton, {}, where(target->size()));
    }
    // What the audio library now keeps, from its state file.
    std::string library(const std::string& name) const {
        std::ifstream in(programDir.file("state/orvane-pelan/osConfLib.state"));
        std::string line;
        while (std::getline(in, line)) {
            if (line.rfind("simulated." + name + "=", 0) == 0)
                return line.substr(line.find('=') + 1);
        }
        return "-";
    }
    Json::Value stored() const { return JsonFileStore::loadJsonFile(page()->model().getProfilePath())["Device"][0]; }
    int setting(const char* member) const { return stored()["SystemSetStages"][member].asInt(); }
    void screenshot(const QString& name) {
        const QString folder = test::env("PELAN_SCREENSHOT_DIR");
        ASSERT_TRUE(QDir().mkpath(folder));
        EXPECT_TRUE(window->GetHWND()->grab().save(folder + "/" + name));
    }
};

TEST_F(HeadsetPanels, SoundTabChangesTheLibraryAndTheProfile) {
    click("6533_voice_Op_tab");
    auto* sound = control<CVoice6533ControlUI>(CVoice6533ControlUI::kItemName);
    ASSERT_TRUE(test::waitFor([&] { return sound->isVisible(); }));
    EXPECT_FALSE(control("headset_sound_unavailable")->isVisible());
    // The device's microphone level, the profile's equaliser preset.
    EXPECT_EQ(sound->getMicInLevel(), 80);
    EXPECT_EQ(sound->selectedEqOption(), 5);
    EXPECT_FALSE(control("custom_eq_option_layout")->IsEnabled());
    // The bands' centre frequencies under the sliders; the simulated headset applies its curve, so no note.
    EXPECT_EQ(control("6533_eq_hz_label_1")->GetText(), "63");
    EXPECT_EQ(control("6533_eq_hz_label_9")->GetText(), "16k");
    EXPECT_FALSE(control(CVoice6533ControlUI::kNotAppliedLabel)->isVisible());
    screenshot("main_window_headset_sound_tab.png");

    click("6533_eq_option_2");
    EXPECT_EQ(library("EQ_Slider2"), "11");
    EXPECT_EQ(setting("EqType"), 2);
    EXPECT_EQ(sound->getBandValue(1), 11);

    // A band pulled to its bottom: the custom view, the band at the headset, the stored preset unchanged.
    clickAt("6533_eq_hz_slider_0", [](QSize size) { return QPoint(size.width() / 2, size.height() - 1); });
    EXPECT_EQ(library("EQ_Slider1"), "-20");
    EXPECT_EQ(sound->selectedEqOption(), 13);
    EXPECT_TRUE(control("custom_eq_option_layout")->IsEnabled());
    EXPECT_EQ(setting("EqType"), 2);

    type("custom_eq_name_edit", "Bass");
    click("hs_EQ_btn_save");
    EXPECT_EQ(stored()["CustomEQNameInfo"][0]["Name"].asString(), "Bass");
    EXPECT_EQ(stored()["CustomEQHzValueInfo"][0][0]["value"].asInt(), -20);
    EXPECT_EQ(setting("EqType"), 13);
    EXPECT_EQ(sound->getCustomName(0), "Bass");
    EXPECT_EQ(sound->getCustomSelection(), 0);
    EXPECT_EQ(sound->getCustomNameText(), "");

    click("6533_MicIn_option");
    EXPECT_EQ(library("MuteControl"), "1");
    EXPECT_EQ(setting("MicInSelect"), 0);
    clickAt("6533_MicIn_slider", [](QSize size) { return QPoint(size.width() - 1, size.height() / 2); });
    EXPECT_EQ(library("VolumeScalarControl"), "1");
    EXPECT_EQ(setting("MicInValue"), 100);

    click("hs_EQ_btn_delete");
    EXPECT_EQ(stored()["CustomEQNameInfo"].size(), 0u);
    EXPECT_EQ(sound->selectedEqOption(), 1);
    EXPECT_EQ(library("EQ_Slider1"), "7");
}

TEST_F(HeadsetPanels, VoiceTabSwitchesTheVoiceChangerAndItsPreset) {
    click("magic_Op_tab");
    ASSERT_TRUE(test::waitFor([&] { return control("MagicControlItem")->isVisible(); }));
    EXPECT_FALSE(control("magic_option_layout")->IsEnabled());
    click("magic_echo_option");
    EXPECT_EQ(library("Enable_MICECHO"), "1");
    click("magic_noise_option");
    EXPECT_EQ(library("Enable_ENC_LFX"), "1");
    click("magic_noise_option");
    EXPECT_EQ(library("Enable_ENC_LFX"), "0");
    click("magic_enable_option");
    EXPECT_EQ(library("Enable_MAGICVOICE"), "1");
    EXPECT_EQ(library("Enable_MICECHO"), "0");
    EXPECT_FALSE(control<COptionUI>("magic_echo_option")->IsSelected());
    EXPECT_FALSE(control("magic_not_applied_text")->isVisible());
    EXPECT_EQ(setting("MagicEnable"), 1);
    EXPECT_TRUE(control("magic_option_layout")->IsEnabled());
    click("magic_option_3");
    EXPECT_EQ(library("MagicVoice_Selection"), "2");
    EXPECT_EQ(setting("MagicType"), 3);
    screenshot("main_window_headset_voice_tab.png");
}

TEST_F(HeadsetPanels, VoiceTabSwitchesReverbWithItsRoomAndSurround) {
    ::unsetenv("LADSPA_PATH");
    click("magic_Op_tab");
    ASSERT_TRUE(test::waitFor([&] { return control("MagicControlItem")->isVisible(); }));
    EXPECT_FALSE(control("reverb_option_layout")->IsEnabled());
    click("reverb_enable_option");
    EXPECT_EQ(library("Enable_RFX_GFX"), "1");
    ASSERT_TRUE(control("reverb_option_layout")->IsEnabled());
    click("reverb_environment_6");
    EXPECT_EQ(library("RFX_ENVIRONMENT"), "5");
    clickAt("reverb_room_slider", [](QSize size) { return QPoint(size.width() - 1, size.height() / 2); });
    EXPECT_EQ(library("RFX_ROOMSIZE"), "100");
    click("surround_enable_option");
    EXPECT_EQ(library("VirtualSurroundEffectControl"), "1");
    EXPECT_FALSE(control("reverb_not_applied_text")->isVisible());
    EXPECT_FALSE(control("surround_not_applied_text")->isVisible());
    screenshot("main_window_headset_voice_tab_effects.png");
    click("reverb_enable_option");
    EXPECT_EQ(library("Enable_RFX_GFX"), "0");
    EXPECT_FALSE(control("reverb_option_layout")->IsEnabled());
}

// A machine without the reverb's plugin: the switch is disabled and says why; a reverb stored on before still shows,
// as stored and not applied, and can be switched off.
class HeadsetPanelsWithoutReverbPlugin : public HeadsetPanels {
protected:
    void beforeStart() override {
        ::setenv("LADSPA_PATH", programDir.file("no-plugins").c_str(), 1);
        if (storedOn) {
            fs::create_directories(programDir.file("state/orvane-pelan"));
            std::ofstream(programDir.file("state/orvane-pelan/osConfLib.state")) << "simulated.Enable_RFX_GFX=1\n";
        }
    }
    void TearDown() override {
        ::unsetenv("LADSPA_PATH");
        HeadsetPanels::TearDown();
    }
    bool storedOn = false;
};

TEST_F(HeadsetPanelsWithoutReverbPlugin, TheReverbSwitchIsDisabledAndSaysWhy) {
    click("magic_Op_tab");
    ASSERT_TRUE(test::waitFor([&] { return control("MagicControlItem")->isVisible(); }));
    EXPECT_FALSE(control("reverb_enable_option")->IsEnabled());
    EXPECT_TRUE(control("reverb_enable_option")->GetToolTip().contains("swh-plugins"));
    EXPECT_TRUE(control("surround_enable_option")->IsEnabled());
}

class HeadsetPanelsWithReverbStoredWithoutPlugin : public HeadsetPanelsWithoutReverbPlugin {
protected:
    HeadsetPanelsWithReverbStoredWithoutPlugin() { storedOn = true; }
};

TEST_F(HeadsetPanelsWithReverbStoredWithoutPlugin, TheReverbShowsStoredNotAppliedAndCanBeSwitchedOff) {
    click("magic_Op_tab");
    ASSERT_TRUE(test::waitFor([&] { return control("MagicControlItem")->isVisible(); }));
    EXPECT_TRUE(control("reverb_not_applied_text")->isVisible());
    ASSERT_TRUE(control("reverb_enable_option")->IsEnabled());
    click("reverb_enable_option");
    EXPECT_EQ(library("Enable_RFX_GFX"), "0");
    EXPECT_FALSE(control("reverb_not_applied_text")->isVisible());
    EXPECT_FALSE(control("reverb_enable_option")->IsEnabled());
}

// The simulated headset told to keep the curve without applying it, as with no PipeWire daemon.
class HeadsetPanelsWithoutPipeWire : public HeadsetPanels {
protected:
    void beforeStart() override {
        fs::create_directories(programDir.file("state/orvane-pelan"));
        std::ofstream(programDir.file("state/orvane-pelan/osConfLib.state"))
            << "simulated.EQ_GFX_NotAppliedReason=no-pipewire\n";
    }
};

TEST_F(HeadsetPanelsWithoutPipeWire, EachPresetOnlyKeptSaysWhyButADragDoesNotRepeatIt) {
    click("6533_voice_Op_tab");
    ASSERT_TRUE(test::waitFor([&] { return control(CVoice6533ControlUI::kItemName)->isVisible(); }));
    answerNextMessage("confirm_btn");
    click("6533_eq_option_2");
    ASSERT_EQ(shownMessages.size(), 1);
    EXPECT_TRUE(shownMessages[0].contains("no PipeWire sound server")) << shownMessages[0].toStdString();
    EXPECT_TRUE(control(CVoice6533ControlUI::kNotAppliedLabel)->isVisible());
    EXPECT_EQ(library("EQ_Slider2"), "11");
    EXPECT_EQ(setting("EqType"), 2);

    // A message here would be answered and counted.
    answerNextMessage("confirm_btn");
    clickAt("6533_eq_hz_slider_0", [](QSize size) { return QPoint(size.width() / 2, size.height() - 1); });
    EXPECT_EQ(shownMessages.size(), 1);
    EXPECT_EQ(library("EQ_Slider1"), "-20");

    click("6533_eq_option_3");
    EXPECT_EQ(shownMessages.size(), 2);
    EXPECT_EQ(library("EQ_Slider1"), "10");
}

// A machine without the pitch shifter: the library does not offer the voice changer, and the tab says why.
class HeadsetPanelsWithoutPitchShifter : public HeadsetPanels {
protected:
    void beforeStart() override {
        fs::create_directories(programDir.file("no-plugins"));
        ::setenv("LADSPA_PATH", programDir.file("no-plugins").c_str(), 1);
    }
    void TearDown() override {
        ::unsetenv("LADSPA_PATH");
        HeadsetPanels::TearDown();
    }
};

TEST_F(HeadsetPanelsWithoutPitchShifter, VoiceChangerIsDisabledWithTheReason) {
    click("magic_Op_tab");
    ASSERT_TRUE(test::waitFor([&] { return control("MagicControlItem")->isVisible(); }));
    CControlUI* changer = control("magic_enable_option");
    EXPECT_FALSE(changer->IsEnabled());
    EXPECT_TRUE(changer->GetToolTip().contains("rubberband-ladspa")) << changer->GetToolTip().toStdString();
    screenshot("main_window_headset_voice_tab_without_pitch_shifter.png");
    QTest::mouseClick(changer, Qt::LeftButton);
    EXPECT_EQ(library("Enable_MAGICVOICE"), "0");
    // The other effects need no plugin.
    click("magic_echo_option");
    EXPECT_EQ(library("Enable_MICECHO"), "1");
}

} // namespace
} // namespace pelan
