// Feeds arbitrary bytes to the instance socket as a later copy or an upgrade program would send them: through a
// real connection to a listening channel, read as the window reads it, and each line of the input also decoded on
// its own. Every message that comes out is judged as the window judges it; a decoded message must survive its own
// encoding, and no message may pass both doors.
#include "platform/Ipc.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <string_view>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

namespace {

constexpr std::string_view kTitle = "ORVANE Pelan Gaming Mouse";

// A listening channel in a private runtime folder for the whole run, removed when the process ends.
struct Listening {
    Listening() {
        const char* tmp = std::getenv("TMPDIR");
        std::string pattern = std::string(tmp && *tmp ? tmp : "/tmp") + "/pelan-line-fuzz-XXXXXX";
        folder = ::mkdtemp(pattern.data());
        ::setenv("XDG_RUNTIME_DIR", folder.c_str(), 1);
        channel = std::make_unique<pelan::InstanceChannel>(pelan::InstanceChannel::open("Pelan Fuzz"));
    }
    ~Listening() {
        channel.reset();
        std::error_code ignored;
        std::filesystem::remove_all(folder, ignored);
    }
    std::string folder;
    std::unique_ptr<pelan::InstanceChannel> channel;
};

pelan::InstanceChannel& listening() {
    static Listening instance;
    return *instance.channel;
}

void judge(const pelan::IpcMessage& message) {
    const auto bySocket = pelan::admitOutsideMessage(message, pelan::MessageDoor::InstanceSocket, kTitle);
    const auto byBus = pelan::admitOutsideMessage(message, pelan::MessageDoor::SiblingBus, kTitle);
    if (bySocket && byBus)
        std::abort();
}

void decodeLine(std::string_view line) {
    const auto message = pelan::decodeIpcMessage(line);
    if (!message)
        return;
    judge(*message);
    std::string encoded = pelan::encodeIpcMessage(*message);
    encoded.pop_back();
    const auto again = pelan::decodeIpcMessage(encoded);
    if (!again || again->name != message->name || again->wParam != message->wParam || again->lParam != message->lParam)
        std::abort();
}

void sendThroughSocket(pelan::InstanceChannel& channel, std::string_view bytes) {
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::snprintf(address.sun_path, sizeof(address.sun_path), "%s", channel.socketPath().c_str());
    if (fd < 0 || ::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof(address)) != 0)
        std::abort();
    // More than the socket holds is cut: the reader gives up long before that anyway.
    [[maybe_unused]] const ssize_t sent = ::send(fd, bytes.data(), bytes.size(), MSG_NOSIGNAL | MSG_DONTWAIT);
    ::shutdown(fd, SHUT_WR);
    for (int peer : channel.acceptClients()) {
        for (;;) {
            const pelan::InstanceChannel::ClientRead read = channel.readClient(peer);
            if (read.message)
                judge(*read.message);
            if (read.closed)
                break;
        }
    }
    ::close(fd);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view input(reinterpret_cast<const char*>(data), size);
    pelan::InstanceChannel& channel = listening();
    if (channel.role() == pelan::InstanceChannel::Role::Primary)
        sendThroughSocket(channel, input);
    for (size_t start = 0; start <= input.size();) {
        const size_t end = std::min(input.find('\n', start), input.size());
        decodeLine(input.substr(start, end - start));
        start = end + 1;
    }
    return 0;
}
