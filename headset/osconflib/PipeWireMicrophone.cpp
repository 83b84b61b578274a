#include "headset/osconflib/PipeWireMicrophone.h"

#include "headset/AudioPropertyNames.h"
#include "headset/osconflib/FilterHost.h"
#include "headset/osconflib/LadspaPlugins.h"
#include "platform/Trace.h"

#include <fstream>
#include <sstream>

namespace pelan::osconf {
namespace {

constexpr auto kFilterStartTimeout = std::chrono::milliseconds(5000);

std::optional<GraphNode> headsetSource(const PipeWireSession& session, int headsetCard) {
    return headsetNode(session, "Audio/Source", "PELAN_PIPEWIRE_SOURCE", headsetCard);
}

std::string fileText(const std::string& path) {
    std::ifstream file(path);
    std::ostringstream text;
    text << file.rdbuf();
    return text.str();
}

bool isOurs(const std::string& nodeName) {
    return nodeName.starts_with(kMicrophoneNodeName);
}

// Every node of the filter goes, each module of it with its node, wherever it was loaded.
void removeFilter(PipeWireSession& session) {
    std::vector<uint32_t> ours;
    for (const GraphNode& node : session.nodes()) {
        if (isOurs(node.name))
            ours.push_back(node.id);
    }
    for (uint32_t id : ours)
        session.destroy(id);
}

std::vector<std::string> helperArguments(const std::vector<ModuleLoad>& modules) {
    std::vector<std::string> args;
    for (const ModuleLoad& module : modules) {
        args.push_back(module.module);
        args.push_back(module.args);
    }
    return args;
}

bool effectOn(MicrophoneEffect effect, const MicrophoneEffects& effects) {
    switch (effect) {
    case MicrophoneEffect::VoiceChanger:
        return effects.voiceChanger;
    case MicrophoneEffect::Echo:
        return effects.echo;
    default:
        return effects.noise;
    }
}

// Whether the running filter, as its drop-in describes it, differs from the wanted one by the voice preset alone.
bool onlyThePresetDiffers(const MicrophoneEffects& effects, const std::string& source, const std::string& pitchShifter,
                          const std::string& running) {
    if (!effects.voiceChanger || pitchShifter.empty())
        return false;
    MicrophoneEffects other = effects;
    for (other.voicePreset = 0; other.voicePreset < int(kVoicePresets.size()); ++other.voicePreset) {
        if (microphoneDropInText(microphoneModules(other, source, pitchShifter)) == running)
            return true;
    }
    return false;
}

} // namespace

bool PipeWireMicrophone::apply(const MicrophoneEffects& effects, int headsetCard) {
    const std::string dropIn = microphoneDropInPath();
    // Switched off, the drop-in goes even while no daemon runs, so that the daemon's next start loads no filter.
    if (!effects.anyOn())
        removeDropIn(dropIn);
    PipeWireSession session;
    if (!session.connected())
        return !effects.anyOn();
    const std::optional<GraphNode> source = headsetSource(session, headsetCard);
    // The headset unplugged: a filter and drop-in of effects left on stay, and take the headset again when it is
    // back.
    if (!source && effects.anyOn()) {
        trace("audio library: the headset has no PipeWire source; its microphone effects are kept but not applied");
        return false;
    }
    const std::string pitchShifter = findLadspaPlugin(kPitchShifterPlugin);
    const bool complete = !effects.voiceChanger || !pitchShifter.empty();
    const std::vector<ModuleLoad> modules =
        effects.anyOn() ? microphoneModules(effects, source->name, pitchShifter) : std::vector<ModuleLoad>{};
    const std::string text = microphoneDropInText(modules);
    const bool live = session.node(kMicrophoneNodeName).has_value();
    // The filter that runs is the one wanted (the program started again, the headset plugged in again).
    if (live && !modules.empty() && fileText(dropIn) == text)
        return complete;
    // Another voice preset: the running pitch shifter takes it, without a gap in the sound.
    if (live && !modules.empty() && onlyThePresetDiffers(effects, source->name, pitchShifter, fileText(dropIn))) {
        const std::optional<GraphNode> chain = session.node(std::string(kMicrophoneNodeName) + ".input");
        if (chain && session.setControls(chain->id, voicePresetControls(effects.voicePreset))) {
            if (!writeDropIn(dropIn, text))
                trace("audio library: the PipeWire drop-in of the microphone could not be written");
            return complete;
        }
    }
    const std::optional<std::string> defaultSource = session.defaultSource();
    const bool wasDefault = defaultSource && ((source && *defaultSource == source->name) || isOurs(*defaultSource));
    removeFilter(session);
    if (modules.empty()) {
        removeDropIn(dropIn);
        if (source && wasDefault)
            session.chooseDefaultSource(source->name);
        return !effects.anyOn();
    }
    if (!writeDropIn(dropIn, text))
        trace("audio library: the PipeWire drop-in of the microphone could not be written");
    if (!startHelper(helper_, helperArguments(modules)) ||
        !session.waitForNode(kMicrophoneNodeName, kFilterStartTimeout))
        return false;
    // What recorded from the headset now records through the filter; a source the user chose elsewhere stays.
    if (wasDefault)
        session.chooseDefaultSource(kMicrophoneNodeName);
    return complete;
}

const char* PipeWireMicrophone::whyNotInForce(MicrophoneEffect effect, const MicrophoneEffects& effects,
                                              int headsetCard) {
    PipeWireSession session;
    if (!session.connected())
        return audio_property::kEqNotAppliedNoPipeWire;
    const std::optional<GraphNode> source = headsetSource(session, headsetCard);
    if (!source)
        return audio_property::kEffectNotAppliedNoHeadsetSource;
    const std::string pitchShifter = findLadspaPlugin(kPitchShifterPlugin);
    if (effect == MicrophoneEffect::VoiceChanger && pitchShifter.empty())
        return audio_property::kEffectNotAppliedNoPlugin;
    if (!effectOn(effect, effects))
        return nullptr;
    // The live filter is the one the drop-in describes for these effects.
    const bool current = fileText(microphoneDropInPath()) ==
                         microphoneDropInText(microphoneModules(effects, source->name, pitchShifter));
    return session.node(kMicrophoneNodeName) && current ? nullptr : audio_property::kEqNotAppliedNoFilter;
}

} // namespace pelan::osconf
