// An SDK client sending 60 frames a second to an emulated mouse, mousepad and headset through the server pelanctl
// runs: processor time per second of wall time of the process, less the client thread's own. The emulator serving
// the light stream runs in the process and is counted, as the devices' side of the exchanges.
#include <benchmark/benchmark.h>

#include <atomic>
#include <chrono>
#include <ctime>
#include <thread>

#include "rgbserver/SdkTestClient.h"
#include "rgbserver/ServedDevices.h"

namespace {

using namespace pelan;

double cpuSeconds(clockid_t clock) {
    timespec now{};
    clock_gettime(clock, &now);
    return double(now.tv_sec) + double(now.tv_nsec) / 1e9;
}

std::vector<uint8_t> ledUpdate(size_t count, uint8_t shade) {
    rgb::Writer out;
    out.u32(uint32_t(4 + 2 + 4 * count));
    out.u16(uint16_t(count));
    for (size_t led = 0; led < count; ++led)
        out.u32(rgb::colourOf(shade, uint8_t(255 - shade), uint8_t(led)));
    return out.bytes();
}

void BM_ServerCpuAtSixtyFramesToThreeDevices(benchmark::State& state) {
    test::ServedDevices served({"mouse", "mousepad", "headset"});
    if (!served.start().empty()) {
        state.SkipWithError("the server did not start");
        return;
    }
    std::atomic<bool> running{true};
    std::atomic<double> clientCpu{0};
    std::thread client([&] {
        test::SdkTestClient sdk(served.serve().port());
        const size_t leds[] = {8, 23, 2};
        auto next = std::chrono::steady_clock::now();
        for (uint8_t frame = 0; running; ++frame) {
            for (uint32_t device = 0; device < 3; ++device)
                sdk.send(device, rgb::packet::kUpdateLeds, ledUpdate(leds[device], frame));
            clientCpu = cpuSeconds(CLOCK_THREAD_CPUTIME_ID);
            next += std::chrono::microseconds(1000000 / 60);
            std::this_thread::sleep_until(next);
        }
    });
    const size_t framesBefore = served.serve().server().framesShown();
    double cpu = 0;
    for (auto _ : state) {
        const double processBefore = cpuSeconds(CLOCK_PROCESS_CPUTIME_ID);
        const double clientBefore = clientCpu;
        std::this_thread::sleep_for(std::chrono::seconds(1));
        cpu = (cpuSeconds(CLOCK_PROCESS_CPUTIME_ID) - processBefore) - (clientCpu - clientBefore);
        state.SetIterationTime(1.0);
    }
    running = false;
    client.join();
    state.counters["cpu_percent_of_core"] = cpu * 100.0;
    state.counters["frames_per_second"] =
        double(served.serve().server().framesShown() - framesBefore) / double(state.iterations());
}
BENCHMARK(BM_ServerCpuAtSixtyFramesToThreeDevices)->Iterations(3)->UseManualTime()->Unit(benchmark::kSecond);

} // namespace

BENCHMARK_MAIN();
