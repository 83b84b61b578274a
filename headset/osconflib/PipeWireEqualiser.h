#pragma once

#include "headset/osconflib/EqualiserGraph.h"
#include "headset/osconflib/PipeWireSession.h"

#include <optional>
#include <string>

namespace pelan::osconf {

// The stages of the headset's sound filter, each switched by a property of its own.
enum class SinkStage { Equaliser, Reverb, Surround };

// Where the headset's sound effects are made audible. The library keeps their settings in its state file either way.
class EqualiserOutput {
public:
    virtual ~EqualiserOutput() = default;
    // Brings the sound in line with the effects; false when one that is on is only kept.
    virtual bool apply(const SinkEffects& effects, int headsetCard) = 0;
    // Why the sound does not follow that stage now (one of the library's kEqNot... or kEffectNot... words), null
    // while it does or the stage is off.
    virtual const char* whyNotInForce(const SinkEffects& effects, SinkStage stage, int headsetCard) = 0;
    // Why that stage could not be applied now if it were switched on, null when it could.
    virtual const char* whyUnavailable(SinkStage stage, int headsetCard) = 0;
};

// The headset's sound effects as one PipeWire filter-chain node "ORVANE Pelan equaliser" in front of the headset's
// sink: equaliser, then reverb (GVerb of swh-plugins), then surround (a crossfeed of PipeWire's own filters), each
// there while it is on. While any is on, a drop-in under $XDG_CONFIG_HOME/pipewire/ loads the filter at every start
// of the user's daemon, and the live filter (the daemon's, or one kept by the pelan-equaliser helper beside the
// library) gets each band change at once; a change of stages builds it anew. With all off, the drop-in goes and the
// live filter is destroyed. The headset's sink is the daemon's sink on the headset's ALSA card, or the node named by
// PELAN_PIPEWIRE_SINK.
class PipeWireEqualiser : public EqualiserOutput {
public:
    // helper: the pelan-equaliser program.
    explicit PipeWireEqualiser(std::string helper) : helper_(std::move(helper)) {}

    bool apply(const SinkEffects& effects, int headsetCard) override;
    const char* whyNotInForce(const SinkEffects& effects, SinkStage stage, int headsetCard) override;
    const char* whyUnavailable(SinkStage stage, int headsetCard) override;

    // The helper beside the library file this code is in.
    static std::string helperBesideLibrary();

private:
    bool startHelper(const std::string& args) const;
    bool build(PipeWireSession& session, const std::optional<GraphNode>& filter, const GraphNode& sink,
               const std::string& args) const;
    void noteOnce(const char* why);

    std::string helper_;
    bool noted_ = false;
};

} // namespace pelan::osconf
