#include "headset/osconflib/PipeWireEqualiser.h"

#include "headset/AudioPropertyNames.h"
#include "headset/osconflib/FilterHost.h"
#include "headset/osconflib/LadspaPlugins.h"
#include "headset/osconflib/PipeWireSession.h"
#include "platform/Trace.h"

#include <cstdlib>
#include <dlfcn.h>
#include <filesystem>
#include <sstream>

namespace pelan::osconf {
namespace {

namespace fs = std::filesystem;
constexpr auto kFilterStartTimeout = std::chrono::milliseconds(5000);

std::optional<GraphNode> headsetSink(const PipeWireSession& session, int headsetCard) {
    return headsetNode(session, "Audio/Sink", "PELAN_PIPEWIRE_SINK", headsetCard);
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
        removeDropIn(dropInPath());
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
        removeDropIn(dropInPath());
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
    if (!writeDropIn(dropInPath(), dropInText(args)))
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

bool PipeWireEqualiser::startHelper(const std::string& args) const {
    return osconf::startHelper(helper_, {args});
}

std::string PipeWireEqualiser::helperBesideLibrary() {
    Dl_info info{};
    if (dladdr(reinterpret_cast<void*>(&PipeWireEqualiser::helperBesideLibrary), &info) == 0 ||
        info.dli_fname == nullptr)
        return "pelan-equaliser";
    return (fs::path(info.dli_fname).parent_path() / "pelan-equaliser").string();
}

} // namespace pelan::osconf
