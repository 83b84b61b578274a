#pragma once

#include <chrono>
#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <grp.h>
#include <string>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace pelan {

// A headless sway of our own, in a runtime folder of our own, with clients started in it. sway refuses to run as
// root, so under root (containers, CI) it runs as nobody in a folder nobody owns; root still reaches its sockets.
class PrivateSway {
public:
    PrivateSway() {
        std::string pattern = (std::filesystem::temp_directory_path() / "pelan-sway-XXXXXX").string();
        if (::mkdtemp(pattern.data()) == nullptr)
            return;
        runtime_ = pattern;
        const std::string config = runtime_ + "/config";
        std::fclose(std::fopen(config.c_str(), "w"));
        const bool root = ::geteuid() == 0;
        if (root && ::chown(runtime_.c_str(), kNobody, kNobody) != 0)
            return;
        pid_ = ::fork();
        if (pid_ == 0) {
            ::unsetenv("WAYLAND_DISPLAY");
            ::unsetenv("DISPLAY");
            ::setenv("XDG_RUNTIME_DIR", runtime_.c_str(), 1);
            ::setenv("HOME", runtime_.c_str(), 1);
            ::setenv("WLR_BACKENDS", "headless", 1);
            ::setenv("WLR_LIBINPUT_NO_DEVICES", "1", 1);
            ::setenv("WLR_RENDERER", "pixman", 1);
            if (root && (::setgroups(0, nullptr) != 0 || ::setgid(kNobody) != 0 || ::setuid(kNobody) != 0))
                ::_exit(126);
            const int quiet = ::open("/dev/null", O_WRONLY);
            ::dup2(quiet, 1);
            ::dup2(quiet, 2);
            ::execlp("sway", "sway", "-c", config.c_str(), static_cast<char*>(nullptr));
            ::_exit(127);
        }
        running_ = pid_ > 0 && waitForSockets();
    }
    ~PrivateSway() {
        for (pid_t client : clients_)
            stop(client);
        stop(pid_);
        std::error_code ignored;
        std::filesystem::remove_all(runtime_, ignored);
    }
    PrivateSway(const PrivateSway&) = delete;
    PrivateSway& operator=(const PrivateSway&) = delete;

    bool running() const { return running_; }
    const std::string& runtimeDir() const { return runtime_; }
    const std::string& display() const { return display_; }

    // A foot terminal whose toplevel has the given app_id; true once sway shows it.
    bool startClient(const std::string& appId) {
        const pid_t pid = ::fork();
        if (pid == 0) {
            ::setenv("XDG_RUNTIME_DIR", runtime_.c_str(), 1);
            ::setenv("WAYLAND_DISPLAY", display_.c_str(), 1);
            const int quiet = ::open("/dev/null", O_WRONLY);
            ::dup2(quiet, 1);
            ::dup2(quiet, 2);
            const std::string option = "--app-id=" + appId;
            ::execlp("foot", "foot", option.c_str(), "sleep", "600", static_cast<char*>(nullptr));
            ::_exit(127);
        }
        if (pid < 0)
            return false;
        clients_.push_back(pid);
        return waitUntil([&] { return swaymsg("'[app_id=\"" + appId + "\"]' nop"); });
    }
    // Gives the keyboard focus to the window of an app_id, as a user clicking on it would.
    bool focus(const std::string& appId) const { return swaymsg("'[app_id=\"" + appId + "\"]' focus"); }
    // Gives the keyboard focus to a window of the process, once it has one.
    bool focusProcess(pid_t pid) const {
        return waitUntil([&] { return swaymsg("'[pid=" + std::to_string(pid) + "]' focus"); });
    }

    static bool installed() { return onPath("sway") && onPath("swaymsg") && onPath("foot"); }

private:
    static constexpr uid_t kNobody = 65534;

    static bool onPath(const char* program) {
        return std::system((std::string("command -v ") + program + " >/dev/null 2>&1").c_str()) == 0;
    }
    template <typename Condition>
    static bool waitUntil(Condition condition) {
        for (int attempt = 0; attempt < 200; ++attempt) {
            if (condition())
                return true;
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        }
        return false;
    }
    bool swaymsg(const std::string& command) const {
        return !ipc_.empty() &&
               std::system(("swaymsg -q -s " + ipc_ + " " + command + " >/dev/null 2>&1").c_str()) == 0;
    }
    // sway names its sockets itself: wayland-N for clients, sway-ipc.UID.PID.sock for swaymsg.
    bool waitForSockets() {
        return waitUntil([this] {
            for (const auto& entry : std::filesystem::directory_iterator(runtime_)) {
                const std::string name = entry.path().filename().string();
                if (entry.is_socket() && name.starts_with("wayland-"))
                    display_ = name;
                if (entry.is_socket() && name.starts_with("sway-ipc."))
                    ipc_ = entry.path().string();
            }
            return !display_.empty() && !ipc_.empty();
        });
    }
    // SIGTERM, and SIGKILL after two seconds: sway caught early in its start may leave the first unanswered.
    static void stop(pid_t pid) {
        if (pid <= 0)
            return;
        ::kill(pid, SIGTERM);
        for (int attempt = 0; attempt < 40; ++attempt) {
            if (::waitpid(pid, nullptr, WNOHANG) == pid)
                return;
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        }
        ::kill(pid, SIGKILL);
        ::waitpid(pid, nullptr, 0);
    }

    std::string runtime_;
    std::string display_;
    std::string ipc_;
    pid_t pid_ = -1;
    std::vector<pid_t> clients_;
    bool running_ = false;
};

} // namespace pelan
