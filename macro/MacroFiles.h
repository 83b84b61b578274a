#pragma once

#include "macro/MacroEvent.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace pelan {

// Macro list files: the mouse and keyboard keep "macro.config", the mousepad and headset "tavix_macro.config".
inline constexpr std::string_view kMacroListFile = "macro.config";
inline constexpr std::string_view kTavixMacroListFile = "tavix_macro.config";
inline constexpr std::string_view kMacroFileExtension = ".mac";
inline constexpr std::string_view kMacroFileFilter = "Macro Files(*.mac)";
inline constexpr std::string_view kMacroFilePattern = "*.mac";

inline constexpr size_t kMaxMacroCount = 50;
inline constexpr size_t kMaxMacroEvents = 2000;

// Messages by which the editor reports a refused rename.
inline constexpr std::string_view kMessageMacroNameEmpty = "message_text_5_1";
inline constexpr std::string_view kMessageMacroNameInUse = "message_text_5";
inline constexpr std::string_view kMessageMacroNameTooLong = "message_text_33";

// The list file a device folder ("mouse", "keyboard", "MousePad", "HD") keeps its macros in.
std::string macroListFileFor(std::string_view deviceFolderName);

// One macro of the list: the name shown, and the stem of its event file (a time-stamp name, never shown).
struct MacroEntry {
    std::string name;
    std::string guid;
    friend bool operator==(const MacroEntry&, const MacroEntry&) = default;
};

// One step as the editor keeps it: the event object as text, and the delay its field shows.
struct MacroEventRow {
    std::string eventText;
    uint16_t delay = 0;
};

// A file stem that names a file inside the folder and nothing else: not empty, no path separator, no "..".
bool isSafeMacroGuid(std::string_view guid);

// folder + guid + ".mac", or "" when the stem is not safe to use.
std::string macroEventFilePath(const std::string& userDeviceFolder, std::string_view guid);

// The macros of a list file in list order; position i is macro number i of the key assignments, so an element
// that is not an object still takes its place (with an empty name and stem). Empty when the file is missing or
// unreadable. Names longer than kMaxNameLength are cut to it.
std::vector<MacroEntry> loadMacroList(const std::string& userDeviceFolder, const std::string& listFileName);

// The steps of an event file; elements of `Events` that are not objects are passed over. Empty when the file is
// missing, unreadable or the stem is unsafe.
std::vector<MacroEvent> loadMacroEvents(const std::string& userDeviceFolder, std::string_view guid);

// The name "macro_%d" with the smallest number from 1 up that no name of the list equals, ignoring case.
std::string nextMacroName(const std::vector<MacroEntry>& entries);

enum class MacroRenameResult { Renamed, NoSelection, EmptyName, NameTooLong, NameInUse, WriteFailed };

// The message name key the editor shows for a refused rename; empty for the others.
std::string_view macroRenameMessage(MacroRenameResult result);

enum class MacroImportResult { Imported, ListFull, SourceUnreadable, NotAMacro, OutOfRange, WriteFailed };

// What in an event object the device could not play as written (an unknown kind, a button, key or modifier it does
// not have, a move distance outside 1-255), in words; "" when it can be played.
std::string macroEventRangeProblem(const Json::Value& event);

// True for the text of an event file: a JSON object whose `Events` is an array of event objects (each with an
// integer `Type` and `Button`, `Action` "down" or "up", and `Delay` as decimal text or a number when present).
bool isMacroEventFileText(std::string_view text);

// The macros of one device: its list file and the event files beside it in the user device folder, with the
// list's selection. The editor is a view of this; the folder is handed in so tests can use their own.
class MacroLibrary {
public:
    using StampSource = std::function<std::string()>;

    // stamps: where new file stems come from (the local-time name by default).
    MacroLibrary(std::string userDeviceFolder, std::string listFileName, StampSource stamps = {});

    // Reads the list file again; nothing is selected afterwards.
    void load();

    const std::vector<MacroEntry>& entries() const { return entries_; }
    std::vector<std::string> names() const;
    std::optional<size_t> selected() const { return selected_; }
    const MacroEntry* selectedEntry() const;
    void select(std::optional<size_t> index);

    // Appends "macro_N" with a new stem, writes the list and selects it. Returns the new name, or "" when the
    // list is full or the list file cannot be written (the list is then unchanged).
    std::string add();

    // Renames the selected macro; a name equal to any name of the list (its own included, ignoring case) or
    // longer than kMaxNameLength is refused. The event file keeps the old name until it is saved again.
    MacroRenameResult rename(const std::string& newName);

    // Removes macro `index` from the list file and deletes its event file, then selects position 0 (nothing
    // when the list is empty). False when there is no such macro or the list file cannot be written.
    bool remove(size_t index);

    // The steps of the selected macro, one row per event object.
    std::vector<MacroEventRow> loadEvents() const;

    // Writes the selected macro's event file from the rows: up to the first row without text, leaving out rows
    // whose text is not an event object, each with its row's delay. False when nothing is selected, the stem is
    // unsafe or the file cannot be written.
    bool saveEvents(const std::vector<MacroEventRow>& rows) const;

    // Adds a macro whose event file is a byte-for-byte copy of `sourcePath`, and selects it. Only an event file
    // (isMacroEventFileText) of at most kMaxJsonFileSize bytes whose every step is in range is taken (for
    // OutOfRange, importProblem() names the first step that is not). Never writes over another macro's event file.
    MacroImportResult importFile(const std::string& sourcePath);
    const std::string& importProblem() const { return importProblem_; }

    // Copies the selected macro's event file byte for byte to `destinationPath`. False when nothing is
    // selected or there is nothing to copy.
    bool exportSelected(const std::string& destinationPath) const;

    const std::string& folder() const { return folder_; }
    std::string listFilePath() const { return folder_ + listFileName_; }

private:
    std::string newUniqueGuid() const;
    std::string selectedEventFilePath() const; // "" without a selection or with an unsafe stem
    bool guidInUse(const std::string& guid) const;
    bool writeList(Json::Value listDocument) const;
    // The first step of an event file the device could not play, as "step N: ..."; "" when there is none.
    static std::string firstStepProblem(std::string_view text);

    std::string folder_;
    std::string listFileName_;
    StampSource stamps_;
    std::vector<MacroEntry> entries_;
    std::optional<size_t> selected_;
    std::string importProblem_;
};

} // namespace pelan
