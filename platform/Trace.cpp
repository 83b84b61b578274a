#include "platform/Trace.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <mutex>

namespace pelan {
namespace {

std::mutex& sinkMutex() {
    static std::mutex mutex;
    return mutex;
}

TraceSink& currentSink() {
    static TraceSink sink;
    return sink;
}

bool environmentWantsTrace() {
    static const bool wanted = [] {
        const char* value = std::getenv("PELAN_TRACE");
        return value != nullptr && std::strcmp(value, "1") == 0;
    }();
    return wanted;
}

} // namespace

bool traceEnabled() {
    std::lock_guard lock(sinkMutex());
    return currentSink() || environmentWantsTrace();
}

void trace(std::string_view text) {
    std::lock_guard lock(sinkMutex());
    if (currentSink()) {
        currentSink()(text);
        return;
    }
    if (!environmentWantsTrace())
        return;
    std::fwrite(text.data(), 1, text.size(), stderr);
    if (text.empty() || text.back() != '\n')
        std::fputc('\n', stderr);
}

TraceSink setTraceSink(TraceSink sink) {
    std::lock_guard lock(sinkMutex());
    TraceSink previous = std::move(currentSink());
    currentSink() = std::move(sink);
    return previous;
}

} // namespace pelan
