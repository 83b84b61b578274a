// The main window's device side: the builder callback, page creation, the scan thread's reports, arrival and
// removal, and which device list entries are shown and selected.
#include "app/AppMessages.h"
#include "app/CMainWnd.h"
#include "app/DeviceTables.h"
#include "app/PageOptionLink.h"
#include "controls/CCircleProgressUI.h"
#include "controls/CDeviceKeyButtonUI.h"
#include "controls/CDeviceOptionUI.h"
#include "controls/CSelectPanelUI.h"
#include "pages/CMpDevicePowerUI.h"
#include "pages/CVeltraDI6533Device.h"
#include "pages/CVeltraKeyboardDevice.h"
#include "pages/CVeltraMouseDevice.h"
#include "pages/CVeltraMousePadDevice.h"
#include "pages/CVeltraUSBDevice.h"
#include "panels/CDeviceProfileUI.h"
#include "panels/CKeySetControlUI.h"
#include "panels/CLightControlUI.h"
#include "panels/CMacroControlUI.h"
#include "panels/CMagicControlUI.h"
#include "panels/CShootControlUI.h"
#include "panels/CVoice6533ControlUI.h"
#include "panels/LightRoutes.h"
#include "platform/Trace.h"

#include <utility>

namespace pelan {
namespace {

constexpr const char* kDeviceSelectLayout = "device_select_layout";
constexpr const char* kDeviceSwitch = "device_switch";
constexpr const char* kDevicePowerSwitch = "device_power_switch";
constexpr const char* kPowerPanelLayout = "XML/CustomControlXML/MpDevicePower.xml";

template <typename Control>
CControlUI* create() {
    return new Control();
}

// A tag of the layouts and what the builder makes of it: a control of a class, or the tree of a nested layout.
// Tags whose classes are not part of the program yet have neither; the builder then skips them.
struct BuilderEntry {
    const char* tag;
    CControlUI* (*create)();
    const char* layout;
};

const BuilderEntry kBuilderTable[] = {
    {"CircleProgress", &create<CCircleProgressUI>, nullptr},
    {"SelectPanel", &create<CSelectPanelUI>, nullptr},
    {"DeviceKeyButton", &create<CDeviceKeyButtonUI>, nullptr},
    {"HandImgButton", nullptr, nullptr},             // CHandImgButtonUI
    {"HandImgSelectButton", nullptr, nullptr},       // CHandImgSelectButtonUI
    {"RedioMacroButton", nullptr, nullptr},          // CRedioMacroButtonUI
    {"ComboEditContainerElement", nullptr, nullptr}, // CComboEditContainerElementUI
    {"VeltraMousePadDevice", &create<CVeltraMousePadDevice>, nullptr},
    {"VeltraDI6533Device", &create<CVeltraDI6533Device>, nullptr},
    {"VeltraMouseDevice", &create<CVeltraMouseDevice>, nullptr},
    {"VeltraKeyboardDevice", &create<CVeltraKeyboardDevice>, nullptr},
    {"DeviceProfile", [] { return static_cast<CControlUI*>(new CDeviceProfileUI()); }, nullptr},
    {"LightControl", &create<CLightControlUI>, nullptr},
    {"MagicControl", &create<CMagicControlUI>, nullptr},
    {"Voice6533Control", &create<CVoice6533ControlUI>, nullptr},
    {"KeySetControl", &create<CKeySetControlUI>, nullptr},
    {"ShootControl", &create<CShootControlUI>, nullptr},
    {"MacroControl", &create<CMacroControlUI>, nullptr},
    {"DeviceProfileUI", nullptr, "XML/CustomControlXML/DeviceProfile.xml"},
    {"LightSetControlUI", nullptr, "XML/CustomControlXML/LightControl.xml"},
    {"Voice6533SetControlUI", nullptr, "XML/CustomControlXML/Voice6533Control.xml"},
    {"MagicSetControlUI", nullptr, "XML/CustomControlXML/MagicControl.xml"},
    {"KeySetControlUI", nullptr, "XML/CustomControlXML/KeySetControl.xml"},
    {"MacroSetControlUI", nullptr, "XML/CustomControlXML/MacroControl.xml"},
    {"ShootKeySetControlUI", nullptr, "XML/CustomControlXML/ShootControl.xml"},
};

const char* arrivalText(int kind) {
    switch (kind) {
    case kDeviceKindKeyboard:
        return "添加一个键盘设备";
    case kDeviceKindMouse:
    case kDeviceKindWirelessMouse:
        return "添加一个鼠标设备";
    default:
        return "添加一个鼠标垫设备";
    }
}

const char* removalText(int kind) {
    switch (kind) {
    case kDeviceKindKeyboard:
        return "删除一个键盘设备";
    case kDeviceKindMouse:
    case kDeviceKindWirelessMouse:
        return "删除一个鼠标设备";
    default:
        return "删除一个鼠标垫设备";
    }
}

} // namespace

CControlUI* CMainWnd::CreateControl(const QString& className) {
    for (const BuilderEntry& entry : kBuilderTable) {
        if (className.compare(entry.tag, Qt::CaseInsensitive) != 0)
            continue;
        if (entry.create != nullptr)
            return entry.create();
        if (entry.layout != nullptr)
            return BuildTree(entry.layout);
        return nullptr;
    }
    return nullptr;
}

// --- scan thread reports ---

void CMainWnd::ScanListener::Send(UINT message, int slot) {
    if (m_window.m_stopping)
        return;
    m_window.m_scanSending = true;
    m_window.SendMessage(message, WPARAM(slot), 0);
    m_window.m_scanSending = false;
}

void CMainWnd::ScanListener::onDeviceArrival(int slot) {
    Send(UWM_DEVICE_ARRIVAL_MSG, slot);
}

void CMainWnd::ScanListener::onDeviceRemoval(int slot) {
    Send(UWM_DEVICE_REMOVAL_MSG, slot);
}

void CMainWnd::ScanListener::onFirstEnumeration() {
    if (!m_window.m_stopping)
        m_window.PostMessage(appMessages().instance, 0, 0);
}

// --- page creation ---

// One page per device kind. Its first identity is the table's first command row of the kind, or, when the device
// files name none, the kind row's IDs: a device file added later can still bring the page.
void CMainWnd::CreateDevicePages() {
    const std::vector<SupportedDeviceEntry>& slots = m_scanner->slots();
    for (size_t rowIndex = 0; rowIndex < deviceKindTable().size(); ++rowIndex) {
        const DeviceKindRow& row = deviceKindTable()[rowIndex];
        SupportedDeviceEntry identity;
        identity.vendorId = row.vendorId;
        identity.productId = row.productId;
        identity.deviceKind = row.kind;
        identity.interfaceRole = row.role;
        for (const SupportedDeviceEntry& slot : slots) {
            if (pageKindOf(slot.deviceKind) == row.kind && slot.interfaceRole == row.role) {
                identity = slot;
                break;
            }
        }
        CreateDevicePage(int(rowIndex), identity);
    }
}

void CMainWnd::CreateDevicePage(int rowIndex, const SupportedDeviceEntry& slot) {
    const int kind = pageKindOf(slot.deviceKind);
    const uint16_t role = slot.interfaceRole;
    const DeviceKindRow& row = deviceKindTable()[size_t(rowIndex)];
    const DevicePageRow& pageRow = devicePageTable()[size_t(rowIndex)];

    // Trees that cannot all be built are deleted again: a page without its entry or power panel is of no use.
    std::unique_ptr<CControlUI> powerTree(BuildTree(kPowerPanelLayout));
    std::unique_ptr<CControlUI> optionTree(BuildTree(row.optionLayout));
    std::unique_ptr<CControlUI> pageTree(BuildTree(pageRow.pageLayout));
    auto* power = dynamic_cast<CMpDevicePowerUI*>(powerTree.get());
    auto* option = dynamic_cast<CDeviceOptionUI*>(optionTree.get());
    auto* page = dynamic_cast<CVeltraUSBDevice*>(pageTree.get());
    auto* powerSwitch = FindTab(kDevicePowerSwitch);
    auto* pageSwitch = FindTab(kDeviceSwitch);
    auto* selectLayout = dynamic_cast<CContainerUI*>(m_pm.FindControl(kDeviceSelectLayout));
    if (power == nullptr || option == nullptr || page == nullptr || powerSwitch == nullptr || pageSwitch == nullptr ||
        selectLayout == nullptr) {
        trace("device page of " + std::string(row.kindName) + " could not be built");
        return;
    }

    powerSwitch->Add(powerTree.release());
    power->setKindAndRole(kind, role);
    const int powerIndex = powerSwitch->GetCount() - 1;

    page->setLayoutPath(pageRow.pageLayout);
    page->setOwnerWindow(this);
    page->setTableIntegers(pageRow.firstInteger, pageRow.secondInteger, pageRow.thirdInteger,
                           kind == kDeviceKindMouse ? pageRow.fourthInteger : 0);
    page->clearProfileName();
    page->setKindName(row.kindName);
    // Every page but the keyboard's reads and shows the device's power status.
    page->setPowerDisplayEnabled(kind != kDeviceKindKeyboard);
    page->attachPowerPanel(power);
    page->onConnected(slot);
    page->setDeviceIndex(row.deviceIndex);
    page->setLightFileStem(pageRow.lightFileStem);
    page->bindPageControls();
    pageSwitch->Add(pageTree.release());

    selectLayout->Add(optionTree.release());
    option->Select(false);
    option->BindTab(kDeviceSwitch, pageSwitch->GetCount() - 1);
    // The power panel's tab index is given with the container, so selecting the entry shows its panel.
    option->SetPowerContainer(row.powerContainer, powerIndex);
    option->SetKind(kind, role);
    option->SetDeviceName(row.kindName);

    DevicePage entry;
    entry.kindRow = rowIndex;
    entry.kind = kind;
    entry.page = page;
    entry.option = option;
    entry.powerPanel = power;
    entry.optionLink = std::make_unique<PageOptionLink>(*page, [this, page] {
        NotifyRgbDevicesChanged();
        FollowActiveApplicationOnArrival(*page);
    });
    option->SetPage(entry.optionLink.get());
    page->setListItem(option);
    page->setOnScreenWords([this](const QString& text) { ShowOnScreenWord(text); });
    option->SetPageFlag(page->isConnected() ? 1 : 0);
    option->SetVisible(false);
    m_pages.push_back(std::move(entry));
}

CTabLayoutUI* CMainWnd::FindTab(const char* name) const {
    return dynamic_cast<CTabLayoutUI*>(m_pm.FindControl(name));
}

const CMainWnd::DevicePage* CMainWnd::FindPageOfKind(int kind) const {
    for (const DevicePage& entry : m_pages)
        if (entry.kind == kind)
            return &entry;
    return nullptr;
}

CMainWnd::DevicePage* CMainWnd::PageOfKind(int kind) {
    return const_cast<DevicePage*>(std::as_const(*this).FindPageOfKind(kind));
}

// The kind's page, unless it is connected to another device of the kind: one device per kind is shown.
CMainWnd::DevicePage* CMainWnd::CommandPageFor(const SupportedDeviceEntry& slot) {
    DevicePage* entry = PageOfKind(pageKindOf(slot.deviceKind));
    if (entry == nullptr)
        return nullptr;
    if (entry->page->isConnected() && !sameInterface(entry->page->identity(), slot)) {
        trace("another device of the kind is shown already; this one is not");
        return nullptr;
    }
    return entry;
}

namespace {

bool sameDevice(const SupportedDeviceEntry& a, const SupportedDeviceEntry& b) {
    return a.vendorId == b.vendorId && a.productId == b.productId;
}

} // namespace

// A notification interface belongs to the device the page is for. One that arrives before its device's command
// interface (their collections share a node, and the notification's comes first) waits for it when the page is
// for another device until then.
void CMainWnd::OnNotificationArrival(const SupportedDeviceEntry& slot) {
    DevicePage* entry = PageOfKind(pageKindOf(slot.deviceKind));
    if (entry == nullptr)
        return;
    if (sameDevice(entry->page->identity(), slot))
        entry->page->openNotifyInterface(slot.devicePath);
    else if (!entry->page->isConnected())
        entry->waitingNotification = slot;
}

void CMainWnd::OnNotificationRemoval(const SupportedDeviceEntry& slot) {
    DevicePage* entry = PageOfKind(pageKindOf(slot.deviceKind));
    if (entry == nullptr)
        return;
    if (entry->waitingNotification && sameInterface(*entry->waitingNotification, slot))
        entry->waitingNotification.reset();
    else if (sameDevice(entry->page->identity(), slot))
        entry->page->closeNotifyInterface();
}

// --- arrival and removal ---

void CMainWnd::OnDeviceArrival(int slotIndex) {
    const std::vector<SupportedDeviceEntry>& slots = m_scanner->slots();
    if (slotIndex < 0 || size_t(slotIndex) >= slots.size())
        return;
    const SupportedDeviceEntry& slot = slots[size_t(slotIndex)];
    trace(arrivalText(slot.deviceKind));
    if (slot.interfaceRole == kInterfaceRoleNotification)
        OnNotificationArrival(slot);
    else
        ConnectCommandSlot(slotIndex);
}

void CMainWnd::ConnectCommandSlot(int slotIndex) {
    const std::vector<SupportedDeviceEntry>& slots = m_scanner->slots();
    const SupportedDeviceEntry slot = slots[size_t(slotIndex)];
    if (slot.reserved1 != 0 && slot.reserved2 < slots.size()) {
        const SupportedDeviceEntry& redirect = slots[slot.reserved2];
        if (redirect.connected != 0 && !redirect.devicePath.empty() && redirect.reserved2 == slotIndex) {
            // No supported row redirects; a wireless receiver that hands over to its mouse would switch here.
            trace("wireless switch-over not supported");
            return;
        }
    }
    DevicePage* entry = CommandPageFor(slot);
    if (entry == nullptr)
        return;
    if (!entry->page->isConnected() && !OpenCommandSlot(*entry, slot)) {
        // The node may not be ours to open yet: udev sets its permissions a moment after it appears.
        m_openRetries.add(slotIndex, slot);
        SetTimer(kOpenRetryTimer, UINT(OpenRetryList::kRetryPeriod.count()));
    }
    ShowOption(*entry, true, CountVisibleOptions() == 0);
    entry->option->StartTimers();
    BringToFront();
}

bool CMainWnd::OpenCommandSlot(DevicePage& entry, const SupportedDeviceEntry& slot) {
    if (!entry.page->openCommandInterface(slot.devicePath, slot.deviceKind == kDeviceKindWirelessMouse))
        return false;
    entry.page->onConnected(slot);
    if (entry.waitingNotification && sameDevice(*entry.waitingNotification, slot)) {
        entry.page->closeNotifyInterface();
        entry.page->openNotifyInterface(entry.waitingNotification->devicePath);
    }
    entry.waitingNotification.reset();
    return true;
}

void CMainWnd::RetryPendingOpens() {
    std::vector<DevicePage*> connected;
    const OpenRetryList::Outcome outcome = m_openRetries.retry([&](int, const SupportedDeviceEntry& slot) {
        DevicePage* entry = CommandPageFor(slot);
        if (entry == nullptr)
            return false;
        // Connected meanwhile, to this interface (CommandPageFor refuses another): nothing is left to do.
        if (entry->page->isConnected())
            return true;
        if (!OpenCommandSlot(*entry, slot))
            return false;
        connected.push_back(entry);
        return true;
    });
    for (int slot : outcome.givenUp)
        trace("device interface of slot " + std::to_string(slot) + " could not be opened");
    if (m_openRetries.empty())
        KillTimer(kOpenRetryTimer);
    // The entry's timers ran while the page was not connected; they start again for the connect routine.
    for (DevicePage* entry : connected)
        if (entry->option->IsVisibleFlag())
            entry->option->StartTimers();
}

void CMainWnd::OnDeviceRemoval(int slotIndex) {
    const std::vector<SupportedDeviceEntry>& slots = m_scanner->slots();
    if (slotIndex < 0 || size_t(slotIndex) >= slots.size())
        return;
    // The scan thread has cleared the slot's path; the table numbers identify the page.
    const SupportedDeviceEntry& slot = slots[size_t(slotIndex)];
    trace(removalText(slot.deviceKind));
    m_openRetries.remove(slotIndex);
    if (slot.interfaceRole == kInterfaceRoleNotification) {
        OnNotificationRemoval(slot);
        return;
    }
    DevicePage* entry = PageOfKind(pageKindOf(slot.deviceKind));
    if (entry == nullptr || !sameInterface(entry->page->identity(), slot))
        return;
    const bool wasFront = entry->option->IsVisibleFlag() && entry->option->IsSelected();
    // A recording or key capture of the device in front ends with it: its page is about to go.
    if (wasFront)
        ReleaseInputHook();
    if (wasFront)
        CommitPendingEdit();
    entry->page->closeCommandInterface();
    NotifyRgbDevicesChanged();
    ShowOption(*entry, false, false);
    if (!wasFront)
        return;
    // The settings window, which belongs to the device in front, joins with its parts.
    // A settings window in the middle of an upgrade refuses: a firmware upgrade re-plugs the device it upgrades.
    CloseSettings();
    for (DevicePage& other : m_pages) {
        if (&other != entry && other.option->IsVisibleFlag()) {
            ShowOption(other, true, true);
            break;
        }
    }
}

// --- which entries are shown ---

int CMainWnd::CountVisibleOptions() const {
    int visible = 0;
    for (const DevicePage& entry : m_pages)
        visible += entry.option->IsVisibleFlag() ? 1 : 0;
    return visible;
}

CVeltraUSBDevice* CMainWnd::GetSelectedPage() const {
    for (const DevicePage& entry : m_pages)
        if (entry.option->IsVisibleFlag() && entry.option->IsSelected())
            return entry.page;
    return nullptr;
}

void CMainWnd::ShowPowerOf(const CDeviceOptionUI& option) {
    CTabLayoutUI* powerSwitch = FindTab(kDevicePowerSwitch);
    if (powerSwitch == nullptr)
        return;
    if (option.GetPowerIndex() < 0) {
        powerSwitch->SetVisible(false);
        return;
    }
    powerSwitch->SetVisible(true);
    powerSwitch->SelectItem(option.GetPowerIndex());
}

void CMainWnd::CommitPendingEdit() {
    QWidget* focused = m_hWnd != nullptr ? m_hWnd->focusWidget() : nullptr;
    if (focused != nullptr && focused != m_hWnd)
        m_hWnd->setFocus(Qt::OtherFocusReason);
}

void CMainWnd::ShowOption(DevicePage& entry, bool show, bool select) {
    if (select)
        CommitPendingEdit();
    entry.option->SetVisible(show);
    if (select) {
        if (CTabLayoutUI* pageSwitch = FindTab(kDeviceSwitch))
            pageSwitch->SelectItem(entry.page);
        ShowPowerOf(*entry.option);
        entry.option->Select(true);
    }
    ApplyVisibleOptionRules();
}

void CMainWnd::ApplyVisibleOptionRules() {
    const int visible = CountVisibleOptions();
    ShowNoDeviceScreen(visible == 0);
    if (visible == 0) {
        if (CTabLayoutUI* powerSwitch = FindTab(kDevicePowerSwitch))
            powerSwitch->SelectItem(0);
        if (CTabLayoutUI* pageSwitch = FindTab(kDeviceSwitch))
            pageSwitch->SelectItem(0);
    }
    // Synchronised lighting needs a second device: with one or none shown, every page and entry drops it.
    for (DevicePage& entry : m_pages) {
        entry.page->setMultipleDevicesShown(visible > 1);
        entry.option->ShowSynchronise(visible > 1);
        if (CLightControlUI* panel = findLightPanel(*entry.page))
            panel->setSameModePermission(visible > 1);
    }
    if (visible <= 1)
        StopSameMode();
}

void CMainWnd::OnSelectChanged(TNotifyUI& msg) {
    if (msg.pSender == nullptr || msg.pSender->GetName() != CDeviceOptionUI::kSelectName)
        return;
    for (DevicePage& entry : m_pages)
        if (entry.option->IsVisibleFlag() && entry.option->IsSelected() &&
            entry.option->FindSubControl(CDeviceOptionUI::kSelectName) == msg.pSender)
            ShowPowerOf(*entry.option);
}

} // namespace pelan
