#pragma once

#include <chrono>
#include <memory>
#include <string>
#include <vector>

namespace pelan {

// Tells when hidraw nodes come or go, without looking every so often: inotify on the device folder ("dev/" under
// the hidraw root), where the kernel (or the emulator's fake tree) makes and removes the nodes. It also watches the
// folders of the device files, whose changes end a wait too.
class HotplugWatch {
public:
    enum class Outcome { Changed, Woken, TimedOut, Failed };

    // Null when the folder cannot be watched (no inotify, no such folder): the caller then scans on a timer.
    // Device file folders that do not exist are not watched.
    static std::unique_ptr<HotplugWatch> open(const std::string& hidrawRoot,
                                              const std::vector<std::string>& deviceFileFolders = {});
    ~HotplugWatch();
    HotplugWatch(const HotplugWatch&) = delete;
    HotplugWatch& operator=(const HotplugWatch&) = delete;

    // Sleeps until a hidraw node was made, removed or given other permissions, wake() was called, or `timeout` passed
    // (negative: no limit). The events that arrived are all taken, so one wait answers for a burst of them. Failed when
    // the watch ended (the folder was removed) or polling failed: the caller goes back to scanning on a timer.
    Outcome wait(std::chrono::milliseconds timeout);
    // Ends a wait at once, or the next one when none runs. Any thread.
    void wake();
    // Whether a device file (*.device) was written, moved or removed since the last call.
    bool takeFileChanges();

private:
    HotplugWatch(int inotifyFd, int wakeFd) : inotifyFd_(inotifyFd), wakeFd_(wakeFd) {}
    // True when the events read name a hidraw node or a device file.
    bool drainEvents();

    int inotifyFd_;
    int wakeFd_;
    int nodeWatch_ = -1;
    bool lost_ = false;
    bool filesChanged_ = false;
};

} // namespace pelan
