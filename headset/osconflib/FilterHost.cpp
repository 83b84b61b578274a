#include "headset/osconflib/FilterHost.h"

#include "platform/AtomicFile.h"
#include "platform/Trace.h"

#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <spawn.h>
#include <sys/wait.h>

extern char** environ;

namespace pelan::osconf {

namespace fs = std::filesystem;

std::optional<GraphNode> headsetNode(const PipeWireSession& session, const std::string& mediaClass, const char* namedBy,
                                     int headsetCard) {
    if (const char* named = std::getenv(namedBy); named != nullptr && named[0] != '\0')
        return session.node(named);
    for (const GraphNode& node : session.nodes()) {
        if (headsetCard >= 0 && node.mediaClass == mediaClass && node.alsaCard == std::to_string(headsetCard))
            return node;
    }
    return std::nullopt;
}

bool writeDropIn(const std::string& path, const std::string& text) {
    std::error_code error;
    fs::create_directories(fs::path(path).parent_path(), error);
    return writeFileAtomically(path, text) == 0;
}

void removeDropIn(const std::string& path) {
    std::error_code error;
    fs::remove(path, error);
}

bool startHelper(const std::string& helper, const std::vector<std::string>& args) {
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    for (int fd = 0; fd <= 2; ++fd)
        posix_spawn_file_actions_addopen(&actions, fd, "/dev/null", fd == 0 ? O_RDONLY : O_WRONLY, 0);
    // It outlives the program: none of the program's sockets, devices or files may stay open in it.
    posix_spawn_file_actions_addclosefrom_np(&actions, 3);
    std::vector<std::string> words = {"setsid", "-f", helper};
    words.insert(words.end(), args.begin(), args.end());
    std::vector<char*> argv;
    for (std::string& word : words)
        argv.push_back(word.data());
    argv.push_back(nullptr);
    pid_t pid = 0;
    const int result = posix_spawnp(&pid, "setsid", &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (result != 0) {
        trace("audio library: the filter helper could not be started");
        return false;
    }
    int status = 0;
    return waitpid(pid, &status, 0) == pid && WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

} // namespace pelan::osconf
