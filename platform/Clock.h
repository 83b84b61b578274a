#pragma once

#include <cstdint>

namespace pelan {

// Milliseconds of a clock that only moves forward, for measuring the time between events.
uint64_t monotonicMilliseconds();

} // namespace pelan
