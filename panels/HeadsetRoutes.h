#pragma once

#include "ui/DuiLib.h"

namespace pelan {

class CMainWnd;
class CVeltraDI6533Device;
class CVoice6533ControlUI;
class CMagicControlUI;

// The main window's routes to the headset page's sound and voice tabs. They act while the headset page is the
// selected page; the panels' values are read back and handed to the page's audio settings, and the panels then
// show the settings as they are. Each returns true when the sender is one of the panels' controls for that
// notification.

// "click": "hs_EQ_btn_save" (a name in use shows "message_text_5", no name and no preset selected
// "message_text_5_1") and "hs_EQ_btn_delete".
bool handleHeadsetClick(CMainWnd& window, TNotifyUI& msg);
// "selectchanged": "6533_eq_option_" n, "magic_option_" n and "reverb_environment_" n (when selected),
// "magic_enable_option", "6533_MicIn_option", "6533_MicMoniter_option", "reverb_enable_option",
// "surround_enable_option".
bool handleHeadsetSelect(CMainWnd& window, TNotifyUI& msg);
// "valuechanged": "6533_eq_hz_slider_" n, "6533_MicIn_slider", "6533_MicMoniter_slider", "reverb_room_slider".
bool handleHeadsetValue(CMainWnd& window, TNotifyUI& msg);
// "itemselect": "custom_eq_name_combo".
bool handleHeadsetItemSelect(CMainWnd& window, TNotifyUI& msg);

CVoice6533ControlUI* findSoundPanel(CVeltraDI6533Device& page);
CMagicControlUI* findVoicePanel(CVeltraDI6533Device& page);

// Shows the page's audio settings in its panels, in the order the settings depend on each other; without the
// audio library or the headset's endpoints the tabs say that the audio settings are unavailable instead.
void refreshHeadsetPanels(CVeltraDI6533Device& page);

} // namespace pelan
