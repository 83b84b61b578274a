// Messages of later copies reach the window from the event loop; connections that send nothing neither hold up the
// messages behind them nor stay open past the time-out.
#include "app/InstanceListener.h"
#include "AppTestSupport.h"

#include <gtest/gtest.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

namespace pelan {
namespace {

int connectTo(const std::string& path) {
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::snprintf(address.sun_path, sizeof(address.sun_path), "%s", path.c_str());
    EXPECT_EQ(::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof(address)), 0);
    return fd;
}

// True once the peer has closed the connection (a read sees the end).
bool closedByPeer(int fd) {
    pollfd ready{fd, POLLIN, 0};
    char byte = 0;
    return ::poll(&ready, 1, 0) == 1 && ::recv(fd, &byte, 1, MSG_DONTWAIT) == 0;
}

TEST(InstanceListener, SilentCopiesDoNotHoldUpAMessageAndAreDroppedAfterTheTimeOut) {
    test::app();
    QTemporaryDir runtime;
    ASSERT_TRUE(runtime.isValid());
    ::setenv("XDG_RUNTIME_DIR", runtime.path().toUtf8().constData(), 1);
    InstanceChannel channel = InstanceChannel::open("Pelan Listener Test");
    ASSERT_EQ(channel.role(), InstanceChannel::Role::Primary) << channel.error();
    std::vector<IpcMessage> delivered;
    InstanceListener listener(
        channel, [&](const IpcMessage& m) { delivered.push_back(m); }, std::chrono::milliseconds(300));

    std::vector<int> silent;
    for (int i = 0; i < 6; ++i)
        silent.push_back(connectTo(channel.socketPath()));
    // A message sent in two parts behind the silent ones is delivered while they are still connected.
    const int speaker = connectTo(channel.socketPath());
    const std::string line = encodeIpcMessage({"ORVANE Pelan Gaming Mouse", 0, 1});
    ASSERT_GT(::send(speaker, line.data(), 5, 0), 0);
    QTest::qWait(20);
    EXPECT_TRUE(delivered.empty());
    ASSERT_GT(::send(speaker, line.data() + 5, line.size() - 5, 0), 0);
    ASSERT_TRUE(test::waitFor([&] { return !delivered.empty(); }));
    EXPECT_EQ(delivered[0].name, "ORVANE Pelan Gaming Mouse");
    EXPECT_EQ(delivered[0].lParam, 1);
    for (int fd : silent)
        EXPECT_FALSE(closedByPeer(fd));
    EXPECT_TRUE(test::waitFor([&] { return closedByPeer(speaker); }));

    // The silent ones are dropped once their time is up; a copy that sends junk gets nothing delivered.
    const int junk = connectTo(channel.socketPath());
    ASSERT_GT(::send(junk, "DELETE EVERYTHING\n", 18, 0), 0);
    for (int fd : silent)
        EXPECT_TRUE(test::waitFor([&] { return closedByPeer(fd); })) << fd;
    EXPECT_TRUE(closedByPeer(junk));
    EXPECT_EQ(delivered.size(), 1u);
    for (int fd : silent)
        ::close(fd);
    ::close(speaker);
    ::close(junk);
    ::unsetenv("XDG_RUNTIME_DIR");
}

} // namespace
} // namespace pelan
