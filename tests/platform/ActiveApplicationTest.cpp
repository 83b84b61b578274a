// The application in front as each desktop reports it: X11 with openbox on Xvfb and windows activated by xdotool,
// a headless sway with foot clients focused by swaymsg, and the KWin script's D-Bus call on a private bus.
#include "platform/ActiveApplicationBackends.h"

#include <gtest/gtest.h>

// After GoogleTest: Xlib's macros (None, Bool, ...) would clash with its names.
#include "support/PrivateBus.h"
#include "support/PrivateDesktop.h"
#include "support/PrivateSway.h"
#include <X11/Xatom.h>
#include <X11/Xlib.h>

#include <chrono>
#include <fcntl.h>
#include <poll.h>
#include <sys/wait.h>

namespace pelan {
namespace {

using Ids = std::vector<std::string>;

bool onPath(const char* program) {
    return std::system((std::string("command -v ") + program + " >/dev/null 2>&1").c_str()) == 0;
}

// Waits on the watch's descriptor, as its owners do, until the application in front is `expected` (five seconds at
// most); true when a takeChanges() on the way said it changed.
bool waitForActive(ActiveApplicationWatch& watch, const std::string& expected) {
    bool reported = false;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    while (watch.activeApplication() != expected && std::chrono::steady_clock::now() < deadline) {
        pollfd entry{watch.fd(), POLLIN, 0};
        ::poll(&entry, 1, 100);
        reported |= watch.takeChanges();
    }
    return reported && watch.activeApplication() == expected;
}

// The desktop goes away: the watch says so, and its old descriptor sleeps instead of reporting the hang-up for ever.
void expectQuietAfterLoss(ActiveApplicationWatch& watch) {
    const int descriptor = watch.fd();
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    while (watch.unavailableReason().empty() && std::chrono::steady_clock::now() < deadline) {
        pollfd entry{descriptor, POLLIN, 0};
        ::poll(&entry, 1, 100);
        watch.takeChanges();
    }
    EXPECT_NE(watch.unavailableReason(), "");
    EXPECT_EQ(watch.fd(), -1);
    EXPECT_EQ(watch.activeApplication(), "");
    pollfd entry{descriptor, POLLIN, 0};
    EXPECT_EQ(::poll(&entry, 1, 200), 0);
}

// Serves the watch for a moment; true when it reported a change meanwhile.
bool changesWithin(ActiveApplicationWatch& watch, std::chrono::milliseconds time) {
    bool changed = false;
    const auto deadline = std::chrono::steady_clock::now() + time;
    while (std::chrono::steady_clock::now() < deadline) {
        pollfd entry{watch.fd(), POLLIN, 0};
        ::poll(&entry, 1, 50);
        changed |= watch.takeChanges();
    }
    return changed;
}

class X11ActiveApplicationTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (!PrivateDesktop::installed() || !PrivateDesktop::xdotoolInstalled())
            GTEST_SKIP() << "Xvfb, openbox or xdotool is not installed";
        desktop_ = std::make_unique<PrivateDesktop>();
        ASSERT_TRUE(desktop_->running()) << "Xvfb with openbox did not start";
        client_ = XOpenDisplay(desktop_->display().c_str());
        ASSERT_NE(client_, nullptr);
    }
    void TearDown() override {
        if (client_ != nullptr)
            XCloseDisplay(client_);
    }

    Window openWindow(const char* instance, const char* windowClass) {
        const Window window = PrivateDesktop::openWindow(client_, instance, windowClass);
        EXPECT_NE(window, 0u);
        return window;
    }
    bool activate(Window window) const { return desktop_->activate(window); }

    std::unique_ptr<PrivateDesktop> desktop_;
    Display* client_ = nullptr;
};

TEST_F(X11ActiveApplicationTest, FollowsTheActivatedWindowsClass) {
    const Window game = openWindow("game_instance", "GameClass");
    const Window editor = openWindow("editor", "");
    std::unique_ptr<ActiveApplicationWatch> watch = connectX11ActiveApplication(desktop_->display());
    ASSERT_EQ(watch->unavailableReason(), "");

    EXPECT_EQ(watch->applications(), (Ids{"GameClass", "editor"}));

    ASSERT_TRUE(activate(game));
    EXPECT_TRUE(waitForActive(*watch, "GameClass"));
    // A window without a class is known by its instance.
    ASSERT_TRUE(activate(editor));
    EXPECT_TRUE(waitForActive(*watch, "editor"));
    ASSERT_TRUE(activate(game));
    EXPECT_TRUE(waitForActive(*watch, "GameClass"));
    // A window of this very process (the program's own) is no other application in front.
    const Window own = openWindow("own", "OwnClass");
    const long pid = ::getpid();
    XChangeProperty(client_, own, XInternAtom(client_, "_NET_WM_PID", False), XA_CARDINAL, 32, PropModeReplace,
                    reinterpret_cast<const unsigned char*>(&pid), 1);
    XSync(client_, False);
    ASSERT_TRUE(activate(own));
    EXPECT_FALSE(changesWithin(*watch, std::chrono::milliseconds(300)));
    EXPECT_EQ(watch->activeApplication(), "GameClass");
    EXPECT_EQ(watch->applications(), (Ids{"GameClass", "editor"}));
    ASSERT_TRUE(activate(game));
    // The window in front closes: the one openbox activates next is in front, or none.
    XDestroyWindow(client_, game);
    XSync(client_, False);
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    while (watch->activeApplication() == "GameClass" && std::chrono::steady_clock::now() < deadline) {
        pollfd entry{watch->fd(), POLLIN, 0};
        ::poll(&entry, 1, 100);
        watch->takeChanges();
    }
    EXPECT_NE(watch->activeApplication(), "GameClass");
    EXPECT_EQ(watch->applications(), Ids{"editor"});

    XCloseDisplay(client_);
    client_ = nullptr;
    desktop_.reset();
    expectQuietAfterLoss(*watch);
}

TEST(X11ActiveApplicationUnavailable, WithoutAWindowManagerSaysWhy) {
    if (!PrivateXServer::installed())
        GTEST_SKIP() << "Xvfb is not installed";
    PrivateXServer server;
    ASSERT_FALSE(server.display().empty());
    std::unique_ptr<ActiveApplicationWatch> watch = connectX11ActiveApplication(server.display());
    EXPECT_NE(watch->unavailableReason().find("_NET_ACTIVE_WINDOW"), std::string::npos);
    EXPECT_EQ(watch->fd(), -1);
    EXPECT_NE(connectX11ActiveApplication(":4711")->unavailableReason(), "");
}

TEST(WlrootsActiveApplication, FollowsTheFocusedToplevelsAppId) {
    if (!PrivateSway::installed())
        GTEST_SKIP() << "sway, swaymsg or foot is not installed";
    auto swayOwner = std::make_unique<PrivateSway>();
    PrivateSway& sway = *swayOwner;
    ASSERT_TRUE(sway.running()) << "the headless sway did not start";
    std::unique_ptr<ActiveApplicationWatch> watch =
        connectWlrootsActiveApplication(sway.runtimeDir() + "/" + sway.display());
    ASSERT_EQ(watch->unavailableReason(), "");

    ASSERT_TRUE(sway.startClient("pelan.alpha"));
    ASSERT_TRUE(sway.startClient("pelan.beta"));
    // sway focuses a new window: the second one is in front.
    EXPECT_TRUE(waitForActive(*watch, "pelan.beta"));
    EXPECT_EQ(watch->applications(), (Ids{"pelan.alpha", "pelan.beta"}));
    ASSERT_TRUE(sway.focus("pelan.alpha"));
    EXPECT_TRUE(waitForActive(*watch, "pelan.alpha"));
    ASSERT_TRUE(sway.focus("pelan.beta"));
    EXPECT_TRUE(waitForActive(*watch, "pelan.beta"));
    // A window with this program's app_id is the program's own, no other application in front.
    ASSERT_TRUE(sway.startClient(thisProgramsApplicationId()));
    ASSERT_TRUE(sway.focus(thisProgramsApplicationId()));
    EXPECT_FALSE(changesWithin(*watch, std::chrono::milliseconds(300)));
    EXPECT_EQ(watch->activeApplication(), "pelan.beta");
    EXPECT_EQ(watch->applications(), (Ids{"pelan.alpha", "pelan.beta"}));

    swayOwner.reset();
    expectQuietAfterLoss(*watch);
}

// Runs a program that calls the watch over the bus and waits for its answer, serving the watch meanwhile as its
// owner would; true when the program exits with 0.
bool callWhileServing(ActiveApplicationWatch& watch, std::vector<std::string> arguments) {
    const pid_t pid = ::fork();
    if (pid == 0) {
        std::vector<char*> argv;
        for (std::string& argument : arguments)
            argv.push_back(argument.data());
        argv.push_back(nullptr);
        const int quiet = ::open("/dev/null", O_WRONLY);
        ::dup2(quiet, 1);
        ::execvp(argv[0], argv.data());
        ::_exit(127);
    }
    int status = 0;
    while (::waitpid(pid, &status, WNOHANG) == 0) {
        pollfd entry{watch.fd(), POLLIN, 0};
        ::poll(&entry, 1, 20);
        watch.takeChanges();
    }
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

// The bus, once for the process: libdbus keeps the session bus address it read first.
class KWinActiveApplicationTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { bus_ = new test::PrivateBus("DBUS_SESSION_BUS_ADDRESS"); }
    static void TearDownTestSuite() {
        delete bus_;
        bus_ = nullptr;
    }
    void SetUp() override {
        if (!onPath("dbus-daemon") || !onPath("dbus-send") || !onPath("node"))
            GTEST_SKIP() << "dbus-daemon, dbus-send or node is not installed";
        ASSERT_TRUE(bus_->running());
        watch_ = serveKWinActiveApplication();
        ASSERT_EQ(watch_->unavailableReason(), "");
    }
    // The shipped script run by node in a stand-in of KWin's scripting world (tests/platform/kwin-world.js), whose
    // callDBus is dbus-send: the windows given are open, the first is in front, then the last is activated.
    bool runScript(std::vector<std::string> windows) {
        const std::string source = std::getenv("PELAN_SOURCE_DIR");
        std::vector<std::string> command{"node", source + "/tests/platform/kwin-world.js",
                                         source + "/packaging/kwin/" + kwinreport::kScriptId +
                                             "/contents/code/main.js"};
        command.insert(command.end(), windows.begin(), windows.end());
        return callWhileServing(*watch_, command);
    }
    bool report(const std::string& active, const std::string& list) {
        return callWhileServing(*watch_, {"dbus-send", "--session", "--print-reply", "--type=method_call",
                                          std::string("--dest=") + kwinreport::kService, kwinreport::kPath,
                                          std::string(kwinreport::kInterface) + "." + kwinreport::kMethod,
                                          "string:" + active, "string:" + list});
    }

    static test::PrivateBus* bus_;
    std::unique_ptr<ActiveApplicationWatch> watch_;
};
test::PrivateBus* KWinActiveApplicationTest::bus_ = nullptr;

TEST_F(KWinActiveApplicationTest, TheScriptsReportsReachTheWatch) {
    ASSERT_TRUE(runScript({"org.kde.konsole", "steam_app_570"}));
    EXPECT_EQ(watch_->activeApplication(), "steam_app_570");
    EXPECT_EQ(watch_->applications(), (Ids{"org.kde.konsole", "steam_app_570"}));
    // A second program cannot take the name, and says so.
    EXPECT_NE(serveKWinActiveApplication()->unavailableReason(), "");
}

TEST_F(KWinActiveApplicationTest, ReportsThatAreNoApplicationIdsAreRefused) {
    ASSERT_TRUE(report("firefox", "firefox"));
    // The program's own window in front keeps the application before it.
    ASSERT_TRUE(report(thisProgramsApplicationId(), "firefox\n" + thisProgramsApplicationId()));
    EXPECT_EQ(watch_->activeApplication(), "firefox");
    EXPECT_FALSE(report(std::string(kMaxApplicationIdLength + 1, 'a'), "firefox"));
    EXPECT_FALSE(report("bad\tname", ""));
    EXPECT_FALSE(report("", "firefox\n\x01"));
    EXPECT_EQ(watch_->activeApplication(), "firefox");
    EXPECT_EQ(watch_->applications(), Ids{"firefox"});
    ASSERT_TRUE(report("", ""));
    EXPECT_EQ(watch_->activeApplication(), "");
    EXPECT_EQ(watch_->applications(), Ids{});
}

} // namespace
} // namespace pelan
