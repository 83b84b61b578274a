#pragma once

#include "headset/EqPresets.h"

#include <string>

namespace pelan::osconf {

// The equaliser as the library keeps it: on or off, and the ten band values (dB).
struct EqualiserCurve {
    bool enabled = false;
    EqCurve bands{};
};

// The sound filter's names in the PipeWire graph: the sink the user plays into, and its description.
inline constexpr const char* kEqualiserNodeName = "orvane_pelan_equaliser";
inline constexpr const char* kEqualiserDescription = "ORVANE Pelan equaliser";
// Band values beyond this many dB are applied as this many dB (the sliders stop at 20).
inline constexpr int kMaxBandGainDb = 20;
// One octave per band: neighbouring bands meet about 3 dB below their peaks.
inline constexpr double kBandQ = 1.41;

// Text in quotes, as PipeWire's configuration language (JSON-like) reads it.
std::string quoted(const std::string& text);

// The control of band i (0-based) in the filter graph, e.g. "band1:Gain".
std::string bandGainControl(int band);

// The arguments of PipeWire's filter-chain module: ten peaking biquads in a row, stereo, whose output plays into the
// sink named sinkName.
std::string filterChainArgs(const EqualiserCurve& curve, const std::string& sinkName);

// A drop-in for the PipeWire daemon's configuration that loads the filter with those arguments at its start.
std::string dropInText(const std::string& args);

// $XDG_CONFIG_HOME (else ~/.config) + "/pipewire/pipewire.conf.d/orvane-pelan-equaliser.conf".
std::string dropInPath();

} // namespace pelan::osconf
