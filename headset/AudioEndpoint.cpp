#include "headset/AudioEndpoint.h"

#include <cstdlib>
#include <cstring>
#include <vector>

namespace pelan {
namespace {

std::wstring wide(std::string_view text) {
    return std::wstring(text.begin(), text.end());
}

int parsedInt(const std::string& field) {
    return int(std::strtol(field.c_str(), nullptr, 0));
}

} // namespace

int AudioProperties::call(const AudioEndpoint& endpoint, std::string_view name, const void* channel,
                          size_t channelBytes, int direction) {
    channel_.fill(0);
    if (channel != nullptr)
        std::memcpy(channel_.data(), channel, channelBytes);
    void* valueBuffer = value_.data();
    void* channelBuffer = channel_.data();
    const std::wstring property = wide(name);
    return library_.propertyControl(endpoint.device, property.c_str(), &valueBuffer,
                                    channel != nullptr ? &channelBuffer : nullptr, direction);
}

std::optional<std::string> AudioProperties::readText(const AudioEndpoint& endpoint, std::string_view name,
                                                     std::optional<int32_t> channel) {
    value_.fill(0);
    if (call(endpoint, name, channel ? &*channel : nullptr, sizeof(int32_t), OSCONF_READ) != 0)
        return std::nullopt;
    // The text ends at its NUL or at the end of the buffer, whichever comes first.
    const auto* text = reinterpret_cast<const wchar_t*>(value_.data());
    std::string narrow;
    for (size_t i = 0; i < value_.size() / sizeof(wchar_t) && text[i] != L'\0'; ++i)
        narrow.push_back(text[i] > 0 && text[i] < 0x80 ? char(text[i]) : '?');
    return narrow;
}

std::optional<double> AudioProperties::readNumber(const AudioEndpoint& endpoint, std::string_view name,
                                                  std::optional<int32_t> channel) {
    const std::optional<std::string> text = readText(endpoint, name, channel);
    if (!text)
        return std::nullopt;
    char* end = nullptr;
    const double value = std::strtod(text->c_str(), &end);
    return end != text->c_str() ? std::optional<double>(value) : std::nullopt;
}

bool AudioProperties::writeInt(const AudioEndpoint& endpoint, std::string_view name, int32_t value,
                               std::optional<int32_t> channel) {
    value_.fill(0);
    std::memcpy(value_.data(), &value, sizeof value);
    return call(endpoint, name, channel ? &*channel : nullptr, sizeof(int32_t), OSCONF_WRITE) == 0;
}

bool AudioProperties::writeFloat(const AudioEndpoint& endpoint, std::string_view name, float value,
                                 std::optional<int32_t> channel) {
    value_.fill(0);
    std::memcpy(value_.data(), &value, sizeof value);
    return call(endpoint, name, channel ? &*channel : nullptr, sizeof(int32_t), OSCONF_WRITE) == 0;
}

bool AudioProperties::writeSurround(const AudioEndpoint& endpoint, int32_t value) {
    static constexpr int32_t kSurroundRecord[3] = {4, -1, 0};
    value_.fill(0);
    std::memcpy(value_.data(), &value, sizeof value);
    return call(endpoint, "VirtualSurroundEffectControl", kSurroundRecord, sizeof kSurroundRecord, OSCONF_WRITE) == 0;
}

std::optional<std::array<int, 3>> parseFeatureReport(const std::string& report) {
    std::vector<std::string> fields(1);
    for (char c : report) {
        if (c == ',')
            fields.emplace_back();
        else
            fields.back().push_back(c);
    }
    if (fields.size() < 7)
        return std::nullopt;
    return std::array<int, 3>{parsedInt(fields[0]), parsedInt(fields[4]), parsedInt(fields[6])};
}

} // namespace pelan
