// The update path through the window, as the demo runs it: emulated devices and the demo update service, the badge
// and the settings window opened by the first check, a ticked firmware row downloaded and upgraded with the ring
// moving and the result relayed back through the instance socket, closing refused meanwhile.
#include "AppTestSupport.h"
#include "app/AppMessages.h"
#include "app/Application.h"
#include "app/CMainWnd.h"
#include "app/CSetWnd.h"
#include "app/CustomControls.h"
#include "app/DemoDevices.h"
#include "app/InstanceListener.h"
#include "controls/CCircleProgressUI.h"
#include "controls/CUpdateInfoListItemUI.h"
#include "emulator/FakeHidrawTree.h"
#include "emulator/UpdateSigner.h"
#include "platform/Ipc.h"
#include "platform/Paths.h"
#include "support/TempFolder.h"
#include "update/UpdateSignature.h"

#include <QApplication>
#include <QTest>
#include <algorithm>
#include <gtest/gtest.h>

namespace pelan {
namespace {

constexpr int kWaitMs = 15000;

void click(CControlUI* control) {
    ASSERT_NE(control, nullptr);
    QTest::mouseClick(control, Qt::LeftButton, {}, control->rect().center());
}

class SetWndTest : public ::testing::Test {
protected:
    void SetUp() override { startWindow(); }
    void startWindow() {
        ::setenv("XDG_CACHE_HOME", folder.file("cache").c_str(), 1);
        ::setenv("XDG_CONFIG_HOME", folder.file("config").c_str(), 1);
        ::setenv("XDG_RUNTIME_DIR", folder.path().c_str(), 1);
        ::chmod(folder.path().c_str(), 0700);
        setDataFolderOverride(folder.file("data"));
        setProgramFolderOverride(test::env("PELAN_SOURCE_DIR").toStdString());
        test::useSourceSkin("lan_en.xml");
        registerCustomControls();
        registerInstanceMessage();
        registerGuidMessages();
        // The relay socket the upgrade program reports to, read as the program reads its instance socket.
        channel = std::make_unique<InstanceChannel>(InstanceChannel::open("Pelan SetWnd Test"));
        ASSERT_EQ(channel->role(), InstanceChannel::Role::Primary);
        setRelaySocketPath(channel->socketPath());
        window = std::make_unique<CMainWnd>();
        listener = std::make_unique<InstanceListener>(*channel, [this](const IpcMessage& message) {
            postOutsideMessage(*window, message, MessageDoor::InstanceSocket);
        });
        demo = DemoDevices::start({"mouse", "mousepad"});
        ASSERT_NE(demo, nullptr);
        ASSERT_NE(window->Create(static_cast<QWidget*>(nullptr), productTitle(), 0x96CA0000, 0, 0, 0, 800, 572),
                  nullptr);
    }
    void TearDown() override {
        endWindow();
        setDataFolderOverride("");
        setProgramFolderOverride("");
        setRelaySocketPath("");
        ::unsetenv("XDG_CACHE_HOME");
        setStartupOptions({});
        CTrayIcon::OverrideTrayAvailable(std::nullopt);
        ::setenv("XDG_CONFIG_HOME", sharedConfig.toUtf8().constData(), 1);
    }
    void endWindow() {
        if (window != nullptr && window->GetHWND() != nullptr)
            window->DestroyWindow();
        window.reset();
        listener.reset();
        channel.reset();
        demo.reset();
    }

    CControlUI* setting(const char* name) const {
        return window->GetSettingsWindow()->GetPaintManager()->FindControl(name);
    }
    CUpdateInfoListItemUI* row(int index) const {
        auto* list = dynamic_cast<CListUI*>(setting("device_update_list_info"));
        return list != nullptr ? dynamic_cast<CUpdateInfoListItemUI*>(list->GetItemAt(index)) : nullptr;
    }
    int status(int index) const { return window->GetSettingsWindow()->Session().rows()[size_t(index)].status; }

    testing::TempFolder folder;
    const QString sharedConfig = test::env("XDG_CONFIG_HOME");
    std::unique_ptr<InstanceChannel> channel;
    std::unique_ptr<InstanceListener> listener;
    std::unique_ptr<DemoDevices> demo;
    std::unique_ptr<CMainWnd> window;
};

TEST_F(SetWndTest, NewFirmwareIsDownloadedUpgradedAndShownUpToDate) {
    // The first check finds news: the badge goes up and the settings window opens by itself.
    ASSERT_TRUE(test::waitFor([&] { return window->GetSettingsWindow() != nullptr; }, kWaitMs));
    EXPECT_EQ(window->GetPaintManager()->FindControl("setbtn")->GetForeImage(), CMainWnd::kUpdateBadgeImage);
    CSetWnd* settings = window->GetSettingsWindow();
    EXPECT_EQ(settings->GetHWND()->size(), QSize(CSetWnd::kWidth, CSetWnd::kHeight));
    // Mouse, mousepad and the program, each with something newer. The rows are redrawn on the window's thread after
    // the check thread is done, so wait for what the user sees.
    const auto newVersionShown = [&] {
        return row(2) != nullptr &&
               static_cast<CLabelUI*>(row(0)->FindSubControl("update_new_version_text"))->GetText() == "V0104";
    };
    ASSERT_TRUE(
        test::waitFor([&] { return settings->Session().state() == kWindowHaveUpdate && newVersionShown(); }, kWaitMs));
    EXPECT_EQ(static_cast<CLabelUI*>(row(0)->FindSubControl("update_current_version_text"))->GetText(), "V0103");
    EXPECT_FALSE(setting("update_fw_and_ap")->IsVisibleFlag());

    click(row(0)->TickBox());
    ASSERT_TRUE(setting("update_fw_and_ap")->IsVisibleFlag());
    click(setting("update_fw_and_ap"));
    auto* tabs = dynamic_cast<CTabLayoutUI*>(setting("get_update_tab_layout"));
    ASSERT_EQ(tabs->GetCurSel(), 1);
    click(setting("update_OK_btn"));
    EXPECT_EQ(tabs->GetCurSel(), 0);

    // The upgrade program runs and reports its progress on the ring; closing is refused meanwhile.
    auto* ring = dynamic_cast<CCircleProgressUI*>(row(0)->FindSubControl("update_progress"));
    auto* statusText = dynamic_cast<CLabelUI*>(row(0)->FindSubControl("update_status_text"));
    ASSERT_TRUE(test::waitFor(
        [&] {
            return statusText->GetText() == CResourceManager::GetInstance()->GetText("UpdateIngText") &&
                   ring->IsVisibleFlag() && ring->GetValue() > 0;
        },
        kWaitMs));
    EXPECT_EQ(status(0), kRowInstalling);
    click(setting("laterbtn"));
    QTest::qWait(100);
    ASSERT_EQ(window->GetSettingsWindow(), settings);
    // Hidden to the tray meanwhile, the window takes the busy settings window along and brings it back with it.
    CTrayIcon::OverrideTrayAvailable(true);
    click(window->GetPaintManager()->FindControl("closebtn"));
    ASSERT_EQ(window->GetSettingsWindow(), settings);
    EXPECT_FALSE(settings->GetHWND()->isVisible());
    window->GetTrayIcon().ReportClick(WM_LBUTTONUP);
    ASSERT_TRUE(test::waitFor([&] { return settings->GetHWND()->isVisible(); }, kWaitMs));

    ASSERT_TRUE(test::waitFor(
        [&] {
            return status(0) == kRowUpToDate &&
                   static_cast<CLabelUI*>(row(0)->FindSubControl("update_current_version_text"))->GetText() == "V0104";
        },
        kWaitMs));
    EXPECT_FALSE(ring->IsVisibleFlag());
    EXPECT_EQ(settings->Session().state(), kWindowHaveUpdate); // the mousepad and the program are still older

    click(setting("laterbtn"));
    ASSERT_TRUE(test::waitFor([&] { return window->GetSettingsWindow() == nullptr; }, kWaitMs));
}

TEST_F(SetWndTest, AFileSignedByAnotherKeyFailsItsRowAndTheRowSaysWhy) {
    ASSERT_TRUE(test::waitFor([&] { return window->GetSettingsWindow() != nullptr; }, kWaitMs));
    // The rows are redrawn on the window's thread after the check: wait for what the user sees.
    ASSERT_TRUE(test::waitFor(
        [&] {
            return window->GetSettingsWindow()->Session().state() == kWindowHaveUpdate && row(0) != nullptr &&
                   row(0)->TickBox()->IsEnabled();
        },
        kWaitMs));
    // The program now trusts a key the demo service does not sign with.
    const emu::UpdateSigner other;
    ::setenv(kUpdateTestKeyVariable, other.publicKey().c_str(), 1);
    click(row(0)->TickBox());
    click(setting("update_fw_and_ap"));
    click(setting("update_OK_btn"));
    auto* statusText = dynamic_cast<CLabelUI*>(row(0)->FindSubControl("update_status_text"));
    ASSERT_TRUE(test::waitFor(
        [&] {
            return status(0) == kRowFailed &&
                   statusText->GetText() == CResourceManager::GetInstance()->GetText("UpdateSignatureKeyText");
        },
        kWaitMs));
    EXPECT_EQ(statusText->GetText(), "Signed by an untrusted key");
    click(setting("laterbtn"));
    ASSERT_TRUE(test::waitFor([&] { return window->GetSettingsWindow() == nullptr; }, kWaitMs));
}

TEST_F(SetWndTest, OpensOnceAndLeavesWithTheDeviceInFront) {
    ASSERT_TRUE(test::waitFor([&] { return window->GetSettingsWindow() != nullptr; }, kWaitMs));
    CSetWnd* settings = window->GetSettingsWindow();
    const auto shownWindows = [] {
        const QWidgetList all = QApplication::topLevelWidgets();
        return std::count_if(all.begin(), all.end(), [](const QWidget* widget) { return widget->isVisible(); });
    };
    const auto shownBefore = shownWindows();
    click(window->GetPaintManager()->FindControl("setbtn"));
    QTest::qWait(100);
    EXPECT_EQ(window->GetSettingsWindow(), settings);
    EXPECT_EQ(shownWindows(), shownBefore);

    ASSERT_TRUE(test::waitFor([&] { return settings->Session().state() == kWindowHaveUpdate; }, kWaitMs));
    for (int id : demo->deviceIds())
        demo->tree().unplug(id);
    EXPECT_TRUE(test::waitFor([&] { return window->GetSettingsWindow() == nullptr; }, kWaitMs));
}

// Hidden to the tray, the window closes its idle settings window.
TEST_F(SetWndTest, HidingToTheTrayClosesTheSettingsWindow) {
    CTrayIcon::OverrideTrayAvailable(true);
    ASSERT_TRUE(test::waitFor([&] { return window->GetSettingsWindow() != nullptr; }, kWaitMs));
    ASSERT_TRUE(
        test::waitFor([&] { return window->GetSettingsWindow()->Session().state() == kWindowHaveUpdate; }, kWaitMs));
    click(window->GetPaintManager()->FindControl("closebtn"));
    EXPECT_FALSE(window->GetHWND()->isVisible());
    EXPECT_TRUE(test::waitFor([&] { return window->GetSettingsWindow() == nullptr; }, kWaitMs));
}

// The same news at the next start raises the badge only: the window opened for it once. Escape closes it as its
// close button does.
TEST_F(SetWndTest, OpensByItselfOnlyTheFirstTimeTheNewsArrivesAndEscapeClosesIt) {
    ASSERT_TRUE(test::waitFor([&] { return window->GetSettingsWindow() != nullptr; }, kWaitMs));
    QWidget* settings = window->GetSettingsWindow()->GetHWND();
    settings->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(settings));
    QTest::keyClick(QApplication::focusWidget() != nullptr ? QApplication::focusWidget() : settings, Qt::Key_Escape);
    ASSERT_TRUE(test::waitFor([&] { return window->GetSettingsWindow() == nullptr; }, kWaitMs));

    endWindow();
    startWindow();
    ASSERT_TRUE(test::waitFor(
        [&] { return window->GetPaintManager()->FindControl("setbtn")->GetForeImage() == CMainWnd::kUpdateBadgeImage; },
        kWaitMs));
    QTest::qWait(200);
    EXPECT_EQ(window->GetSettingsWindow(), nullptr);
}

// Started hidden in the tray, the news only raises the badge; the settings window opens when the user shows the
// program.
class MinimizedSetWndTest : public SetWndTest {
protected:
    void SetUp() override {
        CTrayIcon::OverrideTrayAvailable(true);
        StartupOptions minimized;
        minimized.minimized = true;
        setStartupOptions(minimized);
        startWindow();
    }
};

TEST_F(MinimizedSetWndTest, NewsWaitsUntilTheWindowIsShown) {
    ASSERT_TRUE(test::waitFor(
        [&] { return window->GetPaintManager()->FindControl("setbtn")->GetForeImage() == CMainWnd::kUpdateBadgeImage; },
        kWaitMs));
    QTest::qWait(100);
    EXPECT_EQ(window->GetSettingsWindow(), nullptr);
    EXPECT_FALSE(window->GetHWND()->isVisible());

    window->PostMessage(appMessages().instance, 0, 1); // a second start of the program, as from the desktop menu
    EXPECT_TRUE(test::waitFor([&] { return window->GetHWND()->isVisible(); }, kWaitMs));
    EXPECT_TRUE(test::waitFor([&] { return window->GetSettingsWindow() != nullptr; }, kWaitMs));
}

} // namespace
} // namespace pelan
