// Loading, reading every member of and saving 50 profiles of each kind, as switching through a user's profiles
// and storing them again does.
#include "platform/Paths.h"
#include "profile/DefaultFiles.h"
#include "profile/ReadEveryMember.h"
#include "support/TempFolder.h"

#include <benchmark/benchmark.h>
#include <cstdlib>
#include <filesystem>

namespace pelan {
namespace {

constexpr int kProfileCount = 50;

// 50 copies of a kind's factory profile in a fresh folder.
class ProfileSet {
public:
    explicit ProfileSet(const char* kind) {
        const char* source = std::getenv("PELAN_SOURCE_DIR");
        setProgramFolderOverride(source ? source : PELAN_SOURCE_DIR_FALLBACK);
        defaultPath = defaultProfilePath(kind);
        for (int i = 0; i < kProfileCount; ++i) {
            paths.push_back(folder.file(std::to_string(i) + ".Json"));
            std::filesystem::copy_file(defaultPath, paths.back());
        }
    }

    testing::TempFolder folder;
    std::string defaultPath;
    std::vector<std::string> paths;
};

template <typename Profile>
void loadAndReadAll(benchmark::State& state, const char* kind) {
    ProfileSet set(kind);
    for (auto _ : state) {
        for (const std::string& path : set.paths) {
            Profile profile;
            profile.setDefaultProfilePath(set.defaultPath);
            profile.setProfilePath(path);
            benchmark::DoNotOptimize(profile.loadProfile(path));
            testing::readEveryMember(profile);
        }
    }
    state.SetItemsProcessed(state.iterations() * kProfileCount);
}

template <typename Profile>
void saveAll(benchmark::State& state, const char* kind) {
    ProfileSet set(kind);
    std::vector<Profile> profiles(kProfileCount);
    for (int i = 0; i < kProfileCount; ++i) {
        profiles[static_cast<std::size_t>(i)].setProfilePath(set.paths[static_cast<std::size_t>(i)]);
        profiles[static_cast<std::size_t>(i)].loadProfile(set.paths[static_cast<std::size_t>(i)]);
    }
    for (auto _ : state)
        for (Profile& profile : profiles)
            benchmark::DoNotOptimize(profile.saveProfile());
    state.SetItemsProcessed(state.iterations() * kProfileCount);
}

void loadAndReadMice(benchmark::State& state) {
    loadAndReadAll<CMouseProfiledata>(state, "mouse");
}
void loadAndReadKeyboards(benchmark::State& state) {
    loadAndReadAll<CKeyboardProfiledata>(state, "keyboard");
}
void loadAndReadHeadsets(benchmark::State& state) {
    loadAndReadAll<CDi6533Profiledata>(state, "HD");
}
void saveMice(benchmark::State& state) {
    saveAll<CMouseProfiledata>(state, "mouse");
}
void saveKeyboards(benchmark::State& state) {
    saveAll<CKeyboardProfiledata>(state, "keyboard");
}
void saveHeadsets(benchmark::State& state) {
    saveAll<CDi6533Profiledata>(state, "HD");
}

BENCHMARK(loadAndReadMice)->Unit(benchmark::kMillisecond);
BENCHMARK(loadAndReadKeyboards)->Unit(benchmark::kMillisecond);
BENCHMARK(loadAndReadHeadsets)->Unit(benchmark::kMillisecond);
BENCHMARK(saveMice)->Unit(benchmark::kMillisecond);
BENCHMARK(saveKeyboards)->Unit(benchmark::kMillisecond);
BENCHMARK(saveHeadsets)->Unit(benchmark::kMillisecond);

} // namespace
} // namespace pelan

BENCHMARK_MAIN();
