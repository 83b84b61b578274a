#include "platform/AtomicFile.h"
#include "platform/Paths.h"
#include "platform/SystemSettingsBackends.h"
#include "platform/Trace.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <json/reader.h>
#include <json/writer.h>
#include <sstream>

namespace pelan {
namespace {

// The file holds six small numbers; anything much larger is not ours.
constexpr std::uintmax_t kMaxStateFileBytes = 64 * 1024;

std::optional<std::string> readSmallFile(const std::string& path) {
    std::error_code error;
    std::uintmax_t size = std::filesystem::file_size(path, error);
    if (error)
        return std::nullopt;
    if (size > kMaxStateFileBytes) {
        trace("system settings: state file too large, ignored: " + path);
        return std::nullopt;
    }
    std::ifstream file(path, std::ios::binary);
    std::ostringstream text;
    text << file.rdbuf();
    if (!file && !file.eof())
        return std::nullopt;
    return text.str();
}

std::optional<Json::Value> parseObject(const std::string& text) {
    Json::CharReaderBuilder builder;
    Json::CharReaderBuilder::strictMode(&builder.settings_);
    builder["stackLimit"] = 16;
    std::unique_ptr<Json::CharReader> reader(builder.newCharReader());
    Json::Value root;
    std::string errors;
    try {
        if (!reader->parse(text.data(), text.data() + text.size(), &root, &errors) || !root.isObject())
            return std::nullopt;
    } catch (const Json::Exception&) {
        return std::nullopt; // nesting deeper than the stack limit
    }
    return root;
}

} // namespace

std::string defaultSystemSettingsStatePath() {
    return configFolder() + std::string(kProductTitle) + "/system-settings.json";
}

StateFileSystemSettings::StateFileSystemSettings(std::string path) : path_(std::move(path)) {}

std::map<SystemSetting, int> StateFileSystemSettings::load() const {
    std::map<SystemSetting, int> values;
    std::optional<std::string> text = readSmallFile(path_);
    if (!text)
        return values;
    std::optional<Json::Value> root = parseObject(*text);
    if (!root) {
        trace("system settings: state file is not a JSON object, ignored: " + path_);
        return values;
    }
    for (SystemSetting setting : kAllSystemSettings) {
        const Json::Value& member = (*root)[std::string(systemSettingName(setting))];
        if (!member.isInt())
            continue;
        SystemSettingRange range = systemSettingRange(setting);
        int value = member.asInt();
        if (value >= range.minimum && value <= range.maximum)
            values[setting] = value;
    }
    return values;
}

bool StateFileSystemSettings::apply(SystemSetting setting, int value) {
    std::lock_guard lock(mutex_);
    std::map<SystemSetting, int> values = load();
    values[setting] = value;
    Json::Value root(Json::objectValue);
    for (const auto& [stored, storedValue] : values)
        root[std::string(systemSettingName(stored))] = storedValue;
    Json::StreamWriterBuilder writer;
    writer["indentation"] = "    ";
    std::string parent = std::filesystem::path(path_).parent_path().string();
    if (!parent.empty() && !ensureFolder(parent))
        return false;
    int error = writeFileAtomically(path_, Json::writeString(writer, root) + "\n");
    if (error != 0)
        trace("system settings: cannot write " + path_ + ": " + std::to_string(error));
    return error == 0;
}

std::optional<int> StateFileSystemSettings::read(SystemSetting setting) {
    std::lock_guard lock(mutex_);
    std::map<SystemSetting, int> values = load();
    auto found = values.find(setting);
    return found != values.end() ? std::optional<int>(found->second) : std::nullopt;
}

} // namespace pelan
