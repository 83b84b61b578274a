#pragma once

#include <cstdint>

namespace pelan {

// The light speed 0 (slowest) to 4 (fastest) is held by the devices as 4 - speed; the same turn converts in
// both directions. A value above 4 makes no sense either way and becomes 0, rather than wrapping to 252..255 and
// indexing past the speed tables later.
inline constexpr uint8_t kFastestLightSpeed = 4;

constexpr uint8_t lightSpeedWireTurn(uint8_t value) {
    return value > kFastestLightSpeed ? 0 : uint8_t(kFastestLightSpeed - value);
}

} // namespace pelan
