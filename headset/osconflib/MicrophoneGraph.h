#pragma once

#include <array>
#include <string>
#include <utility>
#include <vector>

namespace pelan::osconf {

// The microphone effects as the library keeps them.
struct MicrophoneEffects {
    bool voiceChanger = false;
    int voicePreset = 0; // 0 to 3
    bool echo = false;
    bool noise = false;

    bool anyOn() const { return voiceChanger || echo || noise; }
};

// The filter source the user records from while an effect is on, and its description.
inline constexpr const char* kMicrophoneNodeName = "orvane_pelan_microphone";
inline constexpr const char* kMicrophoneDescription = "ORVANE Pelan microphone";
// Where noise suppression hands on to the voice changer and the echo, when both parts run.
inline constexpr const char* kDenoisedNodeName = "orvane_pelan_microphone.denoised";
// The pitch shifter of the voice changer (Debian's rubberband-ladspa).
inline constexpr const char* kPitchShifterPlugin = "ladspa-rubberband.so";

// A voice preset: how far the pitch moves, and whether the shifter keeps the formants where they were, or moves
// them along, which changes the speaker rather than the note. In the order of the tab: male, female and child move
// both; the robot keeps its formants, a lower note in the same throat, which sounds hollow.
struct VoicePreset {
    int semitones;
    bool keepFormants;
};
inline constexpr std::array<VoicePreset, 4> kVoicePresets = {{{-4, false}, {4, false}, {9, false}, {-7, true}}};

// The echo: a copy every kEchoDelaySeconds, each kEchoFeedback times as loud as the one before, as a delay line
// with feedback gives it; the fourth and quieter ones are left out.
inline constexpr double kEchoDelaySeconds = 0.18;
inline constexpr double kEchoFeedback = 0.5;
inline constexpr int kEchoRepeats = 3;

// One PipeWire module to load, with its arguments.
struct ModuleLoad {
    std::string module;
    std::string args;
};

// The modules that make the filter source out of the headset's source sourceName: WebRTC noise suppression
// (PipeWire's echo-cancel module) first, then a filter-chain with the pitch shifter (the plugin file at
// pitchShifter; "" leaves the voice changer out) and the echo. Empty when no effect is on.
std::vector<ModuleLoad> microphoneModules(const MicrophoneEffects& effects, const std::string& sourceName,
                                          const std::string& pitchShifter);

// The pitch shifter's controls for a preset, as a live filter takes them.
std::vector<std::pair<std::string, float>> voicePresetControls(int preset);

// A drop-in for the PipeWire daemon's configuration that loads those modules at its start.
std::string microphoneDropInText(const std::vector<ModuleLoad>& modules);

// $XDG_CONFIG_HOME (else ~/.config) + "/pipewire/pipewire.conf.d/orvane-pelan-microphone.conf".
std::string microphoneDropInPath();

} // namespace pelan::osconf
