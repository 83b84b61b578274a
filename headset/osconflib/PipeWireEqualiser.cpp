#include "headset/osconflib/PipeWireEqualiser.h"

#include "headset/AudioPropertyNames.h"
#include "headset/osconflib/PipeWireSession.h"
#include "platform/AtomicFile.h"
#include "platform/Trace.h"

#include <cstdlib>
#include <dlfcn.h>
#include <fcntl.h>
#include <filesystem>
#include <spawn.h>
#include <sys/wait.h>

extern char** environ;

namespace pelan::osconf {
namespace {

namespace fs = std::filesystem;
constexpr auto kFilterStartTimeout = std::chrono::milliseconds(5000);

std::optional<GraphNode> headsetSink(const PipeWireSession& session, int headsetCard) {
    if (const char* named = std::getenv("PELAN_PIPEWIRE_SINK"); named != nullptr && named[0] != '\0')
        return session.node(named);
    for (const GraphNode& node : session.nodes()) {
        if (headsetCard >= 0 && node.mediaClass == "Audio/Sink" && node.alsaCard == std::to_string(headsetCard))
            return node;
    }
    return std::nullopt;
}

bool writeDropIn(const std::string& text) {
    const std::string path = dropInPath();
    std::error_code error;
    fs::create_directories(fs::path(path).parent_path(), error);
    return writeFileAtomically(path, text) == 0;
}

void removeDropIn() {
    std::error_code error;
    fs::remove(dropInPath(), error);
}

} // namespace

void PipeWireEqualiser::noteOnce(const char* why) {
    if (noted_)
        return;
    noted_ = true;
    trace(std::string("audio library: ") + why + "; the equaliser is kept but not applied");
}

bool PipeWireEqualiser::apply(const EqualiserCurve& curve, int headsetCard) {
    // Switched off, the drop-in goes even while no daemon runs, so that the daemon's next start loads no filter.
    if (!curve.enabled)
        removeDropIn();
    PipeWireSession session;
    if (!session.connected()) {
        noteOnce("no PipeWire daemon");
        return !curve.enabled;
    }
    const std::optional<GraphNode> filter = session.node(kEqualiserNodeName);
    if (!curve.enabled) {
        if (!filter)
            return true;
        // The headset takes the sound back where it went through the filter.
        const std::optional<GraphNode> sink = headsetSink(session, headsetCard);
        if (sink && session.defaultSink() == kEqualiserNodeName)
            session.chooseDefaultSink(sink->name);
        return session.destroy(filter->id);
    }
    const std::optional<GraphNode> sink = headsetSink(session, headsetCard);
    if (!sink) {
        noteOnce("the headset has no PipeWire sink");
        return false;
    }
    const std::string args = filterChainArgs(curve, sink->name);
    if (!writeDropIn(dropInText(args)))
        trace("audio library: the PipeWire drop-in could not be written");
    if (filter)
        return session.setBandGains(filter->id, curve.bands);
    if (!startHelper(args) || !session.waitForNode(kEqualiserNodeName, kFilterStartTimeout))
        return false;
    // What played on the headset now goes through the filter; sound the user sent elsewhere stays there.
    if (session.defaultSink() == sink->name)
        session.chooseDefaultSink(kEqualiserNodeName);
    return true;
}

const char* PipeWireEqualiser::whyNotInForce(const EqualiserCurve& curve, int headsetCard) {
    // Switched off, the sound passes unchanged with or without a daemon.
    if (!curve.enabled)
        return nullptr;
    PipeWireSession session;
    if (!session.connected())
        return audio_property::kEqNotAppliedNoPipeWire;
    if (!headsetSink(session, headsetCard))
        return audio_property::kEqNotAppliedNoHeadsetSink;
    return session.node(kEqualiserNodeName) ? nullptr : audio_property::kEqNotAppliedNoFilter;
}

// "setsid -f" puts the helper in a session of its own, so it outlives the program, and returns at once.
bool PipeWireEqualiser::startHelper(const std::string& args) const {
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    for (int fd = 0; fd <= 2; ++fd)
        posix_spawn_file_actions_addopen(&actions, fd, "/dev/null", fd == 0 ? O_RDONLY : O_WRONLY, 0);
    // It outlives the program: none of the program's sockets, devices or files may stay open in it.
    posix_spawn_file_actions_addclosefrom_np(&actions, 3);
    std::string setsid = "setsid";
    std::string fork = "-f";
    std::string helper = helper_;
    std::string arguments = args;
    char* argv[] = {setsid.data(), fork.data(), helper.data(), arguments.data(), nullptr};
    pid_t pid = 0;
    const int result = posix_spawnp(&pid, "setsid", &actions, nullptr, argv, environ);
    posix_spawn_file_actions_destroy(&actions);
    if (result != 0) {
        trace("audio library: the equaliser helper could not be started");
        return false;
    }
    int status = 0;
    return waitpid(pid, &status, 0) == pid && WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

std::string PipeWireEqualiser::helperBesideLibrary() {
    Dl_info info{};
    if (dladdr(reinterpret_cast<void*>(&PipeWireEqualiser::helperBesideLibrary), &info) == 0 ||
        info.dli_fname == nullptr)
        return "pelan-equaliser";
    return (fs::path(info.dli_fname).parent_path() / "pelan-equaliser").string();
}

} // namespace pelan::osconf
