// The main window's notification dispatch: every notification of the main layout arrives here. The window keeps
// no setting of its own: it finds the page in front (the selected page) and hands the notification to the page or
// panel that owns the setting; the desktop's pointer and keyboard settings are applied from here.
#include "app/CMainWnd.h"
#include "app/DesktopSettingsApplier.h"
#include "app/NotifyName.h"
#include "controls/CDeviceOptionUI.h"
#include "pages/CVeltraKeyboardDevice.h"
#include "pages/CVeltraMouseDevice.h"
#include "pages/KeyboardPageRoutes.h"
#include "pages/MousePageRoutes.h"
#include "panels/HeadsetRoutes.h"
#include "panels/KeySetRoutes.h"
#include "panels/LightRoutes.h"
#include "panels/MacroRoutes.h"
#include "panels/ProfileRoutes.h"
#include "panels/RecoilRoutes.h"
#include "platform/Shell.h"
#include "platform/Trace.h"

#include <array>

namespace pelan {
namespace {

constexpr const char* kRootControl = "root";
constexpr const char* kControlLightStatus = "control_light_status";
constexpr const char* kDefaultButton = "default_btn";
constexpr const char* kResetRepeatButton = "reset_repeat_btn";
constexpr const char* kSynchroniseOption = "synchro_device_select";

// The vendor's web site, microblog page and social-network page.
struct WebLink {
    const char* button;
    const char* link;
};
constexpr std::array<WebLink, 3> kWebLinks = {{{"webbtn", "https://www.orvane.com/"},
                                               {"ttbtn", "https://weibo.com/orvane"},
                                               {"fbbtn", "https://www.facebook.com/orvane"}}};

// The profile panel's buttons; the profile panel's own routes take them.
constexpr std::array<const char*, 8> kProfilePanelButtons = {
    "device_add_btn",    "device_sub_btn",    "device_copy_btn",  "device_profile_edit_save_btn",
    "device_import_btn", "device_export_btn", "device_reset_btn", "profile_fun_spread_btn"};

bool sameName(const QString& name, const char* wanted) {
    return name.compare(QLatin1String(wanted), Qt::CaseInsensitive) == 0;
}

template <size_t N>
bool isOneOf(const QString& name, const std::array<const char*, N>& names) {
    for (const char* wanted : names)
        if (sameName(name, wanted))
            return true;
    return false;
}

bool isSelected(const TNotifyUI& msg) {
    const auto* option = dynamic_cast<const COptionUI*>(msg.pSender);
    return option != nullptr && option->IsSelected();
}

int sliderValue(const TNotifyUI& msg) {
    const auto* slider = dynamic_cast<const CSliderUI*>(msg.pSender);
    return slider != nullptr ? slider->GetValue() : 0;
}

// The value of the page's slider `name`, or 0 when it has none.
int sliderValueOn(CContainerUI& page, const char* name) {
    const auto* slider = dynamic_cast<const CSliderUI*>(page.FindSubControl(name));
    return slider != nullptr ? slider->GetValue() : 0;
}

// A notification's split sender name with the page in front; no page when there is no sender or no page in front.
struct Target {
    NotifyName name;
    CVeltraUSBDevice* page = nullptr;
};

Target targetOf(const CMainWnd& window, const TNotifyUI& msg) {
    if (msg.pSender == nullptr)
        return {};
    return {splitNotifyName(msg.pSender->GetName()), window.GetSelectedPage()};
}

// The page a control sits on; null for the window's own controls.
CVeltraUSBDevice* pageHolding(CControlUI* control) {
    for (CControlUI* c = control; c != nullptr; c = c->GetParent())
        if (auto* page = dynamic_cast<CVeltraUSBDevice*>(c))
            return page;
    return nullptr;
}

} // namespace

void CMainWnd::Notify(TNotifyUI& msg) {
    if (msg.sType != DUI_MSGTYPE_TIMER)
        trace((msg.sType + " " + (msg.pSender != nullptr ? msg.pSender->GetName() : QString())).toStdString());
    const QString& type = msg.sType;
    if (type == DUI_MSGTYPE_WINDOWINIT)
        OnWindowInit();
    else if (type == DUI_MSGTYPE_WINDOWSIZE)
        OnWindowSize(msg);
    else if (type == DUI_MSGTYPE_CLICK)
        OnClick(msg);
    else if (type == DUI_MSGTYPE_SELECTCHANGED)
        RouteSelectChanged(msg);
    else if (type == DUI_MSGTYPE_VALUECHANGED)
        RouteValueChanged(msg);
    else if (type == DUI_MSGTYPE_MOVEVALUECHANGED)
        RouteLiveValue(msg);
    else if (type == DUI_MSGTYPE_ITEMSELECT)
        handleProfileComboSelect(*this, msg) || handleProfileLinkItemSelect(*this, msg) ||
            handleHeadsetItemSelect(*this, msg) || handleMacroItemSelect(*this, msg) ||
            handleKeySetItemSelect(*this, msg) || handleLightItemSelect(msg);
    else if (type == DUI_MSGTYPE_COLORCHANGED)
        handleLightColour(msg);
    else if (type == DUI_MSGTYPE_KILLFOCUS || type == DUI_MSGTYPE_RETURN)
        RouteEditCommit(msg);
    else if (type == DUI_MSGTYPE_SETFOCUS)
        handleKeySetFocus(*this, msg);
    // "msleave", "msenter", "itemclick", "textchanged" and the picture list's notifications take no action.
    WindowImplBase::Notify(msg);
}

DesktopSettingsApplier& CMainWnd::GetDesktopSettings() {
    if (m_desktopSettings == nullptr)
        m_desktopSettings = std::make_shared<DesktopSettingsApplier>(systemSettings());
    return *m_desktopSettings;
}

void CMainWnd::OnWindowSize(TNotifyUI& msg) {
    // The first size change after window init places the window once.
    if (msg.pSender == nullptr || msg.pSender->GetName() != kRootControl || !m_started || m_placedOnFirstSize)
        return;
    m_placedOnFirstSize = true;
    PlaceWindow();
}

// --- click table ---

void CMainWnd::OnClick(TNotifyUI& msg) {
    if (msg.pSender == nullptr)
        return;
    const QString name = msg.pSender->GetName();
    if (isOneOf(name, kProfilePanelButtons)) {
        // Hook of the profile panel: its routes resolve the selected page themselves.
        handleProfilePanelClick(*this, msg);
    } else if (handleProfileLinkClick(*this, msg)) {
        // the profile panel's link to an application
    } else if (handleRecoilClick(*this, msg)) {
        // the recoil panel's buttons, on the mouse page only
    } else if (handleHeadsetClick(*this, msg)) {
        // the custom equaliser buttons, on the headset page only
    } else if (handleMacroClick(*this, msg)) {
        // the macro editor's buttons, on the mouse and keyboard pages
    } else if (handleKeySetClick(*this, msg)) {
        // the key buttons of the device picture and the key set panel's buttons
    } else if (handleLightClick(msg)) {
        // the lighting panel's colour buttons, on every page
    } else if (sameName(name, "closebtn") || sameName(name, "nodevice_ok_btn")) {
        HideOrEnd();
    } else if (msg.pSender == m_titleButtons[8]) {
        OpenSettings(true);
    } else if (msg.pSender == m_titleButtons[4]) {
        ToggleSkinPicker();
    } else if (sameName(name, kControlLightStatus)) {
        SetLightingControl(m_lightingControl != 0 ? 0 : 1, true);
    } else if (msg.pSender == m_titleButtons[3]) {
        SendMessage(WM_SYSCOMMAND, SC_MINIMIZE, 0);
    } else if (msg.pSender == m_titleButtons[1]) {
        SendMessage(WM_SYSCOMMAND, SC_MAXIMIZE, 0);
    } else if (msg.pSender == m_titleButtons[2]) {
        SendMessage(WM_SYSCOMMAND, SC_RESTORE, 0);
    } else if (sameName(name, kDefaultButton)) {
        RestoreSelectedPage();
    } else if (sameName(name, kResetRepeatButton)) {
        if (auto* keyboard = dynamic_cast<CVeltraKeyboardDevice*>(GetSelectedPage())) {
            const keyboard_page::RepeatSettings repeat = keyboard_page::resetRepeat(*keyboard);
            GetDesktopSettings().applyKeyboardSpeed(repeat.rate);
            GetDesktopSettings().applyKeyboardDelay(repeat.delay);
        }
    } else {
        for (const WebLink& web : kWebLinks) {
            if (!sameName(name, web.button))
                continue;
            const ShellResult opened = shell().open(web.link);
            if (!opened.ok)
                trace(std::string(web.link) + " not opened: " + opened.message);
        }
    }
}

// Restoring the defaults is the profile panel's reset: the same question, the selected profile back to the
// factory profile, written whole to the device.
void CMainWnd::RestoreSelectedPage() {
    if (CVeltraUSBDevice* page = GetSelectedPage())
        resetSelectedProfile(*page);
}

// --- selection table ---

void CMainWnd::RouteSelectChanged(TNotifyUI& msg) {
    if (msg.pSender == nullptr)
        return;
    const QString name = msg.pSender->GetName();
    if (name == CDeviceOptionUI::kSelectName) {
        OnSelectChanged(msg);
        return;
    }
    if (name == kSynchroniseOption) {
        OnSynchroniseTick(msg);
        return;
    }
    if (handleProfileTabSelect(*this, msg) || handleRecoilSelect(*this, msg) || handleHeadsetSelect(*this, msg) ||
        handleKeySetSelect(*this, msg) || RouteSameMode(msg) || handleLightSelect(msg))
        return;
    CVeltraUSBDevice* page = GetSelectedPage();
    auto* mouse = dynamic_cast<CVeltraMouseDevice*>(page);
    auto* keyboard = dynamic_cast<CVeltraKeyboardDevice*>(page);
    const NotifyName split = splitNotifyName(name);
    if (split.prefix == CVeltraMouseDevice::kDpiEnablePrefix) {
        if (mouse != nullptr)
            mouse->onDpiStageEnabled(split.index, isSelected(msg));
    } else if (split.prefix == CVeltraMouseDevice::kReportRatePrefix) {
        if (mouse != nullptr && isSelected(msg))
            mouse->onReportRateSelected(split.index);
        else if (keyboard != nullptr && isSelected(msg))
            keyboard_page::storeReportRate(*keyboard, split.index);
    } else if (split.prefix == keyboard_page::kRepeatDelayPrefix) {
        if (keyboard != nullptr && isSelected(msg))
            GetDesktopSettings().applyKeyboardDelay(keyboard_page::storeRepeatDelay(*keyboard, split.index));
    } else if (split.prefix == "mouse_device_seting_option_") {
        if (mouse != nullptr && isSelected(msg))
            mouse_page::selectSettingsPage(*mouse, split.index);
    } else if (mouse != nullptr) {
        RouteMouseSystemCheck(*mouse, name, isSelected(msg));
    } else if (keyboard != nullptr) {
        if (name == keyboard_page::kWinLockOption)
            keyboard_page::storeKeyFlag(*keyboard, keyboard_page::KeyFlag::WinLock, isSelected(msg));
        else if (name == keyboard_page::kWKeyOption)
            keyboard_page::storeKeyFlag(*keyboard, keyboard_page::KeyFlag::WKey, isSelected(msg));
        else if (name == keyboard_page::kSixKeyOption)
            keyboard_page::storeKeyFlag(*keyboard, keyboard_page::KeyFlag::SixKey, isSelected(msg));
    }
}

void CMainWnd::RouteMouseSystemCheck(CVeltraMouseDevice& mouse, const QString& name, bool checked) {
    if (name == mouse_page::kPointerPrecisionCheck) {
        mouse_page::storePointerPrecision(mouse, checked);
        GetDesktopSettings().applyPointerPrecision(checked);
    } else if (name == mouse_page::kScrollsPageCheck) {
        const int lines = sliderValueOn(mouse, mouse_page::kScrollSpeedSlider);
        mouse_page::storeScrolling(mouse, checked, lines);
        GetDesktopSettings().applyWheelLines(lines, checked);
    }
}

// --- value tables ---

void CMainWnd::RouteValueChanged(TNotifyUI& msg) {
    if (msg.pSender == nullptr)
        return;
    if (handleHeadsetValue(*this, msg) || handleLightValue(msg))
        return;
    const QString name = msg.pSender->GetName();
    const int value = sliderValue(msg);
    CVeltraUSBDevice* page = GetSelectedPage();
    if (auto* keyboard = dynamic_cast<CVeltraKeyboardDevice*>(page)) {
        if (name == keyboard_page::kRepeatRateSlider) {
            keyboard_page::storeRepeatRate(*keyboard, value);
            GetDesktopSettings().applyKeyboardSpeed(value);
        }
        return;
    }
    auto* mouse = dynamic_cast<CVeltraMouseDevice*>(page);
    if (mouse == nullptr)
        return;
    const NotifyName split = splitNotifyName(name);
    if (split.prefix == CVeltraMouseDevice::kDpiSliderPrefix) {
        mouse->onDpiSliderChanged(split.index, value, true);
        mouse->model().refreshPage();
    } else if (name == mouse_page::kPointerSpeedSlider) {
        mouse_page::storePointerSpeed(*mouse, value);
        GetDesktopSettings().applyPointerSpeed(value);
    } else if (name == mouse_page::kScrollSpeedSlider) {
        mouse_page::storeScrolling(*mouse, false, value);
        GetDesktopSettings().applyWheelLines(value, false);
    } else if (name == mouse_page::kDoubleClickSlider) {
        mouse_page::storeDoubleClick(*mouse, value);
        const auto* slider = dynamic_cast<const CSliderUI*>(msg.pSender);
        GetDesktopSettings().applyDoubleClickTime(value, slider != nullptr ? slider->GetMaxValue() : value);
    }
}

void CMainWnd::RouteLiveValue(TNotifyUI& msg) {
    const auto [split, page] = targetOf(*this, msg);
    if (page == nullptr)
        return;
    if (split.prefix == CVeltraMouseDevice::kDpiSliderPrefix) {
        if (auto* mouse = dynamic_cast<CVeltraMouseDevice*>(page))
            mouse->onDpiSliderChanged(split.index, sliderValue(msg), false);
    } else if (split.prefix == mouse_page::kTavixSliderPrefix) {
        mouse_page::showTavixSliderValue(*page, split.index);
    }
}

// --- focus table ---

// An edit is committed when it loses the focus or the user presses Return. The value goes to the page the edit sits
// on, which need not be the page in front any more: the focus leaves an edit when the user clicks another device,
// and when its device goes away and another page comes to the front.
void CMainWnd::RouteEditCommit(TNotifyUI& msg) {
    if (msg.pSender == nullptr || handleProfileNameReturn(*this, msg) || handleRecoilKillFocus(*this, msg) ||
        handleMacroEditCommit(*this, msg) || handleKeySetFocus(*this, msg) || handleLightEditCommit(msg))
        return;
    CVeltraUSBDevice* page = pageHolding(msg.pSender);
    if (page == nullptr)
        return;
    const NotifyName split = splitNotifyName(msg.pSender->GetName());
    if (split.prefix == CVeltraMouseDevice::kDpiEditPrefix) {
        if (auto* mouse = dynamic_cast<CVeltraMouseDevice*>(page)) {
            mouse->onDpiEditCommitted(split.index);
            mouse->model().refreshPage();
        }
    } else if (split.prefix == mouse_page::kTavixEditPrefix) {
        mouse_page::commitTavixEdit(*page, split.index);
    }
}

} // namespace pelan
