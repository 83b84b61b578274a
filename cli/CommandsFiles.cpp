// The macro and profile commands: the kind's macro files and profile list, with the rules of the window's macro
// editor and profile panel, and the device writes that follow them.
#include "cli/Commands.h"
#include "cli/CommandsMacroSteps.h"
#include "cli/DeviceAccess.h"
#include "macro/MacroFiles.h"
#include "macro/MacroKeyNumbers.h"
#include "profile/NameLimit.h"

namespace pelan::cli {
namespace {

constexpr uint32_t kMaxIndex = 0xFFFF;

std::optional<size_t> indexArgument(const std::string& text) {
    const std::optional<uint32_t> number = parseNumberArgument(text, kMaxIndex);
    if (!number)
        return std::nullopt;
    return size_t(*number);
}

MacroLibrary macroLibraryOf(DeviceAccess& access) {
    MacroLibrary library(access.userFolder(), macroListFileFor(access.model().deviceFolderName));
    library.load();
    return library;
}

Json::Value macroListDocument(const MacroLibrary& library) {
    Json::Value list(Json::arrayValue);
    for (size_t i = 0; i < library.entries().size(); ++i) {
        const MacroEntry& entry = library.entries()[i];
        Json::Value item;
        item["index"] = Json::UInt(i);
        item["name"] = entry.name;
        item["guid"] = entry.guid;
        item["events"] = Json::UInt(loadMacroEvents(library.folder(), entry.guid).size());
        list.append(item);
    }
    Json::Value doc;
    doc["macros"] = list;
    return doc;
}

Json::Value macroEventsDocument(const MacroLibrary& library, size_t index) {
    const MacroEntry& entry = library.entries()[index];
    Json::Value events(Json::arrayValue);
    for (const MacroEvent& event : loadMacroEvents(library.folder(), entry.guid)) {
        Json::Value item;
        item["type"] = event.type;
        item["button"] = event.button;
        item["action"] = std::string(event.down ? kActionDown : kActionUp);
        item["delay"] = event.delay;
        item["name"] = std::string(macroEventDisplay(event).nameKey);
        events.append(item);
    }
    Json::Value doc;
    doc["index"] = Json::UInt(index);
    doc["name"] = entry.name;
    doc["events"] = events;
    return doc;
}

// After a key list change in the profile file: the keys written to the device when it is present.
std::string writeKeysIfPresent(DeviceAccess& access, const std::vector<size_t>& changed, Json::Value& doc) {
    if (!findCommandInterface(access.kind())) {
        doc["device"] = "absent";
        return {};
    }
    if (std::string error = access.connect(); !error.empty())
        return error;
    if (const int read = access.prepareForWrite(); read != kResultAccepted)
        return "cannot read the device: " + protocolResultText(read);
    if (const int written = access.model().writeCurrentKeys(0); written != kResultAccepted)
        return "key table not written: " + protocolResultText(written);
    doc["device"] = "written";
    return unplacedKeysText(access, changed);
}

CommandResult deleteMacro(DeviceAccess& access, MacroLibrary& library, size_t index) {
    access.model().loadProfileIntoPage();
    std::vector<KeyRecord> keys = access.profile().getKeyList();
    const std::vector<size_t> changed = renumberMacroKeys(keys, index);
    const std::string name = library.entries()[index].name;
    if (!library.remove(index))
        return failed("cannot write the macro list " + library.listFilePath());
    Json::Value doc;
    doc["deleted"] = name;
    doc["keysChanged"] = !changed.empty();
    if (changed.empty())
        return succeeded(doc);
    access.profile().writeKeyList(keys);
    if (access.model().saveProfile() != 0)
        return failed("macro deleted, but the profile file " + access.model().getProfilePath() +
                      " could not be written");
    if (std::string error = writeKeysIfPresent(access, changed, doc); !error.empty())
        return failed("macro deleted and profile saved, " + error);
    return succeeded(doc);
}

} // namespace

CommandResult macroCommand(const Words& args, CliKind kind) {
    const std::string verb = args.empty() ? "" : args[0];
    const size_t count = args.size();
    const bool known =
        (verb == "list" && count == 1) || (verb == "add" && count == 1) || (verb == "rename" && count == 3) ||
        (verb == "delete" && count == 2) || (verb == "import" && count == 2) || (verb == "export" && count == 3) ||
        (verb == "show" && count == 2) || (verb == "apply" && count == 1) || (isMacroStepVerb(verb) && count >= 2);
    if (!known)
        return usageFailed("usage: macro list | add | rename INDEX NAME | delete INDEX | import FILE | "
                           "export INDEX FILE | show INDEX | apply | steps INDEX | insert ... | move ... | "
                           "remove ... | delay ...");
    std::optional<size_t> index;
    if (verb == "rename" || verb == "delete" || verb == "export" || verb == "show" || isMacroStepVerb(verb)) {
        index = indexArgument(args[1]);
        if (!index)
            return usageFailed("INDEX is a macro number, not " + args[1]);
    }
    std::unique_ptr<DeviceAccess> access = DeviceAccess::make(kind);
    if (!access->hasKeys())
        return failed("the " + std::string(kindName(kind)) + " has no macros");
    std::string error = access->bindProfiles();
    if (!error.empty())
        return failed(error);

    if (verb == "apply") {
        error = access->connect();
        if (error.empty())
            if (const int read = access->prepareForWrite(); read != kResultAccepted)
                error = "cannot read the device: " + protocolResultText(read);
        if (error.empty())
            error = access->applyMacros();
        if (!error.empty())
            return failed(error);
        Json::Value doc;
        doc["macros"] = "written";
        doc["keys"] = "written";
        return succeeded(doc);
    }

    MacroLibrary library = macroLibraryOf(*access);
    if (index && *index >= library.entries().size())
        return failed("there is no macro " + std::to_string(*index) + " (" + std::to_string(library.entries().size()) +
                      " macros)");
    if (isMacroStepVerb(verb))
        return macroStepsCommand(args, library, *index);
    if (verb == "list")
        return succeeded(macroListDocument(library));
    if (verb == "add") {
        const std::string name = library.add();
        if (name.empty())
            return failed(library.entries().size() >= kMaxMacroCount ? "the macro list is full"
                                                                     : "cannot write " + library.listFilePath());
        Json::Value doc;
        doc["index"] = Json::UInt(library.entries().size() - 1);
        doc["name"] = name;
        return succeeded(doc);
    }
    if (verb == "import") {
        switch (library.importFile(args[1])) {
        case MacroImportResult::Imported:
            break;
        case MacroImportResult::ListFull:
            return failed("the macro list is full");
        case MacroImportResult::SourceUnreadable:
            return failed("cannot read " + args[1]);
        case MacroImportResult::NotAMacro:
            return failed(args[1] + " is not a macro file (an object with an Events array of events)");
        case MacroImportResult::OutOfRange:
            return failed(args[1] + " was not imported: " + library.importProblem());
        case MacroImportResult::WriteFailed:
            return failed("cannot write the macro files in " + library.folder());
        }
        return succeeded(macroEventsDocument(library, library.entries().size() - 1));
    }
    if (verb == "delete")
        return deleteMacro(*access, library, *index);
    library.select(*index);
    if (verb == "show")
        return succeeded(macroEventsDocument(library, *index));
    if (verb == "export") {
        if (!library.exportSelected(args[2]))
            return failed("cannot export macro " + std::to_string(*index) + " to " + args[2]);
        Json::Value doc;
        doc["exported"] = args[2];
        return succeeded(doc);
    }
    switch (library.rename(args[2])) {
    case MacroRenameResult::Renamed:
        break;
    case MacroRenameResult::EmptyName:
        return failed("the name cannot be empty (" + std::string(kMessageMacroNameEmpty) + ")");
    case MacroRenameResult::NameTooLong:
        return failed("a name holds at most " + std::to_string(kMaxNameLength) + " characters (" +
                      std::string(kMessageMacroNameTooLong) + ")");
    case MacroRenameResult::NameInUse:
        return failed("the name " + args[2] + " is in use (" + std::string(kMessageMacroNameInUse) + ")");
    case MacroRenameResult::NoSelection:
        return failed("no macro selected");
    case MacroRenameResult::WriteFailed:
        return failed("cannot write " + library.listFilePath());
    }
    Json::Value doc;
    doc["index"] = Json::UInt(*index);
    doc["name"] = args[2];
    return succeeded(doc);
}

namespace {

std::string profileResultText(ProfileListResult result) {
    switch (result) {
    case ProfileListResult::Done:
        return "done";
    case ProfileListResult::Rebuilt:
        return "the profile list could not be read; it was kept aside and rebuilt from the profile files";
    case ProfileListResult::ListChanged:
        return "the profile list was changed by another program and the selected profile is gone";
    case ProfileListResult::NoFolder:
        return "no user device folder";
    case ProfileListResult::NoSelection:
        return "no profile is selected";
    case ProfileListResult::NoSuchProfile:
        return "there is no such profile";
    case ProfileListResult::LimitReached:
        return "no more profiles can be added (" + std::to_string(kMaxAddedProfiles) + ")";
    case ProfileListResult::LastProfile:
        return "the last profile cannot be deleted";
    case ProfileListResult::InvalidName:
        return "a profile name needs a visible character and no control characters (" +
               std::string(kMessageInvalidName) + ")";
    case ProfileListResult::NameTooLong:
        return "a profile name holds at most " + std::to_string(kMaxNameLength) + " characters (" +
               std::string(kMessageNameTooLong) + ")";
    case ProfileListResult::OtherDeviceKind:
        return "the file is a profile of another kind of device (" + std::string(kMessageOtherDeviceKind) + ")";
    case ProfileListResult::NoFactoryProfile:
        return "the factory profile cannot be read; nothing was changed (" + std::string(kMessageNoFactoryProfile) +
               ")";
    case ProfileListResult::DuplicateName:
        return "another profile has that name (" + std::string(kMessageDuplicateName) + ")";
    case ProfileListResult::NotAProfile:
        return "not a profile file";
    case ProfileListResult::ReadFailed:
        return "cannot read the selected profile's file";
    case ProfileListResult::WriteFailed:
        return "cannot write the profile files";
    case ProfileListResult::InvalidApplication:
        return "an application id needs 1 to " + std::to_string(kMaxApplicationIdLength) +
               " characters and no control characters";
    case ProfileListResult::NotLinked:
        return "no profile follows that application";
    }
    return "failed";
}

Json::Value profileListDocument(const ProfileList& list) {
    Json::Value items(Json::arrayValue);
    for (size_t i = 0; i < list.items().size(); ++i) {
        Json::Value item;
        item["index"] = Json::UInt(i);
        item["name"] = list.items()[i].name;
        item["id"] = list.items()[i].id;
        item["selected"] = int(i) == list.getSelectedIndex();
        if (!list.items()[i].link.empty())
            item["link"] = list.items()[i].link;
        items.append(item);
    }
    Json::Value doc;
    doc["profiles"] = items;
    doc["selected"] = list.getSelectedIndex();
    return doc;
}

Json::Value linksDocument(const ProfileList& list) {
    Json::Value links(Json::arrayValue);
    for (size_t i = 0; i < list.items().size(); ++i) {
        if (list.items()[i].link.empty())
            continue;
        Json::Value link;
        link["application"] = list.items()[i].link;
        link["index"] = Json::UInt(i);
        link["name"] = list.items()[i].name;
        links.append(link);
    }
    Json::Value doc;
    doc["links"] = links;
    const int fallback = list.getLinkFallback();
    doc["fallback"] = fallback < 0 ? Json::Value("selected") : Json::Value(fallback);
    return doc;
}

// profile link APP_ID [INDEX] | unlink APP_ID | links | fallback INDEX|selected: which profile follows which
// application in front, as the window's profile panel sets it.
CommandResult profileLinkCommand(const Words& args, CliKind kind) {
    const std::string& verb = args[0];
    const size_t count = args.size();
    const bool shaped = (verb == "links" && count == 1) || (verb == "link" && (count == 2 || count == 3)) ||
                        ((verb == "unlink" || verb == "fallback") && count == 2);
    if (!shaped)
        return usageFailed("usage: profile link APP_ID [INDEX] | unlink APP_ID | links | fallback INDEX|selected");
    std::optional<size_t> index;
    const bool indexGiven = (verb == "link" && count == 3) || (verb == "fallback" && args[1] != "selected");
    if (indexGiven) {
        index = indexArgument(args.back());
        if (!index)
            return usageFailed("INDEX is a profile number, not " + args.back());
    }
    std::unique_ptr<DeviceAccess> access = DeviceAccess::make(kind);
    if (std::string error = access->bindProfiles(); !error.empty())
        return failed(error);
    ProfileList& list = access->profiles();
    ProfileListResult result = ProfileListResult::Done;
    if (verb == "link")
        result = list.linkProfile(index ? int(*index) : list.getSelectedIndex(), args[1]);
    else if (verb == "unlink")
        result = list.unlinkApplication(args[1]);
    else if (verb == "fallback")
        result = list.setLinkFallback(index ? int(*index) : -1);
    if (!isSuccess(result))
        return failed(verb + ": " + profileResultText(result));
    return succeeded(linksDocument(list));
}

// The selected profile onto the device; "" when written.
std::string applySelectedProfile(DeviceAccess& access) {
    if (std::string error = access.connect(); !error.empty())
        return error;
    if (const int read = access.prepareForWrite(); read != kResultAccepted)
        return "cannot read the device: " + protocolResultText(read);
    return access.applyProfile();
}

} // namespace

CommandResult profileCommand(const Words& args, CliKind kind) {
    const std::string verb = args.empty() ? "" : args[0];
    if (verb == "link" || verb == "unlink" || verb == "links" || verb == "fallback")
        return profileLinkCommand(args, kind);
    const size_t count = args.size();
    const bool bare = verb == "list" || verb == "add" || verb == "copy" || verb == "delete" || verb == "reset" ||
                      verb == "apply" || verb == "restore";
    const bool withArgument = verb == "rename" || verb == "import" || verb == "export" || verb == "select";
    if (!((bare && count == 1) || (withArgument && count == 2)))
        return usageFailed("usage: profile list | add | copy | delete | rename NAME | import FILE | export FILE | "
                           "reset | select INDEX | apply | restore | link APP_ID [INDEX] | unlink APP_ID | links | "
                           "fallback INDEX|selected");
    std::optional<size_t> index;
    if (verb == "select") {
        index = indexArgument(args[1]);
        if (!index)
            return usageFailed("INDEX is a profile number, not " + args[1]);
    }
    std::unique_ptr<DeviceAccess> access = DeviceAccess::make(kind);
    if (std::string error = access->bindProfiles(); !error.empty())
        return failed(error);
    ProfileList& list = access->profiles();

    ProfileListResult result = ProfileListResult::Done;
    if (verb == "add")
        result = list.addProfile();
    else if (verb == "copy")
        result = list.copyProfile();
    else if (verb == "delete")
        result = list.deleteProfile();
    else if (verb == "rename")
        result = list.renameProfile(args[1]);
    else if (verb == "import")
        result = list.importProfile(args[1]);
    else if (verb == "export")
        result = list.exportProfile(args[1]);
    else if (verb == "reset")
        result = list.resetProfile();
    else if (verb == "select")
        result = list.selectProfile(int(*index));
    if (!isSuccess(result))
        return failed(verb + ": " + profileResultText(result));

    Json::Value doc = profileListDocument(list);
    access->model().profileName = list.getCurrentProfileId();
    if (verb == "apply") {
        if (std::string error = applySelectedProfile(*access); !error.empty())
            return failed(error);
        doc["device"] = "written";
    } else if (verb == "restore") {
        if (std::string error = access->connect(); !error.empty())
            return failed(error);
        access->model().loadProfileIntoPage();
        doc["restored"] = Json::Value(Json::arrayValue);
        for (const std::string& part : access->model().reapplyProfile())
            doc["restored"].append(part);
    } else if (verb == "reset") {
        // The window writes a reset profile to the device at once; without a device only the file changes.
        if (!findCommandInterface(kind)) {
            doc["device"] = "absent";
        } else if (std::string error = applySelectedProfile(*access); !error.empty()) {
            return failed("profile reset, but " + error);
        } else {
            doc["device"] = "written";
        }
    }
    CommandResult done = succeeded(doc);
    if (verb == "import" && !list.importChanges().empty())
        done.notice = outOfRangeNotice(args[1], list.importChanges());
    return done;
}

} // namespace pelan::cli
