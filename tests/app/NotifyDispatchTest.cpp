// The main window's notification dispatch with emulated devices behind the real HID path: the name split, the
// mouse page's DPI, report rate and system settings from control to profile file, device memory and desktop, the
// keyboard page's settings, the window's own buttons, and that a change reaches only the device in front.
#include "MainWindowTestSupport.h"
#include "app/AppMessages.h"
#include "app/CMainWnd.h"
#include "app/CustomControls.h"
#include "app/DesktopSettingsApplier.h"
#include "app/NotifyName.h"
#include "controls/CDeviceOptionUI.h"
#include "emulator/FirmwareDevice.h"
#include "pages/CVeltraKeyboardDevice.h"
#include "pages/CVeltraMouseDevice.h"
#include "platform/Paths.h"
#include "platform/Shell.h"
#include "platform/SystemSettingsBackends.h"
#include "profile/JsonFileStore.h"
#include "support/EmulatedTree.h"

#include <QLineEdit>
#include <QTimer>
#include <filesystem>
#include <gtest/gtest.h>

namespace pelan {
namespace {

constexpr int kPlugWaitMs = 15000;
using Change = RecordingSystemSettings::Change;

TEST(NotifyName, SplitsAtTheLastUnderscoreAndReadsTheLeadingDigits) {
    struct Case {
        const char* name;
        const char* prefix;
        int index;
        bool split;
    };
    for (const Case& c : {Case{"DPI_slider_3", "DPI_slider_", 3, true}, Case{"key_12x", "key_", 12, true},
                          Case{"key_butt_keysave", "key_butt_", 0, true}, Case{"6flag_option", "6flag_", 0, true},
                          Case{"trailing_", "trailing_", 0, true}, Case{"closebtn", "", 0, false}}) {
        const NotifyName split = splitNotifyName(c.name);
        EXPECT_EQ(split.prefix, c.prefix) << c.name;
        EXPECT_EQ(split.index, c.index) << c.name;
        EXPECT_EQ(split.split, c.split) << c.name;
    }
    // Digits beyond an int stop where the value would overflow instead of wrapping to a negative index.
    EXPECT_GE(splitNotifyName("DPI_slider_99999999999999").index, 0);
}

// One profile file with these stage codes and system settings.
void writeProfile(UsbDeviceModel& model, const std::string& name, const Json::Value& node) {
    Json::Value file;
    file["Device"][0] = node;
    std::filesystem::create_directories(model.userDeviceFolder());
    ASSERT_EQ(JsonFileStore::writeJsonFile(model.profileFilePath(name), file), 0);
}

Json::Value mouseNode(const std::vector<int>& codes) {
    Json::Value node;
    node["DPIStages"]["StageActive"] = 0;
    for (size_t i = 0; i < codes.size(); ++i) {
        Json::Value stage;
        stage["StageActive"] = 1;
        stage["StageDPIX"] = codes[i];
        stage["StageDPIY"] = codes[i];
        node["DPIStages"]["StageDPIs"][Json::ArrayIndex(i)] = stage;
    }
    node["SystemStages"]["MouseSpeed"] = 7;
    node["SystemStages"]["DoubleClickTime"] = 2;
    node["SystemStages"]["PointerPrecision"] = 1;
    node["SystemStages"]["WheelScorlllinse"] = 9;
    return node;
}

class NotifyDispatch : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dataDir.isValid());
        setDataFolderOverride(dataDir.path().toStdString());
        setProgramFolderOverride(test::env("PELAN_SOURCE_DIR").toStdString());
        setSystemSettingsOverride(&desktop);
        setShellOverride(&shell);
        window = test::createMainWindow();
        ASSERT_NE(window, nullptr);
        ASSERT_TRUE(test::waitFor([&] { return window->IsStarted() && window->GetHWND()->isVisible(); }));
        mousePage()->setProfileName("p1");
        writeProfile(mousePage()->model(), "p1", mouseNode({4, 48, 49, 73, 10, 20}));
    }
    void TearDown() override {
        test::destroyMainWindow(window);
        setSystemSettingsOverride(nullptr);
        setShellOverride(nullptr);
        setDataFolderOverride("");
        setProgramFolderOverride("");
    }

    const CMainWnd::DevicePage& entry(int kind) const { return *window->FindPageOfKind(kind); }
    CVeltraMouseDevice* mousePage() const { return dynamic_cast<CVeltraMouseDevice*>(entry(2).page); }
    CVeltraKeyboardDevice* keyboardPage() const { return dynamic_cast<CVeltraKeyboardDevice*>(entry(1).page); }

    // Plugs an emulated device and waits until its page has read it.
    std::shared_ptr<emu::FirmwareDevice> plugAndRead(const char* kind, int pageKind) {
        std::shared_ptr<emu::FirmwareDevice> device = emu::makeDevice(kind);
        EXPECT_GT(emulated.tree().plug(device), 0);
        const CMainWnd::DevicePage& page = entry(pageKind);
        EXPECT_TRUE(test::waitFor(
            [&] { return page.option->IsVisibleFlag() && page.page->model().lightThreadRunning(); }, kPlugWaitMs));
        return device;
    }

    template <typename T>
    T* on(CVeltraUSBDevice* page, const QString& name) const {
        return dynamic_cast<T*>(page->FindSubControl(name));
    }
    void send(CControlUI* control, const char* type) {
        ASSERT_NE(control, nullptr) << type;
        window->GetPaintManager()->SendNotify(control, type);
    }
    void moveSlider(CVeltraUSBDevice* page, const QString& name, int value, const char* type = "valuechanged") {
        auto* slider = on<CSliderUI>(page, name);
        ASSERT_NE(slider, nullptr) << name.toStdString();
        slider->SetValue(value);
        send(slider, type);
    }
    void check(CVeltraUSBDevice* page, const QString& name, bool checked) {
        auto* option = on<COptionUI>(page, name);
        ASSERT_NE(option, nullptr) << name.toStdString();
        option->Selected(checked, false);
        send(option, "selectchanged");
    }
    void typeDpi(const QString& name, const QString& text) {
        auto* edit = on<CEditUI>(mousePage(), name);
        ASSERT_NE(edit, nullptr);
        edit->SetText(text);
        send(edit, "killfocus");
    }
    std::vector<Change> desktopChanges() {
        window->GetDesktopSettings().waitUntilIdle();
        std::vector<Change> changes = desktop.changes();
        desktop.clearChanges();
        return changes;
    }
    Json::Value storedNode(UsbDeviceModel& model, const std::string& name) {
        return JsonFileStore::loadJsonFile(model.profileFilePath(name))["Device"][0];
    }
    static bool wroteSettings(const emu::FirmwareDevice& device) {
        for (const emu::LoggedRequest& logged : device.requestLog())
            if (logged.bytes.size() > 3 && logged.bytes[3] == 0x06)
                return true;
        return false;
    }

    QTemporaryDir dataDir;
    RecordingSystemSettings desktop;
    RecordingShell shell;
    test::EmulatedTree emulated;
    std::unique_ptr<CMainWnd> window;
};

TEST_F(NotifyDispatch, DpiControlsStoreTheProfileWriteTheMouseAndRedrawThePage) {
    auto mouse = plugAndRead("mouse", 2);
    ASSERT_EQ(mousePage()->model().profileName, "p1");

    // Typed DPIs become stage codes; the smallest DPI and the step boundaries of the two step sizes.
    struct Typed {
        int stage;
        const char* text;
        int code;
        const char* shown;
    };
    for (const Typed& t : {Typed{0, "200", 0, "200"}, Typed{1, "5000", 48, "5000"}, Typed{2, "5200", 49, "5200"},
                           Typed{3, "50", 0, "200"}, Typed{4, "250", 0, "200"}}) {
        typeDpi(QString("DPI_edit_%1").arg(t.stage), t.text);
        EXPECT_EQ(mouse->readMemory(15 + 2 * size_t(t.stage) + (t.stage >= 4 ? 1 : 0), 2),
                  (std::vector<uint8_t>{uint8_t(t.code), 0}))
            << t.text;
        EXPECT_EQ(on<CEditUI>(mousePage(), QString("DPI_edit_%1").arg(t.stage))->GetText(), t.shown) << t.text;
        EXPECT_EQ(on<CSliderUI>(mousePage(), QString("DPI_slider_%1").arg(t.stage))->GetValue(), t.code) << t.text;
        EXPECT_EQ(storedNode(mousePage()->model(), "p1")["DPIStages"]["StageDPIs"][t.stage]["StageDPIX"].asInt(),
                  t.code)
            << t.text;
    }

    // Dragging shows the DPI only; letting go stores and writes it (stage 6 sits at bytes 26 and 27).
    mouse->clearRequestLog();
    moveSlider(mousePage(), "DPI_slider_5", 73, "movevaluechanged");
    EXPECT_EQ(on<CEditUI>(mousePage(), "DPI_edit_5")->GetText(), "10000");
    EXPECT_EQ(mouse->requestCount(), 0u);
    EXPECT_EQ(storedNode(mousePage()->model(), "p1")["DPIStages"]["StageDPIs"][5]["StageDPIX"].asInt(), 20);
    moveSlider(mousePage(), "DPI_slider_5", 73);
    EXPECT_EQ(mouse->readMemory(26, 2), (std::vector<uint8_t>{73, 0}));
    EXPECT_EQ(storedNode(mousePage()->model(), "p1")["DPIStages"]["StageDPIs"][5]["StageDPIX"].asInt(), 73);

    // A stage switched off is kept in the profile; the report rate goes to byte 14.
    check(mousePage(), "DPI_enable_check_1", false);
    EXPECT_EQ(storedNode(mousePage()->model(), "p1")["DPIStages"]["StageDPIs"][1]["StageActive"].asInt(), 0);
    check(mousePage(), "polling_rate_option_2", true);
    EXPECT_EQ(mouse->readMemory(14, 1), (std::vector<uint8_t>{2}));
    EXPECT_EQ(storedNode(mousePage()->model(), "p1")["ReportStages"]["StageActive"].asInt(), 2);
}

TEST_F(NotifyDispatch, MouseSystemSettingsGoToTheProfileTheMouseAndTheDesktop) {
    auto mouse = plugAndRead("mouse", 2);
    CVeltraMouseDevice* page = mousePage();
    // The page shows the profile's values once the mouse is read.
    EXPECT_EQ(on<CSliderUI>(page, "pointer_speed_slider")->GetValue(), 7);
    EXPECT_EQ(on<CSliderUI>(page, "double_click_slider")->GetValue(), 2);
    EXPECT_EQ(on<CSliderUI>(page, "scroll_speed_slider")->GetValue(), 9);
    EXPECT_TRUE(on<CCheckBoxUI>(page, "pointer_precision_check")->GetCheck());
    desktopChanges();

    mouse->clearRequestLog();
    moveSlider(page, "pointer_speed_slider", 0);
    EXPECT_EQ(desktopChanges(), (std::vector<Change>{{SystemSetting::PointerSpeed, 2}}));
    EXPECT_EQ(storedNode(page->model(), "p1")["SystemStages"]["MouseSpeed"].asInt(), 0);
    EXPECT_TRUE(wroteSettings(*mouse));
    moveSlider(page, "pointer_speed_slider", 9);
    EXPECT_EQ(desktopChanges(), (std::vector<Change>{{SystemSetting::PointerSpeed, 20}}));
    EXPECT_EQ(storedNode(page->model(), "p1")["SystemStages"]["MouseSpeed"].asInt(), 9);

    check(page, "pointer_precision_check", false);
    EXPECT_EQ(desktopChanges(), (std::vector<Change>{{SystemSetting::PointerPrecision, 0}}));
    EXPECT_EQ(storedNode(page->model(), "p1")["SystemStages"]["PointerPrecision"].asInt(), 0);

    // Double-click: slider maximum 10, position 3 gives (10 - 3 + 1) x 100 ms.
    moveSlider(page, "double_click_slider", 3);
    EXPECT_EQ(desktopChanges(), (std::vector<Change>{{SystemSetting::DoubleClickTime, 800}}));
    EXPECT_EQ(storedNode(page->model(), "p1")["SystemStages"]["DoubleClickTime"].asInt(), 3);

    // Page-wise scrolling takes 255 lines and keeps the scroll speed; moving the speed slider ends it.
    moveSlider(page, "scroll_speed_slider", 6, "movevaluechanged");
    check(page, "scrolls_page_check", true);
    EXPECT_EQ(desktopChanges(), (std::vector<Change>{{SystemSetting::WheelLines, 255}}));
    Json::Value system = storedNode(page->model(), "p1")["SystemStages"];
    EXPECT_EQ(system["ScorllPage"].asInt(), 1);
    EXPECT_EQ(system["WheelScorlllinse"].asInt(), 6);
    moveSlider(page, "scroll_speed_slider", 4);
    EXPECT_EQ(desktopChanges(), (std::vector<Change>{{SystemSetting::WheelLines, 5}}));
    system = storedNode(page->model(), "p1")["SystemStages"];
    EXPECT_EQ(system["ScorllPage"].asInt(), 0);
    EXPECT_EQ(system["WheelScorlllinse"].asInt(), 4);
    EXPECT_FALSE(on<CCheckBoxUI>(page, "scrolls_page_check")->GetCheck());

    // The profile panel's function tabs.
    on<COptionUI>(page, "deng_Op_tab")->Selected(true, false);
    check(page, "key_Op_tab", true);
    EXPECT_FALSE(on<COptionUI>(page, "deng_Op_tab")->IsSelected());

    // The settings sub-pages.
    auto* subPages = on<CTabLayoutUI>(page, "mouse_setting_switch");
    check(page, "mouse_device_seting_option_1", true);
    EXPECT_EQ(subPages->GetCurSel(), 1);
    check(page, "mouse_device_seting_option_0", true);
    EXPECT_EQ(subPages->GetCurSel(), 0);
}

TEST_F(NotifyDispatch, ADesktopThatRefusesASettingDoesNotStopTheStore) {
    auto mouse = plugAndRead("mouse", 2);
    desktop.refuse(SystemSetting::DoubleClickTime);
    moveSlider(mousePage(), "double_click_slider", 7);
    EXPECT_TRUE(desktopChanges().empty());
    EXPECT_EQ(storedNode(mousePage()->model(), "p1")["SystemStages"]["DoubleClickTime"].asInt(), 7);
}

TEST_F(NotifyDispatch, AChangeReachesOnlyTheDeviceInFront) {
    auto pad = plugAndRead("mousepad", 3);
    auto mouse = plugAndRead("mouse", 2);
    ASSERT_EQ(window->GetSelectedPage(), entry(3).page);
    const std::vector<uint8_t> before = mouse->readMemory(0, 54);
    mouse->clearRequestLog();
    desktopChanges();

    moveSlider(mousePage(), "DPI_slider_0", 30);
    moveSlider(mousePage(), "pointer_speed_slider", 7);
    EXPECT_EQ(mouse->requestCount(), 0u);
    EXPECT_EQ(mouse->readMemory(0, 54), before);
    EXPECT_TRUE(desktopChanges().empty());
    EXPECT_EQ(storedNode(mousePage()->model(), "p1")["DPIStages"]["StageDPIs"][0]["StageDPIX"].asInt(), 4);

    // A typed value is committed to the page of its edit, whichever page is in front: it is the user's input, and
    // the focus may leave the edit only after another page came to the front.
    const std::vector<uint8_t> padBefore = pad->readMemory(0, 128);
    typeDpi("DPI_edit_1", "3000");
    EXPECT_EQ(mouse->readMemory(17, 2), (std::vector<uint8_t>{28, 0}));
    EXPECT_EQ(pad->readMemory(0, 128), padBefore);

    // With the mouse in front the same change reaches it.
    entry(3).option->Select(false);
    entry(2).option->Select(true);
    ASSERT_EQ(window->GetSelectedPage(), entry(2).page);
    moveSlider(mousePage(), "DPI_slider_0", 30);
    EXPECT_EQ(mouse->readMemory(15, 2), (std::vector<uint8_t>{30, 0}));
}

TEST_F(NotifyDispatch, TavixDpiPairsClampTheTypedDpiAndFollowTheSlider) {
    plugAndRead("mouse", 2);
    // A page layout with a tavix pair.
    auto* slider = new CSliderUI();
    slider->SetName("tavix_DPI_slider_1");
    slider->SetMinValue(200);
    slider->SetMaxValue(6500);
    auto* edit = new CEditUI();
    edit->SetName("tavix_DPI_edit_1");
    mousePage()->Add(slider);
    mousePage()->Add(edit);
    for (const auto& [typed, shown] :
         {std::pair{"50", "200"}, std::pair{"9000", "6500"}, std::pair{"abc", "200"}, std::pair{"1600", "1600"}}) {
        edit->SetText(typed);
        send(edit, "killfocus");
        EXPECT_EQ(edit->GetText(), shown) << typed;
        EXPECT_EQ(slider->GetValue(), QString(shown).toInt()) << typed;
    }
    slider->SetValue(3200);
    send(slider, "movevaluechanged");
    EXPECT_EQ(edit->GetText(), "3200");
}

TEST_F(NotifyDispatch, DefaultButtonAsksAndOnConfirmationRestoresTheFactoryProfile) {
    auto mouse = plugAndRead("mouse", 2);
    ASSERT_EQ(window->GetSelectedPage(), mousePage());
    moveSlider(mousePage(), "DPI_slider_0", 30);
    ASSERT_EQ(mouse->readMemory(15, 2), (std::vector<uint8_t>{30, 0}));
    for (const char* button : {"cancel_btn", "confirm_btn"}) {
        mouse->clearRequestLog();
        QString asked;
        QTimer::singleShot(0, [&] {
            CPaintManagerUI* pm = CPaintManagerUI::GetPaintManager("MsgWnd");
            ASSERT_NE(pm, nullptr);
            asked = pm->FindControl("MessageText")->GetText();
            CControlUI* answer = pm->FindControl(button);
            ASSERT_NE(answer, nullptr) << button;
            QTest::mouseClick(answer, Qt::LeftButton, {}, answer->rect().center());
        });
        send(mousePage()->FindSubControl("default_btn"), "click");
        EXPECT_FALSE(asked.isEmpty());
        const bool confirmed = QString(button) == "confirm_btn";
        EXPECT_EQ(wroteSettings(*mouse), confirmed) << button;
        bool wroteKeys = false;
        for (const emu::LoggedRequest& logged : mouse->requestLog())
            wroteKeys = wroteKeys || (logged.bytes.size() > 3 && logged.bytes[3] == 0x09);
        EXPECT_EQ(wroteKeys, confirmed) << button;
    }
    // The factory stages (codes 6, 14, 30, 48) are back on the mouse, in the page and in the profile file.
    EXPECT_EQ(mouse->readMemory(15, 8), (std::vector<uint8_t>{6, 0, 14, 0, 30, 0, 48, 0}));
    EXPECT_EQ(on<CSliderUI>(mousePage(), "DPI_slider_0")->GetValue(), 6);
    const std::string profile = mousePage()->model().profileName;
    EXPECT_EQ(storedNode(mousePage()->model(), profile)["DPIStages"]["StageDPIs"][0]["StageDPIX"].asInt(), 6);
}

// Real input: a click on a device's name, typing into a DPI edit then Return, then a click elsewhere, then a
// device switch with an edit pending. Each typed value reaches the mouse's memory, never the mousepad.
TEST_F(NotifyDispatch, TypedDpiCommitsOnReturnOnAClickElsewhereAndBeforeADeviceSwitch) {
    auto pad = plugAndRead("mousepad", 3);
    auto mouse = plugAndRead("mouse", 2);
    QWidget* host = window->GetHWND();
    host->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(host));
    CPaintManagerUI* pm = window->GetPaintManager();
    EXPECT_FALSE(pm->FindControl("No_device_Link")->IsVisible());
    EXPECT_TRUE(pm->FindControl("device_switch")->IsVisible());
    auto clickName = [](const CMainWnd::DevicePage& device) {
        CControlUI* name = device.option->FindSubControl(CDeviceOptionUI::kNameLabel);
        ASSERT_NE(name, nullptr);
        QTest::mouseClick(name, Qt::LeftButton, {}, name->rect().center());
    };
    auto type = [&](const char* editName, const char* text) {
        auto* edit = on<CEditUI>(mousePage(), editName);
        ASSERT_NE(edit, nullptr);
        QTest::mouseClick(edit->GetLineEdit(), Qt::LeftButton);
        ASSERT_TRUE(edit->GetLineEdit()->hasFocus()) << editName;
        edit->GetLineEdit()->selectAll();
        QTest::keyClicks(edit->GetLineEdit(), text);
    };
    ASSERT_EQ(window->GetSelectedPage(), entry(3).page);
    clickName(entry(2));
    ASSERT_EQ(window->GetSelectedPage(), mousePage());
    const std::vector<uint8_t> padBefore = pad->readMemory(0, 128);

    // Return commits (1600 DPI is code 14, stage 2 at bytes 17 and 18); typing alone does not.
    const std::vector<uint8_t> stage2Before = mouse->readMemory(17, 2);
    type("DPI_edit_1", "1600");
    EXPECT_EQ(mouse->readMemory(17, 2), stage2Before);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
    EXPECT_EQ(mouse->readMemory(17, 2), (std::vector<uint8_t>{14, 0}));
    EXPECT_EQ(storedNode(mousePage()->model(), "p1")["DPIStages"]["StageDPIs"][1]["StageDPIX"].asInt(), 14);

    // A click on a label beside the edit commits it (3200 DPI is code 30).
    type("DPI_edit_2", "3200");
    auto* label = on<CLabelUI>(mousePage(), "DPI_value_2");
    QTest::mouseClick(label, Qt::LeftButton, {}, label->rect().center());
    EXPECT_EQ(mouse->readMemory(19, 2), (std::vector<uint8_t>{30, 0}));

    // A click on the mousepad's name with an edit pending: the value goes to the mouse before the pad comes in front.
    type("DPI_edit_3", "800");
    clickName(entry(3));
    EXPECT_EQ(window->GetSelectedPage(), entry(3).page);
    EXPECT_EQ(mouse->readMemory(21, 2), (std::vector<uint8_t>{6, 0}));
    EXPECT_EQ(storedNode(mousePage()->model(), "p1")["DPIStages"]["StageDPIs"][3]["StageDPIX"].asInt(), 6);
    EXPECT_EQ(pad->readMemory(0, 128), padBefore);
}

TEST_F(NotifyDispatch, WindowButtonsHideToggleTheLightingOwnerAndOpenTheWebLinks) {
    CTrayIcon::OverrideTrayAvailable(true);
    CPaintManagerUI* pm = window->GetPaintManager();
    const int lighting = window->GetLightingControl();
    send(pm->FindControl("control_light_status"), "click");
    EXPECT_EQ(window->GetLightingControl(), 1 - lighting);
    EXPECT_EQ(pm->FindControl("control_light_status")->GetText(),
              lighting == 1 ? "Lighting left alone" : "Controls the lighting");

    // The web buttons are looked up by name wherever the layout has them.
    for (const char* name : {"webbtn", "TTBTN", "fbbtn"}) {
        CButtonUI button;
        button.SetName(name);
        window->GetPaintManager()->SendNotify(&button, "click");
    }
    const std::vector<RecordingShell::Call> calls = shell.calls();
    ASSERT_EQ(calls.size(), 3u);
    for (const RecordingShell::Call& call : calls) {
        EXPECT_EQ(call.kind, RecordingShell::Call::Kind::Open);
        EXPECT_EQ(call.target.rfind("https://", 0), 0u) << call.target;
    }
    EXPECT_NE(calls[0].target, calls[1].target);
    EXPECT_NE(calls[1].target, calls[2].target);

    send(pm->FindControl("closebtn"), "click");
    EXPECT_FALSE(window->GetHWND()->isVisible());
    window->ShowWindow(true);
    send(pm->FindControl("nodevice_ok_btn"), "click");
    EXPECT_FALSE(window->GetHWND()->isVisible());
    CTrayIcon::OverrideTrayAvailable(std::nullopt);
}

// No keyboard connects with the device table, so the test brings its page to the front itself.
TEST_F(NotifyDispatch, KeyboardSettingsGoToItsProfileAndTheDesktop) {
    CVeltraKeyboardDevice* page = keyboardPage();
    ASSERT_NE(page, nullptr);
    page->setProfileName("k1");
    Json::Value node;
    node["SystemStages"]["Repeat"] = 20;
    node["SystemStages"]["RepeatDelay"] = 3;
    writeProfile(page->model(), "k1", node);
    page->model().loadProfileIntoPage();
    page->model().refreshPage();
    EXPECT_EQ(on<CSliderUI>(page, "repeat_rate_slider")->GetValue(), 20);
    EXPECT_TRUE(on<COptionUI>(page, "repeat_delay_check_3")->IsSelected());
    entry(1).option->SetVisible(true);
    entry(1).option->Select(true);
    ASSERT_EQ(window->GetSelectedPage(), page);
    desktopChanges();

    check(page, "repeat_delay_check_2", true);
    EXPECT_EQ(desktopChanges(), (std::vector<Change>{{SystemSetting::KeyboardDelay, 2}}));
    EXPECT_EQ(storedNode(page->model(), "k1")["SystemStages"]["RepeatDelay"].asInt(), 2);
    // An option number outside 0..3 counts as 0.
    COptionUI outside;
    outside.SetName("repeat_delay_check_7");
    outside.Selected(true, false);
    window->GetPaintManager()->SendNotify(&outside, "selectchanged");
    EXPECT_EQ(desktopChanges(), (std::vector<Change>{{SystemSetting::KeyboardDelay, 0}}));
    EXPECT_EQ(storedNode(page->model(), "k1")["SystemStages"]["RepeatDelay"].asInt(), 0);
    EXPECT_TRUE(on<COptionUI>(page, "repeat_delay_check_0")->IsSelected());

    moveSlider(page, "repeat_rate_slider", 25);
    EXPECT_EQ(desktopChanges(), (std::vector<Change>{{SystemSetting::KeyboardSpeed, 25}}));
    EXPECT_EQ(storedNode(page->model(), "k1")["SystemStages"]["Repeat"].asInt(), 25);

    // Reset takes the factory profile's repeat settings (rate 2, delay 1).
    send(page->FindSubControl("reset_repeat_btn"), "click");
    EXPECT_EQ(desktopChanges(),
              (std::vector<Change>{{SystemSetting::KeyboardSpeed, 2}, {SystemSetting::KeyboardDelay, 1}}));
    Json::Value system = storedNode(page->model(), "k1")["SystemStages"];
    EXPECT_EQ(system["Repeat"].asInt(), 2);
    EXPECT_EQ(system["RepeatDelay"].asInt(), 1);
    EXPECT_EQ(on<CSliderUI>(page, "repeat_rate_slider")->GetValue(), 2);

    check(page, "winlockflag_option", true);
    check(page, "wflag_option", true);
    check(page, "6flag_option", true);
    check(page, "polling_rate_option_4", true);
    system = storedNode(page->model(), "k1")["SystemStages"];
    EXPECT_EQ(system["WinFlag"].asInt(), 1);
    EXPECT_EQ(system["WFlag"].asInt(), 1);
    EXPECT_EQ(system["Key6Flag"].asInt(), 1);
    EXPECT_EQ(system["PollingRate"].asInt(), 4);
    check(page, "wflag_option", false);
    EXPECT_EQ(storedNode(page->model(), "k1")["SystemStages"]["WFlag"].asInt(), 0);
    EXPECT_EQ(storedNode(page->model(), "k1")["SystemStages"]["WinFlag"].asInt(), 1);
}

} // namespace
} // namespace pelan
