#pragma once

#include <csignal>
#include <cstdlib>
#include <poll.h>
#include <string>
#include <sys/wait.h>
#include <unistd.h>

namespace pelan::test {

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

} // namespace pelan::test
