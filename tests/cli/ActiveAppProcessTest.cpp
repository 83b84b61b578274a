// pelanctl active-app as a process, on the desktops the program supports and where there is none.
#include "cli/Processes.h"

#include <gtest/gtest.h>
#include <json/json.h>

// After GoogleTest: Xlib's macros (None, Bool, ...) would clash with its names.
#include "support/PrivateBus.h"
#include "support/PrivateDesktop.h"
#include "support/PrivateSway.h"
#include <X11/Xlib.h>

namespace pelan {
namespace {

using Environment = std::vector<std::pair<std::string, std::string>>;

test::ProcessResult activeApp(const Environment& environment) {
    return test::runProcess({test::builtProgram("pelanctl"), "--json", "active-app"}, std::chrono::seconds(20),
                            environment);
}

Json::Value parsed(const std::string& text) {
    Json::Value document;
    std::istringstream in(text);
    EXPECT_TRUE(Json::parseFromStream(Json::CharReaderBuilder(), in, &document, nullptr)) << text;
    return document;
}

TEST(ActiveAppProcess, WithoutADesktopSaysWhyAndFails) {
    const test::ProcessResult result = activeApp({{"DISPLAY", ""}, {"WAYLAND_DISPLAY", ""}});
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_NE(result.err.find("neither WAYLAND_DISPLAY nor DISPLAY"), std::string::npos) << result.err;
}

// KWin offers no foreign-toplevel protocol: on Plasma under Wayland the program takes the KWin script's calls.
TEST(ActiveAppProcess, OnPlasmaUnderWaylandWaitsForTheKWinScript) {
    test::PrivateBus bus("DBUS_SESSION_BUS_ADDRESS");
    ASSERT_TRUE(bus.running());
    const Environment plasma{{"WAYLAND_DISPLAY", "pelan-no-compositor"}, {"XDG_CURRENT_DESKTOP", "KDE"}};
    const test::ProcessResult result = activeApp(plasma);
    ASSERT_EQ(result.exitCode, 0) << result.err;
    EXPECT_EQ(parsed(result.out)["backend"].asString(), "KWin");
    EXPECT_NE(result.err.find("--follow"), std::string::npos) << result.err;

    const test::ProcessResult elsewhere =
        activeApp({{"WAYLAND_DISPLAY", "pelan-no-compositor"}, {"XDG_CURRENT_DESKTOP", "GNOME"}});
    EXPECT_EQ(elsewhere.exitCode, 1);
    EXPECT_NE(elsewhere.err.find("Wayland compositor"), std::string::npos) << elsewhere.err;
}

TEST(ActiveAppProcess, ShowsTheActiveX11Window) {
    if (!PrivateDesktop::installed() || !PrivateDesktop::xdotoolInstalled())
        GTEST_SKIP() << "Xvfb, openbox or xdotool is not installed";
    PrivateDesktop desktop;
    ASSERT_TRUE(desktop.running());
    Display* client = XOpenDisplay(desktop.display().c_str());
    ASSERT_NE(client, nullptr);
    const Window window = PrivateDesktop::openWindow(client, "shooter", "Shooter");
    ASSERT_NE(window, 0u);
    ASSERT_TRUE(desktop.activate(window));

    const test::ProcessResult result = activeApp({{"DISPLAY", desktop.display()}, {"WAYLAND_DISPLAY", ""}});
    XCloseDisplay(client);
    ASSERT_EQ(result.exitCode, 0) << result.err;
    const Json::Value document = parsed(result.out);
    EXPECT_EQ(document["backend"].asString(), "X11");
    EXPECT_EQ(document["active"].asString(), "Shooter");
    ASSERT_EQ(document["applications"].size(), 1u);
    EXPECT_EQ(document["applications"][0].asString(), "Shooter");
}

TEST(ActiveAppProcess, ShowsTheFocusedSwayWindow) {
    if (!PrivateSway::installed())
        GTEST_SKIP() << "sway, swaymsg or foot is not installed";
    PrivateSway sway;
    ASSERT_TRUE(sway.running());
    ASSERT_TRUE(sway.startClient("pelan.shooter"));
    ASSERT_TRUE(sway.focus("pelan.shooter"));

    const test::ProcessResult result =
        activeApp({{"XDG_RUNTIME_DIR", sway.runtimeDir()}, {"WAYLAND_DISPLAY", sway.display()}});
    ASSERT_EQ(result.exitCode, 0) << result.err;
    const Json::Value document = parsed(result.out);
    EXPECT_EQ(document["backend"].asString(), "wlroots");
    EXPECT_EQ(document["active"].asString(), "pelan.shooter");
}

} // namespace
} // namespace pelan
