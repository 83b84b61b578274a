#pragma once

#include <array>

namespace pelan {

inline constexpr int kBuiltInEqPresets = 12;
using EqCurve = std::array<int, 10>;

// The band values of built-in equaliser preset t (1 to 12), as sent to the library; null for any other t.
const EqCurve* builtInEqPreset(int t);

} // namespace pelan
