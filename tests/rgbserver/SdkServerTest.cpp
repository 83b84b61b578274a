// The SDK server against a bare client of our own: what the npm client does not send (old protocol versions,
// broken and oversized packets, many clients, a controller leaving while clients are connected).
#include <condition_variable>
#include <memory>
#include <mutex>

#include <gtest/gtest.h>

#include "rgbserver/SdkServer.h"
#include "rgbserver/SdkTestClient.h"

namespace pelan::rgb {
namespace {

using test::SdkTestClient;

Controller makeController(const std::string& name, size_t leds) {
    Controller controller;
    controller.name = name;
    controller.vendor = "ORVANE";
    Mode direct;
    direct.name = "Direct";
    direct.flags = modeflag::kPerLedColour;
    Mode breathing;
    breathing.name = "Breathing";
    breathing.value = 1;
    breathing.flags = modeflag::kSpeed | modeflag::kBrightness;
    breathing.speedMax = breathing.brightnessMax = 4;
    controller.modes = {direct, breathing};
    controller.zones = {Zone{"All", ZoneType::Linear, 0, uint32_t(leds)}};
    for (size_t led = 0; led < leds; ++led)
        controller.ledNames.push_back("LED " + std::to_string(led + 1));
    controller.colours.assign(leds, 0);
    return controller;
}

// Records what the server hands over; the server calls it on its own thread.
class FakeSource : public ControllerSource {
public:
    std::vector<Controller> describe() override {
        std::lock_guard lock(mutex);
        return controllers;
    }
    void showColours(size_t controller, const std::vector<Colour>& colours) override {
        std::lock_guard lock(mutex);
        shown.emplace_back(controller, colours);
        changed.notify_all();
    }
    void applyMode(size_t controller, size_t modeIndex, const Mode& mode, bool save) override {
        std::lock_guard lock(mutex);
        modes.push_back({controller, modeIndex, mode.speed, save});
        changed.notify_all();
    }
    void directControlChanged(const std::vector<std::string>& names) override {
        std::lock_guard lock(mutex);
        owners.push_back(names);
        changed.notify_all();
    }
    // What the server's thread recorded, read under the lock.
    template <class Read>
    auto read(Read what) {
        std::lock_guard lock(mutex);
        return what();
    }
    template <class Done>
    bool waitFor(Done done) {
        std::unique_lock lock(mutex);
        return changed.wait_for(lock, std::chrono::seconds(15), done);
    }

    struct ModeCall {
        size_t controller, mode;
        uint32_t speed;
        bool save;
    };
    std::mutex mutex;
    std::condition_variable changed;
    std::vector<Controller> controllers = {makeController("Mouse", 8), makeController("Mousepad", 23)};
    std::vector<std::pair<size_t, std::vector<Colour>>> shown;
    std::vector<ModeCall> modes;
    std::vector<std::vector<std::string>> owners;
};

std::vector<uint8_t> u32Bytes(uint32_t value) {
    Writer out;
    out.u32(value);
    return out.bytes();
}

std::vector<uint8_t> ledUpdate(const std::vector<Colour>& colours) {
    Writer out;
    out.u32(uint32_t(4 + 2 + 4 * colours.size()));
    out.u16(uint16_t(colours.size()));
    for (Colour colour : colours)
        out.u32(colour);
    return out.bytes();
}

// Reads a controller data block as a client of `version` does; false when it does not add up to its size.
bool parseControllerData(const std::vector<uint8_t>& block, uint32_t version, Controller& into) {
    Reader in(block);
    const std::optional<uint32_t> size = in.u32();
    in.i32();
    into.name = in.text().value_or("?");
    if (version >= 1)
        into.vendor = in.text().value_or("?");
    for (int field = 0; field < 4; ++field)
        in.text();
    const uint16_t modes = in.u16().value_or(0);
    into.activeMode = in.i32().value_or(-1);
    into.modes.clear();
    for (uint16_t m = 0; m < modes && in.ok(); ++m)
        if (std::optional<Mode> mode = in.mode(version))
            into.modes.push_back(*mode);
    const uint16_t zones = in.u16().value_or(0);
    for (uint16_t z = 0; z < zones && in.ok(); ++z) {
        in.text();
        for (int field = 0; field < 4; ++field)
            in.u32();
        in.u16(); // no matrix
        if (version >= 4)
            in.u16();
    }
    const uint16_t leds = in.u16().value_or(0);
    for (uint16_t led = 0; led < leds && in.ok(); ++led) {
        in.text();
        in.u32();
    }
    const uint16_t colours = in.u16().value_or(0);
    for (uint16_t c = 0; c < colours; ++c)
        in.u32();
    return in.ok() && in.left() == 0 && size == block.size() && colours == leds;
}

class SdkServerTest : public ::testing::Test {
protected:
    void SetUp() override {
        ServerSettings settings;
        settings.port = 0;
        settings.maxClients = 20;
        server = std::make_unique<SdkServer>(source, settings);
        ASSERT_EQ(server->start(), "");
    }
    std::unique_ptr<SdkTestClient> connect() { return std::make_unique<SdkTestClient>(server->port()); }
    static uint32_t controllerCount(SdkTestClient& client) {
        client.send(0, packet::kControllerCount);
        const auto answer = client.receive(packet::kControllerCount);
        return answer ? Reader(answer->payload).u32().value_or(99) : 99;
    }

    FakeSource source;
    std::unique_ptr<SdkServer> server;
};

TEST_F(SdkServerTest, EveryVersionFromZeroToOursGetsADataBlockOfItsOwnLayout) {
    for (uint32_t version = 0; version <= kHighestVersion + 2; ++version) {
        SCOPED_TRACE(version);
        auto client = connect();
        const uint32_t spoken = std::min(version, kHighestVersion);
        if (version > 0) { // a version 0 client does not ask
            client->send(0, packet::kProtocolVersion, u32Bytes(version));
            const auto answer = client->receive(packet::kProtocolVersion);
            ASSERT_TRUE(answer);
            EXPECT_EQ(Reader(answer->payload).u32(), spoken);
        }
        client->send(1, packet::kControllerData, version > 0 ? u32Bytes(spoken) : std::vector<uint8_t>{});
        const auto data = client->receive(packet::kControllerData);
        ASSERT_TRUE(data);
        EXPECT_EQ(data->header.device, 1u);
        Controller parsed;
        ASSERT_TRUE(parseControllerData(data->payload, spoken, parsed));
        EXPECT_EQ(parsed.name, "Mousepad");
        EXPECT_EQ(parsed.vendor, spoken >= 1 ? "ORVANE" : "");
        ASSERT_EQ(parsed.modes.size(), 2u);
        EXPECT_EQ(parsed.modes[1].brightnessMax, spoken >= 3 ? 4u : 0u);
    }
}

TEST_F(SdkServerTest, FramesAreMergedToTheLatestAndTheOwnerIsNamedUntilItLeaves) {
    auto client = connect();
    client->send(0, packet::kSetClientName, {'f', 'x', 0});
    std::vector<uint8_t> burst;
    for (uint8_t frame = 1; frame <= 50; ++frame) {
        const auto packet =
            makePacket(0, packet::kUpdateLeds, ledUpdate(std::vector<Colour>(8, colourOf(frame, 0, 0))));
        burst.insert(burst.end(), packet.begin(), packet.end());
    }
    client->sendRaw(burst);
    ASSERT_TRUE(source.waitFor([&] { return !source.shown.empty() && source.shown.back().second[7] == 50u; }));
    EXPECT_LT(source.read([&] { return source.shown.size(); }), 50u);
    ASSERT_TRUE(source.waitFor([&] { return !source.owners.empty(); }));
    EXPECT_EQ(source.read([&] { return source.owners.back(); }), std::vector<std::string>{"fx"});

    client.reset();
    ASSERT_TRUE(source.waitFor([&] { return source.owners.back().empty(); }));
}

TEST_F(SdkServerTest, ZoneAndSingleLedUpdatesLandInPlaceAndAModeCarriesItsSpeed) {
    auto client = connect();
    client->send(0, packet::kProtocolVersion, u32Bytes(3));
    client->receive(packet::kProtocolVersion);
    Writer zone;
    zone.u32(4 + 4 + 2 + 4 * 2);
    zone.u32(0);
    zone.u16(2);
    zone.u32(colourOf(1, 2, 3));
    zone.u32(colourOf(4, 5, 6));
    client->send(1, packet::kUpdateZoneLeds, zone.bytes());
    Writer single;
    single.i32(22);
    single.u32(colourOf(9, 9, 9));
    client->send(1, packet::kUpdateSingleLed, single.bytes());
    ASSERT_TRUE(source.waitFor([&] { return !source.shown.empty() && source.shown.back().second[22] != 0; }));
    const std::vector<Colour> frame = source.read([&] { return source.shown.back().second; });
    EXPECT_EQ(frame[0], colourOf(1, 2, 3));
    EXPECT_EQ(frame[1], colourOf(4, 5, 6));

    Writer mode;
    mode.u32(0);
    mode.i32(1);
    Mode breathing = source.read([&] { return source.controllers[0].modes[1]; });
    breathing.speed = 3;
    mode.mode(breathing, 3);
    std::vector<uint8_t> payload = mode.bytes();
    payload[0] = uint8_t(payload.size());
    client->send(0, packet::kSaveMode, payload);
    ASSERT_TRUE(source.waitFor([&] { return !source.modes.empty(); }));
    const FakeSource::ModeCall call = source.read([&] { return source.modes[0]; });
    EXPECT_EQ(call.speed, 3u);
    EXPECT_TRUE(call.save);
}

TEST_F(SdkServerTest, AControllerLeavingIsAnnouncedAndItsOldIndexIsIgnored) {
    auto client = connect();
    ASSERT_EQ(controllerCount(*client), 2u);
    {
        std::lock_guard lock(source.mutex);
        source.controllers.pop_back();
    }
    server->devicesChanged();
    ASSERT_TRUE(client->receive(packet::kDeviceListUpdated));
    EXPECT_EQ(controllerCount(*client), 1u);
    client->send(1, packet::kUpdateLeds, ledUpdate({colourOf(1, 1, 1)}));
    client->send(1, packet::kControllerData, u32Bytes(kHighestVersion));
    // Still served: the stale requests went nowhere and the client stays connected.
    EXPECT_EQ(controllerCount(*client), 1u);
    std::lock_guard lock(source.mutex);
    EXPECT_TRUE(source.shown.empty());
}

TEST_F(SdkServerTest, BrokenPacketsDropOnlyTheirSender) {
    auto bystander = connect();
    ASSERT_EQ(controllerCount(*bystander), 2u);

    auto oversized = connect();
    oversized->sendRaw(makePacket(0, packet::kUpdateLeds, std::vector<uint8_t>(SdkSession::kMaxPayload + 1)));
    EXPECT_TRUE(oversized->closedByServer());

    auto wrongMagic = connect();
    std::vector<uint8_t> bytes = makePacket(0, packet::kControllerCount);
    bytes[0] = 'X';
    wrongMagic->sendRaw(bytes);
    EXPECT_TRUE(wrongMagic->closedByServer());

    auto shortColours = connect();
    std::vector<uint8_t> update = ledUpdate(std::vector<Colour>(8, 0));
    update.resize(update.size() - 4); // the count promises one colour more than follows
    update[0] = uint8_t(update.size());
    shortColours->send(0, packet::kUpdateLeds, update);
    EXPECT_TRUE(shortColours->closedByServer());

    auto truncated = connect();
    std::vector<uint8_t> half = makePacket(0, packet::kUpdateLeds, ledUpdate(std::vector<Colour>(8, 0)));
    half.resize(half.size() / 2);
    truncated->sendRaw(half);
    truncated.reset(); // gone in the middle of a packet

    EXPECT_EQ(controllerCount(*bystander), 2u);
    std::lock_guard lock(source.mutex);
    EXPECT_TRUE(source.shown.empty());
}

TEST_F(SdkServerTest, TwentyClientsAreServedAtOnceAndOneMoreIsTurnedAway) {
    std::vector<std::unique_ptr<SdkTestClient>> clients;
    for (int i = 0; i < 20; ++i) {
        clients.push_back(connect());
        clients.back()->send(0, packet::kControllerCount);
    }
    for (auto& client : clients)
        EXPECT_TRUE(client->receive(packet::kControllerCount));
    auto extra = connect();
    EXPECT_TRUE(extra->closedByServer());
    EXPECT_EQ(server->clientCount(), 20u);
}

} // namespace
} // namespace pelan::rgb
