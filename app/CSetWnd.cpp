#include "app/CSetWnd.h"

#include "app/AppMessages.h"
#include "app/CMainWnd.h"
#include "app/CMsgWnd.h"
#include "controls/CCircleProgressUI.h"
#include "controls/CUpdateInfoListItemUI.h"
#include "platform/Trace.h"
#include "profile/LanguageList.h"
#include "update/UpdateService.h"

#include <QScreen>
#include <QWindow>
#include <mutex>

namespace pelan {
namespace {

constexpr const char* kUpdateList = "device_update_list_info";
constexpr const char* kUpdateButton = "update_fw_and_ap";
constexpr const char* kConfirmButton = "update_OK_btn";
constexpr const char* kLaterButton = "laterbtn";
constexpr const char* kCloseButton = "closebtn";
constexpr const char* kHintButton = "set_in_update_wnd_btn";
constexpr const char* kHintLayout = "update_tishi_layout";
constexpr const char* kTabLayout = "get_update_tab_layout";
constexpr const char* kStateText = "Update_Status_text";
constexpr const char* kStateImage = "update_status_image";
constexpr const char* kLanguageCombo = "Language_combox_info";
constexpr const char* kRgbServerCheck = "rgb_server_check";
constexpr int kListPage = 0;
constexpr int kConfirmPage = 1;
constexpr int kCheckWorker = 0;
constexpr int kDownloadWorker = 1;
constexpr int kLaunchWorker = 2;
// The state dot's colour per window state: checking, news, nothing, updating, all up to date, check failed.
constexpr DWORD kStateColours[] = {0xFF3D8BFF, 0xFFFFC107, 0xFF8A93A3, 0xFF3D8BFF, 0xFF2ECC71, 0xFFE74C3C};
constexpr const char* kUpdateFailedMessage = "UpdateFailedMessage";

} // namespace

// What the workers post through: it outlives the window for a worker that ends late, and forgets the window first.
class CSetWnd::Mailbox : public UpdateSession::Listener {
public:
    explicit Mailbox(CSetWnd* window) : m_window(window) {}
    void Forget() {
        std::lock_guard lock(m_mutex);
        m_window = nullptr;
    }
    void updateRowsChanged() override { Post(kRowsChangedMsg, 0); }
    void updateLaunchFailed(int row) override { Post(kLaunchFailedMsg, WPARAM(row)); }

private:
    void Post(UINT message, WPARAM wParam) {
        std::lock_guard lock(m_mutex);
        if (m_window != nullptr)
            m_window->PostMessage(message, wParam, 0);
    }
    std::mutex m_mutex;
    CSetWnd* m_window;
};

CSetWnd::CSetWnd(std::vector<UpdateProduct> products, UpdateSession::Setup setup, std::function<void()> onClosed)
    : m_mailbox(std::make_shared<Mailbox>(this)), m_dataFolder(setup.dataFolder),
      m_session(std::make_shared<UpdateSession>(std::move(setup), std::move(products), m_mailbox.get())),
      m_onClosed(std::move(onClosed)) {}

CSetWnd::~CSetWnd() {
    StopWorkers();
    m_mailbox->Forget();
}

CControlUI* CSetWnd::CreateControl(const QString& className) {
    if (className == "UpdateInfoListItem")
        return new CUpdateInfoListItemUI();
    if (className == "CircleProgress")
        return new CCircleProgressUI();
    return nullptr;
}

void CSetWnd::InitWindow() {
    m_list = dynamic_cast<CListUI*>(m_pm.FindControl(kUpdateList));
    ResizeClient(m_pm.ScaleValue(kWidth), m_pm.ScaleValue(kHeight));
    FollowScreenChanges();
    ShowLanguages();
    if (auto* check = dynamic_cast<CCheckBoxUI*>(m_pm.FindControl(kRgbServerCheck))) {
        const CMainWnd* main = GetMainWindow();
        check->SetCheck(main != nullptr && main->IsRgbServerRunning(), false);
    }
    m_lastCheckDate = keepLastCheckDate(m_dataFolder);
    ShowRows();
    // The workers hold the session and the mailbox, so one that outlives the window finds both.
    std::shared_ptr<UpdateSession> session = m_session;
    std::shared_ptr<Mailbox> mailbox = m_mailbox;
    m_workers[kCheckWorker].start(
        [session, mailbox](StopEvent&) { runWorkerBody("update check", [&session] { session->check(); }); });
    m_workers[kDownloadWorker].start(
        [session, mailbox](StopEvent&) { runWorkerBody("update downloads", [&session] { session->runDownloads(); }); });
    m_workers[kLaunchWorker].start(
        [session, mailbox](StopEvent&) { runWorkerBody("update launches", [&session] { session->runLaunches(); }); });
}

// Moved to a screen of another density, the window takes that screen's DPI as a DPI change message.
void CSetWnd::FollowScreenChanges() {
    if (m_hWnd == nullptr)
        return;
    m_hWnd->winId(); // the native window, whose screen is followed
    QWindow* native = m_hWnd->windowHandle();
    if (native == nullptr)
        return;
    QObject::connect(native, &QWindow::screenChanged, m_hWnd, [this](QScreen* screen) {
        if (screen == nullptr || m_hWnd == nullptr)
            return;
        const int dpi = qRound(screen->logicalDotsPerInch());
        QRect suggested(m_hWnd->pos(), QSize(kWidth * dpi / 96, kHeight * dpi / 96));
        SendMessage(WM_DPICHANGED, WPARAM(dpi) | (WPARAM(dpi) << 16), LPARAM(&suggested));
    });
}

// Rescaled to the new DPI, at the suggested size, centred again.
void CSetWnd::ApplyDpi(int dpi, const QRect* suggested) {
    if (dpi <= 0 || m_hWnd == nullptr)
        return;
    m_pm.SetDPI(dpi);
    if (suggested != nullptr)
        m_hWnd->resize(suggested->size());
    else
        ResizeClient(m_pm.ScaleValue(kWidth), m_pm.ScaleValue(kHeight));
    CenterWindow();
    if (m_pm.GetRoot() != nullptr)
        m_pm.GetRoot()->NeedUpdate();
}

void CSetWnd::StopWorkers() {
    m_session->stop();
    for (WorkerThread& worker : m_workers)
        if (worker.running())
            worker.stop([this] { m_session->stop(); });
}

// Mirrors the session's rows into the list: one row control per row, made from the row layout when missing.
void CSetWnd::ShowRows() {
    if (m_list == nullptr)
        return;
    const std::vector<UpdateRow> rows = m_session->rows();
    while (m_list->GetCount() < int(rows.size())) {
        CDialogBuilder builder;
        CControlUI* item = builder.Create(CUpdateInfoListItemUI::kLayout, QString(), this, &m_pm);
        if (item == nullptr || !m_list->Add(item))
            return;
    }
    // Under "updates are available" only the devices that have one are listed.
    const bool newsOnly = m_session->state() == kWindowHaveUpdate;
    for (int i = 0; i < int(rows.size()); ++i) {
        auto* item = dynamic_cast<CUpdateInfoListItemUI*>(m_list->GetItemAt(i));
        if (item == nullptr)
            continue;
        const int status = rows[size_t(i)].status;
        item->ShowRow(i, rows[size_t(i)]);
        item->SetVisible(!newsOnly || (status != kRowUpToDate && status != kRowNothingToUpdate));
    }
    ShowState();
}

void CSetWnd::ShowState() {
    const int state = m_session->state();
    if (CControlUI* text = m_pm.FindControl(kStateText)) {
        text->SetText(state == kWindowCheckFailed ? updateFailureTextKey(m_session->checkFailure())
                                                  : windowStateTextKey(state));
        text->SetResourceText(true);
    }
    if (CControlUI* image = m_pm.FindControl(kStateImage))
        image->SetBkColor(kStateColours[state]);
}

void CSetWnd::OnTickChanged() {
    const bool any = m_session->anyTicked();
    if (CControlUI* button = m_pm.FindControl(kUpdateButton)) {
        button->SetEnabled(any);
        button->SetVisible(any);
    }
}

void CSetWnd::ShowLanguages() {
    auto* combo = dynamic_cast<CComboUI*>(m_pm.FindControl(kLanguageCombo));
    if (combo == nullptr)
        return;
    combo->RemoveAll();
    for (const LanguageEntry& entry : installedLanguages()) {
        auto* item = new CListLabelElementUI;
        item->SetText(QString::fromStdString(entry.text));
        combo->Add(item);
    }
    combo->SelectItem1(m_languageIndex, false, false);
}

void CSetWnd::Notify(TNotifyUI& msg) {
    const QString name = msg.pSender != nullptr ? msg.pSender->GetName() : QString();
    if (msg.sType == DUI_MSGTYPE_CLICK) {
        if (name == kCloseButton || name == kLaterButton) {
            Close(0);
        } else if (name == kHintButton) {
            if (CControlUI* hint = m_pm.FindControl(kHintLayout))
                hint->SetVisible(false);
            ResizeClient(m_pm.ScaleValue(kWidth), m_pm.ScaleValue(kHeight));
        } else if (name == kUpdateButton) {
            if (auto* tabs = dynamic_cast<CTabLayoutUI*>(m_pm.FindControl(kTabLayout)))
                tabs->SelectItem(kConfirmPage);
        } else if (name == kConfirmButton) {
            if (CControlUI* button = m_pm.FindControl(kUpdateButton))
                button->SetEnabled(false);
            m_session->confirm();
            if (auto* tabs = dynamic_cast<CTabLayoutUI*>(m_pm.FindControl(kTabLayout)))
                tabs->SelectItem(kListPage);
        }
    } else if (msg.sType == DUI_MSGTYPE_ITEMSELECT && name == kLanguageCombo) {
        m_languageIndex = int(msg.wParam);
        if (CMainWnd* main = GetMainWindow())
            main->SendMessage(UWM_LANGUAGE_CHANGED_MSG, msg.wParam, 0);
    } else if (msg.sType == DUI_MSGTYPE_SELECTCHANGED && name == kRgbServerCheck) {
        auto* check = dynamic_cast<CCheckBoxUI*>(msg.pSender);
        CMainWnd* main = GetMainWindow();
        // A server that cannot start (its port taken) leaves the switch off.
        if (check != nullptr && main != nullptr && !main->SetRgbServer(check->GetCheck()))
            check->SetCheck(false, false);
    } else if (msg.sType == DUI_MSGTYPE_SELECTCHANGED && name == CUpdateInfoListItemUI::kTickName) {
        const auto* tick = dynamic_cast<COptionUI*>(msg.pSender);
        m_session->setTicked(int(msg.pSender->GetTag()), tick != nullptr && tick->IsSelected());
        OnTickChanged();
    }
    WindowImplBase::Notify(msg);
}

LRESULT CSetWnd::OnClose(UINT, WPARAM, LPARAM, bool& bHandled) {
    // A download or an installer under way keeps the window open.
    if (!m_session->canClose()) {
        trace("settings window: closing refused while updating");
        bHandled = true;
        return 0;
    }
    StopWorkers();
    bHandled = false;
    return 0;
}

LRESULT CSetWnd::OnSysCommand(UINT uMsg, WPARAM wParam, LPARAM lParam, bool& bHandled) {
    if (wParam == SC_CLOSE) {
        Close(0);
        bHandled = true;
        return 0;
    }
    return WindowImplBase::OnSysCommand(uMsg, wParam, lParam, bHandled);
}

LRESULT CSetWnd::HandleCustomMessage(UINT uMsg, WPARAM wParam, LPARAM lParam, bool& bHandled) {
    bHandled = true;
    if (uMsg == kRowsChangedMsg) {
        ShowRows();
        OnTickChanged();
    } else if (uMsg == kLaunchFailedMsg) {
        ShowLaunchFailure(int(wParam));
    } else if (uMsg == appMessages().settingsRelay && uMsg != 0) {
        m_session->relay(std::int64_t(wParam), std::int64_t(lParam));
    } else if (uMsg == UWM_LANGUAGE_CHANGED_MSG) {
        ShowState();
    } else if (uMsg == WM_DPICHANGED) {
        ApplyDpi(LOWORD(wParam), reinterpret_cast<const QRect*>(lParam));
    } else {
        bHandled = false;
    }
    return 0;
}

// "Update failed!" and the reason, in the window's language.
void CSetWnd::ShowLaunchFailure(int row) {
    const std::vector<UpdateRow> rows = m_session->rows();
    const UpdateFailure failure =
        row >= 0 && row < int(rows.size()) ? rows[size_t(row)].failure : UpdateFailure::StartFailed;
    const CResourceManager* texts = CResourceManager::GetInstance();
    const QString text =
        texts->GetText(kUpdateFailedMessage) + "\n" +
        texts->GetText(updateFailureTextKey(failure == UpdateFailure::None ? UpdateFailure::StartFailed : failure));
    CMsgWnd::ShowMessage(this, QString(), text, 96, false, CMsgWnd::kConfirmOnly);
}

void CSetWnd::OnFinalMessage(QWidget* hWnd) {
    WindowImplBase::OnFinalMessage(hWnd);
    if (m_onClosed)
        m_onClosed();
    delete this;
}

} // namespace pelan
