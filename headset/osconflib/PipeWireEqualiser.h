#pragma once

#include "headset/osconflib/EqualiserGraph.h"

#include <string>

namespace pelan::osconf {

// Where the equaliser's curve is made audible. The library keeps the curve in its state file either way.
class EqualiserOutput {
public:
    virtual ~EqualiserOutput() = default;
    // Brings the sound in line with the curve; false when it is only kept.
    virtual bool apply(const EqualiserCurve& curve, int headsetCard) = 0;
    // Why the sound does not follow the curve now (one of the library's kEqNot... words), null while it does.
    virtual const char* whyNotInForce(const EqualiserCurve& curve, int headsetCard) = 0;
};

// The equaliser as a PipeWire filter-chain node "ORVANE Pelan equaliser" in front of the headset's sink: while the
// curve is on, a drop-in under $XDG_CONFIG_HOME/pipewire/ loads the filter at every start of the user's daemon, and
// the live filter (the daemon's, or one kept by the pelan-equaliser helper beside the library) gets each band
// change at once; switched off, the drop-in goes and the live filter is destroyed. The headset's sink is the
// daemon's sink on the headset's ALSA card, or the node named by PELAN_PIPEWIRE_SINK.
class PipeWireEqualiser : public EqualiserOutput {
public:
    // helper: the pelan-equaliser program.
    explicit PipeWireEqualiser(std::string helper) : helper_(std::move(helper)) {}

    bool apply(const EqualiserCurve& curve, int headsetCard) override;
    const char* whyNotInForce(const EqualiserCurve& curve, int headsetCard) override;

    // The helper beside the library file this code is in.
    static std::string helperBesideLibrary();

private:
    bool startHelper(const std::string& args) const;
    void noteOnce(const char* why);

    std::string helper_;
    bool noted_ = false;
};

} // namespace pelan::osconf
