// Profiles that follow the application in front, end to end: pelan-emu serves the mouse, pelanctl links two
// profiles to two applications, the program runs as a process on a desktop, and windows of those applications and
// of an unlinked one come to the front in turn. The emulated mouse's memory shows the DPI stages of the linked
// profile, and those of the fallback for the unlinked window. The desktops: Xvfb with openbox (xdotool activates
// the windows), a headless sway (swaymsg focuses foot windows) and Plasma under Wayland (the KWin script reports).
// On X11 and sway the program's window is on the desktop as well, and brought to the front it keeps the profile in use.
#include "cli/Processes.h"

#include <gtest/gtest.h>
#include <json/json.h>

// After GoogleTest: Xlib's macros (None, Bool, ...) would clash with its names.
#include "support/PrivateBus.h"
#include "support/PrivateDesktop.h"
#include "support/PrivateSway.h"
#include <X11/Xlib.h>

#include <fstream>
#include <map>
#include <sstream>
#include <thread>

namespace pelan {
namespace {

using Environment = std::vector<std::pair<std::string, std::string>>;

// Byte offset of DPI stage 0's code in the mouse's settings block.
constexpr int kStage0Offset = 15;
const std::vector<std::string> kApplications{"pelan.first", "pelan.second", "pelan.other"};

// Where the application windows come to the front.
class Desktop {
public:
    virtual ~Desktop() = default;
    virtual bool running() const = 0;
    // What the program needs to find this desktop.
    virtual Environment environment() const = 0;
    virtual bool open(const std::string& application) = 0;
    virtual bool bringToFront(const std::string& application) = 0;
    // The Qt platform the program draws its window with: on the desktop itself where the test can reach it.
    virtual std::string qtPlatform() const { return "offscreen"; }
    // Brings the program's own window to the front; false where it is not on this desktop.
    virtual bool bringProgramToFront(pid_t) { return false; }
};

class X11Desktop : public Desktop {
public:
    X11Desktop() { client_ = desktop_.running() ? XOpenDisplay(desktop_.display().c_str()) : nullptr; }
    ~X11Desktop() override {
        if (client_ != nullptr)
            XCloseDisplay(client_);
    }
    bool running() const override { return client_ != nullptr; }
    Environment environment() const override { return {{"DISPLAY", desktop_.display()}, {"WAYLAND_DISPLAY", ""}}; }
    bool open(const std::string& application) override {
        windows_[application] = PrivateDesktop::openWindow(client_, application, application);
        return windows_[application] != 0;
    }
    bool bringToFront(const std::string& application) override { return desktop_.activate(windows_[application]); }
    std::string qtPlatform() const override { return "xcb"; }
    bool bringProgramToFront(pid_t program) override {
        const std::string command = "DISPLAY=" + desktop_.display() +
                                    " xdotool search --all --sync --onlyvisible --pid " + std::to_string(program) +
                                    " --name . windowactivate --sync >/dev/null 2>&1";
        return std::system(command.c_str()) == 0;
    }

private:
    PrivateDesktop desktop_;
    Display* client_ = nullptr;
    std::map<std::string, Window> windows_;
};

class SwayDesktop : public Desktop {
public:
    bool running() const override { return sway_.running(); }
    Environment environment() const override {
        // By its path: the program's runtime folder is its own, not the one sway (perhaps as another user) made.
        return {{"WAYLAND_DISPLAY", sway_.runtimeDir() + "/" + sway_.display()}, {"DISPLAY", ""}};
    }
    bool open(const std::string& application) override { return sway_.startClient(application); }
    bool bringToFront(const std::string& application) override { return sway_.focus(application); }
    std::string qtPlatform() const override { return "wayland"; }
    bool bringProgramToFront(pid_t program) override { return sway_.focusProcess(program); }

private:
    PrivateSway sway_;
};

// KDE Plasma under Wayland: no compositor the program can ask, and the shipped KWin script, run by node in a
// stand-in of KWin's scripting world (tests/platform/kwin-world.js), reports each window brought to the front.
class KWinDesktop : public Desktop {
public:
    bool running() const override { return true; }
    Environment environment() const override {
        return {{"WAYLAND_DISPLAY", "pelan-no-compositor"}, {"XDG_CURRENT_DESKTOP", "KDE"}, {"DISPLAY", ""}};
    }
    bool open(const std::string& application) override {
        windows_.push_back(application);
        return true;
    }
    // The script reports the window in front when it loads, and again when the last window given is activated.
    // Until the program has taken its D-Bus name the calls find nobody, and are tried again.
    bool bringToFront(const std::string& application) override {
        const std::string source = std::getenv("PELAN_SOURCE_DIR");
        std::vector<std::string> command{"/usr/bin/env", "node", source + "/tests/platform/kwin-world.js",
                                         source +
                                             "/packaging/kwin/orvane-pelan-active-application/contents/code/main.js"};
        for (const std::string& window : windows_)
            if (window != application)
                command.push_back(window);
        command.push_back(application);
        for (int attempt = 0; attempt < 50; ++attempt) {
            if (test::runProcess(command, std::chrono::seconds(30)).exitCode == 0)
                return true;
            std::this_thread::sleep_for(std::chrono::milliseconds(200));
        }
        return false;
    }

private:
    std::vector<std::string> windows_;
};

class FollowApplicationTest : public ::testing::Test {
protected:
    void SetUp() override {
        char pattern[] = "/tmp/pfol.XXXXXX";
        ASSERT_NE(::mkdtemp(pattern), nullptr);
        folder_ = pattern;
        emulator_ = std::make_unique<test::EmulatorProcess>("mouse");
        ASSERT_TRUE(emulator_->ready());
    }
    void TearDown() override {
        stopProgram();
        emulator_.reset();
        std::error_code ignored;
        if (!folder_.empty())
            std::filesystem::remove_all(folder_, ignored);
    }

    Json::Value pelanctl(std::vector<std::string> words) {
        std::vector<std::string> call{
            test::builtProgram("pelanctl"), "--root", emulator_->root(), "--data-dir", data(), "--json"};
        call.insert(call.end(), words.begin(), words.end());
        const test::ProcessResult result = test::runProcess(call, std::chrono::seconds(30));
        EXPECT_EQ(result.exitCode, 0) << words.front() << ": " << result.err;
        Json::Value document;
        std::istringstream in(result.out);
        Json::parseFromStream(Json::CharReaderBuilder(), in, &document, nullptr);
        return document;
    }

    // Three profiles with their own DPI on stage 0: the first selected by hand (and so the fallback), the second
    // and third linked to the first two applications. Returns each profile's stage 0 code as the mouse holds it.
    std::vector<std::string> makeLinkedProfiles() {
        pelanctl({"profile", "add"});
        pelanctl({"profile", "add"});
        const int dpis[] = {800, 1600, 3200};
        std::vector<std::string> codes;
        for (int index = 0; index < 3; ++index) {
            pelanctl({"profile", "select", std::to_string(index)});
            pelanctl({"dpi", "set", "0", std::to_string(dpis[index])});
            codes.push_back(stage0());
        }
        pelanctl({"profile", "select", "0"});
        pelanctl({"profile", "link", kApplications[0], "1"});
        pelanctl({"profile", "link", kApplications[1], "2"});
        return codes;
    }

    std::string stage0() { return emulator_->command("dump mouse " + std::to_string(kStage0Offset) + " 2"); }

    // Waits until the mouse's stage 0 holds `code` (the program writes in its own time).
    bool mouseShows(const std::string& code) {
        for (int attempt = 0; attempt < 150 && stage0() != code; ++attempt)
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
        return stage0() == code;
    }

    // The program traces what it follows into a file the test reads.
    void startProgram(const Desktop& desktop) {
        // Its instance socket in a folder of its own, away from other copies of the program.
        Environment environment{{"QT_QPA_PLATFORM", desktop.qtPlatform()},
                                {"PELAN_TRACE", "1"},
                                {"XDG_RUNTIME_DIR", folder_},
                                {"PELAN_HIDRAW_ROOT", emulator_->root()},
                                {"PELAN_DATA_DIR", data()},
                                {"XDG_CONFIG_HOME", folder_ + "/config"},
                                {"PELAN_UPDATE_URL", "http://127.0.0.1:9/"}};
        const Environment session = desktop.environment();
        environment.insert(environment.end(), session.begin(), session.end());
        program_ = ::fork();
        if (program_ == 0) {
            for (const auto& [name, value] : environment)
                ::setenv(name.c_str(), value.c_str(), 1);
            const int quiet = ::open("/dev/null", O_WRONLY);
            const int traced = ::open(tracePath().c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
            ::dup2(quiet, 1);
            ::dup2(traced, 2);
            const std::string program = test::builtProgram("pelan");
            ::execl(program.c_str(), program.c_str(), static_cast<char*>(nullptr));
            ::_exit(127);
        }
    }
    void stopProgram() {
        if (program_ <= 0)
            return;
        ::kill(program_, SIGTERM);
        ::waitpid(program_, nullptr, 0);
        program_ = -1;
    }

    std::string tracePath() const { return folder_ + "/trace"; }
    std::string traceSoFar() const {
        std::ifstream in(tracePath());
        return std::string(std::istreambuf_iterator<char>(in), {});
    }
    // The applications the program switched the mouse's profile for, in order, since `offset` in its trace.
    std::vector<std::string> switchesSince(size_t offset) const {
        std::istringstream lines(traceSoFar().substr(offset));
        std::vector<std::string> applications;
        const std::string front = "application in front: ";
        for (std::string line; std::getline(lines, line);)
            if (line.starts_with(front) && line.find(" follows with profile ") != std::string::npos)
                applications.push_back(line.substr(front.size(), line.find(';') - front.size()));
        return applications;
    }

    // The program's own window in front is no other application: the profile of the one before it stays. The
    // next application brought to the front is the point where the program has surely seen its own window, as it
    // reads the changes in order; by then it has switched the mouse for that application only.
    void ownWindowKeepsTheProfile(Desktop& desktop, const std::vector<std::string>& codes) {
        const size_t before = traceSoFar().size();
        ASSERT_TRUE(desktop.bringProgramToFront(program_));
        ASSERT_TRUE(desktop.bringToFront(kApplications[1]));
        ASSERT_TRUE(mouseShows(codes[2])) << "linked to " << kApplications[1];
        std::vector<std::string> switches = switchesSince(before);
        for (int attempt = 0; attempt < 50 && (switches.empty() || switches.back() != kApplications[1]); ++attempt) {
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
            switches = switchesSince(before);
        }
        EXPECT_EQ(switches, std::vector<std::string>{kApplications[1]}) << "the program's own window switched";
    }

    void followOn(Desktop& desktop) {
        ASSERT_TRUE(desktop.running()) << "the desktop did not start";
        const std::vector<std::string> codes = makeLinkedProfiles();
        ASSERT_NE(codes[0], codes[1]);
        ASSERT_NE(codes[1], codes[2]);
        // The mouse holds another profile's stage than the selected one: when the program has arrived at the
        // mouse, it has written the selected profile's back.
        ASSERT_EQ(stage0(), codes[2]);
        for (const std::string& application : kApplications)
            ASSERT_TRUE(desktop.open(application)) << application;
        startProgram(desktop);
        ASSERT_TRUE(mouseShows(codes[0])) << "the program did not bring the selected profile to the mouse";

        for (int round = 0; round < 2; ++round) {
            ASSERT_TRUE(desktop.bringToFront(kApplications[0]));
            EXPECT_TRUE(mouseShows(codes[1])) << "linked to " << kApplications[0];
            if (desktop.qtPlatform() != "offscreen")
                ownWindowKeepsTheProfile(desktop, codes);
            ASSERT_TRUE(desktop.bringToFront(kApplications[1]));
            EXPECT_TRUE(mouseShows(codes[2])) << "linked to " << kApplications[1];
            ASSERT_TRUE(desktop.bringToFront(kApplications[2]));
            EXPECT_TRUE(mouseShows(codes[0])) << "the fallback for the unlinked " << kApplications[2];
        }

        // A mouse plugged in while a linked application is in front takes that application's profile.
        ASSERT_EQ(emulator_->command("unplug mouse"), "ok");
        ASSERT_TRUE(desktop.bringToFront(kApplications[0]));
        ASSERT_EQ(emulator_->command("plug mouse"), "ok");
        EXPECT_TRUE(mouseShows(codes[1])) << "plugged in with " << kApplications[0] << " in front";
    }

    std::string data() const { return folder_ + "/data"; }

    std::string folder_;
    std::unique_ptr<test::EmulatorProcess> emulator_;
    pid_t program_ = -1;
    // The program's notifications and sibling messages go to a bus of the test's own.
    test::PrivateBus bus_{"DBUS_SESSION_BUS_ADDRESS"};
};

TEST_F(FollowApplicationTest, OnX11WithOpenbox) {
    if (!PrivateDesktop::installed() || !PrivateDesktop::xdotoolInstalled())
        GTEST_SKIP() << "Xvfb, openbox or xdotool is not installed";
    X11Desktop desktop;
    followOn(desktop);
}

TEST_F(FollowApplicationTest, OnAHeadlessSway) {
    if (!PrivateSway::installed())
        GTEST_SKIP() << "sway, swaymsg or foot is not installed";
    SwayDesktop desktop;
    followOn(desktop);
}

TEST_F(FollowApplicationTest, OnPlasmaUnderWaylandWithTheKWinScript) {
    if (std::system("command -v node >/dev/null && command -v dbus-send >/dev/null") != 0)
        GTEST_SKIP() << "node or dbus-send is not installed";
    KWinDesktop desktop;
    followOn(desktop);
}

} // namespace
} // namespace pelan
