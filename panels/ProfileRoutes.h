#pragma once

#include "ui/DuiLib.h"

namespace pelan {

class CMainWnd;
class CVeltraUSBDevice;
class CDeviceProfileUI;
class UsbDeviceModel;

// The main window's timer that switches the selected page to the profile chosen in its combo box; started
// (400 ms) when the combo reports a selection.
inline constexpr UINT kProfileSwitchTimer = 1055;
inline constexpr int kProfileSwitchDelayMs = 400;

// The profile panel's buttons of the main window's click table: "device_add_btn", "device_sub_btn",
// "device_copy_btn", "device_profile_edit_save_btn", "device_import_btn", "device_export_btn",
// "device_reset_btn" and "profile_fun_spread_btn". True when the sender is one of them (whether or not a page is
// selected), false for any other control.
bool handleProfilePanelClick(CMainWnd&, TNotifyUI&);

// The function tab options of the selection table ("deng_Op_tab", "key_Op_tab", "macro_Op_tab", "system_Op_tab",
// "cursor_Op_tab", "6533_voice_Op_tab", "magic_Op_tab"): the selected page's profile panel shows tab 1 to 7. True
// when the sender is one of them.
bool handleProfileTabSelect(CMainWnd&, TNotifyUI&);

// Return in the profile name field ("device_profile_name_edit") renames, as its save button does. True when the
// notification is that.
bool handleProfileNameReturn(CMainWnd&, TNotifyUI&);

// The selected page's "Link to application" controls: "profile_link_spread_btn" shows them with the applications
// the window's watch sees (or why it sees none), "profile_link_add_btn" links the typed id to the selected profile,
// "profile_link_remove_btn" takes its link away. True when the sender is one of them.
bool handleProfileLinkClick(CMainWnd& window, TNotifyUI& msg);

// An application chosen in "profile_link_app_combo" goes into the id field. True when the sender is that list.
bool handleProfileLinkItemSelect(CMainWnd& window, TNotifyUI& msg);

// The same buttons on one page: what the main window does once it has resolved the selected page.
bool routeProfileClick(CVeltraUSBDevice& page, const QString& name);

// The item table's "device_profile_combo": a profile was chosen, the switch follows 400 ms later on timer 1055.
// True when the sender is that combo box.
bool handleProfileComboSelect(CMainWnd& window, TNotifyUI& msg);

// Timer 1055 of the main window: when `id` is that timer, stops it, switches the selected page to the profile
// chosen in its combo box and returns true.
bool handleProfileSwitchTimer(CMainWnd& window, UINT id);

// Makes the combo box's chosen profile the page's: selects it in the list, reloads the page from its file and
// writes it to the device. Nothing when the chosen profile already is the selected one.
void switchToChosenProfile(CVeltraUSBDevice& page);

// How a profile chosen elsewhere than in the combo box reaches the device: whole (the user chose it), or only the
// parts that differ from what the device holds (it followed the application in front).
enum class ProfileWrite { Whole, ChangedParts };

// Selects profile `index` in the page's panel (its combo box follows) and gives it to the page and its device.
// False when nothing changed: no panel, the profile already selected, or the list refused (it changed meanwhile).
bool selectPageProfile(CVeltraUSBDevice& page, int index, ProfileWrite write);

// Asks "message_text_22" and on confirmation resets the panel's selected profile to the kind's factory profile and
// writes it whole to the device: the panel's "device_reset_btn", and the page's "default_btn" too.
void resetSelectedProfile(CVeltraUSBDevice& page);

// The page's profile panel, null when its layout has none.
CDeviceProfileUI* findProfilePanel(CVeltraUSBDevice& page);

// Binds the page's profile panel to the page's device kind and folders, loads the list and takes the selected
// profile as the page's profile name. Nothing when the page has no profile panel.
void bindProfilePanel(CVeltraUSBDevice& page);

// After the page's profile was loaded: names in a message the members the load brought into the device's ranges
// (the file was edited by hand, or stored before these checks), once. Nothing when the load was in range.
void tellProfileLoadChanges(CVeltraUSBDevice& page);

// Shows the area of the tab whose option is selected, so a page starts with the content its selected tab names.
void showSelectedTabArea(CVeltraUSBDevice& page);

} // namespace pelan
