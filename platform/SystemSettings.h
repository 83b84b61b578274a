#pragma once

#include <array>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

// The desktop's pointer and keyboard settings that a profile carries: pointer speed and precision, wheel lines,
// double-click time, keyboard repeat speed and delay. Values are in the units the profiles and pages use:
//
// - pointer speed 1..20 (10 is the desktop's middle speed)
// - pointer precision 0 or 1 (pointer acceleration off or on)
// - wheel lines 1..255, where 255 means scrolling a page at a time
// - double-click time 100..5000 ms
// - keyboard speed 0..31 (about 2.5 to 30 repeats a second)
// - keyboard delay 0..3 (250, 500, 750, 1000 ms before repeating starts)
namespace pelan {

enum class SystemSetting { PointerSpeed, PointerPrecision, WheelLines, DoubleClickTime, KeyboardSpeed, KeyboardDelay };

inline constexpr std::array<SystemSetting, 6> kAllSystemSettings = {
    SystemSetting::PointerSpeed,    SystemSetting::PointerPrecision, SystemSetting::WheelLines,
    SystemSetting::DoubleClickTime, SystemSetting::KeyboardSpeed,    SystemSetting::KeyboardDelay};

inline constexpr int kPageScrollWheelLines = 255;

struct SystemSettingRange {
    int minimum;
    int maximum;
};

// "PointerSpeed", "PointerPrecision", "WheelLines", "DoubleClickTime", "KeyboardSpeed", "KeyboardDelay".
std::string_view systemSettingName(SystemSetting setting);
SystemSettingRange systemSettingRange(SystemSetting setting);

// The value a setter takes: clamped into the setting's range, except pointer precision, which takes only 0 and 1
// (anything else gives nothing).
std::optional<int> normalisedSystemSetting(SystemSetting setting, long long value);

// Page controls to setting values.
int pointerSpeedFromSlider(int position);                       // 2 * position + 2, kept within 1..20
int wheelLinesFromSlider(int position, bool pageScroll);        // 255 when scrolling by pages, else position + 1
int doubleClickTimeFromSlider(int position, int sliderMaximum); // (maximum - position + 1) * 100 ms
int keyboardSpeedFromSlider(int position);                      // the position, kept within 0..31
int keyboardDelayFromOption(int option);                        // options 0..3; any other counts as 0

// Keyboard values to milliseconds as desktops take them, and back (nearest value).
int repeatIntervalFromKeyboardSpeed(int speed);
int keyboardSpeedFromRepeatInterval(int intervalMs);
int repeatDelayFromKeyboardDelay(int delay);
int keyboardDelayFromRepeatDelay(int delayMs);

// One place the settings can be applied to and read from. `set` and `get` keep values in range; a backend's
// `apply` returns false when it cannot take the setting and `read` gives nothing when it cannot report it.
class SystemSettings {
public:
    virtual ~SystemSettings() = default;
    virtual std::string_view name() const = 0;

    bool set(SystemSetting setting, long long value);
    std::optional<int> get(SystemSetting setting);

    bool setPointerSpeed(int speed) { return set(SystemSetting::PointerSpeed, speed); }
    bool setPointerPrecision(int enabled) { return set(SystemSetting::PointerPrecision, enabled); }
    bool setWheelLines(int lines) { return set(SystemSetting::WheelLines, lines); }
    bool setDoubleClickTime(int milliseconds) { return set(SystemSetting::DoubleClickTime, milliseconds); }
    bool setKeyboardSpeed(int speed) { return set(SystemSetting::KeyboardSpeed, speed); }
    bool setKeyboardDelay(int delay) { return set(SystemSetting::KeyboardDelay, delay); }

    std::optional<int> pointerSpeed() { return get(SystemSetting::PointerSpeed); }
    std::optional<int> pointerPrecision() { return get(SystemSetting::PointerPrecision); }
    std::optional<int> wheelLines() { return get(SystemSetting::WheelLines); }
    std::optional<int> doubleClickTime() { return get(SystemSetting::DoubleClickTime); }
    std::optional<int> keyboardSpeed() { return get(SystemSetting::KeyboardSpeed); }
    std::optional<int> keyboardDelay() { return get(SystemSetting::KeyboardDelay); }

protected:
    virtual bool apply(SystemSetting setting, int value) = 0;
    virtual std::optional<int> read(SystemSetting setting) = 0;
};

// The settings of this session: every desktop backend that takes a value gets it, and the state file always keeps
// it, so the value reads back where no desktop can report it. A value no desktop backend takes is traced, not
// reported: `set` still returns true once the state file holds it. Reading asks the desktop backends in order,
// then the state file. Safe to use from several threads.
class DesktopSystemSettings : public SystemSettings {
public:
    DesktopSystemSettings(std::vector<std::unique_ptr<SystemSettings>> desktopBackends,
                          std::unique_ptr<SystemSettings> stateFile);
    std::string_view name() const override { return "desktop"; }
    std::vector<std::string> backendNames() const;

protected:
    bool apply(SystemSetting setting, int value) override;
    std::optional<int> read(SystemSetting setting) override;

private:
    std::mutex mutex_;
    std::vector<std::unique_ptr<SystemSettings>> desktopBackends_;
    std::unique_ptr<SystemSettings> stateFile_;
};

// Builds the settings for this session. The desktop backends are chosen by PELAN_SYSTEM_SETTINGS when set (a
// comma-separated list of "gnome" and "x11", or "none"), else GNOME settings on a GNOME desktop and X11 pointer
// and keyboard control on an X11 display. The state file is `stateFilePath`.
std::unique_ptr<SystemSettings> makeSystemSettings(const std::string& stateFilePath);

// The process-wide settings: made by makeSystemSettings with the default state file on first use, unless a test or
// the page code handed in others with setSystemSettingsOverride (nullptr restores them; not owned).
SystemSettings& systemSettings();
void setSystemSettingsOverride(SystemSettings* replacement);

// Applies one setting on a short-lived thread of its own so the caller does not wait for the desktop. The busy flag
// is set while the thread runs. A request made while busy is not lost: the thread applies the latest value before
// it ends. The destructor waits for the thread.
class BackgroundSetter {
public:
    BackgroundSetter(SystemSettings& settings, SystemSetting setting);
    BackgroundSetter(const BackgroundSetter&) = delete;
    BackgroundSetter& operator=(const BackgroundSetter&) = delete;
    ~BackgroundSetter();

    void request(int value);
    bool busy() const;
    void waitUntilIdle();

private:
    void run();

    SystemSettings& settings_;
    const SystemSetting setting_;
    mutable std::mutex mutex_;
    std::condition_variable idle_;
    std::optional<int> pending_;
    bool busy_ = false;
    std::thread thread_;
};

} // namespace pelan
