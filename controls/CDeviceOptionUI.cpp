#include "controls/CDeviceOptionUI.h"

namespace pelan {
namespace {

constexpr const char* kIconFolder = "common/device_ico/";
constexpr const char* kNormalEnding = "_device_normal.png";
constexpr const char* kSelectedEnding = "_device_selected.png";
constexpr const char* kSynchroNormalEnding = "_device_synchro_normal.png";
constexpr const char* kSynchroSelectedEnding = "_device_synchro_selected.png";
constexpr const char* kNameKeyEnding = "_device_name_text";

} // namespace

void* CDeviceOptionUI::GetInterface(const QString& name) {
    if (name == "DeviceOption")
        return this;
    return CHorizontalLayoutUI::GetInterface(name);
}

QString CDeviceOptionUI::IconStem(int kind, int role) {
    switch (kind) {
    case 1:
        return "kb";
    case 2:
        return "ms";
    case 3:
        return role == 0 ? "hard_mp" : role == 1 ? "soft_mp" : QString();
    case 4:
    case 7:
        return "hd";
    case 5:
        return "hub";
    default:
        return "unknow";
    }
}

COptionUI* CDeviceOptionUI::SelectOption() const {
    return dynamic_cast<COptionUI*>(const_cast<CDeviceOptionUI*>(this)->FindSubControl(kSelectName));
}

CCheckBoxUI* CDeviceOptionUI::SynchroTick() const {
    return dynamic_cast<CCheckBoxUI*>(const_cast<CDeviceOptionUI*>(this)->FindSubControl(kSynchroName));
}

void CDeviceOptionUI::SetKind(int kind, int role) {
    m_kind = kind;
    m_role = role;
    const QString stem = IconStem(kind, role);
    if (stem.isEmpty())
        return;
    const QString base = kIconFolder + stem;
    m_normalImage = base + kNormalEnding;
    m_selectedImage = base + kSelectedEnding;
    m_synchroNormalImage = base + kSynchroNormalEnding;
    m_synchroSelectedImage = base + kSynchroSelectedEnding;
    if (auto* label = FindSubControl(kNameLabel)) {
        label->SetResourceText(true);
        label->SetText(stem + kNameKeyEnding);
    }
    RefreshImages();
}

void CDeviceOptionUI::RefreshImages() {
    COptionUI* option = SelectOption();
    if (option == nullptr)
        return;
    const bool synchro = IsSynchronised();
    option->SetNormalImage(synchro ? m_synchroNormalImage : m_normalImage);
    option->SetSelectedImage(synchro ? m_synchroSelectedImage : m_selectedImage);
}

void CDeviceOptionUI::BindTab(const QString& layoutName, int index) {
    if (COptionUI* option = SelectOption()) {
        option->SetBindTabLayoutName(layoutName);
        option->SetBindTabLayoutIndex(index);
    }
}

QString CDeviceOptionUI::GetTabLayoutName() const {
    const COptionUI* option = SelectOption();
    return option != nullptr ? option->GetBindTabLayoutName() : QString();
}

int CDeviceOptionUI::GetTabIndex() const {
    const COptionUI* option = SelectOption();
    return option != nullptr ? option->GetBindTabLayoutIndex() : -1;
}

void CDeviceOptionUI::SetPowerContainer(const QString& name, int index) {
    m_powerContainerName = name;
    if (index >= 0)
        m_powerIndex = index;
}

void CDeviceOptionUI::SetGroup(const QString& group) {
    if (COptionUI* option = SelectOption())
        option->SetGroup(group);
}

void CDeviceOptionUI::SetDeviceName(const QString& text) {
    if (auto* label = FindSubControl(kNameLabel))
        label->SetText(text);
}

void CDeviceOptionUI::ShowSynchronise(bool show) {
    if (CCheckBoxUI* tick = SynchroTick())
        tick->SetVisible(show);
    RefreshImages();
}

void CDeviceOptionUI::SetSynchronise(bool on) {
    if (CCheckBoxUI* tick = SynchroTick())
        tick->SetCheck(on, true);
    RefreshImages();
}

bool CDeviceOptionUI::IsSynchronised() const {
    const CCheckBoxUI* tick = SynchroTick();
    return tick != nullptr && tick->GetCheck();
}

void CDeviceOptionUI::Select(bool selected) {
    if (COptionUI* option = SelectOption())
        option->Selected(selected);
}

bool CDeviceOptionUI::IsSelected() const {
    const COptionUI* option = SelectOption();
    return option != nullptr && option->IsSelected();
}

void CDeviceOptionUI::SetVisible(bool visible) {
    m_visible = visible;
    CHorizontalLayoutUI::SetVisible(visible);
}

bool CDeviceOptionUI::Activate() {
    if (!CHorizontalLayoutUI::Activate())
        return false;
    SendNotify(DUI_MSGTYPE_SELECTCHANGED);
    return true;
}

void CDeviceOptionUI::StartTimers() {
    SetTimer(kConnectTimer, kConnectDelayMs);
}

bool CDeviceOptionUI::KeepsPeriodicTimer() const {
    return m_page != nullptr && m_page->IsPowerDisplayEnabled() && m_page->IsCommandConnected();
}

void CDeviceOptionUI::OnTimer(UINT id) {
    KillTimer(id);
    if (m_page == nullptr)
        return;
    m_page->OnOptionTimer(id);
    // The periodic status read runs every 5 s for as long as the page shows a power display and is connected; a
    // removed device therefore stops it after its next run.
    if ((id == kConnectTimer || id == kPeriodicTimer) && KeepsPeriodicTimer())
        SetTimer(kPeriodicTimer, kPeriodicIntervalMs);
}

void CDeviceOptionUI::DoEvent(TEventUI& event) {
    if (event.Type == UIEVENT_TIMER && event.wParam >= kConnectTimer && event.wParam <= kPeriodicTimer) {
        OnTimer(static_cast<UINT>(event.wParam));
        return;
    }
    // A press and release anywhere on the entry (its name, its blank space) selects the device as the icon does;
    // the icon and the synchronise tick handle their own presses.
    if (event.Type == UIEVENT_BUTTONDOWN || event.Type == UIEVENT_DBLCLICK) {
        m_pressed = IsEnabled();
        return;
    }
    if (event.Type == UIEVENT_BUTTONUP) {
        const bool clicked = m_pressed && GetPos().contains(event.ptMouse);
        m_pressed = false;
        COptionUI* option = SelectOption();
        if (clicked && option != nullptr)
            option->Activate();
        return;
    }
    CHorizontalLayoutUI::DoEvent(event);
}

} // namespace pelan
