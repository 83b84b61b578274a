#pragma once

#include "headset/osconflib/MicrophoneGraph.h"

#include <string>

namespace pelan::osconf {

enum class MicrophoneEffect { VoiceChanger, Echo, Noise };

// The microphone effects as a PipeWire filter source "ORVANE Pelan microphone" fed by the headset's source: while
// any is on, a drop-in under $XDG_CONFIG_HOME/pipewire/ loads the filter at every start of the user's daemon, and
// the live filter (the daemon's, or one kept by the helper beside the library) is made anew on each change; it
// becomes the default source where the headset's was. With every effect off the drop-in and the filter go, and the
// headset's source is the default again where the filter was. The headset's source is the daemon's source on the
// headset's ALSA card, or the node named by PELAN_PIPEWIRE_SOURCE.
class PipeWireMicrophone {
public:
    // helper: the program that hosts the filter (pelan-equaliser).
    explicit PipeWireMicrophone(std::string helper) : helper_(std::move(helper)) {}

    // Brings the microphone in line with the effects; false when an effect that is on is only kept.
    bool apply(const MicrophoneEffects& effects, int headsetCard);
    // Why the effect does not work on the sound now, or would not if it were switched on (one of the library's
    // kEqNot... or kEffectNot... words); null when it does or could.
    const char* whyNotInForce(MicrophoneEffect effect, const MicrophoneEffects& effects, int headsetCard);

private:
    std::string helper_;
};

} // namespace pelan::osconf
