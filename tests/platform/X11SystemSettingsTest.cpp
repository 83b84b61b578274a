#include "platform/SystemSettingsBackends.h"
#include "platform/Trace.h"
#include "support/PrivateXServer.h"
#include "support/TempFolder.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <map>
#include <string>

namespace pelan {
namespace {

TEST(X11SystemSettings, NoDisplayGivesNoBackend) {
    EXPECT_EQ(X11SystemSettings::connect(":987654"), nullptr);
}

TEST(X11SystemSettings, PointerAccelerationAndKeyboardRepeatRoundTripOnAnXServer) {
    PrivateXServer server;
    if (server.display().empty())
        GTEST_SKIP() << "Xvfb could not be started";
    std::unique_ptr<X11SystemSettings> x11 = X11SystemSettings::connect(server.display().c_str());
    ASSERT_NE(x11, nullptr);

    EXPECT_TRUE(x11->setPointerPrecision(0));
    EXPECT_EQ(x11->pointerPrecision(), 0);
    EXPECT_TRUE(x11->setPointerPrecision(1));
    EXPECT_EQ(x11->pointerPrecision(), 1);

    EXPECT_TRUE(x11->setKeyboardSpeed(31));
    EXPECT_TRUE(x11->setKeyboardDelay(0));
    EXPECT_EQ(x11->keyboardSpeed(), 31);
    EXPECT_EQ(x11->keyboardDelay(), 0); // setting the speed did not disturb the delay, nor the other way round
    EXPECT_TRUE(x11->setKeyboardSpeed(0));
    EXPECT_EQ(x11->keyboardDelay(), 0);
    EXPECT_EQ(x11->keyboardSpeed(), 0);

    // A second connection sees what the first one set: the values live in the server.
    std::unique_ptr<X11SystemSettings> other = X11SystemSettings::connect(server.display().c_str());
    ASSERT_NE(other, nullptr);
    EXPECT_EQ(other->pointerPrecision(), 1);
    EXPECT_EQ(other->keyboardSpeed(), 0);

    // The X server has no pointer speed, wheel lines or double-click time.
    EXPECT_FALSE(x11->setPointerSpeed(12));
    EXPECT_FALSE(x11->setWheelLines(3));
    EXPECT_FALSE(x11->setDoubleClickTime(500));
    EXPECT_EQ(x11->pointerSpeed(), std::nullopt);
}

// Sets environment variables for one test and puts the previous values back afterwards.
class EnvironmentScope {
public:
    void set(const char* name, const std::optional<std::string>& value) {
        if (!saved_.count(name)) {
            const char* previous = std::getenv(name);
            saved_[name] = previous != nullptr ? std::optional<std::string>(previous) : std::nullopt;
        }
        if (value)
            ::setenv(name, value->c_str(), 1);
        else
            ::unsetenv(name);
    }
    ~EnvironmentScope() {
        for (const auto& [name, value] : saved_)
            value ? ::setenv(name.c_str(), value->c_str(), 1) : ::unsetenv(name.c_str());
    }

private:
    std::map<std::string, std::optional<std::string>> saved_;
};

std::vector<std::string> chosenBackends(const std::string& stateFile) {
    auto settings = makeSystemSettings(stateFile);
    return dynamic_cast<DesktopSystemSettings&>(*settings).backendNames();
}

TEST(SystemSettingsFactory, ChoosesTheBackendsOfTheSession) {
    testing::TempFolder folder;
    const std::string stateFile = folder.file("system-settings.json");
    PrivateXServer server;
    EnvironmentScope environment;
    environment.set("PELAN_SYSTEM_SETTINGS", std::nullopt);
    environment.set("XDG_SESSION_TYPE", std::nullopt);

    environment.set("XDG_CURRENT_DESKTOP", "KDE");
    environment.set("DISPLAY", std::nullopt);
    EXPECT_EQ(chosenBackends(stateFile), std::vector<std::string>{"state file"});

    if (!server.display().empty()) {
        environment.set("DISPLAY", server.display());
        EXPECT_EQ(chosenBackends(stateFile), (std::vector<std::string>{"X11", "state file"}));
        environment.set("XDG_SESSION_TYPE", "wayland"); // X pointer control would not reach Wayland clients
        EXPECT_EQ(chosenBackends(stateFile), std::vector<std::string>{"state file"});
        environment.set("PELAN_SYSTEM_SETTINGS", "x11");
        EXPECT_EQ(chosenBackends(stateFile), (std::vector<std::string>{"X11", "state file"}));
    }

    if (GnomeSystemSettings::available()) {
        environment.set("PELAN_SYSTEM_SETTINGS", std::nullopt);
        environment.set("DISPLAY", std::nullopt);
        environment.set("XDG_CURRENT_DESKTOP", "ubuntu:GNOME");
        EXPECT_EQ(chosenBackends(stateFile), (std::vector<std::string>{"GNOME settings", "state file"}));
    }

    std::vector<std::string> traces;
    TraceSink previous = setTraceSink([&](std::string_view line) { traces.emplace_back(line); });
    environment.set("PELAN_SYSTEM_SETTINGS", "none,windows");
    EXPECT_EQ(chosenBackends(stateFile), std::vector<std::string>{"state file"});
    setTraceSink(previous);
    EXPECT_NE(std::find(traces.begin(), traces.end(), "system settings: unknown backend windows"), traces.end());
}

} // namespace
} // namespace pelan
