#pragma once

// The OpenRGB SDK network protocol on the wire: the packet header, the packet IDs we take part in, and the data
// blocks of controller descriptions and modes in each protocol version. All integers are little-endian; strings are
// a 16-bit length (terminating zero included) and the bytes with the zero.

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace pelan::rgb {

// The highest protocol version this server speaks: 4 brings zone segments and the plugin list, 5 and later zone
// and controller flags and segment editing, which our fixed zones have no use for.
inline constexpr uint32_t kHighestVersion = 4;
inline constexpr uint16_t kDefaultPort = 6742;
inline constexpr std::array<char, 4> kMagic = {'O', 'R', 'G', 'B'};
inline constexpr size_t kHeaderSize = 16;

namespace packet {
inline constexpr uint32_t kControllerCount = 0;
inline constexpr uint32_t kControllerData = 1;
inline constexpr uint32_t kProtocolVersion = 40;
inline constexpr uint32_t kSetClientName = 50;
inline constexpr uint32_t kDeviceListUpdated = 100;
inline constexpr uint32_t kRescanDevices = 140;
inline constexpr uint32_t kProfileList = 150;
inline constexpr uint32_t kSaveProfile = 151;
inline constexpr uint32_t kLoadProfile = 152;
inline constexpr uint32_t kDeleteProfile = 153;
inline constexpr uint32_t kPluginList = 200;
inline constexpr uint32_t kPluginSpecific = 201;
inline constexpr uint32_t kResizeZone = 1000;
inline constexpr uint32_t kUpdateLeds = 1050;
inline constexpr uint32_t kUpdateZoneLeds = 1051;
inline constexpr uint32_t kUpdateSingleLed = 1052;
inline constexpr uint32_t kSetCustomMode = 1100;
inline constexpr uint32_t kUpdateMode = 1101;
inline constexpr uint32_t kSaveMode = 1102;
} // namespace packet

// Controller types of the protocol that our devices are.
enum class DeviceType : int32_t { Keyboard = 5, Mouse = 6, Mousemat = 7, Headset = 8 };

namespace modeflag {
inline constexpr uint32_t kSpeed = 1u << 0;
inline constexpr uint32_t kDirectionLeftRight = 1u << 1;
inline constexpr uint32_t kBrightness = 1u << 4;
inline constexpr uint32_t kPerLedColour = 1u << 5;
inline constexpr uint32_t kModeColour = 1u << 6;
inline constexpr uint32_t kRandomColour = 1u << 7;
} // namespace modeflag

enum class ColourMode : uint32_t { None = 0, PerLed = 1, ModeSpecific = 2, Random = 3 };
inline constexpr uint32_t kDirectionLeft = 0;
inline constexpr uint32_t kDirectionRight = 1;
enum class ZoneType : int32_t { Single = 0, Linear = 1, Matrix = 2 };

// A colour as the protocol carries it: red in the low byte, then green and blue; the top byte is unused.
using Colour = uint32_t;
constexpr Colour colourOf(uint8_t red, uint8_t green, uint8_t blue) {
    return Colour{red} | (Colour{green} << 8) | (Colour{blue} << 16);
}

struct PacketHeader {
    uint32_t device = 0;
    uint32_t id = 0;
    uint32_t size = 0;
};
// The header at the start of `bytes` (at least kHeaderSize of them); nothing when the magic is wrong.
std::optional<PacketHeader> readHeader(std::span<const uint8_t> bytes);
// A whole packet: header and payload.
std::vector<uint8_t> makePacket(uint32_t device, uint32_t id, std::span<const uint8_t> payload = {});

struct Mode {
    std::string name;
    int32_t value = 0;
    uint32_t flags = 0;
    uint32_t speedMin = 0;
    uint32_t speedMax = 0;
    uint32_t brightnessMin = 0;
    uint32_t brightnessMax = 0;
    uint32_t coloursMin = 0;
    uint32_t coloursMax = 0;
    uint32_t speed = 0;
    uint32_t brightness = 0;
    uint32_t direction = 0;
    ColourMode colourMode = ColourMode::None;
    std::vector<Colour> colours;
};

struct Zone {
    std::string name;
    ZoneType type = ZoneType::Linear;
    uint32_t start = 0; // first LED of the zone in the controller's LED list
    uint32_t count = 0;
};

struct Controller {
    DeviceType type = DeviceType::Mouse;
    std::string name;
    std::string vendor;
    std::string description;
    std::string version;
    std::string serial;
    std::string location;
    int32_t activeMode = 0;
    std::vector<Mode> modes;
    std::vector<Zone> zones;
    std::vector<std::string> ledNames;
    std::vector<Colour> colours; // one per LED
};

// The controller data block of a protocol version (the leading size included), as the answer to a controller
// data request carries it.
std::vector<uint8_t> controllerData(const Controller& controller, uint32_t version);

// Appends little-endian values and protocol strings.
class Writer {
public:
    void u16(uint16_t value);
    void u32(uint32_t value);
    void i32(int32_t value) { u32(uint32_t(value)); }
    void text(const std::string& value);
    void mode(const Mode& mode, uint32_t version);
    std::vector<uint8_t>& bytes() { return bytes_; }

private:
    std::vector<uint8_t> bytes_;
};

// Reads little-endian values and protocol strings; any read past the end fails the reader for good.
class Reader {
public:
    explicit Reader(std::span<const uint8_t> bytes) : bytes_(bytes) {}
    std::optional<uint16_t> u16();
    std::optional<uint32_t> u32();
    std::optional<int32_t> i32();
    std::optional<std::string> text();
    std::optional<Mode> mode(uint32_t version);
    bool ok() const { return ok_; }
    size_t left() const { return bytes_.size() - at_; }

private:
    bool take(size_t count, const uint8_t*& where);

    std::span<const uint8_t> bytes_;
    size_t at_ = 0;
    bool ok_ = true;
};

// The colour list of an update-LEDs payload: size, count and colours.
std::optional<std::vector<Colour>> readLedUpdate(std::span<const uint8_t> payload);
struct ZoneUpdate {
    uint32_t zone = 0;
    std::vector<Colour> colours;
};
std::optional<ZoneUpdate> readZoneUpdate(std::span<const uint8_t> payload);
struct SingleLedUpdate {
    int32_t led = 0;
    Colour colour = 0;
};
std::optional<SingleLedUpdate> readSingleLedUpdate(std::span<const uint8_t> payload);
struct ModeUpdate {
    int32_t index = 0;
    Mode mode;
};
// An update-mode or save-mode payload in the protocol version the client speaks.
std::optional<ModeUpdate> readModeUpdate(std::span<const uint8_t> payload, uint32_t version);

} // namespace pelan::rgb
