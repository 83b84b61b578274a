#include "platform/Ipc.h"

#include "platform/Trace.h"

#include <cerrno>
#include <charconv>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <mutex>
#include <poll.h>
#include <sys/file.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

namespace pelan {
namespace {

constexpr std::size_t kMaxLine = 512;
constexpr std::size_t kMaxName = 256;
constexpr std::string_view kKeyword = "MSG";
constexpr std::string_view kRelayKeyword = "relay";
// The upgrade program's relay: wParam 1-3 its result, 4 its progress with the percentage in lParam.
constexpr std::int64_t kFirstRelayCode = 1;
constexpr std::int64_t kLastRelayCode = 4;
constexpr std::int64_t kMaxRelayProgress = 100;

struct RelaySocket {
    std::mutex mutex;
    std::string path;
};

RelaySocket& relaySocket() {
    static RelaySocket socket;
    return socket;
}

bool isFlag(std::int64_t value) {
    return value == 0 || value == 1;
}

bool usableOwnFolder(const std::string& folder) {
    struct stat info {};
    if (::lstat(folder.c_str(), &info) != 0 || !S_ISDIR(info.st_mode))
        return false;
    // Another user's folder (or one others may write) could be used to steal or fake the messages.
    return info.st_uid == ::getuid() && (info.st_mode & 0077) == 0;
}

std::optional<std::int64_t> parseNumber(std::string_view text) {
    std::int64_t value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size() || text.empty())
        return std::nullopt;
    return value;
}

bool fillAddress(const std::string& path, sockaddr_un& address) {
    std::memset(&address, 0, sizeof(address));
    address.sun_family = AF_UNIX;
    if (path.size() >= sizeof(address.sun_path))
        return false;
    std::memcpy(address.sun_path, path.c_str(), path.size() + 1);
    return true;
}

bool writeAll(int fd, std::string_view data) {
    while (!data.empty()) {
        const ssize_t written = ::send(fd, data.data(), data.size(), MSG_NOSIGNAL);
        if (written < 0 && errno == EINTR)
            continue;
        if (written <= 0)
            return false;
        data.remove_prefix(static_cast<std::size_t>(written));
    }
    return true;
}

// What one receive added to a line being read.
enum class LineState { Partial, Complete, Ended };

// Receives once (flags as for recv) and appends to line. Complete cuts line at its break; Ended is end of file,
// an error, or a line longer than any message.
LineState receiveLinePart(int fd, std::string& line, int flags) {
    char buffer[128];
    ssize_t received = 0;
    do {
        received = ::recv(fd, buffer, sizeof(buffer), flags);
    } while (received < 0 && errno == EINTR);
    if (received < 0 && (errno == EAGAIN || errno == EWOULDBLOCK))
        return LineState::Partial;
    if (received <= 0)
        return LineState::Ended;
    line.append(buffer, static_cast<std::size_t>(received));
    const auto end = line.find('\n');
    if (end != std::string::npos) {
        line.resize(end);
        return LineState::Complete;
    }
    return line.size() > kMaxLine ? LineState::Ended : LineState::Partial;
}

std::optional<IpcMessage> messageOfLine(const std::string& line) {
    auto message = decodeIpcMessage(line);
    if (!message)
        trace("instance channel: message ignored");
    return message;
}

// Reads up to the first line break, waiting at most timeoutMs for each part.
std::optional<std::string> readLine(int fd, int timeoutMs) {
    std::string line;
    for (;;) {
        pollfd waitFor{fd, POLLIN, 0};
        const int ready = ::poll(&waitFor, 1, timeoutMs);
        if (ready < 0 && errno == EINTR)
            continue;
        if (ready <= 0)
            return std::nullopt;
        switch (receiveLinePart(fd, line, 0)) {
        case LineState::Complete:
            return line;
        case LineState::Ended:
            return std::nullopt;
        case LineState::Partial:
            break;
        }
    }
}

// " WPARAM LPARAM" after the relay keyword.
std::optional<IpcMessage> decodeRelayLine(std::string_view rest) {
    if (rest.size() < 4 || rest[0] != ' ')
        return std::nullopt;
    rest.remove_prefix(1);
    const auto space = rest.find(' ');
    if (space == std::string_view::npos)
        return std::nullopt;
    const auto wParam = parseNumber(rest.substr(0, space));
    const auto lParam = parseNumber(rest.substr(space + 1));
    if (!wParam || !lParam)
        return std::nullopt;
    return IpcMessage{kSettingsRelayName, *wParam, *lParam};
}

} // namespace

std::string encodeIpcMessage(const IpcMessage& message) {
    return std::string(kKeyword) + " " + std::to_string(message.wParam) + " " + std::to_string(message.lParam) + " " +
           message.name + "\n";
}

std::optional<IpcMessage> decodeIpcMessage(std::string_view line) {
    if (line.starts_with(kRelayKeyword) && line.size() < kMaxLine)
        return decodeRelayLine(line.substr(kRelayKeyword.size()));
    if (line.size() > kMaxLine || !line.starts_with(kKeyword) || line.size() <= kKeyword.size() ||
        line[kKeyword.size()] != ' ')
        return std::nullopt;
    line.remove_prefix(kKeyword.size() + 1);
    const auto firstSpace = line.find(' ');
    if (firstSpace == std::string_view::npos)
        return std::nullopt;
    const auto secondSpace = line.find(' ', firstSpace + 1);
    if (secondSpace == std::string_view::npos)
        return std::nullopt;
    const auto wParam = parseNumber(line.substr(0, firstSpace));
    const auto lParam = parseNumber(line.substr(firstSpace + 1, secondSpace - firstSpace - 1));
    const std::string_view name = line.substr(secondSpace + 1);
    if (!wParam || !lParam || name.empty() || name.size() > kMaxName)
        return std::nullopt;
    for (char c : name) {
        if (static_cast<unsigned char>(c) < 0x20)
            return std::nullopt;
    }
    return IpcMessage{std::string(name), *wParam, *lParam};
}

std::optional<IpcMessage> admitOutsideMessage(const IpcMessage& message, MessageDoor door,
                                              std::string_view instanceName) {
    bool admitted = false;
    if (door == MessageDoor::InstanceSocket && message.name == instanceName)
        admitted = message.wParam == 0 && isFlag(message.lParam);
    else if (door == MessageDoor::InstanceSocket && message.name == kSettingsRelayName)
        admitted = message.wParam >= kFirstRelayCode && message.wParam <= kLastRelayCode && message.lParam >= 0 &&
                   message.lParam <= kMaxRelayProgress;
    else if (door == MessageDoor::SiblingBus &&
             (message.name == kLightingOwnerRequestName || message.name == kLightingOwnerAnnouncementName))
        admitted = message.wParam == 1 && isFlag(message.lParam);
    if (!admitted)
        return std::nullopt;
    return message;
}

void setRelaySocketPath(std::string path) {
    std::lock_guard lock(relaySocket().mutex);
    relaySocket().path = std::move(path);
}

std::vector<std::pair<std::string, std::string>> relaySocketEnvironment() {
    std::lock_guard lock(relaySocket().mutex);
    if (relaySocket().path.empty())
        return {};
    return {{kRelaySocketVariable, relaySocket().path}};
}

std::string ipcSafeName(std::string_view title) {
    std::string name(title);
    for (char& c : name) {
        if (c == '/' || static_cast<unsigned char>(c) < 0x20)
            c = '_';
    }
    return name;
}

std::string ipcRuntimeFolder() {
    const char* runtime = std::getenv("XDG_RUNTIME_DIR");
    if (runtime != nullptr && runtime[0] == '/' && usableOwnFolder(runtime)) {
        std::string folder(runtime);
        return folder.back() == '/' ? folder : folder + "/";
    }
    const char* tmp = std::getenv("TMPDIR");
    std::string folder = (tmp != nullptr && tmp[0] == '/') ? tmp : "/tmp";
    if (folder.back() != '/')
        folder += '/';
    folder += "pelan-runtime-" + std::to_string(::getuid());
    if (::mkdir(folder.c_str(), 0700) != 0 && errno != EEXIST)
        return {};
    if (!usableOwnFolder(folder))
        return {};
    return folder + "/";
}

InstanceChannel InstanceChannel::open(std::string_view title) {
    InstanceChannel channel;
    const std::string folder = ipcRuntimeFolder();
    if (folder.empty()) {
        channel.m_error = "no private runtime folder";
        return channel;
    }
    const std::string base = folder + ipcSafeName(title);
    channel.m_lockPath = base + ".lock";
    channel.m_socketPath = base + ".sock";
    channel.m_lockFd = ::open(channel.m_lockPath.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    if (channel.m_lockFd < 0) {
        channel.m_error = "cannot open the lock file: " + std::string(std::strerror(errno));
        return channel;
    }
    if (::flock(channel.m_lockFd, LOCK_EX | LOCK_NB) != 0) {
        channel.m_role = errno == EWOULDBLOCK ? Role::Secondary : Role::Failed;
        if (channel.m_role == Role::Failed)
            channel.m_error = "cannot lock: " + std::string(std::strerror(errno));
        ::close(channel.m_lockFd);
        channel.m_lockFd = -1;
        return channel;
    }
    sockaddr_un address{};
    if (!fillAddress(channel.m_socketPath, address)) {
        channel.m_error = "socket path too long: " + channel.m_socketPath;
        channel.close();
        return channel;
    }
    // The lock is ours, so a socket file left there belongs to a copy that has ended.
    ::unlink(channel.m_socketPath.c_str());
    channel.m_listenFd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    if (channel.m_listenFd < 0 ||
        ::bind(channel.m_listenFd, reinterpret_cast<sockaddr*>(&address), sizeof(address)) != 0 ||
        ::listen(channel.m_listenFd, 8) != 0) {
        channel.m_error = "cannot listen: " + std::string(std::strerror(errno));
        channel.close();
        return channel;
    }
    ::chmod(channel.m_socketPath.c_str(), 0600);
    channel.m_role = Role::Primary;
    return channel;
}

InstanceChannel::InstanceChannel(InstanceChannel&& other) noexcept {
    *this = std::move(other);
}

InstanceChannel& InstanceChannel::operator=(InstanceChannel&& other) noexcept {
    if (this == &other)
        return *this;
    close();
    m_role = other.m_role;
    m_error = std::move(other.m_error);
    m_lockPath = std::move(other.m_lockPath);
    m_socketPath = std::move(other.m_socketPath);
    m_lockFd = other.m_lockFd;
    m_listenFd = other.m_listenFd;
    m_clients = std::move(other.m_clients);
    other.m_clients.clear();
    other.m_lockFd = -1;
    other.m_listenFd = -1;
    other.m_role = Role::Failed;
    return *this;
}

InstanceChannel::~InstanceChannel() {
    close();
}

void InstanceChannel::close() {
    for (const auto& [fd, client] : m_clients)
        ::close(fd);
    m_clients.clear();
    if (m_listenFd >= 0) {
        ::close(m_listenFd);
        m_listenFd = -1;
        ::unlink(m_socketPath.c_str());
    }
    if (m_lockFd >= 0) {
        ::close(m_lockFd);
        m_lockFd = -1;
    }
    if (m_role == Role::Primary)
        m_role = Role::Failed;
}

std::optional<IpcMessage> InstanceChannel::acceptMessage(int timeoutMs) {
    if (m_listenFd < 0)
        return std::nullopt;
    const int peer = ::accept4(m_listenFd, nullptr, nullptr, SOCK_CLOEXEC);
    if (peer < 0)
        return std::nullopt;
    const auto line = readLine(peer, timeoutMs);
    ::close(peer);
    if (!line)
        return std::nullopt;
    return messageOfLine(*line);
}

std::vector<int> InstanceChannel::acceptClients() {
    std::vector<int> accepted;
    if (m_listenFd < 0)
        return accepted;
    // Bounded, so a client that reconnects as fast as it is refused cannot hold the event loop here.
    for (std::size_t attempt = 0; attempt < 4 * kMaxInstanceClients; ++attempt) {
        const int peer = ::accept4(m_listenFd, nullptr, nullptr, SOCK_CLOEXEC | SOCK_NONBLOCK);
        if (peer < 0) {
            if (errno == EINTR || errno == ECONNABORTED)
                continue;
            return accepted;
        }
        if (m_clients.size() >= kMaxInstanceClients) {
            // A flood of connections would hold a descriptor and a notifier each: refused until some have ended.
            ::close(peer);
            trace("instance channel: too many connections, one refused");
            continue;
        }
        m_clients[peer] = Client{{}, std::chrono::steady_clock::now()};
        accepted.push_back(peer);
    }
    return accepted;
}

InstanceChannel::ClientRead InstanceChannel::readClient(int fd) {
    const auto found = m_clients.find(fd);
    if (found == m_clients.end())
        return {std::nullopt, true};
    ClientRead result;
    switch (receiveLinePart(fd, found->second.received, MSG_DONTWAIT)) {
    case LineState::Partial:
        return result;
    case LineState::Complete:
        result.message = messageOfLine(found->second.received);
        break;
    case LineState::Ended:
        break;
    }
    closeClient(fd);
    result.closed = true;
    return result;
}

std::vector<int> InstanceChannel::dropSilentClients(std::chrono::milliseconds timeout) {
    const auto now = std::chrono::steady_clock::now();
    std::vector<int> dropped;
    for (const auto& [fd, client] : m_clients)
        if (now - client.accepted >= timeout)
            dropped.push_back(fd);
    for (int fd : dropped)
        closeClient(fd);
    if (!dropped.empty())
        trace("instance channel: " + std::to_string(dropped.size()) + " silent connection(s) dropped");
    return dropped;
}

std::optional<std::chrono::steady_clock::time_point> InstanceChannel::oldestClient() const {
    std::optional<std::chrono::steady_clock::time_point> oldest;
    for (const auto& [fd, client] : m_clients)
        if (!oldest || client.accepted < *oldest)
            oldest = client.accepted;
    return oldest;
}

void InstanceChannel::closeClient(int fd) {
    if (m_clients.erase(fd) != 0)
        ::close(fd);
}

bool InstanceChannel::send(const IpcMessage& message) const {
    return sendIpcMessage(m_socketPath, message);
}

bool sendIpcMessage(const std::string& socketPath, const IpcMessage& message) {
    sockaddr_un address{};
    if (socketPath.empty() || !fillAddress(socketPath, address))
        return false;
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0)
        return false;
    const bool sent = ::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof(address)) == 0 &&
                      writeAll(fd, encodeIpcMessage(message));
    ::close(fd);
    return sent;
}

} // namespace pelan
