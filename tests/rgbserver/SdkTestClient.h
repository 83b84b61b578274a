#pragma once

#include <arpa/inet.h>
#include <chrono>
#include <netinet/in.h>
#include <optional>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>
#include <vector>

#include "rgbserver/SdkWire.h"

namespace pelan::test {

// A bare SDK client over a blocking socket: sends packets as given and reads whole packets, with a time-out.
class SdkTestClient {
public:
    struct Packet {
        rgb::PacketHeader header;
        std::vector<uint8_t> payload;
    };
    static constexpr std::chrono::milliseconds kWait{5000};

    explicit SdkTestClient(uint16_t port) : socket_(::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0)) {
        sockaddr_in where{};
        where.sin_family = AF_INET;
        where.sin_port = htons(port);
        where.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        connected_ = ::connect(socket_, reinterpret_cast<const sockaddr*>(&where), sizeof where) == 0;
    }
    ~SdkTestClient() { ::close(socket_); }
    SdkTestClient(const SdkTestClient&) = delete;
    SdkTestClient& operator=(const SdkTestClient&) = delete;

    bool connected() const { return connected_; }

    bool sendRaw(const std::vector<uint8_t>& bytes) {
        return ::send(socket_, bytes.data(), bytes.size(), MSG_NOSIGNAL) == ssize_t(bytes.size());
    }
    bool send(uint32_t device, uint32_t id, const std::vector<uint8_t>& payload = {}) {
        return sendRaw(rgb::makePacket(device, id, payload));
    }
    // The next packet, or nothing when none came in time or the server closed the connection.
    std::optional<Packet> receive(std::chrono::milliseconds wait = kWait) {
        std::vector<uint8_t> header;
        if (!read(header, rgb::kHeaderSize, wait))
            return std::nullopt;
        Packet packet{*rgb::readHeader(header), {}};
        if (!read(packet.payload, packet.header.size, wait))
            return std::nullopt;
        return packet;
    }
    // The next packet with this ID, skipping notices.
    std::optional<Packet> receive(uint32_t id) {
        for (std::optional<Packet> packet = receive(); packet; packet = receive())
            if (packet->header.id == id)
                return packet;
        return std::nullopt;
    }
    // Whether the server closed the connection (reading everything still on its way).
    bool closedByServer() {
        uint8_t byte = 0;
        for (;;) {
            pollfd watched{socket_, POLLIN, 0};
            if (::poll(&watched, 1, int(kWait.count())) <= 0)
                return false;
            const ssize_t got = ::recv(socket_, &byte, 1, 0);
            if (got <= 0)
                return true;
        }
    }

private:
    bool read(std::vector<uint8_t>& into, size_t count, std::chrono::milliseconds wait) {
        into.clear();
        while (into.size() < count) {
            pollfd watched{socket_, POLLIN, 0};
            if (::poll(&watched, 1, int(wait.count())) <= 0)
                return false;
            uint8_t buffer[4096];
            const ssize_t got = ::recv(socket_, buffer, std::min(sizeof buffer, count - into.size()), 0);
            if (got <= 0)
                return false;
            into.insert(into.end(), buffer, buffer + got);
        }
        return true;
    }

    int socket_ = -1;
    bool connected_ = false;
};

} // namespace pelan::test
