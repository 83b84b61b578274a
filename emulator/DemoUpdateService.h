#pragma once

#include "emulator/LoopbackHttpServer.h"
#include "emulator/UpdateSigner.h"

#include <cstdint>
#include <functional>
#include <string>

namespace pelan::emu {

// The firmware version the demo service offers for every device kind (the emulated devices start at 0x0103).
inline constexpr std::uint16_t kDemoLatestFirmware = 0x0104;

// The update service for the demo and the tests, on loopback: newer firmware for the mouse, keyboard and mousepad
// below kDemoLatestFirmware, and a newer program version. The firmware download is an upgrade program of ours
// (`pelan-emu --upgrade KIND --service URL`) that reports its progress through the settings relay, asks the
// service to raise the emulated device's firmware version and reports success. Every file is signed beside it
// (FILE.minisig) with a key made for this run: publicKey() is what PELAN_UPDATE_TEST_KEY must name.
class DemoUpdateService {
public:
    // Raises the firmware version of the emulated device of a kind ("mouse", "keyboard", "mousepad").
    using Upgrade = std::function<bool(const std::string& kind, std::uint16_t version)>;

    // `emulatorProgram` is the pelan-emu executable the upgrade program runs.
    DemoUpdateService(std::uint16_t port, std::string emulatorProgram, Upgrade upgrade);

    bool ok() const { return server_.ok(); }
    std::string baseUrl() const { return server_.baseUrl(); }
    std::uint16_t port() const { return server_.port(); }
    const std::string& publicKey() const { return signer_.publicKey(); }

private:
    HttpReply answer(const HttpRequestRecord& request);
    HttpReply updateAnswer(const std::string& body);
    HttpReply file(const std::string& path) const;
    std::string upgradeProgram(const std::string& kind) const;

    std::string emulatorProgram_;
    Upgrade upgrade_;
    UpdateSigner signer_;
    LoopbackHttpServer server_;
};

// The upgrade program's run: progress 0..100 through the relay socket of $PELAN_RELAY_SOCKET, the firmware
// raised through the service at `serviceUrl`, then success (or failure when the service refused). Returns the
// exit status.
int runDemoUpgrade(const std::string& kind, const std::string& serviceUrl);

} // namespace pelan::emu
