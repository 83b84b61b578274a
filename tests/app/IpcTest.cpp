// The per-user instance lock and the message channel between copies of the program.
#include "platform/Ipc.h"

#include <cstdlib>
#include <filesystem>
#include <gtest/gtest.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>
#include <utility>
#include <vector>

namespace pelan {
namespace {

// A private runtime folder for one test, set as XDG_RUNTIME_DIR while it lives.
class RuntimeFolder {
public:
    RuntimeFolder() {
        char pattern[] = "/tmp/pelan-ipc-XXXXXX";
        m_path = ::mkdtemp(pattern);
        const char* old = std::getenv("XDG_RUNTIME_DIR");
        m_old = old != nullptr ? old : "";
        ::setenv("XDG_RUNTIME_DIR", m_path.c_str(), 1);
    }
    ~RuntimeFolder() {
        if (m_old.empty())
            ::unsetenv("XDG_RUNTIME_DIR");
        else
            ::setenv("XDG_RUNTIME_DIR", m_old.c_str(), 1);
        std::filesystem::remove_all(m_path);
    }
    const std::string& path() const { return m_path; }

private:
    std::string m_path;
    std::string m_old;
};

TEST(IpcMessages, RoundTripAndHostileLinesAreRefused) {
    const IpcMessage message{"ORVANE Pelan Gaming Mouse", 0, 1};
    const std::string line = encodeIpcMessage(message);
    ASSERT_EQ(line.back(), '\n');
    const auto decoded = decodeIpcMessage(line.substr(0, line.size() - 1));
    ASSERT_TRUE(decoded);
    EXPECT_EQ(decoded->name, message.name);
    EXPECT_EQ(decoded->wParam, 0);
    EXPECT_EQ(decoded->lParam, 1);
    EXPECT_EQ(decodeIpcMessage("MSG -5 9223372036854775807 x")->lParam, INT64_MAX);

    for (const char* bad : {"", "MSG", "MSG 1 2", "MSG 1 2 ", "MSX 1 2 name", "MSG a 2 name",
                            "MSG 1 99999999999999999999 n", "MSG 1 2 na\x01me", "MSG 1x 2 name"})
        EXPECT_FALSE(decodeIpcMessage(bad)) << bad;
    EXPECT_FALSE(decodeIpcMessage("MSG 1 2 " + std::string(300, 'n')));

    // An upgrade program's short form of the settings relay message.
    const auto relay = decodeIpcMessage("relay 4 55");
    ASSERT_TRUE(relay);
    EXPECT_EQ(relay->name, kSettingsRelayName);
    EXPECT_EQ(relay->wParam, 4);
    EXPECT_EQ(relay->lParam, 55);
    for (const char* bad : {"relay", "relay 4", "relay 4 x", "relay4 5", "relay 1 2 3"})
        EXPECT_FALSE(decodeIpcMessage(bad)) << bad;
}

TEST(InstanceChannel, FirstCopyListensLaterCopiesReachIt) {
    RuntimeFolder runtime;
    InstanceChannel first = InstanceChannel::open("Pelan Test Title");
    ASSERT_EQ(first.role(), InstanceChannel::Role::Primary) << first.error();
    EXPECT_EQ(first.socketPath(), runtime.path() + "/Pelan Test Title.sock");
    EXPECT_FALSE(first.acceptMessage()); // nothing waits yet

    InstanceChannel second = InstanceChannel::open("Pelan Test Title");
    ASSERT_EQ(second.role(), InstanceChannel::Role::Secondary);
    ASSERT_TRUE(second.send({"hello", 3, 4}));
    const auto received = first.acceptMessage();
    ASSERT_TRUE(received);
    EXPECT_EQ(received->name, "hello");
    EXPECT_EQ(received->wParam, 3);
    EXPECT_EQ(received->lParam, 4);

    // Another title is another instance.
    EXPECT_EQ(InstanceChannel::open("Other Title").role(), InstanceChannel::Role::Primary);
}

TEST(InstanceChannel, AnEndedCopyLeavesTheWayFreeAndGarbageIsDropped) {
    RuntimeFolder runtime;
    {
        InstanceChannel first = InstanceChannel::open("Title/With Slash");
        ASSERT_EQ(first.role(), InstanceChannel::Role::Primary);
        EXPECT_EQ(first.socketPath(), runtime.path() + "/Title_With Slash.sock");

        // A peer that sends junk, or nothing, yields no message.
        const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        std::snprintf(address.sun_path, sizeof(address.sun_path), "%s", first.socketPath().c_str());
        ASSERT_EQ(::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof(address)), 0);
        const char junk[] = "DELETE EVERYTHING\n";
        ASSERT_GT(::write(fd, junk, sizeof(junk) - 1), 0);
        EXPECT_FALSE(first.acceptMessage(200));
        ::close(fd);
    }
    InstanceChannel again = InstanceChannel::open("Title/With Slash");
    EXPECT_EQ(again.role(), InstanceChannel::Role::Primary);
    InstanceChannel moved = std::move(again);
    EXPECT_EQ(moved.role(), InstanceChannel::Role::Primary);
    EXPECT_EQ(InstanceChannel::open("Title/With Slash").role(), InstanceChannel::Role::Secondary);
}

TEST(InstanceChannel, AFolderOthersCanWriteIsNotUsed) {
    RuntimeFolder runtime;
    ASSERT_EQ(::chmod(runtime.path().c_str(), 0777), 0);
    const std::string folder = ipcRuntimeFolder();
    EXPECT_NE(folder, runtime.path() + "/");
    EXPECT_NE(folder.find("pelan-runtime-"), std::string::npos);
}

// Only the show request and the settings relay come in on the socket, only the lighting-owner messages on the bus,
// each with its values in range; a hook message's pointer, or any other name, is never admitted.
TEST(OutsideMessages, OnlyTheAllowedNamesWithValuesInRangeAreAdmitted) {
    const std::string_view title = "Pelan Title";
    const auto admitted = [&](const IpcMessage& message, MessageDoor door) {
        return admitOutsideMessage(message, door, title).has_value();
    };
    const MessageDoor socket = MessageDoor::InstanceSocket;
    const MessageDoor bus = MessageDoor::SiblingBus;
    EXPECT_TRUE(admitted({"Pelan Title", 0, 1}, socket));
    EXPECT_TRUE(admitted({"Pelan Title", 0, 0}, socket));
    EXPECT_TRUE(admitted({kSettingsRelayName, 4, 100}, socket));
    EXPECT_TRUE(admitted({kSettingsRelayName, 1, 0}, socket));
    EXPECT_TRUE(admitted({kLightingOwnerRequestName, 1, 0}, bus));
    EXPECT_TRUE(admitted({kLightingOwnerAnnouncementName, 1, 1}, bus));

    const std::vector<std::pair<IpcMessage, MessageDoor>> refused = {
        {{"WM_HOOK_KEY_KBMACRO_MSG", 256, 4096}, socket},
        {{"WM_HOOK_KEY_KBMACRO_MSG", 256, 4096}, bus},
        {{"Pelan Title", 0, 1}, bus},
        {{"Pelan Title", 1, 1}, socket},
        {{"Pelan Title", 0, 4096}, socket},
        {{kSettingsRelayName, 4, 101}, socket},
        {{kSettingsRelayName, 0, 0}, socket},
        {{kSettingsRelayName, 5, 0}, socket},
        {{kSettingsRelayName, 4, -1}, socket},
        {{kSettingsRelayName, 1, 0}, bus},
        {{kLightingOwnerRequestName, 1, 2}, bus},
        {{kLightingOwnerRequestName, 0, 1}, bus},
        {{kLightingOwnerRequestName, 1, 1}, socket},
        {{"{unknown}", 0, 0}, socket},
    };
    for (const auto& [message, door] : refused)
        EXPECT_FALSE(admitted(message, door)) << message.name << " " << message.wParam << " " << message.lParam;
}

// Connections beyond the cap are closed at once; those within it stay until they speak or time out.
TEST(InstanceChannel, ConnectionsBeyondTheCapAreClosed) {
    RuntimeFolder runtime;
    InstanceChannel channel = InstanceChannel::open("Pelan Cap Test");
    ASSERT_EQ(channel.role(), InstanceChannel::Role::Primary);
    std::vector<int> peers;
    for (size_t i = 0; i < kMaxInstanceClients + 4; ++i) {
        const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        std::snprintf(address.sun_path, sizeof(address.sun_path), "%s", channel.socketPath().c_str());
        ASSERT_EQ(::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof(address)), 0);
        peers.push_back(fd);
        channel.acceptClients();
    }
    const auto closed = [](int fd) {
        char byte = 0;
        return ::recv(fd, &byte, 1, MSG_DONTWAIT) == 0;
    };
    for (size_t i = 0; i < peers.size(); ++i)
        EXPECT_EQ(closed(peers[i]), i >= kMaxInstanceClients) << i;
    EXPECT_EQ(channel.dropSilentClients(std::chrono::milliseconds(0)).size(), kMaxInstanceClients);
    for (int fd : peers)
        ::close(fd);
}

} // namespace
} // namespace pelan
