#pragma once

namespace pelan {

class CVeltraKeyboardDevice;

// What the main window's notifications do on the keyboard page: key repeat, the Windows-key lock, W-key and 6-key
// options and the report rate. Each store writes the value into the profile, saves the profile file, writes the
// settings block to the keyboard and redraws the page's system controls, in that order.
namespace keyboard_page {

inline constexpr const char* kRepeatDelayPrefix = "repeat_delay_check_";
inline constexpr const char* kRepeatRateSlider = "repeat_rate_slider";
inline constexpr const char* kWinLockOption = "winlockflag_option";
inline constexpr const char* kWKeyOption = "wflag_option";
inline constexpr const char* kSixKeyOption = "6flag_option";
inline constexpr const char* kReportRatePrefix = "polling_rate_option_";
inline constexpr int kRepeatDelayOptions = 4;
inline constexpr int kReportRateOptions = 5;

enum class KeyFlag { WinLock, WKey, SixKey };

// Repeat delay option 0..3 (any other counts as 0); returns the option stored.
int storeRepeatDelay(CVeltraKeyboardDevice& page, int option);
void storeRepeatRate(CVeltraKeyboardDevice& page, int sliderPosition);
void storeKeyFlag(CVeltraKeyboardDevice& page, KeyFlag flag, bool enabled);
void storeReportRate(CVeltraKeyboardDevice& page, int index);

struct RepeatSettings {
    int rate = 0;
    int delay = 0;
};
// Puts the factory profile's repeat rate and delay back into the profile (stored as above) and returns them.
RepeatSettings resetRepeat(CVeltraKeyboardDevice& page);

void showSystemSettings(CVeltraKeyboardDevice& page);

} // namespace keyboard_page
} // namespace pelan
