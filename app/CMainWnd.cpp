#include "app/CMainWnd.h"
#include "headset/ConfLibrary.h"

#include "app/AppMessages.h"
#include "app/Application.h"
#include "app/CSetWnd.h"
#include "app/DemoDevices.h"
#include "app/HookGuard.h"
#include "app/MainWndRgbServer.h"
#include "app/OnScreenWords.h"
#include "controls/CDeviceOptionUI.h"
#include "device/LightSync.h"
#include "pages/CVeltraUSBDevice.h"
#include "panels/KeySetRoutes.h"
#include "panels/MacroRoutes.h"
#include "panels/ProfileRoutes.h"
#include "platform/ActiveApplication.h"
#include "platform/Autostart.h"
#include "platform/DbusSignals.h"
#include "platform/Hidraw.h"
#include "platform/HttpClient.h"
#include "platform/InputHook.h"
#include "platform/Trace.h"
#include "rgbserver/RgbServerSettings.h"
#include "update/UpdateService.h"

#include <QCoreApplication>
#include <QCursor>
#include <QGuiApplication>
#include <QPixmap>
#include <QScreen>
#include <QSocketNotifier>
#include <algorithm>

namespace pelan {
namespace {

std::atomic<CMainWnd*> g_mainWindow{nullptr};

constexpr const char* kNoDeviceLink = "No_device_Link";
constexpr const char* kDeviceSwitch = "device_switch";
constexpr const char* kControlLightStatus = "control_light_status";
constexpr const char* kSettingProgress = "setting_progress";
constexpr const char* kExitItem = "exit";
constexpr const char* kAutostartItem = "autostart";
constexpr const char* kLightingOffLabel = "lighting_owner_off_text";
constexpr const char* kLightingOnLabel = "lighting_owner_on_text";
constexpr const char* kRgbClientControlText = "rgb_client_control_text";
constexpr int kRgbOwnerLabelWidth = 240;
constexpr int kTrayMenuLift = 50;
constexpr int kBaseDpi = 96;

} // namespace

CMainWnd* GetMainWindow() {
    return g_mainWindow.load();
}

CMainWnd::CMainWnd() = default;

CMainWnd::~CMainWnd() {
    // A window destroyed without WM_DESTROY (never created, or deleted directly) still ends its workers.
    ForgetUpdatePoster();
    StopWorkers();
    m_siblingNotifier.reset();
    m_sleepNotifier.reset();
    m_appWatchNotifier.reset();
    CMainWnd* self = this;
    g_mainWindow.compare_exchange_strong(self, nullptr);
    if (CResourceManager::GetInstance()->GetTextQueryInterface() == this)
        CResourceManager::GetInstance()->SetTextQueryInterface(nullptr);
}

void CMainWnd::InitWindow() {
    trace("InitWindow");
    CResourceManager::GetInstance()->SetTextQueryInterface(this);
    ApplyLanguage(StoredLanguageIndex());
    AddObserver(&m_skinSubject);
    ShowStoredSkin();
    for (int i = 0; i < 9; ++i)
        m_titleButtons[i] = m_pm.FindControl(kTitleButtons[i]);
    g_mainWindow.store(this);
    const QIcon icon(QPixmap::fromImage(LoadImage(QString::number(kTrayIconId))));
    if (m_hWnd != nullptr)
        m_hWnd->setWindowIcon(icon);
    m_tray.CreateTrayIcon(this, kTrayIconId, icon, productTitle());
}

// Runs once the window's controls exist: announces the lighting ownership, makes the pages, hides the window until
// the first scan has run, and starts the workers.
void CMainWnd::OnWindowInit() {
    WatchBuses();
    BroadcastLightingOwner(1);
    StartDemoDevices();
    m_scanner = std::make_unique<DeviceScanner>(m_scanListener);
    CreateDevicePages();
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        m_screenSize = screen->size();
    WatchScreens();
    ShowWindow(false);
    m_keepHidden = startupOptions().minimized && m_tray.CanRestoreWindow();
    ApplyVisibleOptionRules();
    StartScanThread();
    StartUpdateThread();
    StartLightSyncThread();
    if (m_appWatch == nullptr)
        UseActiveApplicationWatch(ActiveApplicationWatch::forThisSession());
    if (startupOptions().rgbServer || rgb::storedServerEnabled())
        if (const std::string error = StartRgbServer(); !error.empty())
            trace("RGB server: " + error);
    SetTimer(kPlacementTimer, kPlacementDelayMs);
    m_started = true;
}

void CMainWnd::StartDemoDevices() {
    const std::vector<std::string>& kinds = startupOptions().emulateKinds;
    if (kinds.empty()) {
        // Devices of pelan-emu, in a process of its own, come with the simulated headset audio too.
        if (useSimulatedAudioForEmulatedDevices())
            trace("emulated devices under " + platform::hidrawRoot() + ": the headset audio is simulated");
        return;
    }
    // The audio library then serves its simulated headset.
    useSimulatedAudio();
    m_demo = DemoDevices::start(kinds);
    if (m_demo == nullptr)
        trace("the emulated devices could not be started");
    else
        trace("emulated devices under " + m_demo->root());
}

void CMainWnd::StartScanThread() {
    m_scanner->watchDeviceFolder();
    m_workers[kScanWorker].start([this](StopEvent& stop) { m_scanner->run(stop); });
}

bool CMainWnd::IsWorkerRunning(int index) const {
    return index >= 0 && index < kWorkerCount && m_workers[size_t(index)].running();
}

void CMainWnd::StopWorkers() {
    m_stopping = true;
    // The server's clients drive the devices the other workers serve: they go first.
    StopRgbServer();
    // The scan thread may be waiting for the UI thread to take its report; the report is taken (and ignored) so the
    // thread can see its stop event.
    const std::function<void()> takeWaitingReport = [this] {
        if (m_scanSending)
            QCoreApplication::sendPostedEvents(nullptr, QEvent::MetaCall);
    };
    for (int i = 0; i < kWorkerCount; ++i) {
        WorkerThread& worker = m_workers[size_t(i)];
        if (!worker.running())
            continue;
        std::function<void()> wake;
        if (i == kScanWorker)
            wake = [this, &takeWaitingReport] {
                takeWaitingReport();
                m_scanner->wakeWait();
            };
        else if (i == kUpdateWorker)
            wake = [this] { m_updateChecker->stop(); };
        else if (i == kLightSyncWorker && m_syncRunner != nullptr)
            wake = [runner = m_syncRunner.get()] { runner->interrupt(); };
        const WorkerThread::StopOutcome outcome = worker.stop(wake);
        if (i == kLightSyncWorker && m_syncRunner != nullptr)
            m_syncRunner->resumeStreams();
        if (outcome == WorkerThread::StopOutcome::TimedOut)
            trace("所有对象处于非激发状态，超时");
        else if (outcome == WorkerThread::StopOutcome::NotRunning)
            trace("错误" + std::to_string(i));
    }
}

CControlUI* CMainWnd::BuildTree(const QString& layout) {
    CDialogBuilder builder;
    return builder.Create(layout, QString(), this, &m_pm);
}

bool CMainWnd::IsDeviceOptionShown() const {
    return CountVisibleOptions() > 0;
}

void CMainWnd::ShowNoDeviceScreen(bool show) {
    // The notice covers the page area alone: the pages beneath are neither drawn nor reachable while it shows.
    if (CControlUI* noDevice = m_pm.FindControl(kNoDeviceLink))
        noDevice->SetVisible(show);
    if (CControlUI* pages = m_pm.FindControl(kDeviceSwitch))
        pages->SetVisible(!show);
}

void CMainWnd::BringToFront() {
    ShowNoDeviceScreen(!IsDeviceOptionShown());
    if (m_keepHidden)
        return;
    SendMessage(WM_SYSCOMMAND, SC_RESTORE, 0);
    // Restoring raises and activates the window: the stand-in for the brief topmost switch.
    ShowWindow(true, true);
}

void CMainWnd::PlaceWindow() {
    if (m_hWnd == nullptr)
        return;
    const bool shown = m_hWnd->isVisible() && !m_hWnd->isMinimized();
    if (!shown)
        SendMessage(WM_SYSCOMMAND, SC_RESTORE, 0);
    CPaintManagerUI::SetAllDPI(kBaseDpi);
    m_pm.SetDPI(kBaseDpi);
    m_windowDpi = kBaseDpi;
    ResizeClient(kWindowWidth, kWindowHeight);
    CenterWindow();
    ShowWindow(shown, false);
}

// A screen that goes, changes its size or its scale: the window stays on a screen and at its size.
void CMainWnd::WatchScreens() {
    m_screenWatch = std::make_unique<QObject>();
    QObject* context = m_screenWatch.get();
    const auto displayChanged = [this] { PostMessage(WM_DISPLAYCHANGE, 0, 0); };
    const auto watch = [context, displayChanged](QScreen* screen) {
        QObject::connect(screen, &QScreen::availableGeometryChanged, context, displayChanged);
        QObject::connect(screen, &QScreen::logicalDotsPerInchChanged, context, displayChanged);
    };
    for (QScreen* screen : QGuiApplication::screens())
        watch(screen);
    QObject::connect(qApp, &QGuiApplication::screenAdded, context, watch);
    QObject::connect(qApp, &QGuiApplication::screenRemoved, context, displayChanged);
}

void CMainWnd::KeepOnScreen() {
    if (m_hWnd == nullptr || m_hWnd->isMaximized())
        return;
    const QRect frame = m_hWnd->frameGeometry();
    const QList<QScreen*> screens = QGuiApplication::screens();
    const bool fits = std::any_of(screens.begin(), screens.end(), [&](const QScreen* screen) {
        const QRect area = screen->availableGeometry();
        return area.contains(frame.center()) && frame.width() <= area.width() && frame.height() <= area.height();
    });
    if (!fits)
        PlaceWindow();
}

void CMainWnd::HideOrEnd() {
    if (m_tray.CanRestoreWindow()) {
        HideToTray();
        return;
    }
    // Hidden without a tray icon the program could not be brought back: closing ends it, as the tray's "exit" does.
    trace("no system tray: closing ends the program");
    Close(0);
}

// The windows that belong to the main window go with it: a settings window busy with an update only hides.
void CMainWnd::HideToTray() {
    CloseSettings();
    if (m_setWnd != nullptr)
        m_setWnd->ShowWindow(false);
    if (m_skinFrame != nullptr)
        ToggleSkinPicker();
    ShowWindow(false);
}

void CMainWnd::ToggleShown() {
    if (m_hWnd == nullptr)
        return;
    if (m_hWnd->isVisible() && !m_hWnd->isMinimized()) {
        HideToTray();
        return;
    }
    StopKeepingHidden();
    ShowWindow(true, true);
    // A settings window busy with an update stayed open while the program was in the tray.
    if (m_setWnd != nullptr)
        m_setWnd->ShowWindow(true, true);
    PlaceWindow();
    BringToFront();
    m_hWnd->update();
}

void CMainWnd::OpenTrayMenu() {
    m_menu = std::make_unique<CMenuWnd>();
    m_menu->Init(this, TrayMenuLayout(), QCursor::pos() - QPoint(0, kTrayMenuLift));
    m_menu->SetItemChecked(kAutostartItem, autostartEnabled());
    m_menu->SetItemChecked(kOnScreenMenuItem, OnScreenWords::enabled());
}

// --- lighting owner ---

void CMainWnd::SetLightingControl(int enabled, bool broadcast) {
    m_lightingControl = enabled != 0 ? 1 : 0;
    if (broadcast)
        BroadcastLightingOwner(m_lightingControl);
    ShowLightingOwner();
    ApplyLightingControlToPages(m_lightingControl);
}

void CMainWnd::ShowLightingOwner() {
    CControlUI* label = m_pm.FindControl(kControlLightStatus);
    if (label == nullptr)
        return;
    // The layout's width fits the two owner texts; a client's name needs more room while it is shown.
    if (m_ownerLabelWidth == 0)
        m_ownerLabelWidth = label->GetFixedWidth();
    label->SetFixedWidth(m_rgbOwners.empty() ? m_ownerLabelWidth : kRgbOwnerLabelWidth);
    if (m_rgbOwners.empty()) {
        label->SetText(m_lightingControl != 0 ? kLightingOnLabel : kLightingOffLabel);
        label->SetResourceText(true);
        return;
    }
    std::string names;
    for (const std::string& name : m_rgbOwners)
        names += (names.empty() ? "" : ", ") + name;
    label->SetResourceText(false);
    label->SetText(CResourceManager::GetInstance()->GetText(kRgbClientControlText).arg(QString::fromStdString(names)));
}

void CMainWnd::BroadcastLightingOwner(int lParam) {
    if (m_siblings != nullptr)
        m_siblings->broadcast({kLightingOwnerAnnouncementName, 1, lParam});
    else
        trace("no session bus: lighting ownership not announced");
}

void CMainWnd::ApplyLightingControlToPages(int enabled) {
    for (DevicePage& entry : m_pages)
        entry.page->setLightingControl(enabled);
    // The sync thread rests while another program owns the lighting and takes up its steps when it comes back.
    if (m_syncRunner != nullptr)
        m_syncRunner->wake();
}

// Sibling programs reach this window over the session bus, the machine's sleep over the system bus; each bus that
// is there is watched from the event loop.
void CMainWnd::WatchBuses() {
    m_siblings = std::make_unique<SiblingBus>();
    if (m_siblings->fd() >= 0) {
        m_siblingNotifier = std::make_unique<QSocketNotifier>(m_siblings->fd(), QSocketNotifier::Read);
        QObject::connect(m_siblingNotifier.get(), &QSocketNotifier::activated, [this] { ReadSiblingMessages(); });
    }
    m_sleep = std::make_unique<SleepWatcher>();
    if (m_sleep->fd() >= 0) {
        m_sleepNotifier = std::make_unique<QSocketNotifier>(m_sleep->fd(), QSocketNotifier::Read);
        QObject::connect(m_sleepNotifier.get(), &QSocketNotifier::activated, [this] { ReadSleepChanges(); });
    }
}

void CMainWnd::ReadSiblingMessages() {
    for (const IpcMessage& message : m_siblings->takeMessages())
        postOutsideMessage(*this, message, MessageDoor::SiblingBus);
}

void CMainWnd::ReadSleepChanges() {
    for (bool sleeping : m_sleep->takeChanges())
        SendMessage(WM_POWERBROADCAST, sleeping ? PBT_APMSUSPEND : PBT_APMRESUMEAUTOMATIC, 0);
}

// --- messages ---

LRESULT CMainWnd::OnDestroy(UINT, WPARAM, LPARAM, bool& bHandled) {
    // The keyboard is given back first: stopping the workers below may take a while.
    ReleaseInputHook();
    ShowWindow(false);
    KillTimer(kOpenRetryTimer);
    m_stopping = true;
    if (m_setWnd != nullptr)
        m_setWnd->DestroyWindow();
    if (m_skinFrame != nullptr)
        m_skinFrame->DestroyWindow();
    ForgetUpdatePoster();
    StopWorkers();
    m_tray.DeleteTrayIcon();
    PostQuitMessage(0);
    bHandled = false;
    return 0;
}

void CMainWnd::OnTimer(UINT id) {
    if (id == kPlacementTimer) {
        KillTimer(kPlacementTimer);
        PlaceWindow();
        if (m_hWnd != nullptr)
            m_hWnd->update();
    } else if (id == kTrayMenuTimer) {
        KillTimer(kTrayMenuTimer);
        OpenTrayMenu();
    } else if (id == kOpenRetryTimer) {
        RetryPendingOpens();
    } else {
        handleProfileSwitchTimer(*this, id);
    }
}

LRESULT CMainWnd::HandleCustomMessage(UINT uMsg, WPARAM wParam, LPARAM lParam, bool& bHandled) {
    bHandled = true;
    const AppMessageIds& ids = appMessages();
    if (uMsg == WM_ACTIVATE) {
        m_active = m_hovered = wParam != 0;
    } else if (uMsg == WM_MOUSELEAVE || uMsg == WM_MOUSEHOVER) {
        if (!m_active)
            m_hovered = uMsg == WM_MOUSEHOVER;
    } else if (uMsg == ids.instance && uMsg != 0) {
        // lParam 1: a later copy was started, so the user wants the window even after --minimized.
        if (lParam != 0)
            StopKeepingHidden();
        BringToFront();
        // The first comes after the first scan, when the connected devices have their pages: time to check.
        if (!m_updateCheckAsked)
            RequestUpdateCheck();
    } else if (uMsg == ids.settingsRelay && uMsg != 0) {
        if (m_setWnd != nullptr)
            m_setWnd->PostMessage(uMsg, wParam, lParam);
    } else if (uMsg == ids.lightingOwnerRequest && uMsg != 0) {
        if (wParam == 1)
            SetLightingControl(lParam != 0 ? 1 : 0, false);
    } else if (uMsg == WM_POWERBROADCAST && wParam == PBT_APMRESUMEAUTOMATIC) {
        m_resumed = true;
        ApplyLightingControlToPages(m_lightingControl);
        ReapplyProfilesAfterResume();
    } else if (uMsg == WM_POWERBROADCAST && wParam == PBT_APMSUSPEND) {
        m_resumed = false;
        ApplyLightingControlToPages(0);
    } else if (uMsg == UWM_DEVICE_ARRIVAL_MSG) {
        // Arrivals and removals are handled even while suspended: the scan thread has already claimed or released
        // the slot, so a dropped report would leave the page out of step with the device until it is plugged again.
        if (!m_stopping)
            OnDeviceArrival(int(wParam));
    } else if (uMsg == UWM_DEVICE_REMOVAL_MSG) {
        if (!m_stopping)
            OnDeviceRemoval(int(wParam));
    } else if (!m_resumed) {
        // While the machine sleeps the window does nothing else.
    } else if (uMsg == WM_DISPLAYCHANGE) {
        KeepOnScreen();
    } else if (uMsg == WM_TIMER) {
        OnTimer(UINT(wParam));
    } else if (uMsg == UIMSG_TRAYICON) {
        if (lParam == WM_LBUTTONUP)
            ToggleShown();
        else if (lParam == WM_RBUTTONUP)
            SetTimer(kTrayMenuTimer, 10);
    } else if (uMsg == WM_MENUCLICK) {
        const auto* item = reinterpret_cast<const MenuCmd*>(wParam);
        if (item != nullptr && item->szName == kExitItem)
            Close(0);
        else if (item != nullptr && item->szName == kAutostartItem)
            SetAutostartFromTray(!item->bChecked);
        else if (item != nullptr && !HandleTrayMenuItem(*item))
            handleMacroMenu(*this, item->szName);
    } else if (uMsg == UWM_HOOK_SWITCH_MSG) {
        if (wParam != 0)
            InstallInputHook(HookMode::SingleKey);
        else
            RemoveInputHook();
    } else if (uMsg == UWM_SHOW_PROGRESS_MSG) {
        if (CControlUI* progress = m_pm.FindControl(kSettingProgress))
            progress->SetVisible(true);
    } else if (uMsg == UWM_LANGUAGE_CHANGED_MSG) {
        ApplyLanguage(int(wParam));
    } else if (uMsg == kRgbJobMsg) {
        RunRgbJobs();
    } else if (uMsg == kUpdateAnswerMsg) {
        OnUpdateAnswer(wParam != 0);
    } else if (uMsg == UWM_SHOW_SETTINGS_MSG) {
        OpenSettings(false);
    } else if (uMsg == UWM_CLEAR_UPDATE_BADGE_MSG) {
        if (m_titleButtons[8] != nullptr)
            m_titleButtons[8]->SetForeImage(QString());
    } else {
        bHandled = false;
    }
    return 0;
}

} // namespace pelan
