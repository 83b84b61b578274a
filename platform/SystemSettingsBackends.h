#pragma once

#include "platform/Shell.h"
#include "platform/SystemSettings.h"

#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

// The places system settings go to: the state file, GNOME settings, the X server, and a recording stand-in.
namespace pelan {

// $XDG_CONFIG_HOME (else ~/.config) + "/" + product title + "/system-settings.json".
std::string defaultSystemSettingsStatePath();

// Keeps the last value of each setting in a small JSON object, rewritten whole and atomically on every change.
// A missing, unreadable or broken file, or members of the wrong type or out of range, read as no value.
class StateFileSystemSettings : public SystemSettings {
public:
    explicit StateFileSystemSettings(std::string path);
    std::string_view name() const override { return "state file"; }
    const std::string& path() const { return path_; }

protected:
    bool apply(SystemSetting setting, int value) override;
    std::optional<int> read(SystemSetting setting) override;

private:
    std::map<SystemSetting, int> load() const;

    std::string path_;
    std::mutex mutex_;
};

// Runs one gsettings command line and gives its outcome.
using CommandRunner = std::function<ProgramRun(const std::vector<std::string>& argv)>;

// GNOME settings through the gsettings program: org.gnome.desktop.peripherals.mouse "speed" (-1..1),
// "accel-profile" ('flat' for precision off, 'adaptive' for on; 'default' reads as on) and "double-click" (ms);
// org.gnome.desktop.peripherals.keyboard "repeat-interval" and "delay" (ms). GNOME has no wheel-lines setting.
class GnomeSystemSettings : public SystemSettings {
public:
    explicit GnomeSystemSettings(CommandRunner runner = {});
    std::string_view name() const override { return "GNOME settings"; }

    // True when gsettings runs and knows the mouse schema.
    static bool available(const CommandRunner& runner = {});

    // Pointer speed 1..20 to GNOME's -1..1 (10 is 0) and back.
    static double speedFromPointerSpeed(int speed);
    static int pointerSpeedFromSpeed(double speed);

protected:
    bool apply(SystemSetting setting, int value) override;
    std::optional<int> read(SystemSetting setting) override;

private:
    std::optional<std::string> getKey(const char* schema, const char* key);
    bool setKey(const char* schema, const char* key, const std::string& value);

    CommandRunner runner_;
};

// The X server's core pointer acceleration (XChangePointerControl: 2/1 above 4 pixels for precision on, 1/1 for
// off) and keyboard auto-repeat (XkbSetAutoRepeatRate). libX11 is loaded at run time, so the program runs where it
// is missing. Pointer speed, wheel lines and double-click time have no X server setting.
class X11SystemSettings : public SystemSettings {
public:
    // Nothing when libX11 cannot be loaded or the display (nullptr: $DISPLAY) cannot be opened.
    static std::unique_ptr<X11SystemSettings> connect(const char* displayName = nullptr);
    ~X11SystemSettings() override;
    std::string_view name() const override { return "X11"; }

    struct Library; // the libX11 entry points, defined where they are loaded

protected:
    bool apply(SystemSetting setting, int value) override;
    std::optional<int> read(SystemSetting setting) override;

private:
    X11SystemSettings(std::shared_ptr<const Library> library, void* display);

    std::shared_ptr<const Library> library_;
    void* display_;
    std::mutex mutex_;
};

// Records every value it is given, in order, and reads them back; for tests of the callers.
class RecordingSystemSettings : public SystemSettings {
public:
    struct Change {
        SystemSetting setting;
        int value;
        bool operator==(const Change&) const = default;
    };

    std::string_view name() const override { return "recording"; }

    std::vector<Change> changes() const;
    void clearChanges();
    // A refused setting is not taken (apply returns false) and reads as nothing, like a desktop without it.
    void refuse(SystemSetting setting);
    // Called inside apply before the value is recorded; lets a test hold a background thread.
    void setApplyHook(std::function<void(SystemSetting, int)> hook);

protected:
    bool apply(SystemSetting setting, int value) override;
    std::optional<int> read(SystemSetting setting) override;

private:
    mutable std::mutex mutex_;
    std::vector<Change> changes_;
    std::map<SystemSetting, int> values_;
    std::vector<SystemSetting> refused_;
    std::function<void(SystemSetting, int)> applyHook_;
};

} // namespace pelan
