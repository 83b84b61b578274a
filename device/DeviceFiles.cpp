#include "device/DeviceFiles.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <utility>

#include "platform/Hidraw.h"
#include "platform/Paths.h"
#include "platform/Trace.h"

namespace pelan {
namespace {

namespace fs = std::filesystem;

// A device file is a few lines; anything much larger is not one.
constexpr std::uintmax_t kMaxDeviceFileSize = 64 * 1024;
constexpr const char* kSystemDeviceFileFolder = "/etc/orvane-pelan/devices.d/";

struct KindName {
    const char* name;
    uint16_t kind;
};
constexpr std::array<KindName, 4> kKindNames = {{
    {"keyboard", kDeviceKindKeyboard},
    {"mouse", kDeviceKindMouse},
    {"mousepad", kDeviceKindMousepad},
    {"headset", kDeviceKindHeadset},
}};

std::string_view trimmed(std::string_view text) {
    const size_t first = text.find_first_not_of(" \t\r");
    if (first == std::string_view::npos)
        return {};
    const size_t last = text.find_last_not_of(" \t\r");
    return text.substr(first, last - first + 1);
}

std::optional<uint16_t> hexWord(std::string_view text, uint32_t max = 0xFFFF) {
    uint32_t value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value, 16);
    if (text.empty() || text.size() > 4 || error != std::errc() || end != text.data() + text.size() || value > max)
        return std::nullopt;
    return uint16_t(value);
}

// "0c45:7643" into two words.
bool hexPair(std::string_view text, uint16_t& first, uint16_t& second) {
    const size_t colon = text.find(':');
    if (colon == std::string_view::npos)
        return false;
    const auto a = hexWord(text.substr(0, colon));
    const auto b = hexWord(text.substr(colon + 1));
    if (!a || !b)
        return false;
    first = *a;
    second = *b;
    return true;
}

std::vector<std::string_view> words(std::string_view text) {
    std::vector<std::string_view> out;
    size_t at = 0;
    while (at < text.size()) {
        const size_t start = text.find_first_not_of(" \t", at);
        if (start == std::string_view::npos)
            break;
        const size_t end = std::min(text.find_first_of(" \t", start), text.size());
        out.push_back(text.substr(start, end - start));
        at = end;
    }
    return out;
}

// One interface line's value; the kind is set once the whole file is read. "" or what is wrong with it.
std::string parseInterface(std::string_view value, SupportedDeviceEntry& row, bool& wireless) {
    const std::vector<std::string_view> fields = words(value);
    if (fields.size() != 5 && fields.size() != 6)
        return "an interface needs vendor:product, interface, collection, role and usage-page:usage";
    if (!hexPair(fields[0], row.vendorId, row.productId))
        return "vendor:product must be two hexadecimal numbers such as 0c45:7643";
    const auto interface = hexWord(fields[1], 0xFF);
    const auto collection = hexWord(fields[2], 0xFF);
    if (!interface || !collection)
        return "interface and collection numbers must be hexadecimal numbers up to ff";
    row.interfaceNumber = *interface;
    row.collectionNumber = *collection;
    if (fields[3] == "command")
        row.interfaceRole = kInterfaceRoleCommand;
    else if (fields[3] == "notification")
        row.interfaceRole = kInterfaceRoleNotification;
    else
        return "the role must be command or notification";
    if (!hexPair(fields[4], row.usagePage, row.usage))
        return "usage-page:usage must be two hexadecimal numbers such as ff1c:0092";
    wireless = fields.size() == 6;
    if (wireless && fields[5] != "wireless")
        return "only the word wireless may follow the usage";
    return {};
}

std::string lineError(size_t line, const std::string& what) {
    return "line " + std::to_string(line) + ": " + what;
}

bool readSmallFile(const fs::path& path, std::string& text) {
    std::error_code error;
    const std::uintmax_t size = fs::file_size(path, error);
    if (error || size > kMaxDeviceFileSize)
        return false;
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return false;
    std::ostringstream buffer;
    buffer << in.rdbuf();
    text = buffer.str();
    return !in.bad();
}

// The *.device files of the folders by name, each from the last folder that has one of that name, with the rank
// of that folder.
std::map<std::string, std::pair<fs::path, size_t>> effectiveFiles(const std::vector<std::string>& folders) {
    std::map<std::string, std::pair<fs::path, size_t>> files;
    for (size_t rank = 0; rank < folders.size(); ++rank) {
        std::error_code error;
        for (fs::directory_iterator it(folders[rank], error), end; !error && it != end; it.increment(error)) {
            const std::string name = it->path().filename().string();
            if (name.size() <= kDeviceFileSuffix.size() || !name.ends_with(kDeviceFileSuffix))
                continue;
            std::error_code typeError;
            if (!it->is_regular_file(typeError))
                continue;
            files[name] = {it->path(), rank};
        }
    }
    return files;
}

std::string interfaceText(const SupportedDeviceEntry& row) {
    char text[48];
    std::snprintf(text, sizeof text, "%04x:%04x interface %02x collection %02x", row.vendorId, row.productId,
                  row.interfaceNumber, row.collectionNumber);
    return text;
}

} // namespace

uint16_t deviceKindFromName(std::string_view name) {
    for (const KindName& entry : kKindNames)
        if (name == entry.name)
            return entry.kind;
    return 0;
}

std::string deviceKindFileName(uint16_t kind) {
    if (kind == kDeviceKindWirelessMouse)
        kind = kDeviceKindMouse;
    for (const KindName& entry : kKindNames)
        if (kind == entry.kind)
            return entry.name;
    return {};
}

std::optional<DeviceFile> parseDeviceFile(std::string_view text, std::string& error) {
    DeviceFile file;
    std::vector<std::pair<size_t, bool>> wirelessOfRow; // line number, wireless mark
    size_t lineNumber = 0;
    while (!text.empty()) {
        ++lineNumber;
        const size_t end = std::min(text.find('\n'), text.size());
        const std::string_view line = trimmed(text.substr(0, end));
        text.remove_prefix(std::min(end + 1, text.size()));
        if (line.empty() || line.front() == '#')
            continue;
        const size_t equals = line.find('=');
        if (equals == std::string_view::npos) {
            error = lineError(lineNumber, "expected name = value");
            return std::nullopt;
        }
        const std::string_view key = trimmed(line.substr(0, equals));
        const std::string_view value = trimmed(line.substr(equals + 1));
        if (key == "name") {
            file.name = std::string(value);
        } else if (key == "kind") {
            file.kind = deviceKindFromName(value);
            if (file.kind == 0) {
                error = lineError(lineNumber, "the kind must be mouse, keyboard, mousepad or headset");
                return std::nullopt;
            }
        } else if (key == "interface") {
            SupportedDeviceEntry row;
            bool wireless = false;
            if (const std::string what = parseInterface(value, row, wireless); !what.empty()) {
                error = lineError(lineNumber, what);
                return std::nullopt;
            }
            for (const SupportedDeviceEntry& earlier : file.rows)
                if (sameInterface(earlier, row)) {
                    error = lineError(lineNumber, "the interface is named twice");
                    return std::nullopt;
                }
            file.rows.push_back(row);
            wirelessOfRow.emplace_back(lineNumber, wireless);
        } else {
            error = lineError(lineNumber, "unknown name " + std::string(key));
            return std::nullopt;
        }
    }
    if (file.kind == 0 && !file.rows.empty()) {
        error = "no kind = line";
        return std::nullopt;
    }
    for (size_t i = 0; i < file.rows.size(); ++i) {
        const auto [line, wireless] = wirelessOfRow[i];
        // Only the mouse page has a wireless form.
        if (wireless && file.kind != kDeviceKindMouse) {
            error = lineError(line, "only a mouse can be wireless");
            return std::nullopt;
        }
        file.rows[i].deviceKind = wireless ? uint16_t(kDeviceKindWirelessMouse) : file.kind;
    }
    return file;
}

std::string formatDeviceFile(const DeviceFile& file) {
    std::string text;
    if (!file.name.empty())
        text += "name = " + file.name + "\n";
    if (file.kind != 0)
        text += "kind = " + deviceKindFileName(file.kind) + "\n";
    for (const SupportedDeviceEntry& row : file.rows) {
        char line[96];
        std::snprintf(line, sizeof line, "interface = %04x:%04x %02x %02x %s %04x:%04x%s\n", row.vendorId,
                      row.productId, row.interfaceNumber, row.collectionNumber,
                      row.interfaceRole == kInterfaceRoleCommand ? "command" : "notification", row.usagePage, row.usage,
                      row.deviceKind == kDeviceKindWirelessMouse ? " wireless" : "");
        text += line;
    }
    return text;
}

std::string shippedDeviceFileFolder() {
    return defaultDataFolder() + "devices/";
}

std::string userDeviceFileFolder() {
    return configFolder() + "orvane-pelan/devices.d/";
}

bool emulatedRun() {
    return platform::hidrawRoot() != "/";
}

std::vector<std::string> deviceFileFolders() {
    std::vector<std::string> folders = {shippedDeviceFileFolder()};
    if (emulatedRun())
        folders.push_back(shippedDeviceFileFolder() + "demo/");
    folders.push_back(kSystemDeviceFileFolder);
    folders.push_back(userDeviceFileFolder());
    return folders;
}

KnownDeviceTable loadDeviceFiles(const std::vector<std::string>& folders) {
    KnownDeviceTable table;
    std::vector<size_t> rankOfRow;
    for (const auto& [name, where] : effectiveFiles(folders)) {
        const auto& [path, rank] = where;
        std::string text;
        std::string error;
        std::optional<DeviceFile> file;
        if (!readSmallFile(path, text))
            error = "cannot be read";
        else
            file = parseDeviceFile(text, error);
        if (!file) {
            trace("device file " + path.string() + " left out: " + error);
            continue;
        }
        for (const SupportedDeviceEntry& row : file->rows) {
            KnownInterface known{row, file->name, path.string()};
            const auto clash = std::find_if(table.begin(), table.end(),
                                            [&](const KnownInterface& k) { return sameInterface(k.entry, row); });
            if (clash == table.end()) {
                table.push_back(std::move(known));
                rankOfRow.push_back(rank);
                continue;
            }
            // Files are taken in name order; the folder read later wins, and within one folder the later name.
            const size_t at = size_t(clash - table.begin());
            const bool newWins = rank >= rankOfRow[at];
            trace("device files " + clash->file + " and " + path.string() + " both name " + interfaceText(row) + ": " +
                  (newWins ? path.string() : clash->file) + " wins");
            if (newWins) {
                *clash = std::move(known);
                rankOfRow[at] = rank;
            }
        }
    }
    return table;
}

KnownDeviceTable loadKnownDevices() {
    return loadDeviceFiles(deviceFileFolders());
}

std::vector<SupportedDeviceEntry> tableEntries(const KnownDeviceTable& table) {
    std::vector<SupportedDeviceEntry> entries;
    entries.reserve(table.size());
    for (const KnownInterface& known : table)
        entries.push_back(known.entry);
    return entries;
}

} // namespace pelan
