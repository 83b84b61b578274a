// Profiles that follow the application in front, the tray's profile lists and the on-screen words, in the main
// window with an emulated mouse: what lands in the mouse's memory, in the list file and at a notification server.
#include "PanelWindowFixture.h"
#include "app/OnScreenWords.h"
#include "device/MouseDevice.h"
#include "device/MouseSettingsBlock.h"
#include "emulator/FirmwareDevice.h"
#include "panels/CKeySetControlUI.h"
#include "panels/KeySetRoutes.h"
#include "platform/InputHook.h"
#include "profile/JsonFileStore.h"
#include "support/FakeActiveApplication.h"
#include "support/NotificationServer.h"
#include "support/PrivateBus.h"

#include <dbus/dbus.h>
#include <gtest/gtest.h>

namespace pelan {
namespace {

// Two profiles: A (selected, the factory stages) and B, which follows the application "game" with stages of its own.
constexpr int kStageCodesOfB[] = {10, 20, 31, 40, 50, 60};

class ProfileFollow : public test::PanelWindowTest {
protected:
    ProfileFollow() : PanelWindowTest(kDeviceKindMouse) {}

    void SetUp() override {
        if (!bus.running())
            GTEST_SKIP() << "dbus-daemon is not available";
        dbus_shutdown(); // libdbus reads the bus address once: this test's bus is the one it is to use
        server = std::make_unique<test::NotificationServer>();
        ASSERT_TRUE(server->running());
        ::setenv("XDG_CONFIG_HOME", config.path().toUtf8().constData(), 1);
        CTrayIcon::OverrideTrayAvailable(true);
        writeProfiles();
        ASSERT_NO_FATAL_FAILURE(startWindow(false));
        mouseId = emulated.tree().plug(mouse);
        ASSERT_GT(mouseId, 0);
        ASSERT_TRUE(
            test::waitFor([&] { return page() != nullptr && page()->model().lightThreadRunning(); }, kPlugWaitMs));
        ASSERT_EQ(page()->model().userDeviceFolder(), folder());
        auto watch = std::make_unique<test::FakeActiveApplication>();
        front = watch.get();
        window->UseActiveApplicationWatch(std::move(watch));
    }
    void TearDown() override {
        PanelWindowTest::TearDown();
        server.reset();
        dbus_shutdown();
        ::unsetenv("XDG_CONFIG_HOME");
    }

    std::string folder() const { return dataDir.path().toStdString() + "/mouse/"; }
    void writeProfiles() const {
        std::filesystem::create_directories(folder());
        Json::Value factory =
            JsonFileStore::loadJsonFile(test::env("PELAN_SOURCE_DIR").toStdString() + "/DefaultData/mouse.Json");
        Json::Value list;
        for (const char* id : {"a", "b"}) {
            Json::Value profile = factory;
            profile["profilename"] = id == std::string("a") ? "A" : "B";
            profile["profileUUID"] = id;
            if (id == std::string("b"))
                for (Json::ArrayIndex stage = 0; stage < 6; ++stage)
                    profile["Device"][0]["DPIStages"]["StageDPIs"][stage]["StageDPIX"] = kStageCodesOfB[stage];
            JsonFileStore::writeJsonFile(folder() + id + ".Json", profile);
            Json::Value entry;
            entry["profilename"] = profile["profilename"];
            entry["profileUUID"] = id;
            entry["profileislink"] = id == std::string("b") ? 1 : 0;
            entry["profilelinkmame"] = id == std::string("b") ? "game" : "";
            list["profilelist"].append(entry);
        }
        list["profileselect"] = 0;
        JsonFileStore::writeJsonFile(folder() + "ProfileList.ini", list);
    }
    // The first stage's DPI code in the mouse's settings block.
    int firstStageCode() const {
        const std::vector<uint8_t> bytes = mouse->readMemory(mouse_block::kStageCode[0], 2);
        return bytes[0] | (bytes[1] << 8);
    }
    std::string selectedInFile() const {
        const Json::Value list = JsonFileStore::loadJsonFile(folder() + "ProfileList.ini");
        return list["profilelist"][list["profileselect"].asInt()]["profileUUID"].asString();
    }
    // The mouse's own button moves it to a DPI stage, and it asks for its settings to be read.
    void pressDpiButton(uint8_t stage) {
        ASSERT_TRUE(mouse->writeMemory(mouse_block::kActiveStage, std::span(&stage, 1)));
        emulated.tree().sendInput(mouseId, mouse->notificationInterface(), mouse->notificationReport(0x401));
    }
    // Unplugged: the page has let the mouse go (its light thread stopped first).
    void unplugMouse() {
        ASSERT_TRUE(emulated.tree().unplug(mouseId));
        ASSERT_TRUE(test::waitFor([&] { return !page()->isConnected(); }, kPlugWaitMs));
    }
    std::vector<std::string> shownBodies() const {
        std::vector<std::string> bodies;
        for (const test::NotificationServer::Shown& shown : server->shown())
            bodies.push_back(shown.body);
        return bodies;
    }
    // Opens the tray menu and clicks the item with this text, as the pointer does.
    void clickTrayItem(const QString& text) {
        window->GetTrayIcon().ReportClick(WM_RBUTTONUP);
        ASSERT_TRUE(test::waitFor([&] { return window->GetMenu() != nullptr && window->GetMenu()->IsOpen(); }));
        auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
        ASSERT_NE(menu, nullptr);
        for (QAction* action : menu->actions()) {
            if (action->text() != text)
                continue;
            QTest::mouseClick(menu, Qt::LeftButton, {}, menu->actionGeometry(action).center());
            return;
        }
        FAIL() << "no tray item " << text.toStdString();
    }

    test::PrivateBus bus{"DBUS_SESSION_BUS_ADDRESS"};
    std::unique_ptr<test::NotificationServer> server;
    QTemporaryDir config;
    std::shared_ptr<emu::FirmwareDevice> mouse{emu::makeDevice("mouse")};
    int mouseId = 0;
    test::FakeActiveApplication* front = nullptr;
};

TEST_F(ProfileFollow, TheLinkedProfileFollowsTheApplicationAndTheHandChosenOneComesBack) {
    const int codeOfA = firstStageCode();
    ASSERT_NE(codeOfA, kStageCodesOfB[0]);
    front->activate("game");
    ASSERT_TRUE(test::waitFor([&] { return firstStageCode() == kStageCodesOfB[0]; }));
    EXPECT_EQ(selectedInFile(), "b");
    EXPECT_EQ(page()->model().profileName, "b");
    ASSERT_TRUE(test::waitFor([&] { return !server->shown().empty(); }));
    EXPECT_EQ(server->shown().back().body, "Profile: B");

    front->activate("editor");
    ASSERT_TRUE(test::waitFor([&] { return firstStageCode() == codeOfA; }));
    EXPECT_EQ(selectedInFile(), "a");

    // Chosen in the tray while the game is in front: it stays until the application changes.
    front->activate("game");
    ASSERT_TRUE(test::waitFor([&] { return selectedInFile() == "b"; }));
    ASSERT_NO_FATAL_FAILURE(clickTrayItem("A"));
    ASSERT_TRUE(test::waitFor([&] { return selectedInFile() == "a" && firstStageCode() == codeOfA; }));
    EXPECT_EQ(control<CComboUI>("device_profile_combo")->GetCurSel(), 0);
    front->activate("game");
    ASSERT_TRUE(test::waitFor([&] { return firstStageCode() == kStageCodesOfB[0]; }));

    // Nothing switches while a key is captured: the key field of the key set panel has the focus.
    auto hook = std::make_unique<RecordingInputHook>();
    RecordingInputHook* capture = hook.get();
    window->UseInputHookBackend(std::move(hook));
    ASSERT_NO_FATAL_FAILURE(activateWindow());
    click("key_Op_tab");
    ASSERT_TRUE(test::waitFor([&] { return findKeySetPanel(*page())->isVisible(); }));
    click("key_4");
    choose(CKeySetControlUI::kFunctionCombo, "keyset_category_6_text");
    QLineEdit* keyField = control<CEditUI>(CKeySetControlUI::kKeyEdit)->GetLineEdit();
    QTest::mouseClick(keyField, Qt::LeftButton, {}, keyField->rect().center());
    ASSERT_TRUE(test::waitFor([&] { return capture->keyboardStarted(); }));
    front->activate("editor");
    test::waitFor([] { return false; }, 300); // a switch wrongly made would have landed by now
    EXPECT_EQ(selectedInFile(), "b");
    EXPECT_EQ(firstStageCode(), kStageCodesOfB[0]);
}

// Back with the application it followed still in front, the mouse keeps the profile chosen by hand; back with
// another one in front, it follows that one once it has been read.
TEST_F(ProfileFollow, APluggedInMouseFollowsOnlyAnApplicationThatChangedMeanwhile) {
    const int codeOfA = firstStageCode();
    front->activate("game");
    ASSERT_TRUE(test::waitFor([&] { return firstStageCode() == kStageCodesOfB[0]; }));
    ASSERT_NO_FATAL_FAILURE(clickTrayItem("A"));
    ASSERT_TRUE(test::waitFor([&] { return selectedInFile() == "a" && firstStageCode() == codeOfA; }));

    ASSERT_NO_FATAL_FAILURE(unplugMouse());
    mouseId = emulated.tree().plug(mouse);
    // The connect routine, and the following after it, are done once the light thread runs again.
    ASSERT_TRUE(test::waitFor([&] { return page()->model().lightThreadRunning(); }, kPlugWaitMs));
    EXPECT_EQ(selectedInFile(), "a");
    EXPECT_EQ(firstStageCode(), codeOfA);

    // The editor and then the game again in front while the mouse is away: that is a change.
    ASSERT_NO_FATAL_FAILURE(unplugMouse());
    for (const char* application : {"editor", "game"}) {
        front->activate(application);
        ASSERT_TRUE(test::waitFor([&] { return !front->unread(); }));
    }
    mouseId = emulated.tree().plug(mouse);
    ASSERT_TRUE(test::waitFor([&] { return firstStageCode() == kStageCodesOfB[0]; }, kPlugWaitMs));
    EXPECT_EQ(selectedInFile(), "b");
}

TEST_F(ProfileFollow, EachDpiChangeOnTheMouseReplacesTheLastWordUntilSwitchedOff) {
    const MouseSettingsMirror held = dynamic_cast<MouseDevice&>(page()->model()).settingsSnapshot();
    ASSERT_NO_FATAL_FAILURE(pressDpiButton(2));
    ASSERT_TRUE(test::waitFor([&] { return server->shown().size() == 1; }));
    ASSERT_NO_FATAL_FAILURE(pressDpiButton(3));
    ASSERT_TRUE(test::waitFor([&] { return server->shown().size() == 2; }));
    const std::vector<test::NotificationServer::Shown> shown = server->shown();
    EXPECT_EQ(shown[0].body, "DPI " + std::to_string(dpiFromCode(held.stageCodes[2])));
    EXPECT_EQ(shown[1].body, "DPI " + std::to_string(dpiFromCode(held.stageCodes[3])));
    EXPECT_EQ(shown[0].replaces, 0u);
    EXPECT_EQ(shown[1].replaces, shown[0].id);

    ASSERT_NO_FATAL_FAILURE(clickTrayItem(CResourceManager::GetInstance()->GetText("menu_onscreen_text")));
    ASSERT_TRUE(test::waitFor([&] { return !OnScreenWords::enabled(); }));
    ASSERT_NO_FATAL_FAILURE(pressDpiButton(1));
    ASSERT_TRUE(
        test::waitFor([&] { return dynamic_cast<MouseDevice&>(page()->model()).settingsSnapshot().activeStage == 1; }));
    test::waitFor([] { return false; }, 300); // a word wrongly sent would have arrived by now
    EXPECT_EQ(server->shown().size(), 2u);
}

TEST_F(ProfileFollow, ThePanelLinksTheSelectedProfileToAnApplicationOfTheListOrATypedId) {
    front->activate("editor");
    front->activate("notes");
    ASSERT_NO_FATAL_FAILURE(activateWindow());
    click("profile_link_spread_btn");
    ASSERT_TRUE(control("profile_link_layout")->isVisible());
    EXPECT_EQ(control("profile_link_state")->GetText(), "Not linked");
    front->activate("music"); // a new window while the list is open
    ASSERT_TRUE(test::waitFor([&] { return control<CComboUI>("profile_link_app_combo")->GetCount() == 3; }));
    ASSERT_NO_FATAL_FAILURE(pickItem(kDeviceKindMouse, "profile_link_app_combo", 2));
    EXPECT_EQ(control("profile_link_edit")->GetText(), "notes");
    click("profile_link_add_btn");
    Json::Value list = JsonFileStore::loadJsonFile(folder() + "ProfileList.ini");
    EXPECT_EQ(list["profilelist"][0]["profileislink"], Json::Value(1));
    EXPECT_EQ(list["profilelist"][0]["profilelinkmame"], Json::Value("notes"));
    EXPECT_EQ(control("profile_link_state")->GetText(), "Follows notes");

    // "game" belonged to B: typed here, it moves to A.
    type("profile_link_edit", "game");
    click("profile_link_add_btn");
    list = JsonFileStore::loadJsonFile(folder() + "ProfileList.ini");
    EXPECT_EQ(list["profilelist"][0]["profilelinkmame"], Json::Value("game"));
    EXPECT_EQ(list["profilelist"][1]["profileislink"], Json::Value(0));
    click("profile_link_remove_btn");
    list = JsonFileStore::loadJsonFile(folder() + "ProfileList.ini");
    EXPECT_EQ(list["profilelist"][0]["profileislink"], Json::Value(0));
    EXPECT_FALSE(control("profile_link_remove_btn")->isVisible());

    // A desktop that cannot tell: the panel says why in place of the list and the id field.
    click("profile_link_spread_btn");
    auto blind = std::make_unique<test::FakeActiveApplication>();
    blind->setUnavailable("no supported desktop found");
    window->UseActiveApplicationWatch(std::move(blind));
    click("profile_link_spread_btn");
    EXPECT_FALSE(control("profile_link_app_combo")->isVisible());
    EXPECT_FALSE(control("profile_link_add_btn")->isVisible());
    EXPECT_EQ(control("profile_link_unavailable")->GetText(), "Not available here: no supported desktop found");
}

} // namespace
} // namespace pelan
