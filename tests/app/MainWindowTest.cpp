// The main window: its layout, its tray behaviour, coming to the front on the instance message, the program's
// single instance across processes, and a screenshot for the build folder.
#include "AppTestSupport.h"
#include "app/AppMessages.h"
#include "app/Application.h"
#include "app/CMainWnd.h"
#include "platform/Ipc.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QScreen>
#include <QTemporaryDir>
#include <algorithm>
#include <gtest/gtest.h>

namespace pelan {
namespace {

// Creates the main window as the program does (from the source tree's skin).
std::unique_ptr<CMainWnd> makeMainWindow() {
    test::useSourceSkin("lan_en.xml");
    registerInstanceMessage();
    auto window = std::make_unique<CMainWnd>();
    window->Create(static_cast<QWidget*>(nullptr), productTitle(), 0x96CA0000, 0, 0, 0, 800, 572);
    window->CenterWindow();
    // Window init, the placement at 1350 x 810 and the first scan, which brings the window to the front.
    test::waitFor([&] {
        return window->IsStarted() && window->GetHWND()->isVisible() && window->GetHWND()->size() == QSize(1350, 810);
    });
    return window;
}

TEST(MainWindow, LayoutHoldsEveryNamedControlAndShowsNoDeviceLink) {
    auto window = makeMainWindow();
    ASSERT_NE(window->GetHWND(), nullptr);
    CPaintManagerUI* pm = window->GetPaintManager();
    for (const char* name : {"root", "device_select_layout", "device_switch", "device_power_switch", "No_device_Link",
                             "nodevice_ok_btn", "control_light_status", "setting_progress", "setbtn"})
        EXPECT_NE(pm->FindControl(name), nullptr) << name;
    for (const char* name : CMainWnd::kTitleButtons)
        EXPECT_NE(dynamic_cast<CButtonUI*>(pm->FindControl(name)), nullptr) << name;
    EXPECT_NE(pm->FindControl("device_switch")->GetInterface("TabLayout"), nullptr);
    EXPECT_NE(pm->FindControl("device_power_switch")->GetInterface("TabLayout"), nullptr);
    EXPECT_NE(pm->FindControl("setting_progress")->GetInterface("Progress"), nullptr);
    // Without a device the notice stands in place of the pages: none of them is drawn or reachable beneath it.
    EXPECT_TRUE(pm->FindControl("No_device_Link")->IsVisible());
    EXPECT_FALSE(pm->FindControl("device_switch")->IsVisible());
    CControlUI* notice = pm->FindControl("No_device_Link");
    EXPECT_EQ(ToQColor(notice->GetBkColor()).alpha(), 255);
    QWidget* hit = window->GetHWND()->childAt(notice->mapTo(window->GetHWND(), QPoint(10, 10)));
    EXPECT_TRUE(hit == notice || notice->isAncestorOf(hit));
    EXPECT_EQ(window->GetHWND()->windowTitle(), "ORVANE Pelan Gaming Mouse");
    EXPECT_EQ(window->GetHWND()->size(), QSize(1350, 810));
    EXPECT_EQ(window->GetTrayIcon().GetTooltipText(), "ORVANE Pelan Gaming Mouse");
    EXPECT_EQ(GetMainWindow(), window.get());

    // Every text key of the layout has a text in both language files.
    for (const char* language : {"lan_en.xml", "lan_cn.xml"}) {
        ASSERT_TRUE(CResourceManager::GetInstance()->LoadLanguage(language));
        for (const char* key :
             {"nodevice_title_text", "nodevice_hint_text", "ok_btn_text", "device_list_title_text", "menu_exit_text",
              "menu_autostart_text", "message_text_2", "message_text_4", "message_text_5", "message_text_5_1",
              "message_text_6", "message_text_7", "message_text_16", "message_text_22", "message_text_25"})
            EXPECT_TRUE(CResourceManager::GetInstance()->HasText(key)) << language << " " << key;
    }
    window->DestroyWindow();
}

TEST(MainWindow, CloseButtonHidesTrayAndInstanceMessageBringBack) {
    CTrayIcon::OverrideTrayAvailable(true);
    auto window = makeMainWindow();
    QWidget* host = window->GetHWND();
    host->show();
    CControlUI* close = window->GetPaintManager()->FindControl("closebtn");
    QTest::mouseClick(close, Qt::LeftButton, {}, close->rect().center());
    EXPECT_FALSE(host->isVisible());
    EXPECT_NE(window->GetHWND(), nullptr); // hidden, not closed

    window->PostMessage(appMessages().instance, 0, 1);
    ASSERT_TRUE(test::waitFor([&] { return host->isVisible(); }));

    window->GetTrayIcon().ReportClick(WM_LBUTTONUP);
    ASSERT_TRUE(test::waitFor([&] { return !host->isVisible(); }));
    window->GetTrayIcon().ReportClick(WM_LBUTTONUP);
    ASSERT_TRUE(test::waitFor([&] { return host->isVisible(); }));

    // A right click opens the tray menu; its "exit" closes the window for good.
    window->GetTrayIcon().ReportClick(WM_RBUTTONUP);
    ASSERT_TRUE(test::waitFor([&] { return window->GetMenu() != nullptr; }));
    EXPECT_TRUE(window->GetMenu()->ClickItem("exit"));
    ASSERT_TRUE(test::waitFor([&] { return window->GetHWND() == nullptr; }));
    EXPECT_FALSE(window->GetTrayIcon().IsCreated());
    CTrayIcon::OverrideTrayAvailable(std::nullopt);
}

// A display change that leaves the window off every screen, or larger than its screen, places it again at its size.
TEST(MainWindow, ADisplayChangeBringsTheWindowBackOnAScreen) {
    auto window = makeMainWindow();
    QWidget* host = window->GetHWND();
    host->show();
    QScreen* screen = QGuiApplication::primaryScreen();
    const QRect area = screen->availableGeometry();
    host->setGeometry(area.right() + 500, area.bottom() + 500, area.width() * 2, area.height() * 2);
    ASSERT_FALSE(area.contains(host->frameGeometry().center()));
    Q_EMIT screen->availableGeometryChanged(area);
    ASSERT_TRUE(test::waitFor([&] { return area.contains(host->frameGeometry().center()); }));
    EXPECT_EQ(host->size(), QSize(CMainWnd::kWindowWidth, CMainWnd::kWindowHeight));
    window->DestroyWindow();
}

// The tray menu's autostart item writes the entry that starts the program hidden in the tray, shows it ticked
// while it exists, and removes it again.
TEST(MainWindow, TrayMenuWritesAndRemovesTheAutostartEntry) {
    QTemporaryDir config;
    ::setenv("XDG_CONFIG_HOME", config.path().toUtf8().constData(), 1);
    CTrayIcon::OverrideTrayAvailable(true);
    auto window = makeMainWindow();
    const QString entry = config.filePath("autostart/com.orvane.Pelan.desktop");
    const auto openMenu = [&] {
        window->GetTrayIcon().ReportClick(WM_RBUTTONUP);
        return test::waitFor([&] { return window->GetMenu() != nullptr && window->GetMenu()->IsOpen(); });
    };
    const auto autostartItem = [&] {
        const QList<MenuCmd> items = window->GetMenu()->GetItems();
        return *std::find_if(items.begin(), items.end(),
                             [](const MenuCmd& item) { return item.szName == "autostart"; });
    };

    ASSERT_TRUE(openMenu());
    EXPECT_EQ(autostartItem().szText, CResourceManager::GetInstance()->GetText("menu_autostart_text"));
    EXPECT_FALSE(autostartItem().bChecked);
    EXPECT_TRUE(window->GetMenu()->ClickItem("autostart"));
    ASSERT_TRUE(test::waitFor([&] { return QFile::exists(entry); }));
    QFile file(entry);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QString text = QString::fromUtf8(file.readAll());
    EXPECT_TRUE(text.contains(QRegularExpression("\\nExec=/\\S+ --minimized\\n"))) << text.toStdString();

    ASSERT_TRUE(openMenu());
    EXPECT_TRUE(autostartItem().bChecked);
    EXPECT_TRUE(window->GetMenu()->ClickItem("autostart"));
    ASSERT_TRUE(test::waitFor([&] { return !QFile::exists(entry); }));
    window->DestroyWindow();
    CTrayIcon::OverrideTrayAvailable(std::nullopt);
    ::unsetenv("XDG_CONFIG_HOME");
}

// Started with --minimized and a tray, the first scan does not show the window; a later copy or the tray does.
TEST(MainWindow, MinimizedStartStaysInTheTrayUntilAskedFor) {
    CTrayIcon::OverrideTrayAvailable(true);
    StartupOptions minimized;
    minimized.minimized = true;
    setStartupOptions(minimized);
    test::useSourceSkin("lan_en.xml");
    registerInstanceMessage();
    auto window = std::make_unique<CMainWnd>();
    window->Create(static_cast<QWidget*>(nullptr), productTitle(), 0x96CA0000, 0, 0, 0, 800, 572);
    ASSERT_TRUE(test::waitFor([&] { return window->IsStarted(); }));
    test::waitFor([] { return false; }, 500); // the first scan has run and asked for the window
    EXPECT_FALSE(window->GetHWND()->isVisible());

    window->PostMessage(appMessages().instance, 0, 1);
    EXPECT_TRUE(test::waitFor([&] { return window->GetHWND()->isVisible(); }));
    window->DestroyWindow();
    setStartupOptions({});
    CTrayIcon::OverrideTrayAvailable(std::nullopt);
}

// Hidden without a tray icon to bring it back, the program would be stranded: the close button ends it instead.
TEST(MainWindow, WithoutATrayTheCloseButtonEndsTheProgram) {
    CTrayIcon::OverrideTrayAvailable(false);
    auto window = makeMainWindow();
    ASSERT_TRUE(window->IsWorkerRunning(CMainWnd::kScanWorker));
    CControlUI* close = window->GetPaintManager()->FindControl("closebtn");
    QTest::mouseClick(close, Qt::LeftButton, {}, close->rect().center());
    ASSERT_TRUE(test::waitFor([&] { return window->GetHWND() == nullptr; }));
    EXPECT_FALSE(window->IsWorkerRunning(CMainWnd::kScanWorker));
    CTrayIcon::OverrideTrayAvailable(std::nullopt);
}

TEST(MainWindow, ScreenshotIsWrittenToTheBuildFolder) {
    auto window = makeMainWindow();
    // English texts: the machines that run the tests need not have a Chinese font.
    CResourceManager::GetInstance()->LoadLanguage("lan_en.xml");
    CResourceManager::GetInstance()->ReloadText();
    window->GetHWND()->show();
    test::waitFor([] { return false; }, 100);
    const QString folder = test::env("PELAN_SCREENSHOT_DIR");
    ASSERT_FALSE(folder.isEmpty());
    QDir().mkpath(folder);
    const QString file = folder + "/main_window.png";
    QFile::remove(file);
    const QImage shot = window->GetHWND()->grab().toImage();
    ASSERT_TRUE(shot.save(file));
    EXPECT_EQ(shot.size(), QSize(1350, 810));
    // The dark theme: the window is mostly dark, and the picture is not one flat colour.
    int dark = 0;
    QSet<QRgb> colours;
    for (int y = 0; y < shot.height(); y += 8) {
        for (int x = 0; x < shot.width(); x += 8) {
            const QColor c = shot.pixelColor(x, y);
            dark += c.lightness() < 80 ? 1 : 0;
            colours.insert(c.rgb());
        }
    }
    EXPECT_GT(dark, (shot.width() / 8) * (shot.height() / 8) * 3 / 4);
    EXPECT_GT(colours.size(), 20);
    window->DestroyWindow();
}

// The program runs as two processes: the second copy exits 0 and the first receives the instance message.
class ProgramProcess : public ::testing::Test {
protected:
    void SetUp() override {
        test::app();
        ASSERT_TRUE(runtime.isValid() && program.isValid());
        QFile::setPermissions(runtime.path(), QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
        // A program folder with the skin and the factory files but without a Font folder.
        const QString source = test::env("PELAN_SOURCE_DIR");
        ASSERT_TRUE(QFile::link(source + "/skin", program.filePath("skin")));
        ASSERT_TRUE(QFile::link(source + "/DefaultData", program.filePath("DefaultData")));
        environment = QProcessEnvironment::systemEnvironment();
        environment.insert("XDG_RUNTIME_DIR", runtime.path());
        environment.insert("PELAN_PROGRAM_DIR", program.path());
        environment.insert("QT_QPA_PLATFORM", "offscreen");
    }
    QString binary() const { return test::env("PELAN_BIN_DIR") + "/pelan"; }
    QString socketPath() const { return runtime.filePath("ORVANE Pelan Gaming Mouse.sock"); }

    QTemporaryDir runtime;
    QTemporaryDir program;
    QProcessEnvironment environment;
};

TEST_F(ProgramProcess, SecondCopyTellsTheFirstAndExitsZero) {
    ::setenv("XDG_RUNTIME_DIR", runtime.path().toUtf8().constData(), 1);
    InstanceChannel first = InstanceChannel::open("ORVANE Pelan Gaming Mouse");
    ASSERT_EQ(first.role(), InstanceChannel::Role::Primary);

    QProcess second;
    second.setProcessEnvironment(environment);
    second.start(binary(), {});
    ASSERT_TRUE(second.waitForFinished(15000));
    EXPECT_EQ(second.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(second.exitCode(), 0);

    std::optional<IpcMessage> received;
    for (int i = 0; i < 50 && !received; ++i) {
        received = first.acceptMessage(200);
        if (!received)
            QTest::qWait(20);
    }
    ASSERT_TRUE(received);
    EXPECT_EQ(received->name, "ORVANE Pelan Gaming Mouse");
    EXPECT_EQ(received->wParam, 0);
    EXPECT_EQ(received->lParam, 1);
}

TEST_F(ProgramProcess, RunningCopyWithoutFontFolderStaysAloneWhenStartedAgain) {
    QProcess first;
    first.setProcessEnvironment(environment);
    first.start(binary(), {"--emulate", "mouse,mousepad,headset"});
    ASSERT_TRUE(first.waitForStarted(10000));
    ASSERT_TRUE(test::waitFor([&] { return QFile::exists(socketPath()); }, 15000))
        << first.readAllStandardError().constData();

    QProcess second;
    second.setProcessEnvironment(environment);
    second.start(binary(), {});
    ASSERT_TRUE(second.waitForFinished(15000));
    EXPECT_EQ(second.exitCode(), 0);
    EXPECT_EQ(first.state(), QProcess::Running);

    QProcess badOptions;
    badOptions.setProcessEnvironment(environment);
    badOptions.start(binary(), {"--emulate", "toaster"});
    ASSERT_TRUE(badOptions.waitForFinished(15000));
    EXPECT_EQ(badOptions.exitCode(), 2);
    EXPECT_TRUE(badOptions.readAllStandardError().contains("toaster"));
    badOptions.start(binary(), {"--minimised"});
    ASSERT_TRUE(badOptions.waitForFinished(15000));
    EXPECT_EQ(badOptions.exitCode(), 2);

    QProcess help;
    help.setProcessEnvironment(environment);
    help.start(binary(), {"--help"});
    ASSERT_TRUE(help.waitForFinished(15000));
    EXPECT_EQ(help.exitCode(), 0);
    EXPECT_TRUE(help.readAllStandardOutput().contains("--emulate"));

    first.terminate();
    if (!first.waitForFinished(5000)) {
        first.kill();
        first.waitForFinished(5000);
    }
}

TEST_F(ProgramProcess, AMissingSkinIsReportedAsAFailure) {
    QTemporaryDir bare;
    ASSERT_TRUE(QFile::link(test::env("PELAN_SOURCE_DIR") + "/DefaultData", bare.filePath("DefaultData")));
    environment.insert("PELAN_PROGRAM_DIR", bare.path());
    QProcess broken;
    broken.setProcessEnvironment(environment);
    broken.start(binary(), {});
    ASSERT_TRUE(broken.waitForFinished(15000));
    EXPECT_EQ(broken.exitCode(), 1);
    EXPECT_TRUE(broken.readAllStandardError().contains("could not be built"));
    EXPECT_FALSE(QFile::exists(socketPath()));
}

} // namespace
} // namespace pelan
