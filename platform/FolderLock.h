#pragma once

#include <string>

namespace pelan {

// An exclusive advisory lock (flock) on a folder, held while the object lives. The window and pelanctl take it
// around every read-modify-write of a folder's list files, so two programs never interleave their changes and
// neither writes over the other's. Where the folder cannot be opened nothing is held and the work goes ahead: a
// read-only or missing folder fails at the write anyway.
class FolderLock {
public:
    explicit FolderLock(const std::string& folder);
    ~FolderLock();
    FolderLock(const FolderLock&) = delete;
    FolderLock& operator=(const FolderLock&) = delete;

    bool held() const { return fd_ >= 0; }

private:
    int fd_ = -1;
};

} // namespace pelan
