// Feeds arbitrary bytes to the macro file loaders as a macro list file and as event files, then runs every
// operation that reads them: list, events of each macro, save of what was loaded, and the device image.
// Input: list file bytes, then the separator "\n--\n", then event file bytes (all list bytes when there is none).
#include "macro/MacroEvent.h"
#include "macro/MacroFiles.h"
#include "macro/MacroImage.h"
#include "macro/MacroJson.h"
#include "profile/JsonFileStore.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <string_view>

namespace {

constexpr std::string_view kSeparator = "\n--\n";
constexpr size_t kMaxMacrosVisited = 8;

// A temporary folder for the whole run, removed when the process ends.
struct FuzzFolder {
    FuzzFolder() {
        const char* tmp = std::getenv("TMPDIR");
        std::string pattern = std::string(tmp && *tmp ? tmp : "/tmp") + "/pelan-macro-fuzz-XXXXXX";
        path = std::string(::mkdtemp(pattern.data())) + "/";
    }
    ~FuzzFolder() {
        std::error_code ignored;
        std::filesystem::remove_all(path, ignored);
    }
    std::string path;
};

const std::string& fuzzFolder() {
    static const FuzzFolder folder;
    return folder.path;
}

void writeFile(const std::string& path, std::string_view bytes) {
    std::ofstream(path, std::ios::binary).write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

void clearFolder(const std::string& folder) {
    std::error_code ignored;
    for (const auto& entry : std::filesystem::directory_iterator(folder, ignored))
        std::filesystem::remove_all(entry.path(), ignored);
}

void exerciseEventText(std::string_view text) {
    const auto root = pelan::JsonFileStore::parseJsonText(text);
    if (!root)
        return;
    for (const Json::Value& element : pelan::memberArray(*root, pelan::kMacroEventsMember))
        pelan::macroEventDisplay(pelan::readMacroEvent(element));
}

void exerciseLibrary(const std::string& folder, std::string_view events) {
    pelan::MacroLibrary library(folder, std::string(pelan::kMacroListFile), [] { return std::string("fuzz"); });
    library.load();
    for (size_t i = 0; i < library.entries().size() && i < kMaxMacrosVisited; ++i) {
        const std::string path = pelan::macroEventFilePath(folder, library.entries()[i].guid);
        if (!path.empty())
            writeFile(path, events);
        library.select(i);
        library.saveEvents(library.loadEvents());
        library.rename(library.entries()[i].name);
    }
    pelan::buildMacroImageFromFolder(folder, std::string(pelan::kMacroListFile), 255 * pelan::kMacroCapacityUnit);
    library.add();
    if (!library.entries().empty())
        library.remove(0);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view input(reinterpret_cast<const char*>(data), size);
    const size_t split = input.find(kSeparator);
    const std::string_view list = input.substr(0, split);
    const std::string_view events = split == std::string_view::npos ? input : input.substr(split + kSeparator.size());

    const std::string& folder = fuzzFolder();
    writeFile(folder + std::string(pelan::kMacroListFile), list);
    exerciseEventText(events);
    exerciseLibrary(folder, events);
    clearFolder(folder);
    return 0;
}
