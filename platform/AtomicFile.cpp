#include "platform/AtomicFile.h"

#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <mutex>
#include <sys/stat.h>
#include <unistd.h>

namespace pelan {
namespace {

std::mutex& hookMutex() {
    static std::mutex mutex;
    return mutex;
}

BeforeRenameHook& beforeRenameHook() {
    static BeforeRenameHook hook;
    return hook;
}

bool runBeforeRenameHook(const std::string& temporaryPath) {
    BeforeRenameHook hook;
    {
        std::lock_guard lock(hookMutex());
        hook = beforeRenameHook();
    }
    return !hook || hook(temporaryPath);
}

int writeAll(int fd, std::string_view bytes) {
    while (!bytes.empty()) {
        ssize_t written = ::write(fd, bytes.data(), bytes.size());
        if (written < 0) {
            if (errno == EINTR)
                continue;
            return errno;
        }
        bytes.remove_prefix(static_cast<std::size_t>(written));
    }
    return 0;
}

// A new file gets the usual permissions of a user file; a replaced file keeps its own.
mode_t permissionsFor(const std::string& path) {
    struct stat info {};
    if (::stat(path.c_str(), &info) == 0)
        return info.st_mode & 07777;
    return 0644;
}

int fillTemporaryFile(int fd, const std::string& path, std::string_view bytes) {
    if (int error = writeAll(fd, bytes))
        return error;
    if (::fchmod(fd, permissionsFor(path)) != 0)
        return errno;
    if (::fsync(fd) != 0)
        return errno;
    return 0;
}

} // namespace

int writeFileAtomically(const std::string& path, std::string_view bytes) {
    std::string temporaryPath = path + ".XXXXXX";
    int fd = ::mkstemp(temporaryPath.data());
    if (fd < 0)
        return errno;
    int error = fillTemporaryFile(fd, path, bytes);
    if (::close(fd) != 0 && error == 0)
        error = errno;
    if (error == 0 && !runBeforeRenameHook(temporaryPath))
        error = ECANCELED;
    if (error == 0 && std::rename(temporaryPath.c_str(), path.c_str()) != 0)
        error = errno;
    if (error != 0)
        ::unlink(temporaryPath.c_str());
    return error;
}

void setBeforeRenameHook(BeforeRenameHook hook) {
    std::lock_guard lock(hookMutex());
    beforeRenameHook() = std::move(hook);
}

} // namespace pelan
