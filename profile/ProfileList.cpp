#include "profile/ProfileList.h"

#include "device/SupportedDevices.h"
#include "platform/FolderLock.h"
#include "platform/Paths.h"
#include "profile/DefaultFiles.h"
#include "profile/FileStem.h"
#include "profile/JsonLookup.h"
#include "profile/NameLimit.h"
#include "profile/ProfileMembers.h"

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <utility>

namespace pelan {
namespace {

// The custom equaliser members a headset reset keeps.
constexpr const char* kKeptOnHeadsetReset[] = {member::kCustomEqNameInfo, member::kCustomEqHzValueInfo};

// Each new identifier is tried at most this many milliseconds after the clock's time.
constexpr int kMaxIdAttempts = 100000;

std::string foldCase(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return text;
}

bool isUsableProfileId(const std::string& id) {
    return id.size() <= kMaxProfileIdLength && isPlainFileStem(id);
}

// Application ids come from the desktop or from the user; one with a line break would break the trace and the
// command line's output, and an endless one is no id.
bool isUsableApplicationId(const std::string& application) {
    return !application.empty() && application.size() <= kMaxApplicationIdLength &&
           std::none_of(application.begin(), application.end(), [](char c) {
               const auto byte = static_cast<unsigned char>(c);
               return byte < 0x20 || byte == 0x7F;
           });
}

Json::Value listEntry(const ProfileItem& item) {
    Json::Value entry(Json::objectValue);
    entry[member::kProfileName] = item.name;
    entry[member::kProfileUuid] = item.id;
    entry[member::kProfileIsLink] = item.link.empty() ? 0 : 1;
    entry[member::kProfileLinkName] = item.link;
    return entry;
}

// The application an entry follows: "profileislink" 1 with a usable "profilelinkmame", else none.
std::string storedLink(const Json::Value& entry) {
    const Json::Value& linked = entry[member::kProfileIsLink];
    const Json::Value& application = entry[member::kProfileLinkName];
    if (!linked.isIntegral() || linked.asLargestInt() != 1 || !application.isString() ||
        !isUsableApplicationId(application.asString()))
        return {};
    return application.asString();
}

// Whether two lists hold the same profiles in the same order, whatever they follow.
bool sameProfiles(const std::vector<ProfileItem>& a, const std::vector<ProfileItem>& b) {
    return std::equal(a.begin(), a.end(), b.begin(), b.end(),
                      [](const ProfileItem& x, const ProfileItem& y) { return x.name == y.name && x.id == y.id; });
}

struct StoredList {
    std::vector<ProfileItem> items;
    int selected = -1; // index into items of the stored "profileselect" entry, -1 when it names none
};

// The usable entries of a list file: objects whose "profileUUID" names a plain file. A name of another type reads
// as "". The stored selection follows its entry when entries before it were left out.
StoredList readStoredList(const Json::Value& root) {
    StoredList stored;
    if (!root.isObject())
        return stored;
    const Json::Value& entries = root[member::kProfileList];
    const Json::Value& select = root[member::kProfileSelect];
    if (!entries.isArray())
        return stored;
    const bool hasSelect = select.isIntegral();
    const Json::LargestInt selectIndex = hasSelect ? select.asLargestInt() : -1;
    for (Json::ArrayIndex i = 0; i < entries.size(); ++i) {
        const Json::Value& entry = entries[i];
        if (!entry.isObject())
            continue;
        const Json::Value& id = entry[member::kProfileUuid];
        if (!id.isString() || !isUsableProfileId(id.asString()))
            continue;
        const Json::Value& name = entry[member::kProfileName];
        if (hasSelect && selectIndex == static_cast<Json::LargestInt>(i))
            stored.selected = static_cast<int>(stored.items.size());
        stored.items.push_back(
            {name.isString() ? cutToNameLength(name.asString()) : std::string(), id.asString(), storedLink(entry)});
    }
    return stored;
}

enum class ListFileState {
    Missing, // no list file (or no regular file where it should be)
    Broken,  // a file that is not a list, or a list none of whose entries can be used
    Usable,
};

struct ListFile {
    ListFileState state = ListFileState::Missing;
    Json::Value root;
    StoredList stored;

    bool inStepWith(const std::vector<ProfileItem>& items, int selected) const {
        const Json::Value& entries = root[member::kProfileList];
        return stored.items == items && entries.size() == items.size() && root[member::kProfileSelect].isInt() &&
               root[member::kProfileSelect].asInt() == selected;
    }
};

// A list without entries counts as missing: there is nothing in it to keep.
ListFile readListFile(const std::string& path) {
    ListFile file;
    std::error_code error;
    if (!std::filesystem::is_regular_file(path, error))
        return file;
    file.root = JsonFileStore::loadJsonFile(path);
    const bool listShaped = file.root.isObject() && file.root[member::kProfileList].isArray();
    file.stored = readStoredList(file.root);
    if (!listShaped || (file.stored.items.empty() && !file.root[member::kProfileList].empty()))
        file.state = ListFileState::Broken;
    else if (!file.stored.items.empty())
        file.state = ListFileState::Usable;
    return file;
}

std::string storedFallback(const Json::Value& root) {
    const Json::Value& fallback = root.isObject() ? root[kLinkFallbackMember] : Json::Value::nullSingleton();
    return fallback.isString() ? fallback.asString() : std::string();
}

// The stored "profileselect" when it names an entry, else 0: copy, import and rename leave it as it is.
int storedSelection(const Json::Value& root) {
    const Json::Value& select = root.isObject() ? root[member::kProfileSelect] : Json::Value::nullSingleton();
    const Json::Value& entries = root.isObject() ? root[member::kProfileList] : Json::Value::nullSingleton();
    if (!select.isInt() || !entries.isArray() || select.asInt() < 0 ||
        static_cast<Json::ArrayIndex>(select.asInt()) >= entries.size())
        return 0;
    return select.asInt();
}

const Json::Value& deviceNodeOf(const Json::Value& tree) {
    const Json::Value& devices = tree.isObject() ? tree[member::kDevice] : Json::Value::nullSingleton();
    return devices.isArray() && !devices.empty() ? devices[0] : Json::Value::nullSingleton();
}

Json::ArrayIndex keyCountOf(const Json::Value& node) {
    const Json::Value& keys = node[member::kKeyList];
    return keys.isArray() ? keys.size() : 0;
}

// A profile of another device kind (a keyboard's in the mouse list) would put its key codes on the wrong keys: the
// device node must have every member of the default profile's node and as many keys.
bool isSameDeviceKind(const Json::Value& tree, const Json::Value& factory) {
    const Json::Value& node = deviceNodeOf(tree);
    const Json::Value& factoryNode = deviceNodeOf(factory);
    if (!node.isObject())
        return false;
    const std::vector<std::string> members = factoryNode.getMemberNames();
    return std::all_of(members.begin(), members.end(), [&](const std::string& name) { return node.isMember(name); }) &&
           keyCountOf(node) == keyCountOf(factoryNode);
}

// An imported file must look like a profile before anything is written from it.
bool isImportableProfile(const Json::Value& tree) {
    if (!tree.isObject() || !tree[member::kProfileName].isString() || !tree[member::kProfileUuid].isString())
        return false;
    const Json::Value& devices = tree[member::kDevice];
    if (devices.isNull())
        return true;
    if (!devices.isArray())
        return false;
    return std::all_of(devices.begin(), devices.end(), [](const Json::Value& node) { return node.isObject(); });
}

} // namespace

std::string_view messageKeyFor(ProfileListResult result) {
    switch (result) {
    case ProfileListResult::InvalidName:
        return kMessageInvalidName;
    case ProfileListResult::DuplicateName:
        return kMessageDuplicateName;
    case ProfileListResult::NameTooLong:
        return kMessageNameTooLong;
    case ProfileListResult::OtherDeviceKind:
        return kMessageOtherDeviceKind;
    case ProfileListResult::NoFactoryProfile:
        return kMessageNoFactoryProfile;
    case ProfileListResult::Rebuilt:
        return kMessageListRebuilt;
    case ProfileListResult::NotAProfile:
        return kMessageNotAProfile;
    case ProfileListResult::ReadFailed:
        return kMessageReadFailed;
    case ProfileListResult::WriteFailed:
        return kMessageWriteFailed;
    case ProfileListResult::LimitReached:
        return kMessageLimitReached;
    case ProfileListResult::InvalidApplication:
        return kMessageInvalidApplication;
    default:
        return {};
    }
}

bool isSuccess(ProfileListResult result) {
    return result == ProfileListResult::Done || result == ProfileListResult::Rebuilt;
}

// Spaces are fine (Copy makes names with them); a name needs something visible, and line breaks, tabs and other
// control characters would break the list where it is shown or read back line by line.
ProfileListResult checkProfileName(const std::string& name) {
    const bool visible = std::any_of(name.begin(), name.end(), [](char c) { return c != ' '; });
    const bool control = std::any_of(name.begin(), name.end(), [](char c) {
        const auto byte = static_cast<unsigned char>(c);
        return byte < 0x20 || byte == 0x7F;
    });
    if (!visible || control)
        return ProfileListResult::InvalidName;
    return fitsNameLength(name) ? ProfileListResult::Done : ProfileListResult::NameTooLong;
}

std::string listedProfileName(const std::string& folder, const std::string& id) {
    const StoredList stored =
        readStoredList(JsonFileStore::loadJsonFile(withTrailingSlash(folder) + std::string(kProfileListFile)));
    for (const ProfileItem& item : stored.items)
        if (item.id == id)
            return item.name;
    return {};
}

ProfileList::ProfileList(Clock clockFunction) : clock(std::move(clockFunction)) {}

void ProfileList::setFolders(const std::string& folder, const std::string& defaultProfile) {
    profileFolder = withTrailingSlash(folder);
    defaultProfilePath = defaultProfile;
}

std::string ProfileList::listPath() const {
    return profileFolder + std::string(kProfileListFile);
}

std::string ProfileList::profilePath(const std::string& id) const {
    return profileFolder + id + std::string(kProfileExtension);
}

std::string ProfileList::getCurrentProfileId() const {
    return selectedIndex < 0 ? std::string() : profileItems[static_cast<std::size_t>(selectedIndex)].id;
}

std::string ProfileList::getCurrentProfilePath() const {
    return selectedIndex < 0 ? std::string() : profilePath(getCurrentProfileId());
}

ProfileListResult ProfileList::initProfileList() {
    profileItems.clear();
    selectedIndex = -1;
    fallbackId.clear();
    if (profileFolder.empty())
        return ProfileListResult::NoFolder;
    FolderLock lock(profileFolder);
    return loadList();
}

ProfileListResult ProfileList::loadList() {
    ListFile file = readListFile(listPath());
    const bool broken = file.state == ListFileState::Broken;
    if (broken)
        JsonFileStore::setAsideBroken(listPath());
    if (file.state == ListFileState::Usable) {
        profileItems = std::move(file.stored.items);
        fallbackId = storedFallback(file.root);
        selectedIndex = std::max(file.stored.selected, 0);
        // Entries left out or a bad selection make the file differ from the items: it is written again.
        if (file.inStepWith(profileItems, selectedIndex))
            return ProfileListResult::Done;
        return writeList(std::move(file.root), selectedIndex) ? ProfileListResult::Done
                                                              : ProfileListResult::WriteFailed;
    }
    profileItems = profilesInFolder();
    if (profileItems.empty()) {
        const ProfileListResult fresh = startFresh();
        return broken && fresh == ProfileListResult::Done ? ProfileListResult::Rebuilt : fresh;
    }
    selectedIndex = 0;
    if (!writeList(Json::Value(Json::objectValue), selectedIndex))
        return ProfileListResult::WriteFailed;
    return broken ? ProfileListResult::Rebuilt : ProfileListResult::Done;
}

ProfileListResult ProfileList::refresh() {
    if (profileFolder.empty())
        return ProfileListResult::NoFolder;
    if (selectedIndex < 0)
        return initProfileList();
    FolderLock lock(profileFolder);
    const bool broken = readListFile(listPath()).state == ListFileState::Broken;
    Synced synced = syncWithFile();
    if (broken)
        return writeList(std::move(synced.root), selectedIndex) ? ProfileListResult::Rebuilt
                                                                : ProfileListResult::WriteFailed;
    if (synced.selectionLost)
        return ProfileListResult::ListChanged;
    // Another program selected a profile: this list shows the one the file names, as a restart would.
    if (synced.root[member::kProfileSelect].isInt())
        selectedIndex = storedSelection(synced.root);
    return ProfileListResult::Done;
}

// The first profile comes from the default profile; without one nothing is written and the page has no profile.
ProfileListResult ProfileList::startFresh() {
    std::optional<Json::Value> factory = loadFactoryProfile();
    if (!factory)
        return ProfileListResult::NoFactoryProfile;
    ProfileItem first{"profile1", newProfileId(), {}};
    bool written = writeProfileFile(std::move(*factory), first.name, first.id);
    // The page needs a profile to show even when the folder cannot be written; the profile then lives in memory.
    profileItems = {first};
    selectedIndex = 0;
    written = writeList(Json::Value(Json::objectValue), 0) && written;
    return written ? ProfileListResult::Done : ProfileListResult::WriteFailed;
}

ProfileListResult ProfileList::selectProfile(int index) {
    if (profileItems.empty())
        return ProfileListResult::NoSelection;
    FolderLock lock(profileFolder);
    return selectUnlocked(index);
}

ProfileListResult ProfileList::selectUnlocked(int index) {
    Synced synced = syncWithFile();
    // The index was chosen from the list as it was shown; in a changed list it may name another profile.
    if (synced.itemsChanged)
        return ProfileListResult::ListChanged;
    if (index < 0 || static_cast<std::size_t>(index) >= profileItems.size())
        return ProfileListResult::NoSuchProfile;
    selectedIndex = index;
    return writeList(std::move(synced.root), index) ? ProfileListResult::Done : ProfileListResult::WriteFailed;
}

ProfileListResult ProfileList::addProfile() {
    if (selectedIndex < 0)
        return ProfileListResult::NoSelection;
    FolderLock lock(profileFolder);
    syncWithFile();
    if (profileItems.size() >= kMaxAddedProfiles)
        return ProfileListResult::LimitReached;
    std::optional<Json::Value> factory = loadFactoryProfile();
    if (!factory)
        return ProfileListResult::NoFactoryProfile;
    std::unordered_set<std::string> taken = foldedNames();
    int number = 1;
    while (taken.count("profile" + std::to_string(number)) != 0)
        ++number;
    return appendProfile("profile" + std::to_string(number), std::move(*factory), true);
}

ProfileListResult ProfileList::copyProfile() {
    if (selectedIndex < 0)
        return ProfileListResult::NoSelection;
    FolderLock lock(profileFolder);
    if (syncWithFile().selectionLost)
        return ProfileListResult::ListChanged;
    std::unordered_set<std::string> taken = foldedNames();
    std::string name = profileItems[static_cast<std::size_t>(selectedIndex)].name + " copy";
    while (taken.count(foldCase(name)) != 0)
        name += " copy";
    if (!fitsNameLength(name))
        return ProfileListResult::NameTooLong;
    return appendProfile(name, store.loadJsonFile(getCurrentProfilePath()), false);
}

ProfileListResult ProfileList::importProfile(const std::string& path) {
    lastImportChanges.clear();
    if (selectedIndex < 0)
        return ProfileListResult::NoSelection;
    Json::Value tree = store.loadJsonFile(path);
    if (!isImportableProfile(tree))
        return ProfileListResult::NotAProfile;
    std::optional<Json::Value> factory = loadFactoryProfile();
    if (!factory)
        return ProfileListResult::NoFactoryProfile;
    if (!isSameDeviceKind(tree, *factory))
        return ProfileListResult::OtherDeviceKind;
    if (importCheck)
        lastImportChanges = importCheck(tree);
    FolderLock lock(profileFolder);
    syncWithFile();
    std::unordered_set<std::string> taken = foldedNames();
    std::string name = cutToNameLength(tree[member::kProfileName].asString());
    for (int number = 1; taken.count(foldCase(name)) != 0; ++number)
        name.append("(").append(std::to_string(number)).append(")");
    if (!fitsNameLength(name))
        return ProfileListResult::NameTooLong;
    return appendProfile(name, std::move(tree), false);
}

// Called with the folder locked and the items in step with the list file.
ProfileListResult ProfileList::appendProfile(const std::string& name, Json::Value tree, bool selectAdded) {
    ProfileItem added{name, newProfileId(), {}};
    if (!writeProfileFile(std::move(tree), added.name, added.id))
        return ProfileListResult::WriteFailed;
    Json::Value root = store.loadJsonFile(listPath());
    const int select = selectAdded ? static_cast<int>(profileItems.size()) : storedSelection(root);
    profileItems.push_back(added);
    if (!writeList(std::move(root), select)) {
        profileItems.pop_back();
        std::error_code ignored;
        std::filesystem::remove(profilePath(added.id), ignored);
        return ProfileListResult::WriteFailed;
    }
    if (selectAdded)
        selectedIndex = select;
    return ProfileListResult::Done;
}

ProfileListResult ProfileList::deleteProfile() {
    if (selectedIndex < 0)
        return ProfileListResult::NoSelection;
    FolderLock lock(profileFolder);
    Synced synced = syncWithFile();
    if (synced.selectionLost)
        return ProfileListResult::ListChanged;
    if (profileItems.size() < 2)
        return ProfileListResult::LastProfile;
    const int removedIndex = selectedIndex;
    const int nextIndex = removedIndex == 0 ? 0 : removedIndex - 1;
    const ProfileItem removed = profileItems[static_cast<std::size_t>(removedIndex)];
    profileItems.erase(profileItems.begin() + removedIndex);
    if (!writeList(std::move(synced.root), nextIndex)) {
        profileItems.insert(profileItems.begin() + removedIndex, removed);
        return ProfileListResult::WriteFailed;
    }
    selectedIndex = nextIndex;
    // A hand-made list may name one file twice; the file stays while another entry still uses it.
    if (!isIdListed(removed.id)) {
        std::error_code ignored;
        std::filesystem::remove(profilePath(removed.id), ignored);
    }
    return ProfileListResult::Done;
}

ProfileListResult ProfileList::renameProfile(const std::string& name) {
    if (selectedIndex < 0)
        return ProfileListResult::NoSelection;
    if (ProfileListResult check = checkProfileName(name); check != ProfileListResult::Done)
        return check;
    FolderLock lock(profileFolder);
    Synced synced = syncWithFile();
    if (synced.selectionLost)
        return ProfileListResult::ListChanged;
    const std::string folded = foldCase(name);
    for (std::size_t i = 0; i < profileItems.size(); ++i) {
        if (static_cast<int>(i) != selectedIndex && foldCase(profileItems[i].name) == folded)
            return ProfileListResult::DuplicateName;
    }
    ProfileItem& item = profileItems[static_cast<std::size_t>(selectedIndex)];
    const std::string previous = std::exchange(item.name, name);
    const int select = storedSelection(synced.root);
    if (!writeList(std::move(synced.root), select)) {
        item.name = previous;
        return ProfileListResult::WriteFailed;
    }
    Json::Value tree = store.loadJsonFile(profilePath(item.id));
    return writeProfileFile(std::move(tree), item.name, item.id) ? ProfileListResult::Done
                                                                 : ProfileListResult::WriteFailed;
}

ProfileListResult ProfileList::exportProfile(const std::string& path) {
    if (selectedIndex < 0)
        return ProfileListResult::NoSelection;
    FolderLock lock(profileFolder);
    if (syncWithFile().selectionLost)
        return ProfileListResult::ListChanged;
    Json::Value tree = store.loadJsonFile(getCurrentProfilePath());
    if (!tree.isObject())
        return ProfileListResult::ReadFailed;
    // A file healed before its names were kept still exports as a profile that imports again.
    const ProfileItem& item = profileItems[static_cast<std::size_t>(selectedIndex)];
    tree[member::kProfileName] = item.name;
    tree[member::kProfileUuid] = item.id;
    if (path.empty() || store.writeJsonFile(path, tree) != 0)
        return ProfileListResult::WriteFailed;
    return ProfileListResult::Done;
}

ProfileListResult ProfileList::resetProfile() {
    if (selectedIndex < 0)
        return ProfileListResult::NoSelection;
    FolderLock lock(profileFolder);
    if (syncWithFile().selectionLost)
        return ProfileListResult::ListChanged;
    std::optional<Json::Value> defaults = loadFactoryProfile();
    if (!defaults)
        return ProfileListResult::NoFactoryProfile;
    const ProfileItem& item = profileItems[static_cast<std::size_t>(selectedIndex)];
    if (deviceKind == kDeviceKindHeadset)
        keepCustomEqualiser(*defaults, item.id);
    return writeProfileFile(std::move(*defaults), item.name, item.id) ? ProfileListResult::Done
                                                                      : ProfileListResult::WriteFailed;
}

ProfileListResult ProfileList::linkProfile(int index, const std::string& application) {
    if (!isUsableApplicationId(application))
        return ProfileListResult::InvalidApplication;
    if (profileItems.empty())
        return ProfileListResult::NoSelection;
    FolderLock lock(profileFolder);
    Synced synced = syncWithFile();
    if (synced.itemsChanged)
        return ProfileListResult::ListChanged;
    if (index < 0 || static_cast<std::size_t>(index) >= profileItems.size())
        return ProfileListResult::NoSuchProfile;
    const std::string folded = foldCase(application);
    for (ProfileItem& item : profileItems) {
        if (foldCase(item.link) == folded)
            item.link.clear();
    }
    profileItems[static_cast<std::size_t>(index)].link = application;
    return writeLinks(synced);
}

ProfileListResult ProfileList::unlinkApplication(const std::string& application) {
    if (profileItems.empty())
        return ProfileListResult::NoSelection;
    FolderLock lock(profileFolder);
    Synced synced = syncWithFile();
    const int linked = linkedProfile(application);
    if (linked < 0)
        return ProfileListResult::NotLinked;
    profileItems[static_cast<std::size_t>(linked)].link.clear();
    return writeLinks(synced);
}

ProfileListResult ProfileList::setLinkFallback(int index) {
    if (profileItems.empty())
        return ProfileListResult::NoSelection;
    FolderLock lock(profileFolder);
    Synced synced = syncWithFile();
    if (synced.itemsChanged && index >= 0)
        return ProfileListResult::ListChanged;
    if (index >= 0 && static_cast<std::size_t>(index) >= profileItems.size())
        return ProfileListResult::NoSuchProfile;
    fallbackId = index < 0 ? std::string() : profileItems[static_cast<std::size_t>(index)].id;
    return writeLinks(synced);
}

int ProfileList::getLinkFallback() const {
    const auto found = std::find_if(profileItems.begin(), profileItems.end(),
                                    [&](const ProfileItem& item) { return item.id == fallbackId; });
    return fallbackId.empty() || found == profileItems.end() ? -1 : static_cast<int>(found - profileItems.begin());
}

int ProfileList::linkedProfile(const std::string& application) const {
    if (application.empty())
        return -1;
    const std::string folded = foldCase(application);
    const auto found = std::find_if(profileItems.begin(), profileItems.end(),
                                    [&](const ProfileItem& item) { return foldCase(item.link) == folded; });
    return found == profileItems.end() ? -1 : static_cast<int>(found - profileItems.begin());
}

// Links change neither the profiles nor the selection the file names.
ProfileListResult ProfileList::writeLinks(Synced& synced) {
    const int select = storedSelection(synced.root);
    return writeList(std::move(synced.root), select) ? ProfileListResult::Done : ProfileListResult::WriteFailed;
}

// Copies the stored profile's custom equaliser presets into the default tree; presets the profile does not have
// are left as the default profile gives them.
void ProfileList::keepCustomEqualiser(Json::Value& defaults, const std::string& id) const {
    Json::Value stored = store.loadJsonFile(profilePath(id));
    JsonLookup storedNode = JsonLookup(stored)[member::kDevice][0];
    for (const char* name : kKeptOnHeadsetReset) {
        JsonLookup kept = storedNode[name];
        if (!kept.present())
            continue;
        Json::Value& node = elementForWrite(memberForWrite(defaults, member::kDevice), 0);
        memberForWrite(node, name) = kept.value();
    }
}

// Brings the items in step with the list file; called with the folder locked. A changed list is adopted, a list
// that cannot be read is kept aside and rebuilt from the profile files, a missing one is left to the next write.
ProfileList::Synced ProfileList::syncWithFile() {
    Synced synced;
    ListFile file = readListFile(listPath());
    switch (file.state) {
    case ListFileState::Usable:
        fallbackId = storedFallback(file.root);
        synced.root = std::move(file.root);
        // Links changed elsewhere are taken as they are: the profiles and their order are the same.
        if (sameProfiles(file.stored.items, profileItems))
            profileItems = std::move(file.stored.items);
        else
            adopt(std::move(file.stored.items), file.stored.selected, synced);
        break;
    case ListFileState::Broken:
        JsonFileStore::setAsideBroken(listPath());
        if (std::vector<ProfileItem> found = profilesInFolder(); !found.empty() && found != profileItems)
            adopt(std::move(found), -1, synced);
        break;
    case ListFileState::Missing:
        break;
    }
    if (!synced.root.isObject())
        synced.root = Json::Value(Json::objectValue);
    return synced;
}

// Takes another program's list; the selected profile stays selected where it is still listed.
void ProfileList::adopt(std::vector<ProfileItem> items, int storedSelection, Synced& synced) {
    const std::string selectedId = getCurrentProfileId();
    profileItems = std::move(items);
    synced.itemsChanged = true;
    const auto kept = std::find_if(profileItems.begin(), profileItems.end(),
                                   [&](const ProfileItem& item) { return item.id == selectedId; });
    if (kept != profileItems.end()) {
        selectedIndex = static_cast<int>(kept - profileItems.begin());
        return;
    }
    synced.selectionLost = true;
    selectedIndex = profileItems.empty() ? -1 : std::max(storedSelection, 0);
}

// The profile files of the folder, for a list that has to be made again: the items that still have a file keep
// their order, the others follow by identifier (time stamps, so in the order they were made). A file that cannot
// be read is listed under its identifier; loading it keeps it aside and heals it.
std::vector<ProfileItem> ProfileList::profilesInFolder() const {
    std::vector<ProfileItem> found;
    std::error_code error;
    for (std::filesystem::directory_iterator it(profileFolder, error), end; !error && it != end; it.increment(error)) {
        const std::filesystem::path& path = it->path();
        const std::string id = path.stem().string();
        if (path.extension() != kProfileExtension || !isUsableProfileId(id) || !it->is_regular_file(error))
            continue;
        const Json::Value tree = store.loadJsonFile(path.string());
        const bool named = tree.isObject() && tree[member::kProfileName].isString();
        found.push_back({named ? cutToNameLength(tree[member::kProfileName].asString()) : id, id, {}});
    }
    auto rank = [this](const ProfileItem& item) {
        const auto listed = std::find_if(profileItems.begin(), profileItems.end(),
                                         [&](const ProfileItem& known) { return known.id == item.id; });
        return listed - profileItems.begin();
    };
    std::sort(found.begin(), found.end(), [&](const ProfileItem& a, const ProfileItem& b) {
        return std::make_pair(rank(a), a.id) < std::make_pair(rank(b), b.id);
    });
    return found;
}

// Writes the items as the list, with `select` as "profileselect"; the root's other members are kept.
bool ProfileList::writeList(Json::Value root, int select) {
    if (!root.isObject())
        root = Json::Value(Json::objectValue);
    Json::Value entries(Json::arrayValue);
    for (const ProfileItem& item : profileItems)
        entries.append(listEntry(item));
    root[member::kProfileList] = std::move(entries);
    root[member::kProfileSelect] = std::max(select, 0);
    // A fallback whose profile was deleted goes with it.
    if (!fallbackId.empty() && isIdListed(fallbackId))
        root[kLinkFallbackMember] = fallbackId;
    else
        root.removeMember(kLinkFallbackMember);
    return store.writeJsonFile(listPath(), root) == 0;
}

// The default profile, when it is a profile with a device node to copy.
std::optional<Json::Value> ProfileList::loadFactoryProfile() const {
    Json::Value tree = store.loadJsonFile(defaultProfilePath);
    if (!tree.isObject() || !deviceNodeOf(tree).isObject())
        return std::nullopt;
    return tree;
}

// Writes `tree` as the profile file of `id` under `name`. A tree that is not an object (a copied profile whose file
// cannot be read) gives a file with the two name members only; the profile data fills in its settings from the
// default profile when it is loaded.
bool ProfileList::writeProfileFile(Json::Value tree, const std::string& name, const std::string& id) {
    if (!tree.isObject())
        tree = Json::Value(Json::objectValue);
    tree[member::kProfileName] = name;
    tree[member::kProfileUuid] = id;
    return store.writeJsonFile(profilePath(id), tree) == 0;
}

// A time-stamp name no profile of the list or file of the folder has yet: two profiles made within one millisecond
// would otherwise share a file. Later milliseconds are tried until one is free.
std::string ProfileList::newProfileId() const {
    std::chrono::system_clock::time_point time = clock();
    std::string id = store.makeTimeStampName(time);
    for (int attempt = 0; attempt < kMaxIdAttempts && isIdInUse(id); ++attempt) {
        time += std::chrono::milliseconds(1);
        id = store.makeTimeStampName(time);
    }
    return id;
}

bool ProfileList::isIdListed(const std::string& id) const {
    return std::any_of(profileItems.begin(), profileItems.end(),
                       [&](const ProfileItem& item) { return item.id == id; });
}

bool ProfileList::isIdInUse(const std::string& id) const {
    std::error_code ignored;
    return isIdListed(id) || std::filesystem::exists(profilePath(id), ignored);
}

std::unordered_set<std::string> ProfileList::foldedNames() const {
    std::unordered_set<std::string> names;
    for (const ProfileItem& item : profileItems)
        names.insert(foldCase(item.name));
    return names;
}

} // namespace pelan
