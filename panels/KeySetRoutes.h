#pragma once

#include "platform/InputHook.h"
#include "ui/DuiLib.h"

namespace pelan {

class CMainWnd;
class CKeySetControlUI;
class CVeltraUSBDevice;

// The key side of the mouse and keyboard pages: the key buttons of the device picture, the selected key, and the
// key set panel that edits it, with the main window's routes to them. Each handler returns true when the
// notification or message was the key side's.

// The page's key set panel, null when its layout has none.
CKeySetControlUI* findKeySetPanel(CVeltraUSBDevice& page);

// Binds the page's key set panel to the page's kind, macro list and key list: every save goes to the page's key
// list, its profile file and the device. Shows the key buttons' functions. Nothing without a panel.
void bindKeySetPanel(CVeltraUSBDevice& page);

// selectKey: clears the selection, highlights key button `index` and shows its function in the panel. An index
// the key list does not have only clears the selection.
void selectPageKey(CVeltraUSBDevice& page, int index);
// clearKeySelection: no key highlighted, nothing in the panel.
void clearPageKeySelection(CVeltraUSBDevice& page);
// The key buttons' tool tips name the functions they carry; the panel follows a selected key that changed.
void showKeyFunctions(CVeltraUSBDevice& page);
// The macro list changed: the panel's macro choice and the key buttons follow.
void refreshKeySetMacros(CVeltraUSBDevice& page);
// The macro memory and then the key table of a connected device, after the keys' macros moved. A memory that
// failed or does not fit is told to the user and the key table is not written, so the keys keep naming the macros
// the device holds. False when the device did not get both.
bool writeMacrosAndKeys(CVeltraUSBDevice& page);

// "click": a key button ("key_" n) of the page, and the panel's default, save, cancel and profile save buttons.
bool handleKeySetClick(CMainWnd& window, TNotifyUI& msg);
// "itemselect" of the panel's combo boxes: the category and play mode follow, and the edit is stored.
bool handleKeySetItemSelect(CMainWnd& window, TNotifyUI& msg);
// "selectchanged" of the modifier options "key_ComBox_check_" n.
bool handleKeySetSelect(CMainWnd& window, TNotifyUI& msg);
// "setfocus" and "killfocus" of the key field (key capture on and off) and "killfocus" of the numeric edits.
bool handleKeySetFocus(CMainWnd& window, TNotifyUI& msg);
// A key of the key capture's input hook, handed by value to the panel that captures.
void routeKeySetHookKey(CMainWnd& window, uint32_t transition, HookKeyRecord record);

} // namespace pelan
