#pragma once

#include <array>

namespace pelan {

inline constexpr int kBuiltInEqPresets = 12;
using EqCurve = std::array<int, 10>;

// The centre frequencies of the ten bands in Hz: octaves from 31 Hz to 16 kHz, as the sound filter places them and
// the headset panel labels them.
inline constexpr std::array<int, 10> kEqBandFrequencies = {31, 63, 125, 250, 500, 1000, 2000, 4000, 8000, 16000};

// The band values of built-in equaliser preset t (1 to 12), as sent to the library; null for any other t.
const EqCurve* builtInEqPreset(int t);

} // namespace pelan
