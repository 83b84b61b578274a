#pragma once

#include "headset/osconflib/PipeWireSession.h"
#include "support/TempFolder.h"

#include <chrono>
#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <sstream>
#include <string>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace pelan {

// A PipeWire daemon and its session manager of this test alone: runtime and configuration folders of their own
// (this process's XDG_RUNTIME_DIR, PIPEWIRE_RUNTIME_DIR and XDG_CONFIG_HOME point there while it lives), no
// hardware, and a null sink "pelan_test_sink" that the daemon's configuration creates, so it is back after a
// restart. WirePlumber needs a session bus, which dbus-run-session gives it.
class PrivatePipeWire {
public:
    static constexpr const char* kSink = "pelan_test_sink";
    // The headset's microphone: what is played into kMicrophoneInput comes out of the source kSource.
    static constexpr const char* kSource = "pelan_test_source";
    static constexpr const char* kMicrophoneInput = "pelan_test_microphone";

    PrivatePipeWire() {
        std::filesystem::create_directories(folder_.file("run"));
        std::filesystem::create_directories(folder_.file("config/pipewire/pipewire.conf.d"));
        testing::writeText(folder_.file("config/pipewire/pipewire.conf.d/00-test-sink.conf"),
                           std::string("context.objects = [ { factory = adapter args = { factory.name = "
                                       "support.null-audio-sink node.name = ") +
                               kSink +
                               " media.class = Audio/Sink audio.position = [ FL FR ] node.driver = true "
                               "object.linger = true } } ]\n" +
                               microphoneStandIn());
        ::setenv("XDG_RUNTIME_DIR", folder_.file("run").c_str(), 1);
        ::setenv("PIPEWIRE_RUNTIME_DIR", folder_.file("run").c_str(), 1);
        ::setenv("XDG_CONFIG_HOME", folder_.file("config").c_str(), 1);
        ::unsetenv("PIPEWIRE_REMOTE");
        start();
    }
    ~PrivatePipeWire() { stop(); }

    // Whether the daemon, the session manager and the tools the tests use are on the PATH.
    static bool installed() {
        for (const char* program : {"pipewire", "wireplumber", "dbus-run-session", "pw-dump", "pw-cat", "setsid"}) {
            if (!onPath(program))
                return false;
        }
        return true;
    }

    // Up, with the test sink in the graph.
    bool ready() {
        osconf::PipeWireSession session;
        return session.waitForNode(kSink, std::chrono::seconds(10));
    }

    // As at a log-out and log-in: both programs end and start again with the same configuration.
    void restart() {
        stop();
        start();
    }

    std::string configHome() const { return folder_.file("config"); }

    // A command's standard output.
    static std::string output(const std::string& command) {
        std::string text;
        if (FILE* pipe = ::popen(command.c_str(), "r")) {
            char buffer[4096];
            size_t n = 0;
            while ((n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0)
                text.append(buffer, n);
            ::pclose(pipe);
        }
        return text;
    }

private:
    static std::string microphoneStandIn() {
        return std::string(
                   "context.modules = [ { name = libpipewire-module-loopback args = { audio.position = [ MONO ] "
                   "capture.props = { node.name = ") +
               kMicrophoneInput + " media.class = Audio/Sink } playback.props = { node.name = " + kSource +
               " media.class = Audio/Source } } } ]\n";
    }

    static bool onPath(const char* program) {
        std::istringstream folders(std::getenv("PATH") != nullptr ? std::getenv("PATH") : "");
        std::string folder;
        while (std::getline(folders, folder, ':'))
            if (!folder.empty() && ::access((folder + "/" + program).c_str(), X_OK) == 0)
                return true;
        return false;
    }

    // Each program in a process group of its own, so stopping it ends its children too; its output goes to a log
    // file in the folder.
    pid_t spawn(const char* const* argv) const {
        const std::string log = folder_.file(std::string(argv[0]) + ".log");
        const pid_t pid = ::fork();
        if (pid == 0) {
            ::setpgid(0, 0);
            const int fd = ::open(log.c_str(), O_WRONLY | O_CREAT | O_APPEND, 0644);
            if (fd >= 0) {
                ::dup2(fd, 1);
                ::dup2(fd, 2);
            }
            ::execvp(argv[0], const_cast<char* const*>(argv));
            ::_exit(127);
        }
        return pid;
    }

    void start() {
        const char* daemon[] = {"pipewire", nullptr};
        daemon_ = spawn(daemon);
        // The session manager once the daemon's socket is there, so it does not give up at once.
        const std::string socket = folder_.file("run/pipewire-0");
        for (int i = 0; i < 100 && ::access(socket.c_str(), F_OK) != 0; ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        const char* manager[] = {"dbus-run-session", "--", "wireplumber", nullptr};
        manager_ = spawn(manager);
    }

    void stop() {
        for (pid_t* pid : {&manager_, &daemon_}) {
            if (*pid <= 0)
                continue;
            ::kill(-*pid, SIGTERM);
            ::waitpid(*pid, nullptr, 0);
            *pid = -1;
        }
        std::error_code ignored;
        std::filesystem::remove(folder_.file("run/pipewire-0"), ignored);
        std::filesystem::remove(folder_.file("run/pipewire-0.lock"), ignored);
    }

    testing::TempFolder folder_;
    pid_t daemon_ = -1;
    pid_t manager_ = -1;
};

} // namespace pelan
