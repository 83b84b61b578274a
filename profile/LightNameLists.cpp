#include "profile/LightNameLists.h"

#include "profile/JsonFileStore.h"
#include "profile/JsonLookup.h"
#include "profile/ProfileMembers.h"

namespace pelan {
namespace {

// The device's element of a list member, or an empty lookup when the tree has none.
JsonLookup deviceElement(Json::Value& tree, const char* listName, int deviceIndex) {
    JsonLookup list = JsonLookup(tree)[listName];
    if (deviceIndex < 0 || deviceIndex >= list.size())
        return {};
    return list[deviceIndex];
}

std::vector<std::string> lightNamesOf(const JsonLookup& entries) {
    std::vector<std::string> names;
    for (int i = 0; i < entries.size(); ++i)
        names.push_back(entries[i][member::kLightName].toString());
    return names;
}

} // namespace

void fillDefaultLightNames(const Json::Value& defaultLight, int deviceIndex, LightNameLists& lists) {
    Json::Value tree = defaultLight; // lookups create members; the caller's tree stays as it is
    JsonLookup defaults = deviceElement(tree, member::kDefaultLightName, deviceIndex);
    if (defaults.present()) {
        lists.defaultNames = lightNamesOf(defaults);
        lists.defaultVisible.clear();
        for (int i = 0; i < defaults.size(); ++i)
            lists.defaultVisible.push_back(defaults[i][member::kVisible].toBool());
    }
    JsonLookup areas = deviceElement(tree, member::kAreaLightName, deviceIndex);
    if (areas.present())
        lists.areaNames = lightNamesOf(areas);
}

void fillConfiguredLightNames(const Json::Value& lightConfig, int deviceIndex, LightNameLists& lists) {
    Json::Value tree = lightConfig;
    JsonLookup configured = deviceElement(tree, member::kLightInfo, deviceIndex);
    if (configured.present())
        lists.configuredNames = lightNamesOf(configured);
}

void loadLightNameLists(const std::string& defaultLightPath, const std::string& lightConfigPath, int deviceIndex,
                        LightNameLists& lists) {
    fillDefaultLightNames(JsonFileStore::loadJsonFile(defaultLightPath), deviceIndex, lists);
    fillConfiguredLightNames(JsonFileStore::loadJsonFile(lightConfigPath), deviceIndex, lists);
}

} // namespace pelan
