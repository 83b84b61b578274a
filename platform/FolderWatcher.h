#pragma once

#include <string>
#include <vector>

namespace pelan {

// Tells which files of one folder another program (or this one) wrote, moved in or removed, through inotify. The
// owner waits for fd() to become readable (the window with a socket notifier) and then calls readChanges(); nothing
// is polled. A folder that cannot be watched gives no descriptor and no changes.
class FolderWatcher {
public:
    explicit FolderWatcher(const std::string& folder);
    ~FolderWatcher();
    FolderWatcher(const FolderWatcher&) = delete;
    FolderWatcher& operator=(const FolderWatcher&) = delete;

    // -1 when the folder is not watched.
    int fd() const { return fd_; }
    // The names (without folder) of the files changed since the last call, each once; never blocks.
    std::vector<std::string> readChanges();

private:
    int fd_ = -1;
};

} // namespace pelan
