// The mousepad model's light thread against the emulated pad through the real hidraw path: processor time per
// second of wall time at its busiest setting (ripple at the fastest speed with two regions of their own on other
// speeds, so the thread wakes for the pad and for each region), preview only and streaming.
#include <benchmark/benchmark.h>

#include <filesystem>

#include <json/value.h>

#include "LightThreadBench.h"
#include "device/MousepadDevice.h"
#include "emulator/FirmwareDevice.h"
#include "platform/Paths.h"
#include "profile/JsonFileStore.h"
#include "support/EmulatedTree.h"

namespace {

Json::Value region(int mode, int speed) {
    Json::Value entry;
    entry["LEDREGMode"] = mode;
    entry["LEDBrightness"] = 4;
    entry["LEDSpeed"] = speed;
    entry["LEDMultiColor"] = true;
    return entry;
}

struct PadBench {
    PadBench() : folder(std::filesystem::temp_directory_path() / ("pelan-pad-bench-" + std::to_string(getpid()))) {
        std::filesystem::create_directories(folder);
        pelan::setDataFolderOverride(folder.string());
        pad = pelan::emu::makeDevice("mousepad");
        const int id = emulated.tree().plug(pad);
        ok = model.commandChannel.device.open(emulated.pathOf(id, 4), true, true, true, false);
        model.commandChannel.connected = 1;
        Json::Value file;
        Json::Value& node = file["Device"][0];
        node["LightInfo"]["SelectItem"] = pelan::padlight::kRippleA;
        node["LightInfo"]["Light"] = 4;
        node["LightInfo"]["Speed"] = 4;
        node["LightInfo"]["MultiColor"] = 1;
        node["LightList"][0] = region(pelan::padlight::kSpectrum, 3);
        node["LightList"][1] = region(pelan::padlight::kWave, 1);
        pelan::JsonFileStore::writeJsonFile(model.userDeviceFolder() + "bench.Json", file);
        model.profileName = "bench";
        model.loadProfileIntoPage();
        ok = ok && model.regions().size() == 2;
    }
    ~PadBench() {
        model.stopThreads();
        pelan::setDataFolderOverride("");
        std::error_code ec;
        std::filesystem::remove_all(folder, ec);
    }

    std::filesystem::path folder;
    pelan::test::EmulatedTree emulated;
    std::shared_ptr<pelan::emu::FirmwareDevice> pad;
    pelan::MousepadDevice model;
    bool ok = false;
};

void BM_PadLightThreadCpuPerSecond(benchmark::State& state) {
    PadBench bench;
    if (!bench.ok) {
        state.SkipWithError("emulated mousepad not reachable");
        return;
    }
    pelan::bench::measureLightThreadCpu(state, bench.model);
}
BENCHMARK(BM_PadLightThreadCpuPerSecond)
    ->Arg(-1)
    ->Arg(0)
    ->Arg(1)
    ->Iterations(3)
    ->UseManualTime()
    ->Unit(benchmark::kSecond);

} // namespace

BENCHMARK_MAIN();
