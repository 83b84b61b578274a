// Feeds arbitrary bytes to one SDK client session as if a client had sent them, in two pieces split where the first
// byte says, so packets cut across reads are parsed too. The session answers into its buffer and hands colours and
// modes to a host with two controllers; any crash, overflow or read past a buffer is a finding.
#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "rgbserver/SdkSession.h"

namespace {

using namespace pelan::rgb;

Controller makeController(size_t leds) {
    Controller controller;
    controller.name = "fuzz";
    Mode direct;
    direct.name = "Direct";
    Mode breathing;
    breathing.name = "Breathing";
    breathing.flags = modeflag::kSpeed | modeflag::kModeColour;
    breathing.speedMax = 4;
    breathing.coloursMin = breathing.coloursMax = 1;
    breathing.colours = {0};
    controller.modes = {direct, breathing};
    controller.zones = {Zone{"a", ZoneType::Linear, 0, uint32_t(leds / 2)},
                        Zone{"b", ZoneType::Linear, uint32_t(leds / 2), uint32_t(leds - leds / 2)}};
    controller.ledNames.assign(leds, "LED");
    controller.colours.assign(leds, 0);
    return controller;
}

class Host : public SessionHost {
public:
    const std::vector<Controller>& controllers() const override { return controllers_; }
    void setColours(size_t controller, size_t first, std::span<const Colour> colours) override {
        std::vector<Colour>& held = controllers_.at(controller).colours;
        for (size_t i = 0; i < colours.size(); ++i)
            held.at(first + i) = colours[i];
    }
    bool setMode(size_t controller, size_t modeIndex, const Mode& mode, bool) override {
        controllers_.at(controller).modes.at(modeIndex).speed = mode.speed;
        return modeIndex == 0;
    }
    void setCustomMode(size_t controller) override { controllers_.at(controller).activeMode = 0; }

private:
    std::vector<Controller> controllers_ = {makeController(8), makeController(23)};
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    Host host;
    SdkSession session(host);
    const std::span<const uint8_t> input(data, size);
    const size_t split = size == 0 ? 0 : data[0] % size;
    if (session.receive(input.first(split)))
        session.receive(input.subspan(split));
    return 0;
}
