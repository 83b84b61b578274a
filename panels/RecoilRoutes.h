#pragma once

#include "ui/DuiLib.h"

namespace pelan {

class CMainWnd;
class CShootControlUI;
class CVeltraUSBDevice;

// The main window's routes to the recoil panel. They act only while the mouse page is the selected page; on any
// other page the panel's notifications are taken and ignored. Each returns true when the sender is one of the
// panel's controls for that notification.

// "click": "shootdate_reset_btn", "shootdate_import_btn", "shootdate_export_btn", "shootdate_save_btn",
// "bullet_selected_prev", "bullet_selected_next".
bool handleRecoilClick(CMainWnd& window, TNotifyUI& msg);
// "selectchanged": "shoot_gun_op_" n and "bullet_op_" n (when selected), "bullet_x_check" and "bullet_y_check".
bool handleRecoilSelect(CMainWnd& window, TNotifyUI& msg);
// "killfocus" and "return": "bullet_x_eidt", "bullet_y_eidt", "bullet_delay_eidt" store the shown bullet of the panel
// the edit sits on.
bool handleRecoilKillFocus(CMainWnd& window, TNotifyUI& msg);

// The page's recoil panel, null when its layout has none.
CShootControlUI* findRecoilPanel(CVeltraUSBDevice& page);

// Points the page's recoil panel at the page's user folder and the factory files, with the owner window's message
// box and file dialogs where no others were given, and shows gun 1, bullet 1. Nothing without a panel.
void bindRecoilPanel(CVeltraUSBDevice& page);

} // namespace pelan
