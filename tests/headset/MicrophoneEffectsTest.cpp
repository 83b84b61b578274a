// The headset's microphone effects as a PipeWire filter source, through the audio configuration library as the
// program loads it, under a PipeWire daemon of the test's own whose loopback source stands for the headset's
// microphone: what the test plays into the loopback, the filter source gives out changed.
#include "headset/AudioPropertyNames.h"
#include "headset/HeadsetAudio.h"
#include "support/FakeHeadsetCard.h"
#include "support/PrivatePipeWire.h"

#include <gtest/gtest.h>

#include <cmath>
#include <csignal>
#include <cstring>
#include <fstream>
#include <random>
#include <thread>

namespace pelan {
namespace {

using testing::TempFolder;
namespace property = audio_property;
constexpr const char* kFilter = "orvane_pelan_microphone";
constexpr int kRate = 48000;

// --- the sound ---

std::vector<float> tone(double frequency, double seconds, double amplitude = 0.3) {
    std::vector<float> samples(size_t(seconds * kRate));
    for (size_t i = 0; i < samples.size(); ++i)
        samples[i] = float(amplitude * std::sin(2 * M_PI * frequency * double(i) / kRate));
    return samples;
}

void writeWav(const std::string& path, const std::vector<float>& samples) {
    std::ofstream out(path, std::ios::binary);
    const auto u32 = [&out](uint32_t v) { out.write(reinterpret_cast<const char*>(&v), 4); };
    const auto u16 = [&out](uint16_t v) { out.write(reinterpret_cast<const char*>(&v), 2); };
    const auto bytes = uint32_t(samples.size() * 2);
    out.write("RIFF", 4);
    u32(36 + bytes);
    out.write("WAVEfmt ", 8);
    u32(16);
    u16(1);
    u16(1);
    u32(kRate);
    u32(kRate * 2);
    u16(2);
    u16(16);
    out.write("data", 4);
    u32(bytes);
    for (float sample : samples) {
        const auto value = int16_t(std::lround(std::clamp(sample, -1.0f, 1.0f) * 32767));
        out.write(reinterpret_cast<const char*>(&value), 2);
    }
}

// The part of a recording from the first to the last sample above the threshold.
std::vector<float> audiblePart(const std::vector<float>& samples, float threshold = 0.02f) {
    const auto loud = [threshold](float v) { return std::fabs(v) > threshold; };
    const auto first = std::find_if(samples.begin(), samples.end(), loud);
    const auto last = std::find_if(samples.rbegin(), samples.rend(), loud).base();
    return first < last ? std::vector<float>(first, last) : std::vector<float>();
}

// The fundamental of a steady tone from its rising zero crossings over the middle half (the shifter settles at the
// start and fades at the end).
double frequencyOf(const std::vector<float>& recording) {
    const std::vector<float> tone = audiblePart(recording);
    std::vector<size_t> crossings;
    for (size_t i = tone.size() / 4 + 1; i < tone.size() * 3 / 4; ++i) {
        if (tone[i - 1] < 0 && tone[i] >= 0)
            crossings.push_back(i);
    }
    if (crossings.size() < 2)
        return 0;
    return double(crossings.size() - 1) * kRate / double(crossings.back() - crossings.front());
}

// The lag (in samples) of the strongest repetition of a recording, between minimum and maximum.
size_t strongestRepeat(const std::vector<float>& samples, size_t minimum, size_t maximum) {
    size_t best = 0;
    double bestSum = 0;
    for (size_t lag = minimum; lag <= maximum && lag < samples.size(); ++lag) {
        double sum = 0;
        for (size_t i = 0; i + lag < samples.size(); ++i)
            sum += double(samples[i]) * samples[i + lag];
        if (sum > bestSum) {
            bestSum = sum;
            best = lag;
        }
    }
    return best;
}

// The mean power in dB at frequencies well above a 200 Hz tone (Goertzel), over the last second of a recording.
double noiseFloorDb(const std::vector<float>& recording) {
    const std::vector<float> part = audiblePart(recording, 0.01f);
    const size_t length = std::min<size_t>(kRate, part.size());
    const float* samples = part.data() + part.size() - length;
    double power = 0;
    int count = 0;
    for (double frequency = 1000; frequency <= 6000; frequency += 250, ++count) {
        const double coefficient = 2 * std::cos(2 * M_PI * frequency / kRate);
        double s1 = 0;
        double s2 = 0;
        for (size_t i = 0; i < length; ++i) {
            const double s0 = samples[i] + coefficient * s1 - s2;
            s2 = s1;
            s1 = s0;
        }
        power += (s1 * s1 + s2 * s2 - coefficient * s1 * s2) / double(length);
    }
    return 10 * std::log10(power / count + 1e-20);
}

class MicrophoneEffectsTest : public testing::HeadsetLibraryTest {
protected:
    MicrophoneEffectsTest() : HeadsetLibraryTest(1, 2) {}

    // Plays the samples into the headset's microphone while recording from a source.
    std::vector<float> recordThrough(const std::vector<float>& played, const std::string& source = kFilter) {
        const std::string input = folder.file("played.wav");
        const std::string recorded = folder.file("recorded.wav");
        writeWav(input, played);
        std::filesystem::remove(recorded);
        const pid_t recorder = ::fork();
        if (recorder == 0) {
            ::execlp("pw-cat", "pw-cat", "--record", "--target", source.c_str(), "--format", "f32", "--channels", "1",
                     "--rate", "48000", recorded.c_str(), static_cast<char*>(nullptr));
            ::_exit(127);
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(700));
        const std::string play =
            std::string("timeout 20 pw-cat --playback --target ") + PrivatePipeWire::kMicrophoneInput + " " + input;
        EXPECT_EQ(std::system(play.c_str()), 0);
        std::this_thread::sleep_for(std::chrono::milliseconds(700));
        ::kill(recorder, SIGINT);
        ::waitpid(recorder, nullptr, 0);
        return testing::readFloatWav(recorded);
    }

    static bool filterPresent() {
        osconf::PipeWireSession session;
        return session.node(kFilter).has_value();
    }
    static bool defaultSourceBecomes(const std::string& name) {
        for (int i = 0; i < 50; ++i) {
            osconf::PipeWireSession session;
            if (session.defaultSource() == name)
                return true;
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
        }
        return false;
    }
    std::string dropIn() const {
        return pipewire->configHome() + "/pipewire/pipewire.conf.d/orvane-pelan-microphone.conf";
    }

    AudioEndpoint& mic = endpoint;
};

TEST_F(MicrophoneEffectsTest, EachVoicePresetShiftsTheToneToItsPitch) {
    constexpr double kSemitones[] = {-4, 4, 9, -7};
    ASSERT_TRUE(write(property::kVoiceChanger, 1));
    for (int preset = 0; preset < 4; ++preset) {
        ASSERT_TRUE(write(property::kVoiceSelection, preset));
        EXPECT_EQ(read(property::kVoiceChangerApplied), "1");
        const double expected = 200 * std::pow(2.0, kSemitones[preset] / 12);
        const double measured = frequencyOf(recordThrough(tone(200, 1.5)));
        EXPECT_NEAR(measured, expected, expected * 0.03) << "preset " << preset + 1;
    }
}

TEST_F(MicrophoneEffectsTest, EchoAddsACopyAtItsDelay) {
    ASSERT_TRUE(write(property::kMicEcho, 1));
    EXPECT_EQ(read(property::kMicEchoApplied), "1");
    // A burst of noise, 20 ms, in a second of silence.
    std::vector<float> burst(kRate, 0.0f);
    std::mt19937 random(7);
    std::uniform_real_distribution<float> noise(-0.5f, 0.5f);
    for (size_t i = 0; i < kRate / 50; ++i)
        burst[kRate / 10 + i] = noise(random);
    const std::vector<float> recorded = audiblePart(recordThrough(burst), 0.01f);
    const size_t lag = strongestRepeat(recorded, kRate / 20, kRate / 2);
    EXPECT_NEAR(double(lag) / kRate, 0.18, 0.002);
}

TEST_F(MicrophoneEffectsTest, NoiseCancellationLowersTheNoiseFloorUnderATone) {
    std::vector<float> noisy = tone(200, 3.0, 0.3);
    std::mt19937 random(11);
    std::normal_distribution<float> noise(0.0f, 0.03f);
    for (float& sample : noisy)
        sample += noise(random);
    const double before = noiseFloorDb(recordThrough(noisy, PrivatePipeWire::kSource));
    ASSERT_TRUE(write(property::kNoiseCancellation, 1));
    EXPECT_EQ(read(property::kNoiseCancellationApplied), "1");
    const double after = noiseFloorDb(recordThrough(noisy));
    EXPECT_LT(after, before - 10) << "noise floor " << before << " dB before, " << after << " dB after";
}

TEST_F(MicrophoneEffectsTest, FilterOutlivesTheProgramAndALogOutAndAllOffGivesTheHeadsetBack) {
    ASSERT_TRUE(defaultSourceBecomes(PrivatePipeWire::kSource));
    ASSERT_TRUE(write(property::kVoiceChanger, 1));
    ASSERT_TRUE(write(property::kNoiseCancellation, 1));
    EXPECT_TRUE(defaultSourceBecomes(kFilter));
    EXPECT_TRUE(std::filesystem::exists(dropIn()));

    library->confLibUnInit();
    startLibrary();
    EXPECT_EQ(read(property::kVoiceChangerApplied), "1");
    EXPECT_EQ(read(property::kNoiseCancellationApplied), "1");

    pipewire->restart();
    ASSERT_TRUE(pipewire->ready());
    library->confLibUnInit();
    startLibrary();
    EXPECT_TRUE(filterPresent());
    EXPECT_EQ(read(property::kVoiceChangerApplied), "1");

    // The headset unplugged: a change is kept, the filter and its drop-in wait for the headset.
    ::setenv("PELAN_PIPEWIRE_SOURCE", "unplugged_headset", 1);
    ASSERT_TRUE(write(property::kMicEcho, 1));
    EXPECT_EQ(read(property::kMicEchoApplied), "0");
    EXPECT_EQ(read(property::kMicEchoNotAppliedReason), property::kEffectNotAppliedNoHeadsetSource);
    EXPECT_TRUE(filterPresent());
    EXPECT_TRUE(std::filesystem::exists(dropIn()));
    ::setenv("PELAN_PIPEWIRE_SOURCE", PrivatePipeWire::kSource, 1);
    ASSERT_TRUE(write(property::kMicEcho, 0));

    ASSERT_TRUE(write(property::kVoiceChanger, 0));
    EXPECT_TRUE(filterPresent()); // noise cancellation still on
    ASSERT_TRUE(write(property::kNoiseCancellation, 0));
    EXPECT_FALSE(filterPresent());
    EXPECT_FALSE(std::filesystem::exists(dropIn()));
    EXPECT_TRUE(defaultSourceBecomes(PrivatePipeWire::kSource));
    osconf::PipeWireSession session;
    for (const osconf::GraphNode& node : session.nodes())
        EXPECT_FALSE(node.name.starts_with(kFilter)) << node.name;
    EXPECT_NEAR(frequencyOf(recordThrough(tone(200, 1.0), PrivatePipeWire::kSource)), 200, 6);
}

TEST_F(MicrophoneEffectsTest, WithoutThePitchShifterTheVoiceChangerIsNotOfferedAndOnlyKept) {
    ::setenv("LADSPA_PATH", folder.file("no-plugins").c_str(), 1);
    std::filesystem::create_directories(folder.file("no-plugins"));
    const std::optional<std::array<int, 3>> support = parseFeatureReport(read(property::kSupportFeature).value_or(""));
    ASSERT_TRUE(support);
    EXPECT_EQ((*support)[0] & 0x20000, 0);
    ASSERT_TRUE(write(property::kVoiceChanger, 1));
    EXPECT_EQ(read(property::kVoiceChangerApplied), "0");
    EXPECT_EQ(read(property::kVoiceChangerNotAppliedReason), property::kEffectNotAppliedNoPlugin);
    ::unsetenv("LADSPA_PATH");
    EXPECT_NE((*parseFeatureReport(read(property::kSupportFeature).value_or("")))[0] & 0x20000, 0);
}

} // namespace
} // namespace pelan
