#include "pages/CVeltraUSBDevice.h"

#include "device/PowerDisplay.h"
#include "pages/CMpDevicePowerUI.h"
#include "panels/LightRoutes.h"
#include "panels/ProfileRoutes.h"
#include "platform/Autostart.h"
#include "platform/DesktopNotification.h"
#include "platform/Paths.h"
#include "platform/ThreadHandoff.h"
#include "platform/Trace.h"

#include <QEvent>
#include <QMetaObject>
#include <QWindow>
#include <optional>

namespace pelan {
namespace {

// The product's picture in the program folder, for notifications.
constexpr const char* kProductIconFile = "skin/common/logo.png";

// The n of a control named prefix + n, or nothing.
std::optional<int> indexAfterPrefix(const QString& name, const char* prefix) {
    const QString start = QString::fromLatin1(prefix);
    if (!name.startsWith(start) || name.size() == start.size())
        return std::nullopt;
    bool ok = false;
    const int index = name.mid(start.size()).toInt(&ok);
    if (!ok || index < 0)
        return std::nullopt;
    return index;
}

void storeAt(std::vector<CControlUI*>& list, int index, CControlUI* control) {
    if (static_cast<size_t>(index) >= list.size())
        list.resize(static_cast<size_t>(index) + 1, nullptr);
    list[static_cast<size_t>(index)] = control;
}

} // namespace

CVeltraUSBDevice::CVeltraUSBDevice() : CVeltraUSBDevice(std::make_unique<UsbDeviceModel>("", 0)) {}

CVeltraUSBDevice::CVeltraUSBDevice(std::unique_ptr<UsbDeviceModel> model) : model_(std::move(model)) {
    model_->setObserver(this);
    // Not shown yet: the first show event starts the preview.
    model_->setPreviewEnabled(false);
}

void CVeltraUSBDevice::showEvent(QShowEvent* event) {
    CHorizontalLayoutUI::showEvent(event);
    // Minimising hides nothing, so the page also follows its window's state; a window the window manager unmaps
    // (on another workspace) or that is covered whole is not exposed, and nobody sees the preview either.
    window()->installEventFilter(this);
    if (QWindow* native = window()->windowHandle())
        native->installEventFilter(this);
    followVisibility();
}

void CVeltraUSBDevice::hideEvent(QHideEvent* event) {
    CHorizontalLayoutUI::hideEvent(event);
    followVisibility();
}

bool CVeltraUSBDevice::eventFilter(QObject* watched, QEvent* event) {
    if ((watched == window() && event->type() == QEvent::WindowStateChange) ||
        (watched == window()->windowHandle() && event->type() == QEvent::Expose))
        followVisibility();
    return CHorizontalLayoutUI::eventFilter(watched, event);
}

void CVeltraUSBDevice::followVisibility() {
    const QWindow* native = window()->windowHandle();
    model_->setPreviewEnabled(isVisible() && !window()->isMinimized() && (native == nullptr || native->isExposed()));
}

CVeltraUSBDevice::~CVeltraUSBDevice() {
    // The workers report to this page: they end before it goes.
    model_->setObserver(nullptr);
    model_->stopThreads();
    model_->closeNotifyInterface();
    std::lock_guard lock(model_->commandChannel.ioLock);
    model_->commandChannel.connected = 0;
    model_->commandChannel.device.close();
}

void* CVeltraUSBDevice::GetInterface(const QString& name) {
    if (name == "VeltraUSBDevice")
        return this;
    return CHorizontalLayoutUI::GetInterface(name);
}

void CVeltraUSBDevice::setTableIntegers(int first, int second, int third, int fourth) {
    tableIntegers_ = {first, second, third, fourth};
}

void CVeltraUSBDevice::attachPowerPanel(CMpDevicePowerUI* panel) {
    powerPanel_ = panel;
    if (powerPanel_ != nullptr)
        powerPanel_->SetVisible(powerDisplayEnabled());
}

void CVeltraUSBDevice::setPowerDisplayEnabled(bool enabled) {
    model_->powerDisplayEnabled = enabled ? 1 : 0;
    if (powerPanel_ != nullptr)
        powerPanel_->SetVisible(enabled);
}

void CVeltraUSBDevice::setMultipleDevicesShown(bool multiple) {
    multipleDevicesShown_ = multiple;
    if (!multiple)
        setSyncLighting(false);
}

// --- controls ---

void CVeltraUSBDevice::bindPageControls() {
    keyButtons_.clear();
    lightButtons_.clear();
    // The profile panel loads the device's profile list and names the profile the page shows.
    bindProfilePanel(*this);
    bindLightPanel(*this);
    if (model_->profileName.empty())
        return;
    if (auto* panel = dynamic_cast<CContainerUI*>(FindSubControl(kSelectPanel)))
        bindButtons(panel);
}

void CVeltraUSBDevice::bindButtons(CControlUI* control) {
    const QString name = control->GetName();
    if (auto key = indexAfterPrefix(name, kKeyButtonPrefix))
        storeAt(keyButtons_, *key, control);
    else if (auto light = indexAfterPrefix(name, kLightButtonPrefix))
        storeAt(lightButtons_, *light, control);
    if (auto* container = dynamic_cast<CContainerUI*>(control))
        for (int i = 0; i < container->GetCount(); ++i)
            bindButtons(container->GetItemAt(i));
}

void CVeltraUSBDevice::showFunctionTabs(int kind) {
    if (!functionSwitchesFound_) {
        functionSwitch_ = findControl<CTabLayoutUI>(kFunctionSwitch);
        keyFunctionSwitch_ = findControl<CTabLayoutUI>(kKeyFunctionSwitch);
        functionSwitchesFound_ = true;
    }
    // The tab of the first switch and of the second one; -1 leaves the second switch as it is.
    int first = 0;
    int second = 0;
    switch (kind) {
    case 2:
    case 6:
        second = 1;
        break;
    case 3:
    case 7:
        first = 1;
        second = -1;
        break;
    case 4:
        second = 2;
        break;
    case 5:
        first = 2;
        second = -1;
        break;
    default:
        break;
    }
    model_->functionTab = first;
    if (functionSwitch_ != nullptr)
        functionSwitch_->SelectItem(first, false);
    if (keyFunctionSwitch_ != nullptr && second >= 0)
        keyFunctionSwitch_->SelectItem(second, false);
}

void CVeltraUSBDevice::refreshTexts() {
    ReloadText();
    refreshControls();
}

// --- connection ---

bool CVeltraUSBDevice::openCommandInterface(const std::string& path, bool wireless) {
    ReportProtocol& channel = model_->commandChannel;
    std::lock_guard lock(channel.ioLock);
    if (channel.connected.load() != 0)
        return true;
    if (!channel.device.open(path, true, true, true, false))
        return false;
    channel.wireless = wireless ? 1 : 0;
    channel.connected = 1;
    return true;
}

void CVeltraUSBDevice::closeCommandInterface() {
    // The light thread is stopped first: it must not stream to an interface being closed.
    model_->stopLightThread();
    ReportProtocol& channel = model_->commandChannel;
    {
        std::lock_guard lock(channel.ioLock);
        channel.connected = 0;
        channel.device.close();
    }
    if (powerPanel_ != nullptr)
        powerPanel_->showNoStatus();
}

// --- what the model reports ---

void CVeltraUSBDevice::onPowerStatus(const PowerStatus& status) {
    if (powerPanel_ != nullptr)
        powerPanel_->showPowerStatus(status);
    warnOfLowBattery(status);
}

void CVeltraUSBDevice::warnOfLowBattery(const PowerStatus& status) {
    const int kind = model_->deviceKind;
    if (kind != kDeviceKindMousepad && kind != kDeviceKindHeadset)
        return;
    const int level = batteryWarning_.observe(status.battery(), status.chargingState() == powerdisplay::kOnBattery);
    if (level == 0)
        return;
    CResourceManager* texts = CResourceManager::GetInstance();
    const QString device =
        texts->GetText(kind == kDeviceKindMousepad ? "battery_mousepad_text" : "battery_headset_text");
    DesktopNotification notification;
    notification.summary = texts->GetText("battery_low_title_text").toStdString();
    notification.body = texts->GetText("battery_low_text").arg(device).arg(status.battery()).toStdString();
    notification.icon = programFolder() + kProductIconFile;
    notification.desktopEntry = kDesktopAppId;
    notification.urgency = level == BatteryWarning::kCriticalPercent ? 2 : 1;
    notifier_.post(std::move(notification), [level](const std::string& error) {
        trace("battery below " + std::to_string(level) + " %: " + (error.empty() ? "notification shown" : error));
    });
}

void CVeltraUSBDevice::onDeviceStatus(uint8_t statusValue) {
    if (statusWindow_ != nullptr)
        statusWindow_->SendMessage(kDeviceStatusMessage, statusValue, 0);
}

void CVeltraUSBDevice::onCurrentProfile(int profileIndex) {
    if (statusWindow_ != nullptr)
        statusWindow_->SendMessage(kCurrentProfileMessage, static_cast<WPARAM>(profileIndex), 0);
}

void CVeltraUSBDevice::onChangedOnDevice(const DeviceButtonChange& change) {
    if (!onScreenWords_)
        return;
    CResourceManager* texts = CResourceManager::GetInstance();
    if (change.dpi > 0)
        onScreenWords_(texts->GetText("onscreen_dpi_text").arg(change.dpi));
    // The device numbers its own profiles from 0; people count from 1.
    if (change.profile >= 0)
        onScreenWords_(texts->GetText("onscreen_device_profile_text").arg(change.profile + 1));
}

void CVeltraUSBDevice::onLightFrame(const light::LedFrame& leds) {
    // Only the newest frame matters: a frame still waiting is replaced, and one queued call shows it.
    std::lock_guard lock(frameLock_);
    pendingFrame_ = leds;
    if (frameQueued_)
        return;
    frameQueued_ = true;
    const QueuedPosting posting(this);
    QMetaObject::invokeMethod(
        this, [this] { showPendingFrame(); }, Qt::QueuedConnection);
}

void CVeltraUSBDevice::onRefresh() {
    refreshControls();
    showPageLight(*this);
    tellProfileLoadChanges(*this);
}

void CVeltraUSBDevice::showPendingFrame() {
    light::LedFrame frame;
    {
        std::lock_guard lock(frameLock_);
        frame.swap(pendingFrame_);
        frameQueued_ = false;
    }
    showLightFrame(frame);
}

void CVeltraUSBDevice::showLightFrame(const light::LedFrame& leds) {
    shownFrame_ = leds;
    for (size_t i = 0; i < leds.size() && i < lightButtons_.size(); ++i) {
        CControlUI* button = lightButtons_[i];
        if (button != nullptr && button->IsVisible())
            button->SetBkColor(previewColour(leds[i]));
    }
}

DWORD CVeltraUSBDevice::previewColour(light::LedValue value) {
    const light::Rgb colour = light::ledColour(value);
    const uint32_t brightness = light::ledBrightness(value);
    const auto scale = [brightness](uint8_t channel) { return (uint32_t{channel} * brightness) >> 8; };
    return 0xFF000000u | (scale(colour.red) << 16) | (scale(colour.green) << 8) | scale(colour.blue);
}

void CVeltraUSBDevice::onSyncRequested() {
    // From the notification thread: the option's timer is armed on the UI thread.
    const QueuedPosting posting(this);
    QMetaObject::invokeMethod(
        this,
        [this] {
            if (listItem_ != nullptr)
                listItem_->SetTimer(kSyncTimer, kSyncDelayMs);
        },
        Qt::QueuedConnection);
}

void CVeltraUSBDevice::onKeySelection(int selectedKey) {
    for (size_t i = 0; i < keyButtons_.size(); ++i) {
        CControlUI* button = keyButtons_[i];
        if (button == nullptr)
            continue;
        const UINT state = button->GetState();
        const bool selected = static_cast<int>(i) == selectedKey;
        button->SetState(selected ? (state | UISTATE_SELECTED) : (state & ~UINT{UISTATE_SELECTED}));
    }
}

} // namespace pelan
