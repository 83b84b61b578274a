// Feeds arbitrary bytes to the profile list as its "ProfileList.ini" and as an imported profile, then runs every
// list operation: none of it may crash, throw, or write a file outside the user device folder.
#include "profile/ProfileList.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <unistd.h>

namespace {

// scratch/dev/ is the user device folder; scratch/ holds only the default profile and the import file.
const std::filesystem::path& scratchFolder() {
    static const std::filesystem::path folder =
        std::filesystem::temp_directory_path() / ("pelan-profile-list-fuzz-" + std::to_string(::getpid()));
    return folder;
}

void writeBytes(const std::filesystem::path& path, const uint8_t* data, size_t size) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
}

void runEveryOperation(pelan::ProfileList& list, const std::string& importPath, const std::string& exportPath) {
    list.initProfileList();
    list.selectProfile(static_cast<int>(list.items().size()) - 1);
    list.addProfile();
    list.copyProfile();
    list.importProfile(importPath);
    list.renameProfile("renamed");
    list.resetProfile();
    list.exportProfile(exportPath);
    list.deleteProfile();
    list.initProfileList();
}

// Only the device folder, the default profile, the import file and the export file may exist in the scratch folder.
void checkNothingWrittenOutside() {
    for (const auto& entry : std::filesystem::directory_iterator(scratchFolder())) {
        std::string name = entry.path().filename().string();
        if (name != "dev" && name != "default.Json" && name != "in.json" && name != "out.json")
            std::abort();
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::filesystem::path folder = scratchFolder();
    std::filesystem::remove_all(folder);
    std::filesystem::create_directories(folder / "dev");
    writeBytes(folder / "dev" / "ProfileList.ini", data, size);
    writeBytes(folder / "in.json", data, size);
    writeBytes(folder / "default.Json", data, size);

    for (int kind : {2, 7}) {
        pelan::ProfileList list;
        list.setDeviceKind(kind);
        list.setFolders((folder / "dev").string(), (folder / "default.Json").string());
        runEveryOperation(list, (folder / "in.json").string(), (folder / "out.json").string());
        for (const pelan::ProfileItem& item : list.items()) {
            if (std::filesystem::path(list.profilePath(item.id)).parent_path() != folder / "dev")
                std::abort();
        }
    }
    checkNothingWrittenOutside();
    std::filesystem::remove_all(folder);
    return 0;
}
