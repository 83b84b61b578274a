#pragma once

#include "ui/DuiLib.h"

namespace pelan {

// The program's modal message box: a title, a text (plain or a language key) and one or two buttons.
class CMsgWnd : public WindowImplBase {
public:
    // Button sets.
    static constexpr int kConfirmOnly = 0;
    static constexpr int kConfirmAndCancel = 1;

    // Creates the window over owner (may be null), fills it, centres it on the owner and runs it modally. Returns 1
    // when confirmed, 0 when cancelled or closed.
    static int ShowMessage(CWindowWnd* owner, const QString& title, const QString& text, int dpi, bool textIsKey,
                           int buttons);

    QString GetWindowClassName() const override { return "MsgWnd"; }
    QString GetSkinFile() override { return "XML_MSG"; }
    void InitWindow() override;
    void Notify(TNotifyUI& msg) override;
    void OnFinalMessage(QWidget* hWnd) override;
    LRESULT HandleCustomMessage(UINT uMsg, WPARAM wParam, LPARAM lParam, bool& bHandled) override;

    void SetTitle(const QString& title);
    void SetMessageText(const QString& text, bool textIsKey);
    // Accepts 48, 72, 96, 120, 144, 168 and 192; anything else is reported and 96 is used. Applies to every window.
    void SetDPI(int dpi);
    int GetDPI() const { return m_dpi; }
    void SetButtons(int buttons);

private:
    CControlUI* m_closeBtn = nullptr;
    CControlUI* m_minBtn = nullptr;
    CControlUI* m_maxBtn = nullptr;
    CControlUI* m_restoreBtn = nullptr;
    int m_dpi = 96;
};

} // namespace pelan
