#include "platform/FolderWatcher.h"

#include <algorithm>
#include <cerrno>
#include <sys/inotify.h>
#include <unistd.h>

namespace pelan {
namespace {

// A file written in place, one renamed into the folder (how atomic saves land), one removed.
constexpr uint32_t kWatchedEvents = IN_CLOSE_WRITE | IN_MOVED_TO | IN_DELETE;

} // namespace

FolderWatcher::FolderWatcher(const std::string& folder) {
    fd_ = ::inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    if (fd_ >= 0 && ::inotify_add_watch(fd_, folder.c_str(), kWatchedEvents) < 0) {
        ::close(fd_);
        fd_ = -1;
    }
}

FolderWatcher::~FolderWatcher() {
    if (fd_ >= 0)
        ::close(fd_);
}

std::vector<std::string> FolderWatcher::readChanges() {
    std::vector<std::string> names;
    if (fd_ < 0)
        return names;
    alignas(inotify_event) char buffer[16 * 1024];
    for (;;) {
        const ssize_t length = ::read(fd_, buffer, sizeof buffer);
        if (length <= 0)
            break; // EAGAIN: everything queued has been read
        for (ssize_t offset = 0; offset < length;) {
            const auto* event = reinterpret_cast<const inotify_event*>(buffer + offset);
            if (event->len > 0) {
                std::string name(event->name);
                if (std::find(names.begin(), names.end(), name) == names.end())
                    names.push_back(std::move(name));
            }
            offset += static_cast<ssize_t>(sizeof(inotify_event) + event->len);
        }
    }
    return names;
}

} // namespace pelan
