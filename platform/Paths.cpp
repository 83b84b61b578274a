#include "platform/Paths.h"

#include "platform/Trace.h"

#include <cstdlib>
#include <filesystem>
#include <mutex>
#include <system_error>

namespace pelan {
namespace {

struct FolderOverrides {
    std::mutex mutex;
    std::string dataFolder;
    std::string programFolder;
};

FolderOverrides& overrides() {
    static FolderOverrides instance;
    return instance;
}

std::string environmentFolder(const char* name) {
    const char* value = std::getenv(name);
    return value != nullptr && *value != '\0' ? withTrailingSlash(value) : std::string();
}

std::string overrideOrEnvironment(std::string FolderOverrides::*member, const char* variable) {
    {
        std::lock_guard lock(overrides().mutex);
        const std::string& folder = overrides().*member;
        if (!folder.empty())
            return folder;
    }
    return environmentFolder(variable);
}

std::string executableFolder() {
    const std::string executable = executablePath();
    std::error_code error;
    if (executable.empty())
        return withTrailingSlash(std::filesystem::current_path(error).string());
    return withTrailingSlash(std::filesystem::path(executable).parent_path().string());
}

bool isSafeFolderName(std::string_view name) {
    return !name.empty() && name.find('/') == std::string_view::npos && name.find("..") == std::string_view::npos &&
           name.find('\0') == std::string_view::npos;
}

} // namespace

std::string withTrailingSlash(std::string folder) {
    if (!folder.empty() && folder.back() != '/')
        folder.push_back('/');
    return folder;
}

std::string xdgFolder(const char* variable, const char* fallback) {
    const char* value = std::getenv(variable);
    if (value != nullptr && value[0] == '/')
        return withTrailingSlash(value);
    const char* home = std::getenv("HOME");
    return withTrailingSlash(std::string(home != nullptr ? home : "") + fallback);
}

std::string localAppDataFolder() {
    std::string folder = environmentFolder("XDG_DATA_HOME");
    if (!folder.empty())
        return folder;
    std::string home = environmentFolder("HOME");
    return (home.empty() ? std::string("/") : home) + ".local/share/";
}

std::string dataFolder() {
    std::string folder = overrideOrEnvironment(&FolderOverrides::dataFolder, "PELAN_DATA_DIR");
    if (!folder.empty())
        return folder;
    return localAppDataFolder() + std::string(kProductTitle) + "/";
}

std::string programFolder() {
    std::string folder = overrideOrEnvironment(&FolderOverrides::programFolder, "PELAN_PROGRAM_DIR");
    if (!folder.empty())
        return folder;
    std::string beside = executableFolder();
    std::error_code error;
    if (std::filesystem::is_directory(beside + "DefaultData", error))
        return beside;
    return withTrailingSlash(std::filesystem::path(beside + "../share/orvane-pelan/").lexically_normal().string());
}

std::string executablePath() {
    std::error_code error;
    std::filesystem::path executable = std::filesystem::read_symlink("/proc/self/exe", error);
    return error ? std::string() : executable.string();
}

std::string configFolder() {
    return xdgFolder("XDG_CONFIG_HOME", "/.config");
}

std::string defaultDataFolder() {
    return programFolder() + "DefaultData/";
}

std::string temporaryFolder() {
    std::string folder = environmentFolder("TMPDIR");
    return folder.empty() ? std::string("/tmp/") : folder;
}

bool ensureFolder(const std::string& folder) {
    std::error_code error;
    if (std::filesystem::is_directory(folder, error))
        return true;
    std::filesystem::create_directories(folder, error);
    if (std::filesystem::is_directory(folder, error))
        return true;
    trace("cannot create folder " + folder);
    return false;
}

std::string userDeviceFolder(std::string_view deviceFolderName) {
    if (!isSafeFolderName(deviceFolderName))
        return {};
    std::string parent = dataFolder();
    std::string folder = parent + std::string(deviceFolderName) + "/";
    if (folder.size() > kMaxFolderPathLength) {
        trace("user device folder path too long: " + folder);
        return {};
    }
    if (!ensureFolder(parent) || !ensureFolder(folder))
        return {};
    return folder;
}

void setDataFolderOverride(std::string folder) {
    std::lock_guard lock(overrides().mutex);
    overrides().dataFolder = withTrailingSlash(std::move(folder));
}

void setProgramFolderOverride(std::string folder) {
    std::lock_guard lock(overrides().mutex);
    overrides().programFolder = withTrailingSlash(std::move(folder));
}

} // namespace pelan
