#include "panels/CDeviceProfileUI.h"

#include "device/ProfileLimits.h"

#include "device/SupportedDevices.h"
#include "platform/FolderWatcher.h"

#include <QSocketNotifier>
#include <algorithm>
#include <initializer_list>

namespace pelan {
namespace {

// Function tabs (1 to 7) a device kind hides, and those it shows that are hidden otherwise. Tab 1, the light tab,
// is shown for every kind.
struct KindTabs {
    int kind;
    std::initializer_list<int> hidden;
    std::initializer_list<int> shown;
};

constexpr int kKeyTab = 2, kMacroTab = 3, kSystemTab = 4, kCursorTab = 5, kVoiceTab = 6, kMagicTab = 7;

const KindTabs kTabsByKind[] = {
    {kDeviceKindKeyboard, {kCursorTab}, {}},
    {kDeviceKindMousepad, {kCursorTab, kMacroTab, kSystemTab, kKeyTab}, {}},
    {4, {kCursorTab, kMacroTab, kKeyTab}, {}},
    {5, {kCursorTab, kMacroTab, kSystemTab, kKeyTab}, {}},
    {kDeviceKindHeadset, {kCursorTab, kMacroTab, kSystemTab, kKeyTab}, {kVoiceTab, kMagicTab}},
};

} // namespace

CDeviceProfileUI::CDeviceProfileUI() = default;

CDeviceProfileUI::~CDeviceProfileUI() = default;

void* CDeviceProfileUI::GetInterface(const QString& name) {
    if (name == "DeviceProfile")
        return this;
    return CHorizontalLayoutUI::GetInterface(name);
}

// --- controls, found inside the panel on first use ---

CComboUI* CDeviceProfileUI::combo() {
    if (combo_ == nullptr)
        combo_ = dynamic_cast<CComboUI*>(FindSubControl(kCombo));
    return combo_;
}

CEditUI* CDeviceProfileUI::nameEdit() {
    if (nameEdit_ == nullptr)
        nameEdit_ = dynamic_cast<CEditUI*>(FindSubControl(kNameEdit));
    return nameEdit_;
}

COptionUI* CDeviceProfileUI::tabOption(int n) {
    if (n < 1 || n > kTabCount)
        return nullptr;
    COptionUI*& option = tabs_[size_t(n - 1)];
    if (option == nullptr)
        option = dynamic_cast<COptionUI*>(FindSubControl(kTabOptions[size_t(n - 1)]));
    return option;
}

int CDeviceProfileUI::getSelectedIndex() {
    return combo() != nullptr ? combo()->GetCurSel() : -1;
}

QString CDeviceProfileUI::getNameEditText() {
    return nameEdit() != nullptr ? nameEdit()->GetText() : QString();
}

void CDeviceProfileUI::setNameEditText(const QString& text) {
    if (nameEdit() != nullptr)
        nameEdit()->SetText(text);
}

void CDeviceProfileUI::setMenuVisible(bool visible) {
    if (menuLayout_ == nullptr)
        menuLayout_ = FindSubControl(kMenuLayout);
    if (menuLayout_ != nullptr)
        menuLayout_->SetVisible(visible);
    if (visible)
        setLinkVisible(false);
}

void CDeviceProfileUI::setLinkVisible(bool visible) {
    if (linkLayout_ == nullptr)
        linkLayout_ = FindSubControl(kLinkLayout);
    if (linkLayout_ == nullptr)
        return;
    linkLayout_->SetVisible(visible);
    if (visible)
        setMenuVisible(false);
}

bool CDeviceProfileUI::isLinkVisible() {
    if (linkLayout_ == nullptr)
        linkLayout_ = FindSubControl(kLinkLayout);
    return linkLayout_ != nullptr && linkLayout_->IsVisibleFlag();
}

void CDeviceProfileUI::showApplications(const std::vector<std::string>& applications,
                                        const std::string& unavailableReason) {
    auto* list = dynamic_cast<CComboUI*>(FindSubControl(kLinkApplications));
    CControlUI* unavailable = FindSubControl(kLinkUnavailable);
    if (list == nullptr || unavailable == nullptr)
        return;
    CResourceManager* texts = CResourceManager::GetInstance();
    // Where nothing can follow a link, the reason takes the place of the list, the id field and its button.
    const bool available = unavailableReason.empty();
    for (const char* name : {kLinkApplications, kLinkEdit, kLinkAddButton}) {
        if (CControlUI* control = FindSubControl(name))
            control->SetVisible(available);
    }
    unavailable->SetVisible(!available);
    const QString reason = QString::fromStdString(unavailableReason);
    unavailable->SetText(texts->GetText("profile_link_unavailable_text").arg(reason));
    unavailable->SetToolTip(texts->GetText("profile_link_unavailable_tip_text").arg(reason));
    if (CControlUI* edit = FindSubControl(kLinkEdit))
        edit->SetToolTip(texts->GetText("profile_link_edit_tip_text"));
    list->RemoveAll();
    for (const std::string& application : applications) {
        auto* row = new CListLabelElementUI();
        row->SetFixedHeight(kItemHeight);
        row->SetText(QString::fromStdString(application));
        list->Add(row);
    }
}

QString CDeviceProfileUI::getLinkEditText() {
    CControlUI* edit = FindSubControl(kLinkEdit);
    return edit != nullptr ? edit->GetText() : QString();
}

void CDeviceProfileUI::setLinkEditText(const QString& text) {
    if (CControlUI* edit = FindSubControl(kLinkEdit))
        edit->SetText(text);
}

void CDeviceProfileUI::showLink() {
    CControlUI* state = FindSubControl(kLinkState);
    CControlUI* remove = FindSubControl(kLinkRemoveButton);
    if (state == nullptr || remove == nullptr)
        return;
    const int selected = profiles_.getSelectedIndex();
    const std::string link = selected < 0 ? std::string() : profiles_.items()[size_t(selected)].link;
    CResourceManager* texts = CResourceManager::GetInstance();
    state->SetText(link.empty() ? texts->GetText("profile_link_none_text")
                                : texts->GetText("profile_link_current_text").arg(QString::fromStdString(link)));
    state->SetToolTip(QString::fromStdString(link));
    remove->SetVisible(!link.empty());
}

bool CDeviceProfileUI::isMenuVisible() {
    if (menuLayout_ == nullptr)
        menuLayout_ = FindSubControl(kMenuLayout);
    return menuLayout_ != nullptr && menuLayout_->IsVisibleFlag();
}

void CDeviceProfileUI::selectTab(int n) {
    for (int tab = 1; tab <= kTabCount; ++tab) {
        if (tabOption(tab) == nullptr)
            return;
    }
    for (int tab = 1; tab <= kTabCount; ++tab)
        tabOption(tab)->Selected(tab == n, false);
}

int CDeviceProfileUI::selectedTab() {
    for (int tab = 1; tab <= kTabCount; ++tab) {
        if (COptionUI* option = tabOption(tab); option != nullptr && option->IsSelected())
            return tab;
    }
    return 0;
}

void CDeviceProfileUI::showTabsOfKind() {
    for (const KindTabs& row : kTabsByKind) {
        if (row.kind != profiles_.getDeviceKind())
            continue;
        for (int tab : row.hidden) {
            if (COptionUI* option = tabOption(tab))
                option->SetVisible(false);
        }
        for (int tab : row.shown) {
            if (COptionUI* option = tabOption(tab))
                option->SetVisible(true);
        }
    }
}

// --- the list ---

void CDeviceProfileUI::mirrorList(bool showName) {
    CComboUI* box = combo();
    const std::vector<ProfileItem>& items = profiles_.items();
    while (box->GetCount() > int(items.size()))
        box->RemoveAt(box->GetCount() - 1);
    for (size_t i = 0; i < items.size(); ++i) {
        const QString name = QString::fromStdString(items[i].name);
        CControlUI* row = box->GetItemAt(int(i));
        if (row == nullptr) {
            row = new CListLabelElementUI();
            row->SetFixedHeight(kItemHeight);
            box->Add(row);
        }
        if (row->GetText() != name) {
            row->SetText(name);
            row->SetUserData(name);
        }
    }
    const int selected = profiles_.getSelectedIndex();
    if (box->GetCurSel() != selected)
        box->SelectItem1(selected, false, false);
    if (showName)
        setNameEditText(selected < 0 ? QString() : QString::fromStdString(items[size_t(selected)].name));
    box->Invalidate();
    showLink();
}

ProfileListResult CDeviceProfileUI::mirrored(const std::function<ProfileListResult()>& operation, Mirror mirror) {
    if (combo() == nullptr)
        return ProfileListResult::NoSelection;
    const ProfileListResult result = operation();
    if (mirror != Mirror::Nothing)
        mirrorList(mirror == Mirror::ItemsAndName);
    return result;
}

ProfileListResult CDeviceProfileUI::initProfileList() {
    const ProfileListResult result = mirrored([this] { return profiles_.initProfileList(); }, Mirror::ItemsAndName);
    if (combo() != nullptr) {
        showTabsOfKind();
        watchFolder();
    }
    return result;
}

void CDeviceProfileUI::watchFolder() {
    notifier_.reset();
    watcher_ = std::make_unique<FolderWatcher>(profiles_.getProfileFolder());
    if (watcher_->fd() < 0)
        return;
    notifier_ = std::make_unique<QSocketNotifier>(watcher_->fd(), QSocketNotifier::Read);
    QObject::connect(notifier_.get(), &QSocketNotifier::activated, [this] { onFolderChanged(); });
}

// Our own saves land here too; the list then reads back as it is and nothing moves.
void CDeviceProfileUI::onFolderChanged() {
    const std::vector<std::string> names = watcher_->readChanges();
    if (std::find(names.begin(), names.end(), std::string(kProfileListFile)) == names.end())
        return;
    const std::vector<ProfileItem> itemsBefore = profiles_.items();
    const int selectedBefore = profiles_.getSelectedIndex();
    const ProfileListResult result = profiles_.refresh();
    if (profiles_.items() == itemsBefore && profiles_.getSelectedIndex() == selectedBefore &&
        result != ProfileListResult::Rebuilt)
        return;
    if (combo() != nullptr)
        mirrorList(true);
    if (listChanged_)
        listChanged_(result);
}

ProfileListResult CDeviceProfileUI::selectProfile(int index, bool notify) {
    const int previous = getSelectedIndex();
    const ProfileListResult result =
        mirrored([this, index] { return profiles_.selectProfile(index); }, Mirror::ItemsAndName);
    if (notify && result == ProfileListResult::Done)
        combo()->SendNotify(DUI_MSGTYPE_ITEMSELECT, WPARAM(index), previous);
    return result;
}

ProfileListResult CDeviceProfileUI::addProfile() {
    return mirrored([this] { return profiles_.addProfile(); }, Mirror::ItemsAndName);
}

ProfileListResult CDeviceProfileUI::copyProfile() {
    return mirrored([this] { return profiles_.copyProfile(); }, Mirror::Items);
}

ProfileListResult CDeviceProfileUI::deleteProfile() {
    return mirrored([this] { return profiles_.deleteProfile(); }, Mirror::ItemsAndName);
}

// A refused name stays in the edit so the user can correct it.
ProfileListResult CDeviceProfileUI::renameProfile(const std::string& name) {
    return mirrored([this, &name] { return profiles_.renameProfile(name); }, Mirror::Items);
}

void CDeviceProfileUI::setDeviceKind(int kind) {
    profiles_.setDeviceKind(kind);
    profiles_.setImportCheck(
        [limits = profileLimitsOfKind(kind)](Json::Value& tree) { return clampProfileTree(tree, limits); });
}

ProfileListResult CDeviceProfileUI::importProfile(const std::string& path) {
    return mirrored([this, &path] { return profiles_.importProfile(path); }, Mirror::Items);
}

ProfileListResult CDeviceProfileUI::exportProfile(const std::string& path) {
    return mirrored([this, &path] { return profiles_.exportProfile(path); }, Mirror::Nothing);
}

ProfileListResult CDeviceProfileUI::resetProfile() {
    return mirrored([this] { return profiles_.resetProfile(); }, Mirror::Nothing);
}

ProfileListResult CDeviceProfileUI::linkSelected(const std::string& application) {
    return mirrored([this, &application] { return profiles_.linkProfile(profiles_.getSelectedIndex(), application); },
                    Mirror::Items);
}

ProfileListResult CDeviceProfileUI::unlinkSelected() {
    return mirrored(
        [this] {
            const int selected = profiles_.getSelectedIndex();
            const std::string link = selected < 0 ? std::string() : profiles_.items()[size_t(selected)].link;
            return profiles_.unlinkApplication(link);
        },
        Mirror::Items);
}

} // namespace pelan
