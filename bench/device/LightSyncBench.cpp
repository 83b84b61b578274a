// The lighting sync thread driving an emulated mouse, mousepad and headset through the real hidraw path: processor
// time per second of wall time of the thread and the emulator's share of the light stream, at the fastest speed.
// state.range(0): 0 the thread runs with no device taking part, 1 all three synchronised.
#include <benchmark/benchmark.h>

#include <filesystem>

#include "LightThreadBench.h"
#include "device/HeadsetDevice.h"
#include "device/LightSync.h"
#include "device/MouseDevice.h"
#include "device/MousepadDevice.h"
#include "emulator/FirmwareDevice.h"
#include "support/EmulatedTree.h"

namespace {

using namespace pelan;

struct SyncBench {
    SyncBench() {
        ok = connect(mouse, "mouse", 4) && connect(pad, "mousepad", 4) && connect(headset, "headset", 0);
        LightInfo light;
        light.mode = 0; // the mouse's spectrum
        light.brightness = 4;
        light.speed = 4;
        ok = ok && shared.adopt(kDeviceKindMouse, light);
        runner.setModels({&mouse, &pad, &headset});
    }
    bool connect(UsbDeviceModel& model, const char* name, int collection) {
        const int id = emulated.tree().plug(emu::makeDevice(name));
        model.commandChannel.connected = 1;
        return id > 0 && model.commandChannel.device.open(emulated.pathOf(id, collection), true, true, true, false);
    }
    void takePart(bool on) {
        for (UsbDeviceModel* model : {static_cast<UsbDeviceModel*>(&mouse), static_cast<UsbDeviceModel*>(&pad),
                                      static_cast<UsbDeviceModel*>(&headset)})
            model->syncLighting = on ? 1 : 0;
        runner.wake();
    }

    test::EmulatedTree emulated;
    MouseDevice mouse;
    MousepadDevice pad;
    HeadsetDevice headset;
    light::SyncLighting shared;
    LightSyncRunner runner{shared};
    bool ok = false;
};

void BM_LightSyncThreadCpuPerSecond(benchmark::State& state) {
    SyncBench bench;
    if (!bench.ok) {
        state.SkipWithError("emulated devices not reachable");
        return;
    }
    WorkerThread worker;
    worker.start([&](StopEvent& stop) { bench.runner.run(stop); });
    bench.takePart(state.range(0) > 0);
    const size_t stepsBefore = bench.runner.stepsDone();
    double cpu = 0;
    for (auto _ : state) {
        const double before = bench::processCpuSeconds();
        std::this_thread::sleep_for(std::chrono::seconds(1));
        cpu = bench::processCpuSeconds() - before;
        state.SetIterationTime(1.0);
    }
    const double seconds = double(state.iterations());
    worker.stop([&] { bench.runner.wake(); });
    state.counters["cpu_percent_of_core"] = cpu * 100.0;
    state.counters["steps_per_second"] = double(bench.runner.stepsDone() - stepsBefore) / seconds;
}
BENCHMARK(BM_LightSyncThreadCpuPerSecond)->Arg(0)->Arg(1)->Iterations(3)->UseManualTime()->Unit(benchmark::kSecond);

} // namespace

BENCHMARK_MAIN();
