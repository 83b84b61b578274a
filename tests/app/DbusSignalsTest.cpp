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
#include <vector>

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

// A private connection to a bus, as another process on it would have.
struct BusClient {
    explicit BusClient(DBusBusType type) {
        DBusError error;
        dbus_error_init(&error);
        bus = dbus_bus_get_private(type, &error);
        dbus_error_free(&error);
    }
    ~BusClient() {
        if (bus == nullptr)
            return;
        dbus_connection_close(bus);
        dbus_connection_unref(bus);
    }
    bool own(const char* name) {
        DBusError error;
        dbus_error_init(&error);
        const int result = dbus_bus_request_name(bus, name, DBUS_NAME_FLAG_DO_NOT_QUEUE, &error);
        dbus_error_free(&error);
        return result == DBUS_REQUEST_NAME_REPLY_PRIMARY_OWNER;
    }
    // Every connection on the bus, to address a signal to each of them as well as broadcasting it.
    std::vector<std::string> uniqueNames() {
        std::vector<std::string> names;
        DBusMessage* call =
            dbus_message_new_method_call(DBUS_SERVICE_DBUS, DBUS_PATH_DBUS, DBUS_INTERFACE_DBUS, "ListNames");
        DBusError error;
        dbus_error_init(&error);
        DBusMessage* reply = dbus_connection_send_with_reply_and_block(bus, call, 1000, &error);
        dbus_message_unref(call);
        char** list = nullptr;
        int count = 0;
        if (reply != nullptr &&
            dbus_message_get_args(reply, &error, DBUS_TYPE_ARRAY, DBUS_TYPE_STRING, &list, &count, DBUS_TYPE_INVALID)) {
            for (int i = 0; i < count; ++i)
                if (list[i][0] == ':')
                    names.emplace_back(list[i]);
            dbus_free_string_array(list);
        }
        if (reply != nullptr)
            dbus_message_unref(reply);
        dbus_error_free(&error);
        return names;
    }
    // Broadcasts the signal and addresses it to every connection, which no match rule keeps out.
    template <typename... Args>
    void send(const char* path, const char* interface, const char* member, Args... args) {
        std::vector<std::string> destinations = uniqueNames();
        destinations.emplace_back();
        for (const std::string& destination : destinations) {
            DBusMessage* signal = dbus_message_new_signal(path, interface, member);
            if (!destination.empty())
                dbus_message_set_destination(signal, destination.c_str());
            dbus_message_append_args(signal, args..., DBUS_TYPE_INVALID);
            dbus_connection_send(bus, signal, nullptr);
            dbus_message_unref(signal);
        }
        dbus_connection_flush(bus);
    }
    DBusConnection* bus = nullptr;
};

// Sleep is believed from logind alone: the owner of its name, on its path. Another process's PrepareForSleep, even
// addressed to the watcher itself, changes nothing.
TEST_F(DbusSignals, PrepareForSleepIsBelievedOnlyFromLogind) {
    test::PrivateBus bus("DBUS_SYSTEM_BUS_ADDRESS");
    if (!bus.running())
        GTEST_SKIP() << "dbus-daemon is not available";
    SleepWatcher watcher;
    ASSERT_TRUE(watcher.connected());
    BusClient logind(DBUS_BUS_SYSTEM);
    BusClient impostor(DBUS_BUS_SYSTEM);
    ASSERT_TRUE(logind.own("org.freedesktop.login1"));

    constexpr const char* kPath = "/org/freedesktop/login1";
    constexpr const char* kManager = "org.freedesktop.login1.Manager";
    dbus_bool_t asleep = TRUE;
    impostor.send(kPath, kManager, "PrepareForSleep", DBUS_TYPE_BOOLEAN, &asleep);
    logind.send("/elsewhere", kManager, "PrepareForSleep", DBUS_TYPE_BOOLEAN, &asleep);
    // A signal of the same name with the wrong argument is ignored.
    const char* text = "soon";
    logind.send(kPath, kManager, "PrepareForSleep", DBUS_TYPE_STRING, &text);
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    EXPECT_TRUE(watcher.takeChanges().empty());

    for (dbus_bool_t sleeping : {TRUE, FALSE}) {
        DBusMessage* signal = dbus_message_new_signal(kPath, kManager, "PrepareForSleep");
        dbus_message_append_args(signal, DBUS_TYPE_BOOLEAN, &sleeping, DBUS_TYPE_INVALID);
        dbus_connection_send(logind.bus, signal, nullptr);
        dbus_message_unref(signal);
    }
    dbus_connection_flush(logind.bus);
    std::vector<bool> changes;
    for (int i = 0; i < 10 && changes.size() < 2; ++i) {
        auto more = waitForItems(watcher, [](SleepWatcher& w) { return w.takeChanges(); });
        changes.insert(changes.end(), more.begin(), more.end());
    }
    EXPECT_EQ(changes, (std::vector<bool>{true, false}));
}

// A window message on another object path, even one addressed to this connection, is not a sibling's.
TEST_F(DbusSignals, SiblingMessagesComeOnlyOnTheSiblingPath) {
    test::PrivateBus bus("DBUS_SESSION_BUS_ADDRESS");
    if (!bus.running())
        GTEST_SKIP() << "dbus-daemon is not available";
    SiblingBus listener;
    ASSERT_TRUE(listener.connected());
    BusClient other(DBUS_BUS_SESSION);
    const char* name = "WM_HOOK_KEY_KBMACRO_MSG";
    dbus_int64_t wParam = 256;
    dbus_int64_t lParam = 4096;
    other.send("/anything", SiblingBus::kSiblingInterface, SiblingBus::kSiblingMember, DBUS_TYPE_STRING, &name,
               DBUS_TYPE_INT64, &wParam, DBUS_TYPE_INT64, &lParam);
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    EXPECT_TRUE(listener.takeMessages().empty());
    other.send(SiblingBus::kSiblingPath, SiblingBus::kSiblingInterface, SiblingBus::kSiblingMember, DBUS_TYPE_STRING,
               &name, DBUS_TYPE_INT64, &wParam, DBUS_TYPE_INT64, &lParam);
    // Broadcast and addressed: both arrive, to be judged by name (admitOutsideMessage) before the window sees them.
    const auto received = waitForItems(listener, [](SiblingBus& b) { return b.takeMessages(); });
    ASSERT_FALSE(received.empty());
    EXPECT_EQ(received[0].name, name);
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
