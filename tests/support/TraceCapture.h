#pragma once

#include "platform/Trace.h"

#include <algorithm>
#include <mutex>
#include <string>
#include <vector>

namespace pelan::test {

// Collects the trace lines of any thread while it lives, and gives the previous sink back when it goes, also when a
// test ends early.
class TraceCapture {
public:
    TraceCapture()
        : previous_(setTraceSink([this](std::string_view line) {
              std::lock_guard guard(lock_);
              lines_.emplace_back(line);
          })) {}
    ~TraceCapture() { setTraceSink(previous_); }
    TraceCapture(const TraceCapture&) = delete;
    TraceCapture& operator=(const TraceCapture&) = delete;

    // How many lines hold `text`.
    long count(const std::string& text) const {
        std::lock_guard guard(lock_);
        return std::count_if(lines_.begin(), lines_.end(),
                             [&](const std::string& line) { return line.find(text) != std::string::npos; });
    }

private:
    mutable std::mutex lock_;
    std::vector<std::string> lines_;
    TraceSink previous_;
};

} // namespace pelan::test
