#include "app/CMainWnd.h"

#include "app/AppMessages.h"
#include "platform/Trace.h"

#include <QCursor>
#include <QPixmap>
#include <atomic>

namespace pelan {
namespace {

std::atomic<CMainWnd*> g_mainWindow{nullptr};

constexpr const char* kNoDeviceLink = "No_device_Link";
constexpr const char* kDeviceSelectLayout = "device_select_layout";
constexpr const char* kInitialLanguageFile = "lan_cn.xml";
constexpr const char* kTrayMenuLayout = "menu.xml";
constexpr const char* kExitItem = "exit";
constexpr int kTrayMenuLift = 50;

} // namespace

CMainWnd* GetMainWindow() {
    return g_mainWindow.load();
}

CMainWnd::CMainWnd() = default;

CMainWnd::~CMainWnd() {
    CMainWnd* self = this;
    g_mainWindow.compare_exchange_strong(self, nullptr);
    if (CResourceManager::GetInstance()->GetTextQueryInterface() == this)
        CResourceManager::GetInstance()->SetTextQueryInterface(nullptr);
}

void CMainWnd::InitWindow() {
    trace("InitWindow");
    CResourceManager::GetInstance()->SetTextQueryInterface(this);
    if (CResourceManager::GetInstance()->LoadLanguage(kInitialLanguageFile))
        CResourceManager::GetInstance()->ReloadText();
    for (int i = 0; i < 9; ++i)
        m_titleButtons[i] = m_pm.FindControl(kTitleButtons[i]);
    g_mainWindow.store(this);
    const QIcon icon(QPixmap::fromImage(LoadImage(QString::number(kTrayIconId))));
    if (m_hWnd != nullptr)
        m_hWnd->setWindowIcon(icon);
    m_tray.CreateTrayIcon(this, kTrayIconId, icon, productTitle());
}

CControlUI* CMainWnd::CreateControl(const QString&) {
    // The device pages and panels add their tags here as they are built.
    return nullptr;
}

bool CMainWnd::IsDeviceOptionShown() const {
    auto* list = static_cast<CContainerUI*>(m_pm.FindControl(kDeviceSelectLayout)
                                                ? m_pm.FindControl(kDeviceSelectLayout)->GetInterface("Container")
                                                : nullptr);
    if (list == nullptr)
        return false;
    for (int i = 0; i < list->GetCount(); ++i) {
        if (list->GetItemAt(i)->IsVisibleFlag())
            return true;
    }
    return false;
}

void CMainWnd::BringToFront() {
    if (CControlUI* noDevice = m_pm.FindControl(kNoDeviceLink))
        noDevice->SetVisible(!IsDeviceOptionShown());
    SendMessage(WM_SYSCOMMAND, SC_RESTORE, 0);
    ShowWindow(true, true);
}

void CMainWnd::ToggleShown() {
    if (m_hWnd == nullptr)
        return;
    if (m_hWnd->isVisible() && !m_hWnd->isMinimized()) {
        ShowWindow(false);
        return;
    }
    BringToFront();
}

void CMainWnd::OpenTrayMenu() {
    m_menu = std::make_unique<CMenuWnd>();
    m_menu->Init(this, kTrayMenuLayout, QCursor::pos() - QPoint(0, kTrayMenuLift));
}

void CMainWnd::Notify(TNotifyUI& msg) {
    if (msg.sType != DUI_MSGTYPE_TIMER)
        trace((msg.sType + " " + (msg.pSender != nullptr ? msg.pSender->GetName() : QString())).toStdString());
    if (msg.sType == DUI_MSGTYPE_WINDOWINIT) {
        if (CControlUI* noDevice = m_pm.FindControl(kNoDeviceLink))
            noDevice->SetVisible(!IsDeviceOptionShown());
    } else if (msg.sType == DUI_MSGTYPE_CLICK) {
        OnClick(msg);
    }
    WindowImplBase::Notify(msg);
}

void CMainWnd::OnClick(TNotifyUI& msg) {
    if (msg.pSender == nullptr)
        return;
    const QString name = msg.pSender->GetName();
    if (name.compare("closebtn", Qt::CaseInsensitive) == 0 || name.compare("nodevice_ok_btn", Qt::CaseInsensitive) == 0)
        ShowWindow(false);
    else if (msg.pSender == m_titleButtons[3])
        SendMessage(WM_SYSCOMMAND, SC_MINIMIZE, 0);
    else if (msg.pSender == m_titleButtons[1])
        SendMessage(WM_SYSCOMMAND, SC_MAXIMIZE, 0);
    else if (msg.pSender == m_titleButtons[2])
        SendMessage(WM_SYSCOMMAND, SC_RESTORE, 0);
}

LRESULT CMainWnd::OnDestroy(UINT, WPARAM, LPARAM, bool& bHandled) {
    m_tray.DeleteTrayIcon();
    PostQuitMessage(0);
    bHandled = false;
    return 0;
}

LRESULT CMainWnd::HandleCustomMessage(UINT uMsg, WPARAM wParam, LPARAM lParam, bool& bHandled) {
    bHandled = true;
    if (uMsg == appMessages().instance && uMsg != 0) {
        BringToFront();
    } else if (uMsg == UIMSG_TRAYICON) {
        if (lParam == WM_LBUTTONUP)
            ToggleShown();
        else if (lParam == WM_RBUTTONUP)
            SetTimer(kTrayMenuTimer, 10);
    } else if (uMsg == WM_TIMER && wParam == kTrayMenuTimer) {
        KillTimer(kTrayMenuTimer);
        OpenTrayMenu();
    } else if (uMsg == WM_MENUCLICK) {
        const auto* item = reinterpret_cast<const MenuCmd*>(wParam);
        if (item != nullptr && item->szName == kExitItem)
            Close(0);
    } else {
        bHandled = false;
    }
    return 0;
}

} // namespace pelan
