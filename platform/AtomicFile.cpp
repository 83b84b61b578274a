#include "platform/AtomicFile.h"

#include <cerrno>
#include <charconv>
#include <csignal>
#include <cstdio>
#include <fcntl.h>
#include <filesystem>
#include <mutex>
#include <random>
#include <sys/stat.h>
#include <unistd.h>

namespace pelan {
namespace {

namespace fs = std::filesystem;

// Temporary files are "<target name>.pelan-tmp-<pid>-<random>": the process id tells a crashed writer's leftovers
// from a file another process is still writing.
constexpr std::string_view kTemporaryMark = ".pelan-tmp-";
// Longest chain of links followed; a longer one (or a loop) is written as it stands and fails like any bad path.
constexpr int kMaxLinkHops = 40;

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

// The process id inside a temporary file name, 0 when the name is not one of ours.
pid_t writerOf(std::string_view name) {
    const std::size_t mark = name.rfind(kTemporaryMark);
    if (mark == std::string_view::npos)
        return 0;
    std::string_view rest = name.substr(mark + kTemporaryMark.size());
    pid_t pid = 0;
    auto [end, error] = std::from_chars(rest.data(), rest.data() + rest.size(), pid);
    if (error != std::errc() || pid <= 0 || end == rest.data() + rest.size() || *end != '-')
        return 0;
    return pid;
}

bool isProcessGone(pid_t pid) {
    return ::kill(pid, 0) != 0 && errno == ESRCH;
}

// Leftovers of writers that ended without renaming (a crash, a kill). Ours are never touched: another thread of
// this process may be writing one right now.
void removeStaleTemporaryFiles(const fs::path& folder) {
    std::error_code error;
    for (fs::directory_iterator it(folder.empty() ? fs::path(".") : folder, error), end; !error && it != end;
         it.increment(error)) {
        const std::string name = it->path().filename().string();
        const pid_t writer = writerOf(name);
        if (writer > 0 && writer != ::getpid() && isProcessGone(writer))
            ::unlink(it->path().c_str());
    }
}

std::string randomSuffix() {
    thread_local std::mt19937 generator{std::random_device{}()};
    static constexpr char kDigits[] = "abcdefghijklmnopqrstuvwxyz0123456789";
    std::uniform_int_distribution<std::size_t> pick(0, sizeof kDigits - 2);
    std::string suffix(8, '0');
    for (char& c : suffix)
        c = kDigits[pick(generator)];
    return suffix;
}

// Creates the temporary file with mode 0666, so the umask decides a new file's permissions as for any program.
int createTemporaryFile(const std::string& target, std::string& temporaryPath) {
    for (int attempt = 0; attempt < 100; ++attempt) {
        temporaryPath = target + std::string(kTemporaryMark) + std::to_string(::getpid()) + "-" + randomSuffix();
        int fd = ::open(temporaryPath.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd >= 0 || errno != EEXIST)
            return fd;
    }
    errno = EEXIST;
    return -1;
}

int fillTemporaryFile(int fd, const std::string& target, std::string_view bytes) {
    if (int error = writeAll(fd, bytes))
        return error;
    struct stat info {};
    if (::stat(target.c_str(), &info) == 0 && ::fchmod(fd, info.st_mode & 07777) != 0)
        return errno;
    if (::fsync(fd) != 0)
        return errno;
    return 0;
}

} // namespace

std::string finalLinkTarget(const std::string& path) {
    fs::path current(path);
    std::error_code error;
    for (int hop = 0; hop < kMaxLinkHops && fs::is_symlink(fs::symlink_status(current, error)); ++hop) {
        fs::path next = fs::read_symlink(current, error);
        if (error)
            break;
        current = next.is_absolute() ? next : current.parent_path() / next;
    }
    return current.string();
}

bool isAtomicTemporaryName(std::string_view name) {
    return writerOf(name) > 0;
}

int writeFileAtomically(const std::string& path, std::string_view bytes) {
    const std::string target = finalLinkTarget(path);
    removeStaleTemporaryFiles(fs::path(target).parent_path());
    std::string temporaryPath;
    int fd = createTemporaryFile(target, temporaryPath);
    if (fd < 0)
        return errno;
    int error = fillTemporaryFile(fd, target, bytes);
    if (::close(fd) != 0 && error == 0)
        error = errno;
    if (error == 0 && !runBeforeRenameHook(temporaryPath))
        error = ECANCELED;
    if (error == 0 && std::rename(temporaryPath.c_str(), target.c_str()) != 0)
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
