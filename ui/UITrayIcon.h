#pragma once

#include "ui/UIBase.h"

#include <QIcon>
#include <optional>

class QSystemTrayIcon;

namespace pelan {

// The program's icon in the notification area. A left click posts the tray message (1025 unless told otherwise) to
// the receiver window with lParam WM_LBUTTONUP, a right click with WM_RBUTTONUP; wParam is the icon id.
class CTrayIcon {
public:
    CTrayIcon();
    ~CTrayIcon();
    CTrayIcon(const CTrayIcon&) = delete;
    CTrayIcon& operator=(const CTrayIcon&) = delete;

    void CreateTrayIcon(CWindowWnd* receiver, UINT iconId, const QIcon& icon, const QString& toolTip,
                        UINT message = UIMSG_TRAYICON);
    void DeleteTrayIcon();
    bool SetTooltipText(const QString& text);
    QString GetTooltipText() const;
    bool SetIcon(const QIcon& icon);
    bool SetShowIcon();
    bool SetHideIcon();
    bool IsVisible() const;
    bool IsCreated() const { return m_tray != nullptr; }
    // Whether the icon can bring a hidden window back: it exists and the desktop has a tray to show it in (stock
    // GNOME and a bare X server have none).
    bool CanRestoreWindow() const;
    // Tests: a desktop with (true) or without (false) a tray; nullopt asks the desktop again.
    static void OverrideTrayAvailable(std::optional<bool> available);
    // Reports a click as the notification area would (left: WM_LBUTTONUP, right: WM_RBUTTONUP).
    void ReportClick(UINT buttonMessage);

private:
    QSystemTrayIcon* m_tray = nullptr;
    CWindowWnd* m_receiver = nullptr;
    UINT m_iconId = 0;
    UINT m_message = UIMSG_TRAYICON;
};

} // namespace pelan
