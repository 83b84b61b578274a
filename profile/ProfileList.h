#pragma once

#include "profile/JsonFileStore.h"

#include <chrono>
#include <cstddef>
#include <functional>
#include <json/value.h>
#include <optional>
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
// Longest application id a profile may follow (X11 class names and Wayland app ids are far shorter).
inline constexpr std::size_t kMaxApplicationIdLength = 255;
// The list file's member naming the profile (by identifier) used when no link matches; absent: the profile
// selected by hand.
inline constexpr const char* kLinkFallbackMember = "profilelinkfallback";

// Message keys the profile panel shows for results (see messageKeyFor).
inline constexpr std::string_view kMessageInvalidName = "message_text_5_4";
inline constexpr std::string_view kMessageDuplicateName = "message_text_5";
// Asked before resetProfile; the reset goes ahead only when the answer is OK.
inline constexpr std::string_view kMessageConfirmReset = "message_text_22";
// Asked before deleteProfile.
inline constexpr std::string_view kMessageConfirmDelete = "message_text_320";
inline constexpr std::string_view kMessageOtherDeviceKind = "message_text_30";
inline constexpr std::string_view kMessageNoFactoryProfile = "message_text_31";
inline constexpr std::string_view kMessageListRebuilt = "message_text_32";
inline constexpr std::string_view kMessageNameTooLong = "message_text_33";
inline constexpr std::string_view kMessageNotAProfile = "message_text_321";
inline constexpr std::string_view kMessageReadFailed = "message_text_322";
inline constexpr std::string_view kMessageWriteFailed = "message_text_323";
inline constexpr std::string_view kMessageLimitReached = "message_text_324";
inline constexpr std::string_view kMessageInvalidApplication = "message_text_327";

enum class ProfileListResult {
    Done,               // the operation was carried out and its files written
    Rebuilt,            // init or refresh: the list file could not be read; it was kept aside as ".broken-<time>" and
                        // the list rebuilt from the profile files of the folder (a success the user is told about)
    ListChanged,        // another program changed the list file and the selected profile is gone from it (or, for
                        // selectProfile, the list moved under the index): the file's list was adopted, nothing done
    NoFolder,           // setFolders has not given a user device folder
    NoSelection,        // no profile is selected: initProfileList has not run or found nothing
    NoSuchProfile,      // selectProfile with an index outside the list
    LimitReached,       // addProfile with kMaxAddedProfiles or more profiles
    LastProfile,        // deleteProfile of the only profile
    InvalidName,        // renameProfile to a name of spaces only, or with a control character
    NameTooLong,        // a name (given, or made by copy or import) longer than kMaxNameLength characters
    DuplicateName,      // renameProfile to a name another profile has (ignoring case)
    NotAProfile,        // importProfile of a file that is missing, unparsable or not shaped like a profile
    OtherDeviceKind,    // importProfile of a profile of another device kind
    NoFactoryProfile,   // the kind's default profile cannot be read: first start, add and reset change nothing
    ReadFailed,         // exportProfile: the selected profile's file cannot be read
    WriteFailed,        // a file could not be written: a profile is only added or removed once its list is written
    InvalidApplication, // linkProfile with an empty application id, one too long or with a control character
    NotLinked,          // unlinkApplication of an application no profile follows
};

// The message key the panel shows for a result, "" for results that show nothing.
std::string_view messageKeyFor(ProfileListResult result);

// Done, or Rebuilt: the list is usable afterwards.
bool isSuccess(ProfileListResult result);

// Whether a user may give a profile this name: InvalidName when it is empty or holds a space, NameTooLong beyond
// kMaxNameLength characters, else Done.
ProfileListResult checkProfileName(const std::string& name);

// The name "ProfileList.ini" in `folder` gives the profile `id`, "" when the list does not name it.
std::string listedProfileName(const std::string& folder, const std::string& id);

// One profile of the list: its display name, its identifier (the profile file is id + ".Json") and the id of the
// application it follows ("" when it follows none; "profileislink" and "profilelinkmame" in the list file).
struct ProfileItem {
    std::string name;
    std::string id;
    std::string link;

    bool operator==(const ProfileItem&) const = default;
};

// The named profiles of one device kind, with the selected one, kept in step with "ProfileList.ini" in the user
// device folder and with one profile file per profile. items() is what the profile panel shows, in list order;
// entry i of the file and item i always describe the same profile.
//
// pelanctl beside the window is a second writer of the same files. Every operation holds a lock on the folder
// (FolderLock) while it reads the list file, brings the items in step with it and writes it back: a list changed
// by another program is adopted, never written over; a removed list file is written again from the items; a list
// file that cannot be read is kept aside and rebuilt from the profile files of the folder, so no profile file is
// ever left out of the list. An operation on the selected profile whose entry another program removed does
// nothing (ListChanged). Identifiers read from files are used as file names only when they name a plain file in the
// user device folder; entries with any other identifier are left out of the list. Profile files are written before
// the list that names them, so a failed write leaves the list as it was. Names keep to kMaxNameLength characters.
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
    // file repaired). A list file that cannot be read is kept aside and rebuilt from the profile files (Rebuilt);
    // a missing or empty list is made from the profile files of the folder, and when there are none starts afresh
    // with "profile1" made from the default profile (NoFactoryProfile, with nothing written, when that cannot be
    // read). Running it again reloads the items; it never duplicates them.
    ProfileListResult initProfileList();
    // Adopts the list file when another program changed it. Done when nothing changed or the selected profile is
    // still listed, ListChanged when it is gone (the file's selection is taken), Rebuilt as for initProfileList.
    ProfileListResult refresh();
    // Makes profile `index` the selected one and stores it as "profileselect". The caller then loads
    // getCurrentProfilePath() and writes it to the device.
    ProfileListResult selectProfile(int index);
    // Appends the first free "profileN" (ignoring case) made from the default profile and selects it, in the list
    // file as here, so the profile shown is the one the next start opens.
    ProfileListResult addProfile();
    // Appends a copy of the selected profile's file named "<name> copy" (" copy" repeated until free).
    ProfileListResult copyProfile();
    // Removes the selected profile and its file and selects the one before it (the first when it was the first).
    ProfileListResult deleteProfile();
    // Renames the selected profile in the list and in its file; the selected profile's own name may be reused
    // in another case.
    ProfileListResult renameProfile(const std::string& name);
    // Appends the profile file at `path` under a new identifier; its name (cut to kMaxNameLength) gets "(1)",
    // "(2)", ... until free. Only a profile of this device kind is taken: its device node has every member of the
    // default profile's node and as many keys.
    ProfileListResult importProfile(const std::string& path);
    // What import does to a profile before it is stored: brings its values into the device's ranges and names the
    // members it changed (importChanges() holds them after an import). Without one the file is taken as it is.
    using ImportCheck = std::function<std::vector<std::string>(Json::Value& tree)>;
    void setImportCheck(ImportCheck check) { importCheck = std::move(check); }
    const std::vector<std::string>& importChanges() const { return lastImportChanges; }
    // Writes the selected profile's file to `path`, with the list's name and identifier in it. A path that is a
    // symbolic link is written through to the link's target.
    ProfileListResult exportProfile(const std::string& path);
    // Replaces the selected profile's settings with the default profile, keeping its name and identifier, and for
    // the headset its custom equaliser presets. The caller then reloads the profile. NoFactoryProfile, with nothing
    // written, when the default profile cannot be read.
    ProfileListResult resetProfile();

    // Links: profile `index` follows `application` (an application another profile followed moves here), or
    // no longer follows it. Matching ignores ASCII case.
    ProfileListResult linkProfile(int index, const std::string& application);
    ProfileListResult unlinkApplication(const std::string& application);
    // The profile used when no link matches the application in front: index, or -1 for the one selected by hand.
    ProfileListResult setLinkFallback(int index);
    // The fallback's index, -1 when it is the profile selected by hand (or the named profile is gone).
    int getLinkFallback() const;
    // The index of the profile that follows `application`, -1 when none does.
    int linkedProfile(const std::string& application) const;

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
    // What reading the list file before an operation found.
    struct Synced {
        Json::Value root;          // the file's tree, whose other members are kept when the list is written
        bool itemsChanged = false; // another program changed the list and it was adopted
        bool selectionLost = false;
    };
    ProfileListResult loadList();
    ProfileListResult startFresh();
    ProfileListResult appendProfile(const std::string& name, Json::Value tree, bool selectAdded);
    ProfileListResult selectUnlocked(int index);
    Synced syncWithFile();
    ProfileListResult writeLinks(Synced& synced);
    void adopt(std::vector<ProfileItem> items, int storedSelection, Synced& synced);
    std::vector<ProfileItem> profilesInFolder() const;
    bool writeList(Json::Value root, int select);
    bool writeProfileFile(Json::Value tree, const std::string& name, const std::string& id);
    std::optional<Json::Value> loadFactoryProfile() const;
    std::string newProfileId() const;
    bool isIdListed(const std::string& id) const;
    bool isIdInUse(const std::string& id) const;
    std::unordered_set<std::string> foldedNames() const;
    void keepCustomEqualiser(Json::Value& defaults, const std::string& id) const;

    Clock clock;
    JsonFileStore store;
    ImportCheck importCheck;
    std::vector<std::string> lastImportChanges;
    int deviceKind = 0;
    std::string profileFolder;
    std::string defaultProfilePath;
    std::vector<ProfileItem> profileItems;
    int selectedIndex = -1;
    std::string fallbackId;
};

} // namespace pelan
