#pragma once

#include <csignal>
#include <cstdlib>
#include <poll.h>
#include <sstream>
#include <string>
#include <sys/wait.h>
#include <unistd.h>

namespace pelan {

// A private Xvfb server. It picks a free display number itself and writes it to a pipe (-displayfd), so tests
// running side by side never collide on a display. -noreset keeps it from resetting, and refusing connections for
// a moment, each time its last client disconnects.
class PrivateXServer {
public:
    PrivateXServer() {
        int fds[2];
        if (::pipe(fds) != 0)
            return;
        pid_ = ::fork();
        if (pid_ == 0) {
            ::close(fds[0]);
            std::string fd = std::to_string(fds[1]);
            ::execlp("Xvfb", "Xvfb", "-displayfd", fd.c_str(), "-nolisten", "tcp", "-noreset", "-screen", "0",
                     "640x480x24", static_cast<char*>(nullptr));
            ::_exit(127);
        }
        ::close(fds[1]);
        if (pid_ > 0)
            display_ = readDisplay(fds[0]);
        ::close(fds[0]);
    }
    ~PrivateXServer() {
        if (pid_ > 0) {
            ::kill(pid_, SIGTERM);
            ::waitpid(pid_, nullptr, 0);
        }
    }
    const std::string& display() const { return display_; }

    // Whether the Xvfb program is on the PATH.
    static bool installed() {
        const char* path = std::getenv("PATH");
        std::istringstream folders(path != nullptr ? path : "");
        std::string folder;
        while (std::getline(folders, folder, ':'))
            if (!folder.empty() && ::access((folder + "/Xvfb").c_str(), X_OK) == 0)
                return true;
        return false;
    }

private:
    static std::string readDisplay(int fd) {
        std::string number;
        for (;;) {
            pollfd entry{fd, POLLIN, 0};
            if (::poll(&entry, 1, 20000) <= 0)
                return {};
            char c = 0;
            if (::read(fd, &c, 1) != 1)
                return {};
            if (c == '\n')
                return number.empty() ? std::string() : ":" + number;
            number.push_back(c);
        }
    }

    pid_t pid_ = -1;
    std::string display_;
};

} // namespace pelan
