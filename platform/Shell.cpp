#include "platform/Shell.h"

#include "platform/Trace.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <optional>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

extern char** environ;

namespace pelan {
namespace {

constexpr std::size_t kMaxCapturedBytes = 1 << 20;

using Clock = std::chrono::steady_clock;

class FileDescriptor {
public:
    explicit FileDescriptor(int fd = -1) : fd_(fd) {}
    FileDescriptor(const FileDescriptor&) = delete;
    FileDescriptor& operator=(const FileDescriptor&) = delete;
    ~FileDescriptor() { reset(); }
    int get() const { return fd_; }
    void reset(int fd = -1) {
        if (fd_ >= 0)
            ::close(fd_);
        fd_ = fd;
    }

private:
    int fd_;
};

// Owns the posix_spawn file actions and attributes of one start.
class SpawnSetup {
public:
    SpawnSetup() {
        posix_spawn_file_actions_init(&actions);
        posix_spawnattr_init(&attributes);
    }
    SpawnSetup(const SpawnSetup&) = delete;
    SpawnSetup& operator=(const SpawnSetup&) = delete;
    ~SpawnSetup() {
        posix_spawn_file_actions_destroy(&actions);
        posix_spawnattr_destroy(&attributes);
    }
    posix_spawn_file_actions_t actions;
    posix_spawnattr_t attributes;
};

std::vector<char*> argumentPointers(const std::vector<std::string>& argv) {
    std::vector<char*> pointers;
    pointers.reserve(argv.size() + 1);
    for (const std::string& argument : argv)
        pointers.push_back(const_cast<char*>(argument.c_str()));
    pointers.push_back(nullptr);
    return pointers;
}

bool holdsNul(const std::string& text) {
    return text.find('\0') != std::string::npos;
}

bool anyHoldsNul(const std::vector<std::string>& texts) {
    for (const std::string& text : texts)
        if (holdsNul(text))
            return true;
    return false;
}

// This program's environment with the extra variables set (an extra one replaces a variable of the same name).
std::vector<std::string> environmentWith(const Shell::Environment& extra) {
    std::vector<std::string> entries;
    for (char** entry = environ; entry != nullptr && *entry != nullptr; ++entry) {
        const std::string_view text(*entry);
        const auto replaced = [&](const auto& variable) {
            return text.size() > variable.first.size() && text.starts_with(variable.first) &&
                   text[variable.first.size()] == '=';
        };
        if (std::none_of(extra.begin(), extra.end(), replaced))
            entries.emplace_back(text);
    }
    for (const auto& [name, value] : extra)
        entries.push_back(name + "=" + value);
    return entries;
}

// Starts argv with standard input from /dev/null, no descriptors above 2 inherited, and this program's environment
// plus `extra`. Returns 0 or an errno.
int spawn(const std::vector<std::string>& argv, SpawnSetup& setup, pid_t& pid, const Shell::Environment& extra = {}) {
    posix_spawn_file_actions_addopen(&setup.actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addclosefrom_np(&setup.actions, 3);
    std::vector<char*> pointers = argumentPointers(argv);
    if (extra.empty())
        return posix_spawnp(&pid, argv[0].c_str(), &setup.actions, &setup.attributes, pointers.data(), environ);
    const std::vector<std::string> environment = environmentWith(extra);
    std::vector<char*> environmentPointers = argumentPointers(environment);
    return posix_spawnp(&pid, argv[0].c_str(), &setup.actions, &setup.attributes, pointers.data(),
                        environmentPointers.data());
}

// Waits until the process ends or the deadline passes. Returns its wait status, or nothing while it still runs
// (it has then not been reaped).
std::optional<int> waitUntil(pid_t pid, Clock::time_point deadline) {
    FileDescriptor processFd(static_cast<int>(::syscall(SYS_pidfd_open, pid, 0)));
    if (processFd.get() >= 0) {
        for (;;) {
            auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
            pollfd entry{processFd.get(), POLLIN, 0};
            int ready = ::poll(&entry, 1, static_cast<int>(std::clamp<long long>(left, 0, INT_MAX)));
            if (ready < 0 && errno == EINTR)
                continue;
            if (ready <= 0)
                return std::nullopt;
            break;
        }
    }
    // Without process descriptors (old kernels) this blocks until the process ends.
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0) {
        if (errno != EINTR)
            return -1;
    }
    return status;
}

// A started process that is not waited for is reaped by a thread that sleeps in waitpid until it ends.
void reapInBackground(pid_t pid, Shell::ExitWatch onExit = {}) {
    std::thread([pid, onExit = std::move(onExit)] {
        int status = 0;
        while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
        }
        if (onExit)
            onExit(status);
    }).detach();
}

std::string openerFailureText(int exitStatus) {
    switch (exitStatus) {
    case 1:
        return "the opener refused its arguments";
    case 2:
        return "the document does not exist";
    case 3:
        return "no program to open it was found";
    case 4:
        return "opening failed";
    default:
        return "the opener ended with status " + std::to_string(exitStatus);
    }
}

ShellResult startFailure(int error, std::string what) {
    ShellResult result;
    result.error = error;
    result.message = std::move(what) + (error != 0 ? std::string(": ") + std::strerror(error) : std::string());
    trace("shell: " + result.message);
    return result;
}

void readInto(int fd, std::string& captured, bool& open) {
    char buffer[4096];
    ssize_t count = ::read(fd, buffer, sizeof buffer);
    if (count < 0 && (errno == EINTR || errno == EAGAIN))
        return;
    if (count <= 0) {
        open = false;
        return;
    }
    std::size_t room = kMaxCapturedBytes - std::min(captured.size(), kMaxCapturedBytes);
    captured.append(buffer, std::min<std::size_t>(room, static_cast<std::size_t>(count)));
}

// Reads both streams until they close or the deadline passes. False on time-out.
bool captureStreams(int outputFd, int errorFd, ProgramRun& run, Clock::time_point deadline) {
    bool outputOpen = true;
    bool errorOpen = true;
    while (outputOpen || errorOpen) {
        auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
        if (left <= 0)
            return false;
        pollfd entries[2] = {{outputOpen ? outputFd : -1, POLLIN, 0}, {errorOpen ? errorFd : -1, POLLIN, 0}};
        int ready = ::poll(entries, 2, static_cast<int>(left));
        if (ready < 0 && errno != EINTR)
            return false;
        if (ready <= 0)
            continue;
        if (entries[0].revents != 0)
            readInto(outputFd, run.output, outputOpen);
        if (entries[1].revents != 0)
            readInto(errorFd, run.errors, errorOpen);
    }
    return true;
}

struct ShellOverride {
    std::mutex mutex;
    Shell* replacement = nullptr;
};

ShellOverride& shellOverride() {
    static ShellOverride instance;
    return instance;
}

} // namespace

ProgramRun runProgram(const std::vector<std::string>& argv, std::chrono::milliseconds timeout) {
    ProgramRun run;
    if (argv.empty() || argv[0].empty() || anyHoldsNul(argv)) {
        run.error = EINVAL;
        return run;
    }
    int outputPipe[2];
    int errorPipe[2];
    if (::pipe2(outputPipe, O_CLOEXEC) != 0) {
        run.error = errno;
        return run;
    }
    FileDescriptor outputRead(outputPipe[0]), outputWrite(outputPipe[1]);
    if (::pipe2(errorPipe, O_CLOEXEC) != 0) {
        run.error = errno;
        return run;
    }
    FileDescriptor errorRead(errorPipe[0]), errorWrite(errorPipe[1]);

    SpawnSetup setup;
    posix_spawn_file_actions_adddup2(&setup.actions, outputWrite.get(), STDOUT_FILENO);
    posix_spawn_file_actions_adddup2(&setup.actions, errorWrite.get(), STDERR_FILENO);
    pid_t pid = 0;
    run.error = spawn(argv, setup, pid);
    if (run.error != 0)
        return run;
    outputWrite.reset();
    errorWrite.reset();

    const Clock::time_point deadline = Clock::now() + timeout;
    bool finished = captureStreams(outputRead.get(), errorRead.get(), run, deadline);
    std::optional<int> status = finished ? waitUntil(pid, deadline) : std::nullopt;
    if (!status) {
        run.timedOut = true;
        ::kill(pid, SIGKILL);
        status = waitUntil(pid, Clock::time_point::max());
    }
    if (!run.timedOut && *status >= 0 && WIFEXITED(*status))
        run.exitStatus = WEXITSTATUS(*status);
    return run;
}

SystemShell::SystemShell(std::string opener, std::chrono::milliseconds openWait)
    : opener_(std::move(opener)), openWait_(openWait) {}

ShellResult SystemShell::open(const std::string& target) {
    // A target beginning with '-' would be read by the opener as an option.
    if (target.empty() || target.front() == '-' || holdsNul(target))
        return startFailure(EINVAL, "refused to open \"" + target.substr(0, target.find('\0')) + "\"");

    SpawnSetup setup;
    pid_t pid = 0;
    int error = spawn({opener_, target}, setup, pid);
    if (error != 0)
        return startFailure(error, "cannot run " + opener_);

    ShellResult result;
    result.processId = pid;
    std::optional<int> status = waitUntil(pid, Clock::now() + openWait_);
    if (!status) {
        reapInBackground(pid);
        result.ok = true;
        return result;
    }
    if (*status >= 0 && WIFEXITED(*status))
        result.exitStatus = WEXITSTATUS(*status);
    result.ok = result.exitStatus == 0;
    if (!result.ok) {
        result.message = "cannot open " + target + ": " + openerFailureText(result.exitStatus);
        trace("shell: " + result.message);
    }
    return result;
}

ShellResult SystemShell::startProgram(const std::string& program, const std::vector<std::string>& arguments,
                                      const std::string& workingFolder, ExitWatch onExit,
                                      const Environment& extraEnvironment) {
    if (program.empty() || holdsNul(program) || holdsNul(workingFolder) || anyHoldsNul(arguments))
        return startFailure(EINVAL, "refused to start \"" + program.substr(0, program.find('\0')) + "\"");
    std::error_code folderError;
    if (!workingFolder.empty() && !std::filesystem::is_directory(workingFolder, folderError))
        return startFailure(ENOTDIR, "cannot start " + program + " in " + workingFolder);

    std::vector<std::string> argv{program};
    argv.insert(argv.end(), arguments.begin(), arguments.end());
    SpawnSetup setup;
    if (!workingFolder.empty())
        posix_spawn_file_actions_addchdir_np(&setup.actions, workingFolder.c_str());
    // Its own session, so that a terminal signal meant for this program does not reach it.
    posix_spawnattr_setflags(&setup.attributes, POSIX_SPAWN_SETSID);
    pid_t pid = 0;
    int error = spawn(argv, setup, pid, extraEnvironment);
    if (error != 0)
        return startFailure(error, "cannot start " + program);
    reapInBackground(pid, std::move(onExit));
    trace("shell: started " + program);
    return succeeded(pid);
}

ShellResult RecordingShell::open(const std::string& target) {
    std::lock_guard lock(mutex_);
    calls_.push_back({Call::Kind::Open, target, {}, {}, {}, {}});
    return result_;
}

ShellResult RecordingShell::startProgram(const std::string& program, const std::vector<std::string>& arguments,
                                         const std::string& workingFolder, ExitWatch onExit,
                                         const Environment& extraEnvironment) {
    std::lock_guard lock(mutex_);
    calls_.push_back(
        {Call::Kind::StartProgram, program, arguments, workingFolder, std::move(onExit), extraEnvironment});
    return result_;
}

void RecordingShell::setResult(ShellResult result) {
    std::lock_guard lock(mutex_);
    result_ = std::move(result);
}

std::vector<RecordingShell::Call> RecordingShell::calls() const {
    std::lock_guard lock(mutex_);
    return calls_;
}

Shell& shell() {
    static SystemShell systemShell;
    std::lock_guard lock(shellOverride().mutex);
    return shellOverride().replacement != nullptr ? *shellOverride().replacement : systemShell;
}

void setShellOverride(Shell* replacement) {
    std::lock_guard lock(shellOverride().mutex);
    shellOverride().replacement = replacement;
}

} // namespace pelan
