#include "rgbserver/SdkWire.h"

#include <algorithm>
#include <cstring>
#include <limits>

namespace pelan::rgb {
namespace {

// Versions in which a field joined the blocks.
constexpr uint32_t kVendorVersion = 1;
constexpr uint32_t kBrightnessVersion = 3;
constexpr uint32_t kSegmentsVersion = 4;
constexpr size_t kColourSize = 4;

void putLe(std::vector<uint8_t>& bytes, uint32_t value, size_t width) {
    for (size_t i = 0; i < width; ++i)
        bytes.push_back(uint8_t(value >> (8 * i)));
}

uint32_t getLe(const uint8_t* at, size_t width) {
    uint32_t value = 0;
    for (size_t i = 0; i < width; ++i)
        value |= uint32_t(at[i]) << (8 * i);
    return value;
}

void writeZone(Writer& out, const Zone& zone, uint32_t version) {
    out.text(zone.name);
    out.i32(int32_t(zone.type));
    out.u32(zone.count); // fixed zones: the least, the most and the count are one number
    out.u32(zone.count);
    out.u32(zone.count);
    out.u16(0); // no matrix map
    if (version >= kSegmentsVersion)
        out.u16(0);
}

std::optional<std::vector<Colour>> readColours(Reader& in) {
    const std::optional<uint16_t> count = in.u16();
    if (!count || in.left() < size_t(*count) * kColourSize)
        return std::nullopt;
    std::vector<Colour> colours(*count);
    for (Colour& colour : colours)
        colour = *in.u32();
    return colours;
}

// The size field that opens a payload block counts the whole block; a smaller or larger one is a damaged packet.
bool sizeFieldMatches(Reader& in, size_t payloadSize) {
    const std::optional<uint32_t> size = in.u32();
    return size && *size == payloadSize;
}

} // namespace

std::optional<PacketHeader> readHeader(std::span<const uint8_t> bytes) {
    if (bytes.size() < kHeaderSize || std::memcmp(bytes.data(), kMagic.data(), kMagic.size()) != 0)
        return std::nullopt;
    return PacketHeader{getLe(bytes.data() + 4, 4), getLe(bytes.data() + 8, 4), getLe(bytes.data() + 12, 4)};
}

std::vector<uint8_t> makePacket(uint32_t device, uint32_t id, std::span<const uint8_t> payload) {
    std::vector<uint8_t> bytes(kMagic.begin(), kMagic.end());
    bytes.reserve(kHeaderSize + payload.size());
    putLe(bytes, device, 4);
    putLe(bytes, id, 4);
    putLe(bytes, uint32_t(payload.size()), 4);
    bytes.insert(bytes.end(), payload.begin(), payload.end());
    return bytes;
}

void Writer::u16(uint16_t value) {
    putLe(bytes_, value, 2);
}

void Writer::u32(uint32_t value) {
    putLe(bytes_, value, 4);
}

void Writer::text(const std::string& value) {
    // A name longer than the length field can say is cut; the terminating zero always goes with it.
    const size_t length = std::min<size_t>(value.size(), std::numeric_limits<uint16_t>::max() - 1);
    u16(uint16_t(length + 1));
    bytes_.insert(bytes_.end(), value.begin(), value.begin() + std::ptrdiff_t(length));
    bytes_.push_back(0);
}

void Writer::mode(const Mode& mode, uint32_t version) {
    text(mode.name);
    i32(mode.value);
    u32(mode.flags);
    u32(mode.speedMin);
    u32(mode.speedMax);
    if (version >= kBrightnessVersion) {
        u32(mode.brightnessMin);
        u32(mode.brightnessMax);
    }
    u32(mode.coloursMin);
    u32(mode.coloursMax);
    u32(mode.speed);
    if (version >= kBrightnessVersion)
        u32(mode.brightness);
    u32(mode.direction);
    u32(uint32_t(mode.colourMode));
    u16(uint16_t(mode.colours.size()));
    for (Colour colour : mode.colours)
        u32(colour);
}

std::vector<uint8_t> controllerData(const Controller& controller, uint32_t version) {
    Writer out;
    out.u32(0); // the block's size, filled in at the end
    out.i32(int32_t(controller.type));
    out.text(controller.name);
    if (version >= kVendorVersion)
        out.text(controller.vendor);
    out.text(controller.description);
    out.text(controller.version);
    out.text(controller.serial);
    out.text(controller.location);
    out.u16(uint16_t(controller.modes.size()));
    out.i32(controller.activeMode);
    for (const Mode& mode : controller.modes)
        out.mode(mode, version);
    out.u16(uint16_t(controller.zones.size()));
    for (const Zone& zone : controller.zones)
        writeZone(out, zone, version);
    out.u16(uint16_t(controller.ledNames.size()));
    for (size_t led = 0; led < controller.ledNames.size(); ++led) {
        out.text(controller.ledNames[led]);
        out.u32(uint32_t(led));
    }
    out.u16(uint16_t(controller.colours.size()));
    for (Colour colour : controller.colours)
        out.u32(colour);
    std::vector<uint8_t>& bytes = out.bytes();
    const auto size = uint32_t(bytes.size());
    for (size_t i = 0; i < 4; ++i)
        bytes[i] = uint8_t(size >> (8 * i));
    return std::move(bytes);
}

bool Reader::take(size_t count, const uint8_t*& where) {
    if (!ok_ || left() < count) {
        ok_ = false;
        return false;
    }
    where = bytes_.data() + at_;
    at_ += count;
    return true;
}

std::optional<uint16_t> Reader::u16() {
    const uint8_t* at = nullptr;
    if (!take(2, at))
        return std::nullopt;
    return uint16_t(getLe(at, 2));
}

std::optional<uint32_t> Reader::u32() {
    const uint8_t* at = nullptr;
    if (!take(4, at))
        return std::nullopt;
    return getLe(at, 4);
}

std::optional<int32_t> Reader::i32() {
    const std::optional<uint32_t> value = u32();
    if (!value)
        return std::nullopt;
    return int32_t(*value);
}

std::optional<std::string> Reader::text() {
    const std::optional<uint16_t> length = u16();
    const uint8_t* at = nullptr;
    if (!length || !take(*length, at))
        return std::nullopt;
    std::string value(reinterpret_cast<const char*>(at), *length);
    // The terminating zero, and anything a client put after an earlier one, is not part of the name.
    value.resize(std::min(value.size(), value.find('\0')));
    return value;
}

std::optional<Mode> Reader::mode(uint32_t version) {
    Mode mode;
    const std::optional<std::string> name = text();
    if (!name)
        return std::nullopt;
    mode.name = *name;
    mode.value = i32().value_or(0);
    mode.flags = u32().value_or(0);
    mode.speedMin = u32().value_or(0);
    mode.speedMax = u32().value_or(0);
    if (version >= kBrightnessVersion) {
        mode.brightnessMin = u32().value_or(0);
        mode.brightnessMax = u32().value_or(0);
    }
    mode.coloursMin = u32().value_or(0);
    mode.coloursMax = u32().value_or(0);
    mode.speed = u32().value_or(0);
    if (version >= kBrightnessVersion)
        mode.brightness = u32().value_or(0);
    mode.direction = u32().value_or(0);
    mode.colourMode = ColourMode(u32().value_or(0));
    std::optional<std::vector<Colour>> colours = readColours(*this);
    if (!colours || !ok_)
        return std::nullopt;
    mode.colours = std::move(*colours);
    return mode;
}

std::optional<std::vector<Colour>> readLedUpdate(std::span<const uint8_t> payload) {
    Reader in(payload);
    if (!sizeFieldMatches(in, payload.size()))
        return std::nullopt;
    std::optional<std::vector<Colour>> colours = readColours(in);
    if (!colours || in.left() != 0)
        return std::nullopt;
    return colours;
}

std::optional<ZoneUpdate> readZoneUpdate(std::span<const uint8_t> payload) {
    Reader in(payload);
    if (!sizeFieldMatches(in, payload.size()))
        return std::nullopt;
    const std::optional<uint32_t> zone = in.u32();
    std::optional<std::vector<Colour>> colours = readColours(in);
    if (!zone || !colours || in.left() != 0)
        return std::nullopt;
    return ZoneUpdate{*zone, std::move(*colours)};
}

std::optional<SingleLedUpdate> readSingleLedUpdate(std::span<const uint8_t> payload) {
    Reader in(payload);
    const std::optional<int32_t> led = in.i32();
    const std::optional<uint32_t> colour = in.u32();
    if (!led || !colour || in.left() != 0)
        return std::nullopt;
    return SingleLedUpdate{*led, *colour};
}

std::optional<ModeUpdate> readModeUpdate(std::span<const uint8_t> payload, uint32_t version) {
    Reader in(payload);
    if (!sizeFieldMatches(in, payload.size()))
        return std::nullopt;
    const std::optional<int32_t> index = in.i32();
    std::optional<Mode> mode = in.mode(version);
    if (!index || !mode)
        return std::nullopt;
    return ModeUpdate{*index, std::move(*mode)};
}

} // namespace pelan::rgb
