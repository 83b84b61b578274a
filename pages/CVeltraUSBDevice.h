#pragma once

#include "device/BatteryWarning.h"
#include "device/UsbDeviceModel.h"
#include "platform/DesktopNotification.h"
#include "ui/DuiLib.h"

#include <array>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace pelan {

class CMpDevicePowerUI;

// The common base of the device pages: a horizontal layout built from the page's layout that shows one device
// model and hands the main window's requests to it. The model (device/) owns every rule of the device; the page
// only mirrors the model into its controls and passes what the user did back to it.
//
// The model reports through DeviceModelObserver; light frames and sync requests arrive on the model's worker
// threads and are handed to the UI thread with a queued call before any control is touched.
class CVeltraUSBDevice : public CHorizontalLayoutUI, public DeviceModelObserver {
public:
    // Timers the page's option runs for it.
    static constexpr UINT kConnectTimer = 1001;
    static constexpr UINT kSyncTimer = 1002;
    static constexpr UINT kPeriodicTimer = 1005;
    static constexpr UINT kSyncDelayMs = 500;
    static constexpr UINT kPeriodicIntervalMs = 5000;
    // Messages to the status window.
    static constexpr UINT kCurrentProfileMessage = 0x0D00;
    static constexpr UINT kDeviceStatusMessage = 0x0D01;

    // Control names every page shares.
    static constexpr const char* kSelectPanel = "SelectPanel";
    static constexpr const char* kKeyButtonPrefix = "key_";
    static constexpr const char* kLightButtonPrefix = "light_";
    static constexpr const char* kFunctionSwitch = "device_function_switch";
    static constexpr const char* kKeyFunctionSwitch = "device_key_function_switch";

    // A page over a plain model (no device of its own); the device pages hand in theirs.
    CVeltraUSBDevice();
    explicit CVeltraUSBDevice(std::unique_ptr<UsbDeviceModel> model);
    ~CVeltraUSBDevice() override;

    QString GetClass() const override { return "VeltraUSBDevice"; }
    void* GetInterface(const QString& name) override;

    UsbDeviceModel& model() { return *model_; }
    const UsbDeviceModel& model() const { return *model_; }

    // --- set up by the main window when it creates the page ---
    void setLayoutPath(const QString& path) { layoutPath_ = path; }
    QString layoutPath() const { return layoutPath_; }
    // The window that owns the page: parent of the page's message boxes.
    void setOwnerWindow(CWindowWnd* owner) { owner_ = owner; }
    CWindowWnd* ownerWindow() const { return owner_; }
    // The four integers of the page's row in the main window's device page table, kept as given.
    void setTableIntegers(int first, int second, int third, int fourth);
    std::array<int, 4> tableIntegers() const { return tableIntegers_; }
    void clearProfileName() { model_->profileName.clear(); }
    void setProfileName(const std::string& name) { model_->profileName = name; }
    // The kind name of the device kind table; it names the device's folder.
    void setKindName(const std::string& name) { model_->deviceFolderName = name; }
    // Attaches the power panel; its visibility follows powerDisplayEnabled from then on.
    void attachPowerPanel(CMpDevicePowerUI* panel);
    CMpDevicePowerUI* powerPanel() const { return powerPanel_; }
    // Takes the device-list entry the page answers for.
    void onConnected(const SupportedDeviceEntry& entry) { model_->onConnected(entry); }
    const SupportedDeviceEntry& identity() const { return model_->identity; }
    void setDeviceIndex(int index) { model_->setDeviceIndex(index); }
    void setLightFileStem(const std::string& stem) { model_->lightFileStem = stem; }
    // The option of the device list whose timers drive this page.
    void setListItem(CControlUI* item) { listItem_ = item; }
    CControlUI* listItem() const { return listItem_; }
    // The window told of the current profile (0x0D00) and of the device status (0x0D01); none by default.
    void setStatusWindow(CWindowWnd* window) { statusWindow_ = window; }
    // Where the page says what the device changed with its own buttons ("DPI 1600"); nowhere by default.
    void setOnScreenWords(std::function<void(const QString&)> show) { onScreenWords_ = std::move(show); }

    // Finds the key and light buttons of the page's selection panel (key_<n>, light_<n>); with an empty profile
    // name the lists are emptied instead. Device pages add their own controls.
    virtual void bindPageControls();
    const std::vector<CControlUI*>& keyButtons() const { return keyButtons_; }
    const std::vector<CControlUI*>& lightButtons() const { return lightButtons_; }

    // --- connection ---
    bool isConnected() const { return model_->commandChannel.connected.load() != 0; }
    bool isWireless() const { return model_->commandChannel.wireless.load() != 0; }
    // Opens the command interface for reading and writing under the channel's lock and marks it connected (and
    // wireless when asked). False, and still not connected, when it cannot be opened.
    bool openCommandInterface(const std::string& path, bool wireless);
    // Stops the page's threads, marks the command interface not connected and closes it.
    void closeCommandInterface();
    // Opens the notification interface and starts listening on it (a previous one is closed first).
    bool openNotifyInterface(const std::string& path) { return model_->openNotifyInterface(path); }
    void closeNotifyInterface() { model_->closeNotifyInterface(); }

    // Language changed: the page's texts are looked up again and its values redrawn.
    virtual void refreshTexts();

    void setLightingControl(int enabled) { model_->lightingControl = enabled; }
    int lightingControl() const { return model_->lightingControl.load(); }
    void setPreviewEnabled(bool enabled) { model_->setPreviewEnabled(enabled); }
    // Whether the power display is shown and the periodic status read runs.
    void setPowerDisplayEnabled(bool enabled);
    bool powerDisplayEnabled() const { return model_->powerDisplayEnabled.load() != 0; }

    // Synchronised lighting across devices: only meaningful while more than one device is shown. While it is set
    // the lighting sync thread drives the device's lights.
    void setMultipleDevicesShown(bool multiple);
    bool multipleDevicesShown() const { return multipleDevicesShown_; }
    void setSyncLighting(bool enabled) { model_->syncLighting = enabled ? 1 : 0; }
    bool isSyncLighting() const { return model_->syncLighting.load() != 0; }

    // --- timers of the page's option ---
    virtual void onConnectTimer() { model_->onConnectTimer(); }
    virtual void onSyncTimer() { model_->onSyncTimer(); }
    virtual void onPeriodicTimer() { model_->onPeriodicTimer(); }

    // Shows the function tabs of a device kind (both tab layouts of the page).
    virtual void showFunctionTabs(int kind);

    // DeviceModelObserver. onLightFrame and onSyncRequested may come from worker threads.
    void onPowerStatus(const PowerStatus& status) override;
    void onDeviceStatus(uint8_t statusValue) override;
    void onLightFrame(const light::LedFrame& leds) override;
    void onSyncRequested() override;
    void onRefresh() override;
    void onKeySelection(int selectedKey) override;
    void onCurrentProfile(int profileIndex) override;
    void onChangedOnDevice(const DeviceButtonChange& change) override;

    // The on-screen colour of one LED value: its colour scaled by its brightness, opaque.
    static DWORD previewColour(light::LedValue value);
    // The last frame shown on screen.
    light::LedFrame shownFrame() const { return shownFrame_; }

protected:
    // The light preview runs only while the page is in front of a shown window that is not minimised.
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    // Redraws the page's controls from the model (refreshPage). The base has nothing of its own to show.
    virtual void refreshControls() {}
    // Shows a light frame on the light buttons (UI thread).
    virtual void showLightFrame(const light::LedFrame& leds);
    // The control of this page named `name` of type T, or null.
    template <typename T>
    T* findControl(const QString& name) {
        return dynamic_cast<T*>(FindSubControl(name));
    }

private:
    void showPendingFrame();
    void followVisibility();
    // A desktop notification when the mousepad's or headset's battery falls below a warning level.
    void warnOfLowBattery(const PowerStatus& status);
    void bindButtons(CControlUI* control);

    std::unique_ptr<UsbDeviceModel> model_;
    QString layoutPath_;
    CWindowWnd* owner_ = nullptr;
    CWindowWnd* statusWindow_ = nullptr;
    std::function<void(const QString&)> onScreenWords_;
    CControlUI* listItem_ = nullptr;
    CMpDevicePowerUI* powerPanel_ = nullptr;
    std::array<int, 4> tableIntegers_{};
    std::vector<CControlUI*> keyButtons_;
    std::vector<CControlUI*> lightButtons_;
    CTabLayoutUI* functionSwitch_ = nullptr;
    CTabLayoutUI* keyFunctionSwitch_ = nullptr;
    bool functionSwitchesFound_ = false;
    bool multipleDevicesShown_ = false;
    BatteryWarning batteryWarning_;
    DesktopNotifier notifier_;

    // The newest frame of the light thread, waiting for the UI thread; one queued call at a time.
    std::mutex frameLock_;
    light::LedFrame pendingFrame_;
    bool frameQueued_ = false;
    light::LedFrame shownFrame_;
};

} // namespace pelan
