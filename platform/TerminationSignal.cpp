#include "platform/TerminationSignal.h"

#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

namespace pelan {
namespace {

int g_pipe[2] = {-1, -1};

void onTerminationSignal(int) {
    const char byte = 1;
    // Only async-signal-safe calls here; a full pipe already says the same thing.
    [[maybe_unused]] const ssize_t written = ::write(g_pipe[1], &byte, 1);
}

} // namespace

int watchTerminationSignals() {
    if (g_pipe[0] >= 0)
        return g_pipe[0];
    if (::pipe2(g_pipe, O_CLOEXEC | O_NONBLOCK) != 0) {
        g_pipe[0] = g_pipe[1] = -1;
        return -1;
    }
    struct sigaction action = {};
    action.sa_handler = onTerminationSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    ::sigaction(SIGINT, &action, nullptr);
    ::sigaction(SIGTERM, &action, nullptr);
    return g_pipe[0];
}

void drainTerminationSignals() {
    char buffer[16];
    while (g_pipe[0] >= 0 && ::read(g_pipe[0], buffer, sizeof buffer) > 0) {
    }
}

bool waitForTerminationSignal() {
    const int signalFd = watchTerminationSignals();
    if (signalFd < 0)
        return false;
    pollfd watched{signalFd, POLLIN, 0};
    int ready = 0;
    do
        ready = ::poll(&watched, 1, -1);
    while (ready < 0 && errno == EINTR);
    drainTerminationSignals();
    return ready > 0;
}

} // namespace pelan
