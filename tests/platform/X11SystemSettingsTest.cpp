#include "platform/SystemSettingsBackends.h"
#include "platform/Trace.h"
#include "support/TempFolder.h"

#include <gtest/gtest.h>

#include <csignal>
#include <cstdlib>
#include <map>
#include <poll.h>
#include <string>
#include <sys/wait.h>
#include <unistd.h>

namespace pelan {
namespace {

// A private Xvfb server. It picks a free display number itself and writes it to a pipe (-displayfd), so tests
// running side by side never collide on a display. -noreset keeps it from resetting, and refusing connections for
// a moment, each time its last client disconnects.
class PrivateXServer {
public:
    PrivateXServer() {
        int fds[2];
        if (::pipe(fds) != 0)
            return;
        pid_ = ::fork();
        if (pid_ == 0) {
            ::close(fds[0]);
            std::string fd = std::to_string(fds[1]);
            ::execlp("Xvfb", "Xvfb", "-displayfd", fd.c_str(), "-nolisten", "tcp", "-noreset", "-screen", "0",
                     "640x480x24", static_cast<char*>(nullptr));
            ::_exit(127);
        }
        ::close(fds[1]);
        if (pid_ > 0)
            display_ = readDisplay(fds[0]);
        ::close(fds[0]);
    }
    ~PrivateXServer() {
        if (pid_ > 0) {
            ::kill(pid_, SIGTERM);
            ::waitpid(pid_, nullptr, 0);
        }
    }
    const std::string& display() const { return display_; }

private:
    static std::string readDisplay(int fd) {
        std::string number;
        for (;;) {
            pollfd entry{fd, POLLIN, 0};
            if (::poll(&entry, 1, 20000) <= 0)
                return {};
            char c = 0;
            if (::read(fd, &c, 1) != 1)
                return {};
            if (c == '\n')
                return number.empty() ? std::string() : ":" + number;
            number.push_back(c);
        }
    }

    pid_t pid_ = -1;
    std::string display_;
};

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
