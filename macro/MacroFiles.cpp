#include "macro/MacroFiles.h"

#include "keys/KeyTables.h"
#include "macro/MacroJson.h"
#include "platform/AtomicFile.h"
#include "platform/Paths.h"
#include "profile/JsonFileStore.h"
#include "profile/NameLimit.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <utility>

namespace pelan {
namespace {

bool sameNameIgnoringCase(std::string_view a, std::string_view b) {
    return std::equal(a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) {
        const auto lower = [](char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; };
        return lower(x) == lower(y);
    });
}

bool nameInUse(const std::vector<MacroEntry>& entries, std::string_view name) {
    return std::any_of(entries.begin(), entries.end(),
                       [&](const MacroEntry& entry) { return sameNameIgnoringCase(entry.name, name); });
}

// The whole file as bytes; empty when it is not a readable regular file of a sensible size.
std::optional<std::string> readFileBytes(const std::string& path) {
    std::error_code error;
    if (!std::filesystem::is_regular_file(path, error))
        return std::nullopt;
    const auto size = std::filesystem::file_size(path, error);
    if (error || size > kMaxJsonFileSize)
        return std::nullopt;
    std::ifstream in(path, std::ios::binary);
    std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (in.bad())
        return std::nullopt;
    return bytes;
}

bool fileExists(const std::string& path) {
    std::error_code error;
    return std::filesystem::exists(path, error);
}

// The list document to update: the file's tree when it is an object, else a fresh one (a list file that is not
// an object holds no macros this program could show).
Json::Value loadListDocument(const std::string& path) {
    Json::Value root = JsonFileStore::loadJsonFile(path);
    if (!root.isObject())
        root = Json::Value(Json::objectValue);
    return root;
}

// Calls `visit` for each object of the event file's `Events`; elements that are not objects are passed over.
// Nothing is read when the stem is unsafe.
template <typename Visit>
void forEachEventObject(const std::string& userDeviceFolder, std::string_view guid, Visit visit) {
    const std::string path = macroEventFilePath(userDeviceFolder, guid);
    if (path.empty())
        return;
    const Json::Value root = JsonFileStore::loadJsonFile(path);
    for (const Json::Value& element : memberArray(root, kMacroEventsMember))
        if (element.isObject())
            visit(element);
}

bool isMacroEventObject(const Json::Value& event) {
    if (!event.isObject() || !event[kEventTypeMember].isInt() || !event[kEventButtonMember].isInt())
        return false;
    const Json::Value& action = event[kEventActionMember];
    if (!action.isString() || (action.asString() != kActionDown && action.asString() != kActionUp))
        return false;
    const Json::Value& delay = event[kEventDelayMember];
    const bool digits = delay.isString() && !delay.asString().empty() &&
                        delay.asString().find_first_not_of("0123456789") == std::string::npos;
    return delay.isNull() || digits || delay.isUInt();
}

bool isKeyboardUsage(int usage) {
    const auto rows = keyboardKeyTable();
    return std::any_of(rows.begin() + kKeyboardModifierRows, rows.end(), [usage](const KeyTableRow& row) {
        return row.value.type == KeyType::Keyboard && row.value.param2 == usage;
    });
}

bool isSingleBit(int value, int highest) {
    return value > 0 && value <= highest && (value & (value - 1)) == 0;
}

// The Button of a step by its kind: "" when the device plays it as written.
std::string buttonProblem(int type, int button) {
    switch (type) {
    case MacroEventKind::MouseButton:
        return isSingleBit(button, 16) ? "" : "mouse button " + std::to_string(button) + " is not 1, 2, 4, 8 or 16";
    case MacroEventKind::Reserved2:
    case MacroEventKind::Reserved3:
        return button >= 0 && button <= 255 ? "" : "value " + std::to_string(button) + " is outside 0-255";
    case MacroEventKind::HorizontalMove:
    case MacroEventKind::VerticalMove:
        return button >= kMinMoveDistance && button <= kMaxMoveDistance
                   ? ""
                   : "move distance " + std::to_string(button) + " is outside 1-255";
    case MacroEventKind::KeyboardModifier:
        return isSingleBit(button, 0x80) ? "" : "modifier " + std::to_string(button) + " is not one modifier bit";
    case MacroEventKind::KeyboardKey:
        return isKeyboardUsage(button) ? "" : "key code " + std::to_string(button) + " is not a keyboard key";
    default:
        return "step kind " + std::to_string(type) + " is unknown";
    }
}

} // namespace

// A delay above 65535 is not refused: it is read, shown and played as 65535, as stored files have always been.
std::string macroEventRangeProblem(const Json::Value& event) {
    return buttonProblem(event[kEventTypeMember].asInt(), event[kEventButtonMember].asInt());
}

std::string MacroLibrary::firstStepProblem(std::string_view text) {
    const std::optional<Json::Value> root = JsonFileStore::parseJsonText(text);
    if (!root)
        return "not readable";
    const Json::Value& events = (*root)[kMacroEventsMember];
    for (Json::ArrayIndex i = 0; i < events.size(); ++i)
        if (std::string problem = macroEventRangeProblem(events[i]); !problem.empty())
            return "step " + std::to_string(i + 1) + ": " + problem;
    return {};
}

std::string macroListFileFor(std::string_view deviceFolderName) {
    const bool tavix = deviceFolderName == "MousePad" || deviceFolderName == "HD";
    return std::string(tavix ? kTavixMacroListFile : kMacroListFile);
}

bool isSafeMacroGuid(std::string_view guid) {
    return !guid.empty() && guid.find('/') == std::string_view::npos && guid.find('\\') == std::string_view::npos &&
           guid.find("..") == std::string_view::npos && guid.find('\0') == std::string_view::npos;
}

std::string macroEventFilePath(const std::string& userDeviceFolder, std::string_view guid) {
    if (!isSafeMacroGuid(guid))
        return {};
    return withTrailingSlash(userDeviceFolder) + std::string(guid) + std::string(kMacroFileExtension);
}

std::vector<MacroEntry> loadMacroList(const std::string& userDeviceFolder, const std::string& listFileName) {
    const Json::Value root = JsonFileStore::loadJsonFile(withTrailingSlash(userDeviceFolder) + listFileName);
    std::vector<MacroEntry> entries;
    for (const Json::Value& element : memberArray(root, kMacroInfoMember))
        entries.push_back(
            {cutToNameLength(memberString(element, kMacroNameMember)), memberString(element, kMacroGuidMember)});
    return entries;
}

std::vector<MacroEvent> loadMacroEvents(const std::string& userDeviceFolder, std::string_view guid) {
    std::vector<MacroEvent> events;
    forEachEventObject(userDeviceFolder, guid,
                       [&](const Json::Value& object) { events.push_back(readMacroEvent(object)); });
    return events;
}

bool isMacroEventFileText(std::string_view text) {
    const std::optional<Json::Value> root = JsonFileStore::parseJsonText(text);
    if (!root || !root->isObject() || !(*root)[kMacroEventsMember].isArray())
        return false;
    const Json::Value& events = (*root)[kMacroEventsMember];
    return std::all_of(events.begin(), events.end(), isMacroEventObject);
}

std::string nextMacroName(const std::vector<MacroEntry>& entries) {
    // Among n names at least one of the numbers 1 to n + 1 is free.
    for (size_t number = 1;; ++number) {
        std::string name = "macro_" + std::to_string(number);
        if (!nameInUse(entries, name))
            return name;
    }
}

std::string_view macroRenameMessage(MacroRenameResult result) {
    switch (result) {
    case MacroRenameResult::EmptyName:
        return kMessageMacroNameEmpty;
    case MacroRenameResult::NameInUse:
        return kMessageMacroNameInUse;
    case MacroRenameResult::NameTooLong:
        return kMessageMacroNameTooLong;
    default:
        return {};
    }
}

MacroLibrary::MacroLibrary(std::string userDeviceFolder, std::string listFileName, StampSource stamps)
    : folder_(withTrailingSlash(std::move(userDeviceFolder))), listFileName_(std::move(listFileName)),
      stamps_(std::move(stamps)) {
    if (!stamps_)
        stamps_ = [] { return JsonFileStore::makeTimeStampName(); };
}

void MacroLibrary::load() {
    entries_ = loadMacroList(folder_, listFileName_);
    selected_.reset();
}

std::vector<std::string> MacroLibrary::names() const {
    std::vector<std::string> names;
    names.reserve(entries_.size());
    for (const MacroEntry& entry : entries_)
        names.push_back(entry.name);
    return names;
}

const MacroEntry* MacroLibrary::selectedEntry() const {
    return selected_ && *selected_ < entries_.size() ? &entries_[*selected_] : nullptr;
}

void MacroLibrary::select(std::optional<size_t> index) {
    selected_ = index && *index < entries_.size() ? index : std::nullopt;
}

bool MacroLibrary::guidInUse(const std::string& guid) const {
    const bool listed =
        std::any_of(entries_.begin(), entries_.end(), [&](const MacroEntry& entry) { return entry.guid == guid; });
    return listed || fileExists(macroEventFilePath(folder_, guid));
}

// Two macros made within the same millisecond would share a time stamp and so one event file; a suffix keeps
// every macro's file its own.
std::string MacroLibrary::newUniqueGuid() const {
    std::string stamp = stamps_();
    if (!isSafeMacroGuid(stamp))
        stamp = JsonFileStore::makeTimeStampName();
    std::string guid = stamp;
    for (int suffix = 1; guidInUse(guid); ++suffix)
        guid = stamp + "_" + std::to_string(suffix);
    return guid;
}

// Brings `MacroInfo` of a list document in line with the entries, keeping any other members of the document and
// of its elements, and writes it.
bool MacroLibrary::writeList(Json::Value root) const {
    Json::Value& info = root[kMacroInfoMember];
    if (!info.isArray())
        info = Json::Value(Json::arrayValue);
    info.resize(static_cast<Json::ArrayIndex>(entries_.size()));
    for (Json::ArrayIndex i = 0; i < info.size(); ++i) {
        if (!info[i].isObject())
            info[i] = Json::Value(Json::objectValue);
        info[i][kMacroNameMember] = entries_[i].name;
        info[i][kMacroGuidMember] = entries_[i].guid;
    }
    return JsonFileStore::writeJsonFile(listFilePath(), root) == 0;
}

std::string MacroLibrary::add() {
    if (entries_.size() >= kMaxMacroCount)
        return {};
    MacroEntry entry{nextMacroName(entries_), newUniqueGuid()};
    entries_.push_back(entry);
    if (!writeList(loadListDocument(listFilePath()))) {
        entries_.pop_back();
        return {};
    }
    selected_ = entries_.size() - 1;
    return entry.name;
}

MacroRenameResult MacroLibrary::rename(const std::string& newName) {
    if (!selectedEntry())
        return MacroRenameResult::NoSelection;
    if (newName.empty())
        return MacroRenameResult::EmptyName;
    if (!fitsNameLength(newName))
        return MacroRenameResult::NameTooLong;
    if (nameInUse(entries_, newName))
        return MacroRenameResult::NameInUse;
    MacroEntry& entry = entries_[*selected_];
    std::string oldName = std::exchange(entry.name, newName);
    if (!writeList(loadListDocument(listFilePath()))) {
        entry.name = std::move(oldName);
        return MacroRenameResult::WriteFailed;
    }
    return MacroRenameResult::Renamed;
}

bool MacroLibrary::remove(size_t index) {
    if (index >= entries_.size())
        return false;
    Json::Value root = loadListDocument(listFilePath());
    Json::Value& info = root[kMacroInfoMember];
    Json::Value removedElement;
    if (info.isArray() && index < info.size())
        info.removeIndex(static_cast<Json::ArrayIndex>(index), &removedElement);
    const MacroEntry removed = entries_[index];
    entries_.erase(entries_.begin() + static_cast<std::ptrdiff_t>(index));
    if (!writeList(std::move(root))) {
        entries_.insert(entries_.begin() + static_cast<std::ptrdiff_t>(index), removed);
        return false;
    }
    // The event file goes once the list no longer names it, and never while another entry still uses it.
    const bool shared = std::any_of(entries_.begin(), entries_.end(),
                                    [&](const MacroEntry& entry) { return entry.guid == removed.guid; });
    const std::string path = macroEventFilePath(folder_, removed.guid);
    if (!shared && !path.empty())
        std::remove(path.c_str());
    selected_ = entries_.empty() ? std::nullopt : std::optional<size_t>(0);
    return true;
}

std::vector<MacroEventRow> MacroLibrary::loadEvents() const {
    std::vector<MacroEventRow> rows;
    if (const MacroEntry* entry = selectedEntry())
        forEachEventObject(folder_, entry->guid, [&](const Json::Value& object) {
            rows.push_back({compactJsonText(object), readMacroDelay(object)});
        });
    return rows;
}

std::string MacroLibrary::selectedEventFilePath() const {
    const MacroEntry* entry = selectedEntry();
    return entry ? macroEventFilePath(folder_, entry->guid) : std::string();
}

bool MacroLibrary::saveEvents(const std::vector<MacroEventRow>& rows) const {
    const std::string path = selectedEventFilePath();
    if (path.empty())
        return false;
    const MacroEntry* entry = selectedEntry();
    Json::Value root(Json::objectValue);
    root[kMacroNameMember] = entry->name;
    root[kMacroGuidMember] = entry->guid;
    Json::Value& events = root[kMacroEventsMember] = Json::Value(Json::arrayValue);
    for (const MacroEventRow& row : rows) {
        if (row.eventText.empty())
            break;
        std::optional<Json::Value> event = JsonFileStore::parseJsonText(row.eventText);
        if (!event || !event->isObject())
            continue; // left out rather than leaving a hole in the list
        (*event)[kEventDelayMember] = std::to_string(row.delay);
        events.append(std::move(*event));
    }
    root[kMacroVersionMember] = kMacroFileVersion;
    return JsonFileStore::writeJsonFile(path, root) == 0;
}

MacroImportResult MacroLibrary::importFile(const std::string& sourcePath) {
    importProblem_.clear();
    if (entries_.size() >= kMaxMacroCount)
        return MacroImportResult::ListFull;
    const std::optional<std::string> bytes = readFileBytes(sourcePath);
    if (!bytes)
        return MacroImportResult::SourceUnreadable;
    if (!isMacroEventFileText(*bytes))
        return MacroImportResult::NotAMacro;
    importProblem_ = firstStepProblem(*bytes);
    if (!importProblem_.empty())
        return MacroImportResult::OutOfRange;
    const std::optional<size_t> previous = selected_;
    if (add().empty())
        return MacroImportResult::WriteFailed;
    const std::string target = macroEventFilePath(folder_, entries_.back().guid);
    if (writeFileAtomically(target, *bytes) != 0) {
        remove(entries_.size() - 1);
        selected_ = previous;
        return MacroImportResult::WriteFailed;
    }
    return MacroImportResult::Imported;
}

bool MacroLibrary::exportSelected(const std::string& destinationPath) const {
    const std::string source = selectedEventFilePath();
    if (source.empty())
        return false;
    const std::optional<std::string> bytes = readFileBytes(source);
    return bytes && writeFileAtomically(destinationPath, *bytes) == 0;
}

} // namespace pelan
