// Feeds arbitrary bytes to the JSON file store as a file, then loads them as every kind of profile, light
// configuration and light name list and runs every read operation: none of it may crash or throw.
#include "profile/JsonFileStore.h"
#include "profile/LightNameLists.h"
#include "tests/profile/ReadEveryMember.h"

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>
#include <unistd.h>

namespace {

std::string scratchFile() {
    static const std::string path =
        (std::filesystem::temp_directory_path() / ("pelan-load-json-fuzz-" + std::to_string(::getpid()) + ".Json"))
            .string();
    return path;
}

void writeInput(const std::string& path, const uint8_t* data, size_t size) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
}

// Each kind gets the input afresh: loading a profile may rewrite the file.
template <typename Profile>
void loadAndRead(const std::string& path, const uint8_t* data, size_t size) {
    writeInput(path, data, size);
    Profile profile;
    profile.setProfilePath(path);
    profile.setDefaultProfilePath(path);
    profile.loadLightConfig(path);
    profile.loadProfile(path);
    pelan::testing::readEveryMember(profile);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string path = scratchFile();
    writeInput(path, data, size);
    Json::Value tree = pelan::JsonFileStore::loadJsonFile(path);
    pelan::JsonFileStore::styledText(tree);

    pelan::LightNameLists lists;
    for (int deviceIndex = 0; deviceIndex < 4; ++deviceIndex)
        pelan::loadLightNameLists(path, path, deviceIndex, lists);
    loadAndRead<pelan::CMouseProfiledata>(path, data, size);
    loadAndRead<pelan::CKeyboardProfiledata>(path, data, size);
    loadAndRead<pelan::CDi6533Profiledata>(path, data, size);
    std::filesystem::remove(path);
    return 0;
}
