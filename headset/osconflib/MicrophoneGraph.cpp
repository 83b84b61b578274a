#include "headset/osconflib/MicrophoneGraph.h"

#include "headset/osconflib/EqualiserGraph.h"
#include "platform/Paths.h"

#include <cmath>

namespace pelan::osconf {
namespace {

constexpr const char* kFilterChainModule = "libpipewire-module-filter-chain";
constexpr const char* kEchoCancelModule = "libpipewire-module-echo-cancel";
// The nodes of the noise suppressor that nobody records from or plays into: the capture of the headset's source,
// and the reference sink and its playback, which carry silence (the headset has no loudspeaker to cancel).
constexpr const char* kNoiseCapture = "orvane_pelan_microphone.noise_input";
constexpr const char* kNoiseReference = "orvane_pelan_microphone.noise_reference";

// The WebRTC processing with only its noise suppression and high-pass filter: gain control would fight the
// microphone level the user sets, and there is nothing to cancel.
std::string noiseArgs(const std::string& sourceName, const std::string& outputName, bool lastStage) {
    const std::string description = lastStage ? kMicrophoneDescription : "ORVANE Pelan microphone (noise suppressed)";
    return "{\n"
           "        library.name = \"aec/libspa-aec-webrtc\"\n"
           "        audio.channels = 1\n        audio.position = [ MONO ]\n"
           "        aec.args = { webrtc.noise_suppression = true webrtc.high_pass_filter = true "
           "webrtc.gain_control = false webrtc.extended_filter = false webrtc.delay_agnostic = false "
           "webrtc.voice_detection = false }\n"
           "        capture.props = { node.name = " +
           quoted(kNoiseCapture) + " node.passive = true target.object = " + quoted(sourceName) + kNoSuspend +
           " }\n"
           "        source.props = { node.name = " +
           quoted(outputName) + " node.description = " + quoted(description) + kNoSuspend +
           " }\n"
           "        sink.props = { node.name = " +
           quoted(kNoiseReference) + " node.passive = true node.description = \"ORVANE Pelan microphone (no input)\"" +
           kNoSuspend +
           " }\n"
           "        playback.props = { node.name = " +
           quoted(std::string(kNoiseReference) + ".output") + " node.passive = true" + kNoSuspend + " }\n    }";
}

std::string node(const std::string& text) {
    return "            { " + text + " }\n";
}

std::string link(const std::string& from, const std::string& to) {
    return "            { output = " + quoted(from) + " input = " + quoted(to) + " }\n";
}

// The filter-chain: a copy node takes the input (so that it may feed several stages), then the pitch shifter,
// then the echo taps and their mixer.
std::string chainArgs(const MicrophoneEffects& effects, const std::string& inputName, const std::string& pitchShifter) {
    std::string nodes = node("type = builtin name = input label = copy");
    std::string links;
    std::string last = "input:Out";
    if (effects.voiceChanger && !pitchShifter.empty()) {
        const VoicePreset preset = kVoicePresets[size_t(effects.voicePreset)];
        nodes += node(
            "type = ladspa name = voice plugin = " + quoted(pitchShifter) +
            " label = rubberband-pitchshifter-mono control = { \"Semitones\" = " + std::to_string(preset.semitones) +
            " \"Formant Preserving\" = " + (preset.keepFormants ? "1" : "0") + " \"Wet-Dry Mix\" = 0 }");
        links += link(last, "voice:Input");
        last = "voice:Output";
    }
    if (effects.echo) {
        std::string gains = "\"Gain 1\" = 1.0";
        for (int tap = 1; tap <= kEchoRepeats; ++tap) {
            const std::string name = "echo" + std::to_string(tap);
            nodes += node("type = builtin name = " + name + " label = delay config = { \"max-delay\" = 1.0 } " +
                          "control = { \"Delay (s)\" = " + std::to_string(kEchoDelaySeconds) + " }");
            links += link(last, name + ":In");
            links += link(last, "echo:In " + std::to_string(tap));
            gains += " \"Gain " + std::to_string(tap + 1) + "\" = " + std::to_string(std::pow(kEchoFeedback, tap));
            last = name + ":Out";
        }
        nodes += node("type = builtin name = echo label = mixer control = { " + gains + " }");
        links += link(last, "echo:In " + std::to_string(kEchoRepeats + 1));
        last = "echo:Out";
    }
    return "{\n"
           "        node.description = " +
           quoted(kMicrophoneDescription) + "\n        media.name = " + quoted(kMicrophoneDescription) +
           "\n        filter.graph = {\n            nodes = [\n" + nodes + "            ]\n            links = [\n" +
           links + "            ]\n            inputs = [ \"input:In\" ]\n            outputs = [ " + quoted(last) +
           " ]\n        }\n"
           "        audio.channels = 1\n        audio.position = [ MONO ]\n"
           "        capture.props = { node.name = " +
           quoted(std::string(kMicrophoneNodeName) + ".input") +
           " node.passive = true target.object = " + quoted(inputName) + kNoSuspend +
           " }\n"
           "        playback.props = { node.name = " +
           quoted(kMicrophoneNodeName) + " media.class = Audio/Source" + kNoSuspend + " }\n    }";
}

} // namespace

std::vector<ModuleLoad> microphoneModules(const MicrophoneEffects& effects, const std::string& sourceName,
                                          const std::string& pitchShifter) {
    const bool chain = (effects.voiceChanger && !pitchShifter.empty()) || effects.echo;
    std::vector<ModuleLoad> modules;
    std::string input = sourceName;
    if (effects.noise) {
        const std::string output = chain ? kDenoisedNodeName : kMicrophoneNodeName;
        modules.push_back({kEchoCancelModule, noiseArgs(sourceName, output, !chain)});
        input = output;
    }
    if (chain)
        modules.push_back({kFilterChainModule, chainArgs(effects, input, pitchShifter)});
    return modules;
}

std::vector<std::pair<std::string, float>> voicePresetControls(int preset) {
    const VoicePreset& chosen = kVoicePresets[size_t(preset)];
    return {{"voice:Semitones", float(chosen.semitones)},
            {"voice:Formant Preserving", chosen.keepFormants ? 1.0f : 0.0f}};
}

std::string microphoneDropInText(const std::vector<ModuleLoad>& modules) {
    std::string text = "# Written by ORVANE Pelan while a microphone effect of its headset is on; removed when all "
                       "are switched off.\ncontext.modules = [\n";
    for (const ModuleLoad& module : modules)
        text += "    { name = " + module.module + "\n      args = " + module.args + "\n    }\n";
    return text + "]\n";
}

std::string microphoneDropInPath() {
    return xdgFolder("XDG_CONFIG_HOME", "/.config") + "pipewire/pipewire.conf.d/orvane-pelan-microphone.conf";
}

} // namespace pelan::osconf
