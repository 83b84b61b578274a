#include "headset/osconflib/EqualiserGraph.h"

#include "platform/Paths.h"

#include <algorithm>
#include <array>
#include <cstdio>

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

std::string number(double value) {
    std::array<char, 32> text{};
    std::snprintf(text.data(), text.size(), "%.4f", value);
    return text.data();
}

constexpr std::array<const char*, 2> kChannels = {"l", "r"};

std::string bandNode(int band, const char* channel) {
    return "band" + std::to_string(band + 1) + "_" + channel;
}

// GVerb's settings for each environment, from a small room to an arena.
struct ReverbEnvironment {
    double roomMetres;
    double reverbSeconds;
    double damping;
    double earlyDb;
    double tailDb;
};
constexpr std::array<ReverbEnvironment, kReverbEnvironments> kEnvironments = {{
    {4, 0.4, 0.7, -14, -22},  // small room
    {8, 0.8, 0.6, -13, -20},  // living room
    {5, 1.2, 0.2, -10, -17},  // bathroom: hard walls ring longer
    {14, 1.6, 0.4, -12, -18}, // stone room
    {30, 2.2, 0.5, -13, -18}, // auditorium
    {50, 2.8, 0.4, -13, -17}, // concert hall
    {70, 3.6, 0.3, -12, -16}, // cave
    {120, 4.5, 0.4, -14, -17} // arena
}};

// The crossfeed that folds each side into the other, as a loudspeaker pair would reach both ears: the far side
// arrives a little later and duller.
constexpr double kCrossDelaySeconds = 0.0003;
constexpr double kCrossLowpassHz = 700;
constexpr double kDirectGain = 0.7;
constexpr double kCrossGain = 0.3;

ReverbSettings clamped(const ReverbSettings& reverb) {
    ReverbSettings out = reverb;
    out.environment = std::clamp(reverb.environment, 0, kReverbEnvironments - 1);
    out.roomSize = std::clamp(reverb.roomSize, 0, kMaxReverbRoomSize);
    return out;
}

// The graph as it is built: node and link lines, and the port each channel's sound leaves by so far.
struct GraphText {
    std::string nodes;
    std::string links;
    std::array<std::string, 2> tail;

    void node(const std::string& text) { nodes += "                " + text + "\n"; }
    void link(const std::string& from, const std::string& to) {
        links += "                { output = " + quoted(from) + " input = " + quoted(to) + " }\n";
    }
    // The channel's sound now passes through this node's input and leaves by its output.
    void append(size_t channel, const std::string& input, const std::string& output) {
        link(tail[channel], input);
        tail[channel] = output;
    }
};

void addEqualiser(GraphText& graph, const EqCurve& bands) {
    for (size_t channel = 0; channel < kChannels.size(); ++channel) {
        for (int band = 0; band < int(bands.size()); ++band) {
            const std::string name = bandNode(band, kChannels[channel]);
            const int gain = std::clamp(bands[size_t(band)], -kMaxBandGainDb, kMaxBandGainDb);
            graph.node("{ type = builtin name = " + name +
                       " label = bq_peaking control = { \"Freq\" = " + number(kEqBandFrequencies[size_t(band)]) +
                       " \"Q\" = " + number(kBandQ) + " \"Gain\" = " + number(gain) + " } }");
            graph.append(channel, name + ":In", name + ":Out");
        }
    }
}

// GVerb is mono in, stereo out: each channel has its own and keeps its own side of it.
void addReverb(GraphText& graph, const ReverbSettings& reverb, const std::string& plugin) {
    const ReverbEnvironment& environment = kEnvironments[size_t(reverb.environment)];
    // Room size 0 is half the environment's room, 100 one and a half times it.
    const double scale = 0.5 + double(reverb.roomSize) / kMaxReverbRoomSize;
    for (size_t channel = 0; channel < kChannels.size(); ++channel) {
        const std::string name = std::string("reverb_") + kChannels[channel];
        graph.node("{ type = ladspa name = " + name + " plugin = " + quoted(plugin) +
                   " label = gverb control = { \"Roomsize (m)\" = " + number(environment.roomMetres * scale) +
                   " \"Reverb time (s)\" = " + number(environment.reverbSeconds * scale) +
                   " \"Damping\" = " + number(environment.damping) +
                   " \"Input bandwidth\" = 0.75 \"Dry signal level (dB)\" = 0.0 \"Early reflection level (dB)\" = " +
                   number(environment.earlyDb) + " \"Tail level (dB)\" = " + number(environment.tailDb) + " } }");
        graph.append(channel, name + ":Input", name + (channel == 0 ? ":Left output" : ":Right output"));
    }
}

void addSurround(GraphText& graph) {
    const std::array<std::string, 2> sides = graph.tail;
    for (size_t channel = 0; channel < kChannels.size(); ++channel) {
        const std::string suffix = std::string("_") + kChannels[channel];
        const std::string& far = sides[1 - channel];
        graph.node("{ type = builtin name = cross_delay" + suffix + " label = delay config = { \"max-delay\" = " +
                   number(0.01) + " } control = { \"Delay (s)\" = " + number(kCrossDelaySeconds) + " } }");
        graph.node("{ type = builtin name = cross_tone" + suffix +
                   " label = bq_lowpass control = { \"Freq\" = " + number(kCrossLowpassHz) + " \"Q\" = 0.7071 } }");
        graph.node("{ type = builtin name = fold" + suffix + " label = mixer control = { \"Gain 1\" = " +
                   number(kDirectGain) + " \"Gain 2\" = " + number(kCrossGain) + " } }");
        graph.link(far, "cross_delay" + suffix + ":In");
        graph.link("cross_delay" + suffix + ":Out", "cross_tone" + suffix + ":In");
        graph.link("cross_tone" + suffix + ":Out", "fold" + suffix + ":In 2");
        graph.link(sides[channel], "fold" + suffix + ":In 1");
        graph.tail[channel] = "fold" + suffix + ":Out";
    }
}

} // namespace

std::vector<std::string> bandGainControls(int band) {
    std::vector<std::string> controls;
    for (const char* channel : kChannels)
        controls.push_back(bandNode(band, channel) + ":Gain");
    return controls;
}

std::vector<std::string> stageTokens(const SinkEffects& effects) {
    std::vector<std::string> tokens;
    if (effects.equaliser.enabled)
        tokens.emplace_back("eq");
    if (effects.reverb.enabled) {
        const ReverbSettings reverb = clamped(effects.reverb);
        tokens.push_back("reverb:" + std::to_string(reverb.environment) + ":" + std::to_string(reverb.roomSize));
    }
    if (effects.surround)
        tokens.emplace_back("surround");
    return tokens;
}

std::string stagesText(const SinkEffects& effects) {
    std::string text;
    for (const std::string& token : stageTokens(effects))
        text += (text.empty() ? "" : " ") + token;
    return text;
}

std::string filterChainArgs(const SinkEffects& effects, const std::string& sinkName, const std::string& reverbPlugin) {
    GraphText graph;
    // Each channel enters through a copy node, so that the surround stage can take it to both sides.
    for (size_t channel = 0; channel < kChannels.size(); ++channel) {
        const std::string name = std::string("in_") + kChannels[channel];
        graph.node("{ type = builtin name = " + name + " label = copy }");
        graph.tail[channel] = name + ":Out";
    }
    if (effects.equaliser.enabled)
        addEqualiser(graph, effects.equaliser.bands);
    if (effects.reverb.enabled)
        addReverb(graph, clamped(effects.reverb), reverbPlugin);
    if (effects.surround)
        addSurround(graph);
    return "{\n"
           "        node.description = " +
           quoted(kEqualiserDescription) + "\n        media.name = " + quoted(kEqualiserDescription) +
           "\n        filter.graph = {\n            nodes = [\n" + graph.nodes +
           "            ]\n            links = [\n" + graph.links +
           "            ]\n            inputs = [ \"in_l:In\" \"in_r:In\" ]\n            outputs = [ " +
           quoted(graph.tail[0]) + " " + quoted(graph.tail[1]) +
           " ]\n        }\n"
           "        audio.channels = 2\n        audio.position = [ FL FR ]\n"
           "        capture.props = { node.name = " +
           quoted(kEqualiserNodeName) + " media.class = Audio/Sink " + kFilterStagesProperty + " = " +
           quoted(stagesText(effects)) + kNoSuspend +
           " }\n"
           "        playback.props = { node.name = " +
           quoted(std::string(kEqualiserNodeName) + ".output") +
           " node.passive = true target.object = " + quoted(sinkName) + kNoSuspend + " }\n    }";
}

std::string dropInText(const std::string& args) {
    return "# Written by ORVANE Pelan while one of its headset's sound effects is on; removed when all are off.\n"
           "context.modules = [\n    { name = libpipewire-module-filter-chain\n      args = " +
           args + "\n    }\n]\n";
}

std::string dropInPath() {
    return xdgFolder("XDG_CONFIG_HOME", "/.config") + "pipewire/pipewire.conf.d/orvane-pelan-equaliser.conf";
}

} // namespace pelan::osconf
