#pragma once

// Runs pelanctl and pelan-emu as processes for the black-box tests: pelanctl with a time-out and captured output,
// pelan-emu with a command pipe answered one line a command.

#include <chrono>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <poll.h>
#include <string>
#include <sys/types.h>
#include <sys/wait.h>
#include <unistd.h>
#include <utility>
#include <vector>

namespace pelan::test {

inline std::string builtProgram(const std::string& name) {
    const char* folder = std::getenv("PELAN_BIN_DIR");
    return std::string(folder ? folder : ".") + "/" + name;
}

struct ProcessResult {
    int exitCode = -1;
    bool timedOut = false;
    std::string out;
    std::string err;
};

namespace detail {

inline std::vector<char*> argvOf(std::vector<std::string>& words) {
    std::vector<char*> argv;
    for (std::string& word : words)
        argv.push_back(word.data());
    argv.push_back(nullptr);
    return argv;
}

// The child side after fork: standard streams onto the pipes, then the program. Never returns.
[[noreturn]] inline void execChild(std::vector<std::string> words, int in, int out, int err,
                                   const std::vector<std::pair<std::string, std::string>>& env) {
    if (in >= 0)
        ::dup2(in, STDIN_FILENO);
    ::dup2(out, STDOUT_FILENO);
    ::dup2(err, STDERR_FILENO);
    for (const auto& [name, value] : env)
        ::setenv(name.c_str(), value.c_str(), 1);
    std::vector<char*> argv = argvOf(words);
    ::execv(argv[0], argv.data());
    std::_Exit(127);
}

} // namespace detail

// Runs a program to its end, or kills it after `timeout` (timedOut is then set).
inline ProcessResult runProcess(std::vector<std::string> words, std::chrono::milliseconds timeout,
                                const std::vector<std::pair<std::string, std::string>>& env = {}) {
    ProcessResult result;
    int outPipe[2];
    int errPipe[2];
    if (::pipe(outPipe) != 0 || ::pipe(errPipe) != 0)
        return result;
    const pid_t pid = ::fork();
    if (pid == 0) {
        ::close(outPipe[0]);
        ::close(errPipe[0]);
        detail::execChild(std::move(words), -1, outPipe[1], errPipe[1], env);
    }
    ::close(outPipe[1]);
    ::close(errPipe[1]);
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    pollfd fds[2] = {{outPipe[0], POLLIN, 0}, {errPipe[0], POLLIN, 0}};
    std::string* sinks[2] = {&result.out, &result.err};
    int open = 2;
    while (open > 0) {
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0) {
            result.timedOut = true;
            ::kill(pid, SIGKILL);
            break;
        }
        if (::poll(fds, 2, int(left.count())) < 0)
            break;
        for (int i = 0; i < 2; ++i) {
            if (fds[i].fd < 0 || fds[i].revents == 0)
                continue;
            char buffer[4096];
            const ssize_t got = ::read(fds[i].fd, buffer, sizeof buffer);
            if (got > 0) {
                sinks[i]->append(buffer, size_t(got));
            } else {
                ::close(fds[i].fd);
                fds[i].fd = -1;
                --open;
            }
        }
    }
    for (const pollfd& fd : fds)
        if (fd.fd >= 0)
            ::close(fd.fd);
    int status = 0;
    ::waitpid(pid, &status, 0);
    result.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return result;
}

// pelan-emu serving devices under a short fresh root; command() sends one line and returns its answer.
class EmulatorProcess {
public:
    // `extra` options go after the devices; with --update-service the service's address is kept.
    explicit EmulatorProcess(const std::string& devices, const std::vector<std::string>& extra = {}) {
        char pattern[] = "/tmp/pemu.XXXXXX";
        root_ = ::mkdtemp(pattern) ? pattern : "";
        int inPipe[2];
        int outPipe[2];
        if (root_.empty() || ::pipe(inPipe) != 0 || ::pipe(outPipe) != 0)
            return;
        pid_ = ::fork();
        if (pid_ == 0) {
            ::close(inPipe[1]);
            ::close(outPipe[0]);
            const int devNull = ::open("/dev/null", O_WRONLY);
            std::vector<std::string> words{builtProgram("pelan-emu"), "--root", root_, "--devices", devices};
            words.insert(words.end(), extra.begin(), extra.end());
            detail::execChild(std::move(words), inPipe[0], outPipe[1], devNull, {});
        }
        ::close(inPipe[0]);
        ::close(outPipe[1]);
        toEmulator_ = inPipe[1];
        fromEmulator_ = outPipe[0];
        std::string line = readLine();
        if (line.rfind("update-service ", 0) == 0) {
            serviceUrl_ = line.substr(15);
            line = readLine();
        }
        if (line.rfind("update-key ", 0) == 0) {
            serviceKey_ = line.substr(11);
            line = readLine();
        }
        ready_ = line == "ready";
    }

    ~EmulatorProcess() {
        if (pid_ > 0) {
            command("quit");
            ::close(toEmulator_);
            int status = 0;
            ::waitpid(pid_, &status, 0);
            ::close(fromEmulator_);
        }
        std::error_code ec;
        std::filesystem::remove_all(root_, ec);
    }
    EmulatorProcess(const EmulatorProcess&) = delete;
    EmulatorProcess& operator=(const EmulatorProcess&) = delete;

    bool ready() const { return ready_; }
    const std::string& serviceUrl() const { return serviceUrl_; }
    // The key the service signs its files with, for PELAN_UPDATE_TEST_KEY.
    const std::string& serviceKey() const { return serviceKey_; }
    const std::string& root() const { return root_; }

    std::string command(const std::string& line) {
        const std::string text = line + "\n";
        if (::write(toEmulator_, text.data(), text.size()) != ssize_t(text.size()))
            return "error: cannot write to pelan-emu";
        return readLine();
    }

private:
    // One line, or "" when none comes within 10 s.
    std::string readLine() {
        std::string line;
        for (;;) {
            if (const size_t end = pending_.find('\n'); end != std::string::npos) {
                line = pending_.substr(0, end);
                pending_.erase(0, end + 1);
                return line;
            }
            pollfd fd{fromEmulator_, POLLIN, 0};
            if (::poll(&fd, 1, 10000) <= 0)
                return {};
            char buffer[4096];
            const ssize_t got = ::read(fromEmulator_, buffer, sizeof buffer);
            if (got <= 0)
                return {};
            pending_.append(buffer, size_t(got));
        }
    }

    std::string root_;
    std::string serviceUrl_;
    std::string serviceKey_;
    pid_t pid_ = -1;
    int toEmulator_ = -1;
    int fromEmulator_ = -1;
    bool ready_ = false;
    std::string pending_;
};

} // namespace pelan::test
