#pragma once

#include "headset/AudioPropertyNames.h"
#include "headset/OsConfLibAbi.h"

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace pelan::osconf {

// Where the library's endpoints and their properties come from: the headset's sound card, or a simulated headset.
class ConfBackend {
public:
    virtual ~ConfBackend() = default;
    // The endpoints of list 0 (outputs) or list 1 (inputs), found anew.
    virtual std::vector<OsConfDevice> listDevices(int list) = 0;
    // A property's value as text; nothing when the endpoint lacks it or it cannot be read.
    virtual std::optional<std::string> read(const OsConfDevice& device, std::string_view property) = 0;
    virtual bool write(const OsConfDevice& device, std::string_view property, double value) = 0;
};

// The properties whose values are 32-bit floats on a write.
bool isScalarProperty(std::string_view property);

// Properties no mixer control carries: the library keeps them in its state file so they read back what was written.
bool isStoredProperty(std::string_view property);

// "Enable_EQ_GFX" and the ten "EQ_Slider" bands.
bool isEqualiserProperty(std::string_view property);

// The equaliser's, the reverb's and the virtual surround's properties: what the headset's sound filter is built from.
bool isSinkEffectProperty(std::string_view property);

// The feature report of an endpoint: seven comma-separated integers; field 0 carries the voice changer's bit, field 4
// the output effects, field 6 the surround modes (stereo always). The sound card's output sets an effect's bit only
// while the effect could work now.
inline constexpr int kVoiceChangerFeature = 0x20000;
inline constexpr int kEqualiserFeature = 0x1;
inline constexpr int kReverbFeature = audio_property::kReverbSupportBit;
inline constexpr int kStereoMode = 0x1;
inline constexpr int kVirtualSurroundMode = audio_property::kVirtualSurroundSupportBit;
struct OutputFeatures {
    int effects = kEqualiserFeature;
    int surroundModes = kStereoMode;
};
std::string featureReport(bool voiceChanger, OutputFeatures output = {});

// "%g"-style text of a value, as reads return it.
std::string valueText(double value);

} // namespace pelan::osconf
