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
    "headset voice preset N | headset reverb on|off [--environment N] [--room N] | headset surround on|off";

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

// Why an effect switched on does not work on the sound, in words for the user.
std::string notAppliedText(const std::string& effect, const std::string& reason) {
    std::string why = "the library does not say why";
    if (reason == audio_property::kEqNotAppliedNoPipeWire)
        why = "PipeWire is not running";
    else if (reason == audio_property::kEqNotAppliedNoHeadsetSink)
        why = "the headset has no PipeWire sink";
    else if (reason == audio_property::kEqNotAppliedNoFilter)
        why = "the sound filter did not start";
    else if (reason == audio_property::kEffectNotAppliedNoPlugin)
        why = "its LADSPA plugin is not installed";
    return "the " + effect + " is stored but not applied: " + why;
}

// After switching the reverb or the surround: an error text unless the headset is as asked.
std::string outputEffectFailure(const std::string& effect, bool wanted, bool now, const EffectOutcome& outcome) {
    if (now != wanted)
        return "the headset did not take the " + effect + " switch";
    return wanted && !outcome.applied ? notAppliedText(effect, outcome.reason) : "";
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
        return outputEffectFailure("reverb", *parseOnOff(verb), state.reverbOn, state.reverbOutcome);
    } else if (group == "surround") {
        audio.setSurround(*parseOnOff(verb));
        return outputEffectFailure("surround", *parseOnOff(verb), state.surroundOn, state.surroundOutcome);
    }
    return {};
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
