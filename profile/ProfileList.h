#pragma once

#include "profile/JsonFileStore.h"

#include <chrono>
#include <cstddef>
#include <functional>
#include <json/value.h>
#include <string>
#include <string_view>
#include <unordered_set>
#include <vector>

namespace pelan {

// The list file of a user device folder. It holds JSON despite its extension.
inline constexpr std::string_view kProfileListFile = "ProfileList.ini";
// addProfile stops here; copies and imports may go beyond.
inline constexpr std::size_t kMaxAddedProfiles = 50;
// Longest profile identifier used as a file name; longer ones in a list file are ignored.
inline constexpr std::size_t kMaxProfileIdLength = 200;

// Message keys the profile panel shows for results (see messageKeyFor).
inline constexpr std::string_view kMessageInvalidName = "message_text_5_1";
inline constexpr std::string_view kMessageDuplicateName = "message_text_5";
// Asked before resetProfile; the reset goes ahead only when the answer is OK.
inline constexpr std::string_view kMessageConfirmReset = "message_text_22";

enum class ProfileListResult {
    Done,          // the operation was carried out and its files written
    NoFolder,      // setFolders has not given a user device folder
    NoSelection,   // no profile is selected: initProfileList has not run or found nothing
    NoSuchProfile, // selectProfile with an index outside the list
    LimitReached,  // addProfile with kMaxAddedProfiles or more profiles
    LastProfile,   // deleteProfile of the only profile
    InvalidName,   // renameProfile to an empty name or one with a space
    DuplicateName, // renameProfile to a name another profile has (ignoring case)
    NotAProfile,   // importProfile of a file that is missing, unparsable or not shaped like a profile
    ReadFailed,    // exportProfile: the selected profile's file cannot be read
    WriteFailed,   // a file could not be written: a profile is only added or removed once its list is written
};

// The message key the panel shows for a result, "" for results that show nothing.
std::string_view messageKeyFor(ProfileListResult result);

// A name a user may give a profile: not empty and without a space.
bool isAcceptableProfileName(const std::string& name);

// One profile of the list: its display name and its identifier (the profile file is id + ".Json").
struct ProfileItem {
    std::string name;
    std::string id;

    bool operator==(const ProfileItem&) const = default;
};

// The named profiles of one device kind, with the selected one, kept in step with "ProfileList.ini" in the user
// device folder and with one profile file per profile. items() is what the profile panel shows, in list order;
// entry i of the file and item i always describe the same profile.
//
// Every operation reloads the list file first. When the file no longer matches the items (removed or edited while
// the program runs), it is rebuilt from the items, so an index never lands on another profile. Identifiers read
// from files are used as file names only when they name a plain file in the user device folder; entries with any
// other identifier are left out of the list. Profile files are written before the list that names them, so a
// failed write leaves the list as it was.
class ProfileList {
public:
    using Clock = std::function<std::chrono::system_clock::time_point()>;

    // The clock names new profiles; tests pass a fixed one.
    explicit ProfileList(Clock clock = [] { return std::chrono::system_clock::now(); });

    void setDeviceKind(int kind) { deviceKind = kind; }
    int getDeviceKind() const { return deviceKind; }
    // The user device folder (a '/' is appended when missing) and the device kind's default profile file.
    void setFolders(const std::string& folder, const std::string& defaultProfile);
    const std::string& getProfileFolder() const { return profileFolder; }

    // Loads the list and selects its "profileselect" entry (the first one when that is out of range, with the
    // file repaired). A missing, unreadable or empty list starts afresh with "profile1" made from the default
    // profile. Running it again reloads the items; it never duplicates them.
    ProfileListResult initProfileList();
    // Makes profile `index` the selected one and stores it as "profileselect". The caller then loads
    // getCurrentProfilePath() and writes it to the device.
    ProfileListResult selectProfile(int index);
    // Appends the first free "profileN" (ignoring case) made from the default profile; the selection stays,
    // while the list file marks the new profile as the one to select at the next start.
    ProfileListResult addProfile();
    // Appends a copy of the selected profile's file named "<name> copy" (" copy" repeated until free).
    ProfileListResult copyProfile();
    // Removes the selected profile and its file and selects the one before it (the first when it was the first).
    ProfileListResult deleteProfile();
    // Renames the selected profile in the list and in its file; the selected profile's own name may be reused
    // in another case.
    ProfileListResult renameProfile(const std::string& name);
    // Appends the profile file at `path` under a new identifier; its name gets "(1)", "(2)", ... until free.
    ProfileListResult importProfile(const std::string& path);
    // Writes the selected profile's file to `path`.
    ProfileListResult exportProfile(const std::string& path);
    // Replaces the selected profile's settings with the default profile, keeping its name and identifier, and for
    // the headset its custom equaliser presets. The caller then reloads the profile.
    ProfileListResult resetProfile();

    const std::vector<ProfileItem>& items() const { return profileItems; }
    // The selected index, -1 when nothing is selected.
    int getSelectedIndex() const { return selectedIndex; }
    // The selected profile's identifier, "" when nothing is selected.
    std::string getCurrentProfileId() const;
    // The selected profile's file, "" when nothing is selected.
    std::string getCurrentProfilePath() const;
    // The profile file of an identifier in the user device folder.
    std::string profilePath(const std::string& id) const;
    std::string listPath() const;

private:
    ProfileListResult startFresh();
    ProfileListResult appendProfile(const std::string& name, Json::Value tree, bool selectAtNextStart);
    Json::Value reloadList() const;
    bool isInStep(const Json::Value& root) const;
    Json::Value rebuiltList(Json::Value root) const;
    bool writeList(const Json::Value& root);
    bool writeProfileFile(Json::Value tree, const std::string& name, const std::string& id);
    std::string newProfileId() const;
    bool isIdListed(const std::string& id) const;
    bool isIdInUse(const std::string& id) const;
    std::unordered_set<std::string> foldedNames() const;
    void keepCustomEqualiser(Json::Value& defaults, const std::string& id) const;

    Clock clock;
    JsonFileStore store;
    int deviceKind = 0;
    std::string profileFolder;
    std::string defaultProfilePath;
    std::vector<ProfileItem> profileItems;
    int selectedIndex = -1;
};

} // namespace pelan
