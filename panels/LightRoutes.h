#pragma once

#include "ui/DuiLib.h"

namespace pelan {

class CLightControlUI;
class CVeltraUSBDevice;

// The main window's routes to the lighting panels. Each acts on the panel the sender sits on (the panel of the
// selected page for everything the user can reach) and returns true when the sender is one of the panel's controls
// for that notification.

// "click": the preset colours "color_option_" n, and the keyboard's custom-mode colour buttons.
bool handleLightClick(TNotifyUI& msg);
// "selectchanged": "deng_FXL_check" and "deng_FXR_check" (when selected), "deng_7color_check".
bool handleLightSelect(TNotifyUI& msg);
// "valuechanged": "deng_light_slider", "deng_speed_slider".
bool handleLightValue(TNotifyUI& msg);
// "itemselect": "light_combo_modeSelect", "light_combo_custommodeSelect".
bool handleLightItemSelect(TNotifyUI& msg);
// "colorchanged": "deng_Color_Pallet".
bool handleLightColour(TNotifyUI& msg);
// "killfocus" and "return": "deng_edit_R", "deng_edit_G", "deng_edit_B".
bool handleLightEditCommit(TNotifyUI& msg);

// Whether the sender is a lighting panel's "same mode" box; its state then says whether to synchronise.
bool isSameModeBox(const TNotifyUI& msg);

// The page's lighting panel, null when its layout has none.
CLightControlUI* findLightPanel(CVeltraUSBDevice& page);
// Points the page's panel at the page: its kind, its mode names from the light configuration, its setting.
void bindLightPanel(CVeltraUSBDevice& page);
// Shows the page's current light setting on its panel.
void showPageLight(CVeltraUSBDevice& page);

} // namespace pelan
