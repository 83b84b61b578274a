// The headset equaliser as a PipeWire filter, through the audio configuration library as the program loads it,
// under a PipeWire daemon of the test's own with a null sink standing for the headset.
#include "headset/osconflib/PipeWireEqualiser.h"
#include "cli/Processes.h"
#include "headset/AudioPropertyNames.h"
#include "headset/EqPresets.h"
#include "headset/HeadsetAudio.h"
#include "support/FakeHeadsetCard.h"
#include "support/PrivatePipeWire.h"

#include <gtest/gtest.h>
#include <json/json.h>

#include <algorithm>
#include <cmath>
#include <complex>
#include <cstring>
#include <fstream>
#include <iterator>
#include <regex>
#include <sstream>
#include <thread>

namespace pelan {
namespace {

using testing::TempFolder;
namespace property = audio_property;
constexpr const char* kFilter = "orvane_pelan_equaliser";
constexpr int kRate = 48000;

class PipeWireEqualiserTest : public testing::HeadsetLibraryTest {
protected:
    PipeWireEqualiserTest() : HeadsetLibraryTest(0, 1) {}

    static Json::Value graph() {
        Json::Value objects;
        std::istringstream(PrivatePipeWire::output("pw-dump 2>/dev/null")) >> objects;
        return objects;
    }
    static Json::Value node(const Json::Value& objects, const std::string& name) {
        for (const Json::Value& object : objects) {
            if (object["type"].asString() == "PipeWire:Interface:Node" &&
                object["info"]["props"]["node.name"].asString() == name)
                return object;
        }
        return Json::Value();
    }
    // The filter's band gains as the daemon reports them; empty without the filter.
    static std::vector<double> liveGains() {
        std::map<std::string, double> controls;
        const Json::Value filter = node(graph(), kFilter);
        for (const Json::Value& props : filter["info"]["params"]["Props"]) {
            const Json::Value& params = props["params"];
            for (Json::ArrayIndex i = 0; i + 1 < params.size(); i += 2) {
                if (params[i + 1].isNumeric())
                    controls[params[i].asString()] = params[i + 1].asDouble();
            }
        }
        // Both channels' bands, which always move together.
        std::vector<double> gains;
        for (int band = 1; band <= 10 && controls.count("band" + std::to_string(band) + "_l:Gain"); ++band) {
            const double left = controls["band" + std::to_string(band) + "_l:Gain"];
            gains.push_back(left == controls["band" + std::to_string(band) + "_r:Gain"] ? left : NAN);
        }
        return gains;
    }
    // Waits until the filter shows these gains (its process takes a change a moment after the daemon).
    static bool gainsBecome(const std::vector<double>& wanted) {
        for (int i = 0; i < 50; ++i) {
            if (liveGains() == wanted)
                return true;
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
        }
        return false;
    }
    // Whether the filter's output plays into the test sink (the session manager links it a moment later).
    static bool playsIntoTheSink() {
        for (int i = 0; i < 50; ++i) {
            const Json::Value objects = graph();
            const int from = node(objects, std::string(kFilter) + ".output")["id"].asInt();
            const int to = node(objects, PrivatePipeWire::kSink)["id"].asInt();
            for (const Json::Value& object : objects) {
                const Json::Value& info = object["info"];
                if (object["type"].asString() == "PipeWire:Interface:Link" && from != 0 &&
                    info["output-node-id"].asInt() == from && info["input-node-id"].asInt() == to)
                    return true;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
        }
        return false;
    }
    // Whether the session manager comes to take that node as its default sink.
    static bool defaultSinkBecomes(const std::string& name) {
        const std::string wanted = "key:'default.audio.sink' value:'{\"name\":\"" + name + "\"}'";
        for (int i = 0; i < 50; ++i) {
            if (PrivatePipeWire::output("pw-metadata -n default 0 2>/dev/null").find(wanted) != std::string::npos)
                return true;
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
        }
        return false;
    }
    // The band gains the drop-in loads, in band order.
    std::vector<double> dropInGains() const {
        const std::string text =
            testing::readText(pipewire->configHome() + "/pipewire/pipewire.conf.d/orvane-pelan-equaliser.conf");
        static const std::regex band(R"(name = band(\d+)_l label = bq_peaking control = \{[^}]*"Gain" = (-?[0-9.]+))");
        std::vector<double> gains;
        for (auto it = std::sregex_iterator(text.begin(), text.end(), band); it != std::sregex_iterator(); ++it)
            gains.push_back(std::stod((*it)[2]));
        return gains;
    }
    bool dropInExists() const {
        return std::filesystem::exists(pipewire->configHome() +
                                       "/pipewire/pipewire.conf.d/orvane-pelan-equaliser.conf");
    }

    AudioEndpoint& output = endpoint;
};

// The headset's factory profile, copied to path.
void loadFactoryProfile(CDi6533Profiledata& profile, const std::string& path) {
    std::filesystem::copy_file(std::string(std::getenv("PELAN_SOURCE_DIR")) + "/DefaultData/HD.Json", path);
    profile.setProfilePath(path);
    profile.loadProfile(path);
}

std::vector<double> withBand(int band, double gain) {
    std::vector<double> gains(10, 0.0);
    gains[size_t(band)] = gain;
    return gains;
}

TEST_F(PipeWireEqualiserTest, FilterFollowsTheSwitchAndBandsAndOutlivesTheProgramAndALogOut) {
    EXPECT_EQ(read(property::kEqualiserApplied), "1"); // nothing to apply while it is off
    ASSERT_TRUE(defaultSinkBecomes(PrivatePipeWire::kSink));
    ASSERT_TRUE(write(property::kEqualiser, 1));
    EXPECT_TRUE(playsIntoTheSink());
    EXPECT_TRUE(defaultSinkBecomes(kFilter)); // what played on the headset goes through the filter
    EXPECT_TRUE(gainsBecome(std::vector<double>(10, 0.0)));
    ASSERT_TRUE(write("EQ_Slider4", -11));
    EXPECT_TRUE(gainsBecome(withBand(3, -11)));
    EXPECT_EQ(read("EQ_Slider4"), "-11");
    EXPECT_EQ(dropInGains(), withBand(3, -11));
    EXPECT_EQ(read(property::kEqualiserApplied), "1");
    const int filterId = node(graph(), kFilter)["id"].asInt();

    // The program ends and starts again: the filter stayed, and the same one takes the next change.
    library->confLibUnInit();
    startLibrary();
    EXPECT_EQ(read("EQ_Slider4"), "-11");
    EXPECT_EQ(read(property::kEqualiserApplied), "1");
    EXPECT_EQ(node(graph(), kFilter)["id"].asInt(), filterId);

    // Log-out and log-in: the daemon loads the filter from the drop-in, and it takes changes as before.
    pipewire->restart();
    ASSERT_TRUE(pipewire->ready());
    EXPECT_TRUE(gainsBecome(withBand(3, -11)));
    EXPECT_TRUE(playsIntoTheSink());
    ASSERT_TRUE(write("EQ_Slider10", 6));
    std::vector<double> changed = withBand(3, -11);
    changed[9] = 6;
    EXPECT_TRUE(gainsBecome(changed));
    EXPECT_EQ(dropInGains(), changed);

    ASSERT_TRUE(write(property::kEqualiser, 0));
    EXPECT_TRUE(node(graph(), kFilter).isNull());
    EXPECT_TRUE(defaultSinkBecomes(PrivatePipeWire::kSink));
    EXPECT_FALSE(dropInExists());
    EXPECT_EQ(read("EQ_Slider10"), "6");
}

// --- the sound itself ---

// The level in dB of the ten peaking filters at a frequency, as the filter computes them (RBJ cookbook biquads).
double curveDb(const EqCurve& curve, double frequency) {
    double db = 0;
    for (size_t band = 0; band < curve.size(); ++band) {
        const double a = std::pow(10.0, curve[band] / 40.0);
        const double w0 = 2 * M_PI * kEqBandFrequencies[band] / kRate;
        const double alpha = std::sin(w0) / (2 * 1.41);
        const std::complex<double> z = std::polar(1.0, -2 * M_PI * frequency / kRate);
        const std::complex<double> num = (1 + alpha * a) - 2 * std::cos(w0) * z + (1 - alpha * a) * z * z;
        const std::complex<double> den = (1 + alpha / a) - 2 * std::cos(w0) * z + (1 - alpha / a) * z * z;
        db += 20 * std::log10(std::abs(num / den));
    }
    return db;
}

// A 16-bit WAV file of interleaved samples.
void writeWav(const std::string& path, uint16_t channels, const std::vector<int16_t>& samples) {
    const auto bytes = uint32_t(samples.size() * 2);
    std::ofstream out(path, std::ios::binary);
    const auto u32 = [&out](uint32_t v) { out.write(reinterpret_cast<const char*>(&v), 4); };
    const auto u16 = [&out](uint16_t v) { out.write(reinterpret_cast<const char*>(&v), 2); };
    out.write("RIFF", 4);
    u32(36 + bytes);
    out.write("WAVEfmt ", 8);
    u32(16);
    u16(1);
    u16(channels);
    u32(kRate);
    u32(kRate * 2 * channels);
    u16(uint16_t(2 * channels));
    u16(16);
    out.write("data", 4);
    u32(bytes);
    out.write(reinterpret_cast<const char*>(samples.data()), bytes);
}

// One second of a tone, mono; quiet enough that the loudest band's boost stays far from full scale.
void writeToneWav(const std::string& path, double frequency) {
    std::vector<int16_t> samples(kRate);
    for (size_t i = 0; i < samples.size(); ++i)
        samples[i] = int16_t(std::lround(1000 * std::sin(2 * M_PI * frequency * double(i) / kRate)));
    writeWav(path, 1, samples);
}

// The level in dB of the steady part of a recorded tone: the median RMS of the 50 ms windows above half the
// loudest, which leaves out the silence around the tone and its edges.
double toneLevelDb(const std::vector<float>& samples) {
    constexpr size_t kWindow = kRate / 20;
    std::vector<double> rms;
    for (size_t start = 0; start + kWindow <= samples.size(); start += kWindow) {
        double sum = 0;
        for (size_t i = start; i < start + kWindow; ++i)
            sum += double(samples[i]) * samples[i];
        rms.push_back(std::sqrt(sum / kWindow));
    }
    if (rms.empty())
        return -200;
    const double loudest = *std::max_element(rms.begin(), rms.end());
    std::erase_if(rms, [loudest](double value) { return value < loudest / 2; });
    std::sort(rms.begin(), rms.end());
    return 20 * std::log10(rms[rms.size() / 2]);
}

// Plays a WAV file into the filter while recording what reaches the headset's sink: interleaved samples of that
// many channels.
std::vector<float> recordedPlayback(const TempFolder& folder, const std::string& wav, int channels) {
    const std::string recorded = folder.file("recorded.wav");
    const std::string channelCount = std::to_string(channels);
    const pid_t recorder = ::fork();
    if (recorder == 0) {
        ::execlp("pw-cat", "pw-cat", "--record", "--target", PrivatePipeWire::kSink, "-P",
                 "{ stream.capture.sink = true }", "--format", "f32", "--channels", channelCount.c_str(), "--rate",
                 "48000", recorded.c_str(), static_cast<char*>(nullptr));
        ::_exit(127);
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(500));
    const std::string play = std::string("pw-cat --playback --target ") + kFilter + " " + wav;
    EXPECT_EQ(std::system(play.c_str()), 0);
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    ::kill(recorder, SIGINT);
    ::waitpid(recorder, nullptr, 0);
    return testing::readFloatWav(recorded);
}

// Plays a tone into the filter and measures its level where it reaches the headset's sink.
double playedLevelDb(const TempFolder& folder, double frequency) {
    const std::string tone = folder.file("tone.wav");
    writeToneWav(tone, frequency);
    return toneLevelDb(recordedPlayback(folder, tone, 1));
}

TEST_F(PipeWireEqualiserTest, ChoosingAPresetChangesTheSoundByItsCurve) {
    // The program's own path: the headset's audio settings over the library, with the factory profile.
    CDi6533Profiledata profile;
    loadFactoryProfile(profile, folder.file("p.Json"));
    HeadsetAudio audio(profile, library);
    audio.initialise();
    audio.loadFromProfile();
    audio.readState();
    ASSERT_TRUE(audio.available());
    audio.selectEqPreset(12);
    ASSERT_TRUE(playsIntoTheSink());
    const EqCurve& curve = *builtInEqPreset(12);
    ASSERT_TRUE(gainsBecome(std::vector<double>(curve.begin(), curve.end())));

    // Band 3 (125 Hz, -2 dB) against band 8 (4 kHz, +16 dB), neighbours included.
    const double low = playedLevelDb(folder, kEqBandFrequencies[2]);
    const double high = playedLevelDb(folder, kEqBandFrequencies[7]);
    const double expected = curveDb(curve, kEqBandFrequencies[7]) - curveDb(curve, kEqBandFrequencies[2]);
    EXPECT_NEAR(high - low, expected, 1.0) << "measured " << low << " dB and " << high << " dB";
}

// The helper outlives the program, so it is started with none of the program's descriptors: a stand-in helper lists
// its open descriptors while the test holds one open that is not closed on exec.
TEST_F(PipeWireEqualiserTest, TheHelperInheritsNoDescriptors) {
    const std::string listing = folder.file("descriptors");
    const std::string helper = folder.file("helper");
    testing::writeText(helper,
                       "#!/bin/sh\nls /proc/$$/fd > " + listing + ".part && mv " + listing + ".part " + listing + "\n");
    std::filesystem::permissions(helper, std::filesystem::perms::owner_all);
    const int held = ::dup2(::open("/dev/null", O_RDONLY | O_CLOEXEC), 77); // dup2 clears close-on-exec
    ASSERT_EQ(held, 77);
    osconf::SinkEffects effects;
    effects.equaliser.enabled = true;
    osconf::PipeWireEqualiser(helper).apply(effects, 7); // the stand-in makes no filter: the wait for it runs out
    ::close(held);
    for (int i = 0; i < 200 && !std::filesystem::exists(listing); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    std::istringstream descriptors(testing::readText(listing));
    std::vector<std::string> open(std::istream_iterator<std::string>(descriptors), {});
    ASSERT_FALSE(open.empty());
    EXPECT_EQ(std::find(open.begin(), open.end(), "77"), open.end());
}

// --- reverb and surround: stages of the same filter ---

// The RMS levels (dB) of one channel of interleaved samples in 10 ms windows.
std::vector<double> windowLevelsDb(const std::vector<float>& samples, int channels, int channel) {
    constexpr size_t kWindow = kRate / 100;
    std::vector<double> levels;
    const size_t frames = samples.size() / size_t(channels);
    for (size_t start = 0; start + kWindow <= frames; start += kWindow) {
        double sum = 0;
        for (size_t i = start; i < start + kWindow; ++i)
            sum += double(samples[i * size_t(channels) + size_t(channel)]) *
                   samples[i * size_t(channels) + size_t(channel)];
        levels.push_back(10 * std::log10(sum / kWindow + 1e-30));
    }
    return levels;
}

// How long a click rings: from its loudest 10 ms to the last one within 40 dB of it.
double decaySeconds(const std::vector<float>& mono) {
    const std::vector<double> levels = windowLevelsDb(mono, 1, 0);
    if (levels.empty())
        return -1;
    const size_t loudest = size_t(std::max_element(levels.begin(), levels.end()) - levels.begin());
    size_t last = loudest;
    for (size_t i = loudest; i < levels.size(); ++i) {
        if (levels[i] > levels[loudest] - 40)
            last = i;
    }
    return double(last - loudest) / 100.0;
}

// A 5 ms burst of 1 kHz after 100 ms of silence, then silence to a second and a half.
std::string writeClick(const TempFolder& folder) {
    std::vector<int16_t> samples(kRate * 3 / 2);
    for (size_t i = 0; i < kRate / 200; ++i)
        samples[kRate / 10 + i] = int16_t(std::lround(8000 * std::sin(2 * M_PI * 1000 * double(i) / kRate)));
    const std::string path = folder.file("click.wav");
    writeWav(path, 1, samples);
    return path;
}

// The output's feature report: field 4 lists the output effects, field 6 the surround modes.
std::array<int, 3> outputSupport(ConfLibExports& library, const AudioEndpoint& output) {
    return parseFeatureReport(AudioProperties(library).readText(output, property::kSupportFeature).value_or(""))
        .value_or(std::array<int, 3>{-1, -1, -1});
}

TEST_F(PipeWireEqualiserTest, ReverbLengthensAClicksDecayAndWantsItsPlugin) {
    // Without the plugin the reverb is not offered, and switched on it is only kept: no filter plays.
    ::setenv("LADSPA_PATH", folder.file("no-plugins").c_str(), 1);
    EXPECT_EQ(outputSupport(*library, output)[1] & 0x2, 0);
    ASSERT_TRUE(write(property::kReverb, 1));
    EXPECT_EQ(read(property::kReverbApplied), "0");
    EXPECT_EQ(read(property::kReverbNotAppliedReason), property::kEffectNotAppliedNoPlugin);
    EXPECT_TRUE(node(graph(), kFilter).isNull());
    ::unsetenv("LADSPA_PATH");

    // The equaliser alone, flat: the click passes as it is.
    ASSERT_TRUE(write(property::kReverb, 0));
    ASSERT_TRUE(write(property::kEqualiser, 1));
    ASSERT_TRUE(playsIntoTheSink());
    const double dry = decaySeconds(recordedPlayback(folder, writeClick(folder), 1));

    // A concert hall: the same filter is built again with the reverb after the equaliser.
    EXPECT_NE(outputSupport(*library, output)[1] & 0x2, 0);
    ASSERT_TRUE(write(property::kReverbEnvironment, 5));
    ASSERT_TRUE(write(property::kReverbRoomSize, 50));
    ASSERT_TRUE(write(property::kReverb, 1));
    EXPECT_EQ(read(property::kReverbApplied), "1");
    EXPECT_EQ(read(property::kEqualiserApplied), "1");
    ASSERT_TRUE(playsIntoTheSink());
    EXPECT_TRUE(defaultSinkBecomes(kFilter));
    const double wet = decaySeconds(recordedPlayback(folder, writeClick(folder), 1));
    EXPECT_LT(dry, 0.05);
    EXPECT_GT(wet, 0.5) << "dry " << dry << " s";
}

TEST_F(PipeWireEqualiserTest, SurroundFoldsTheLeftIntoTheRightSurvivesALogOutAndAllOffGivesTheSinkBack) {
    ASSERT_TRUE(defaultSinkBecomes(PrivatePipeWire::kSink));
    ASSERT_TRUE(write(property::kEqualiser, 1));
    std::vector<int16_t> leftOnly(size_t(kRate) * 2);
    for (size_t frame = 0; frame < kRate; ++frame)
        leftOnly[frame * 2] = int16_t(std::lround(3000 * std::sin(2 * M_PI * 300 * double(frame) / kRate)));
    const std::string wav = folder.file("left.wav");
    writeWav(wav, 2, leftOnly);
    // The steady part of each side's level, as toneLevelDb takes it from the louder left.
    const auto sides = [this, &wav] {
        const std::vector<float> both = recordedPlayback(folder, wav, 2);
        std::vector<float> left;
        std::vector<float> right;
        for (size_t i = 0; i + 1 < both.size(); i += 2) {
            left.push_back(both[i]);
            right.push_back(both[i + 1]);
        }
        return std::pair(toneLevelDb(left), toneLevelDb(right));
    };
    ASSERT_TRUE(playsIntoTheSink());
    const auto [plainLeft, plainRight] = sides();

    ASSERT_TRUE(AudioProperties(*library).writeSurround(output, 1));
    EXPECT_EQ(read(property::kSurroundApplied), "1");
    EXPECT_NE(outputSupport(*library, output)[2] & 0x2, 0);
    ASSERT_TRUE(playsIntoTheSink());
    const auto [foldedLeft, foldedRight] = sides();
    EXPECT_LT(plainRight, plainLeft - 40);
    EXPECT_GT(foldedRight, foldedLeft - 15) << "left " << foldedLeft << " dB, right " << foldedRight << " dB";

    // The filter stays while the surround is on, also over a log-out, and comes back when it was lost while the
    // program looks for the headset again; it goes with its drop-in when nothing is on.
    ASSERT_TRUE(write(property::kEqualiser, 0));
    EXPECT_FALSE(node(graph(), kFilter).isNull());
    pipewire->restart();
    ASSERT_TRUE(pipewire->ready());
    EXPECT_TRUE(playsIntoTheSink());
    EXPECT_EQ(read(property::kSurroundApplied), "1");
    const std::string destroy = "pw-cli destroy " + std::to_string(node(graph(), kFilter)["id"].asInt());
    ASSERT_EQ(std::system((destroy + " >/dev/null 2>&1").c_str()), 0);
    EXPECT_EQ(read(property::kSurroundApplied), "0");
    ASSERT_EQ(library->createDeviceList(), 0);
    EXPECT_EQ(read(property::kSurroundApplied), "1");
    ASSERT_TRUE(AudioProperties(*library).writeSurround(output, 0));
    EXPECT_TRUE(node(graph(), kFilter).isNull());
    EXPECT_FALSE(dropInExists());
    EXPECT_TRUE(defaultSinkBecomes(PrivatePipeWire::kSink));
}

Json::Value parseJson(const std::string& text) {
    Json::Value value;
    std::istringstream(text) >> value;
    return value;
}

// pelanctl on an emulated headset whose settings go through the sound card's library (PELAN_AUDIO_BACKEND=alsa).
TEST_F(PipeWireEqualiserTest, PelanctlSwitchesTheEffectsAndFailsForOneOnlyStored) {
    const TempFolder data;
    const auto headset = [&data](std::vector<std::string> words,
                                 std::vector<std::pair<std::string, std::string>> env = {}) {
        std::vector<std::string> call = {
            test::builtProgram("pelanctl"), "--emulate", "headset", "--data-dir", data.path(), "--json", "headset"};
        call.insert(call.end(), words.begin(), words.end());
        env.emplace_back("PELAN_AUDIO_BACKEND", "alsa");
        return test::runProcess(call, std::chrono::seconds(30), env);
    };
    const test::ProcessResult surround = headset({"surround", "on"});
    ASSERT_EQ(surround.exitCode, 0) << surround.err;
    EXPECT_EQ(parseJson(surround.out)["surround_applied"].asString(), "yes");
    EXPECT_FALSE(node(graph(), kFilter).isNull());

    const test::ProcessResult reverb =
        headset({"reverb", "on", "--environment", "2", "--room", "80"}, {{"LADSPA_PATH", folder.file("none")}});
    EXPECT_EQ(reverb.exitCode, 1);
    EXPECT_NE(reverb.err.find("not applied"), std::string::npos) << reverb.err;
    EXPECT_EQ(headset({"reverb", "on", "--environment", "8"}).exitCode, 2);

    const Json::Value status = parseJson(headset({"status"}).out);
    EXPECT_EQ(status["reverb"].asString(), "on");
    EXPECT_EQ(status["reverb_environment"].asInt(), 2);
    EXPECT_EQ(status["reverb_room"].asInt(), 80);
    EXPECT_EQ(status["reverb_applied"].asString(), "yes"); // the plugin is found again, and the filter rebuilt
    EXPECT_EQ(headset({"reverb", "off"}).exitCode, 0);
    EXPECT_EQ(headset({"surround", "off"}).exitCode, 0);
    EXPECT_TRUE(node(graph(), kFilter).isNull());
}

TEST(PipeWireEqualiserFallback, WithoutADaemonTheHeadsetKeepsTheCurveAndSaysItIsNotApplied) {
    TempFolder folder;
    std::filesystem::create_directories(folder.file("run"));
    std::filesystem::create_directories(folder.file("asound/card7/pcm0p"));
    testing::writeText(folder.file("asound/card7/usbid"), "0d8c:01da\n");
    ::unsetenv("PELAN_AUDIO_BACKEND");
    ::setenv("PIPEWIRE_RUNTIME_DIR", folder.file("run").c_str(), 1); // nothing listens there
    ::setenv("XDG_STATE_HOME", folder.file("state").c_str(), 1);
    ::setenv("XDG_CONFIG_HOME", folder.file("config").c_str(), 1);
    ::setenv("PELAN_ASOUND_ROOT", folder.file("asound").c_str(), 1);
    const std::optional<ConfLibExports> library =
        loadConfLibrary(std::string(std::getenv("PELAN_BIN_DIR")) + "/SDK/x64/linux/libosConfLib.so");
    ASSERT_TRUE(library);
    CDi6533Profiledata profile;
    loadFactoryProfile(profile, folder.file("p.Json"));
    HeadsetAudio audio(profile, library);
    audio.initialise();
    ASSERT_TRUE(audio.available());
    audio.selectEqPreset(3);
    EXPECT_FALSE(audio.state().eqApplied);
    EXPECT_EQ(audio.state().eqNotAppliedReason, property::kEqNotAppliedNoPipeWire);
    EXPECT_EQ(AudioProperties(*library).readText(*audio.outputEndpoint(), "EQ_Slider1"), "10");
    EXPECT_FALSE(std::filesystem::exists(folder.file("config/pipewire")));
    library->confLibUnInit();
}

} // namespace
} // namespace pelan
