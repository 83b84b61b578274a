// Sibling broadcasts and sleep reports over a private D-Bus daemon: what one program broadcasts reaches the others
// and not itself; logind's PrepareForSleep becomes sleep and wake-up; without a bus nothing is sent and nothing fails.
#include "platform/DbusSignals.h"
#include "platform/DesktopNotification.h"
#include "support/NotificationServer.h"
#include "support/PrivateBus.h"

#include <dbus/dbus.h>
#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <poll.h>
#include <string>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace pelan {
namespace {

// libdbus reads the bus addresses once; every test starts it afresh, so each sees the buses it set up.
class DbusSignals : public ::testing::Test {
protected:
    void SetUp() override { dbus_shutdown(); }
    void TearDown() override { dbus_shutdown(); }
};

template <typename T, typename Take>
auto waitForItems(T& receiver, Take take) {
    for (int i = 0; i < 100; ++i) {
        pollfd fd{receiver.fd(), POLLIN, 0};
        ::poll(&fd, 1, 20);
        auto items = take(receiver);
        if (!items.empty())
            return items;
    }
    return decltype(take(receiver)){};
}

TEST_F(DbusSignals, BroadcastReachesSiblingsButNotTheSender) {
    test::PrivateBus bus("DBUS_SESSION_BUS_ADDRESS");
    if (!bus.running())
        GTEST_SKIP() << "dbus-daemon is not available";
    SiblingBus sender;
    SiblingBus sibling;
    ASSERT_TRUE(sender.connected());
    ASSERT_TRUE(sibling.connected());
    ASSERT_TRUE(sender.broadcast({"{4695579F-999A-41d4-9FAF-EFFCE93EBF16}", 1, 0}));
    const auto received = waitForItems(sibling, [](SiblingBus& b) { return b.takeMessages(); });
    ASSERT_EQ(received.size(), 1u);
    EXPECT_EQ(received[0].name, "{4695579F-999A-41d4-9FAF-EFFCE93EBF16}");
    EXPECT_EQ(received[0].wParam, 1);
    EXPECT_EQ(received[0].lParam, 0);
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    EXPECT_TRUE(sender.takeMessages().empty());
}

TEST_F(DbusSignals, PrepareForSleepBecomesSleepAndWakeUp) {
    test::PrivateBus bus("DBUS_SYSTEM_BUS_ADDRESS");
    if (!bus.running())
        GTEST_SKIP() << "dbus-daemon is not available";
    SleepWatcher watcher;
    ASSERT_TRUE(watcher.connected());

    DBusError error;
    dbus_error_init(&error);
    DBusConnection* logind = dbus_bus_get_private(DBUS_BUS_SYSTEM, &error);
    ASSERT_NE(logind, nullptr);
    for (dbus_bool_t sleeping : {TRUE, FALSE}) {
        DBusMessage* signal =
            dbus_message_new_signal("/org/freedesktop/login1", "org.freedesktop.login1.Manager", "PrepareForSleep");
        dbus_message_append_args(signal, DBUS_TYPE_BOOLEAN, &sleeping, DBUS_TYPE_INVALID);
        dbus_connection_send(logind, signal, nullptr);
        dbus_message_unref(signal);
    }
    // A signal of the same name with the wrong argument is ignored.
    DBusMessage* odd =
        dbus_message_new_signal("/org/freedesktop/login1", "org.freedesktop.login1.Manager", "PrepareForSleep");
    const char* text = "soon";
    dbus_message_append_args(odd, DBUS_TYPE_STRING, &text, DBUS_TYPE_INVALID);
    dbus_connection_send(logind, odd, nullptr);
    dbus_message_unref(odd);
    dbus_connection_flush(logind);

    std::vector<bool> changes;
    for (int i = 0; i < 100 && changes.size() < 2; ++i) {
        auto more = waitForItems(watcher, [](SleepWatcher& w) { return w.takeChanges(); });
        changes.insert(changes.end(), more.begin(), more.end());
    }
    EXPECT_EQ(changes, (std::vector<bool>{true, false}));
    dbus_connection_close(logind);
    dbus_connection_unref(logind);
}

TEST_F(DbusSignals, WithoutABusNothingIsSentAndNothingFails) {
    ::setenv("DBUS_SESSION_BUS_ADDRESS", "unix:path=/nonexistent/pelan-bus", 1);
    SiblingBus bus;
    EXPECT_FALSE(bus.connected());
    EXPECT_EQ(bus.fd(), -1);
    EXPECT_FALSE(bus.broadcast({"x", 1, 1}));
    EXPECT_TRUE(bus.takeMessages().empty());
    EXPECT_NE(sendDesktopNotification({"s", "b", "i", "", 1}), "");
    ::unsetenv("DBUS_SESSION_BUS_ADDRESS");
}

// A notification reaches the server that owns the freedesktop name; with no server on the bus it fails, and says so.
TEST_F(DbusSignals, DesktopNotificationIsShownByTheServerOrReportedAsNotShown) {
    test::PrivateBus bus("DBUS_SESSION_BUS_ADDRESS");
    if (!bus.running())
        GTEST_SKIP() << "dbus-daemon is not available";
    EXPECT_NE(sendDesktopNotification({"Battery low", "body", "/icon.png", "com.orvane.Pelan", 2}), "");
    test::NotificationServer server;
    ASSERT_TRUE(server.running());
    EXPECT_EQ(sendDesktopNotification({"Battery low", "The headset has 4 %", "/icon.png", "com.orvane.Pelan", 2}), "");
    ASSERT_EQ(server.shown().size(), 1u);
    const test::NotificationServer::Shown shown = server.shown()[0];
    EXPECT_EQ(shown.application, "ORVANE Pelan");
    EXPECT_EQ(shown.icon, "/icon.png");
    EXPECT_EQ(shown.summary, "Battery low");
    EXPECT_EQ(shown.body, "The headset has 4 %");
}

} // namespace
} // namespace pelan
