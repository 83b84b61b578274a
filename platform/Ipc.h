#pragma once

#include <chrono>
#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

// Single instance per user and messages between copies of the program: a lock file and a local stream socket, both
// named from the product title, in the user's runtime folder ($XDG_RUNTIME_DIR; else a private folder under the
// temporary folder). The first copy holds the lock and listens; a later copy finds the lock taken and sends its
// message to the socket instead.
namespace pelan {

// A window message sent between copies: a registered message name with its two parameters.
struct IpcMessage {
    std::string name;
    std::int64_t wParam = 0;
    std::int64_t lParam = 0;
};

// The settings relay message of a firmware upgrade program, and the environment variable that tells a program
// started by the update list where the running copy's socket is.
inline constexpr const char* kSettingsRelayName = "{4695579F-999A-41d4-9FAF-EFFCE93EBF15}";
inline constexpr const char* kRelaySocketVariable = "PELAN_RELAY_SOCKET";
// What sibling programs broadcast about who drives the lighting: wParam 1, lParam 0 (let go) or 1 (taken).
inline constexpr const char* kLightingOwnerAnnouncementName = "{4695579F-999A-41d4-9FAF-EFFCE93EBF16}";
inline constexpr const char* kLightingOwnerRequestName = "{4695579F-999A-41d4-9FAF-EFFCE93EBF17}";

// Where a message from another process came in: a later copy or an upgrade program on the instance socket, or a
// sibling program on the session bus.
enum class MessageDoor { InstanceSocket, SiblingBus };

// Other processes may name only a few window messages, each through its own door and with its values in range: the
// instance's show request (named by instanceName, wParam 0, lParam 0 or 1) and the settings relay (wParam 1-4,
// lParam 0-100) on the instance socket, the lighting-owner messages on the session bus. Anything else is nullopt,
// so a hostile name never reaches the window, whose other messages carry pointers.
std::optional<IpcMessage> admitOutsideMessage(const IpcMessage& message, MessageDoor door,
                                              std::string_view instanceName);

// The instance socket the upgrade program started from the update list reports to: set once the running copy
// listens, and handed only to that program (never put in this process's environment, which every child inherits).
void setRelaySocketPath(std::string path);
// PELAN_RELAY_SOCKET=<path> for the upgrade program's environment; empty when there is no socket.
std::vector<std::pair<std::string, std::string>> relaySocketEnvironment();

// One message as the bytes sent on the socket: "MSG <wParam> <lParam> <name>\n". Names hold no line breaks.
// An upgrade program may also send "relay <wParam> <lParam>\n", the settings relay message.
std::string encodeIpcMessage(const IpcMessage& message);
// The message of one received line; nullopt for anything else (wrong keyword, bad numbers, empty or overlong name).
std::optional<IpcMessage> decodeIpcMessage(std::string_view line);

// The runtime folder with a trailing '/': $XDG_RUNTIME_DIR when set and usable, else <tmp>/pelan-runtime-<uid>/,
// created 0700 and refused when another user owns it. "" when no such folder can be had.
std::string ipcRuntimeFolder();
// A name usable as a file name: '/' and control characters become '_'.
std::string ipcSafeName(std::string_view title);

// Sends one message to the socket at `socketPath`. False when it cannot be reached.
bool sendIpcMessage(const std::string& socketPath, const IpcMessage& message);

class InstanceChannel {
public:
    enum class Role { Primary, Secondary, Failed };

    // Takes the per-user lock for title. The holder becomes Primary and listens; otherwise Secondary.
    static InstanceChannel open(std::string_view title);
    InstanceChannel(InstanceChannel&& other) noexcept;
    InstanceChannel& operator=(InstanceChannel&& other) noexcept;
    InstanceChannel(const InstanceChannel&) = delete;
    InstanceChannel& operator=(const InstanceChannel&) = delete;
    ~InstanceChannel();

    Role role() const { return m_role; }
    const std::string& error() const { return m_error; }
    std::string socketPath() const { return m_socketPath; }
    // Primary: the listening socket, to watch for readability.
    int listenFd() const { return m_listenFd; }
    // Primary: takes one waiting connection and reads its message (waits at most timeoutMs for its line).
    // nullopt when no connection waits or the peer sent no valid message.
    std::optional<IpcMessage> acceptMessage(int timeoutMs = 500);
    // Primary, for an event loop that watches the sockets: accepts every waiting connection without blocking and
    // returns the new connections, each to be watched for readability and then read with readClient.
    std::vector<int> acceptClients();
    // Reads what a connection has sent, without blocking. A complete line yields its message (none when the line is
    // not one) and ends the connection; end of file, an error or an overlong line end it too.
    struct ClientRead {
        std::optional<IpcMessage> message;
        bool closed = false;
    };
    ClientRead readClient(int fd);
    // Ends the connections that have not sent a whole line within timeout of being accepted, and returns them.
    std::vector<int> dropSilentClients(std::chrono::milliseconds timeout);
    // When the oldest open connection was accepted; nullopt when none is open.
    std::optional<std::chrono::steady_clock::time_point> oldestClient() const;
    // Secondary (or anyone): sends a message to the running copy. False when it cannot be reached.
    bool send(const IpcMessage& message) const;

private:
    InstanceChannel() = default;
    void close();
    void closeClient(int fd);

    // A later copy's connection: what it has sent so far and when it was accepted.
    struct Client {
        std::string received;
        std::chrono::steady_clock::time_point accepted;
    };

    Role m_role = Role::Failed;
    std::string m_error;
    std::string m_lockPath;
    std::string m_socketPath;
    int m_lockFd = -1;
    int m_listenFd = -1;
    std::map<int, Client> m_clients;
};

// At most this many later copies may be connected at once; those beyond are closed as they arrive.
inline constexpr std::size_t kMaxInstanceClients = 16;

} // namespace pelan
