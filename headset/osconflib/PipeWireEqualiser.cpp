#include "headset/osconflib/PipeWireEqualiser.h"

#include "headset/AudioPropertyNames.h"
#include "headset/osconflib/FilterHost.h"
#include "platform/Trace.h"

#include <cstdlib>
#include <dlfcn.h>
#include <filesystem>

namespace pelan::osconf {
namespace {

namespace fs = std::filesystem;
constexpr auto kFilterStartTimeout = std::chrono::milliseconds(5000);

std::optional<GraphNode> headsetSink(const PipeWireSession& session, int headsetCard) {
    return headsetNode(session, "Audio/Sink", "PELAN_PIPEWIRE_SINK", headsetCard);
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
        removeDropIn(dropInPath());
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
    if (!writeDropIn(dropInPath(), dropInText(args)))
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
