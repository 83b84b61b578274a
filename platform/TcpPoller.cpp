#include "platform/TcpPoller.h"

#include <arpa/inet.h>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/epoll.h>
#include <sys/eventfd.h>
#include <sys/socket.h>
#include <unistd.h>

namespace pelan::platform {
namespace {

constexpr int kBacklog = 16;
constexpr int kMaxEvents = 64;

bool wouldBlock(int error) {
    return error == EAGAIN || error == EWOULDBLOCK;
}

} // namespace

int listenTcp(const std::string& address, uint16_t port, std::string& error) {
    sockaddr_in where{};
    where.sin_family = AF_INET;
    where.sin_port = htons(port);
    if (::inet_pton(AF_INET, address.c_str(), &where.sin_addr) != 1) {
        error = "not an IPv4 address: " + address;
        return -1;
    }
    const int socket = ::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    if (socket < 0) {
        error = std::strerror(errno);
        return -1;
    }
    const int on = 1;
    ::setsockopt(socket, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
    if (::bind(socket, reinterpret_cast<const sockaddr*>(&where), sizeof where) != 0 ||
        ::listen(socket, kBacklog) != 0) {
        error = std::strerror(errno);
        ::close(socket);
        return -1;
    }
    return socket;
}

uint16_t boundPort(int listener) {
    sockaddr_in where{};
    socklen_t length = sizeof where;
    if (::getsockname(listener, reinterpret_cast<sockaddr*>(&where), &length) != 0)
        return 0;
    return ntohs(where.sin_port);
}

int acceptTcp(int listener) {
    const int socket = ::accept4(listener, nullptr, nullptr, SOCK_NONBLOCK | SOCK_CLOEXEC);
    if (socket < 0)
        return -1;
    // Small packets (one light frame) go out at once instead of waiting to be merged.
    const int on = 1;
    ::setsockopt(socket, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
    return socket;
}

StreamResult receiveSome(int socket, uint8_t* buffer, size_t capacity) {
    for (;;) {
        const ssize_t got = ::recv(socket, buffer, capacity, 0);
        if (got > 0)
            return {StreamResult::State::Moved, size_t(got)};
        if (got == 0)
            return {StreamResult::State::Closed, 0};
        if (errno == EINTR)
            continue;
        return {wouldBlock(errno) ? StreamResult::State::WouldBlock : StreamResult::State::Closed, 0};
    }
}

StreamResult sendSome(int socket, const uint8_t* data, size_t length) {
    for (;;) {
        const ssize_t sent = ::send(socket, data, length, MSG_NOSIGNAL);
        if (sent >= 0)
            return {StreamResult::State::Moved, size_t(sent)};
        if (errno == EINTR)
            continue;
        return {wouldBlock(errno) ? StreamResult::State::WouldBlock : StreamResult::State::Closed, 0};
    }
}

void closeSocket(int socket) {
    if (socket >= 0)
        ::close(socket);
}

Poller::Poller() : epoll_(::epoll_create1(EPOLL_CLOEXEC)), wake_(::eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC)) {
    if (valid())
        add(wake_, kWakeTag, false);
}

Poller::~Poller() {
    if (wake_ >= 0)
        ::close(wake_);
    if (epoll_ >= 0)
        ::close(epoll_);
}

bool Poller::add(int socket, uint64_t tag, bool wantWrite) {
    epoll_event event{};
    event.events = EPOLLIN | EPOLLRDHUP | (wantWrite ? EPOLLOUT : 0u);
    event.data.u64 = tag;
    return ::epoll_ctl(epoll_, EPOLL_CTL_ADD, socket, &event) == 0;
}

bool Poller::change(int socket, uint64_t tag, bool wantWrite) {
    epoll_event event{};
    event.events = EPOLLIN | EPOLLRDHUP | (wantWrite ? EPOLLOUT : 0u);
    event.data.u64 = tag;
    return ::epoll_ctl(epoll_, EPOLL_CTL_MOD, socket, &event) == 0;
}

void Poller::remove(int socket) {
    ::epoll_ctl(epoll_, EPOLL_CTL_DEL, socket, nullptr);
}

std::vector<Poller::Ready> Poller::wait(std::optional<std::chrono::milliseconds> timeout, bool& woken) {
    woken = false;
    epoll_event events[kMaxEvents];
    const int count = ::epoll_wait(epoll_, events, kMaxEvents, timeout ? int(timeout->count()) : -1);
    std::vector<Ready> ready;
    for (int i = 0; i < count; ++i) {
        const epoll_event& event = events[i];
        if (event.data.u64 == kWakeTag) {
            uint64_t drained = 0;
            [[maybe_unused]] const ssize_t got = ::read(wake_, &drained, sizeof drained);
            woken = true;
            continue;
        }
        ready.push_back({event.data.u64, (event.events & EPOLLIN) != 0, (event.events & EPOLLOUT) != 0,
                         (event.events & (EPOLLHUP | EPOLLERR | EPOLLRDHUP)) != 0});
    }
    return ready;
}

void Poller::wake() {
    const uint64_t one = 1;
    [[maybe_unused]] const ssize_t written = ::write(wake_, &one, sizeof one);
}

} // namespace pelan::platform
