#include "headset/osconflib/AlsaBackend.h"

#include "headset/AudioPropertyNames.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>

namespace pelan::osconf {
namespace {

namespace property = audio_property;
namespace fs = std::filesystem;
constexpr const char* kSection = "headset";

// Which property of a level or mute pair a name is.
enum class LevelPart { Scalar, Volume, Max, Min, Step, Mute };
struct LevelProperty {
    const char* name;
    bool monitor;
    LevelPart part;
};
constexpr LevelProperty kLevelProperties[] = {
    {property::kVolumeScalar, false, LevelPart::Scalar},
    {property::kVolume, false, LevelPart::Volume},
    {property::kMaxVolume, false, LevelPart::Max},
    {property::kMinVolume, false, LevelPart::Min},
    {property::kVolumeStep, false, LevelPart::Step},
    {property::kMute, false, LevelPart::Mute},
    {property::kMonitorVolumeScalar, true, LevelPart::Scalar},
    {property::kMonitorVolume, true, LevelPart::Volume},
    {property::kMonitorMaxVolume, true, LevelPart::Max},
    {property::kMonitorMinVolume, true, LevelPart::Min},
    {property::kMonitorVolumeStep, true, LevelPart::Step},
    {property::kMonitorMute, true, LevelPart::Mute},
};

const LevelProperty* levelProperty(std::string_view name) {
    for (const LevelProperty& level : kLevelProperties) {
        if (name == level.name)
            return &level;
    }
    return nullptr;
}

std::string firstLine(const fs::path& path) {
    std::ifstream file(path);
    std::string line;
    std::getline(file, line);
    return line;
}

std::string lowered(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(), [](unsigned char c) { return char(std::tolower(c)); });
    return text;
}

// "card3" gives 3; anything else nothing.
std::optional<int> cardNumber(const std::string& name) {
    if (!name.starts_with("card") || name.size() == 4 || name.size() > 6)
        return std::nullopt;
    for (size_t i = 4; i < name.size(); ++i) {
        if (!std::isdigit(static_cast<unsigned char>(name[i])))
            return std::nullopt;
    }
    return std::stoi(name.substr(4));
}

std::string dbText(long centiDb) {
    return valueText(double(centiDb) / 100.0);
}

// Each stage of the sound filter and its "_Applied" and "_NotAppliedReason" properties.
struct StageOutcome {
    SinkStage stage;
    const char* applied;
    const char* reason;
};
constexpr StageOutcome kStageOutcomes[] = {
    {SinkStage::Equaliser, property::kEqualiserApplied, property::kEqualiserNotAppliedReason},
    {SinkStage::Reverb, property::kReverbApplied, property::kReverbNotAppliedReason},
    {SinkStage::Surround, property::kSurroundApplied, property::kSurroundNotAppliedReason}};
constexpr SinkStage kStages[] = {SinkStage::Equaliser, SinkStage::Reverb, SinkStage::Surround};

// The microphone effects by their switches' names.
struct MicrophoneSwitch {
    const char* name;
    MicrophoneEffect effect;
};
constexpr MicrophoneSwitch kMicrophoneSwitches[] = {
    {property::kVoiceChanger, MicrophoneEffect::VoiceChanger},
    {property::kMicEcho, MicrophoneEffect::Echo},
    {property::kNoiseCancellation, MicrophoneEffect::Noise},
};

bool isMicrophoneEffectProperty(std::string_view name) {
    return name == property::kVoiceChanger || name == property::kVoiceSelection || name == property::kMicEcho ||
           name == property::kNoiseCancellation;
}

// "Enable_MAGICVOICE" gives "MAGICVOICE".
std::string_view effectBase(const char* switchName) {
    constexpr std::string_view kPrefix = "Enable_";
    const std::string_view name = switchName;
    return name.starts_with(kPrefix) ? name.substr(kPrefix.size()) : name;
}

} // namespace

AlsaBackend::AlsaBackend(std::string asoundRoot, MixerOpener opener, PropertyStore& store,
                         std::unique_ptr<EqualiserOutput> equaliser, std::unique_ptr<PipeWireMicrophone> microphone)
    : root_(std::move(asoundRoot)), opener_(std::move(opener)), store_(store), equaliser_(std::move(equaliser)),
      microphone_(std::move(microphone)) {
    if (equaliser_ && !storedEffects().anyOn())
        equaliser_->apply(storedEffects(), headsetCard_);
    if (microphone_ && !storedMicrophoneEffects().anyOn())
        microphone_->apply(storedMicrophoneEffects(), headsetCard_);
}

std::vector<SoundCard> listSoundCards(const std::string& asoundRoot) {
    std::vector<SoundCard> cards;
    std::error_code error;
    for (const fs::directory_entry& entry : fs::directory_iterator(asoundRoot, error)) {
        const std::optional<int> number = cardNumber(entry.path().filename().string());
        if (!number || !entry.is_directory(error))
            continue;
        SoundCard card;
        card.number = *number;
        card.usbId = lowered(firstLine(entry.path() / "usbid"));
        for (const fs::directory_entry& pcm : fs::directory_iterator(entry.path(), error)) {
            const std::string name = pcm.path().filename().string();
            if (name.starts_with("pcm") && name.ends_with("p"))
                card.playback = true;
            else if (name.starts_with("pcm") && name.ends_with("c"))
                card.capture = true;
        }
        cards.push_back(card);
    }
    std::sort(cards.begin(), cards.end(), [](const SoundCard& a, const SoundCard& b) { return a.number < b.number; });
    return cards;
}

std::vector<OsConfDevice> AlsaBackend::listDevices(int list) {
    if (list != 0 && list != 1)
        return {};
    std::vector<OsConfDevice> devices;
    headsetCard_ = -1;
    for (const SoundCard& card : listSoundCards(root_)) {
        const bool headset = card.usbId == kHeadsetUsbId;
        if (headset)
            headsetCard_ = card.number;
        if (list == 0 && card.playback)
            devices.push_back(headset ? OsConfDevice{card.number, 1, 0, 1} : OsConfDevice{card.number, 0, 0, 0});
        else if (list == 1 && card.capture)
            devices.push_back(headset ? OsConfDevice{card.number, 2, 0, 1} : OsConfDevice{card.number, 0, 0, 0});
    }
    if (list == 0)
        restoreLostEffects();
    // Effects left on come back with the headset (plugged in again, or after a log-out).
    if (list == 1 && headsetCard_ >= 0 && microphone_ && storedMicrophoneEffects().anyOn())
        microphone_->apply(storedMicrophoneEffects(), headsetCard_);
    return devices;
}

// The sound filter goes when the daemon restarts without its drop-in or an older filter lacks a stage; the headset
// plugged in again gets the effects stored on.
void AlsaBackend::restoreLostEffects() {
    const SinkEffects effects = storedEffects();
    if (!equaliser_ || headsetCard_ < 0 || !effects.anyOn())
        return;
    for (SinkStage stage : kStages) {
        const char* why = equaliser_->whyNotInForce(effects, stage, headsetCard_);
        if (why != nullptr && std::string_view(why) == property::kEqNotAppliedNoFilter) {
            equaliser_->apply(effects, headsetCard_);
            return;
        }
    }
}

OutputFeatures AlsaBackend::outputFeatures() const {
    OutputFeatures features;
    if (!equaliser_)
        return features;
    if (equaliser_->whyUnavailable(SinkStage::Equaliser, headsetCard_) != nullptr)
        features.effects &= ~kEqualiserFeature;
    if (equaliser_->whyUnavailable(SinkStage::Reverb, headsetCard_) == nullptr)
        features.effects |= kReverbFeature;
    if (equaliser_->whyUnavailable(SinkStage::Surround, headsetCard_) == nullptr)
        features.surroundModes |= kVirtualSurroundMode;
    return features;
}

// "RFX_GFX_Applied" and the like: whether the stage works on the sound, and why not.
std::optional<std::string> AlsaBackend::stageOutcome(std::string_view name) const {
    for (const StageOutcome& outcome : kStageOutcomes) {
        const bool applied = name == outcome.applied;
        const bool reason = name == outcome.reason;
        if (!applied && !reason)
            continue;
        const char* why = equaliser_->whyNotInForce(storedEffects(), outcome.stage, headsetCard_);
        if (applied)
            return why == nullptr ? "1" : "0";
        // Switched off, the reason says what would keep it from working now.
        if (why == nullptr)
            why = equaliser_->whyUnavailable(outcome.stage, headsetCard_);
        return why != nullptr ? std::optional<std::string>(why) : std::nullopt;
    }
    return std::nullopt;
}

bool AlsaBackend::isHeadsetEndpoint(const OsConfDevice& device) const {
    return headsetCard_ >= 0 && device.id == headsetCard_ && device.flag == 1;
}

// The microphone: the capture control named "Mic" where there is one, else the first capture control. The monitor:
// the microphone's playback control (the sidetone), named "Mic" or "Sidetone".
std::optional<AlsaBackend::LevelControl> AlsaBackend::levelControl(MixerSeam& mixer, bool monitor) const {
    const MixerDirection direction = monitor ? MixerDirection::Playback : MixerDirection::Capture;
    std::optional<LevelControl> chosen;
    for (const std::string& element : mixer.elementNames()) {
        if (!mixer.hasVolume(element, direction))
            continue;
        const std::string name = lowered(element);
        const bool named = name == "mic" || name.find("sidetone") != std::string::npos;
        if (named)
            return LevelControl{element, direction};
        if (!monitor && !chosen)
            chosen = LevelControl{element, direction};
    }
    return chosen;
}

std::optional<std::string> AlsaBackend::readLevel(MixerSeam& mixer, std::string_view name) {
    const LevelProperty* level = levelProperty(name);
    const std::optional<LevelControl> control = levelControl(mixer, level->monitor);
    if (!control)
        return std::nullopt;
    if (level->part == LevelPart::Mute) {
        const std::optional<bool> on = mixer.switchOn(control->element, control->direction);
        return on ? std::optional<std::string>(*on ? "0" : "1") : std::nullopt;
    }
    const std::optional<VolumeRange> range = mixer.volumeRange(control->element, control->direction);
    if (!range)
        return std::nullopt;
    switch (level->part) {
    case LevelPart::Max:
        return dbText(range->maxDb);
    case LevelPart::Min:
        return dbText(range->minDb);
    case LevelPart::Step:
        return valueText(double(range->maxDb - range->minDb) / double(range->max - range->min) / 100.0);
    case LevelPart::Volume: {
        const std::optional<long> db = mixer.volumeDb(control->element, control->direction);
        return db ? std::optional<std::string>(dbText(*db)) : std::nullopt;
    }
    default: {
        const std::optional<long> raw = mixer.volume(control->element, control->direction);
        if (!raw)
            return std::nullopt;
        return valueText(double(*raw - range->min) / double(range->max - range->min));
    }
    }
}

bool AlsaBackend::writeLevel(MixerSeam& mixer, std::string_view name, double value) {
    const LevelProperty* level = levelProperty(name);
    const std::optional<LevelControl> control = levelControl(mixer, level->monitor);
    if (!control)
        return false;
    if (level->part == LevelPart::Mute)
        return mixer.setSwitch(control->element, control->direction, value == 0);
    if (level->part != LevelPart::Scalar)
        return false;
    const std::optional<VolumeRange> range = mixer.volumeRange(control->element, control->direction);
    if (!range)
        return false;
    const double scalar = std::clamp(value, 0.0, 1.0);
    const long raw = range->min + std::lround(scalar * double(range->max - range->min));
    return mixer.setVolume(control->element, control->direction, raw);
}

SinkEffects AlsaBackend::storedEffects() const {
    const auto number = [this](const std::string& name) {
        const std::optional<std::string> text = store_.get(kSection, name);
        return text ? std::atoi(text->c_str()) : 0;
    };
    SinkEffects effects;
    effects.equaliser.enabled = number(property::kEqualiser) != 0;
    for (int band = 0; band < property::kEqBands; ++band)
        effects.equaliser.bands[size_t(band)] = number(property::kEqBandPrefix + std::to_string(band + 1));
    effects.reverb.enabled = number(property::kReverb) != 0;
    effects.reverb.environment = number(property::kReverbEnvironment);
    effects.reverb.roomSize = number(property::kReverbRoomSize);
    effects.surround = number(property::kSurround) != 0;
    return effects;
}

MicrophoneEffects AlsaBackend::storedMicrophoneEffects() const {
    const auto number = [this](const char* name) {
        const std::optional<std::string> text = store_.get(kSection, name);
        return text ? std::atoi(text->c_str()) : 0;
    };
    MicrophoneEffects effects;
    effects.voiceChanger = number(property::kVoiceChanger) != 0;
    effects.voicePreset = std::clamp(number(property::kVoiceSelection), 0, int(kVoicePresets.size()) - 1);
    effects.echo = number(property::kMicEcho) != 0;
    effects.noise = number(property::kNoiseCancellation) != 0;
    return effects;
}

std::optional<std::string> AlsaBackend::readMicrophoneApplied(std::string_view name) {
    for (const MicrophoneSwitch& effect : kMicrophoneSwitches) {
        const std::string base(effectBase(effect.name));
        const bool applied = name == base + property::kAppliedSuffix;
        if (!applied && name != base + property::kNotAppliedReasonSuffix)
            continue;
        const MicrophoneEffects effects = storedMicrophoneEffects();
        const char* why = microphone_->whyNotInForce(effect.effect, effects, headsetCard_);
        // An effect switched off is in force as it is: the sound passes unchanged.
        const bool on = std::atoi(store_.get(kSection, effect.name).value_or("0").c_str()) != 0;
        if (applied)
            return why == nullptr || !on ? "1" : "0";
        return why != nullptr ? std::optional<std::string>(why) : std::nullopt;
    }
    return std::nullopt;
}

std::optional<std::string> AlsaBackend::read(const OsConfDevice& device, std::string_view name) {
    if (!isHeadsetEndpoint(device))
        return std::nullopt;
    // The voice changer is offered only where it could work now, whether it is on or not.
    if (name == property::kSupportFeature)
        return featureReport(device.kind == 2 && microphone_ &&
                                 microphone_->whyNotInForce(MicrophoneEffect::VoiceChanger, {}, headsetCard_) ==
                                     nullptr,
                             device.kind == 1 ? outputFeatures() : OutputFeatures{});
    if (device.kind == 2 && microphone_) {
        if (std::optional<std::string> applied = readMicrophoneApplied(name))
            return applied;
    }
    if (device.kind == 1 && equaliser_) {
        if (std::optional<std::string> outcome = stageOutcome(name))
            return outcome;
    }
    if (isStoredProperty(name))
        return store_.get(kSection, name);
    if (levelProperty(name) == nullptr || device.kind != 2)
        return std::nullopt;
    std::unique_ptr<MixerSeam> mixer = opener_(device.id);
    return mixer ? readLevel(*mixer, name) : std::nullopt;
}

bool AlsaBackend::write(const OsConfDevice& device, std::string_view name, double value) {
    if (!isHeadsetEndpoint(device))
        return false;
    if (isStoredProperty(name)) {
        if (!store_.set(kSection, name, valueText(value)))
            return false;
        if (equaliser_ && device.kind == 1 && isSinkEffectProperty(name))
            equaliser_->apply(storedEffects(), headsetCard_);
        if (microphone_ && device.kind == 2 && isMicrophoneEffectProperty(name))
            microphone_->apply(storedMicrophoneEffects(), headsetCard_);
        return true;
    }
    if (levelProperty(name) == nullptr || device.kind != 2)
        return false;
    std::unique_ptr<MixerSeam> mixer = opener_(device.id);
    return mixer != nullptr && writeLevel(*mixer, name, value);
}

} // namespace pelan::osconf
