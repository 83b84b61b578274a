// The main window's OpenRGB SDK server: started at window init when the settings or --rgb-server ask for it, and by
// the settings window's switch. The server runs on its own thread; what it changes in profiles and devices, and who
// drives the lights, comes to the UI thread as jobs.
#include "app/MainWndRgbServer.h"

#include "pages/CVeltraUSBDevice.h"
#include "platform/Trace.h"
#include "rgbserver/RgbServerSettings.h"

namespace pelan {

std::string CMainWnd::StartRgbServer() {
    if (m_rgbServer != nullptr)
        return {};
    std::vector<UsbDeviceModel*> models;
    for (const DevicePage& entry : m_pages)
        models.push_back(&entry.page->model());
    auto server = std::make_unique<RgbServer>(std::move(models), rgb::storedServerSettings());
    RgbServer* owner = server.get();
    const auto post = [this, owner](std::function<void()> job) {
        {
            std::lock_guard lock(owner->jobLock);
            owner->jobs.push_back(std::move(job));
        }
        PostMessage(kRgbJobMsg, 0, 0);
    };
    server->controllers.setJobRunner(post);
    server->controllers.setOwnerListener([this, post](const std::vector<std::string>& names) {
        post([this, names] {
            m_rgbOwners = names;
            ShowLightingOwner();
        });
    });
    server->controllers.refresh();
    if (std::string error = server->server.start(); !error.empty())
        return error;
    m_rgbServer = std::move(server);
    trace("RGB server on port " + std::to_string(m_rgbServer->server.port()));
    return {};
}

void CMainWnd::StopRgbServer() {
    if (m_rgbServer == nullptr)
        return;
    m_rgbServer->server.stop();
    // What the server's thread left for this thread: the devices' own lighting coming back among it.
    RunRgbJobs();
    m_rgbServer.reset();
    m_rgbOwners.clear();
    ShowLightingOwner();
}

void CMainWnd::RunRgbJobs() {
    if (m_rgbServer == nullptr)
        return;
    std::vector<std::function<void()>> jobs;
    {
        std::lock_guard lock(m_rgbServer->jobLock);
        jobs.swap(m_rgbServer->jobs);
    }
    for (const std::function<void()>& job : jobs)
        job();
}

void CMainWnd::NotifyRgbDevicesChanged() {
    if (m_rgbServer == nullptr)
        return;
    m_rgbServer->controllers.refresh();
    m_rgbServer->server.devicesChanged();
}

bool CMainWnd::SetRgbServer(bool on) {
    if (!rgb::storeServerEnabled(on))
        trace("RGB server: the choice could not be stored");
    if (!on) {
        StopRgbServer();
        return true;
    }
    if (const std::string error = StartRgbServer(); !error.empty()) {
        trace("RGB server: " + error);
        return false;
    }
    return true;
}

bool CMainWnd::IsRgbServerRunning() const {
    return m_rgbServer != nullptr && m_rgbServer->server.running();
}

uint16_t CMainWnd::GetRgbServerPort() const {
    return m_rgbServer != nullptr ? m_rgbServer->server.port() : 0;
}

} // namespace pelan
