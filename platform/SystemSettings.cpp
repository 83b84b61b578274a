#include "platform/SystemSettings.h"

#include "platform/SystemSettingsBackends.h"
#include "platform/Trace.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>

namespace pelan {
namespace {

constexpr int kDesktopKeyboardSpeeds = 32;
constexpr int kDesktopKeyboardDelays = 4;

// The value of `candidates` whose mapped milliseconds lie nearest to `milliseconds`.
template <typename Mapping>
int nearestValue(int count, int milliseconds, Mapping toMilliseconds) {
    int best = 0;
    for (int value = 1; value < count; ++value)
        if (std::abs(toMilliseconds(value) - milliseconds) < std::abs(toMilliseconds(best) - milliseconds))
            best = value;
    return best;
}

std::string lowerCase(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return text;
}

std::string environmentValue(const char* name) {
    const char* value = std::getenv(name);
    return value != nullptr ? std::string(value) : std::string();
}

std::vector<std::string> splitList(const std::string& text) {
    std::vector<std::string> items;
    std::size_t start = 0;
    while (start <= text.size()) {
        std::size_t end = std::min(text.find_first_of(",:", start), text.size());
        if (end > start)
            items.push_back(lowerCase(text.substr(start, end - start)));
        start = end + 1;
    }
    return items;
}

// The desktop backends to try, by name, in order.
std::vector<std::string> chosenBackendNames() {
    std::string choice = environmentValue("PELAN_SYSTEM_SETTINGS");
    if (!choice.empty())
        return splitList(choice);
    std::vector<std::string> names;
    std::vector<std::string> desktops = splitList(environmentValue("XDG_CURRENT_DESKTOP"));
    if (std::find(desktops.begin(), desktops.end(), "gnome") != desktops.end())
        names.push_back("gnome");
    if (!environmentValue("DISPLAY").empty() && lowerCase(environmentValue("XDG_SESSION_TYPE")) != "wayland")
        names.push_back("x11");
    return names;
}

std::unique_ptr<SystemSettings> makeDesktopBackend(const std::string& name) {
    if (name == "gnome") {
        if (GnomeSystemSettings::available())
            return std::make_unique<GnomeSystemSettings>();
        trace("system settings: gsettings with the GNOME peripheral settings is not available");
    } else if (name == "x11") {
        if (auto x11 = X11SystemSettings::connect())
            return x11;
        trace("system settings: no X11 display or libX11");
    } else if (name != "none") {
        trace("system settings: unknown backend " + name);
    }
    return nullptr;
}

struct SettingsOverride {
    std::mutex mutex;
    SystemSettings* replacement = nullptr;
    std::unique_ptr<SystemSettings> made;
};

SettingsOverride& settingsOverride() {
    static SettingsOverride instance;
    return instance;
}

} // namespace

std::string_view systemSettingName(SystemSetting setting) {
    switch (setting) {
    case SystemSetting::PointerSpeed:
        return "PointerSpeed";
    case SystemSetting::PointerPrecision:
        return "PointerPrecision";
    case SystemSetting::WheelLines:
        return "WheelLines";
    case SystemSetting::DoubleClickTime:
        return "DoubleClickTime";
    case SystemSetting::KeyboardSpeed:
        return "KeyboardSpeed";
    case SystemSetting::KeyboardDelay:
        return "KeyboardDelay";
    }
    return "?";
}

SystemSettingRange systemSettingRange(SystemSetting setting) {
    switch (setting) {
    case SystemSetting::PointerSpeed:
        return {1, 20};
    case SystemSetting::PointerPrecision:
        return {0, 1};
    case SystemSetting::WheelLines:
        return {1, kPageScrollWheelLines};
    case SystemSetting::DoubleClickTime:
        return {100, 5000};
    case SystemSetting::KeyboardSpeed:
        return {0, kDesktopKeyboardSpeeds - 1};
    case SystemSetting::KeyboardDelay:
        return {0, kDesktopKeyboardDelays - 1};
    }
    return {0, 0};
}

std::optional<int> normalisedSystemSetting(SystemSetting setting, long long value) {
    SystemSettingRange range = systemSettingRange(setting);
    if (setting == SystemSetting::PointerPrecision && (value < range.minimum || value > range.maximum))
        return std::nullopt;
    return static_cast<int>(std::clamp<long long>(value, range.minimum, range.maximum));
}

int pointerSpeedFromSlider(int position) {
    return static_cast<int>(std::clamp(2LL * position + 2, 1LL, 20LL));
}

int wheelLinesFromSlider(int position, bool pageScroll) {
    if (pageScroll)
        return kPageScrollWheelLines;
    return static_cast<int>(std::clamp(static_cast<long long>(position) + 1, 1LL, 254LL));
}

int doubleClickTimeFromSlider(int position, int sliderMaximum) {
    // A position beyond either end of the slider would give a time of zero or less, or one the slider cannot show.
    int maximum = std::max(sliderMaximum, 0);
    int clampedPosition = std::clamp(position, 0, maximum);
    return (maximum - clampedPosition + 1) * 100;
}

int keyboardSpeedFromSlider(int position) {
    return std::clamp(position, 0, kDesktopKeyboardSpeeds - 1);
}

int keyboardDelayFromOption(int option) {
    return option >= 0 && option < kDesktopKeyboardDelays ? option : 0;
}

int repeatIntervalFromKeyboardSpeed(int speed) {
    double repeatsPerSecond = 2.5 + keyboardSpeedFromSlider(speed) * 27.5 / (kDesktopKeyboardSpeeds - 1);
    return static_cast<int>(std::lround(1000.0 / repeatsPerSecond));
}

int keyboardSpeedFromRepeatInterval(int intervalMs) {
    return nearestValue(kDesktopKeyboardSpeeds, intervalMs, repeatIntervalFromKeyboardSpeed);
}

int repeatDelayFromKeyboardDelay(int delay) {
    return (std::clamp(delay, 0, kDesktopKeyboardDelays - 1) + 1) * 250;
}

int keyboardDelayFromRepeatDelay(int delayMs) {
    return nearestValue(kDesktopKeyboardDelays, delayMs, repeatDelayFromKeyboardDelay);
}

bool SystemSettings::set(SystemSetting setting, long long value) {
    std::optional<int> normalised = normalisedSystemSetting(setting, value);
    if (!normalised) {
        trace("system settings: " + std::string(systemSettingName(setting)) + " refused value " +
              std::to_string(value));
        return false;
    }
    return apply(setting, *normalised);
}

std::optional<int> SystemSettings::get(SystemSetting setting) {
    std::optional<int> value = read(setting);
    SystemSettingRange range = systemSettingRange(setting);
    if (value && (*value < range.minimum || *value > range.maximum))
        return std::nullopt;
    return value;
}

DesktopSystemSettings::DesktopSystemSettings(std::vector<std::unique_ptr<SystemSettings>> desktopBackends,
                                             std::unique_ptr<SystemSettings> stateFile)
    : desktopBackends_(std::move(desktopBackends)), stateFile_(std::move(stateFile)) {
    std::erase(desktopBackends_, nullptr);
}

std::vector<std::string> DesktopSystemSettings::backendNames() const {
    std::vector<std::string> names;
    for (const auto& backend : desktopBackends_)
        names.emplace_back(backend->name());
    if (stateFile_)
        names.emplace_back(stateFile_->name());
    return names;
}

bool DesktopSystemSettings::apply(SystemSetting setting, int value) {
    std::lock_guard lock(mutex_);
    bool taken = false;
    for (const auto& backend : desktopBackends_)
        taken = backend->set(setting, value) || taken;
    if (!taken)
        trace("system settings: no desktop backend took " + std::string(systemSettingName(setting)) + " = " +
              std::to_string(value));
    bool kept = stateFile_ && stateFile_->set(setting, value);
    return taken || kept;
}

std::optional<int> DesktopSystemSettings::read(SystemSetting setting) {
    std::lock_guard lock(mutex_);
    for (const auto& backend : desktopBackends_)
        if (std::optional<int> value = backend->get(setting))
            return value;
    return stateFile_ ? stateFile_->get(setting) : std::nullopt;
}

std::unique_ptr<SystemSettings> makeSystemSettings(const std::string& stateFilePath) {
    std::vector<std::unique_ptr<SystemSettings>> backends;
    for (const std::string& name : chosenBackendNames())
        if (auto backend = makeDesktopBackend(name))
            backends.push_back(std::move(backend));
    auto settings = std::make_unique<DesktopSystemSettings>(std::move(backends),
                                                            std::make_unique<StateFileSystemSettings>(stateFilePath));
    std::string names;
    for (const std::string& name : settings->backendNames())
        names += (names.empty() ? "" : ", ") + name;
    trace("system settings: " + names);
    return settings;
}

SystemSettings& systemSettings() {
    SettingsOverride& state = settingsOverride();
    std::lock_guard lock(state.mutex);
    if (state.replacement != nullptr)
        return *state.replacement;
    if (!state.made)
        state.made = makeSystemSettings(defaultSystemSettingsStatePath());
    return *state.made;
}

void setSystemSettingsOverride(SystemSettings* replacement) {
    std::lock_guard lock(settingsOverride().mutex);
    settingsOverride().replacement = replacement;
}

BackgroundSetter::BackgroundSetter(SystemSettings& settings, SystemSetting setting)
    : settings_(settings), setting_(setting) {}

BackgroundSetter::~BackgroundSetter() {
    waitUntilIdle();
    if (thread_.joinable())
        thread_.join();
}

void BackgroundSetter::request(int value) {
    std::lock_guard lock(mutex_);
    pending_ = value;
    if (busy_)
        return; // the running thread picks the new value up before it ends
    if (thread_.joinable())
        thread_.join(); // it has finished: busy_ is cleared only as its last step
    busy_ = true;
    thread_ = std::thread(&BackgroundSetter::run, this);
}

bool BackgroundSetter::busy() const {
    std::lock_guard lock(mutex_);
    return busy_;
}

void BackgroundSetter::waitUntilIdle() {
    std::unique_lock lock(mutex_);
    idle_.wait(lock, [this] { return !busy_; });
}

void BackgroundSetter::run() {
    std::unique_lock lock(mutex_);
    while (pending_) {
        int value = *pending_;
        pending_.reset();
        lock.unlock();
        settings_.set(setting_, value);
        lock.lock();
    }
    busy_ = false;
    idle_.notify_all();
}

} // namespace pelan
