// The main window's synchronised lighting: the "same mode" box of the lighting panels turns the selected device's
// effect into one shared effect that every connected device shows in step, driven by the lighting sync thread
// (worker 8); the synchronise ticks of the device entries show which devices take part.
#include "app/CMainWnd.h"
#include "controls/CDeviceOptionUI.h"
#include "device/LightSync.h"
#include "pages/CVeltraUSBDevice.h"
#include "panels/CLightControlUI.h"
#include "panels/LightRoutes.h"
#include "platform/Trace.h"

namespace pelan {
namespace {

// The order the sync thread hands each colour out in, and the order the pages take the shared mode in.
constexpr int kHandOutOrder[] = {kDeviceKindMouse, kDeviceKindMousepad, kDeviceKindHeadset, kDeviceKindKeyboard};
constexpr int kModeOrder[] = {kDeviceKindKeyboard, kDeviceKindMouse, kDeviceKindMousepad, kDeviceKindHeadset};

} // namespace

void CMainWnd::StartLightSyncThread() {
    m_syncRunner = std::make_unique<LightSyncRunner>(m_syncLighting);
    std::vector<UsbDeviceModel*> models;
    for (int kind : kHandOutOrder)
        for (const DevicePage& entry : m_pages)
            if (entry.kind == kind)
                models.push_back(&entry.page->model());
    m_syncRunner->setModels(std::move(models));
    m_workers[kLightSyncWorker].start([runner = m_syncRunner.get()](StopEvent& stop) { runner->run(stop); });
}

bool CMainWnd::RouteSameMode(TNotifyUI& msg) {
    if (!isSameModeBox(msg))
        return false;
    const auto* box = dynamic_cast<const CCheckBoxUI*>(msg.pSender);
    if (box != nullptr && box->GetCheck())
        StartSameMode();
    else
        StopSameMode();
    return true;
}

void CMainWnd::StartSameMode() {
    CVeltraUSBDevice* selected = GetSelectedPage();
    std::vector<UsbDeviceModel*> connected;
    for (int kind : kModeOrder)
        for (const DevicePage& entry : m_pages)
            if (entry.kind == kind && entry.page->isConnected())
                connected.push_back(&entry.page->model());
    std::vector<OwnLighting> own = ownLightingOf(connected);
    if (selected == nullptr || !adoptSameMode(m_syncLighting, selected->model(), connected)) {
        trace("same mode: the selected device's light mode has no shared effect");
        ShowSameModeState();
        return;
    }
    if (!m_sameModeOn)
        m_ownLighting = std::move(own);
    m_sameModeOn = true;
    for (DevicePage& entry : m_pages)
        entry.page->setSyncLighting(entry.page->isConnected());
    ShowSameModeState();
    m_syncRunner->wake();
}

void CMainWnd::StopSameMode() {
    const bool wasOn = m_sameModeOn;
    m_sameModeOn = false;
    for (DevicePage& entry : m_pages)
        entry.page->setSyncLighting(false);
    ShowSameModeState();
    if (wasOn && m_syncRunner != nullptr)
        m_syncRunner->wake();
    // Each device shows its own profile's lighting again, and its page says so.
    if (wasOn) {
        restoreOwnLighting(m_ownLighting);
        for (DevicePage& entry : m_pages)
            showPageLight(*entry.page);
    }
    m_ownLighting.clear();
}

// Every panel's box and every entry's tick show whether the devices are synchronised.
void CMainWnd::ShowSameModeState() {
    for (DevicePage& entry : m_pages) {
        if (CLightControlUI* panel = findLightPanel(*entry.page))
            panel->setSameModeChecked(m_sameModeOn);
        if (entry.option->IsSynchronised() != entry.page->isSyncLighting())
            entry.option->SetSynchronise(entry.page->isSyncLighting());
    }
}

void CMainWnd::OnSynchroniseTick(TNotifyUI& msg) {
    for (DevicePage& entry : m_pages) {
        if (entry.option->FindSubControl(CDeviceOptionUI::kSynchroName) != msg.pSender)
            continue;
        const bool wanted = entry.option->IsSynchronised() && m_sameModeOn && entry.page->isConnected();
        if (wanted != entry.page->isSyncLighting()) {
            entry.page->setSyncLighting(wanted);
            m_syncRunner->wake();
        }
        // A tick without a running synchronisation, or on a device that is not there, does not stay.
        if (entry.option->IsSynchronised() != wanted)
            entry.option->SetSynchronise(wanted);
    }
}

} // namespace pelan
