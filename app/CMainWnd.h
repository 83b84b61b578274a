#pragma once

#include "app/CSkinFrame.h"
#include "app/OpenRetry.h"
#include "device/DeviceScanner.h"
#include "device/LightSync.h"
#include "device/WorkerThread.h"
#include "light/SyncLighting.h"
#include "profile/ProfileFollower.h"
#include "ui/DuiLib.h"
#include "update/UpdateModel.h"

#include <array>
#include <atomic>
#include <memory>
#include <optional>
#include <vector>

class QSocketNotifier;

namespace pelan {

class ActiveApplicationWatch;
class CDeviceHook;
class OnScreenWords;
class HookGuard;
class InputHookBackend;
class CDeviceOptionUI;
class CSetWnd;
class HttpClient;
class UpdateChecker;
class CMpDevicePowerUI;
class CVeltraUSBDevice;
class DemoDevices;
class DesktopSettingsApplier;
class CVeltraMouseDevice;
class IDeviceOptionPage;
class LightSyncRunner;
class SiblingBus;
class SleepWatcher;

// The program's one top-level window. It makes one page per device kind with its entry in the device list and its
// power panel, turns the scan thread's arrivals and removals into shown and hidden pages, keeps the window in the
// tray when closed, and tells sibling programs whether it drives the device lighting. Closing it with its close
// button only hides it when there is a tray; the tray brings it back and the tray menu's "exit" ends the program.
// Without a tray the close button ends the program.
class CMainWnd : public WindowImplBase, public ReceiverImpl<int, SkinChangedParam> {
public:
    static constexpr int kWorkerCount = 20;
    static constexpr int kScanWorker = 0;
    static constexpr int kUpdateWorker = 2;
    static constexpr int kLightSyncWorker = 8;
    static constexpr UINT kClassStyleDoubleClicks = 0x0008;
    static constexpr UINT kTrayIconId = 107;
    static constexpr UINT kPlacementTimer = 1011;
    static constexpr UINT kTrayMenuTimer = 1032;
    static constexpr UINT kOpenRetryTimer = 1040;
    // The tray menu's check item of the on-screen words.
    static constexpr const char* kOnScreenMenuItem = "onscreen";
    static constexpr int kPlacementDelayMs = 100;
    static constexpr int kWindowWidth = 1350;
    static constexpr int kWindowHeight = 810;
    static constexpr WPARAM PBT_APMSUSPEND = 4;
    static constexpr WPARAM PBT_APMRESUMEAUTOMATIC = 18;
    static constexpr const char* kTitleButtons[9] = {"closebtn",    "maxbtn",   "restorebtn",   "minbtn", "skinbtn",
                                                     "gamemodebtn", "cloudbtn", "smarteyesbtn", "setbtn"};

    // One device kind's page with its list entry and power panel.
    struct DevicePage {
        int kindRow = -1;
        int kind = 0;
        CVeltraUSBDevice* page = nullptr;
        CDeviceOptionUI* option = nullptr;
        CMpDevicePowerUI* powerPanel = nullptr;
        std::unique_ptr<IDeviceOptionPage> optionLink;
        // A notification interface that came before the command interface of a device the page is not for yet.
        std::optional<SupportedDeviceEntry> waitingNotification;
        // Which of the page's profiles follows the application in front.
        ProfileFollower follower;
        // The application in front when the page's device last followed: back with it still in front, the device
        // keeps the profile it had, one chosen by hand included.
        std::string followedApplication;
    };

    CMainWnd();
    ~CMainWnd() override;

    QString GetWindowClassName() const override { return "MainWnd"; }
    UINT GetClassStyle() const override { return kClassStyleDoubleClicks; }
    QString GetSkinFile() override { return "XML_MAIN"; }
    void InitWindow() override;
    void Notify(TNotifyUI& msg) override;
    CControlUI* CreateControl(const QString& className) override;
    QString QueryControlText(const QString&, const QString&) override { return QString(); }
    LRESULT OnDestroy(UINT uMsg, WPARAM wParam, LPARAM lParam, bool& bHandled) override;
    LRESULT HandleCustomMessage(UINT uMsg, WPARAM wParam, LPARAM lParam, bool& bHandled) override;

    // Shows or hides "No_device_Link" by whether any device option is shown, restores the window and raises it.
    void BringToFront();
    // The close button: hides the window when the tray icon can bring it back, else ends the program.
    void HideOrEnd();
    // The no-device notice in place of the pages, or the pages.
    void ShowNoDeviceScreen(bool show);
    // Left click on the tray icon: hides a shown window, shows a hidden one.
    void ToggleShown();
    void HideToTray();
    // The tray menu's "Start with the desktop, hidden in the tray": writes or removes the autostart entry.
    void SetAutostartFromTray(bool enabled);
    // After a resume from suspend, each connected device gets the parts of its profile it lost (MainWndDesktop.cpp).
    void ReapplyProfilesAfterResume();
    // 1350 x 810 at 96 DPI, centred; the window keeps its shown or hidden state.
    void PlaceWindow();
    void WatchScreens();
    // After a display change: placed again when its middle left every screen or it is larger than its screen.
    void KeepOnScreen();
    bool IsDeviceOptionShown() const;
    CTrayIcon& GetTrayIcon() { return m_tray; }
    CMenuWnd* GetMenu() const { return m_menu.get(); }

    // Read access for the shell's other parts and the tests.
    const std::vector<DevicePage>& GetDevicePages() const { return m_pages; }
    const DevicePage* FindPageOfKind(int kind) const;
    // The page of the first visible and selected entry of the device list; null when none.
    CVeltraUSBDevice* GetSelectedPage() const;
    int GetLightingControl() const { return m_lightingControl; }
    bool IsSuspended() const { return !m_resumed; }
    bool IsStarted() const { return m_started; }
    // Whether a worker of that index is running (scan 0, update 2, lighting sync 8).
    bool IsWorkerRunning(int index) const;
    // Applies the pages' pointer and keyboard settings to the desktop (made on first use).
    DesktopSettingsApplier& GetDesktopSettings();
    // Synchronised lighting (MainWndLighting.cpp): the shared effect, and whether the devices show it.
    const light::SyncLighting& GetSyncLighting() const { return m_syncLighting; }
    bool IsSameModeOn() const { return m_sameModeOn; }

    // Update check and settings window (MainWndUpdate.cpp).
    static constexpr UINT kUpdateAnswerMsg = 3112; // wParam 1: something is newer
    static constexpr const char* kUpdateBadgeImage = "file='sysbtn/haveNewInfo.png'";
    // Opens the settings window unless one is open: placed under "setbtn" or centred.
    void OpenSettings(bool underSettingsButton);
    void CloseSettings();
    CSetWnd* GetSettingsWindow() const { return m_setWnd; }

    // The OpenRGB SDK server (MainWndRgbServer.cpp): off unless the settings window or --rgb-server switches it on.
    static constexpr UINT kRgbJobMsg = 3113; // jobs of the server's thread wait for the UI thread
    // Switches the server on or off and keeps the choice for the next start. False when it could not start.
    bool SetRgbServer(bool on);
    bool IsRgbServerRunning() const;
    uint16_t GetRgbServerPort() const;
    // The names of the SDK clients that drive the lights, as the window shows them.
    const std::vector<std::string>& GetRgbOwners() const { return m_rgbOwners; }

    // Language (MainWndLanguage.cpp): the start index (stored, else the locale's, else 0) and switching to an index
    // of the language list, which stores it and tells the settings window.
    static int StoredLanguageIndex();
    void ApplyLanguage(int index);
    int GetLanguageIndex() const { return m_languageIndex; }

    // Skin (MainWndSkin.cpp): the picker under "skinbtn" (a second click closes it), and the skin subject whose
    // choices set the background of "root".
    void ToggleSkinPicker();
    CSkinFrame* GetSkinPicker() const { return m_skinFrame; }
    SkinSubject& GetSkinSubject() { return m_skinSubject; }
    int Receive(SkinChangedParam param) override;
    // The model table with the connected pages' HID version numbers and the program's own.
    std::vector<UpdateProduct> PrepareUpdateList() const;
    // Hands the update worker a fresh list to check.
    void RequestUpdateCheck();

    // The input hook (MainWndHook.cpp), made on first use with the X server where the window is an X client, else
    // with the window's own input. Installing sends the hook messages of the mode to this window and, for the
    // recording modes, disables the device selection until the hook is removed.
    CDeviceHook& GetInputHook();
    // Makes the input hook take its events from this backend from now on (tests hand in a recording one).
    void UseInputHookBackend(std::unique_ptr<InputHookBackend> backend);
    bool InstallInputHook(int mode);
    void RemoveInputHook();
    // Ends whatever holds the hook (a macro recording, which is saved, or a key capture) and removes the hook: the
    // user can no longer see or stop it.
    void ReleaseInputHook();
    // Opens a pop-up menu layout whose commands come back as WM_MENUCLICK.
    void OpenMenu(const QString& layout, QPoint screenPoint);

    // The application in front (MainWndFollow.cpp). Made at window init for the session; tests hand in their own.
    // Each change moves every connected device to the profile that follows the application, writing only what
    // differs, except while the input hook records a macro or captures a key.
    void UseActiveApplicationWatch(std::unique_ptr<ActiveApplicationWatch> watch);
    ActiveApplicationWatch& GetActiveApplicationWatch();
    // A short notification that replaces the previous one ("DPI 1600"), unless the user switched them off.
    void ShowOnScreenWord(const QString& text);
    // The tray menu's profile of a device: selected and written whole, as the profile combo box does.
    void ChooseProfileFromTray(int kind, int index);

private:
    // The control whose being shown keeps a hook of this mode: the key field of the key set panel in front, or the
    // macro editor in front; the window when there is none.
    QWidget* HookHolder(int mode);
    // The scan thread's reports, handed to the UI thread as blocking window messages.
    class ScanListener : public DeviceScanner::Listener {
    public:
        explicit ScanListener(CMainWnd& window) : m_window(window) {}
        void onDeviceArrival(int slot) override;
        void onDeviceRemoval(int slot) override;
        void onFirstEnumeration() override;

    private:
        void Send(UINT message, int slot);
        CMainWnd& m_window;
    };

    void OnWindowInit();
    void RebuildFonts();
    void ShowStoredSkin();
    void OnClick(TNotifyUI& msg);
    void OnSelectChanged(TNotifyUI& msg);
    // Notification tables (MainWndNotify.cpp).
    void OnWindowSize(TNotifyUI& msg);
    void RouteSelectChanged(TNotifyUI& msg);
    void RouteMouseSystemCheck(CVeltraMouseDevice& mouse, const QString& name, bool checked);
    void RouteValueChanged(TNotifyUI& msg);
    void RouteLiveValue(TNotifyUI& msg);
    void RouteEditCommit(TNotifyUI& msg);
    void RestoreSelectedPage();
    void OnTimer(UINT id);
    void OpenTrayMenu();
    void StartDemoDevices();
    void StartScanThread();
    void StartUpdateThread();
    void OnUpdateAnswer(bool newer);
    // The user asked for the window: arrivals show it again, and news held back opens the settings window.
    void StopKeepingHidden();
    void StopWorkers();

    // Page creation, arrival and removal, option showing and hiding.
    void CreateDevicePages();
    void CreateDevicePage(int rowIndex, const SupportedDeviceEntry& identity);
    CControlUI* BuildTree(const QString& layout);
    void OnDeviceArrival(int slot);
    void OnDeviceRemoval(int slot);
    void ConnectCommandSlot(int slot);
    bool OpenCommandSlot(DevicePage& entry, const SupportedDeviceEntry& slot);
    void RetryPendingOpens();
    DevicePage* PageOfKind(int kind);
    DevicePage* CommandPageFor(const SupportedDeviceEntry& slot);
    void OnNotificationArrival(const SupportedDeviceEntry& slot);
    void OnNotificationRemoval(const SupportedDeviceEntry& slot);
    // Takes the focus off the page in front before another page comes there: an edit in progress is committed to
    // its own page first.
    void CommitPendingEdit();
    void ShowOption(DevicePage& entry, bool show, bool select);
    void ApplyVisibleOptionRules();
    void ShowPowerOf(const CDeviceOptionUI& option);
    int CountVisibleOptions() const;
    CTabLayoutUI* FindTab(const char* name) const;

    // Lighting owner.
    void SetLightingControl(int enabled, bool broadcast);
    void BroadcastLightingOwner(int lParam);
    void ApplyLightingControlToPages(int enabled);
    // Synchronised lighting (MainWndLighting.cpp).
    void StartLightSyncThread();
    // The "same mode" box of a lighting panel changed; false when the sender is not one.
    bool RouteSameMode(TNotifyUI& msg);
    // The synchronise tick of a device entry changed: the device joins or leaves a running synchronisation.
    void OnSynchroniseTick(TNotifyUI& msg);
    void StartSameMode();
    void StopSameMode();
    void ShowSameModeState();
    void WatchBuses();
    // The RGB server (MainWndRgbServer.cpp).
    std::string StartRgbServer();
    void StopRgbServer();
    void NotifyRgbDevicesChanged();
    void RunRgbJobs();
    // Shows who drives the lights on "control_light_status": an SDK client, else the lighting owner state.
    void ShowLightingOwner();
    void ReadSiblingMessages();
    void ReadSleepChanges();
    void ReadActiveApplication();
    // `only`: just that page's device, else every connected one.
    void FollowActiveApplication(const std::string& application, const CVeltraUSBDevice* only = nullptr);
    void FollowActiveApplicationOnArrival(const CVeltraUSBDevice& page);
    // The tray menu: each connected device's profiles (the selected one ticked), then the layout's own items.
    QString TrayMenuLayout() const;
    // A tray menu item of this file's making; false for any other.
    bool HandleTrayMenuItem(const MenuCmd& item);

    CControlUI* m_titleButtons[9] = {};
    CTrayIcon m_tray;
    std::unique_ptr<CMenuWnd> m_menu;
    std::vector<DevicePage> m_pages;
    std::array<WorkerThread, kWorkerCount> m_workers;
    ScanListener m_scanListener{*this};
    std::unique_ptr<DeviceScanner> m_scanner;
    OpenRetryList m_openRetries;
    // Set when the workers are being stopped: the scan thread sends nothing more, and a report it has already
    // sent is taken off the queue while the UI thread waits for it.
    std::atomic<bool> m_stopping{false};
    std::atomic<bool> m_scanSending{false};
    std::unique_ptr<DemoDevices> m_demo;
    std::unique_ptr<SiblingBus> m_siblings;
    std::unique_ptr<SleepWatcher> m_sleep;
    std::shared_ptr<DesktopSettingsApplier> m_desktopSettings;
    std::unique_ptr<QSocketNotifier> m_siblingNotifier;
    std::unique_ptr<QSocketNotifier> m_sleepNotifier;
    std::unique_ptr<ActiveApplicationWatch> m_appWatch;
    std::unique_ptr<QSocketNotifier> m_appWatchNotifier;
    std::unique_ptr<OnScreenWords> m_onScreenWords;
    // Holds the screen connections: they end with this object, not with its window, which may outlive it.
    std::unique_ptr<QObject> m_screenWatch;
    struct UpdatePoster;
    void ForgetUpdatePoster();
    std::shared_ptr<HttpClient> m_http;
    std::shared_ptr<UpdateChecker> m_updateChecker;
    std::shared_ptr<UpdatePoster> m_updatePoster;
    CSetWnd* m_setWnd = nullptr;
    int m_languageIndex = -1;
    SkinSubject m_skinSubject;
    CSkinFrame* m_skinFrame = nullptr;
    bool m_updateCheckAsked = false;
    // Only the first answer opens the settings window; later ones only set the badge.
    bool m_openSettingsOnNews = true;
    std::unique_ptr<CDeviceHook> m_hook;
    std::unique_ptr<QSocketNotifier> m_hookNotifier;
    std::unique_ptr<HookGuard> m_hookGuard;
    std::unique_ptr<CMenuWnd> m_popupMenu;
    int m_lightingControl = 1;
    light::SyncLighting m_syncLighting;
    std::unique_ptr<LightSyncRunner> m_syncRunner;
    bool m_sameModeOn = false;
    // What each device showed before same mode, given back when it ends.
    std::vector<OwnLighting> m_ownLighting;
    struct RgbServer;
    std::unique_ptr<RgbServer> m_rgbServer;
    std::vector<std::string> m_rgbOwners;
    int m_ownerLabelWidth = 0;
    bool m_active = false;
    bool m_hovered = false;
    bool m_resumed = true;
    bool m_started = false;
    // Started with --minimized and a tray to come back from: arrivals do not show the window until the user does.
    bool m_keepHidden = false;
    // The first check found news while the window was kept hidden: the settings window opens when it is shown.
    bool m_settingsDeferred = false;
    // The first size change of the root after window init has placed the window.
    bool m_placedOnFirstSize = false;
    int m_windowDpi = 96;
    QSize m_screenSize;
};

// The main window of the process (set at window init), for workers that send it messages.
CMainWnd* GetMainWindow();

} // namespace pelan
