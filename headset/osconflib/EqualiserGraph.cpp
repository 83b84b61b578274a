#include "headset/osconflib/EqualiserGraph.h"

#include "platform/Paths.h"

#include <algorithm>

namespace pelan::osconf {

// PipeWire's configuration language quotes like JSON; node names never need more than escaping quotes.
std::string quoted(const std::string& text) {
    std::string out = "\"";
    for (char c : text) {
        if (c == '"' || c == '\\')
            out += '\\';
        out += c;
    }
    return out + "\"";
}

namespace {

std::string bandNode(int band) {
    return "band" + std::to_string(band + 1);
}

} // namespace

std::string bandGainControl(int band) {
    return bandNode(band) + ":Gain";
}

std::string filterChainArgs(const EqualiserCurve& curve, const std::string& sinkName) {
    std::string nodes;
    std::string links;
    for (int band = 0; band < int(curve.bands.size()); ++band) {
        const int gain = std::clamp(curve.bands[size_t(band)], -kMaxBandGainDb, kMaxBandGainDb);
        nodes += "            { type = builtin name = " + bandNode(band) +
                 " label = bq_peaking control = { \"Freq\" = " + std::to_string(kEqBandFrequencies[size_t(band)]) +
                 ".0 \"Q\" = " + std::to_string(kBandQ) + " \"Gain\" = " + std::to_string(gain) + ".0 } }\n";
        if (band > 0)
            links +=
                "            { output = \"" + bandNode(band - 1) + ":Out\" input = \"" + bandNode(band) + ":In\" }\n";
    }
    return "{\n"
           "        node.description = " +
           quoted(kEqualiserDescription) + "\n        media.name = " + quoted(kEqualiserDescription) +
           "\n        filter.graph = {\n            nodes = [\n" + nodes + "            ]\n            links = [\n" +
           links +
           "            ]\n        }\n"
           "        audio.channels = 2\n        audio.position = [ FL FR ]\n"
           "        capture.props = { node.name = " +
           quoted(kEqualiserNodeName) +
           " media.class = Audio/Sink }\n"
           "        playback.props = { node.name = " +
           quoted(std::string(kEqualiserNodeName) + ".output") +
           " node.passive = true target.object = " + quoted(sinkName) + " }\n    }";
}

std::string dropInText(const std::string& args) {
    return "# Written by ORVANE Pelan while its headset equaliser is on; removed when it is switched off.\n"
           "context.modules = [\n    { name = libpipewire-module-filter-chain\n      args = " +
           args + "\n    }\n]\n";
}

std::string dropInPath() {
    return xdgFolder("XDG_CONFIG_HOME", "/.config") + "pipewire/pipewire.conf.d/orvane-pelan-equaliser.conf";
}

} // namespace pelan::osconf
