// The device pages over emulated devices: what the mouse page reads and shows on connection, what its DPI
// controls write, the firmware upgrade offer, the light preview handed over from the light thread, and the power
// panel.
#include "app/AppTestSupport.h"
#include "controls/CDeviceKeyButtonUI.h"
#include "controls/CSelectPanelUI.h"
#include "device/MouseSettingsBlock.h"
#include "emulator/FirmwareDevice.h"
#include "pages/CMpDevicePowerUI.h"
#include "pages/CVeltraDI6533Device.h"
#include "pages/CVeltraKeyboardDevice.h"
#include "pages/CVeltraMouseDevice.h"
#include "pages/CVeltraMousePadDevice.h"
#include "platform/Paths.h"
#include "platform/Shell.h"
#include "profile/JsonFileStore.h"
#include "tests/support/EmulatedTree.h"
#include "tests/support/NotificationServer.h"
#include "tests/support/PrivateBus.h"

#include <QDir>
#include <QImage>
#include <QLineEdit>
#include <QTimer>
#include <QValidator>
#include <algorithm>
#include <filesystem>
#include <gtest/gtest.h>
#include <thread>
#include <unistd.h>

namespace pelan {
namespace {

// Builds the page and power panel tags of the layouts.
struct PageCallback : IDialogBuilderCallback {
    CControlUI* CreateControl(const QString& tag) override {
        if (tag == "VeltraMouseDevice")
            return new CVeltraMouseDevice();
        if (tag == "VeltraMousePadDevice")
            return new CVeltraMousePadDevice();
        if (tag == "VeltraDI6533Device")
            return new CVeltraDI6533Device();
        if (tag == "VeltraKeyboardDevice")
            return new CVeltraKeyboardDevice();
        if (tag == "MpDevicePower")
            return new CMpDevicePowerUI();
        if (tag == "SelectPanel")
            return new CSelectPanelUI();
        if (tag == "DeviceKeyButton")
            return new CDeviceKeyButtonUI();
        return nullptr;
    }
};

// A page layout of the skin inside a window-sized host with the main window's fonts.
QString hostedLayout(const QString& layout, QSize size) {
    return QStringLiteral(R"(<Window size="%1,%2">
        <Font id="0" size="15" default="true" shared="true"/><Font id="4" size="16" shared="true"/>
        <Font id="5" size="20" shared="true"/><Font id="7" size="14" shared="true"/><Font id="8" size="12" shared="true"/><Font id="10" size="10" shared="true"/>
        <VerticalLayout name="host_root" bkimage="common/background.png" bkcolor="#FF15171C">
            <Include source="%3"/>
        </VerticalLayout></Window>)")
        .arg(size.width())
        .arg(size.height())
        .arg(layout);
}

// The user data folder of one test.
class DataFolder {
public:
    DataFolder() {
        static int counter = 0;
        path_ = std::filesystem::temp_directory_path() /
                ("pelan-pages-" + std::to_string(::getpid()) + "-" + std::to_string(++counter));
        std::filesystem::create_directories(path_);
        setDataFolderOverride(path_.string());
    }
    ~DataFolder() {
        setDataFolderOverride("");
        std::error_code ec;
        std::filesystem::remove_all(path_, ec);
    }

private:
    std::filesystem::path path_;
};

// A profile "p1" in the page's device folder with these stage DPI codes and active stage.
void writeMouseProfile(UsbDeviceModel& model, const std::vector<int>& codes, int active) {
    Json::Value stages;
    stages["StageActive"] = active;
    for (size_t i = 0; i < codes.size(); ++i) {
        Json::Value stage;
        stage["StageActive"] = 1;
        stage["StageDPIX"] = codes[i];
        stage["StageDPIY"] = codes[i];
        stages["StageDPIs"][Json::ArrayIndex(i)] = stage;
    }
    Json::Value file;
    file["Device"][0]["DPIStages"] = stages;
    std::filesystem::create_directories(model.userDeviceFolder());
    ASSERT_EQ(JsonFileStore::writeJsonFile(model.profileFilePath("p1"), file), 0);
}

class MousePageTest : public ::testing::Test {
protected:
    void SetUp() override { test::useSourceSkin(); }

    // Builds the mouse page, plugs an emulated mouse of `version` and connects the page to it the way the main
    // window does, without running the connect timer yet.
    void buildAndPlug(std::optional<uint16_t> version = std::nullopt) {
        tree = std::make_unique<test::HostedTree>(hostedLayout("XML/DeviceXml/mousedevice.xml", {1141, 753}), &callback,
                                                  QSize(1141, 753));
        page = tree->find<CVeltraMouseDevice>("mouse_device_page");
        ASSERT_NE(page, nullptr);
        mouse = emu::makeDevice("mouse", version);
        id = emulated.tree().plug(mouse);
        ASSERT_GT(id, 0);
        ASSERT_TRUE(page->openCommandInterface(emulated.pathOf(id, 4), false));
        SupportedDeviceEntry entry;
        entry.deviceKind = kDeviceKindMouse;
        page->onConnected(entry);
        writeMouseProfile(page->model(), {4, 48, 49, 73, 10, 20}, 0);
        page->setProfileName("p1");
        page->bindPageControls();
        page->setAskUser([this](const QString& key) {
            askedFor.append(key);
            return answer;
        });
        page->setEndProgram([this](int code) { endCodes.push_back(code); });
    }

    void TearDown() override {
        tree.reset();
        setShellOverride(nullptr);
    }

    CSliderUI* slider(int stage) { return tree->find<CSliderUI>(QString("DPI_slider_%1").arg(stage)); }
    CEditUI* edit(int stage) { return tree->find<CEditUI>(QString("DPI_edit_%1").arg(stage)); }

    DataFolder data;
    test::EmulatedTree emulated;
    PageCallback callback;
    std::unique_ptr<test::HostedTree> tree;
    CVeltraMouseDevice* page = nullptr;
    std::shared_ptr<emu::FirmwareDevice> mouse;
    int id = 0;
    QStringList askedFor;
    int answer = 1;
    std::vector<int> endCodes;
};

TEST_F(MousePageTest, ConnectionReadsTheMouseAndShowsItsStagesWithTheActiveOneMarked) {
    buildAndPlug();
    // The profile says stage 3 (index 2) is active; the mouse, which lost that, gets it back on connection.
    const uint8_t activeStage = 2;
    writeMouseProfile(page->model(), {4, 48, 49, 73, 10, 20}, activeStage);
    const uint8_t lost = 1;
    ASSERT_TRUE(mouse->writeMemory(23, std::span(&lost, 1)));
    mouse->clearRequestLog();

    page->onConnectTimer();
    EXPECT_EQ(mouse->readMemory(23, 1), std::vector<uint8_t>{activeStage});

    std::vector<uint8_t> commands;
    for (const emu::LoggedRequest& logged : mouse->requestLog())
        commands.push_back(logged.bytes.size() > 3 ? logged.bytes[3] : 0);
    for (uint8_t expected : {0x01, 0x03, 0x07, 0x02, 0x05})
        EXPECT_NE(std::find(commands.begin(), commands.end(), expected), commands.end()) << int(expected);

    const std::vector<QString> dpis = {"600", "5000", "5200", "10000", "1200", "2200"};
    const std::vector<int> codes = {4, 48, 49, 73, 10, 20};
    for (int stage = 0; stage < 6; ++stage) {
        ASSERT_NE(slider(stage), nullptr);
        EXPECT_EQ(slider(stage)->GetMinValue(), 0);
        EXPECT_EQ(slider(stage)->GetMaxValue(), 73);
        EXPECT_EQ(slider(stage)->GetValue(), codes[size_t(stage)]) << stage;
        EXPECT_EQ(edit(stage)->GetText(), dpis[size_t(stage)]) << stage;
        const bool active = stage == activeStage;
        EXPECT_EQ(slider(stage)->GetBkImage(),
                  active ? CVeltraMouseDevice::kActiveSliderBar : CVeltraMouseDevice::kSliderBar);
        // Typing past the largest DPI is refused by the edit itself.
        const QValidator* validator = edit(stage)->GetLineEdit()->validator();
        ASSERT_NE(validator, nullptr);
        QString typed = "10001";
        int at = 0;
        EXPECT_NE(validator->validate(typed, at), QValidator::Acceptable);
        typed = "10000";
        EXPECT_EQ(validator->validate(typed, at), QValidator::Acceptable);
    }
    EXPECT_TRUE(page->model().lightThreadRunning());
    EXPECT_EQ(page->keyButtons().size(), 8u);
    EXPECT_EQ(page->lightButtons().size(), 8u);

    const QString folder = test::env("PELAN_SCREENSHOT_DIR");
    if (!folder.isEmpty() && QDir().mkpath(folder)) {
        ASSERT_TRUE(test::waitFor([&] { return !page->shownFrame().empty(); }));
        EXPECT_TRUE(tree->host.grab().save(folder + "/mouse_page.png"));
    }
}

TEST_F(MousePageTest, DpiEditsAndSlidersStoreTheStageAndWriteItToTheMouse) {
    buildAndPlug();
    page->onConnectTimer();

    // A typed DPI between two stages the mouse offers goes down to the lower one: 5300 lies between 5200 and 5400.
    edit(1)->SetText("5300");
    page->onDpiEditCommitted(1);
    EXPECT_EQ(edit(1)->GetText(), "5200");
    EXPECT_EQ(slider(1)->GetValue(), 49);
    EXPECT_EQ(mouse->readMemory(17, 2), (std::vector<uint8_t>{49, 0}));

    // Below the smallest DPI, and an empty edit, give the lowest stage.
    edit(2)->SetText("");
    page->onDpiEditCommitted(2);
    EXPECT_EQ(edit(2)->GetText(), "200");
    EXPECT_EQ(mouse->readMemory(19, 2), (std::vector<uint8_t>{0, 0}));

    // Dragging only shows the DPI; letting go stores and writes it.
    page->onDpiSliderChanged(0, 73, false);
    EXPECT_EQ(edit(0)->GetText(), "10000");
    EXPECT_EQ(mouse->readMemory(15, 2), (std::vector<uint8_t>{4, 0}));
    page->onDpiSliderChanged(0, 73, true);
    EXPECT_EQ(mouse->readMemory(15, 2), (std::vector<uint8_t>{73, 0}));
    // Positions past either end and stages that do not exist change nothing they should not.
    page->onDpiSliderChanged(5, 200, true);
    EXPECT_EQ(mouse->readMemory(26, 2), (std::vector<uint8_t>{73, 0}));
    page->onDpiSliderChanged(6, 10, true);
    page->onDpiEditCommitted(-1);

    // The stored profile carries the new stages.
    const Json::Value file = JsonFileStore::loadJsonFile(page->model().profileFilePath("p1"));
    const Json::Value& stages = file["Device"][0]["DPIStages"]["StageDPIs"];
    EXPECT_EQ(stages[0]["StageDPIX"].asInt(), 73);
    EXPECT_EQ(stages[1]["StageDPIX"].asInt(), 49);
    EXPECT_EQ(stages[2]["StageDPIX"].asInt(), 0);
    EXPECT_EQ(stages[5]["StageDPIX"].asInt(), 73);

    // A report rate option writes byte 14 of the settings block.
    page->onReportRateSelected(3);
    EXPECT_EQ(mouse->readMemory(14, 1), (std::vector<uint8_t>{3}));

    // Switching a stage off is kept in the profile.
    page->onDpiStageEnabled(4, false);
    EXPECT_EQ(JsonFileStore::loadJsonFile(
                  page->model().profileFilePath("p1"))["Device"][0]["DPIStages"]["StageDPIs"][4]["StageActive"]
                  .asInt(),
              0);
}

TEST_F(MousePageTest, OldFirmwareOffersTheUpgradeAndDecliningEndsTheProgram) {
    RecordingShell shell;
    setShellOverride(&shell);

    buildAndPlug(0x0102);
    answer = 1;
    page->onConnectTimer();
    ASSERT_EQ(askedFor, QStringList{"message_text_25"});
    ASSERT_EQ(shell.calls().size(), 1u);
    const RecordingShell::Call call = shell.calls().front();
    EXPECT_EQ(call.kind, RecordingShell::Call::Kind::StartProgram);
    EXPECT_EQ(call.arguments, std::vector<std::string>{"Upgrading"});
    EXPECT_EQ(call.workingFolder, page->model().defaultDataFolder());
    EXPECT_TRUE(endCodes.empty());

    // Declining ends the program, and the connection goes no further: no profile, no settings read or written.
    tree.reset();
    emulated.tree().unplug(id);
    buildAndPlug(0x0102);
    answer = 0;
    mouse->clearRequestLog();
    page->onConnectTimer();
    EXPECT_EQ(askedFor.size(), 2);
    EXPECT_EQ(shell.calls().size(), 1u);
    EXPECT_EQ(endCodes, std::vector<int>{0});
    EXPECT_FALSE(page->model().lightThreadRunning());
    EXPECT_EQ(page->model().writeSettings(0, 0), 0);
    for (const emu::LoggedRequest& logged : mouse->requestLog())
        EXPECT_TRUE(logged.bytes[3] != 0x05 && logged.bytes[3] != 0x06) << int(logged.bytes[3]);
}

TEST_F(MousePageTest, CurrentAndUnknownFirmwareAreNotQuestioned) {
    for (uint16_t version : {uint16_t{0x0103}, uint16_t{0}}) {
        RecordingShell shell;
        setShellOverride(&shell);
        buildAndPlug(version);
        page->onConnectTimer();
        EXPECT_TRUE(askedFor.isEmpty()) << version;
        EXPECT_TRUE(shell.calls().empty()) << version;
        EXPECT_TRUE(endCodes.empty()) << version;
        tree.reset();
        emulated.tree().unplug(id);
    }
}

TEST_F(MousePageTest, TheUpgradeQuestionIsTheProgramsMessageWindow) {
    RecordingShell shell;
    setShellOverride(&shell);
    buildAndPlug(0x0102);
    // A page left with its own question asks through the message window.
    auto* fresh = new CVeltraMouseDevice();
    ASSERT_TRUE(fresh->openCommandInterface(emulated.pathOf(id, 4), false));
    page->closeCommandInterface();
    QString shownText;
    QTimer::singleShot(0, [&] {
        CPaintManagerUI* pm = CPaintManagerUI::GetPaintManager("MsgWnd");
        ASSERT_NE(pm, nullptr);
        shownText = pm->FindControl("MessageText")->GetText();
        CControlUI* confirm = pm->FindControl("confirm_btn");
        QTest::mouseClick(confirm, Qt::LeftButton, {}, confirm->rect().center());
    });
    fresh->onConnectTimer();
    EXPECT_EQ(shownText, "The firmware of this mouse is out of date. Upgrade it now?");
    EXPECT_EQ(shell.calls().size(), 1u);
    delete fresh;
}

TEST_F(MousePageTest, FunctionTabsFollowTheDeviceKind) {
    buildAndPlug();
    auto* functions = tree->find<CTabLayoutUI>("device_function_switch");
    auto* keyFunctions = tree->find<CTabLayoutUI>("device_key_function_switch");
    CControlUI* hint = tree->find<CControlUI>("device_tishi_info");
    struct Case {
        int kind, first, second;
        bool hint;
    };
    for (const Case& c : {Case{2, 0, 1, true}, Case{3, 1, 1, false}, Case{4, 0, 2, false}, Case{6, 0, 1, false},
                          Case{1, 0, 0, false}}) {
        page->showFunctionTabs(c.kind);
        EXPECT_EQ(functions->GetCurSel(), c.first) << c.kind;
        EXPECT_EQ(keyFunctions->GetCurSel(), c.second) << c.kind;
        EXPECT_EQ(hint->IsVisibleFlag(), c.hint) << c.kind;
    }
}

TEST_F(MousePageTest, WithoutAProfileNameThePageHasNoKeyOrLightButtons) {
    buildAndPlug();
    EXPECT_EQ(page->lightButtons().size(), 8u);
    page->clearProfileName();
    page->bindPageControls();
    EXPECT_TRUE(page->keyButtons().empty());
    EXPECT_TRUE(page->lightButtons().empty());
}

TEST_F(MousePageTest, LightFramesFromAnotherThreadReachTheScreenNewestFirst) {
    buildAndPlug();
    std::thread worker([this] {
        for (uint32_t step = 0; step < 200; ++step)
            page->onLightFrame(light::LedFrame(8, light::packLed({uint8_t(step), 0, 0}, 255)));
        page->onLightFrame(light::LedFrame(8, light::packLed({10, 200, 40}, 128)));
    });
    worker.join();
    ASSERT_TRUE(test::waitFor([&] { return page->shownFrame().size() == 8 && page->shownFrame()[0] >> 24 == 128; }));
    for (CControlUI* light : page->lightButtons())
        EXPECT_EQ(light->GetBkColor(), 0xFF000000u | (5u << 16) | (100u << 8) | 20u);
}

TEST_F(MousePageTest, ASyncRequestArmsTheOptionsSyncTimerOnTheUiThread) {
    buildAndPlug();
    CControlUI* option = tree->find<CControlUI>("host_root");
    page->setListItem(option);
    std::thread([this] { page->onSyncRequested(); }).join();
    EXPECT_FALSE(tree->pm.HasTimer(option, CVeltraUSBDevice::kSyncTimer));
    ASSERT_TRUE(test::waitFor([&] { return tree->pm.HasTimer(option, CVeltraUSBDevice::kSyncTimer); }));
}

TEST_F(MousePageTest, ClosingTheCommandInterfaceStopsTheLightThreadAndAFailedOpenStaysDisconnected) {
    buildAndPlug();
    page->onConnectTimer();
    ASSERT_TRUE(page->isConnected());
    ASSERT_TRUE(page->model().lightThreadRunning());
    page->closeCommandInterface();
    EXPECT_FALSE(page->isConnected());
    EXPECT_FALSE(page->model().lightThreadRunning());

    EXPECT_FALSE(page->openCommandInterface("\\\\?\\hid#vid_0c45&pid_7643&mi_01&col04#hidraw99", true));
    EXPECT_FALSE(page->isConnected());
    // Disconnected, the connect timer sends nothing.
    mouse->clearRequestLog();
    page->onConnectTimer();
    EXPECT_EQ(mouse->requestCount(), 0u);
}

// --- power panel ---

class PowerPanelTest : public ::testing::Test {
protected:
    void SetUp() override {
        test::useSourceSkin();
        tree = std::make_unique<test::HostedTree>(hostedLayout("XML/CustomControlXML/MpDevicePower.xml", {180, 132}),
                                                  &callback, QSize(180, 132));
        panel = tree->find<CMpDevicePowerUI>("device_power_panel");
        ASSERT_NE(panel, nullptr);
    }
    static PowerStatus status(std::array<uint8_t, 6> bytes) {
        PowerStatus s;
        s.bytes = bytes;
        return s;
    }

    PageCallback callback;
    std::unique_ptr<test::HostedTree> tree;
    CMpDevicePowerUI* panel = nullptr;
};

TEST_F(PowerPanelTest, ShowsChargeChargingStateWirelessMarkAndOnTheChargingPadThePhone) {
    panel->setKindAndRole(3, 0);
    ASSERT_TRUE(panel->showPowerStatus(status({80, 1, 0, 1, 0, 2})));
    EXPECT_EQ(tree->find<CLabelUI>("device_power_value")->GetText(), "80%");
    EXPECT_EQ(tree->find<CProgressUI>("device_Power_progress")->GetValue(), 80);
    EXPECT_EQ(tree->find<CControlUI>("device_power_status")->GetBkImage(), "file='power/powering.png'");
    EXPECT_TRUE(tree->find<CControlUI>("device_wuxian_logo")->IsVisibleFlag());
    CControlUI* phone = tree->find<CControlUI>("Phone_type_samsung");
    ASSERT_NE(phone, nullptr);
    EXPECT_EQ(phone->GetBkImage(), "file='power/Phone_type_samsung.png'");

    // The phone control keeps being found under its new name; an unknown phone type shows none.
    ASSERT_TRUE(panel->showPowerStatus(status({100, 0, 0, 0, 0, 9})));
    EXPECT_EQ(phone->GetName(), "Phone_type_no_device");
    EXPECT_EQ(tree->find<CControlUI>("device_power_status")->GetBkImage(), "file='power/powered.png'");
    EXPECT_FALSE(tree->find<CControlUI>("device_wuxian_logo")->IsVisibleFlag());

    panel->setPowerLayoutVisible(false);
    EXPECT_FALSE(tree->find<CControlUI>("device_power_Layout")->IsVisibleFlag());
}

TEST_F(PowerPanelTest, OutsideThePadsModeThePhoneIsLeftAlone) {
    panel->setKindAndRole(7, 0);
    ASSERT_TRUE(panel->showPowerStatus(status({40, 2, 0, 0, 0, 1})));
    EXPECT_EQ(tree->find<CControlUI>("device_power_status")->GetBkImage(), "file='power/power.png'");
    EXPECT_NE(tree->find<CControlUI>("device_phone_type"), nullptr);
    EXPECT_EQ(tree->find<CControlUI>("device_phone_type")->GetBkImage(), "file='power/Phone_type_no_device.png'");
}

TEST_F(PowerPanelTest, APanelWithoutItsStatusControlsShowsNothing) {
    CMpDevicePowerUI bare;
    EXPECT_FALSE(bare.showPowerStatus(status({80, 1, 0, 0, 0, 0})));
}

TEST(PadPages, PeriodicStatusOfTheEmulatedPadReachesThePowerPanel) {
    test::useSourceSkin();
    DataFolder data;
    test::EmulatedTree emulated;
    PageCallback callback;
    test::HostedTree tree(QStringLiteral(R"(<HorizontalLayout>
        <Include source="XML/CustomControlXML/MpDevicePower.xml"/>
        <Include source="XML/DeviceXml/mousepaddevice.xml"/></HorizontalLayout>)"),
                          &callback, QSize(1200, 400));
    auto* page = tree.find<CVeltraMousePadDevice>("mousepad_device_page");
    auto* panel = tree.find<CMpDevicePowerUI>("device_power_panel");
    ASSERT_NE(page, nullptr);
    ASSERT_NE(panel, nullptr);
    panel->setKindAndRole(3, 0);
    page->attachPowerPanel(panel);
    EXPECT_FALSE(panel->IsVisibleFlag());
    page->setPowerDisplayEnabled(true);
    EXPECT_TRUE(panel->IsVisibleFlag());

    std::shared_ptr<emu::FirmwareDevice> pad = emu::makeDevice("mousepad");
    pad->setPowerState({.battery = 64, .charging = 2, .statusValue = 0, .phoneType = 1});
    const int id = emulated.tree().plug(pad);
    ASSERT_TRUE(page->openCommandInterface(emulated.pathOf(id, 4), false));
    page->onPeriodicTimer();
    EXPECT_EQ(tree.find<CLabelUI>("device_power_value")->GetText(), "64%");
    EXPECT_NE(tree.find<CControlUI>("Phone_type_iphone"), nullptr);

    // A page whose device went shows no figure: it no longer knows one.
    page->closeCommandInterface();
    pad->setBattery(10);
    page->onPeriodicTimer();
    EXPECT_EQ(tree.find<CLabelUI>("device_power_value")->GetText(), "--");
}

// The keyboard page in a window of its own, connected to an emulated keyboard whose tables it has read.
class KeyboardPage : public ::testing::Test {
protected:
    void SetUp() override {
        test::useSourceSkin();
        tree = std::make_unique<test::HostedTree>(hostedLayout("XML/DeviceXml/keyboarddevice.xml", {1141, 753}),
                                                  &callback, QSize(1141, 753));
        page = tree->find<CVeltraKeyboardDevice>("keyboard_device_page");
        ASSERT_NE(page, nullptr);
        page->setProfileName("p");
        page->bindPageControls();
    }
    void connect(std::shared_ptr<emu::FirmwareDevice> keyboard) {
        const int id = emulated.tree().plug(std::move(keyboard));
        ASSERT_TRUE(page->openCommandInterface(emulated.pathOf(id, 4), false));
        ASSERT_EQ(page->keyboard().readDevice(), 1);
    }

    PageCallback callback;
    std::unique_ptr<test::HostedTree> tree;
    CVeltraKeyboardDevice* page = nullptr;
    test::EmulatedTree emulated;
};

// The keyboard picture and its buttons agree: every key of the key list sits on a key cap of the picture, no two keys
// overlap, and the light button of each LED, by the per-key table of a connected keyboard, lies on its key.
TEST_F(KeyboardPage, KeyAndLightButtonsSitOnTheirKeysOfThePicture) {
    connect(emu::makeDevice("keyboard"));
    const keyboard::KeyPositions& positions = page->keyboard().keyPositions();

    const QImage picture(test::env("PELAN_SOURCE_DIR") + "/skin/device/keyboard_top.png");
    ASSERT_FALSE(picture.isNull());
    const QRect board = tree->find<CSelectPanelUI>(CVeltraUSBDevice::kSelectPanel)->GetPos();
    ASSERT_EQ(board.size(), picture.size()) << "the picture is drawn unscaled";
    const QColor keyCap(74, 81, 94);
    const auto onKeyCap = [&](QPoint at) {
        const QColor shown = picture.pixelColor(at - board.topLeft());
        return std::abs(shown.red() - keyCap.red()) + std::abs(shown.green() - keyCap.green()) +
                   std::abs(shown.blue() - keyCap.blue()) <
               12;
    };
    const std::vector<CControlUI*>& keys = page->keyButtons();
    const std::vector<CControlUI*>& lights = page->lightButtons();
    ASSERT_EQ(keys.size(), keyboard::kLogicalKeyCount);
    size_t lit = 0;
    for (size_t key = 0; key < keys.size(); ++key) {
        if (keyboard::logicalKeyCodes()[key] == keyboard::FactoryCode{0x20, 0, 0}) {
            EXPECT_EQ(keys[key], nullptr) << "unused key " << key << " has no key on the board";
            continue;
        }
        ASSERT_NE(keys[key], nullptr) << key;
        const QRect rect = keys[key]->GetPos();
        EXPECT_TRUE(board.contains(rect)) << key;
        EXPECT_TRUE(onKeyCap(rect.center()) && onKeyCap(rect.topLeft() + QPoint(3, 3)) &&
                    onKeyCap(rect.bottomRight() - QPoint(3, 3)))
            << "key " << key << " is not on a key cap of the picture";
        for (size_t other = key + 1; other < keys.size(); ++other) {
            if (keys[other] != nullptr) {
                EXPECT_FALSE(rect.intersects(keys[other]->GetPos())) << key << " overlaps " << other;
            }
        }
        const uint8_t led = positions.ledIndex[key];
        ASSERT_LT(led, lights.size()) << "key " << key << " has an LED";
        ASSERT_NE(lights[led], nullptr) << "light " << int(led);
        EXPECT_EQ(lights[led]->GetPos(), rect) << "light " << int(led) << " of key " << key;
        EXPECT_FALSE(lights[led]->IsMouseEnabled()) << "a click goes through the light to its key";
        ++lit;
    }
    EXPECT_EQ(size_t(std::count(lights.begin(), lights.end(), nullptr)), lights.size() - lit)
        << "every light button belongs to a key";
}

// A keyboard whose LED chain runs the other way: once its tables are read each light moves onto its own key, and
// the lights of LEDs that light no key are hidden.
TEST_F(KeyboardPage, LightButtonsFollowTheKeyboardsPerKeyTable) {
    emu::DeviceModel model = emu::makeDevice("keyboard")->model();
    for (size_t key = 0; key < model.keyLedIndices.size(); ++key)
        if (model.keyLedIndices[key] != 0xFF)
            model.keyLedIndices[key] = uint8_t(key);
    connect(std::make_shared<emu::FirmwareDevice>(model, emu::kDefaultVersionNumber));
    page->onRefresh();

    const std::vector<CControlUI*>& keys = page->keyButtons();
    const std::vector<CControlUI*>& lights = page->lightButtons();
    for (size_t key : {0, 43, 108, 125}) {
        ASSERT_NE(lights[key], nullptr) << key;
        EXPECT_EQ(lights[key]->GetFloatPos(), keys[key]->GetFloatPos()) << key;
        EXPECT_TRUE(lights[key]->IsVisibleFlag()) << key;
    }
    ASSERT_NE(lights[18], nullptr) << "the layout's light of LED 18 belongs to key 107";
    EXPECT_FALSE(lights[18]->IsVisibleFlag()) << "LED 18 lights no key of this keyboard";
}

// The pad's battery falling below 15 % and then 5 % on battery gives one desktop notification for each level, with
// the product's picture; charging readings give none.
TEST(PadPages, LowBatteryShowsOneDesktopNotificationPerLevel) {
    test::PrivateBus bus("DBUS_SESSION_BUS_ADDRESS");
    if (!bus.running())
        GTEST_SKIP() << "dbus-daemon is not available";
    dbus_shutdown(); // libdbus reads the bus address once: this test's bus is the one it is to use
    auto server = std::make_unique<test::NotificationServer>();
    ASSERT_TRUE(server->running());
    test::useSourceSkin("lan_en.xml");
    setProgramFolderOverride(test::env("PELAN_SOURCE_DIR").toStdString());
    DataFolder data;
    test::EmulatedTree emulated;
    PageCallback callback;
    test::HostedTree tree(hostedLayout("XML/DeviceXml/mousepaddevice.xml", {1141, 753}), &callback, QSize(1141, 753));
    auto* page = tree.find<CVeltraMousePadDevice>("mousepad_device_page");
    ASSERT_NE(page, nullptr);
    std::shared_ptr<emu::FirmwareDevice> pad = emu::makeDevice("mousepad");
    const int id = emulated.tree().plug(pad);
    ASSERT_TRUE(page->openCommandInterface(emulated.pathOf(id, 4), false));
    SupportedDeviceEntry entry;
    entry.deviceKind = kDeviceKindMousepad;
    page->onConnected(entry);
    const auto readAt = [&](uint8_t battery, uint8_t charging) {
        pad->setPowerState({.battery = battery, .charging = charging, .statusValue = 0, .phoneType = 0});
        page->onPeriodicTimer();
    };
    readAt(20, 2);
    readAt(12, 1); // charging
    readAt(14, 2);
    readAt(13, 2);
    readAt(4, 2);
    readAt(3, 2);
    // Notifications go out on a thread of their own.
    ASSERT_TRUE(test::waitFor([&] { return server->shown().size() >= 2; }));
    test::waitFor([] { return false; }, 200); // a third, wrongly sent, would have arrived by now
    const std::vector<test::NotificationServer::Shown> shown = server->shown();
    server.reset();
    setProgramFolderOverride("");
    dbus_shutdown();
    ASSERT_EQ(shown.size(), 2u);
    EXPECT_EQ(shown[0].summary, "Battery low");
    EXPECT_EQ(shown[0].body, "The mousepad has 14 % of its battery left. Connect it to charge.");
    EXPECT_EQ(shown[1].body, "The mousepad has 4 % of its battery left. Connect it to charge.");
    EXPECT_TRUE(QFile::exists(QString::fromStdString(shown[0].icon))) << shown[0].icon;
}

TEST(PadPages, EveryPageLayoutBuildsItsPageWithItsControls) {
    test::useSourceSkin();
    PageCallback callback;
    struct Case {
        const char* layout;
        const char* page;
        const char* kind;
        size_t lights;
    };
    for (const Case& c : {Case{"mousedevice.xml", "mouse_device_page", "VeltraMouseDevice", 8},
                          Case{"mousepaddevice.xml", "mousepad_device_page", "VeltraMousePadDevice", 23},
                          Case{"di6533device.xml", "headset_device_page", "VeltraDI6533Device", 2},
                          Case{"keyboarddevice.xml", "keyboard_device_page", "VeltraKeyboardDevice", 126}}) {
        test::HostedTree tree(hostedLayout(QString("XML/DeviceXml/") + c.layout, {1141, 753}), &callback,
                              QSize(1141, 753));
        auto* page = tree.find<CVeltraUSBDevice>(c.page);
        ASSERT_NE(page, nullptr) << c.layout;
        EXPECT_EQ(page->GetClass(), "VeltraUSBDevice");
        EXPECT_NE(page->GetInterface(c.kind), nullptr);
        page->setProfileName("p");
        page->bindPageControls();
        EXPECT_EQ(page->lightButtons().size(), c.lights) << c.layout;
        EXPECT_NE(tree.find<CTabLayoutUI>("device_function_switch"), nullptr) << c.layout;
        EXPECT_NE(tree.find<CTabLayoutUI>("device_key_function_switch"), nullptr) << c.layout;
        const QString folder = test::env("PELAN_SCREENSHOT_DIR");
        if (!folder.isEmpty() && QDir().mkpath(folder)) {
            EXPECT_TRUE(tree.host.grab().save(folder + "/" + QString(c.page) + ".png"));
        }
    }
}

} // namespace
} // namespace pelan
