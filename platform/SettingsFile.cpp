#include "platform/SettingsFile.h"

#include "platform/AtomicFile.h"
#include "platform/Paths.h"

#include <fstream>
#include <sstream>

namespace pelan {
namespace {

std::string readSettingsText() {
    std::ifstream in(settingsFilePath(), std::ios::binary);
    std::ostringstream bytes;
    bytes << in.rdbuf();
    return bytes.str();
}

bool isKeyLine(const std::string& line, const std::string& key) {
    return line.size() > key.size() && line.compare(0, key.size(), key) == 0 && line[key.size()] == '=';
}

} // namespace

std::string settingsFilePath() {
    return configFolder() + std::string(kProductTitle) + "/" + kSettingsFileName;
}

std::string settingsValue(const std::string& key) {
    std::istringstream lines(readSettingsText());
    for (std::string line; std::getline(lines, line);) {
        if (isKeyLine(line, key)) {
            std::string value = line.substr(key.size() + 1);
            while (!value.empty() && (value.back() == '\r' || value.back() == ' '))
                value.pop_back();
            return value;
        }
    }
    return {};
}

bool writeSettingsValue(const std::string& key, const std::string& value) {
    if (key.empty() || key.find_first_of("=\n\r") != std::string::npos ||
        value.find_first_of("\n\r") != std::string::npos)
        return false;
    std::istringstream lines(readSettingsText());
    std::string text;
    bool replaced = false;
    for (std::string line; std::getline(lines, line);) {
        if (isKeyLine(line, key)) {
            if (replaced)
                continue;
            line = key + "=" + value;
            replaced = true;
        }
        text += line + "\n";
    }
    if (!replaced)
        text += key + "=" + value + "\n";
    const std::string path = settingsFilePath();
    return ensureFolder(path.substr(0, path.rfind('/') + 1)) && writeFileAtomically(path, text) == 0;
}

} // namespace pelan
