#include "platform/HotplugWatch.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <poll.h>
#include <string_view>
#include <sys/eventfd.h>
#include <sys/inotify.h>
#include <unistd.h>
#include <utility>

namespace pelan {

std::unique_ptr<HotplugWatch> HotplugWatch::open(const std::string& hidrawRoot,
                                                 const std::vector<std::string>& deviceFileFolders) {
    const int inotifyFd = inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    if (inotifyFd < 0)
        return nullptr;
    const std::string folder = (std::filesystem::path(hidrawRoot) / "dev").string();
    // A node appears as a made file (or a socket bound there), goes as a removed one; a rename covers tools that
    // make it under another name first; a change of attributes is udev giving the user access to it.
    const uint32_t events = IN_CREATE | IN_DELETE | IN_MOVED_TO | IN_MOVED_FROM | IN_ATTRIB;
    const int nodeWatch = inotify_add_watch(inotifyFd, folder.c_str(), events);
    if (nodeWatch < 0) {
        ::close(inotifyFd);
        return nullptr;
    }
    // Editors save in place or through a renamed temporary file.
    for (const std::string& fileFolder : deviceFileFolders)
        inotify_add_watch(inotifyFd, fileFolder.c_str(), IN_CLOSE_WRITE | IN_MOVED_TO | IN_MOVED_FROM | IN_DELETE);
    const int wakeFd = eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC);
    if (wakeFd < 0) {
        ::close(inotifyFd);
        return nullptr;
    }
    std::unique_ptr<HotplugWatch> watch(new HotplugWatch(inotifyFd, wakeFd));
    watch->nodeWatch_ = nodeWatch;
    return watch;
}

bool HotplugWatch::takeFileChanges() {
    return std::exchange(filesChanged_, false);
}

HotplugWatch::~HotplugWatch() {
    ::close(inotifyFd_);
    ::close(wakeFd_);
}

void HotplugWatch::wake() {
    const uint64_t one = 1;
    [[maybe_unused]] const ssize_t written = ::write(wakeFd_, &one, sizeof one);
}

bool HotplugWatch::drainEvents() {
    alignas(inotify_event) std::array<char, 4096> buffer;
    bool changed = false;
    for (;;) {
        const ssize_t length = ::read(inotifyFd_, buffer.data(), buffer.size());
        if (length <= 0)
            return changed;
        for (ssize_t at = 0; at < length;) {
            const auto* event = reinterpret_cast<const inotify_event*>(buffer.data() + at);
            const std::string_view name = event->len > 0 ? std::string_view(event->name) : std::string_view();
            if (event->wd != nodeWatch_ && (event->mask & IN_Q_OVERFLOW) == 0) {
                // A device file folder; one that goes away is simply no longer watched.
                if (name.ends_with(".device") && (event->mask & IN_IGNORED) == 0)
                    filesChanged_ = changed = true;
                at += ssize_t(sizeof(inotify_event) + event->len);
                continue;
            }
            // The folder itself went away: nothing more will come from this watch.
            if ((event->mask & IN_IGNORED) != 0)
                lost_ = true;
            // A full queue lost events, some of which may have been ours.
            if ((event->mask & IN_Q_OVERFLOW) != 0)
                filesChanged_ = changed = true;
            else if (name.rfind("hidraw", 0) == 0)
                changed = true;
            at += ssize_t(sizeof(inotify_event) + event->len);
        }
    }
}

HotplugWatch::Outcome HotplugWatch::wait(std::chrono::milliseconds timeout) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    for (;;) {
        int remaining = -1;
        if (timeout.count() >= 0) {
            const auto left =
                std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
            remaining = int(std::max<int64_t>(0, left.count()));
        }
        std::array<pollfd, 2> fds = {pollfd{inotifyFd_, POLLIN, 0}, pollfd{wakeFd_, POLLIN, 0}};
        const int ready = ::poll(fds.data(), fds.size(), remaining);
        if (ready < 0 && errno == EINTR)
            continue;
        if (ready < 0)
            return Outcome::Failed;
        if (ready == 0)
            return Outcome::TimedOut;
        if ((fds[1].revents & POLLIN) != 0) {
            uint64_t count = 0;
            [[maybe_unused]] const ssize_t taken = ::read(wakeFd_, &count, sizeof count);
            return Outcome::Woken;
        }
        if ((fds[0].revents & (POLLERR | POLLHUP | POLLNVAL)) != 0)
            return Outcome::Failed;
        // Other files of the folders change too; only a hidraw node or a device file ends the wait.
        const bool changed = drainEvents();
        if (lost_)
            return Outcome::Failed;
        if (changed)
            return Outcome::Changed;
    }
}

} // namespace pelan
