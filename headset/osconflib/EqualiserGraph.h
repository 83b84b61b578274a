#pragma once

#include "headset/AudioPropertyNames.h"
#include "headset/EqPresets.h"

#include <string>
#include <vector>

namespace pelan::osconf {

// The equaliser as the library keeps it: on or off, and the ten band values (dB).
struct EqualiserCurve {
    bool enabled = false;
    EqCurve bands{};
};

// The reverb as the library keeps it: on or off, the environment (0 to kReverbEnvironments - 1) and the room size
// (0 to kMaxReverbRoomSize); values beyond are taken as the nearest one.
struct ReverbSettings {
    bool enabled = false;
    int environment = 0;
    int roomSize = 0;
};

// Everything the headset's sound filter does, in the order its stages run: equaliser, reverb, surround. The filter
// exists while any of them is on.
struct SinkEffects {
    EqualiserCurve equaliser;
    ReverbSettings reverb;
    bool surround = false;

    bool anyOn() const { return equaliser.enabled || reverb.enabled || surround; }
};

// The sound filter's names in the PipeWire graph: the sink the user plays into, and its description. (The names
// date from when the filter only equalised; stored defaults and drop-ins name it so.)
inline constexpr const char* kEqualiserNodeName = "orvane_pelan_equaliser";
inline constexpr const char* kEqualiserDescription = "ORVANE Pelan equaliser";
// The filter node's property that lists the stages it was built with (see stageTokens).
inline constexpr const char* kFilterStagesProperty = "orvane.pelan.stages";
// Band values beyond this many dB are applied as this many dB (the sliders stop at 20).
inline constexpr int kMaxBandGainDb = 20;
// One octave per band: neighbouring bands meet about 3 dB below their peaks.
inline constexpr double kBandQ = 1.41;
// The reverb is GVerb from the swh-plugins package.
inline constexpr const char* kReverbPluginFile = "gverb_1216.so";
inline constexpr int kReverbEnvironments = audio_property::kReverbEnvironmentCount;
inline constexpr int kMaxReverbRoomSize = audio_property::kReverbMaxRoomSize;

// WirePlumber 0.4 suspends a node after it has been idle for a while by a timer it does not cancel when the node
// goes: a node of ours taken away within that time (each change of the effects makes the filter anew) would make
// it crash. Our nodes are not suspended by it.
inline constexpr const char* kNoSuspend = " session.suspend-timeout-seconds = 0";

// Text in quotes, as PipeWire's configuration language (JSON-like) reads it.
std::string quoted(const std::string& text);

// The controls of band i (0-based) in the filter graph, one per channel, e.g. "band1_l:Gain".
std::vector<std::string> bandGainControls(int band);

// The stages a filter built for these effects has, one word each: "eq", "reverb:E:R" (environment and room size as
// applied), "surround". A filter whose words differ from the wanted ones has to be built anew; band gains are
// changed in place.
std::vector<std::string> stageTokens(const SinkEffects& effects);
// The words joined by spaces, as the filter node carries them in kFilterStagesProperty.
std::string stagesText(const SinkEffects& effects);

// The arguments of PipeWire's filter-chain module for the stages that are on, stereo, whose output plays into the
// sink named sinkName. reverbPlugin is the absolute path of the reverb's LADSPA file (used while the reverb is on).
std::string filterChainArgs(const SinkEffects& effects, const std::string& sinkName, const std::string& reverbPlugin);

// A drop-in for the PipeWire daemon's configuration that loads the filter with those arguments at its start.
std::string dropInText(const std::string& args);

// $XDG_CONFIG_HOME (else ~/.config) + "/pipewire/pipewire.conf.d/orvane-pelan-equaliser.conf".
std::string dropInPath();

} // namespace pelan::osconf
