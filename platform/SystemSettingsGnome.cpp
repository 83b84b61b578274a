#include "platform/SystemSettingsBackends.h"
#include "platform/Trace.h"

#include <algorithm>
#include <charconv>
#include <cmath>

namespace pelan {
namespace {

constexpr const char* kMouseSchema = "org.gnome.desktop.peripherals.mouse";
constexpr const char* kKeyboardSchema = "org.gnome.desktop.peripherals.keyboard";
constexpr auto kGsettingsTimeout = std::chrono::milliseconds(5000);

ProgramRun runGsettings(const std::vector<std::string>& argv) {
    return runProgram(argv, kGsettingsTimeout);
}

std::string trimmed(const std::string& text) {
    std::size_t first = text.find_first_not_of(" \t\r\n");
    if (first == std::string::npos)
        return {};
    std::size_t last = text.find_last_not_of(" \t\r\n");
    return text.substr(first, last - first + 1);
}

// gsettings prints unsigned values with their type ("uint32 500") and strings quoted ("'flat'").
std::string withoutTypeAndQuotes(std::string text) {
    if (text.rfind("uint32 ", 0) == 0)
        text.erase(0, 7);
    if (text.size() >= 2 && text.front() == '\'' && text.back() == '\'')
        text = text.substr(1, text.size() - 2);
    return text;
}

std::optional<long long> parseInteger(const std::string& text) {
    long long value = 0;
    auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size())
        return std::nullopt;
    return value;
}

std::optional<double> parseDouble(const std::string& text) {
    double value = 0;
    auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size() || !std::isfinite(value))
        return std::nullopt;
    return value;
}

// Fixed notation with a '.' whatever the locale, as gsettings expects.
std::string formatDouble(double value) {
    char buffer[32];
    auto [end, error] = std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed, 6);
    return error == std::errc() ? std::string(buffer, end) : std::string("0");
}

std::optional<int> integerSetting(const std::optional<std::string>& text) {
    if (!text)
        return std::nullopt;
    std::optional<long long> value = parseInteger(*text);
    if (!value || *value < 0 || *value > 1000000)
        return std::nullopt;
    return static_cast<int>(*value);
}

} // namespace

GnomeSystemSettings::GnomeSystemSettings(CommandRunner runner)
    : runner_(runner ? std::move(runner) : CommandRunner(runGsettings)) {}

bool GnomeSystemSettings::available(const CommandRunner& runner) {
    CommandRunner run = runner ? runner : CommandRunner(runGsettings);
    return run({"gsettings", "list-keys", kMouseSchema}).succeeded();
}

double GnomeSystemSettings::speedFromPointerSpeed(int speed) {
    int clamped = std::clamp(speed, 1, 20);
    return clamped <= 10 ? (clamped - 10) / 9.0 : (clamped - 10) / 10.0;
}

int GnomeSystemSettings::pointerSpeedFromSpeed(double speed) {
    double clamped = std::clamp(speed, -1.0, 1.0);
    long steps = clamped <= 0 ? std::lround(clamped * 9.0) : std::lround(clamped * 10.0);
    return std::clamp(static_cast<int>(10 + steps), 1, 20);
}

std::optional<std::string> GnomeSystemSettings::getKey(const char* schema, const char* key) {
    ProgramRun run = runner_({"gsettings", "get", schema, key});
    if (!run.succeeded()) {
        trace(std::string("system settings: gsettings get ") + schema + " " + key + " failed: " + trimmed(run.errors));
        return std::nullopt;
    }
    return withoutTypeAndQuotes(trimmed(run.output));
}

bool GnomeSystemSettings::setKey(const char* schema, const char* key, const std::string& value) {
    ProgramRun run = runner_({"gsettings", "set", schema, key, value});
    if (!run.succeeded()) {
        trace(std::string("system settings: gsettings set ") + schema + " " + key + " " + value +
              " failed: " + trimmed(run.errors));
        return false;
    }
    return true;
}

bool GnomeSystemSettings::apply(SystemSetting setting, int value) {
    switch (setting) {
    case SystemSetting::PointerSpeed:
        return setKey(kMouseSchema, "speed", formatDouble(speedFromPointerSpeed(value)));
    case SystemSetting::PointerPrecision:
        return setKey(kMouseSchema, "accel-profile", value != 0 ? "'adaptive'" : "'flat'");
    case SystemSetting::DoubleClickTime:
        return setKey(kMouseSchema, "double-click", std::to_string(value));
    case SystemSetting::KeyboardSpeed:
        return setKey(kKeyboardSchema, "repeat-interval", std::to_string(repeatIntervalFromKeyboardSpeed(value)));
    case SystemSetting::KeyboardDelay:
        return setKey(kKeyboardSchema, "delay", std::to_string(repeatDelayFromKeyboardDelay(value)));
    case SystemSetting::WheelLines:
        return false;
    }
    return false;
}

std::optional<int> GnomeSystemSettings::read(SystemSetting setting) {
    switch (setting) {
    case SystemSetting::PointerSpeed: {
        std::optional<std::string> text = getKey(kMouseSchema, "speed");
        std::optional<double> speed = text ? parseDouble(*text) : std::nullopt;
        return speed ? std::optional<int>(pointerSpeedFromSpeed(*speed)) : std::nullopt;
    }
    case SystemSetting::PointerPrecision: {
        std::optional<std::string> profile = getKey(kMouseSchema, "accel-profile");
        if (profile == "flat")
            return 0;
        if (profile == "adaptive" || profile == "default")
            return 1;
        return std::nullopt;
    }
    case SystemSetting::DoubleClickTime:
        return integerSetting(getKey(kMouseSchema, "double-click"));
    case SystemSetting::KeyboardSpeed: {
        std::optional<int> interval = integerSetting(getKey(kKeyboardSchema, "repeat-interval"));
        return interval ? std::optional<int>(keyboardSpeedFromRepeatInterval(*interval)) : std::nullopt;
    }
    case SystemSetting::KeyboardDelay: {
        std::optional<int> delay = integerSetting(getKey(kKeyboardSchema, "delay"));
        return delay ? std::optional<int>(keyboardDelayFromRepeatDelay(*delay)) : std::nullopt;
    }
    case SystemSetting::WheelLines:
        return std::nullopt;
    }
    return std::nullopt;
}

} // namespace pelan
