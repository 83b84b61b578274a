#pragma once

#include <map>
#include <optional>
#include <string>
#include <string_view>

namespace pelan::osconf {

// The library's state file: property values by section ("simulated", "headset") and property name, one
// "section.property=value" line each. Every change is written at once, atomically, so the next process sees it.
class PropertyStore {
public:
    // $XDG_STATE_HOME, else ~/.local/state, + "/orvane-pelan/osConfLib.state".
    static std::string defaultPath();

    explicit PropertyStore(std::string path) : path_(std::move(path)) {}

    // Reads the file again; a missing or unreadable file holds nothing.
    void reload();
    std::optional<std::string> get(std::string_view section, std::string_view property) const;
    // False when the file could not be written (the value is then not kept either).
    bool set(std::string_view section, std::string_view property, const std::string& value);
    const std::string& path() const { return path_; }

private:
    static std::string key(std::string_view section, std::string_view property);
    std::string path_;
    std::map<std::string, std::string> values_;
};

} // namespace pelan::osconf
