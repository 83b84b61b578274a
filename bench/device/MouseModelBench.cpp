// The mouse model against the emulated mouse through the real hidraw path: the processor time its light thread
// takes per second of wall time (preview only, and streaming its frames), and a whole-profile apply (settings
// block, macro image, key table) in exchanges and time.
#include <benchmark/benchmark.h>

#include <ctime>
#include <filesystem>
#include <thread>
#include <unistd.h>

#include <json/value.h>

#include "LightThreadBench.h"
#include "device/DeviceProfile.h"
#include "device/MouseDevice.h"
#include "emulator/FirmwareDevice.h"
#include "platform/Paths.h"
#include "profile/JsonFileStore.h"
#include "support/EmulatedTree.h"

namespace {

using namespace std::chrono_literals;

struct MouseBench {
    MouseBench() : folder(std::filesystem::temp_directory_path() / ("pelan-mouse-bench-" + std::to_string(getpid()))) {
        std::filesystem::create_directories(folder);
        pelan::setDataFolderOverride(folder.string());
        mouse = pelan::emu::makeDevice("mouse");
        const int id = emulated.tree().plug(mouse);
        ok = model.commandChannel.device.open(emulated.pathOf(id, 4), true, true, true, false);
        model.commandChannel.connected = 1;
        ok = ok && model.readDevice().result == 1;
    }
    ~MouseBench() {
        model.stopThreads();
        pelan::setDataFolderOverride("");
        std::error_code ec;
        std::filesystem::remove_all(folder, ec);
    }

    void writeProfileAndMacros(int macros, int eventsEach) {
        const std::string device = model.userDeviceFolder();
        Json::Value node;
        node["LightInfo"]["SelectItem"] = 0;
        node["LightInfo"]["Light"] = 4;
        node["LightInfo"]["Speed"] = 4;
        for (int s = 0; s < 6; ++s)
            node["DPIStages"]["StageDPIs"][s]["StageDPIX"] = 4 + 8 * s;
        for (int k = 0; k < 10; ++k) {
            node["KeyList"][k]["Assignment"] = 0x200004 + k;
            node["KeyList"][k]["DefaultAssignment"] = 0x100100;
        }
        Json::Value file;
        file["Device"][0] = node;
        pelan::JsonFileStore::writeJsonFile(device + "bench.Json", file);
        model.profileName = "bench";
        Json::Value list;
        for (int m = 0; m < macros; ++m) {
            const std::string guid = "2024_01_01_00_00_00_1" + std::to_string(m);
            list["MacroInfo"][m]["MacroName"] = "macro_" + std::to_string(m + 1);
            list["MacroInfo"][m]["Guid"] = guid;
            Json::Value events;
            for (int e = 0; e < eventsEach; ++e) {
                events["Events"][e]["Delay"] = "20";
                events["Events"][e]["Type"] = 10;
                events["Events"][e]["Action"] = e % 2 ? "up" : "down";
                events["Events"][e]["Button"] = 4;
            }
            pelan::JsonFileStore::writeJsonFile(device + guid + ".mac", events);
        }
        pelan::JsonFileStore::writeJsonFile(device + "macro.config", list);
    }

    std::filesystem::path folder;
    pelan::test::EmulatedTree emulated;
    std::shared_ptr<pelan::emu::FirmwareDevice> mouse;
    pelan::MouseDevice model;
    bool ok = false;
};

// Fastest light speed, spectrum: the light thread's busiest setting.
void BM_MouseLightThreadCpuPerSecond(benchmark::State& state) {
    MouseBench bench;
    if (!bench.ok) {
        state.SkipWithError("emulated mouse not reachable");
        return;
    }
    bench.model.setLightInfo(0x01040400, 0, 0); // spectrum, level 4, speed 4, upwards
    pelan::bench::measureLightThreadCpu(state, bench.model);
}
BENCHMARK(BM_MouseLightThreadCpuPerSecond)
    ->Arg(-1)
    ->Arg(0)
    ->Arg(1)
    ->Iterations(3)
    ->UseManualTime()
    ->Unit(benchmark::kSecond);

// Settings block, macro image (5 macros of 40 events) and key table, as the reset action sends them.
void BM_MouseWholeProfileApply(benchmark::State& state) {
    MouseBench bench;
    if (!bench.ok) {
        state.SkipWithError("emulated mouse not reachable");
        return;
    }
    bench.writeProfileAndMacros(5, 40);
    size_t exchanges = 0;
    for (auto _ : state) {
        bench.mouse->clearRequestLog();
        const auto result = applyWholeProfile(bench.model);
        if (result.settingsResult != 1 || result.macroResult != 0 || result.keyResult != 1) {
            state.SkipWithError("profile apply failed");
            return;
        }
        exchanges = bench.mouse->requestCount();
    }
    state.counters["exchanges"] = double(exchanges);
}
BENCHMARK(BM_MouseWholeProfileApply)->UseRealTime()->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
