#include "headset/osconflib/PropertyStore.h"

#include "platform/AtomicFile.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <system_error>

namespace pelan::osconf {

std::string PropertyStore::defaultPath() {
    std::string base;
    if (const char* state = std::getenv("XDG_STATE_HOME"); state != nullptr && state[0] == '/')
        base = state;
    else if (const char* home = std::getenv("HOME"); home != nullptr && home[0] != '\0')
        base = std::string(home) + "/.local/state";
    else
        return {};
    return base + "/orvane-pelan/osConfLib.state";
}

std::string PropertyStore::key(std::string_view section, std::string_view property) {
    return std::string(section) + "." + std::string(property);
}

void PropertyStore::reload() {
    values_.clear();
    std::ifstream file(path_);
    std::string line;
    while (std::getline(file, line)) {
        const size_t equals = line.find('=');
        if (equals == std::string::npos || equals == 0)
            continue;
        values_[line.substr(0, equals)] = line.substr(equals + 1);
    }
}

std::optional<std::string> PropertyStore::get(std::string_view section, std::string_view property) const {
    const auto found = values_.find(key(section, property));
    if (found == values_.end())
        return std::nullopt;
    return found->second;
}

bool PropertyStore::set(std::string_view section, std::string_view property, const std::string& value) {
    if (path_.empty() || value.find('\n') != std::string::npos)
        return false;
    std::map<std::string, std::string> changed = values_;
    changed[key(section, property)] = value;
    std::ostringstream text;
    for (const auto& [name, stored] : changed)
        text << name << '=' << stored << '\n';
    std::error_code error;
    std::filesystem::create_directories(std::filesystem::path(path_).parent_path(), error);
    if (writeFileAtomically(path_, text.str()) != 0)
        return false;
    values_ = std::move(changed);
    return true;
}

} // namespace pelan::osconf
