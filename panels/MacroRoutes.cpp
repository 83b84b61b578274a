// The main window's routes to the macro editor of the mouse and keyboard pages.
#include "panels/MacroRoutes.h"

#include "app/CMainWnd.h"
#include "app/CMsgWnd.h"
#include "device/DeviceProfile.h"
#include "macro/MacroFiles.h"
#include "pages/CVeltraUSBDevice.h"
#include "panels/CKeySetControlUI.h"
#include "panels/CMacroControlUI.h"
#include "panels/KeySetRoutes.h"
#include "platform/InputHook.h"

#include <array>

namespace pelan {
namespace {

constexpr int kMessageDpi = 96;
constexpr const char* kMacroExtension = "mac";

bool sameName(const QString& name, const char* wanted) {
    return name.compare(QLatin1String(wanted), Qt::CaseInsensitive) == 0;
}

CMacroControlUI* selectedPanel(CMainWnd& window) {
    CVeltraUSBDevice* page = window.GetSelectedPage();
    return page != nullptr ? findMacroPanel(*page) : nullptr;
}

CMacroControlUI::PageLink pageLinkOf(CVeltraUSBDevice& page) {
    CMacroControlUI::PageLink link;
    link.macroListChanged = [&page] {
        page.model().loadLightAndMacroConfig();
        refreshKeySetMacros(page);
    };
    link.recordingChanged = [&page](bool recording) {
        if (CKeySetControlUI* keys = findKeySetPanel(page))
            keys->enableEditing(!recording);
    };
    if (CBasicProfiledata* profile = keyProfileOf(page.model())) {
        link.keys = [profile] { return profile->readKeyList(); };
        link.storeKeys = [&page, profile](const std::vector<KeyRecord>& keys) {
            profile->writeKeyList(keys);
            page.model().saveProfile();
            writeMacrosAndKeys(page);
        };
    }
    return link;
}

} // namespace

CMacroControlUI* findMacroPanel(CVeltraUSBDevice& page) {
    return dynamic_cast<CMacroControlUI*>(page.FindSubControl(CMacroControlUI::kItemName));
}

void bindMacroPanel(CVeltraUSBDevice& page) {
    CMacroControlUI* panel = findMacroPanel(page);
    if (panel == nullptr)
        return;
    CMacroControlUI::Prompts prompts = panel->prompts();
    CWindowWnd* owner = page.ownerWindow();
    auto* window = dynamic_cast<CMainWnd*>(owner);
    QWidget* parent = owner != nullptr ? owner->GetHWND() : nullptr;
    if (!prompts.message)
        prompts.message = [owner](const QString& key, bool withCancel) {
            return CMsgWnd::ShowMessage(owner, QString(), key, kMessageDpi, true,
                                        withCancel ? CMsgWnd::kConfirmAndCancel : CMsgWnd::kConfirmOnly);
        };
    if (!prompts.openFile)
        prompts.openFile = [parent](const QString& filter) { return OpenFileDialog(parent, filter); };
    if (!prompts.saveFile)
        prompts.saveFile = [parent](const QString& filter) { return SaveFileDialog(parent, filter, kMacroExtension); };
    if (!prompts.installHook && window != nullptr)
        prompts.installHook = [window](int mode) { return window->InstallInputHook(mode); };
    if (!prompts.removeHook && window != nullptr)
        prompts.removeHook = [window] { window->RemoveInputHook(); };
    if (!prompts.openMenu && window != nullptr)
        prompts.openMenu = [window](const QString& layout, QPoint point) { window->OpenMenu(layout, point); };
    panel->setPrompts(std::move(prompts));
    panel->setPageLink(pageLinkOf(page));
    panel->setFolder(page.model().userDeviceFolder(), macroListFileFor(page.model().deviceFolderName));
    if (window != nullptr)
        panel->showWindowOnlyHint(!window->GetInputHook().backend().capturesDesktop());
}

bool handleMacroClick(CMainWnd& window, TNotifyUI& msg) {
    if (msg.pSender == nullptr)
        return false;
    const QString name = msg.pSender->GetName();
    if (!name.startsWith("macro_") && !name.startsWith("MACRO_", Qt::CaseInsensitive))
        return false;
    CMacroControlUI* panel = selectedPanel(window);
    if (panel == nullptr)
        return false;
    if (sameName(name, CMacroControlUI::kStartButton))
        panel->startRecording(HookMode::Macro, panel->recordPolicy());
    else if (sameName(name, CMacroControlUI::kStopButton))
        panel->stopRecording();
    else if (sameName(name, "macro_btn_name_add"))
        panel->addMacro();
    else if (sameName(name, "macro_btn_name_sub"))
        panel->deleteMacro();
    else if (sameName(name, "macro_btn_name_edit"))
        panel->renameMacro();
    else if (sameName(name, "macro_btn_save"))
        panel->saveEvents();
    else if (sameName(name, "macro_btn_cancel"))
        panel->reloadEvents();
    else if (sameName(name, "macro_btn_import"))
        panel->importMacro();
    else if (sameName(name, "macro_btn_export"))
        panel->exportMacro();
    else if (sameName(name, "macro_inset_moveleftkey_btn") || sameName(name, "macro_inset_moverightkey_btn"))
        panel->insertMove(true, sameName(name, "macro_inset_moveleftkey_btn"));
    else if (sameName(name, "macro_inset_moveupkey_btn") || sameName(name, "macro_inset_movedownkey_btn"))
        panel->insertMove(false, sameName(name, "macro_inset_moveupkey_btn"));
    else
        return panel->rowButton(name);
    return true;
}

bool handleMacroItemSelect(CMainWnd& window, TNotifyUI& msg) {
    if (msg.pSender == nullptr || msg.pSender->GetName() != CMacroControlUI::kNameList)
        return false;
    if (CMacroControlUI* panel = selectedPanel(window)) {
        const auto* list = dynamic_cast<const CListUI*>(msg.pSender);
        const int index = list != nullptr ? list->GetCurSel() : -1;
        panel->selectMacro(index >= 0 ? std::optional<size_t>(index) : std::nullopt);
    }
    return true;
}

bool handleMacroEditCommit(CMainWnd&, TNotifyUI& msg) {
    if (msg.pSender == nullptr || msg.pSender->GetName() != CMacroControlUI::kDelayEdit)
        return false;
    for (CControlUI* c = msg.pSender; c != nullptr; c = c->GetParent()) {
        if (auto* panel = dynamic_cast<CMacroControlUI*>(c)) {
            panel->delayCommitted(msg.pSender);
            break;
        }
    }
    return true;
}

bool handleMacroMenu(CMainWnd& window, const QString& item) {
    CMacroControlUI* panel = selectedPanel(window);
    return panel != nullptr && panel->menuItem(item);
}

void routeMacroHookKey(CMainWnd& window, int mode, uint32_t transition, HookKeyRecord record) {
    if (CMacroControlUI* panel = selectedPanel(window))
        panel->hookKey(mode, transition, record);
}

void routeMacroHookMouse(CMainWnd& window, int mode, uint32_t message, HookMouseRecord record) {
    if (CMacroControlUI* panel = selectedPanel(window))
        panel->hookMouse(mode, message, record);
}

} // namespace pelan
