#pragma once

#include "profile/CBasicProfiledata.h"

#include <optional>

namespace pelan {

inline constexpr int kEqBandCount = 10;
// The equaliser type that stands for the custom presets, kept apart from the twelve built-in curves.
inline constexpr int kCustomEqType = 13;

// The "EQHzValueInfo" element of an equaliser type: types 1-12 are their own index, the custom type has none,
// and every other type falls back to curve 1.
std::optional<int> eqPresetIndex(int eqType);

// Headset profile: audio settings, the built-in equaliser curves and the custom equaliser presets.
class CDi6533Profiledata : public CBasicProfiledata {
public:
    HeadsetSettings readHeadsetSettings();
    void writeHeadsetSettings(const HeadsetSettings& settings);
    const HeadsetSettings& getHeadsetSettings() const { return headsetSettings; }

    // Ten band values of a built-in curve; a curve the node lacks is stored as ten zeros and read as such.
    // The custom type gives no values.
    std::vector<int> readEqValues(int eqType);
    void writeEqValues(int eqType, const std::vector<int>& values);

    // As readEqValues, on custom preset `slot`; a negative slot reads ten zeros and stores nothing.
    std::vector<int> readCustomEqValues(int slot);
    void writeCustomEqValues(int slot, const std::vector<int>& values);
    // Removes the band values of custom preset `slot`; the later presets move down by one.
    void removeCustomEqValues(int slot);

    std::vector<std::string> readCustomEqNames();
    void writeCustomEqNames(const std::vector<std::string>& names);

private:
    std::vector<int> readBandValues(const char* listName, int index);
    void writeBandValues(const char* listName, int index, const std::vector<int>& values);

    HeadsetSettings headsetSettings;
};

} // namespace pelan
