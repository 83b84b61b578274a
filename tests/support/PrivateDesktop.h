#pragma once

#include "support/PrivateXServer.h"

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <chrono>
#include <csignal>
#include <memory>
#include <string>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace pelan {

// A private Xvfb with the openbox window manager on it: windows are framed, focused, minimised and activated by a
// real window manager, as on a user's desktop.
class PrivateDesktop {
public:
    PrivateDesktop() {
        if (display().empty())
            return;
        pid_ = ::fork();
        if (pid_ == 0) {
            ::setenv("DISPLAY", display().c_str(), 1);
            ::execlp("openbox", "openbox", "--sm-disable", static_cast<char*>(nullptr));
            ::_exit(127);
        }
        running_ = pid_ > 0 && waitForManager();
    }
    ~PrivateDesktop() {
        if (pid_ > 0) {
            ::kill(pid_, SIGTERM);
            ::waitpid(pid_, nullptr, 0);
        }
    }
    PrivateDesktop(const PrivateDesktop&) = delete;
    PrivateDesktop& operator=(const PrivateDesktop&) = delete;

    const std::string& display() const { return server_.display(); }
    bool running() const { return running_; }

    // A small window of the client with the given WM_CLASS, once the window manager shows it; 0 when it does not.
    static Window openWindow(Display* client, const std::string& instance, const std::string& windowClass) {
        const Window window = XCreateSimpleWindow(client, DefaultRootWindow(client), 0, 0, 100, 80, 0, 0, 0);
        XClassHint hint{const_cast<char*>(instance.c_str()), const_cast<char*>(windowClass.c_str())};
        XSetClassHint(client, window, &hint);
        XMapWindow(client, window);
        XSync(client, False);
        return waitUntilShown(client, window) ? window : 0;
    }
    // Brings a window to the front as a pager or task bar asks the window manager to (xdotool windowactivate).
    bool activate(Window window) const {
        const std::string command =
            "DISPLAY=" + display() + " xdotool windowactivate --sync " + std::to_string(window) + " >/dev/null 2>&1";
        return std::system(command.c_str()) == 0;
    }

    // Waits until the window manager has shown a window the client mapped (it maps what it manages itself). A map
    // request that reaches openbox while it is still starting can go unanswered, so it is asked again each second.
    static bool waitUntilShown(Display* client, Window window) {
        for (int attempt = 1; attempt <= 400; ++attempt) {
            XWindowAttributes attributes{};
            if (XGetWindowAttributes(client, window, &attributes) && attributes.map_state == IsViewable)
                return true;
            if (attempt % 40 == 0) {
                XMapWindow(client, window);
                XSync(client, False);
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(25));
        }
        return false;
    }
    static bool installed() { return PrivateXServer::installed() && onPath("openbox"); }
    // Whether activate() can work.
    static bool xdotoolInstalled() { return onPath("xdotool"); }

private:
    static bool onPath(const char* program) {
        const std::string command = std::string("command -v ") + program + " >/dev/null 2>&1";
        return std::system(command.c_str()) == 0;
    }
    // A window manager names itself on the root window once it manages the screen.
    bool waitForManager() const {
        Display* probe = XOpenDisplay(display().c_str());
        if (probe == nullptr)
            return false;
        const Atom check = XInternAtom(probe, "_NET_SUPPORTING_WM_CHECK", False);
        bool found = false;
        for (int attempt = 0; attempt < 200 && !found; ++attempt) {
            Atom type = 0;
            int format = 0;
            unsigned long count = 0;
            unsigned long after = 0;
            unsigned char* data = nullptr;
            if (XGetWindowProperty(probe, DefaultRootWindow(probe), check, 0, 1, False, XA_WINDOW, &type, &format,
                                   &count, &after, &data) == Success &&
                count == 1)
                found = true;
            if (data != nullptr)
                XFree(data);
            if (!found)
                std::this_thread::sleep_for(std::chrono::milliseconds(50));
        }
        XCloseDisplay(probe);
        return found;
    }

    PrivateXServer server_;
    pid_t pid_ = -1;
    bool running_ = false;
};

} // namespace pelan
