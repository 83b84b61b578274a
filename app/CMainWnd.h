#pragma once

#include "ui/DuiLib.h"

#include <memory>

namespace pelan {

// The program's one top-level window: the title bar buttons, the device area (showing "No_device_Link" while no
// device page is shown) and the tray icon. Closing it with its close button only hides it; the tray brings it back
// and the tray menu's "exit" ends the program.
class CMainWnd : public WindowImplBase {
public:
    CMainWnd();
    ~CMainWnd() override;

    QString GetWindowClassName() const override { return "MainWnd"; }
    UINT GetClassStyle() const override { return kClassStyleDoubleClicks; }
    QString GetSkinFile() override { return "XML_MAIN"; }
    void InitWindow() override;
    void Notify(TNotifyUI& msg) override;
    CControlUI* CreateControl(const QString& className) override;
    QString QueryControlText(const QString&, const QString&) override { return QString(); }
    LRESULT OnDestroy(UINT uMsg, WPARAM wParam, LPARAM lParam, bool& bHandled) override;
    LRESULT HandleCustomMessage(UINT uMsg, WPARAM wParam, LPARAM lParam, bool& bHandled) override;

    // Shows or hides "No_device_Link" by whether any device option is shown, restores the window and raises it.
    void BringToFront();
    // Left click on the tray icon: hides a shown window, shows a hidden one.
    void ToggleShown();
    bool IsDeviceOptionShown() const;
    CTrayIcon& GetTrayIcon() { return m_tray; }
    CMenuWnd* GetMenu() const { return m_menu.get(); }

    static constexpr UINT kClassStyleDoubleClicks = 0x0008;
    static constexpr UINT kTrayIconId = 107;
    static constexpr UINT kTrayMenuTimer = 1032;
    static constexpr const char* kTitleButtons[9] = {"closebtn",    "maxbtn",   "restorebtn",   "minbtn", "skinbtn",
                                                     "gamemodebtn", "cloudbtn", "smarteyesbtn", "setbtn"};

private:
    void OnClick(TNotifyUI& msg);
    void OpenTrayMenu();

    CControlUI* m_titleButtons[9] = {};
    CTrayIcon m_tray;
    std::unique_ptr<CMenuWnd> m_menu;
};

// The main window of the process (set at window init), for workers that send it messages.
CMainWnd* GetMainWindow();

} // namespace pelan
