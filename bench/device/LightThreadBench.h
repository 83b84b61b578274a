#pragma once

#include <benchmark/benchmark.h>

#include <chrono>
#include <ctime>
#include <thread>

#include "device/UsbDeviceModel.h"

namespace pelan::bench {

inline double processCpuSeconds() {
    timespec now{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
    return double(now.tv_sec) + double(now.tv_nsec) / 1e9;
}

// The processor time of a model's light thread per second of wall time. state.range(0): -1 no light thread (what
// the rest of the process costs on its own), 0 preview only, 1 streaming. Each iteration is one second in which
// the benchmark thread only sleeps, so the process time is the light thread's (and, when streaming, the
// emulator's share of the exchanges).
inline void measureLightThreadCpu(benchmark::State& state, UsbDeviceModel& model) {
    model.streamLightFrames = state.range(0) > 0 ? 1 : 0;
    if (state.range(0) >= 0)
        model.startLightThread();
    double cpu = 0;
    for (auto _ : state) {
        const double before = processCpuSeconds();
        std::this_thread::sleep_for(std::chrono::seconds(1));
        cpu = processCpuSeconds() - before;
        state.SetIterationTime(1.0);
    }
    model.stopLightThread();
    state.counters["cpu_percent_of_core"] = cpu * 100.0;
    state.counters["mode"] = double(state.range(0));
}

} // namespace pelan::bench
