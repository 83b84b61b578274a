// Macro memory image: 50 macros of 2000 events each, the most the editor lets a user make. Such a set needs
// 400316 bytes and cannot be sent (sizes are 16-bit), so the folder benchmark measures what the device model pays
// to reach that answer: reading and parsing the list and 50 event files. The assembly benchmarks build images in
// memory, the 50 x 2000 set and the largest image a 16-bit size allows.
#include "macro/MacroFiles.h"
#include "macro/MacroImage.h"

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <json/value.h>
#include <string>

namespace {

constexpr int kMacroCount = 50;
constexpr int kEventsPerMacro = 2000;
constexpr size_t kDeviceCapacity = 255 * pelan::kMacroCapacityUnit;

using Macros = std::vector<std::vector<pelan::MacroEvent>>;

Macros macroSet(int macroCount, int eventsPerMacro) {
    Macros macros(static_cast<size_t>(macroCount));
    for (auto& events : macros)
        for (int i = 0; i < eventsPerMacro; ++i)
            events.push_back({10, 4 + i % 26, i % 2 == 0, static_cast<uint16_t>(i % 500)});
    return macros;
}

class MacroFolder {
public:
    MacroFolder() {
        const char* tmp = std::getenv("TMPDIR");
        std::string pattern = std::string(tmp && *tmp ? tmp : "/tmp") + "/pelan-macro-bench-XXXXXX";
        folder_ = std::string(::mkdtemp(pattern.data())) + "/";
        Json::Value list(Json::objectValue);
        for (int m = 0; m < kMacroCount; ++m) {
            const std::string guid = "2024_01_01_00_00_00_" + std::to_string(100 + m);
            Json::Value entry(Json::objectValue);
            entry[pelan::kMacroNameMember] = "macro_" + std::to_string(m + 1);
            entry[pelan::kMacroGuidMember] = guid;
            list[pelan::kMacroInfoMember].append(entry);
            writeEvents(guid);
        }
        std::ofstream(folder_ + "macro.config") << list.toStyledString();
    }
    ~MacroFolder() {
        std::error_code ignored;
        std::filesystem::remove_all(folder_, ignored);
    }
    const std::string& path() const { return folder_; }

private:
    void writeEvents(const std::string& guid) const {
        Json::Value file(Json::objectValue);
        Json::Value& events = file[pelan::kMacroEventsMember] = Json::Value(Json::arrayValue);
        const Macros macros = macroSet(1, kEventsPerMacro);
        for (const pelan::MacroEvent& event : macros[0])
            events.append(pelan::makeMacroEventObject(event));
        file[pelan::kMacroVersionMember] = pelan::kMacroFileVersion;
        std::ofstream(folder_ + guid + ".mac") << file.toStyledString();
    }

    std::string folder_;
};

void BM_MacroImageFromFolder50x2000(benchmark::State& state) {
    const MacroFolder folder;
    for (auto _ : state) {
        auto result = pelan::buildMacroImageFromFolder(folder.path(), "macro.config", kDeviceCapacity);
        benchmark::DoNotOptimize(result);
    }
    state.SetItemsProcessed(state.iterations() * kMacroCount * kEventsPerMacro);
}
BENCHMARK(BM_MacroImageFromFolder50x2000)->Unit(benchmark::kMillisecond);

void BM_MacroImageInMemory50x2000(benchmark::State& state) {
    const Macros macros = macroSet(kMacroCount, kEventsPerMacro);
    for (auto _ : state) {
        auto result = pelan::buildMacroImage(macros, kDeviceCapacity);
        benchmark::DoNotOptimize(result);
    }
}
BENCHMARK(BM_MacroImageInMemory50x2000);

// 50 macros filling a 16-bit image: 16 + 50 x 6 + 4 x 16300 = 65516 bytes.
void BM_MacroImageLargest(benchmark::State& state) {
    const Macros macros = macroSet(kMacroCount, 326);
    for (auto _ : state) {
        auto result = pelan::buildMacroImage(macros, pelan::kMaxMacroImageSize);
        benchmark::DoNotOptimize(result.bytes.data());
    }
    state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(pelan::macroImageSize(macros)));
}
BENCHMARK(BM_MacroImageLargest)->Unit(benchmark::kMicrosecond);

} // namespace

BENCHMARK_MAIN();
