// The headset's audio settings against the audio configuration library's simulated headset, with a real profile
// file.
#include "headset/HeadsetAudio.h"
#include "headset/AudioPropertyNames.h"
#include "support/TempFolder.h"

#include <gtest/gtest.h>
#include <json/json.h>

#include <cstdlib>
#include <fstream>

namespace pelan {
namespace {

using testing::TempFolder;
namespace property = audio_property;

const std::optional<ConfLibExports>& simulatedLibrary() {
    static const std::optional<ConfLibExports> library =
        loadConfLibrary(std::string(std::getenv("PELAN_BIN_DIR")) + "/SDK/x64/linux/libosConfLib.so");
    return library;
}

Json::Value readJson(const std::string& path) {
    std::ifstream in(path);
    Json::Value root;
    in >> root;
    return root;
}

std::vector<int> bandsOf(const Json::Value& curve) {
    std::vector<int> bands;
    for (const Json::Value& band : curve)
        bands.push_back(band["value"].asInt());
    return bands;
}

class HeadsetAudioTest : public ::testing::Test {
protected:
    void SetUp() override {
        ::setenv("XDG_STATE_HOME", folder.file("state").c_str(), 1);
        useSimulatedAudio();
        ASSERT_TRUE(simulatedLibrary());
        // The factory profile, with a curve under preset 5 that the preset does not have.
        Json::Value root = readJson(std::string(std::getenv("PELAN_SOURCE_DIR")) + "/DefaultData/HD.Json");
        for (Json::Value& band : root["Device"][0]["EQHzValueInfo"][5])
            band["value"] = 4;
        std::ofstream(path()) << root;
        profile.setProfilePath(path());
        profile.loadProfile(path());
    }

    std::string path() const { return folder.file("p.Json"); }
    Json::Value stored() const { return readJson(path())["Device"][0]; }

    std::unique_ptr<HeadsetAudio> started(std::optional<ConfLibExports> library = simulatedLibrary()) {
        auto audio = std::make_unique<HeadsetAudio>(profile, library,
                                                    [this](const std::string& text) { messages.push_back(text); });
        audio->initialise();
        audio->loadFromProfile();
        audio->readState();
        return audio;
    }

    // A value as the library now holds it.
    std::optional<std::string> libraryValue(HeadsetAudio& audio, const std::string& name, bool mic) {
        AudioProperties properties(*simulatedLibrary());
        return properties.readText(mic ? *audio.micEndpoint() : *audio.outputEndpoint(), name);
    }
    std::vector<std::string> libraryBands(HeadsetAudio& audio) {
        std::vector<std::string> bands;
        for (int band = 1; band <= 10; ++band)
            bands.push_back(libraryValue(audio, "EQ_Slider" + std::to_string(band), false).value_or("-"));
        return bands;
    }
    static std::vector<std::string> texts(const std::vector<int>& values) {
        std::vector<std::string> out;
        for (int value : values)
            out.push_back(std::to_string(value));
        return out;
    }

    TempFolder folder;
    CDi6533Profiledata profile;
    std::vector<std::string> messages;
};

TEST_F(HeadsetAudioTest, ConnectionTakesTheDevicesLevelsAndTheProfilesEqualiser) {
    auto audio = started();
    ASSERT_TRUE(audio->available());
    EXPECT_TRUE(messages.empty());
    EXPECT_EQ(audio->outputEndpoint()->device.kind, 1);
    EXPECT_EQ(audio->state().micInLevel, 80);   // the simulated microphone, not the profile's 80 by chance:
    EXPECT_EQ(audio->state().monitorLevel, 50); // see the level written below
    EXPECT_EQ(audio->state().monitorOn, 1);     // the profile has the monitor off; the device has it on
    EXPECT_EQ(audio->state().eqType, 5);
    // Probing gave the effect properties their starting 0.
    EXPECT_EQ(libraryValue(*audio, property::kReverbRoomSize, false), "0");
    EXPECT_EQ(libraryValue(*audio, property::kVoiceSelection, true), "0");

    audio->setMicLevel(35);
    audio->toggleMonitorMute();
    EXPECT_EQ(libraryValue(*audio, property::kVolumeScalar, true), "0.35");
    EXPECT_EQ(libraryValue(*audio, property::kMonitorMute, true), "1");
    EXPECT_EQ(stored()["SystemSetStages"]["MicInValue"].asInt(), 35);
    EXPECT_EQ(stored()["SystemSetStages"]["MicMoniterSelect"].asInt(), 0);

    // A later run reads what this one set.
    auto later = started();
    EXPECT_EQ(later->state().micInLevel, 35);
    EXPECT_EQ(later->state().monitorOn, 0);
}

TEST_F(HeadsetAudioTest, PresetFiveWritesTenZeroBandsAndStoresThem) {
    auto audio = started();
    audio->selectEqPreset(5);
    EXPECT_EQ(libraryBands(*audio), std::vector<std::string>(10, "0"));
    EXPECT_EQ(libraryValue(*audio, property::kEqualiser, false), "1");
    EXPECT_EQ(bandsOf(stored()["EQHzValueInfo"][5]), std::vector<int>(10, 0));
    audio->selectEqPreset(2);
    EXPECT_EQ(libraryBands(*audio), texts({7, 11, 6, -3, -11, -1, 6, 13, 6, 13}));
    EXPECT_EQ(stored()["SystemSetStages"]["EqType"].asInt(), 2);
    audio->selectEqPreset(14);
    EXPECT_EQ(audio->state().eqType, 2);
}

TEST_F(HeadsetAudioTest, ABandMovedUnderABuiltInPresetTurnsCustomWithoutStoring) {
    auto audio = started();
    audio->setEqBand(3, -9);
    EXPECT_EQ(audio->state().eqType, kCustomEqType);
    EXPECT_EQ(audio->state().customSelection, -1);
    EXPECT_EQ(libraryValue(*audio, "EQ_Slider4", false), "-9");
    EXPECT_EQ(stored()["SystemSetStages"]["EqType"].asInt(), 5);
    // Saving it as a custom preset stores the moved band and the custom type.
    EXPECT_EQ(audio->saveCustomEq("Mine"), CustomEqSaved::Saved);
    EXPECT_EQ(stored()["SystemSetStages"]["EqType"].asInt(), kCustomEqType);
    EXPECT_EQ(bandsOf(stored()["CustomEQHzValueInfo"][0])[3], -9);
}

TEST_F(HeadsetAudioTest, CustomPresetNamesIgnoreCaseAndTheListEndsAtTwenty) {
    auto audio = started();
    // Without a name and without a selected preset there is nothing to overwrite: nothing is stored.
    EXPECT_EQ(audio->saveCustomEq(""), CustomEqSaved::NothingSelected);
    EXPECT_FALSE(stored().isMember("CustomEQHzValueInfo") && stored()["CustomEQHzValueInfo"].size() > 0);
    EXPECT_EQ(audio->saveCustomEq("Bass"), CustomEqSaved::Saved);
    EXPECT_EQ(audio->saveCustomEq("bASS"), CustomEqSaved::NameInUse);
    for (int i = 1; i < kMaxCustomEqPresets; ++i)
        ASSERT_EQ(audio->saveCustomEq("P" + std::to_string(i)), CustomEqSaved::Saved);
    EXPECT_EQ(audio->saveCustomEq("One too many"), CustomEqSaved::ListFull);
    EXPECT_EQ(stored()["CustomEQNameInfo"].size(), 20u);
    // With a preset selected and no name, the selected preset is overwritten.
    audio->selectEqPreset(kCustomEqType);
    audio->applyCustomEq(0);
    audio->setEqBand(0, 12);
    EXPECT_EQ(audio->saveCustomEq(""), CustomEqSaved::Saved);
    EXPECT_EQ(bandsOf(stored()["CustomEQHzValueInfo"][0])[0], 12);
    EXPECT_EQ(stored()["CustomEQNameInfo"].size(), 20u);
}

TEST_F(HeadsetAudioTest, DeletingTheLastCustomPresetReturnsToPresetOne) {
    auto audio = started();
    audio->setEqBand(0, 5);
    ASSERT_EQ(audio->saveCustomEq("Only"), CustomEqSaved::Saved);
    audio->deleteCustomEq(audio->state().customSelection);
    EXPECT_EQ(audio->state().eqType, 1);
    EXPECT_EQ(stored()["SystemSetStages"]["EqType"].asInt(), 1);
    EXPECT_EQ(stored()["CustomEQNameInfo"].size(), 0u);
    EXPECT_EQ(audio->state().eqValues, bandsOf(stored()["EQHzValueInfo"][1]));
    EXPECT_EQ(libraryBands(*audio), texts(audio->state().eqValues));
}

TEST_F(HeadsetAudioTest, DeletingTheFirstOfThreeKeepsNamesAndBandsPaired) {
    auto audio = started();
    for (int preset = 0; preset < 3; ++preset) {
        audio->setEqBand(0, preset + 1);
        ASSERT_EQ(audio->saveCustomEq("C" + std::to_string(preset)), CustomEqSaved::Saved);
    }
    audio->deleteCustomEq(0);
    EXPECT_EQ(audio->state().customEqNames, (std::vector<std::string>{"C1", "C2"}));
    const Json::Value node = stored();
    ASSERT_EQ(node["CustomEQNameInfo"].size(), 2u);
    EXPECT_EQ(node["CustomEQNameInfo"][1]["Name"].asString(), "C2");
    EXPECT_EQ(bandsOf(node["CustomEQHzValueInfo"][0])[0], 2);
    EXPECT_EQ(bandsOf(node["CustomEQHzValueInfo"][1])[0], 3);
    EXPECT_EQ(audio->state().customSelection, 0);
    EXPECT_EQ(libraryValue(*audio, "EQ_Slider1", false), "2");
    audio->deleteCustomEq(7);
    EXPECT_EQ(audio->state().customEqNames.size(), 2u);
}

TEST_F(HeadsetAudioTest, VoiceChangerOnSilencesTheMicrophoneEchoAndOffLeavesIt) {
    auto audio = started();
    AudioProperties properties(*simulatedLibrary());
    ASSERT_TRUE(properties.writeInt(*audio->micEndpoint(), property::kMicEcho, 1));
    audio->setVoiceChanger(false);
    EXPECT_EQ(libraryValue(*audio, property::kMicEcho, true), "1");
    audio->setVoiceChanger(true);
    EXPECT_EQ(libraryValue(*audio, property::kMicEcho, true), "0");
    EXPECT_EQ(libraryValue(*audio, property::kVoiceChanger, true), "1");
    audio->selectVoicePreset(3);
    audio->selectVoicePreset(5);
    EXPECT_EQ(libraryValue(*audio, property::kVoiceSelection, true), "2");
    EXPECT_EQ(stored()["SystemSetStages"]["MagicType"].asInt(), 3);
    EXPECT_EQ(stored()["SystemSetStages"]["MagicEnable"].asInt(), 1);
}

TEST_F(HeadsetAudioTest, WithoutTheLibraryNothingIsCalledAndNothingStored) {
    const std::string before = testing::readText(path());
    auto audio = started(loadConfLibrary(folder.file("SDK/x64/linux/libosConfLib.so")));
    EXPECT_FALSE(audio->libraryLoaded());
    EXPECT_FALSE(audio->available());
    audio->selectEqPreset(3);
    audio->setMicLevel(10);
    audio->toggleMicMute();
    audio->setVoiceChanger(true);
    EXPECT_EQ(audio->saveCustomEq("X"), CustomEqSaved::NothingSelected);
    EXPECT_EQ(testing::readText(path()), before);
    EXPECT_FALSE(std::filesystem::exists(folder.file("state")));
    EXPECT_TRUE(messages.empty());
}

// A library whose initialisation fails and whose headset offers a kind-12 output with a short feature report.
int failingInit() {
    return 3;
}
int noList() {
    return 0;
}
int countOne(int, int32_t* count) {
    *count = 1;
    return 0;
}
int kindTwelve(int list, int, OsConfDevice* device) {
    *device = list == 0 ? OsConfDevice{5, 12, 0, 1} : OsConfDevice{6, 2, 0, 1};
    return 0;
}
int shortReport(OsConfDevice, const wchar_t* name, void** value, void**, int direction) {
    if (direction != OSCONF_READ || std::wstring(name) != L"GetSupportFeature")
        return -1;
    std::wcscpy(static_cast<wchar_t*>(*value), L"1,2,3");
    return 0;
}

TEST_F(HeadsetAudioTest, FailuresOfTheLibraryAreShownAndInitialisationGoesOn) {
    ConfLibExports exports;
    exports.confLibInit = &failingInit;
    exports.createDeviceList = &noList;
    exports.getDeviceCount = &countOne;
    exports.getDeviceById = &kindTwelve;
    exports.propertyControl = &shortReport;
    auto audio = started(exports);
    EXPECT_EQ(messages, (std::vector<std::string>{HeadsetAudio::kInitFailedText, HeadsetAudio::kFeatureReportFailedText,
                                                  HeadsetAudio::kFeatureReportFailedText}));
    ASSERT_TRUE(audio->available());
    EXPECT_EQ(audio->outputEndpoint()->device.id, 5);
    // Failed writes leave the microphone as it was and store nothing.
    audio->setMicLevel(12);
    audio->toggleMicMute();
    EXPECT_EQ(audio->state().micInLevel, 80);
    EXPECT_FALSE(audio->state().micMuted);
}

} // namespace
} // namespace pelan
