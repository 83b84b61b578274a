#pragma once

#include "headset/ConfLibrary.h"

#include <array>
#include <optional>
#include <string>
#include <string_view>

namespace pelan {

// An endpoint the library listed, with the three support values of its feature report (fields 0, 4 and 6).
struct AudioEndpoint {
    OsConfDevice device{};
    std::array<int, 3> support{};
};

// The channel selectors of the level properties.
inline constexpr int32_t kMicChannel = -1;
inline constexpr int32_t kMonitorChannel = 0;

// The library's property calls on one endpoint, with the value buffers they pass cleared before each call. A read
// gives the value's text; a write sends an integer or, for the scalar volumes, a float.
class AudioProperties {
public:
    explicit AudioProperties(const ConfLibExports& library) : library_(library) {}

    std::optional<std::string> readText(const AudioEndpoint& endpoint, std::string_view name,
                                        std::optional<int32_t> channel = std::nullopt);
    // The text read as a number; nothing when the read fails or the text is not a number.
    std::optional<double> readNumber(const AudioEndpoint& endpoint, std::string_view name,
                                     std::optional<int32_t> channel = std::nullopt);
    bool writeInt(const AudioEndpoint& endpoint, std::string_view name, int32_t value,
                  std::optional<int32_t> channel = std::nullopt);
    bool writeFloat(const AudioEndpoint& endpoint, std::string_view name, float value,
                    std::optional<int32_t> channel = std::nullopt);
    // The surround property's write: its second buffer carries a record of three values (4, -1, 0).
    bool writeSurround(const AudioEndpoint& endpoint, int32_t value);

private:
    int call(const AudioEndpoint& endpoint, std::string_view name, const void* channel, size_t channelBytes,
             int direction);

    const ConfLibExports& library_;
    std::array<char, OSCONF_VALUE_BUFFER_BYTES> value_{};
    std::array<char, OSCONF_VALUE_BUFFER_BYTES> channel_{};
};

// The support values of a feature report: the integers of fields 0, 4 and 6; nothing with fewer than 7 fields.
std::optional<std::array<int, 3>> parseFeatureReport(const std::string& report);

} // namespace pelan
