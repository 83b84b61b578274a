#pragma once

#include <functional>
#include <string>
#include <string_view>

namespace pelan {

// The program's diagnostic output: request and reply reports, thread starts and stops, device arrival and removal,
// UI events. Lines go to standard error while PELAN_TRACE=1; a test can take them over with setTraceSink.
void trace(std::string_view text);

// True when lines are wanted at all, so callers can skip formatting work.
bool traceEnabled();

using TraceSink = std::function<void(std::string_view)>;

// Replaces where trace lines go (an empty sink restores standard error). Returns the previous sink.
TraceSink setTraceSink(TraceSink sink);

} // namespace pelan
