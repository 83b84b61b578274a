#include "profile/ProfileList.h"

#include "device/SupportedDevices.h"
#include "platform/Paths.h"
#include "profile/FileStem.h"
#include "profile/JsonLookup.h"
#include "profile/ProfileMembers.h"

#include <algorithm>
#include <cctype>
#include <filesystem>

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

Json::Value listEntry(const ProfileItem& item) {
    Json::Value entry(Json::objectValue);
    entry[member::kProfileName] = item.name;
    entry[member::kProfileUuid] = item.id;
    entry[member::kProfileIsLink] = 0;
    entry[member::kProfileLinkName] = "";
    return entry;
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
        stored.items.push_back({name.isString() ? name.asString() : std::string(), id.asString()});
    }
    return stored;
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
    default:
        return {};
    }
}

bool isAcceptableProfileName(const std::string& name) {
    return !name.empty() && name.find(' ') == std::string::npos;
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
    return profileFolder + id + ".Json";
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
    if (profileFolder.empty())
        return ProfileListResult::NoFolder;
    StoredList stored = readStoredList(store.loadJsonFile(listPath()));
    if (stored.items.empty())
        return startFresh();
    profileItems = std::move(stored.items);
    // Entries left out or a bad selection make the reloaded file differ from the items: selecting rewrites it.
    return selectProfile(stored.selected < 0 ? 0 : stored.selected);
}

ProfileListResult ProfileList::startFresh() {
    ProfileItem first{"profile1", newProfileId()};
    bool written = writeProfileFile(store.loadJsonFile(defaultProfilePath), first.name, first.id);
    // The page needs a profile to show even when the folder cannot be written; the profile then lives in memory.
    profileItems = {first};
    selectedIndex = 0;
    Json::Value root(Json::objectValue);
    root[member::kProfileList].append(listEntry(first));
    root[member::kProfileSelect] = 0;
    written = writeList(root) && written;
    return written ? ProfileListResult::Done : ProfileListResult::WriteFailed;
}

ProfileListResult ProfileList::selectProfile(int index) {
    if (profileItems.empty())
        return ProfileListResult::NoSelection;
    if (index < 0 || static_cast<std::size_t>(index) >= profileItems.size())
        return ProfileListResult::NoSuchProfile;
    selectedIndex = index;
    Json::Value root = reloadList();
    root[member::kProfileSelect] = index;
    return writeList(root) ? ProfileListResult::Done : ProfileListResult::WriteFailed;
}

ProfileListResult ProfileList::addProfile() {
    if (selectedIndex < 0)
        return ProfileListResult::NoSelection;
    if (profileItems.size() >= kMaxAddedProfiles)
        return ProfileListResult::LimitReached;
    std::unordered_set<std::string> taken = foldedNames();
    int number = 1;
    while (taken.count("profile" + std::to_string(number)) != 0)
        ++number;
    return appendProfile("profile" + std::to_string(number), store.loadJsonFile(defaultProfilePath), true);
}

ProfileListResult ProfileList::copyProfile() {
    if (selectedIndex < 0)
        return ProfileListResult::NoSelection;
    std::unordered_set<std::string> taken = foldedNames();
    std::string name = profileItems[static_cast<std::size_t>(selectedIndex)].name + " copy";
    while (taken.count(foldCase(name)) != 0)
        name += " copy";
    return appendProfile(name, store.loadJsonFile(getCurrentProfilePath()), false);
}

ProfileListResult ProfileList::importProfile(const std::string& path) {
    if (selectedIndex < 0)
        return ProfileListResult::NoSelection;
    Json::Value tree = store.loadJsonFile(path);
    if (!isImportableProfile(tree))
        return ProfileListResult::NotAProfile;
    std::unordered_set<std::string> taken = foldedNames();
    std::string name = tree[member::kProfileName].asString();
    for (int number = 1; taken.count(foldCase(name)) != 0; ++number)
        name.append("(").append(std::to_string(number)).append(")");
    return appendProfile(name, std::move(tree), false);
}

ProfileListResult ProfileList::appendProfile(const std::string& name, Json::Value tree, bool selectAtNextStart) {
    ProfileItem added{name, newProfileId()};
    if (!writeProfileFile(std::move(tree), added.name, added.id))
        return ProfileListResult::WriteFailed;
    Json::Value root = reloadList();
    root[member::kProfileList].append(listEntry(added));
    if (selectAtNextStart)
        root[member::kProfileSelect] = static_cast<int>(profileItems.size());
    if (!writeList(root)) {
        std::error_code ignored;
        std::filesystem::remove(profilePath(added.id), ignored);
        return ProfileListResult::WriteFailed;
    }
    profileItems.push_back(std::move(added));
    return ProfileListResult::Done;
}

ProfileListResult ProfileList::deleteProfile() {
    if (selectedIndex < 0)
        return ProfileListResult::NoSelection;
    if (profileItems.size() < 2)
        return ProfileListResult::LastProfile;
    const int removedIndex = selectedIndex;
    const int nextIndex = removedIndex == 0 ? 0 : removedIndex - 1;
    Json::Value root = reloadList();
    root[member::kProfileList].removeIndex(static_cast<Json::ArrayIndex>(removedIndex), nullptr);
    root[member::kProfileSelect] = nextIndex;
    if (!writeList(root))
        return ProfileListResult::WriteFailed;
    const std::string removedId = profileItems[static_cast<std::size_t>(removedIndex)].id;
    profileItems.erase(profileItems.begin() + removedIndex);
    selectedIndex = nextIndex;
    // A hand-made list may name one file twice; the file stays while another entry still uses it.
    if (!isIdListed(removedId)) {
        std::error_code ignored;
        std::filesystem::remove(profilePath(removedId), ignored);
    }
    return ProfileListResult::Done;
}

ProfileListResult ProfileList::renameProfile(const std::string& name) {
    if (selectedIndex < 0)
        return ProfileListResult::NoSelection;
    if (!isAcceptableProfileName(name))
        return ProfileListResult::InvalidName;
    const std::string folded = foldCase(name);
    for (std::size_t i = 0; i < profileItems.size(); ++i) {
        if (static_cast<int>(i) != selectedIndex && foldCase(profileItems[i].name) == folded)
            return ProfileListResult::DuplicateName;
    }
    ProfileItem& item = profileItems[static_cast<std::size_t>(selectedIndex)];
    Json::Value root = reloadList();
    root[member::kProfileList][static_cast<Json::ArrayIndex>(selectedIndex)][member::kProfileName] = name;
    if (!writeList(root))
        return ProfileListResult::WriteFailed;
    item.name = name;
    Json::Value tree = store.loadJsonFile(profilePath(item.id));
    return writeProfileFile(std::move(tree), item.name, item.id) ? ProfileListResult::Done
                                                                 : ProfileListResult::WriteFailed;
}

ProfileListResult ProfileList::exportProfile(const std::string& path) {
    if (selectedIndex < 0)
        return ProfileListResult::NoSelection;
    Json::Value tree = store.loadJsonFile(getCurrentProfilePath());
    if (tree.isNull())
        return ProfileListResult::ReadFailed;
    if (path.empty() || store.writeJsonFile(path, tree) != 0)
        return ProfileListResult::WriteFailed;
    return ProfileListResult::Done;
}

ProfileListResult ProfileList::resetProfile() {
    if (selectedIndex < 0)
        return ProfileListResult::NoSelection;
    const ProfileItem& item = profileItems[static_cast<std::size_t>(selectedIndex)];
    Json::Value defaults = store.loadJsonFile(defaultProfilePath);
    if (deviceKind == kDeviceKindHeadset)
        keepCustomEqualiser(defaults, item.id);
    return writeProfileFile(std::move(defaults), item.name, item.id) ? ProfileListResult::Done
                                                                     : ProfileListResult::WriteFailed;
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

Json::Value ProfileList::reloadList() const {
    Json::Value root = store.loadJsonFile(listPath());
    return isInStep(root) ? root : rebuiltList(std::move(root));
}

bool ProfileList::isInStep(const Json::Value& root) const {
    if (!root.isObject())
        return false;
    const Json::Value& entries = root[member::kProfileList];
    if (!entries.isArray() || entries.size() != profileItems.size())
        return false;
    for (Json::ArrayIndex i = 0; i < entries.size(); ++i) {
        const Json::Value& entry = entries[i];
        if (!entry.isObject())
            return false;
        const Json::Value& name = entry[member::kProfileName];
        const Json::Value& id = entry[member::kProfileUuid];
        if (!name.isString() || !id.isString() || name.asString() != profileItems[i].name ||
            id.asString() != profileItems[i].id)
            return false;
    }
    return true;
}

// The list as the items show it; other members of the root are kept.
Json::Value ProfileList::rebuiltList(Json::Value root) const {
    if (!root.isObject())
        root = Json::Value(Json::objectValue);
    Json::Value entries(Json::arrayValue);
    for (const ProfileItem& item : profileItems)
        entries.append(listEntry(item));
    root[member::kProfileList] = std::move(entries);
    root[member::kProfileSelect] = std::max(selectedIndex, 0);
    return root;
}

bool ProfileList::writeList(const Json::Value& root) {
    return store.writeJsonFile(listPath(), root) == 0;
}

// Writes `tree` as the profile file of `id` under `name`. A tree that is not an object (a missing default profile)
// gives a file with the two name members only; the profile data fills in its settings when it is loaded.
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
