// Sibling broadcasts and sleep reports over a private D-Bus daemon: what one program broadcasts reaches the others
// and not itself; logind's PrepareForSleep becomes sleep and wake-up; without a bus nothing is sent and nothing fails.
#include "platform/DbusSignals.h"

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

// A session-configured dbus-daemon of our own, its address in the environment variable given.
class PrivateBus {
public:
    explicit PrivateBus(const char* variable) : variable_(variable) {
        int out[2];
        if (::pipe(out) != 0)
            return;
        pid_ = ::fork();
        if (pid_ == 0) {
            ::dup2(out[1], 1);
            ::close(out[0]);
            ::execlp("dbus-daemon", "dbus-daemon", "--session", "--nofork", "--print-address=1", nullptr);
            ::_exit(127);
        }
        ::close(out[1]);
        char buffer[512] = {};
        pollfd fd{out[0], POLLIN, 0};
        if (::poll(&fd, 1, 5000) == 1) {
            const ssize_t n = ::read(out[0], buffer, sizeof buffer - 1);
            address_.assign(buffer, n > 0 ? size_t(n) : 0);
            while (!address_.empty() && address_.back() == '\n')
                address_.pop_back();
        }
        ::close(out[0]);
        ::setenv(variable_, address_.c_str(), 1);
    }
    ~PrivateBus() {
        ::unsetenv(variable_);
        if (pid_ > 0) {
            ::kill(pid_, SIGTERM);
            ::waitpid(pid_, nullptr, 0);
        }
    }
    bool running() const { return !address_.empty(); }

private:
    const char* variable_;
    pid_t pid_ = -1;
    std::string address_;
};

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
    PrivateBus bus("DBUS_SESSION_BUS_ADDRESS");
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
    PrivateBus bus("DBUS_SYSTEM_BUS_ADDRESS");
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
    ::unsetenv("DBUS_SESSION_BUS_ADDRESS");
}

} // namespace
} // namespace pelan
