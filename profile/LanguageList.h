#pragma once

#include <string>
#include <vector>

namespace pelan {

// One entry of "Language.config": the id kept in the settings file, the name and file handed to the resource
// manager, the text offered in the settings window and the locale language code ("en", "zh") it serves.
struct LanguageEntry {
    int id = 0;
    std::string name;
    std::string file;
    std::string text;
    std::string locale;
};

inline constexpr const char* kLanguageListFile = "Language.config";
// The settings file key of the chosen entry's id.
inline constexpr const char* kLanguageSettingsKey = "LANGUAGE";

// The entries of a language list file, in file order; empty when the file is missing or not a language list.
std::vector<LanguageEntry> readLanguageList(const std::string& path);
// The list of the default data folder.
std::vector<LanguageEntry> installedLanguages();

// The language code of the user's locale: LC_ALL, else LC_MESSAGES, else LANG, cut before '_', '.' or '@'
// ("zh_CN.UTF-8" gives "zh"); "" when none is set or the locale is "C"/"POSIX".
std::string localeLanguage();

// The index to start with: the entry whose id is the stored text; when nothing (or no known id) is stored, the entry
// serving the locale's language; else 0.
int startLanguageIndex(const std::vector<LanguageEntry>& list, const std::string& storedId, const std::string& locale);

} // namespace pelan
