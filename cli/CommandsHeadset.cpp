// The headset commands: the headset's audio settings through the audio configuration library, stored in the
// headset's selected profile as the window's sound and voice tabs store them.
#include "cli/Commands.h"
#include "cli/DeviceAccess.h"
#include "headset/AudioPropertyNames.h"
#include "headset/HeadsetAudio.h"

#include <charconv>

namespace pelan::cli {
namespace {

constexpr const char* kUsage =
    "usage: headset status | headset eq on|off | headset eq preset N | headset eq band I VALUE | headset eq save "
    "[NAME] | "
    "headset eq apply SLOT | headset eq delete SLOT | headset eq list | headset mic level N | "
    "headset mic mute on|off | headset monitor level N | headset monitor mute on|off | headset voice on|off | "
    "headset voice preset N | headset echo on|off | headset noise on|off | headset reverb on|off [--environment N] "
    "[--room N] | headset surround on|off";

std::optional<int> parseInt(const std::string& text, int min, int max) {
    int value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size() || value < min || value > max)
        return std::nullopt;
    return value;
}

std::optional<bool> parseOnOff(const std::string& text) {
    if (text == "on")
        return true;
    if (text == "off")
        return false;
    return std::nullopt;
}

Json::Value numbers(const std::vector<int>& values) {
    Json::Value list(Json::arrayValue);
    for (int value : values)
        list.append(value);
    return list;
}

Json::Value customList(const HeadsetAudioState& state, CDi6533Profiledata& profile) {
    Json::Value list(Json::arrayValue);
    for (size_t slot = 0; slot < state.customEqNames.size(); ++slot) {
        Json::Value entry;
        entry["slot"] = Json::UInt(slot);
        entry["name"] = state.customEqNames[slot];
        entry["bands"] = numbers(profile.readCustomEqValues(int(slot)));
        list.append(entry);
    }
    return list;
}

Json::Value statusDocument(const HeadsetAudioState& state) {
    Json::Value doc;
    doc["eq"] = state.eqOn ? "on" : "off";
    doc["eq_preset"] = state.eqType;
    doc["custom_slot"] = state.customEqSlot;
    doc["custom_selected"] = state.customSelection;
    doc["bands"] = numbers(state.eqValues);
    // Whether the sound follows the bands, or they are only kept (no PipeWire, no headset output).
    doc["eq_applied"] = state.eqApplied ? "yes" : "no";
    doc["mic"] = state.micInOn != 0 ? "on" : "muted";
    doc["mic_level"] = state.micInLevel;
    doc["monitor"] = state.monitorOn != 0 ? "on" : "muted";
    doc["monitor_level"] = state.monitorLevel;
    doc["voice_changer"] = state.magicEnabled != 0 ? "on" : "off";
    doc["voice_preset"] = state.magicType;
    // Whether each microphone effect works on the sound, or is only kept.
    doc["voice_changer_applied"] = state.voiceChangerApplied.applied ? "yes" : "no";
    doc["echo"] = state.micEchoOn ? "on" : "off";
    doc["echo_applied"] = state.micEchoApplied.applied ? "yes" : "no";
    doc["noise"] = state.noiseCancellationOn ? "on" : "off";
    doc["noise_applied"] = state.noiseCancellationApplied.applied ? "yes" : "no";
    doc["reverb"] = state.reverbOn ? "on" : "off";
    doc["reverb_environment"] = state.reverbEnvironment;
    doc["reverb_room"] = state.reverbRoomSize;
    doc["reverb_applied"] = state.reverbOutcome.applied ? "yes" : "no";
    doc["surround"] = state.surroundOn ? "on" : "off";
    doc["surround_applied"] = state.surroundOutcome.applied ? "yes" : "no";
    return doc;
}

// The reverb's options after "reverb on|off"; an error text in place of a bad one.
struct ReverbOptions {
    std::optional<int> environment;
    std::optional<int> roomSize;
    std::string error;
};

ReverbOptions reverbOptions(const Words& args) {
    ReverbOptions options;
    for (size_t i = 2; i < args.size() && options.error.empty(); i += 2) {
        const bool environment = args[i] == "--environment";
        if (!environment && args[i] != "--room") {
            options.error = "unknown reverb option " + args[i] + " (--environment N, --room N)";
        } else if (i + 1 >= args.size()) {
            options.error = args[i] + " needs a value";
        } else if (environment) {
            options.environment = parseInt(args[i + 1], 0, audio_property::kReverbEnvironmentCount - 1);
            if (!options.environment)
                options.error = "--environment is 0 to 7, not " + args[i + 1];
        } else {
            options.roomSize = parseInt(args[i + 1], 0, audio_property::kReverbMaxRoomSize);
            if (!options.roomSize)
                options.error = "--room is 0 to 100, not " + args[i + 1];
        }
    }
    return options;
}

// Checks the words of a command before anything is loaded; an error text for a wrong line.
std::string checkWords(const Words& args) {
    const std::string group = args.empty() ? "" : args[0];
    const std::string verb = args.size() > 1 ? args[1] : "";
    const size_t count = args.size();
    if (group == "status" && count == 1)
        return {};
    if (group == "eq" && ((verb == "list" && count == 2) || (verb == "save" && (count == 2 || count == 3))))
        return {};
    if (group == "eq" && count == 2 && parseOnOff(verb))
        return {};
    if (group == "eq" && count == 3 && verb == "preset")
        return parseInt(args[2], 1, kCustomEqType) ? "" : "N is 1 to 13, not " + args[2];
    if (group == "eq" && count == 3 && (verb == "delete" || verb == "apply"))
        return parseInt(args[2], 0, kMaxCustomEqPresets - 1) ? "" : "SLOT is 0 to 19, not " + args[2];
    if (group == "eq" && count == 4 && verb == "band") {
        if (!parseInt(args[2], 1, kEqBandCount))
            return "I is 1 to 10, not " + args[2];
        return parseInt(args[3], kEqBandMin, kEqBandMax) ? "" : "VALUE is -20 to 20, not " + args[3];
    }
    if ((group == "mic" || group == "monitor") && count == 3 && verb == "level")
        return parseInt(args[2], 0, 100) ? "" : "N is 0 to 100, not " + args[2];
    if ((group == "mic" || group == "monitor") && count == 3 && verb == "mute")
        return parseOnOff(args[2]) ? "" : "mute takes on or off, not " + args[2];
    if (group == "voice" && count == 2)
        return parseOnOff(verb) ? "" : "voice takes on, off or preset N, not " + verb;
    if (group == "voice" && count == 3 && verb == "preset")
        return parseInt(args[2], 1, 4) ? "" : "N is 1 to 4, not " + args[2];
    if (group == "reverb" && count >= 2 && parseOnOff(verb))
        return reverbOptions(args).error;
    if (group == "surround" && count == 2)
        return parseOnOff(verb) ? "" : "surround takes on or off, not " + verb;
    if ((group == "echo" || group == "noise") && count == 2)
        return parseOnOff(verb) ? "" : group + " takes on or off, not " + verb;
    return kUsage;
}

std::string saveFailure(CustomEqSaved result) {
    switch (result) {
    case CustomEqSaved::NameInUse:
        return "a custom preset of that name exists already (names are compared ignoring case)";
    case CustomEqSaved::ListFull:
        return "there are 20 custom presets already";
    case CustomEqSaved::NothingSelected:
        return "no custom preset is selected to overwrite: give a NAME";
    default:
        return {};
    }
}

// The library's word for why an effect is only kept, as the user reads it; plugin names what the effect's plugin is
// and where it comes from.
std::string notAppliedText(const std::string& reason, const char* plugin) {
    if (reason == audio_property::kEffectNotAppliedNoPlugin)
        return std::string(plugin) + " is not installed";
    static const std::pair<const char*, const char*> kTexts[] = {
        {audio_property::kEqNotAppliedNoPipeWire, "PipeWire is not running"},
        {audio_property::kEffectNotAppliedNoHeadsetSource, "the headset's microphone is not in the PipeWire graph"},
        {audio_property::kEqNotAppliedNoHeadsetSink, "the headset's output is not in the PipeWire graph"},
        {audio_property::kEqNotAppliedNoFilter, "the filter did not start"},
    };
    for (const auto& [word, text] : kTexts) {
        if (reason == word)
            return text;
    }
    return reason.empty() ? "the library does not say why" : reason;
}

// An error text when an effect the command switched on is not on, or only kept.
std::string effectFailure(const std::string& group, const HeadsetAudioState& state) {
    struct Effect {
        const char* group;
        const char* name;
        const char* plugin;
        bool on;
        const EffectOutcome& outcome;
    };
    const Effect effects[] = {{"voice", "voice changer", "the pitch shifter (Debian package rubberband-ladspa)",
                               state.magicEnabled != 0, state.voiceChangerApplied},
                              {"echo", "microphone echo", "its plugin", state.micEchoOn, state.micEchoApplied},
                              {"noise", "noise cancellation", "WebRTC processing (Debian package libspa-0.2-modules)",
                               state.noiseCancellationOn, state.noiseCancellationApplied},
                              {"reverb", "reverb", "its LADSPA plugin GVerb (Debian package swh-plugins)",
                               state.reverbOn, state.reverbOutcome},
                              {"surround", "surround", "its plugin", state.surroundOn, state.surroundOutcome}};
    for (const Effect& effect : effects) {
        if (group != effect.group)
            continue;
        if (!effect.outcome.applied && effect.on)
            return std::string("the ") + effect.name +
                   " is stored but not applied: " + notAppliedText(effect.outcome.reason, effect.plugin);
    }
    return {};
}

// Runs a checked command on the headset's audio settings; an error text when it failed.
std::string runChecked(const Words& args, HeadsetAudio& audio) {
    const std::string& group = args[0];
    const std::string verb = args.size() > 1 ? args[1] : "";
    const HeadsetAudioState& state = audio.state();
    if (group == "eq" && verb == "preset")
        audio.selectEqPreset(*parseInt(args[2], 1, kCustomEqType));
    else if (group == "eq" && verb == "band")
        audio.setEqBand(*parseInt(args[2], 1, kEqBandCount) - 1, *parseInt(args[3], kEqBandMin, kEqBandMax));
    else if (group == "eq" && parseOnOff(verb))
        audio.setEqualiser(*parseOnOff(verb));
    else if (group == "eq" && verb == "save")
        return saveFailure(audio.saveCustomEq(args.size() == 3 ? args[2] : ""));
    else if (group == "eq" && (verb == "apply" || verb == "delete")) {
        const int slot = *parseInt(args[2], 0, kMaxCustomEqPresets - 1);
        if (size_t(slot) >= state.customEqNames.size())
            return "there is no custom preset " + args[2];
        verb == "apply" ? audio.applyCustomEq(slot) : audio.deleteCustomEq(slot);
    } else if (verb == "level") {
        const int level = *parseInt(args[2], 0, 100);
        group == "mic" ? audio.setMicLevel(level) : audio.setMonitorLevel(level);
        if ((group == "mic" ? state.micInLevel : state.monitorLevel) != level)
            return "the headset did not take the " + group + " level";
    } else if (verb == "mute") {
        const bool muted = *parseOnOff(args[2]);
        const bool now = group == "mic" ? state.micMuted : state.monitorMuted;
        if (now != muted)
            group == "mic" ? audio.toggleMicMute() : audio.toggleMonitorMute();
        if ((group == "mic" ? state.micMuted : state.monitorMuted) != muted)
            return "the headset did not take the " + group + " mute";
    } else if (group == "voice" && verb == "preset") {
        audio.selectVoicePreset(*parseInt(args[2], 1, 4));
    } else if (group == "voice") {
        audio.setVoiceChanger(*parseOnOff(verb));
    } else if (group == "reverb") {
        const ReverbOptions options = reverbOptions(args);
        audio.setReverb(*parseOnOff(verb), options.environment, options.roomSize);
    } else if (group == "surround") {
        audio.setSurround(*parseOnOff(verb));
    } else if (group == "echo") {
        audio.setMicEcho(*parseOnOff(verb));
    } else if (group == "noise") {
        audio.setNoiseCancellation(*parseOnOff(verb));
    }
    if (const std::optional<bool> wanted = parseOnOff(verb);
        wanted && (group == "reverb" || group == "surround") &&
        *wanted != (group == "reverb" ? state.reverbOn : state.surroundOn))
        return "the headset did not take the " + group + " switch";
    return effectFailure(group, state);
}

} // namespace

CommandResult headsetCommand(const Words& args) {
    if (std::string wrong = checkWords(args); !wrong.empty())
        return usageFailed(wrong);
    std::unique_ptr<DeviceAccess> access = DeviceAccess::make(CliKind::Headset);
    if (std::string error = access->bindProfiles(); !error.empty())
        return failed(error);
    auto& profile = static_cast<CDi6533Profiledata&>(access->profile());
    access->model().loadProfileIntoPage();
    const std::string path = confLibraryPath();
    std::vector<std::string> messages;
    HeadsetAudio audio(profile, loadConfLibrary(path),
                       [&messages](const std::string& text) { messages.push_back(text); });
    if (!audio.libraryLoaded())
        return failed("the audio configuration library is not available (" + path + ")");
    // As the window connects: the library first, then the profile, then the device's state.
    audio.initialise();
    audio.loadFromProfile();
    audio.readState();
    if (!audio.available())
        return failed("the headset's audio endpoints were not found");
    audio.adoptLibraryBands();
    if (std::string error = runChecked(args, audio); !error.empty())
        return failed(error);
    Json::Value doc = args[0] == "eq" && args[1] == "list" ? Json::Value() : statusDocument(audio.state());
    if (args[0] == "eq" && args[1] == "list")
        doc["custom_presets"] = customList(audio.state(), profile);
    for (const std::string& message : messages)
        doc["library_messages"].append(message);
    return succeeded(doc);
}

} // namespace pelan::cli
