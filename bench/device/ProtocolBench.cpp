// Exchanges per second against the emulated mouse through the real hidraw path, and the packets a 75-byte settings
// write takes compared with the least the protocol allows (begin, two chunks, end).
#include <benchmark/benchmark.h>

#include "device/ReportProtocol.h"
#include "emulator/FirmwareDevice.h"
#include "support/EmulatedTree.h"

namespace {

struct ConnectedMouse {
    ConnectedMouse() : mouse(pelan::emu::makeDevice("mouse")) {
        const int id = emulated.tree().plug(mouse);
        ok = protocol.device.open(emulated.pathOf(id, 4), true, true, true, false);
        protocol.connected = 1;
    }
    pelan::test::EmulatedTree emulated;
    std::shared_ptr<pelan::emu::FirmwareDevice> mouse;
    pelan::ReportProtocol protocol;
    bool ok = false;
};

void BM_OnlineCheckExchange(benchmark::State& state) {
    ConnectedMouse connected;
    if (!connected.ok) {
        state.SkipWithError("emulated mouse not reachable");
        return;
    }
    for (auto _ : state)
        benchmark::DoNotOptimize(connected.protocol.isOnline());
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_OnlineCheckExchange)->UseRealTime();

void BM_SettingsWrite75Bytes(benchmark::State& state) {
    ConnectedMouse connected;
    if (!connected.ok) {
        state.SkipWithError("emulated mouse not reachable");
        return;
    }
    std::vector<uint8_t> block(75, 0x11);
    size_t packets = 0;
    for (auto _ : state) {
        connected.mouse->clearRequestLog();
        connected.protocol.beginUpdate();
        connected.protocol.writeMemory(block.data(), 75, 0);
        connected.protocol.endUpdate();
        packets = connected.mouse->requestCount();
    }
    state.counters["packets"] = double(packets);
    state.counters["minimum_packets"] = 4;
}
BENCHMARK(BM_SettingsWrite75Bytes)->UseRealTime();

} // namespace

BENCHMARK_MAIN();
