// The ALSA backend of the audio configuration library against a fake /proc/asound tree and a fake mixer.
#include "headset/osconflib/AlsaBackend.h"
#include "headset/AudioPropertyNames.h"
#include "platform/Trace.h"
#include "support/TempFolder.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <map>

namespace pelan::osconf {
namespace {

namespace property = audio_property;
using testing::TempFolder;

// One simple mixer control of the fake card, per direction.
struct FakeControl {
    bool volume = false;
    bool hasSwitch = false;
    VolumeRange range{0, 100, -3000, 1200};
    long raw = 0;
    bool on = true;
};

class FakeMixer : public MixerSeam {
public:
    using Controls = std::map<std::pair<std::string, MixerDirection>, FakeControl>;
    explicit FakeMixer(Controls& controls) : controls_(controls) {}

    std::vector<std::string> elementNames() override {
        std::vector<std::string> names;
        for (const auto& [key, control] : controls_)
            if (names.empty() || names.back() != key.first)
                names.push_back(key.first);
        return names;
    }
    bool hasVolume(const std::string& e, MixerDirection d) override { return find(e, d) && find(e, d)->volume; }
    bool hasSwitch(const std::string& e, MixerDirection d) override { return find(e, d) && find(e, d)->hasSwitch; }
    std::optional<VolumeRange> volumeRange(const std::string& e, MixerDirection d) override {
        return hasVolume(e, d) ? std::optional(find(e, d)->range) : std::nullopt;
    }
    std::optional<long> volume(const std::string& e, MixerDirection d) override {
        return hasVolume(e, d) ? std::optional(find(e, d)->raw) : std::nullopt;
    }
    std::optional<long> volumeDb(const std::string& e, MixerDirection d) override {
        if (!hasVolume(e, d))
            return std::nullopt;
        const FakeControl& c = *find(e, d);
        return c.range.minDb + (c.raw - c.range.min) * (c.range.maxDb - c.range.minDb) / (c.range.max - c.range.min);
    }
    bool setVolume(const std::string& e, MixerDirection d, long raw) override {
        return hasVolume(e, d) && (find(e, d)->raw = raw, true);
    }
    std::optional<bool> switchOn(const std::string& e, MixerDirection d) override {
        return hasSwitch(e, d) ? std::optional(find(e, d)->on) : std::nullopt;
    }
    bool setSwitch(const std::string& e, MixerDirection d, bool on) override {
        return hasSwitch(e, d) && (find(e, d)->on = on, true);
    }

private:
    FakeControl* find(const std::string& e, MixerDirection d) {
        const auto found = controls_.find({e, d});
        return found != controls_.end() ? &found->second : nullptr;
    }
    Controls& controls_;
};

class AlsaBackendTest : public ::testing::Test {
protected:
    void addCard(int number, const std::string& usbId, bool playback, bool capture) {
        const std::string card = folder.path() + "asound/card" + std::to_string(number) + "/";
        std::filesystem::create_directories(card);
        if (!usbId.empty())
            testing::writeText(card + "usbid", usbId + "\n");
        if (playback)
            std::filesystem::create_directories(card + "pcm0p");
        if (capture)
            std::filesystem::create_directories(card + "pcm0c");
    }

    AlsaBackend backend(std::unique_ptr<EqualiserOutput> equaliser = nullptr) {
        return AlsaBackend(
            folder.path() + "asound",
            [this](int card) -> std::unique_ptr<MixerSeam> {
                openedCards.push_back(card);
                return std::make_unique<FakeMixer>(controls);
            },
            store, std::move(equaliser));
    }

    // A headset card with a microphone capture control and its sidetone.
    void headsetMixer(bool sidetone) {
        controls[{"Mic", MixerDirection::Capture}] = FakeControl{true, true, {0, 100, -3000, 1200}, 50, true};
        if (sidetone)
            controls[{"Mic", MixerDirection::Playback}] = FakeControl{true, true, {0, 40, -2400, 600}, 10, true};
        controls[{"Speaker", MixerDirection::Playback}] = FakeControl{true, true, {0, 100, -6000, 0}, 100, true};
    }

    FakeControl& at(const char* element, MixerDirection direction) { return controls[{element, direction}]; }

    TempFolder folder;
    PropertyStore store{folder.file("state/osConfLib.state")};
    FakeMixer::Controls controls;
    std::vector<int> openedCards;
};

TEST_F(AlsaBackendTest, HeadsetCardFoundByItsUsbIdGetsTheKindsTheProgramChooses) {
    addCard(0, "", true, true);           // the machine's own sound
    addCard(1, "046D:0825", false, true); // a webcam
    addCard(2, "0D8C:01DA", true, true);  // the headset, upper case as some kernels print it
    addCard(3, "0d8c:0012", true, false); // another C-Media device
    std::filesystem::create_directories(folder.path() + "asound/cards_extra");
    AlsaBackend alsa = backend();
    const std::vector<OsConfDevice> outputs = alsa.listDevices(0);
    const std::vector<OsConfDevice> inputs = alsa.listDevices(1);
    ASSERT_EQ(outputs.size(), 3u);
    ASSERT_EQ(inputs.size(), 3u);
    for (const OsConfDevice& device : outputs) {
        EXPECT_EQ(device.kind == 1 && device.flag == 1, device.id == 2) << device.id;
    }
    for (const OsConfDevice& device : inputs) {
        EXPECT_EQ(device.kind == 2, device.id == 2) << device.id;
    }
    EXPECT_TRUE(alsa.listDevices(7).empty());
}

TEST_F(AlsaBackendTest, NoHeadsetCardGivesNoHeadsetEndpointAndNoProperties) {
    addCard(0, "", true, true);
    AlsaBackend alsa = backend();
    for (const OsConfDevice& device : alsa.listDevices(1)) {
        EXPECT_NE(device.kind, 2);
        EXPECT_FALSE(alsa.read(device, property::kMute));
        EXPECT_FALSE(alsa.write(device, property::kEqualiser, 1));
    }
    EXPECT_TRUE(openedCards.empty());
}

TEST_F(AlsaBackendTest, MicrophoneLevelAndMuteAreTheCaptureVolumeAndSwitch) {
    addCard(1, "0d8c:01da", true, true);
    headsetMixer(true);
    AlsaBackend alsa = backend();
    const OsConfDevice mic = alsa.listDevices(1).at(0);
    EXPECT_EQ(alsa.read(mic, property::kVolumeScalar), "0.5");
    EXPECT_EQ(alsa.read(mic, property::kMaxVolume), "12");
    EXPECT_EQ(alsa.read(mic, property::kMinVolume), "-30");
    EXPECT_EQ(alsa.read(mic, property::kVolumeStep), "0.42");
    EXPECT_TRUE(alsa.write(mic, property::kVolumeScalar, 0.25));
    EXPECT_EQ(at("Mic", MixerDirection::Capture).raw, 25);
    EXPECT_EQ(alsa.read(mic, property::kVolume), "-19.5");
    EXPECT_EQ(alsa.read(mic, property::kMute), "0");
    EXPECT_TRUE(alsa.write(mic, property::kMute, 1));
    EXPECT_FALSE(at("Mic", MixerDirection::Capture).on);
    EXPECT_EQ(alsa.read(mic, property::kMute), "1");
    // Levels outside 0..1 end at the control's limits.
    EXPECT_TRUE(alsa.write(mic, property::kVolumeScalar, 3.0));
    EXPECT_EQ(at("Mic", MixerDirection::Capture).raw, 100);
    EXPECT_EQ(at("Speaker", MixerDirection::Playback).raw, 100);
}

TEST_F(AlsaBackendTest, MonitorIsTheSidetoneAndFailsWithoutOne) {
    addCard(1, "0d8c:01da", true, true);
    headsetMixer(true);
    AlsaBackend alsa = backend();
    const OsConfDevice mic = alsa.listDevices(1).at(0);
    EXPECT_EQ(alsa.read(mic, property::kMonitorMaxVolume), "6");
    EXPECT_EQ(alsa.read(mic, property::kMonitorVolumeScalar), "0.25");
    EXPECT_TRUE(alsa.write(mic, property::kMonitorVolumeScalar, 1.0));
    EXPECT_EQ(at("Mic", MixerDirection::Playback).raw, 40);
    EXPECT_TRUE(alsa.write(mic, property::kMonitorMute, 1));
    EXPECT_FALSE(at("Mic", MixerDirection::Playback).on);
    EXPECT_TRUE(at("Mic", MixerDirection::Capture).on);

    controls.clear();
    headsetMixer(false);
    EXPECT_FALSE(alsa.read(mic, property::kMonitorMaxVolume));
    EXPECT_FALSE(alsa.write(mic, property::kMonitorMute, 1));
    EXPECT_FALSE(alsa.read(mic, property::kMonitorVolumeScalar));
    // Mixer properties belong to the microphone endpoint only.
    const OsConfDevice output = alsa.listDevices(0).at(0);
    EXPECT_FALSE(alsa.read(output, property::kVolumeScalar));
}

TEST_F(AlsaBackendTest, EffectPropertiesLiveInTheStateFileAndReadBack) {
    addCard(1, "0d8c:01da", true, true);
    AlsaBackend alsa = backend();
    const OsConfDevice output = alsa.listDevices(0).at(0);
    const OsConfDevice mic = alsa.listDevices(1).at(0);
    EXPECT_FALSE(alsa.read(output, "EQ_Slider3"));
    EXPECT_TRUE(alsa.write(output, "EQ_Slider3", -7));
    EXPECT_TRUE(alsa.write(mic, property::kVoiceChanger, 1));
    EXPECT_FALSE(alsa.write(output, "EQ_Slider11", 1));
    EXPECT_EQ(alsa.read(output, "EQ_Slider3"), "-7");
    PropertyStore later(store.path());
    later.reload();
    EXPECT_EQ(later.get("headset", "EQ_Slider3"), "-7");
    EXPECT_EQ(later.get("headset", property::kVoiceChanger), "1");
    EXPECT_TRUE(openedCards.empty());
    // The ALSA card offers no voice changer.
    EXPECT_EQ(alsa.read(mic, property::kSupportFeature), "0,0,0,0,1,0,1");
}

TEST_F(AlsaBackendTest, WithoutPipeWireTheEffectsAreKeptNotOfferedAndSaySoOnce) {
    addCard(1, "0d8c:01da", true, true);
    ::setenv("PIPEWIRE_RUNTIME_DIR", folder.path().c_str(), 1); // no daemon listens there
    ::setenv("XDG_CONFIG_HOME", folder.file("config").c_str(), 1);
    std::vector<std::string> lines;
    const TraceSink previous = setTraceSink([&lines](std::string_view line) { lines.emplace_back(line); });
    AlsaBackend alsa = backend(std::make_unique<PipeWireEqualiser>("/nonexistent/pelan-equaliser"));
    const OsConfDevice output = alsa.listDevices(0).at(0);
    EXPECT_TRUE(alsa.write(output, property::kEqualiser, 1));
    EXPECT_TRUE(alsa.write(output, "EQ_Slider2", 9));
    EXPECT_TRUE(alsa.write(output, "EQ_Slider3", -4));
    EXPECT_TRUE(alsa.write(output, property::kReverb, 1));
    setTraceSink(previous);
    EXPECT_EQ(alsa.read(output, "EQ_Slider2"), "9");
    EXPECT_EQ(alsa.read(output, property::kEqualiserApplied), "0");
    // No output effect is offered, and the reverb switched on is only kept.
    EXPECT_EQ(alsa.read(output, property::kSupportFeature), "0,0,0,0,0,0,1");
    EXPECT_EQ(alsa.read(output, property::kReverbApplied), "0");
    EXPECT_EQ(alsa.read(output, property::kReverbNotAppliedReason), property::kEqNotAppliedNoPipeWire);
    EXPECT_EQ(alsa.read(output, property::kSurroundApplied), "1");
    EXPECT_FALSE(std::filesystem::exists(dropInPath()));
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_NE(lines[0].find("not applied"), std::string::npos) << lines[0];
    ::unsetenv("PIPEWIRE_RUNTIME_DIR");
}

// The drop-in of an equaliser the state file holds switched off goes at the next start, with or without a daemon:
// the program may have ended between storing the switch and removing it. Switched on, it stays for the daemon.
TEST_F(AlsaBackendTest, TheDropInOfAnEqualiserSwitchedOffGoesAtTheNextStart) {
    addCard(1, "0d8c:01da", true, true);
    ::setenv("PIPEWIRE_RUNTIME_DIR", folder.path().c_str(), 1); // no daemon listens there
    ::setenv("XDG_CONFIG_HOME", folder.file("config").c_str(), 1);
    std::filesystem::create_directories(std::filesystem::path(dropInPath()).parent_path());
    testing::writeText(dropInPath(), "context.modules = []\n");
    const auto start = [this] { backend(std::make_unique<PipeWireEqualiser>("/nonexistent/pelan-equaliser")); };
    ASSERT_TRUE(store.set("headset", property::kEqualiser, "1"));
    start();
    EXPECT_TRUE(std::filesystem::exists(dropInPath()));
    ASSERT_TRUE(store.set("headset", property::kEqualiser, "0"));
    start();
    EXPECT_FALSE(std::filesystem::exists(dropInPath()));
    ::unsetenv("PIPEWIRE_RUNTIME_DIR");
}

} // namespace
} // namespace pelan::osconf
