#pragma once

#include "profile/ProfileList.h"
#include "ui/DuiLib.h"

#include <array>
#include <functional>
#include <memory>
#include <string>
#include <vector>

class QSocketNotifier;

namespace pelan {

class FolderWatcher;

// The profile panel of a device page: the profile combo box and name edit mirror the page's ProfileList (which
// owns every rule of the list and its files), the function tab options follow the device kind, and the profile
// function list folds away. The panel carries out what the main window's profile buttons ask for and shows the
// results; it never decides a rule of its own about names, limits or files. Once bound it watches the user device
// folder: when another program (pelanctl) changes the list file, the panel adopts and shows the new list and calls
// its list-changed handler, which moves the page to the selected profile when that changed.
class CDeviceProfileUI : public CHorizontalLayoutUI {
public:
    static constexpr const char* kCombo = "device_profile_combo";
    static constexpr const char* kNameEdit = "device_profile_name_edit";
    static constexpr const char* kMenuLayout = "profile_menu_layout";
    // "Link to application": shown in place of the function list.
    static constexpr const char* kLinkLayout = "profile_link_layout";
    static constexpr const char* kLinkState = "profile_link_state";
    static constexpr const char* kLinkRemoveButton = "profile_link_remove_btn";
    static constexpr const char* kLinkApplications = "profile_link_app_combo";
    static constexpr const char* kLinkUnavailable = "profile_link_unavailable";
    static constexpr const char* kLinkEdit = "profile_link_edit";
    static constexpr const char* kLinkAddButton = "profile_link_add_btn";
    static constexpr int kItemHeight = 30;
    static constexpr int kTabCount = 7;
    // The function tab options, tab 1 to 7.
    static constexpr std::array<const char*, kTabCount> kTabOptions = {
        "deng_Op_tab",   "key_Op_tab",        "macro_Op_tab", "system_Op_tab",
        "cursor_Op_tab", "6533_voice_Op_tab", "magic_Op_tab"};

    // How the panel asks the user: message boxes and file dialogs of the owner window by default, replaced by
    // tests. message returns 1 when confirmed; the file choosers return "" when cancelled.
    struct Prompts {
        std::function<int(const QString& text, bool textIsKey, bool withCancel)> message;
        std::function<QString(const QString& filter)> openFile;
        std::function<QString(const QString& filter)> saveFile;
    };

    CDeviceProfileUI();
    ~CDeviceProfileUI() override;
    QString GetClass() const override { return "DeviceProfileUI"; }
    void* GetInterface(const QString& name) override;

    // Imports of this kind are brought into the device's ranges.
    void setDeviceKind(int kind);
    int getDeviceKind() const { return profiles_.getDeviceKind(); }
    void setFolders(const std::string& profileFolder, const std::string& defaultProfilePath) {
        profiles_.setFolders(profileFolder, defaultProfilePath);
    }
    // The selected profile's identifier ("" when none): the page's profile name.
    std::string getCurrentProfileId() const { return profiles_.getCurrentProfileId(); }
    const ProfileList& profiles() const { return profiles_; }

    // The combo box's selection, -1 when there is none or no combo box.
    int getSelectedIndex();
    QString getNameEditText();
    void setNameEditText(const QString& text);
    // The function list and the link controls share a row: showing one hides the other.
    void setMenuVisible(bool visible);
    bool isMenuVisible();
    void setLinkVisible(bool visible);
    bool isLinkVisible();
    // The applications with windows now, offered for a link; with a reason the list is replaced by why the desktop
    // cannot tell which application is in front.
    void showApplications(const std::vector<std::string>& applications, const std::string& unavailableReason);
    // The id field: what the user typed, or the application chosen from the list.
    QString getLinkEditText();
    void setLinkEditText(const QString& text);
    // Selects function tab n (1 to 7) without notifications and unselects the others; any other n unselects all.
    // Nothing unless all seven options exist.
    void selectTab(int n);
    // The tab whose option is selected, 0 when none is.
    int selectedTab();

    // List operations. Each mirrors the list into the combo box and the name edit afterwards and returns the
    // list's result; without the combo box nothing is done (NoSelection).
    ProfileListResult initProfileList();
    ProfileListResult selectProfile(int index, bool notify);
    ProfileListResult addProfile();
    ProfileListResult copyProfile();
    ProfileListResult deleteProfile();
    ProfileListResult renameProfile(const std::string& name);
    ProfileListResult importProfile(const std::string& path);
    ProfileListResult exportProfile(const std::string& path);
    ProfileListResult resetProfile();
    // The selected profile follows `application` / follows none.
    ProfileListResult linkSelected(const std::string& application);
    ProfileListResult unlinkSelected();

    // Called after the panel adopted a list file another program changed, with the list's refresh result.
    void setListChangedHandler(std::function<void(ProfileListResult)> handler) { listChanged_ = std::move(handler); }

    void setPrompts(Prompts prompts) { prompts_ = std::move(prompts); }
    const Prompts& prompts() const { return prompts_; }

private:
    CComboUI* combo();
    CEditUI* nameEdit();
    COptionUI* tabOption(int n);
    enum class Mirror { Nothing, Items, ItemsAndName };
    // Runs a list operation when the combo box exists, then mirrors the list as asked.
    ProfileListResult mirrored(const std::function<ProfileListResult()>& operation, Mirror mirror);
    // Makes the combo items the list's names, in order, and selects the list's selection without a notification;
    // with showName the name edit shows the selected profile's name.
    void mirrorList(bool showName);
    void showTabsOfKind();
    // The selected profile's link on the state label, with the remove button while there is one.
    void showLink();
    void watchFolder();
    void onFolderChanged();

    ProfileList profiles_;
    Prompts prompts_;
    std::function<void(ProfileListResult)> listChanged_;
    std::unique_ptr<FolderWatcher> watcher_;
    std::unique_ptr<QSocketNotifier> notifier_;
    CComboUI* combo_ = nullptr;
    CEditUI* nameEdit_ = nullptr;
    CControlUI* menuLayout_ = nullptr;
    CControlUI* linkLayout_ = nullptr;
    std::array<COptionUI*, kTabCount> tabs_{};
};

} // namespace pelan
