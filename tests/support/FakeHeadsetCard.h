#pragma once

#include "headset/AudioEndpoint.h"
#include "headset/ConfLibrary.h"
#include "support/PrivatePipeWire.h"
#include "support/TempFolder.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace pelan::testing {

// The audio library's real backend pointed at the folder: the headset's card as the kernel lists it (card 7, no
// mixer opens, playing and recording), its state file there, and the private daemon's stand-in nodes as the
// headset's sink and source.
inline void pointLibraryAtFakeHeadset(const TempFolder& folder) {
    ::unsetenv("PELAN_AUDIO_BACKEND");
    ::setenv("XDG_STATE_HOME", folder.file("state").c_str(), 1);
    ::setenv("PELAN_ASOUND_ROOT", folder.file("asound").c_str(), 1);
    ::setenv("PELAN_PIPEWIRE_SINK", PrivatePipeWire::kSink, 1);
    ::setenv("PELAN_PIPEWIRE_SOURCE", PrivatePipeWire::kSource, 1);
    std::filesystem::create_directories(folder.file("asound/card7/pcm0p"));
    std::filesystem::create_directories(folder.file("asound/card7/pcm0c"));
    writeText(folder.file("asound/card7/usbid"), "0d8c:01da\n");
}

// The 32-bit float samples of a WAV file pw-cat recorded.
inline std::vector<float> readFloatWav(const std::string& path) {
    const std::string bytes = readText(path);
    const size_t data = bytes.find("data");
    std::vector<float> samples;
    if (data == std::string::npos)
        return samples;
    samples.resize((bytes.size() - data - 8) / sizeof(float));
    std::memcpy(samples.data(), bytes.data() + data + 8, samples.size() * sizeof(float));
    return samples;
}

// A test of the audio library as the program loads it, on one endpoint of the fake headset (list 0 kind 1: the
// output; list 1 kind 2: the microphone), under a PipeWire daemon of the test's own.
class HeadsetLibraryTest : public ::testing::Test {
protected:
    HeadsetLibraryTest(int list, int kind) : list_(list), kind_(kind) {}

    void SetUp() override {
        if (!PrivatePipeWire::installed())
            GTEST_SKIP() << "PipeWire, WirePlumber, dbus-run-session or pw-cat missing: run scripts/install-deps";
        pipewire = std::make_unique<PrivatePipeWire>();
        ASSERT_TRUE(pipewire->ready()) << "the private PipeWire daemon did not start";
        pointLibraryAtFakeHeadset(folder);
        ::unsetenv("LADSPA_PATH");
        library = loadConfLibrary(std::string(std::getenv("PELAN_BIN_DIR")) + "/SDK/x64/linux/libosConfLib.so");
        ASSERT_TRUE(library);
        startLibrary();
    }
    void TearDown() override {
        if (library)
            library->confLibUnInit();
    }

    // What the program does at its start: the library anew, the endpoint.
    void startLibrary() {
        ASSERT_EQ(library->confLibInit(), 0);
        ASSERT_EQ(library->createDeviceList(), 0);
        ASSERT_EQ(library->getDeviceById(list_, 0, &endpoint.device), 0);
        ASSERT_EQ(endpoint.device.kind, kind_);
    }

    bool write(const std::string& name, int value) { return AudioProperties(*library).writeInt(endpoint, name, value); }
    std::optional<std::string> read(const std::string& name) {
        return AudioProperties(*library).readText(endpoint, name);
    }

    TempFolder folder;
    std::unique_ptr<PrivatePipeWire> pipewire;
    std::optional<ConfLibExports> library;
    AudioEndpoint endpoint;

private:
    int list_;
    int kind_;
};

} // namespace pelan::testing
