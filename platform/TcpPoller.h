#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace pelan::platform {

// TCP streams for a server that serves many clients from one thread: a listening socket, non-blocking client
// sockets, and a poller that sleeps until a socket is ready, it is woken, or a time-out passes.

// Listens on an IPv4 address and port (0: one the system chooses). A non-blocking, close-on-exec descriptor, or -1
// with the reason in `error`.
int listenTcp(const std::string& address, uint16_t port, std::string& error);
// The port a listening socket is bound to; 0 when it cannot be read.
uint16_t boundPort(int listener);
// Accepts one waiting client as a non-blocking, close-on-exec descriptor; -1 when none is waiting.
int acceptTcp(int listener);

// The outcome of a read or a write: bytes moved, or why none were.
struct StreamResult {
    enum class State { Moved, WouldBlock, Closed } state = State::Moved;
    size_t bytes = 0;
};
StreamResult receiveSome(int socket, uint8_t* buffer, size_t capacity);
StreamResult sendSome(int socket, const uint8_t* data, size_t length);
void closeSocket(int socket);

// An epoll set with a wake-up event. Each descriptor carries a tag of the caller's choosing.
class Poller {
public:
    struct Ready {
        uint64_t tag = 0;
        bool readable = false;
        bool writable = false;
        bool hangUp = false;
    };
    // The tag wait() never reports: the wake-up event is handled inside.
    static constexpr uint64_t kWakeTag = ~uint64_t{0};

    Poller();
    ~Poller();
    Poller(const Poller&) = delete;
    Poller& operator=(const Poller&) = delete;

    bool valid() const { return epoll_ >= 0 && wake_ >= 0; }
    bool add(int socket, uint64_t tag, bool wantWrite);
    bool change(int socket, uint64_t tag, bool wantWrite);
    void remove(int socket);
    // Sleeps until something is ready, wake() is called, or `timeout` passes (none: no time-out). The wake-up
    // itself is consumed and reported as an empty list with `woken` set.
    std::vector<Ready> wait(std::optional<std::chrono::milliseconds> timeout, bool& woken);
    // Ends a wait at once, or the next one. Any thread.
    void wake();

private:
    int epoll_ = -1;
    int wake_ = -1;
};

} // namespace pelan::platform
