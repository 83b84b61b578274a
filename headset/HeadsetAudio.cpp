#include "headset/HeadsetAudio.h"

#include "headset/AudioPropertyNames.h"
#include "headset/EqPresets.h"
#include "platform/Trace.h"

#include <algorithm>
#include <cctype>
#include <cmath>

namespace pelan {
namespace {

namespace property = audio_property;

// The output endpoint kinds, in the order they are looked for.
constexpr int kOutputKinds[] = {1, 12, 7, 4};
constexpr int kMicKind = 2;
constexpr int kCustomType = kCustomEqType;

std::string bandName(int band) {
    return property::kEqBandPrefix + std::to_string(band + 1);
}

std::string lowered(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(), [](unsigned char c) { return char(std::tolower(c)); });
    return text;
}

// A level of 0-100 from a scalar of 0-1.
int levelOf(double scalar) {
    return int(std::lround(std::clamp(scalar, 0.0, 1.0) * 100.0));
}

std::vector<int> asVector(const EqCurve& curve) {
    return std::vector<int>(curve.begin(), curve.end());
}

} // namespace

HeadsetSettings HeadsetAudioState::settings() const {
    return HeadsetSettings{magicEnabled, magicType, eqType, customEqSlot, micInOn, micInLevel, monitorOn, monitorLevel};
}

HeadsetAudio::HeadsetAudio(CDi6533Profiledata& profile, std::optional<ConfLibExports> library, MessageSink message)
    : profile_(profile), library_(std::move(library)), message_(std::move(message)) {
    if (library_)
        properties_.emplace(*library_);
}

// --- initialisation ---

void HeadsetAudio::initialise() {
    if (!library_)
        return;
    if (library_->confLibInit() != 0 && message_)
        message_(kInitFailedText);
    if (!chooseEndpoints())
        return;
    probe();
    readState();
}

bool HeadsetAudio::chooseEndpoints() {
    library_->createDeviceList();
    output_.reset();
    mic_.reset();
    int32_t outputs = 0;
    if (library_->getDeviceCount(0, &outputs) != 0 || outputs <= 0)
        return false;
    std::vector<OsConfDevice> list;
    for (int i = 0; i < outputs; ++i) {
        OsConfDevice device{};
        if (library_->getDeviceById(0, i, &device) == 0)
            list.push_back(device);
    }
    for (int kind : kOutputKinds) {
        const auto found = std::find_if(list.begin(), list.end(),
                                        [kind](const OsConfDevice& d) { return d.kind == kind && d.flag == 1; });
        if (found != list.end()) {
            output_ = AudioEndpoint{*found, {}};
            break;
        }
    }
    int32_t inputs = 0;
    if (library_->getDeviceCount(1, &inputs) == 0) {
        for (int i = 0; i < inputs && !mic_; ++i) {
            OsConfDevice device{};
            if (library_->getDeviceById(1, i, &device) == 0 && device.kind == kMicKind)
                mic_ = AudioEndpoint{device, {}};
        }
    }
    if (mic_)
        readFeatureReport(*mic_);
    if (output_)
        readFeatureReport(*output_);
    if (!output_)
        trace("audio library: no headset output endpoint");
    return output_.has_value();
}

void HeadsetAudio::readFeatureReport(AudioEndpoint& endpoint) {
    if (endpoint.device.kind < 1)
        return;
    const std::optional<std::string> report = properties_->readText(endpoint, property::kSupportFeature);
    const std::optional<std::array<int, 3>> support = parseFeatureReport(report.value_or(""));
    if (!support) {
        if (message_)
            message_(kFeatureReportFailedText);
        return;
    }
    endpoint.support = *support;
}

bool HeadsetAudio::voiceChangerOffered() const {
    return mic_ && (mic_->support[0] & 0x20000) != 0;
}

// Every property the library has no value for starts at 0.
void HeadsetAudio::probe() {
    struct Probe {
        bool onMic;
        std::string name;
        std::optional<int32_t> channel;
    };
    std::vector<Probe> probes = {{false, property::kSurround, std::nullopt},
                                 {true, property::kNoiseCancellation, std::nullopt},
                                 {true, property::kVolume, kMicChannel},
                                 {false, property::kEqualiser, std::nullopt}};
    for (int band = 0; band < kEqBandCount; ++band)
        probes.push_back({false, bandName(band), std::nullopt});
    for (Probe probe : std::initializer_list<Probe>{{false, property::kReverb, std::nullopt},
                                                    {false, property::kReverbEnvironment, std::nullopt},
                                                    {false, property::kReverbRoomSize, std::nullopt},
                                                    {true, property::kMute, std::nullopt},
                                                    {true, property::kVolumeScalar, kMicChannel},
                                                    {true, property::kMonitorVolume, kMonitorChannel},
                                                    {true, property::kMonitorMute, std::nullopt},
                                                    {true, property::kMonitorVolumeScalar, kMonitorChannel},
                                                    {true, property::kVoiceChanger, std::nullopt},
                                                    {true, property::kVoiceSelection, std::nullopt}})
        probes.push_back(probe);
    for (const Probe& probe : probes) {
        const std::optional<AudioEndpoint>& endpoint = probe.onMic ? mic_ : output_;
        if (!endpoint || properties_->readText(*endpoint, probe.name, probe.channel))
            continue;
        if (probe.name == property::kSurround)
            properties_->writeSurround(*endpoint, 0);
        else if (probe.name == property::kVolumeScalar || probe.name == property::kMonitorVolumeScalar)
            properties_->writeFloat(*endpoint, probe.name, 0.0f, probe.channel);
        else
            properties_->writeInt(*endpoint, probe.name, 0, probe.channel);
    }
}

// --- the state ---

void HeadsetAudio::loadFromProfile() {
    const HeadsetSettings settings = profile_.readHeadsetSettings();
    state_.magicEnabled = settings.magicEnable;
    state_.magicType = settings.magicType;
    state_.eqType = settings.eqType;
    state_.customEqSlot = settings.customEqSlot;
    state_.micInOn = settings.micInSelect;
    state_.micInLevel = settings.micInValue;
    state_.monitorOn = settings.micMonitorSelect;
    state_.monitorLevel = settings.micMonitorValue;
    state_.micMuted = state_.micInOn == 0;
    state_.monitorMuted = state_.monitorOn == 0;
    state_.customEqNames = profile_.readCustomEqNames();
    const bool custom = state_.eqType == kCustomType;
    state_.eqValues = custom ? profile_.readCustomEqValues(state_.customEqSlot) : profile_.readEqValues(state_.eqType);
    const bool listed = state_.customEqSlot >= 0 && size_t(state_.customEqSlot) < state_.customEqNames.size();
    state_.customSelection = listed ? state_.customEqSlot : -1;
}

void HeadsetAudio::readState() {
    if (!library_)
        return;
    if (!output_ && !chooseEndpoints())
        return;
    if (const std::optional<double> on = properties_->readNumber(*output_, property::kEqualiser))
        state_.eqOn = *on != 0;
    readEqApplied();
    readOutputEffects();
    if (!mic_)
        return;
    if (const std::optional<double> muted = properties_->readNumber(*mic_, property::kMute)) {
        state_.micMuted = *muted != 0;
        state_.micInOn = state_.micMuted ? 0 : 1;
    }
    if (const std::optional<double> level = properties_->readNumber(*mic_, property::kVolumeScalar, kMicChannel))
        state_.micInLevel = levelOf(*level);
    if (properties_->readText(*mic_, property::kMonitorMaxVolume)) {
        if (const std::optional<double> muted = properties_->readNumber(*mic_, property::kMonitorMute)) {
            state_.monitorMuted = *muted != 0;
            state_.monitorOn = state_.monitorMuted ? 0 : 1;
        }
        const std::optional<double> level =
            properties_->readNumber(*mic_, property::kMonitorVolumeScalar, kMonitorChannel);
        if (level)
            state_.monitorLevel = levelOf(*level);
    }
    if (voiceChangerOffered()) {
        if (const std::optional<double> on = properties_->readNumber(*mic_, property::kVoiceChanger))
            state_.magicEnabled = *on != 0 ? 1 : 0;
    }
    const std::optional<double> selection = properties_->readNumber(*mic_, property::kVoiceSelection);
    if (selection && *selection >= 0 && *selection <= 3)
        state_.magicType = int(*selection) + 1;
    state_.micEchoOn = properties_->readNumber(*mic_, property::kMicEcho).value_or(0) != 0;
    state_.noiseCancellationOn = properties_->readNumber(*mic_, property::kNoiseCancellation).value_or(0) != 0;
    readMicEffectsApplied();
}

// A library that does not tell is taken to apply what it is given.
void HeadsetAudio::readMicEffectsApplied() {
    const auto appliedOf = [this](const char* appliedName, const char* reasonName) {
        return readOutcome(*mic_, appliedName, reasonName);
    };
    state_.voiceChangerApplied = appliedOf(property::kVoiceChangerApplied, property::kVoiceChangerNotAppliedReason);
    state_.micEchoApplied = appliedOf(property::kMicEchoApplied, property::kMicEchoNotAppliedReason);
    state_.noiseCancellationApplied =
        appliedOf(property::kNoiseCancellationApplied, property::kNoiseCancellationNotAppliedReason);
}

// A library that does not tell is taken to apply what it is given.
void HeadsetAudio::readEqApplied() {
    const std::optional<double> applied = properties_->readNumber(*output_, property::kEqualiserApplied);
    state_.eqApplied = !applied || *applied != 0;
    state_.eqNotAppliedReason.clear();
    if (!state_.eqApplied)
        state_.eqNotAppliedReason = properties_->readText(*output_, property::kEqualiserNotAppliedReason).value_or("");
}

EffectOutcome HeadsetAudio::readOutcome(const AudioEndpoint& endpoint, const char* appliedName,
                                        const char* reasonName) {
    EffectOutcome outcome;
    const std::optional<double> applied = properties_->readNumber(endpoint, appliedName);
    outcome.applied = !applied || *applied != 0;
    outcome.reason = properties_->readText(endpoint, reasonName).value_or("");
    return outcome;
}

void HeadsetAudio::readOutputEffects() {
    const auto number = [this](const char* name) { return properties_->readNumber(*output_, name).value_or(0); };
    state_.reverbOn = number(property::kReverb) != 0;
    state_.reverbEnvironment = int(number(property::kReverbEnvironment));
    state_.reverbRoomSize = int(number(property::kReverbRoomSize));
    state_.surroundOn = number(property::kSurround) != 0;
    state_.reverbOutcome = readOutcome(*output_, property::kReverbApplied, property::kReverbNotAppliedReason);
    state_.surroundOutcome = readOutcome(*output_, property::kSurroundApplied, property::kSurroundNotAppliedReason);
}

void HeadsetAudio::save() {
    if (profile_.saveProfile() != 0)
        trace("headset: the profile could not be saved");
}

void HeadsetAudio::store() {
    profile_.writeHeadsetSettings(state_.settings());
    save();
}

// --- equaliser ---

void HeadsetAudio::writeBands(const std::vector<int>& values) {
    if (!output_)
        return;
    state_.eqOn = properties_->writeInt(*output_, property::kEqualiser, 1) || state_.eqOn;
    for (int band = 0; band < kEqBandCount && size_t(band) < values.size(); ++band)
        properties_->writeInt(*output_, bandName(band), values[size_t(band)]);
    readEqApplied();
}

void HeadsetAudio::adoptLibraryBands() {
    if (!available())
        return;
    std::vector<int> playing;
    for (int band = 0; band < kEqBandCount; ++band) {
        const std::optional<double> value = properties_->readNumber(*output_, bandName(band));
        if (!value)
            return;
        playing.push_back(int(std::lround(*value)));
    }
    if (playing == state_.eqValues)
        return;
    showUnsavedCurve();
    state_.eqValues = playing;
}

// The panel turns to the custom presets; a curve moved away from a built-in preset is kept only once saved as one.
void HeadsetAudio::showUnsavedCurve() {
    if (state_.eqType == kCustomType)
        return;
    state_.eqType = kCustomType;
    state_.customSelection = -1;
}

void HeadsetAudio::selectEqPreset(int t) {
    if (!available())
        return;
    if (t == kCustomType) {
        state_.eqType = kCustomType;
        applyCustomEq(state_.customSelection);
        if (profile_.saveProfile() != 0)
            trace("headset: the profile could not be saved");
        return;
    }
    const EqCurve* curve = builtInEqPreset(t);
    if (curve == nullptr)
        return;
    state_.eqValues = asVector(*curve);
    writeBands(state_.eqValues);
    state_.eqType = t;
    profile_.writeHeadsetSettings(state_.settings());
    profile_.writeEqValues(t, state_.eqValues);
    save();
}

void HeadsetAudio::setEqualiser(bool on) {
    if (!available())
        return;
    if (on) {
        writeBands(state_.eqValues);
        return;
    }
    if (properties_->writeInt(*output_, property::kEqualiser, 0))
        state_.eqOn = false;
    readEqApplied();
}

void HeadsetAudio::setEqBand(int band, int value) {
    if (!available())
        return;
    if (band < 0 || band >= kEqBandCount)
        return;
    showUnsavedCurve();
    value = std::clamp(value, kEqBandMin, kEqBandMax);
    state_.eqValues.resize(kEqBandCount, 0);
    state_.eqValues[size_t(band)] = value;
    properties_->writeInt(*output_, bandName(band), value);
    readEqApplied();
}

void HeadsetAudio::applyCustomEq(int slot) {
    if (!available())
        return;
    if (slot < 0 || size_t(slot) >= state_.customEqNames.size())
        return;
    state_.customSelection = slot;
    state_.eqValues = profile_.readCustomEqValues(slot);
    writeBands(state_.eqValues);
    state_.customEqSlot = slot;
    store();
}

CustomEqSaved HeadsetAudio::saveCustomEq(const std::string& name) {
    if (!available())
        return CustomEqSaved::NothingSelected;
    int slot = state_.customSelection;
    if (name.empty()) {
        if (slot < 0)
            return CustomEqSaved::NothingSelected;
        state_.customEqSlot = slot;
        profile_.writeHeadsetSettings(state_.settings());
        profile_.writeCustomEqValues(slot, state_.eqValues);
        if (profile_.saveProfile() != 0)
            trace("headset: the profile could not be saved");
        return CustomEqSaved::Saved;
    }
    if (state_.customEqNames.size() >= size_t(kMaxCustomEqPresets))
        return CustomEqSaved::ListFull;
    const std::string wanted = lowered(name);
    for (const std::string& existing : state_.customEqNames) {
        if (lowered(existing) == wanted)
            return CustomEqSaved::NameInUse;
    }
    state_.customEqNames.push_back(name);
    slot = int(state_.customEqNames.size()) - 1;
    state_.customEqSlot = slot;
    state_.customSelection = slot;
    profile_.writeHeadsetSettings(state_.settings());
    profile_.writeCustomEqValues(slot, state_.eqValues);
    profile_.writeCustomEqNames(state_.customEqNames);
    save();
    return CustomEqSaved::Saved;
}

void HeadsetAudio::deleteCustomEq(int slot) {
    if (!available())
        return;
    if (slot < 0 || size_t(slot) >= state_.customEqNames.size())
        return;
    state_.customEqNames.erase(state_.customEqNames.begin() + slot);
    profile_.removeCustomEqValues(slot);
    profile_.writeCustomEqNames(state_.customEqNames);
    if (state_.customEqNames.empty()) {
        state_.eqType = 1;
        state_.customSelection = -1;
        profile_.writeHeadsetSettings(state_.settings());
        state_.eqValues = profile_.readEqValues(1);
    } else {
        state_.customEqSlot = 0;
        state_.customSelection = 0;
        profile_.writeHeadsetSettings(state_.settings());
        state_.eqValues = profile_.readCustomEqValues(0);
    }
    // The headset plays what the sliders now show, not the deleted curve.
    writeBands(state_.eqValues);
    save();
}

// --- microphone and monitor ---

bool HeadsetAudio::setLevel(const char* scalarName, const char* volumeName, int32_t channel, int level) {
    if (!mic_)
        return false;
    level = std::clamp(level, 0, 100);
    if (!properties_->writeFloat(*mic_, scalarName, float(level) / 100.0f, channel))
        return false;
    properties_->readText(*mic_, volumeName, channel);
    return true;
}

void HeadsetAudio::setMicLevel(int level) {
    if (!setLevel(property::kVolumeScalar, property::kVolume, kMicChannel, level))
        return;
    state_.micInLevel = std::clamp(level, 0, 100);
    store();
}

void HeadsetAudio::setMonitorLevel(int level) {
    if (!setLevel(property::kMonitorVolumeScalar, property::kMonitorVolume, kMonitorChannel, level))
        return;
    state_.monitorLevel = std::clamp(level, 0, 100);
    store();
}

bool HeadsetAudio::setMute(const char* name, bool muted) {
    return mic_ && properties_->writeInt(*mic_, name, muted ? 1 : 0);
}

void HeadsetAudio::toggleMicMute() {
    if (!setMute(property::kMute, !state_.micMuted))
        return;
    state_.micMuted = !state_.micMuted;
    state_.micInOn = state_.micMuted ? 0 : 1;
    store();
}

void HeadsetAudio::toggleMonitorMute() {
    if (!setMute(property::kMonitorMute, !state_.monitorMuted))
        return;
    state_.monitorMuted = !state_.monitorMuted;
    state_.monitorOn = state_.monitorMuted ? 0 : 1;
    store();
}

// --- voice changer ---

void HeadsetAudio::setVoiceChanger(bool on) {
    if (!mic_)
        return;
    properties_->writeInt(*mic_, property::kVoiceChanger, on ? 1 : 0);
    if (on) {
        properties_->writeInt(*mic_, property::kMicEcho, 0);
        state_.micEchoOn = false;
    }
    state_.magicEnabled = on ? 1 : 0;
    readMicEffectsApplied();
    store();
}

void HeadsetAudio::selectVoicePreset(int n) {
    if (n < 1 || n > 4 || !mic_)
        return;
    properties_->writeInt(*mic_, property::kVoiceSelection, n - 1);
    state_.magicType = n;
    readMicEffectsApplied();
    store();
}

// --- reverb and surround ---

void HeadsetAudio::setReverb(bool on, std::optional<int> environment, std::optional<int> roomSize) {
    if (!available())
        return;
    // While the reverb is on, each of these writes builds the sound filter anew: only what changes is written.
    if (environment) {
        const int value = std::clamp(*environment, 0, property::kReverbEnvironmentCount - 1);
        if (value != state_.reverbEnvironment)
            properties_->writeInt(*output_, property::kReverbEnvironment, value);
    }
    if (roomSize) {
        const int value = std::clamp(*roomSize, 0, property::kReverbMaxRoomSize);
        if (value != state_.reverbRoomSize)
            properties_->writeInt(*output_, property::kReverbRoomSize, value);
    }
    if (on != state_.reverbOn)
        properties_->writeInt(*output_, property::kReverb, on ? 1 : 0);
    readOutputEffects();
}

void HeadsetAudio::setSurround(bool on) {
    if (!available())
        return;
    properties_->writeSurround(*output_, on ? 1 : 0);
    readOutputEffects();
}

bool HeadsetAudio::reverbOffered() const {
    return output_ && (output_->support[1] & property::kReverbSupportBit) != 0;
}

bool HeadsetAudio::surroundOffered() const {
    return output_ && (output_->support[2] & property::kVirtualSurroundSupportBit) != 0;
}

// Echo and noise cancellation are no part of the profile's settings: the library keeps them.
void HeadsetAudio::setMicEcho(bool on) {
    switchMicEffect(property::kMicEcho, state_.micEchoOn, on);
}

void HeadsetAudio::setNoiseCancellation(bool on) {
    switchMicEffect(property::kNoiseCancellation, state_.noiseCancellationOn, on);
}

void HeadsetAudio::switchMicEffect(const char* name, bool& shown, bool on) {
    if (!mic_)
        return;
    if (properties_->writeInt(*mic_, name, on ? 1 : 0))
        shown = on;
    readMicEffectsApplied();
}

} // namespace pelan
