#include "profile/LanguageList.h"

#include "platform/Paths.h"

#include <cstdlib>
#include <fstream>
#include <json/reader.h>

namespace pelan {

std::vector<LanguageEntry> readLanguageList(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    Json::Value root;
    Json::CharReaderBuilder builder;
    std::string errors;
    if (!in || !Json::parseFromStream(builder, in, &root, &errors) || !root.isObject() || !root["Language"].isArray())
        return {};
    std::vector<LanguageEntry> list;
    for (const Json::Value& element : root["Language"]) {
        if (!element.isObject() || !element["Language_ID"].isInt() || !element["Language_file"].isString())
            continue;
        list.push_back({element["Language_ID"].asInt(), element.get("Language_name", "").asString(),
                        element["Language_file"].asString(), element.get("Language_text", "").asString(),
                        element.get("Language_locale", "").asString()});
    }
    return list;
}

std::vector<LanguageEntry> installedLanguages() {
    return readLanguageList(defaultDataFolder() + kLanguageListFile);
}

std::string localeLanguage() {
    for (const char* variable : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
        const char* value = std::getenv(variable);
        if (value == nullptr || value[0] == '\0')
            continue;
        const std::string locale(value);
        if (locale == "C" || locale == "POSIX" || locale.starts_with("C."))
            return {};
        return locale.substr(0, locale.find_first_of("_.@"));
    }
    return {};
}

int startLanguageIndex(const std::vector<LanguageEntry>& list, const std::string& storedId, const std::string& locale) {
    for (size_t i = 0; i < list.size(); ++i)
        if (!storedId.empty() && std::to_string(list[i].id) == storedId)
            return int(i);
    for (size_t i = 0; i < list.size(); ++i)
        if (!locale.empty() && list[i].locale == locale)
            return int(i);
    return 0;
}

} // namespace pelan
