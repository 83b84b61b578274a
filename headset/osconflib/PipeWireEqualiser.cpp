#include "headset/osconflib/PipeWireEqualiser.h"

#include "headset/AudioPropertyNames.h"
#include "headset/osconflib/LadspaPlugins.h"
#include "headset/osconflib/PipeWireSession.h"
#include "platform/AtomicFile.h"
#include "platform/Trace.h"

#include <cstdlib>
#include <dlfcn.h>
#include <fcntl.h>
#include <filesystem>
#include <spawn.h>
#include <sstream>
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

const char* unavailableIn(const PipeWireSession& session, SinkStage stage, int headsetCard) {
    if (!session.connected())
        return audio_property::kEqNotAppliedNoPipeWire;
    if (!headsetSink(session, headsetCard))
        return audio_property::kEqNotAppliedNoHeadsetSink;
    if (stage == SinkStage::Reverb && findLadspaPlugin(kReverbPluginFile).empty())
        return audio_property::kEffectNotAppliedNoPlugin;
    return nullptr;
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
    trace(std::string("audio library: ") + why + "; the headset's sound effects are kept but not applied");
}

bool PipeWireEqualiser::apply(const SinkEffects& wanted, int headsetCard) {
    // Switched off, the drop-in goes even while no daemon runs, so that the daemon's next start loads no filter.
    if (!wanted.anyOn())
        removeDropIn();
    PipeWireSession session;
    if (!session.connected()) {
        noteOnce("no PipeWire daemon");
        return !wanted.anyOn();
    }
    const std::optional<GraphNode> filter = session.node(kEqualiserNodeName);
    const std::optional<GraphNode> sink = headsetSink(session, headsetCard);
    // A reverb without its plugin is only kept; the other stages work without it.
    const std::string reverbPlugin = findLadspaPlugin(kReverbPluginFile);
    SinkEffects effects = wanted;
    effects.reverb.enabled = wanted.reverb.enabled && !reverbPlugin.empty();
    if (!effects.anyOn()) {
        removeDropIn();
        if (filter) {
            // The headset takes the sound back where it went through the filter.
            if (sink && session.defaultSink() == kEqualiserNodeName)
                session.chooseDefaultSink(sink->name);
            if (!session.destroy(filter->id))
                return false;
        }
        return !wanted.anyOn();
    }
    if (!sink) {
        noteOnce("the headset has no PipeWire sink");
        return false;
    }
    const std::string args = filterChainArgs(effects, sink->name, reverbPlugin);
    if (!writeDropIn(dropInText(args)))
        trace("audio library: the PipeWire drop-in could not be written");
    bool inForce = false;
    if (filter && session.nodeProperty(filter->id, kFilterStagesProperty) == stagesText(effects))
        inForce = !effects.equaliser.enabled || session.setBandGains(filter->id, effects.equaliser.bands);
    else
        inForce = build(session, filter, *sink, args);
    return inForce && effects.reverb.enabled == wanted.reverb.enabled;
}

// The filter anew with other stages: the old one goes first, as both would take the same name.
bool PipeWireEqualiser::build(PipeWireSession& session, const std::optional<GraphNode>& filter, const GraphNode& sink,
                              const std::string& args) const {
    bool wasDefault = false;
    if (filter) {
        wasDefault = session.defaultSink() == kEqualiserNodeName;
        if (!session.destroy(filter->id))
            return false;
    }
    if (!startHelper(args) || !session.waitForNode(kEqualiserNodeName, kFilterStartTimeout))
        return false;
    // What played on the headset now goes through the filter; sound the user sent elsewhere stays there.
    if (wasDefault || session.defaultSink() == sink.name)
        session.chooseDefaultSink(kEqualiserNodeName);
    return true;
}

const char* PipeWireEqualiser::whyUnavailable(SinkStage stage, int headsetCard) {
    PipeWireSession session;
    return unavailableIn(session, stage, headsetCard);
}

const char* PipeWireEqualiser::whyNotInForce(const SinkEffects& effects, SinkStage stage, int headsetCard) {
    // The stage alone, so that its word can be looked for among the live filter's.
    SinkEffects alone;
    alone.equaliser.enabled = stage == SinkStage::Equaliser && effects.equaliser.enabled;
    alone.reverb = effects.reverb;
    alone.reverb.enabled = stage == SinkStage::Reverb && effects.reverb.enabled;
    alone.surround = stage == SinkStage::Surround && effects.surround;
    // Switched off, the sound passes unchanged with or without a daemon.
    if (!alone.anyOn())
        return nullptr;
    PipeWireSession session;
    if (const char* why = unavailableIn(session, stage, headsetCard))
        return why;
    const std::optional<GraphNode> filter = session.node(kEqualiserNodeName);
    const std::string word = stagesText(alone);
    std::istringstream live(filter ? session.nodeProperty(filter->id, kFilterStagesProperty) : "");
    for (std::string built; live >> built;) {
        if (built == word)
            return nullptr;
    }
    return audio_property::kEqNotAppliedNoFilter;
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
