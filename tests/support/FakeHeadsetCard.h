#pragma once

#include "support/PrivatePipeWire.h"
#include "support/TempFolder.h"

#include <cstdlib>
#include <cstring>
#include <filesystem>
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

} // namespace pelan::testing
