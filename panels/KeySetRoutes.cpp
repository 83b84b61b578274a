// The key side of the mouse and keyboard pages: key buttons, key selection and the key set panel.
#include "panels/KeySetRoutes.h"

#include "app/AppMessages.h"
#include "app/CMainWnd.h"
#include "app/CMsgWnd.h"
#include "app/NotifyName.h"
#include "controls/CDeviceKeyButtonUI.h"
#include "device/DeviceProfile.h"
#include "device/KeyboardDevice.h"
#include "macro/MacroFiles.h"
#include "pages/CVeltraUSBDevice.h"
#include "panels/CKeySetControlUI.h"
#include "platform/InputHook.h"

#include <array>

namespace pelan {
namespace {

constexpr int kMessageDpi = 96;
constexpr int kMouseKind = 2;

// The combo boxes whose selection stores the edit.
constexpr std::array<const char*, 11> kStoringCombos{
    CKeySetControlUI::kFunctionCombo, CKeySetControlUI::kMouseKeyCombo,   CKeySetControlUI::kSwingCombo,
    CKeySetControlUI::kWheelCombo,    CKeySetControlUI::kDpiCombo,        CKeySetControlUI::kMediaCombo,
    CKeySetControlUI::kSystemCombo,   CKeySetControlUI::kMacroCombo,      CKeySetControlUI::kPlayModeCombo,
    CKeySetControlUI::kGunCombo,      CKeySetControlUI::kCombinationCombo};

// The edits whose leaving stores the edit.
constexpr std::array<const char*, 10> kStoringEdits{
    CKeySetControlUI::kKeyEdit,        CKeySetControlUI::kSwingCountEdit,   CKeySetControlUI::kSwingDelayEdit,
    CKeySetControlUI::kSwingSpeedEdit, CKeySetControlUI::kWheelCountEdit,   CKeySetControlUI::kWheelDelayEdit,
    CKeySetControlUI::kWheelSpeedEdit, CKeySetControlUI::kFireIntervalEdit, CKeySetControlUI::kFireCountEdit,
    CKeySetControlUI::kRepeatEdit};

template <size_t N>
bool isOneOf(const QString& name, const std::array<const char*, N>& names) {
    for (const char* wanted : names)
        if (name == QLatin1String(wanted))
            return true;
    return false;
}

// The nearest control of type T that holds `control` (itself included).
template <typename T>
T* holderOf(CControlUI* control) {
    for (CControlUI* c = control; c != nullptr; c = c->GetParent())
        if (auto* found = dynamic_cast<T*>(c))
            return found;
    return nullptr;
}

std::vector<std::string> macroNamesOf(UsbDeviceModel& model) {
    std::vector<std::string> names;
    for (const MacroEntry& entry : loadMacroList(model.userDeviceFolder(), macroListFileFor(model.deviceFolderName)))
        names.push_back(entry.name);
    return names;
}

std::vector<KeyRecord> keysOf(CVeltraUSBDevice& page) {
    CBasicProfiledata* profile = keyProfileOf(page.model());
    return profile != nullptr ? profile->getKeyList() : std::vector<KeyRecord>{};
}

// A macro memory that failed or does not fit, told to the user.
void showMacroMessage(const UsbDeviceModel::MacroApplyResult& applied,
                      const std::function<void(const QString&, bool)>& message) {
    if (applied.macroResult == 0 || !message)
        return;
    if (applied.macroResult == -1) {
        message(QString::fromStdString(applied.messageKey), true);
        return;
    }
    const QString format = CResourceManager::GetInstance()->GetText(QString::fromStdString(applied.messageKey));
    message(QString(format).replace("%d", QString::number(applied.messageCount)), false);
}

CKeySetControlUI::PageLink pageLinkOf(CVeltraUSBDevice& page, const CKeySetControlUI& panel) {
    CKeySetControlUI::PageLink link = panel.pageLink();
    CWindowWnd* owner = page.ownerWindow();
    if (!link.message)
        link.message = [owner](const QString& text, bool textIsKey) {
            CMsgWnd::ShowMessage(owner, QString(), text, kMessageDpi, textIsKey, CMsgWnd::kConfirmOnly);
        };
    link.store = [&page, message = link.message](uint16_t index, KeyAssignment value) {
        const KeyStoreResult stored = storeKeyAssignment(page.model(), index, value);
        if (stored.macros.macroResult != 0) {
            showMacroMessage(stored.macros, message);
            return false;
        }
        showKeyFunctions(page);
        return stored.known;
    };
    if (!link.capture)
        if (auto* window = dynamic_cast<CMainWnd*>(owner))
            link.capture = [window](bool on) {
                window->SendMessage(UWM_HOOK_SWITCH_MSG, on ? 1 : 0, 0);
                return on && window->GetInputHook().installed() && window->GetInputHook().mode() == HookMode::SingleKey;
            };
    return link;
}

// "key_butt_prosave": the macro memory, then the key table and the profile file; a macro memory that failed or
// does not fit is reported and nothing else is written.
void saveToDevice(CVeltraUSBDevice& page, CKeySetControlUI& panel) {
    const UsbDeviceModel::MacroApplyResult applied = page.model().applyMacros();
    if (applied.macroResult == 0)
        panel.clearKey();
    else
        showMacroMessage(applied, panel.pageLink().message);
    panel.enableEditing(true);
}

CKeySetControlUI* capturingPanel(CMainWnd& window) {
    CVeltraUSBDevice* page = window.GetSelectedPage();
    CKeySetControlUI* panel = page != nullptr ? findKeySetPanel(*page) : nullptr;
    return panel != nullptr && panel->capturing() ? panel : nullptr;
}

} // namespace

CKeySetControlUI* findKeySetPanel(CVeltraUSBDevice& page) {
    return dynamic_cast<CKeySetControlUI*>(page.FindSubControl(CKeySetControlUI::kItemName));
}

void bindKeySetPanel(CVeltraUSBDevice& page) {
    CKeySetControlUI* panel = findKeySetPanel(page);
    if (panel == nullptr)
        return;
    const bool keyboard = dynamic_cast<KeyboardDevice*>(&page.model()) != nullptr;
    panel->setPageLink(pageLinkOf(page, *panel));
    panel->bind(keyboard ? CKeySetControlUI::kKeyboardKind : kMouseKind, macroNamesOf(page.model()));
    showKeyFunctions(page);
}

void selectPageKey(CVeltraUSBDevice& page, int index) {
    page.model().clearKeySelection();
    CKeySetControlUI* panel = findKeySetPanel(page);
    const std::vector<KeyRecord> keys = keysOf(page);
    if (index < 0 || size_t(index) >= keys.size()) {
        if (panel != nullptr)
            panel->clearKey();
        return;
    }
    page.model().selectKey(index);
    if (panel != nullptr)
        panel->setKey(keys[size_t(index)]);
}

void clearPageKeySelection(CVeltraUSBDevice& page) {
    page.model().clearKeySelection();
    if (CKeySetControlUI* panel = findKeySetPanel(page))
        panel->clearKey();
}

void showKeyFunctions(CVeltraUSBDevice& page) {
    CKeySetControlUI* panel = findKeySetPanel(page);
    if (panel == nullptr)
        return;
    const std::vector<KeyRecord> keys = keysOf(page);
    const std::vector<CControlUI*>& buttons = page.keyButtons();
    for (size_t i = 0; i < buttons.size() && i < keys.size(); ++i)
        if (buttons[i] != nullptr)
            buttons[i]->SetToolTip(panel->functionText(keys[i].current));
    // Another profile, or another program, changed the selected key underneath the panel: it shows the key anew.
    const std::optional<KeyRecord> shown = panel->key();
    if (shown && shown->index < keys.size() && keys[shown->index] != *shown)
        panel->setKey(keys[shown->index]);
}

void refreshKeySetMacros(CVeltraUSBDevice& page) {
    if (CKeySetControlUI* panel = findKeySetPanel(page)) {
        panel->setMacroNames(macroNamesOf(page.model()));
        showKeyFunctions(page);
    }
}

bool writeMacrosAndKeys(CVeltraUSBDevice& page) {
    if (!page.isConnected())
        return false;
    const UsbDeviceModel::MacroApplyResult macros = page.model().writeChangedMacros();
    if (macros.macroResult != 0) {
        CKeySetControlUI* panel = findKeySetPanel(page);
        showMacroMessage(macros, panel != nullptr ? panel->pageLink().message : nullptr);
        return false;
    }
    return page.model().writeCurrentKeys(0) == kResultAccepted;
}

// --- the main window's routes ---

bool handleKeySetClick(CMainWnd&, TNotifyUI& msg) {
    if (msg.pSender == nullptr)
        return false;
    const QString name = msg.pSender->GetName();
    if (dynamic_cast<CDeviceKeyButtonUI*>(msg.pSender) != nullptr) {
        const NotifyName split = splitNotifyName(name);
        if (split.prefix != QLatin1String(CVeltraUSBDevice::kKeyButtonPrefix))
            return false;
        if (auto* page = holderOf<CVeltraUSBDevice>(msg.pSender))
            selectPageKey(*page, split.index);
        return true;
    }
    auto* panel = holderOf<CKeySetControlUI>(msg.pSender);
    if (panel == nullptr)
        return false;
    if (name == CKeySetControlUI::kDefaultButton)
        panel->showDefault();
    else if (name == CKeySetControlUI::kSaveButton)
        panel->save();
    else if (name == CKeySetControlUI::kCancelButton)
        panel->cancel();
    else if (name == CKeySetControlUI::kProfileSaveButton) {
        if (auto* page = holderOf<CVeltraUSBDevice>(panel))
            saveToDevice(*page, *panel);
    }
    return true;
}

bool handleKeySetItemSelect(CMainWnd&, TNotifyUI& msg) {
    if (msg.pSender == nullptr || !isOneOf(msg.pSender->GetName(), kStoringCombos))
        return false;
    auto* panel = holderOf<CKeySetControlUI>(msg.pSender);
    if (panel == nullptr)
        return false;
    const QString name = msg.pSender->GetName();
    if (name == CKeySetControlUI::kFunctionCombo) {
        // A category alone is no function: it is stored once its choice is made, unless it needs none.
        if (panel->categoryChanged())
            panel->save();
        return true;
    }
    if (name == CKeySetControlUI::kPlayModeCombo)
        panel->playModeChanged();
    panel->save();
    return true;
}

bool handleKeySetSelect(CMainWnd&, TNotifyUI& msg) {
    if (msg.pSender == nullptr)
        return false;
    const NotifyName split = splitNotifyName(msg.pSender->GetName());
    if (split.prefix != QLatin1String(CKeySetControlUI::kModifierPrefix))
        return false;
    auto* option = dynamic_cast<COptionUI*>(msg.pSender);
    auto* panel = holderOf<CKeySetControlUI>(msg.pSender);
    // The option that lost the selection reports too; only the chosen one stores.
    if (panel != nullptr && option != nullptr && option->IsSelected()) {
        panel->modifierSelected(split.index);
        panel->save();
    }
    return true;
}

bool handleKeySetFocus(CMainWnd&, TNotifyUI& msg) {
    if (msg.pSender == nullptr || !isOneOf(msg.pSender->GetName(), kStoringEdits))
        return false;
    auto* panel = holderOf<CKeySetControlUI>(msg.pSender);
    if (panel == nullptr)
        return false;
    const bool keyField = msg.pSender->GetName() == CKeySetControlUI::kKeyEdit;
    if (msg.sType == DUI_MSGTYPE_SETFOCUS) {
        if (keyField)
            panel->startCapture();
        return true;
    }
    if (keyField && msg.sType == DUI_MSGTYPE_KILLFOCUS)
        panel->endCapture();
    panel->save();
    return true;
}

void routeKeySetHookKey(CMainWnd& window, uint32_t transition, HookKeyRecord record) {
    if (CKeySetControlUI* panel = capturingPanel(window))
        panel->captureKey(transition, uint8_t(record.scanCode), (record.flags & kHookKeyExtendedFlag) != 0);
}

} // namespace pelan
