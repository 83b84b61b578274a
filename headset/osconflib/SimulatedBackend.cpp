#include "headset/osconflib/SimulatedBackend.h"

#include "headset/AudioPropertyNames.h"
#include "headset/osconflib/EqualiserGraph.h"
#include "headset/osconflib/LadspaPlugins.h"
#include "headset/osconflib/MicrophoneGraph.h"

#include <algorithm>
#include <cstdlib>

namespace pelan::osconf {
namespace {

namespace property = audio_property;

bool pitchShifterInstalled() {
    return !findLadspaPlugin(kPitchShifterPlugin).empty();
}

constexpr const char* kSection = "simulated";

// The simulated dB ranges of the microphone and of the monitor, and where their levels start.
struct SimulatedVolume {
    const char* scalar;
    const char* volume;
    const char* max;
    const char* min;
    const char* step;
    double minDb;
    double maxDb;
    double startScalar;
};
constexpr SimulatedVolume kVolumes[] = {
    {property::kVolumeScalar, property::kVolume, property::kMaxVolume, property::kMinVolume, property::kVolumeStep,
     -30.0, 12.0, 0.8},
    {property::kMonitorVolumeScalar, property::kMonitorVolume, property::kMonitorMaxVolume, property::kMonitorMinVolume,
     property::kMonitorVolumeStep, -24.0, 6.0, 0.5},
};
constexpr double kStepDb = 0.5;

bool isMute(std::string_view name) {
    return name == property::kMute || name == property::kMonitorMute;
}

} // namespace

std::vector<OsConfDevice> SimulatedBackend::listDevices(int list) {
    if (list == 0)
        return {OsConfDevice{kOtherSpeakerId, 4, 0, 0}, OsConfDevice{kOutputId, 1, 0, 1}};
    if (list == 1)
        return {OsConfDevice{kMicrophoneId, 2, 0, 1}};
    return {};
}

bool SimulatedBackend::isHeadset(const OsConfDevice& device) const {
    return device.id == kOutputId || device.id == kMicrophoneId;
}

std::optional<double> SimulatedBackend::number(std::string_view name, double fallback) const {
    const std::optional<std::string> stored = store_.get(kSection, name);
    if (!stored)
        return fallback;
    char* end = nullptr;
    const double value = std::strtod(stored->c_str(), &end);
    return end != stored->c_str() ? std::optional<double>(value) : std::nullopt;
}

std::optional<std::string> SimulatedBackend::read(const OsConfDevice& device, std::string_view name) {
    if (!isHeadset(device))
        return std::nullopt;
    // As the real headset, it offers the voice changer only where the pitch shifter is installed.
    if (name == property::kSupportFeature)
        return featureReport(pitchShifterInstalled(), {kEqualiserFeature | (reverbPluginFound() ? kReverbFeature : 0),
                                                       kStereoMode | kVirtualSurroundMode});
    if (device.kind == 2 && (name == std::string_view(property::kVoiceChangerApplied) ||
                             name == std::string_view(property::kVoiceChangerNotAppliedReason)))
        return voiceChangerOutcome(name);
    for (const SimulatedVolume& volume : kVolumes) {
        if (name == volume.max)
            return valueText(volume.maxDb);
        if (name == volume.min)
            return valueText(volume.minDb);
        if (name == volume.step)
            return valueText(kStepDb);
        const std::optional<double> scalar = number(volume.scalar, volume.startScalar);
        if (name == volume.scalar && scalar)
            return valueText(*scalar);
        if (name == volume.volume && scalar)
            return valueText(volume.minDb + *scalar * (volume.maxDb - volume.minDb));
    }
    if (isMute(name))
        return valueText(number(name, 0).value_or(0));
    if (device.kind == 1 && (name == property::kEqualiserApplied || name == property::kEqualiserNotAppliedReason))
        return equaliserOutcome(name);
    if (device.kind == 1 && (name == property::kReverbApplied || name == property::kReverbNotAppliedReason))
        return reverbOutcome(name);
    if (isStoredProperty(name))
        return store_.get(kSection, name);
    return std::nullopt;
}

// Like the sound card's, the simulated reverb wants its plugin, so that a machine without it can be tried.
bool SimulatedBackend::reverbPluginFound() {
    return !findLadspaPlugin(kReverbPluginFile).empty();
}

std::optional<std::string> SimulatedBackend::reverbOutcome(std::string_view name) const {
    if (name == property::kReverbNotAppliedReason)
        return reverbPluginFound() ? std::nullopt : std::optional<std::string>(property::kEffectNotAppliedNoPlugin);
    return reverbPluginFound() || store_.get(kSection, property::kReverb).value_or("0") == "0" ? "1" : "0";
}

// A reason put under the simulated section by hand stands for an output that only keeps the curve, so that the
// window's handling of it can be tried without taking a sound server away; the program never writes it.
std::optional<std::string> SimulatedBackend::equaliserOutcome(std::string_view name) const {
    const std::optional<std::string> why = store_.get(kSection, property::kEqualiserNotAppliedReason);
    if (name == property::kEqualiserNotAppliedReason)
        return why;
    return why ? "0" : "1";
}

// The other effects it applies as it is told; the voice changer only with the pitch shifter.
std::optional<std::string> SimulatedBackend::voiceChangerOutcome(std::string_view name) const {
    if (pitchShifterInstalled())
        return name == std::string_view(property::kVoiceChangerApplied) ? std::optional<std::string>("1")
                                                                        : std::nullopt;
    if (name == std::string_view(property::kVoiceChangerNotAppliedReason))
        return property::kEffectNotAppliedNoPlugin;
    return number(property::kVoiceChanger, 0).value_or(0) != 0 ? "0" : "1";
}

bool SimulatedBackend::write(const OsConfDevice& device, std::string_view name, double value) {
    if (!isHeadset(device))
        return false;
    if (isScalarProperty(name))
        return store_.set(kSection, name, valueText(std::clamp(value, 0.0, 1.0)));
    if (isMute(name))
        return store_.set(kSection, name, value != 0 ? "1" : "0");
    if (isStoredProperty(name))
        return store_.set(kSection, name, valueText(value));
    return false;
}

} // namespace pelan::osconf
