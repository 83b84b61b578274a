#include "profile/DefaultFiles.h"

#include "platform/AtomicFile.h"
#include "platform/Paths.h"
#include "profile/FileStem.h"
#include "profile/JsonFileStore.h"
#include "profile/JsonLookup.h"
#include "profile/ProfileMembers.h"

#include <filesystem>
#include <set>

namespace pelan {

std::string defaultProfilePath(std::string_view deviceFolderName) {
    return defaultDataFolder() + std::string(deviceFolderName) + std::string(kProfileExtension);
}

std::string defaultLightPath() {
    return defaultDataFolder() + std::string(kDefaultLightFile);
}

std::string lightConfigPath(const std::string& userDeviceFolder) {
    return withTrailingSlash(userDeviceFolder) + std::string(kLightConfigStem) + std::string(kLightConfigExtension);
}

namespace {

void copyWhenMissing(const std::string& from, const std::string& to) {
    std::error_code error;
    if (std::filesystem::exists(std::filesystem::symlink_status(to, error)))
        return;
    const std::string bytes = JsonFileStore::readJsonText(from);
    if (!bytes.empty())
        writeFileAtomically(to, bytes);
}

// The effect files a light configuration names: every "Guid" of every device's list.
std::set<std::string> effectStems(const Json::Value& config) {
    std::set<std::string> stems;
    Json::Value tree = config; // lookups create members; the caller's tree stays as it is
    JsonLookup devices = JsonLookup(tree)[member::kLightInfo];
    for (int device = 0; device < devices.size(); ++device)
        for (int effect = 0; effect < devices[device].size(); ++effect)
            if (std::string stem = devices[device][effect][member::kGuid].toString(); isPlainFileStem(stem))
                stems.insert(stem);
    return stems;
}

} // namespace

void provideLightFiles(const std::string& userDeviceFolder) {
    if (userDeviceFolder.empty())
        return;
    const std::string shipped =
        defaultDataFolder() + std::string(kLightConfigStem) + std::string(kLightConfigExtension);
    copyWhenMissing(shipped, lightConfigPath(userDeviceFolder));
    const std::string folder = withTrailingSlash(userDeviceFolder);
    for (const std::string& stem : effectStems(JsonFileStore::loadJsonFile(shipped))) {
        const std::string name = stem + std::string(kLightEffectExtension);
        copyWhenMissing(defaultDataFolder() + name, folder + name);
    }
}

} // namespace pelan
