// The main window's routes to the profile panel of the selected page: the profile buttons, and switching to the
// profile chosen in the combo box. The panel's list does the work; here the user is asked, the results are shown,
// and the page is reloaded and written to its device when its profile changed.
#include "panels/ProfileRoutes.h"

#include "app/CMainWnd.h"
#include "app/CMsgWnd.h"
#include "device/DeviceProfile.h"
#include "device/KeyboardDevice.h"
#include "device/MouseDevice.h"
#include "device/PadRecordDevice.h"
#include "device/ProfileLimits.h"
#include "pages/CVeltraUSBDevice.h"
#include "panels/CDeviceProfileUI.h"
#include "platform/ActiveApplication.h"
#include "platform/Trace.h"

namespace pelan {
namespace {

constexpr const char* kAddButton = "device_add_btn";
constexpr const char* kDeleteButton = "device_sub_btn";
constexpr const char* kCopyButton = "device_copy_btn";
constexpr const char* kRenameButton = "device_profile_edit_save_btn";
constexpr const char* kImportButton = "device_import_btn";
constexpr const char* kExportButton = "device_export_btn";
constexpr const char* kResetButton = "device_reset_btn";
constexpr const char* kSpreadButton = "profile_fun_spread_btn";
constexpr const char* kProfileButtons[] = {kAddButton,    kDeleteButton, kCopyButton,  kRenameButton,
                                           kImportButton, kExportButton, kResetButton, kSpreadButton};

constexpr const char* kProfileCombo = "device_profile_combo";
constexpr const char* kLinkSpreadButton = "profile_link_spread_btn";
constexpr const char* kProfileFileFilter = "Profile Files(*.json)";
constexpr const char* kProfileExtension = "json";
constexpr const char* kMessageMacroFailed = "message_text_7";
constexpr const char* kMessageMacroTooLong = "message_text_16";
constexpr const char* kMessageImportClamped = "profile_import_clamped_text";
constexpr const char* kMessageLoadClamped = "profile_load_clamped_text";
constexpr int kMessageDpi = 96;

QString fromView(std::string_view text) {
    return QString::fromUtf8(text.data(), qsizetype(text.size()));
}

bool isProfileButton(const QString& name) {
    for (const char* button : kProfileButtons) {
        if (name.compare(button, Qt::CaseInsensitive) == 0)
            return true;
    }
    return false;
}

// The panel's prompts, with the owner window's message box and file dialogs where none were given.
CDeviceProfileUI::Prompts promptsOf(CVeltraUSBDevice& page, const CDeviceProfileUI& panel) {
    CDeviceProfileUI::Prompts prompts = panel.prompts();
    CWindowWnd* owner = page.ownerWindow();
    QWidget* parent = owner != nullptr ? owner->GetHWND() : nullptr;
    if (!prompts.message)
        prompts.message = [owner](const QString& text, bool textIsKey, bool withCancel) {
            return CMsgWnd::ShowMessage(owner, QString(), text, kMessageDpi, textIsKey,
                                        withCancel ? CMsgWnd::kConfirmAndCancel : CMsgWnd::kConfirmOnly);
        };
    if (!prompts.openFile)
        prompts.openFile = [parent](const QString& filter) { return OpenFileDialog(parent, filter); };
    if (!prompts.saveFile)
        prompts.saveFile = [parent](const QString& filter) {
            return SaveFileDialog(parent, filter, kProfileExtension);
        };
    return prompts;
}

void showResult(const CDeviceProfileUI::Prompts& prompts, ProfileListResult result) {
    const std::string_view key = messageKeyFor(result);
    if (result == ProfileListResult::WriteFailed)
        trace("profile list: a file could not be written");
    if (!key.empty())
        prompts.message(fromView(key), true, false);
}

// Names the members an import or a load brought into the device's ranges, in the message `textId` ("%s" takes
// them); nothing when none changed.
void tellClamped(const CDeviceProfileUI::Prompts& prompts, const char* textId,
                 const std::vector<std::string>& changed) {
    if (changed.empty())
        return;
    prompts.message(CResourceManager::GetInstance()->GetText(textId).replace(
                        "%s", QString::fromStdString(joinMemberPaths(changed))),
                    false, false);
}

// The page takes the panel's selected profile: reloaded from its file and written to the device; macro memory
// that failed or overflowed is reported while a device is there to take it.
void takeSelectedProfile(CVeltraUSBDevice& page, CDeviceProfileUI& panel) {
    page.setProfileName(panel.getCurrentProfileId());
    const int macros = applyWholeProfile(page.model()).macroResult;
    if (!page.isConnected())
        return;
    const CDeviceProfileUI::Prompts prompts = promptsOf(page, panel);
    if (macros == -1)
        prompts.message(kMessageMacroFailed, true, false);
    else if (macros > 0)
        prompts.message(
            CResourceManager::GetInstance()->GetText(kMessageMacroTooLong).replace("%d", QString::number(macros)),
            false, false);
}

void renameSelected(CVeltraUSBDevice& page, CDeviceProfileUI& panel) {
    const std::string name = panel.getNameEditText().toStdString();
    showResult(promptsOf(page, panel), panel.renameProfile(name));
}

// A file that is not a profile, a profile of another device kind, a name too long, a missing factory profile or a
// list that could not be written is explained.
void importChosen(CVeltraUSBDevice& page, CDeviceProfileUI& panel) {
    if (panel.getSelectedIndex() < 0)
        return;
    const QString path = promptsOf(page, panel).openFile(kProfileFileFilter);
    if (path.isEmpty())
        return;
    const ProfileListResult result = panel.importProfile(path.toStdString());
    showResult(promptsOf(page, panel), result);
    if (result == ProfileListResult::Done)
        tellClamped(promptsOf(page, panel), kMessageImportClamped, panel.profiles().importChanges());
}

void exportSelected(CVeltraUSBDevice& page, CDeviceProfileUI& panel) {
    if (panel.getSelectedIndex() < 0)
        return;
    const QString path = promptsOf(page, panel).saveFile(kProfileFileFilter);
    if (path.isEmpty())
        return;
    const ProfileListResult result = panel.exportProfile(path.toStdString());
    if (result != ProfileListResult::Done)
        trace("profile export to " + path.toStdString() + " failed");
    showResult(promptsOf(page, panel), result);
}

// Without a factory profile nothing is reset and nothing reaches the device; the user is told why.
void resetSelected(CVeltraUSBDevice& page, CDeviceProfileUI& panel) {
    if (promptsOf(page, panel).message(fromView(kMessageConfirmReset), true, true) != 1)
        return;
    const ProfileListResult result = panel.resetProfile();
    if (result == ProfileListResult::Done)
        takeSelectedProfile(page, panel);
    else
        showResult(promptsOf(page, panel), result);
}

// Another program changed the list: the page follows when its profile is no longer the selected one.
void followSelectedProfile(CVeltraUSBDevice& page, CDeviceProfileUI& panel) {
    if (panel.getCurrentProfileId() != page.model().profileName)
        takeSelectedProfile(page, panel);
}

// The deleted profile's file is gone: the page moves to the profile selected in its place at once, so it never
// saves into the removed file.
void deleteSelected(CVeltraUSBDevice& page, CDeviceProfileUI& panel) {
    // The last profile stays anyway: nothing to ask about.
    const bool deletable = panel.profiles().items().size() > 1;
    if (deletable && promptsOf(page, panel).message(fromView(kMessageConfirmDelete), true, true) != 1)
        return;
    if (panel.deleteProfile() == ProfileListResult::Done)
        takeSelectedProfile(page, panel);
}

// Function tabs that show an area of their own on the pages that have one: a child of the page's
// "device_function_switch". Tabs whose panel a page lacks show the page's empty area; the other tabs, and pages
// without these areas, show the page's function area.
struct TabArea {
    int tab;
    const char* area;
};
constexpr TabArea kTabAreas[] = {
    {1, "device_function_light"}, {2, "device_function_keyset"}, {2, "device_function_none"},
    {3, "device_function_macro"}, {3, "device_function_none"},   {5, "device_function_recoil"},
    {6, "device_function_voice"}, {7, "device_function_magic"},
};
constexpr const char* kFunctionSwitch = "device_function_switch";

void showTabArea(CVeltraUSBDevice& page, int tab) {
    auto* areas = dynamic_cast<CTabLayoutUI*>(page.FindSubControl(kFunctionSwitch));
    if (areas == nullptr)
        return;
    for (const TabArea& entry : kTabAreas) {
        CControlUI* area = page.FindSubControl(entry.area);
        if (entry.tab == tab && area != nullptr && areas->GetItemIndex(area) >= 0) {
            areas->SelectItem(area, false);
            return;
        }
    }
    areas->SelectItem(page.model().functionTab, false);
}

CDeviceProfileUI* findPanelIn(CControlUI* control) {
    if (auto* panel = dynamic_cast<CDeviceProfileUI*>(control))
        return panel;
    if (auto* container = dynamic_cast<CContainerUI*>(control)) {
        for (int i = 0; i < container->GetCount(); ++i) {
            if (CDeviceProfileUI* panel = findPanelIn(container->GetItemAt(i)))
                return panel;
        }
    }
    return nullptr;
}

} // namespace

CDeviceProfileUI* findProfilePanel(CVeltraUSBDevice& page) {
    return findPanelIn(&page);
}

void resetSelectedProfile(CVeltraUSBDevice& page) {
    if (CDeviceProfileUI* panel = findProfilePanel(page))
        resetSelected(page, *panel);
    else
        trace("no profile panel on the page: nothing to reset");
}

void bindProfilePanel(CVeltraUSBDevice& page) {
    CDeviceProfileUI* panel = findProfilePanel(page);
    if (panel == nullptr)
        return;
    UsbDeviceModel& model = page.model();
    panel->setDeviceKind(model.deviceKind);
    panel->setFolders(model.userDeviceFolder(), model.defaultProfilePath());
    const ProfileListResult result = panel->initProfileList();
    panel->selectTab(1);
    page.setProfileName(panel->getCurrentProfileId());
    showResult(promptsOf(page, *panel), result);
    CVeltraUSBDevice* shown = &page;
    panel->setListChangedHandler([shown, panel](ProfileListResult changed) {
        showResult(promptsOf(*shown, *panel), changed);
        followSelectedProfile(*shown, *panel);
    });
}

void tellProfileLoadChanges(CVeltraUSBDevice& page) {
    const std::vector<std::string> changed = takeProfileLoadChanges(page.model());
    if (CDeviceProfileUI* panel = findProfilePanel(page))
        tellClamped(promptsOf(page, *panel), kMessageLoadClamped, changed);
}

void showSelectedTabArea(CVeltraUSBDevice& page) {
    CDeviceProfileUI* panel = findProfilePanel(page);
    const int tab = panel != nullptr ? panel->selectedTab() : 0;
    if (tab > 0)
        showTabArea(page, tab);
}

bool routeProfileClick(CVeltraUSBDevice& page, const QString& name) {
    if (!isProfileButton(name))
        return false;
    CDeviceProfileUI* panel = findProfilePanel(page);
    if (panel == nullptr)
        return true;
    if (name.compare(kAddButton, Qt::CaseInsensitive) == 0)
        showResult(promptsOf(page, *panel), panel->addProfile());
    else if (name.compare(kDeleteButton, Qt::CaseInsensitive) == 0)
        deleteSelected(page, *panel);
    else if (name.compare(kCopyButton, Qt::CaseInsensitive) == 0)
        showResult(promptsOf(page, *panel), panel->copyProfile());
    else if (name.compare(kRenameButton, Qt::CaseInsensitive) == 0)
        renameSelected(page, *panel);
    else if (name.compare(kImportButton, Qt::CaseInsensitive) == 0)
        importChosen(page, *panel);
    else if (name.compare(kExportButton, Qt::CaseInsensitive) == 0)
        exportSelected(page, *panel);
    else if (name.compare(kResetButton, Qt::CaseInsensitive) == 0)
        resetSelected(page, *panel);
    else
        panel->setMenuVisible(!panel->isMenuVisible());
    // An operation may have found the list changed by another program and its selected profile gone.
    followSelectedProfile(page, *panel);
    return true;
}

bool handleProfilePanelClick(CMainWnd& window, TNotifyUI& msg) {
    if (msg.pSender == nullptr || !isProfileButton(msg.pSender->GetName()))
        return false;
    if (CVeltraUSBDevice* page = window.GetSelectedPage())
        routeProfileClick(*page, msg.pSender->GetName());
    return true;
}

bool handleProfileLinkClick(CMainWnd& window, TNotifyUI& msg) {
    if (msg.pSender == nullptr)
        return false;
    const QString name = msg.pSender->GetName();
    if (name != kLinkSpreadButton && name != CDeviceProfileUI::kLinkAddButton &&
        name != CDeviceProfileUI::kLinkRemoveButton)
        return false;
    CVeltraUSBDevice* page = window.GetSelectedPage();
    CDeviceProfileUI* panel = page != nullptr ? findProfilePanel(*page) : nullptr;
    if (panel == nullptr)
        return true;
    if (name == kLinkSpreadButton) {
        const bool show = !panel->isLinkVisible();
        if (show) {
            ActiveApplicationWatch& watch = window.GetActiveApplicationWatch();
            panel->showApplications(watch.applications(), watch.unavailableReason());
        }
        panel->setLinkVisible(show);
    } else if (name == CDeviceProfileUI::kLinkAddButton) {
        showResult(promptsOf(*page, *panel), panel->linkSelected(panel->getLinkEditText().trimmed().toStdString()));
    } else {
        panel->unlinkSelected();
    }
    followSelectedProfile(*page, *panel);
    return true;
}

bool handleProfileLinkItemSelect(CMainWnd& window, TNotifyUI& msg) {
    if (msg.pSender == nullptr || msg.pSender->GetName() != CDeviceProfileUI::kLinkApplications)
        return false;
    CVeltraUSBDevice* page = window.GetSelectedPage();
    CDeviceProfileUI* panel = page != nullptr ? findProfilePanel(*page) : nullptr;
    auto* list = dynamic_cast<CComboUI*>(msg.pSender);
    if (panel != nullptr && list != nullptr && list->GetCurSel() >= 0)
        panel->setLinkEditText(list->GetItemAt(list->GetCurSel())->GetText());
    return true;
}

bool handleProfileNameReturn(CMainWnd& window, TNotifyUI& msg) {
    if (msg.sType != DUI_MSGTYPE_RETURN || msg.pSender == nullptr ||
        msg.pSender->GetName().compare(CDeviceProfileUI::kNameEdit, Qt::CaseInsensitive) != 0)
        return false;
    if (CVeltraUSBDevice* page = window.GetSelectedPage())
        routeProfileClick(*page, kRenameButton);
    return true;
}

bool handleProfileTabSelect(CMainWnd& window, TNotifyUI& msg) {
    if (msg.pSender == nullptr)
        return false;
    const QString name = msg.pSender->GetName();
    for (size_t i = 0; i < CDeviceProfileUI::kTabOptions.size(); ++i) {
        if (name != CDeviceProfileUI::kTabOptions[i])
            continue;
        CVeltraUSBDevice* page = window.GetSelectedPage();
        if (CDeviceProfileUI* panel = page != nullptr ? findProfilePanel(*page) : nullptr) {
            panel->selectTab(int(i) + 1);
            showTabArea(*page, int(i) + 1);
        }
        return true;
    }
    return false;
}

void switchToChosenProfile(CVeltraUSBDevice& page) {
    CDeviceProfileUI* panel = findProfilePanel(page);
    if (panel == nullptr)
        return;
    const int chosen = panel->getSelectedIndex();
    if (chosen < 0 || chosen == panel->profiles().getSelectedIndex())
        return;
    panel->selectProfile(chosen, false);
    if (panel->profiles().getSelectedIndex() == chosen)
        takeSelectedProfile(page, *panel);
}

bool selectPageProfile(CVeltraUSBDevice& page, int index, ProfileWrite write) {
    CDeviceProfileUI* panel = findProfilePanel(page);
    if (panel == nullptr || index == panel->profiles().getSelectedIndex())
        return false;
    const ProfileListResult result = panel->selectProfile(index, false);
    if (result != ProfileListResult::Done) {
        trace("profile " + std::to_string(index) + " not selected: the list changed");
        followSelectedProfile(page, *panel);
        return false;
    }
    if (write == ProfileWrite::Whole) {
        takeSelectedProfile(page, *panel);
        return true;
    }
    page.setProfileName(panel->getCurrentProfileId());
    std::string parts;
    for (const std::string& part : applyChangedParts(page.model()))
        parts += (parts.empty() ? "" : ", ") + part;
    trace("profile " + panel->getCurrentProfileId() + " applied; written: " + (parts.empty() ? "nothing" : parts));
    return true;
}

bool handleProfileComboSelect(CMainWnd& window, TNotifyUI& msg) {
    if (msg.pSender == nullptr || msg.pSender->GetName() != kProfileCombo)
        return false;
    window.SetTimer(kProfileSwitchTimer, kProfileSwitchDelayMs);
    return true;
}

bool handleProfileSwitchTimer(CMainWnd& window, UINT id) {
    if (id != kProfileSwitchTimer)
        return false;
    window.KillTimer(kProfileSwitchTimer);
    if (CVeltraUSBDevice* page = window.GetSelectedPage())
        switchToChosenProfile(*page);
    return true;
}

} // namespace pelan
