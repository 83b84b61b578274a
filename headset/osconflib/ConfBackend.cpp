#include "headset/osconflib/ConfBackend.h"

#include "headset/AudioPropertyNames.h"

#include <array>
#include <cstdio>

namespace pelan::osconf {

namespace property = audio_property;

bool isScalarProperty(std::string_view name) {
    return name == property::kVolumeScalar || name == property::kMonitorVolumeScalar;
}

bool isStoredProperty(std::string_view name) {
    static constexpr std::array kStored = {
        property::kVoiceChanger, property::kVoiceSelection,    property::kMicEcho,        property::kNoiseCancellation,
        property::kReverb,       property::kReverbEnvironment, property::kReverbRoomSize, property::kSurround};
    for (const char* stored : kStored) {
        if (name == stored)
            return true;
    }
    return isEqualiserProperty(name);
}

bool isEqualiserProperty(std::string_view name) {
    if (name == property::kEqualiser)
        return true;
    if (!name.starts_with(property::kEqBandPrefix))
        return false;
    const std::string_view band = name.substr(std::string_view(property::kEqBandPrefix).size());
    for (int i = 1; i <= property::kEqBands; ++i) {
        if (band == std::to_string(i))
            return true;
    }
    return false;
}

bool isSinkEffectProperty(std::string_view name) {
    return isEqualiserProperty(name) || name == property::kReverb || name == property::kReverbEnvironment ||
           name == property::kReverbRoomSize || name == property::kSurround;
}

std::string featureReport(bool voiceChanger, OutputFeatures output) {
    const int micEffects = voiceChanger ? kVoiceChangerFeature : 0;
    return std::to_string(micEffects) + ",0,0,0," + std::to_string(output.effects) + ",0," +
           std::to_string(output.surroundModes);
}

std::string valueText(double value) {
    std::array<char, 32> text{};
    std::snprintf(text.data(), text.size(), "%g", value);
    return text.data();
}

} // namespace pelan::osconf
