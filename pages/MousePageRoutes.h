#pragma once

#include "ui/DuiLib.h"

namespace pelan {

class CVeltraMouseDevice;

// What the main window's notifications do on the mouse page beyond its DPI and report rate controls: the system
// settings the profile carries (stored in the profile, written with the settings block, shown again), the settings
// sub-pages, and the "tavix" DPI edit and slider pairs.
namespace mouse_page {

inline constexpr const char* kPointerSpeedSlider = "pointer_speed_slider";
inline constexpr const char* kPointerPrecisionCheck = "pointer_precision_check";
inline constexpr const char* kScrollsPageCheck = "scrolls_page_check";
inline constexpr const char* kScrollSpeedSlider = "scroll_speed_slider";
inline constexpr const char* kDoubleClickSlider = "double_click_slider";
inline constexpr const char* kSettingSwitch = "mouse_setting_switch";
inline constexpr const char* kTavixSliderPrefix = "tavix_DPI_slider_";
inline constexpr const char* kTavixEditPrefix = "tavix_DPI_edit_";
inline constexpr int kTavixMinimumDpi = 200;
inline constexpr int kTavixMaximumDpi = 6500;

// Each store writes the value into the profile, saves the profile file, writes the settings block to the mouse and
// redraws the page, in that order.
void storePointerSpeed(CVeltraMouseDevice& page, int sliderPosition);
void storeDoubleClick(CVeltraMouseDevice& page, int sliderPosition);
void storePointerPrecision(CVeltraMouseDevice& page, bool enabled);
// Page-wise scrolling on or off together with the scroll speed slider's position.
void storeScrolling(CVeltraMouseDevice& page, bool pageScroll, int scrollSliderPosition);

// The profile's system settings into their controls.
void showSystemSettings(CVeltraMouseDevice& page);

// Shows settings sub-page `index` of the page; an index the page does not have changes nothing.
void selectSettingsPage(CVeltraMouseDevice& page, int index);

// "tavix" pairs, looked up inside `scope`: the slider's value shown in its edit, and an edit's text clamped to
// 200..6500, written back and given to its slider.
void showTavixSliderValue(CContainerUI& scope, int index);
void commitTavixEdit(CContainerUI& scope, int index);

} // namespace mouse_page
} // namespace pelan
