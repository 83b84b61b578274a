#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "rgbserver/SdkWire.h"

namespace pelan::rgb {

// What a client's session asks of the server that holds the controllers. Indexes are positions in controllers().
class SessionHost {
public:
    virtual ~SessionHost() = default;
    virtual const std::vector<Controller>& controllers() const = 0;
    // New colours for LEDs first .. first + colours.size() - 1 of a controller (the session checked the range).
    virtual void setColours(size_t controller, size_t first, std::span<const Colour> colours) = 0;
    // A mode chosen by a client (the session checked the index); true when it is the per-LED mode.
    virtual bool setMode(size_t controller, size_t modeIndex, const Mode& mode, bool save) = 0;
    // The per-LED mode chosen without mode data.
    virtual void setCustomMode(size_t controller) = 0;
};

// One client of the SDK protocol: takes the bytes it sends, answers into an output buffer and hands what it asks
// for to the host. A client that breaks the protocol (wrong magic, a packet above the size limit, a payload that
// does not parse) is refused: receive() returns false and the caller drops it.
class SdkSession {
public:
    // The largest payload taken from a client: far above any request our controllers give cause for (a full
    // keyboard frame is about 500 bytes), low enough that a client cannot make us hold much.
    static constexpr uint32_t kMaxPayload = 64 * 1024;
    static constexpr size_t kMaxNameLength = 128;

    explicit SdkSession(SessionHost& host) : host_(host) {}

    bool receive(std::span<const uint8_t> bytes);
    // Bytes waiting to go to the client; the caller removes what it sent.
    std::vector<uint8_t>& output() { return output_; }
    // Queues a packet for the client (a notice from the server).
    void send(uint32_t device, uint32_t id, std::span<const uint8_t> payload = {});

    const std::string& name() const { return name_; }
    uint32_t version() const { return version_; }
    // Whether the client drives LEDs itself (it sent colours or chose the per-LED mode).
    bool holdsDirectControl() const { return direct_; }

private:
    bool handle(const PacketHeader& header, std::span<const uint8_t> payload);
    bool handleVersion(std::span<const uint8_t> payload);
    bool handleControllerData(uint32_t device, std::span<const uint8_t> payload);
    bool handleLeds(const PacketHeader& header, std::span<const uint8_t> payload);
    bool handleMode(const PacketHeader& header, std::span<const uint8_t> payload);
    void sendEmptyList(uint32_t id);
    const Controller* controller(uint32_t device) const;

    SessionHost& host_;
    std::vector<uint8_t> input_;
    std::vector<uint8_t> output_;
    std::string name_;
    uint32_t version_ = 0;
    bool direct_ = false;
};

} // namespace pelan::rgb
