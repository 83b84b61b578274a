// The main window with emulated devices behind the real HID path: which device comes to the front as devices are
// plugged and unplugged, the keyboard rows that never match, the periodic status that ends with the device, the
// lighting owner and sleep, shutdown of the scan thread, the builder's tags, the emulated devices of the demo, and a
// screenshot of the mouse page.
#include "MainWindowTestSupport.h"
#include "app/AppMessages.h"
#include "app/CMainWnd.h"
#include "app/CustomControls.h"
#include "app/DemoDevices.h"
#include "controls/CDeviceOptionUI.h"
#include "emulator/FirmwareDevice.h"
#include "pages/CVeltraMouseDevice.h"
#include "pages/CVeltraUSBDevice.h"
#include "platform/Paths.h"
#include "platform/Trace.h"
#include "support/EmulatedTree.h"
#include "support/TraceCapture.h"

#include <QDir>
#include <QFile>
#include <QSet>
#include <filesystem>
#include <gtest/gtest.h>
#include <mutex>
#include <thread>

namespace pelan {
namespace {

constexpr int kPlugWaitMs = 15000;

class DeviceMainWindow : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dataDir.isValid());
        setDataFolderOverride(dataDir.path().toStdString());
        setProgramFolderOverride(test::env("PELAN_SOURCE_DIR").toStdString());
        window = test::createMainWindow();
        ASSERT_NE(window, nullptr);
        window->CenterWindow();
        // Started, placed and brought to the front after the first scan.
        ASSERT_TRUE(test::waitFor([&] {
            return window->IsStarted() && window->GetHWND()->isVisible() &&
                   window->GetHWND()->size() == QSize(CMainWnd::kWindowWidth, CMainWnd::kWindowHeight);
        }));
    }
    void TearDown() override {
        if (window != nullptr && window->GetHWND() != nullptr)
            window->DestroyWindow();
        window.reset();
        setDataFolderOverride("");
        setProgramFolderOverride("");
    }

    const CMainWnd::DevicePage& entry(int kind) const {
        const CMainWnd::DevicePage* found = window->FindPageOfKind(kind);
        EXPECT_NE(found, nullptr) << kind;
        return *found;
    }
    bool shown(int kind) const { return entry(kind).option->IsVisibleFlag(); }
    bool selected(int kind) const { return entry(kind).option->IsSelected(); }
    CControlUI* control(const char* name) const { return window->GetPaintManager()->FindControl(name); }
    CTabLayoutUI* tab(const char* name) const { return dynamic_cast<CTabLayoutUI*>(control(name)); }
    int plug(const char* kind) { return emulated.tree().plug(emu::makeDevice(kind)); }
    // Destroys the window and returns the trace lines written meanwhile.
    std::vector<std::string> destroyTracing() {
        std::mutex lock;
        std::vector<std::string> lines;
        const TraceSink previous = setTraceSink([&](std::string_view line) {
            std::lock_guard guard(lock);
            lines.emplace_back(line);
        });
        window->DestroyWindow();
        setTraceSink(previous);
        return lines;
    }
    static bool contains(const std::vector<std::string>& lines, const std::string& text) {
        return std::find(lines.begin(), lines.end(), text) != lines.end();
    }

    QTemporaryDir dataDir;
    test::EmulatedTree emulated; // before the window: the scan looks at its tree
    std::unique_ptr<CMainWnd> window;
};

TEST_F(DeviceMainWindow, PagesAreMadeForEveryKindAndStartHidden) {
    const auto& pages = window->GetDevicePages();
    ASSERT_EQ(pages.size(), 4u);
    const int kinds[] = {2, 1, 3, 7}; // the order of the device kind table
    for (size_t i = 0; i < pages.size(); ++i) {
        EXPECT_EQ(pages[i].kind, kinds[i]);
        EXPECT_FALSE(pages[i].option->IsVisibleFlag());
        EXPECT_EQ(pages[i].option->GetTabIndex(), int(i));
        EXPECT_EQ(pages[i].option->GetPowerIndex(), int(i));
        EXPECT_EQ(pages[i].page->listItem(), pages[i].option);
        EXPECT_FALSE(pages[i].page->isConnected());
    }
    EXPECT_NE(dynamic_cast<CVeltraMouseDevice*>(pages[0].page), nullptr);
    EXPECT_EQ(pages[0].page->tableIntegers(), (std::array<int, 4>{19, 8, 0, -1}));
    EXPECT_EQ(pages[0].option->GetNormalImage(), "common/device_ico/ms_device_normal.png");
    EXPECT_EQ(pages[2].option->GetNormalImage(), "common/device_ico/hard_mp_device_normal.png");
    EXPECT_TRUE(control("No_device_Link")->IsVisibleFlag());
    EXPECT_EQ(window->GetSelectedPage(), nullptr);
    EXPECT_TRUE(window->IsWorkerRunning(CMainWnd::kScanWorker));
}

TEST_F(DeviceMainWindow, FirstDeviceComesToTheFrontAndUnpluggingMovesTheSelection) {
    const int mouse = plug("mouse");
    ASSERT_TRUE(test::waitFor([&] { return shown(2) && entry(2).page->isConnected(); }, kPlugWaitMs));
    EXPECT_TRUE(selected(2));
    EXPECT_FALSE(control("No_device_Link")->IsVisibleFlag());
    EXPECT_EQ(tab("device_switch")->GetCurSel(), entry(2).option->GetTabIndex());
    EXPECT_EQ(window->GetSelectedPage(), entry(2).page);
    EXPECT_FALSE(entry(2).page->multipleDevicesShown());

    // A second device shows without taking the front.
    const int pad = plug("mousepad");
    ASSERT_TRUE(test::waitFor([&] { return shown(3) && entry(3).page->isConnected(); }, kPlugWaitMs));
    EXPECT_TRUE(selected(2));
    EXPECT_FALSE(selected(3));
    EXPECT_EQ(window->GetSelectedPage(), entry(2).page);
    EXPECT_TRUE(entry(2).page->multipleDevicesShown());

    // Unplugging the device in front brings the other one forward, with its power panel.
    ASSERT_TRUE(emulated.tree().unplug(mouse));
    ASSERT_TRUE(test::waitFor([&] { return !shown(2); }, kPlugWaitMs));
    EXPECT_TRUE(selected(3));
    EXPECT_EQ(window->GetSelectedPage(), entry(3).page);
    EXPECT_EQ(tab("device_switch")->GetCurSel(), entry(3).option->GetTabIndex());
    EXPECT_TRUE(tab("device_power_switch")->IsVisibleFlag());
    EXPECT_EQ(tab("device_power_switch")->GetCurSel(), entry(3).option->GetPowerIndex());
    EXPECT_FALSE(entry(3).page->multipleDevicesShown());

    // The last one gone: the notice is back and both tab layouts show their first item.
    ASSERT_TRUE(emulated.tree().unplug(pad));
    ASSERT_TRUE(test::waitFor([&] { return !shown(3); }, kPlugWaitMs));
    EXPECT_TRUE(control("No_device_Link")->IsVisibleFlag());
    EXPECT_EQ(tab("device_switch")->GetCurSel(), 0);
    EXPECT_EQ(tab("device_power_switch")->GetCurSel(), 0);
    EXPECT_EQ(window->GetSelectedPage(), nullptr);

    // Plugged again, it is found again and comes to the front.
    plug("mousepad");
    ASSERT_TRUE(test::waitFor([&] { return shown(3) && entry(3).page->isConnected(); }, kPlugWaitMs));
    EXPECT_TRUE(selected(3));
}

TEST_F(DeviceMainWindow, TheEmulatedKeyboardComesThroughTheDemoDeviceFile) {
    plug("headset");
    ASSERT_TRUE(test::waitFor([&] { return shown(7) && entry(7).page->isConnected(); }, kPlugWaitMs));
    plug("keyboard");
    // Its notification collection comes before its command collection and waits for it; the page may show the
    // command interface a moment before the notification channel is open.
    const ReportProtocol& notify = entry(1).page->model().notifyChannel;
    ASSERT_TRUE(test::waitFor([&] { return shown(1) && entry(1).page->isConnected() && notify.connected.load() != 0; },
                              kPlugWaitMs));
    EXPECT_EQ(entry(1).page->identity().productId, 0x7650);
    EXPECT_NE(notify.device.devicePath.find("pid_7650&mi_01&col03"), std::string::npos) << notify.device.devicePath;
    EXPECT_TRUE(selected(7));
}

TEST_F(DeviceMainWindow, PeriodicStatusTimerEndsWithTheDevice) {
    const int pad = plug("mousepad");
    CDeviceOptionUI* option = entry(3).option;
    CPaintManagerUI* pm = window->GetPaintManager();
    ASSERT_TRUE(test::waitFor([&] { return pm->HasTimer(option, CDeviceOptionUI::kPeriodicTimer); }, kPlugWaitMs));
    ASSERT_TRUE(emulated.tree().unplug(pad));
    ASSERT_TRUE(test::waitFor([&] { return !shown(3); }, kPlugWaitMs));
    TEventUI tick;
    tick.Type = UIEVENT_TIMER;
    tick.wParam = CDeviceOptionUI::kPeriodicTimer;
    option->DoEvent(tick); // its next run
    EXPECT_FALSE(pm->HasTimer(option, CDeviceOptionUI::kPeriodicTimer));
}

TEST_F(DeviceMainWindow, LightingOwnerFollowsTheButtonAndSiblingRequestsAndSleep) {
    auto* label = dynamic_cast<CButtonUI*>(control("control_light_status"));
    ASSERT_NE(label, nullptr);
    const auto allPages = [&](int value) {
        for (const auto& page : window->GetDevicePages())
            if (page.page->lightingControl() != value)
                return false;
        return true;
    };
    EXPECT_EQ(window->GetLightingControl(), 1);
    QTest::mouseClick(label, Qt::LeftButton, {}, label->rect().center());
    EXPECT_EQ(window->GetLightingControl(), 0);
    EXPECT_EQ(label->GetText(), QString("Lighting left alone"));
    EXPECT_TRUE(allPages(0));
    QTest::mouseClick(label, Qt::LeftButton, {}, label->rect().center());
    EXPECT_EQ(label->GetText(), QString("Controls the lighting"));
    EXPECT_TRUE(allPages(1));

    // A sibling asks for the lighting (wParam 1); other wParams are not requests.
    window->SendMessage(appMessages().lightingOwnerRequest, 0, 0);
    EXPECT_EQ(window->GetLightingControl(), 1);
    window->SendMessage(appMessages().lightingOwnerRequest, 1, 0);
    EXPECT_EQ(window->GetLightingControl(), 0);
    EXPECT_EQ(label->GetText(), QString("Lighting left alone"));
    EXPECT_TRUE(allPages(0));
    window->SendMessage(appMessages().lightingOwnerRequest, 1, 1);
    EXPECT_TRUE(allPages(1));

    // Asleep the pages send no light; awake they follow the owner flag again. A device plugged meanwhile is not lost.
    window->SendMessage(WM_POWERBROADCAST, CMainWnd::PBT_APMSUSPEND, 0);
    EXPECT_TRUE(window->IsSuspended());
    EXPECT_TRUE(allPages(0));
    EXPECT_EQ(window->GetLightingControl(), 1);
    plug("headset");
    ASSERT_TRUE(test::waitFor([&] { return shown(7) && entry(7).page->isConnected(); }, kPlugWaitMs));
    window->SendMessage(WM_POWERBROADCAST, CMainWnd::PBT_APMRESUMEAUTOMATIC, 0);
    EXPECT_FALSE(window->IsSuspended());
    EXPECT_TRUE(allPages(1));
}

// A device whose settings were changed behind the program's back gets the profile's back when it is plugged in
// again and when the machine resumes; a device that still holds them is not written to.
TEST_F(DeviceMainWindow, DevicesGetTheirProfileBackAfterReplugAndResume) {
    struct Watched {
        int kind;
        const char* name;
        size_t address; // a byte of the profile's settings in the device's memory
    };
    const Watched watched[] = {{kDeviceKindMouse, "mouse", 19}, {kDeviceKindMousepad, "mousepad", 1}};
    test::TraceCapture trace;
    const auto reapplied = [&](const char* name) {
        return trace.count(std::string("re-applied to the ") + name + ":");
    };
    const auto suspendAndResume = [&] {
        window->SendMessage(WM_POWERBROADCAST, CMainWnd::PBT_APMSUSPEND, 0);
        window->SendMessage(WM_POWERBROADCAST, CMainWnd::PBT_APMRESUMEAUTOMATIC, 0);
    };

    for (const Watched& device : watched) {
        SCOPED_TRACE(device.name);
        std::shared_ptr<emu::FirmwareDevice> plugged = emu::makeDevice(device.name);
        const int id = emulated.tree().plug(plugged);
        CVeltraUSBDevice* page = entry(device.kind).page;
        ASSERT_TRUE(test::waitFor([&] { return page->isConnected(); }, kPlugWaitMs));
        ASSERT_TRUE(test::waitFor([&] { return page->model().lightThreadRunning(); }, kPlugWaitMs));
        const auto held = [&] { return plugged->readMemory(device.address, 1).at(0); };
        const uint8_t profileValue = held();
        const auto before = reapplied(device.name); // the first arrival may already have written the profile
        const std::array<uint8_t, 1> foreign = {uint8_t(profileValue ^ 1)};

        ASSERT_TRUE(plugged->writeMemory(device.address, foreign));
        ASSERT_TRUE(emulated.tree().unplug(id));
        ASSERT_TRUE(test::waitFor([&] { return !page->isConnected(); }, kPlugWaitMs));
        emulated.tree().plug(plugged);
        EXPECT_TRUE(test::waitFor([&] { return held() == profileValue; }, kPlugWaitMs));
        EXPECT_TRUE(test::waitFor([&] { return page->model().lightThreadRunning(); }, kPlugWaitMs));
        EXPECT_EQ(reapplied(device.name), before + 1);

        ASSERT_TRUE(plugged->writeMemory(device.address, foreign));
        suspendAndResume();
        EXPECT_EQ(held(), profileValue);
        EXPECT_EQ(reapplied(device.name), before + 2);
        suspendAndResume();
        EXPECT_EQ(reapplied(device.name), before + 2) << "nothing differs, nothing is written";
    }
}

TEST_F(DeviceMainWindow, ShutdownEndsEveryWorker) {
    plug("mouse");
    ASSERT_TRUE(test::waitFor([&] { return entry(2).page->isConnected(); }, kPlugWaitMs));
    const std::vector<std::string> lines = destroyTracing();
    EXPECT_EQ(window->GetHWND(), nullptr);
    for (int i = 0; i < CMainWnd::kWorkerCount; ++i)
        EXPECT_FALSE(window->IsWorkerRunning(i)) << i;
    EXPECT_TRUE(contains(lines, "抓取设备线程设定退出"));
    EXPECT_FALSE(contains(lines, "所有对象处于非激发状态，超时"));
}

TEST_F(DeviceMainWindow, ShutdownWhileTheScanThreadWaitsForTheWindowEndsPromptly) {
    plug("mouse");
    // The UI thread runs no events: the scan thread finds the mouse and waits in its blocking arrival report.
    std::this_thread::sleep_for(5 * DeviceScanner::kScanPeriod);
    const std::vector<std::string> lines = destroyTracing();
    EXPECT_FALSE(window->IsWorkerRunning(CMainWnd::kScanWorker));
    EXPECT_TRUE(contains(lines, "抓取设备线程设定退出"));
    EXPECT_FALSE(contains(lines, "所有对象处于非激发状态，超时"));
    // The waiting report was taken and dropped: a window going away shows no new device.
    EXPECT_FALSE(shown(2));
}

TEST_F(DeviceMainWindow, BuilderKnowsThePageTagsInAnyCase) {
    std::unique_ptr<CControlUI> mouse(window->CreateControl("veltramousedevice"));
    EXPECT_NE(dynamic_cast<CVeltraMouseDevice*>(mouse.get()), nullptr);
    std::unique_ptr<CControlUI> pad(window->CreateControl("VeltraMousePadDevice"));
    EXPECT_NE(dynamic_cast<CVeltraUSBDevice*>(pad.get()), nullptr);
    EXPECT_EQ(window->CreateControl("Button"), nullptr); // the UI layer's own
    EXPECT_EQ(window->CreateControl("NoSuchTag"), nullptr);
}

TEST_F(DeviceMainWindow, ScreenshotOfTheMousePageIsWrittenToTheBuildFolder) {
    plug("mouse");
    ASSERT_TRUE(test::waitFor([&] { return shown(2) && entry(2).page->isConnected(); }, kPlugWaitMs));
    test::waitFor([] { return false; }, 800); // the connect routine has read the device
    const QString folder = test::env("PELAN_SCREENSHOT_DIR");
    ASSERT_FALSE(folder.isEmpty());
    QDir().mkpath(folder);
    const QString file = folder + "/main_window_mouse_page.png";
    QFile::remove(file);
    const QImage shot = window->GetHWND()->grab().toImage();
    ASSERT_TRUE(shot.save(file));
    EXPECT_EQ(shot.size(), QSize(CMainWnd::kWindowWidth, CMainWnd::kWindowHeight));
    QSet<QRgb> colours;
    for (int y = 0; y < shot.height(); y += 8)
        for (int x = 0; x < shot.width(); x += 8)
            colours.insert(shot.pixel(x, y));
    EXPECT_GT(colours.size(), 30);
}

TEST(DemoDevices, ServesTheKindsUnderAFreshRootAndRemovesItAfterwards) {
    ::setenv("PELAN_HIDRAW_ROOT", "/somewhere/else", 1);
    std::string root;
    {
        auto demo = DemoDevices::start({"mouse", "toaster", "headset"});
        ASSERT_NE(demo, nullptr);
        root = demo->root();
        EXPECT_EQ(std::string(std::getenv("PELAN_HIDRAW_ROOT")), root);
        EXPECT_EQ(demo->deviceIds().size(), 2u);
        EXPECT_TRUE(std::filesystem::exists(root + "/sys/class/hidraw"));
        HidDevice enumerator;
        ASSERT_TRUE(enumerator.enumerate());
        EXPECT_GT(enumerator.pathCount(), 0u);
    }
    EXPECT_FALSE(std::filesystem::exists(root));
    EXPECT_EQ(std::string(std::getenv("PELAN_HIDRAW_ROOT")), "/somewhere/else");
    ::unsetenv("PELAN_HIDRAW_ROOT");
}

} // namespace
} // namespace pelan
