#pragma once

#include "platform/InputHook.h"
#include "ui/DuiLib.h"

namespace pelan {

class CMainWnd;
class CMacroControlUI;
class CVeltraUSBDevice;

// The main window's routes to the macro editor of the page in front (mouse or keyboard). Each returns true when
// the notification or message is the editor's.

// "click": the editor's buttons.
bool handleMacroClick(CMainWnd& window, TNotifyUI& msg);
// "itemselect" of "macro_name_list".
bool handleMacroItemSelect(CMainWnd& window, TNotifyUI& msg);
// "killfocus" and "return" of a row's "macro_delay": stored in the editor the edit sits on.
bool handleMacroEditCommit(CMainWnd& window, TNotifyUI& msg);
// A command of the action menu.
bool handleMacroMenu(CMainWnd& window, const QString& item);
// A key or mouse-button event of a recording mode's input hook, handed by value to the editor of the page in front.
void routeMacroHookKey(CMainWnd& window, int mode, uint32_t transition, HookKeyRecord record);
void routeMacroHookMouse(CMainWnd& window, int mode, uint32_t message, HookMouseRecord record);

// The page's macro editor, null when its layout has none.
CMacroControlUI* findMacroPanel(CVeltraUSBDevice& page);

// Points the page's macro editor at the page's macro list, with the owner window's message box, file dialogs, menu
// and input hook where no others were given; the page's keys follow a deleted macro. Nothing without an editor.
void bindMacroPanel(CVeltraUSBDevice& page);

} // namespace pelan
