// The main window's update side: the update check worker, the "setbtn" badge and the settings window.
#include "app/AppMessages.h"
#include "app/CMainWnd.h"
#include "app/CSetWnd.h"
#include "pages/CVeltraUSBDevice.h"
#include "platform/HttpClient.h"
#include "platform/Paths.h"
#include "platform/SettingsFile.h"
#include "platform/Shell.h"
#include "platform/Trace.h"
#include "update/UpdateService.h"

#include <mutex>

namespace pelan {
namespace {

constexpr int kSettingsRightInset = 30;
constexpr int kSettingsTopOffset = 60;
// The versions the last news that opened the settings window was about.
constexpr const char* kShownNewsKey = "UpdateNewsShown";

// What news is about: the program and each device at its version. The same news at a later start is not news.
std::string newsAbout(const std::vector<UpdateProduct>& products) {
    std::string about;
    for (const UpdateProduct& product : products)
        if (product.currentVersion != 0)
            about += product.modelCode + ":" + std::to_string(product.currentVersion) + ";";
    return about;
}

} // namespace

// A check stuck in a name lookup may outlive the window: the worker owns what it uses and posts through a holder
// the window empties when it goes.
struct CMainWnd::UpdatePoster {
    std::mutex mutex;
    CMainWnd* window = nullptr;
};

void CMainWnd::StartUpdateThread() {
    m_http = std::make_shared<CurlHttpClient>();
    m_updateChecker = std::make_shared<UpdateChecker>(*m_http, updateServiceUrl());
    m_updatePoster = std::make_shared<UpdatePoster>();
    m_updatePoster->window = this;
    m_workers[kUpdateWorker].start([http = m_http, checker = m_updateChecker, poster = m_updatePoster](StopEvent&) {
        runWorkerBody("update check", [&] {
            checker->run([&poster](bool newer) {
                std::lock_guard lock(poster->mutex);
                if (poster->window != nullptr)
                    poster->window->PostMessage(kUpdateAnswerMsg, newer ? 1 : 0, 0);
            });
        });
        trace("获取更新线程退出");
    });
}

void CMainWnd::ForgetUpdatePoster() {
    if (m_updatePoster == nullptr)
        return;
    std::lock_guard lock(m_updatePoster->mutex);
    m_updatePoster->window = nullptr;
}

std::vector<UpdateProduct> CMainWnd::PrepareUpdateList() const {
    // Row i belongs to entry i of the device list; the last entry (the headset) is not asked about.
    std::array<std::uint32_t, kUpdateRowCount - 1> versions{};
    for (size_t i = 0; i < versions.size() && i < m_pages.size(); ++i) {
        const CVeltraUSBDevice* page = m_pages[i].page;
        if (page != nullptr && page->isConnected())
            versions[i] = page->model().commandChannel.device.attributes.VersionNumber;
    }
    return prepareUpdateRows(versions);
}

void CMainWnd::RequestUpdateCheck() {
    if (m_updateChecker == nullptr || m_stopping)
        return;
    m_updateCheckAsked = true;
    trace("需要去获取更新");
    m_updateChecker->request(PrepareUpdateList());
}

void CMainWnd::OnUpdateAnswer(bool newer) {
    if (m_titleButtons[8] != nullptr)
        m_titleButtons[8]->SetForeImage(newer ? kUpdateBadgeImage : "");
    if (newer && m_openSettingsOnNews) {
        m_openSettingsOnNews = false;
        // The window opens by itself for news the user has not seen yet; the badge tells of it otherwise.
        const std::string news = newsAbout(PrepareUpdateList());
        if (settingsValue(kShownNewsKey) == news)
            return;
        writeSettingsValue(kShownNewsKey, news);
        // Started hidden in the tray: the news waits until the user brings the window up.
        if (m_keepHidden)
            m_settingsDeferred = true;
        else
            PostMessage(UWM_SHOW_SETTINGS_MSG, 0, 0);
    }
}

void CMainWnd::StopKeepingHidden() {
    m_keepHidden = false;
    if (m_settingsDeferred) {
        m_settingsDeferred = false;
        PostMessage(UWM_SHOW_SETTINGS_MSG, 0, 0);
    }
}

void CMainWnd::OpenSettings(bool underSettingsButton) {
    // The update workers' client exists once the window has started.
    if (m_setWnd != nullptr || m_hWnd == nullptr || m_http == nullptr)
        return;
    UpdateSession::Setup setup{m_http.get(), &shell(), updateServiceUrl(), updateDownloadFolder(), dataFolder()};
    auto* window = new CSetWnd(PrepareUpdateList(), setup, [this] {
        m_setWnd = nullptr;
        // What the settings window did may have changed the answer: the badge follows a fresh check.
        RequestUpdateCheck();
    });
    window->SetLanguageIndex(m_languageIndex);
    if (window->Create(this, "SetWnd", CSetWnd::kStyle, CSetWnd::kExStyle, 0, 0, CSetWnd::kWidth, CSetWnd::kHeight) ==
        nullptr) {
        delete window;
        return;
    }
    m_setWnd = window;
    QWidget* host = window->GetHWND();
    if (underSettingsButton) {
        const QRect main = m_hWnd->geometry();
        host->move(main.right() - m_pm.ScaleValue(kSettingsRightInset) - host->width(),
                   main.top() + m_pm.ScaleValue(kSettingsTopOffset));
    } else {
        window->CenterWindow();
    }
    // Modal over the main window without a nested loop: the window ends itself and tells us through its callback.
    host->setWindowModality(Qt::ApplicationModal);
    window->ShowWindow(true, true);
}

// Asks the settings window to close as its own close button would; one busy updating stays.
void CMainWnd::CloseSettings() {
    if (m_setWnd != nullptr)
        m_setWnd->Close(0);
}

} // namespace pelan
