#include "headset/osconflib/LadspaPlugins.h"

#include <cstdlib>
#include <filesystem>
#include <sstream>

namespace pelan::osconf {

std::vector<std::string> ladspaFolders() {
    const char* path = std::getenv("LADSPA_PATH");
    if (path == nullptr)
        return {"/usr/lib/ladspa", "/usr/local/lib/ladspa", "/usr/lib/x86_64-linux-gnu/ladspa"};
    std::vector<std::string> folders;
    std::istringstream list(path);
    for (std::string folder; std::getline(list, folder, ':');) {
        if (!folder.empty())
            folders.push_back(folder);
    }
    return folders;
}

std::string findLadspaPlugin(const std::string& fileName) {
    if (fileName.empty() || fileName.find('/') != std::string::npos)
        return {};
    for (const std::string& folder : ladspaFolders()) {
        const std::filesystem::path candidate = std::filesystem::path(folder) / fileName;
        std::error_code error;
        if (std::filesystem::is_regular_file(candidate, error))
            return candidate.string();
    }
    return {};
}

} // namespace pelan::osconf
