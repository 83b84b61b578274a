#include "app/CMsgWnd.h"

#include "platform/Trace.h"

#include <algorithm>
#include <array>

namespace pelan {
namespace {

constexpr UINT kMsgWndStyle = 0x82000000; // popup, clips children
constexpr UINT kMsgWndExStyle = 0x80;     // tool window
constexpr std::array<int, 7> kAcceptedDpis = {48, 72, 96, 120, 144, 168, 192};

} // namespace

int CMsgWnd::ShowMessage(CWindowWnd* owner, const QString& title, const QString& text, int dpi, bool textIsKey,
                         int buttons) {
    auto* window = new CMsgWnd();
    if (window->Create(owner, "msgwnd", kMsgWndStyle, kMsgWndExStyle) == nullptr) {
        delete window;
        return 0;
    }
    if (!title.isEmpty())
        window->SetTitle(title);
    if (!text.isEmpty())
        window->SetMessageText(text, textIsKey);
    window->SetDPI(dpi);
    window->SetButtons(buttons);
    window->CenterWindow();
    // The window deletes itself when it closes.
    return static_cast<int>(window->ShowModal());
}

void CMsgWnd::InitWindow() {
    m_closeBtn = m_pm.FindControl("closebtn");
    m_minBtn = m_pm.FindControl("minbtn");
    m_maxBtn = m_pm.FindControl("maxbtn");
    m_restoreBtn = m_pm.FindControl("restorebtn");
}

void CMsgWnd::SetTitle(const QString& title) {
    if (CControlUI* label = m_pm.FindControl("MessageTitle"))
        label->SetText(title);
}

void CMsgWnd::SetMessageText(const QString& text, bool textIsKey) {
    CControlUI* label = m_pm.FindControl("MessageText");
    if (label == nullptr)
        return;
    label->SetText(text);
    label->SetResourceText(textIsKey);
}

void CMsgWnd::SetDPI(int dpi) {
    if (std::find(kAcceptedDpis.begin(), kAcceptedDpis.end(), dpi) == kAcceptedDpis.end()) {
        trace("MSG_WND DPI SET ERROR");
        dpi = 96;
    }
    if (dpi == m_dpi)
        return;
    m_dpi = dpi;
    CPaintManagerUI::SetAllDPI(dpi);
    const QSize size = m_pm.GetInitSize();
    if (!size.isEmpty())
        ResizeClient(m_pm.ScaleValue(size.width()), m_pm.ScaleValue(size.height()));
}

void CMsgWnd::SetButtons(int buttons) {
    if (CControlUI* confirm = m_pm.FindControl("confirm_btn"))
        confirm->SetVisible(true);
    if (CControlUI* cancel = m_pm.FindControl("cancel_btn"))
        cancel->SetVisible(buttons != kConfirmOnly);
}

void CMsgWnd::Notify(TNotifyUI& msg) {
    if (msg.sType == DUI_MSGTYPE_CLICK && msg.pSender != nullptr) {
        const QString name = msg.pSender->GetName();
        if (msg.pSender == m_closeBtn)
            Close(0);
        else if (msg.pSender == m_minBtn)
            SendMessage(WM_SYSCOMMAND, SC_MINIMIZE, 0);
        else if (msg.pSender == m_maxBtn)
            SendMessage(WM_SYSCOMMAND, SC_MAXIMIZE, 0);
        else if (msg.pSender == m_restoreBtn)
            SendMessage(WM_SYSCOMMAND, SC_RESTORE, 0);
        else if (name.compare("confirm_btn", Qt::CaseInsensitive) == 0)
            Close(1);
        else if (name.compare("cancel_btn", Qt::CaseInsensitive) == 0)
            Close(0);
    }
    WindowImplBase::Notify(msg);
}

void CMsgWnd::OnFinalMessage(QWidget* hWnd) {
    WindowImplBase::OnFinalMessage(hWnd);
    delete this;
}

LRESULT CMsgWnd::HandleCustomMessage(UINT uMsg, WPARAM wParam, LPARAM lParam, bool& bHandled) {
    if (uMsg != WM_DPICHANGED) {
        bHandled = false;
        return 0;
    }
    // lParam points at the suggested rectangle.
    SetDPI(LOWORD(wParam));
    if (const auto* suggested = reinterpret_cast<const QRect*>(lParam); suggested != nullptr && m_hWnd != nullptr)
        m_hWnd->setGeometry(*suggested);
    if (m_pm.GetRoot() != nullptr)
        m_pm.GetRoot()->NeedUpdate();
    bHandled = true;
    return 0;
}

} // namespace pelan
