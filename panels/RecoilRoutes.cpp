// The main window's routes to the recoil panel of the mouse page.
#include "panels/RecoilRoutes.h"

#include "app/CMainWnd.h"
#include "app/CMsgWnd.h"
#include "app/NotifyName.h"
#include "pages/CVeltraMouseDevice.h"
#include "panels/CShootControlUI.h"

namespace pelan {
namespace {

constexpr const char* kDialogExtension = "Shoot";
constexpr int kMessageDpi = 96;

bool sameName(const QString& name, const char* wanted) {
    return name.compare(QLatin1String(wanted), Qt::CaseInsensitive) == 0;
}

// The recoil panel of the selected page when that page is the mouse page.
CShootControlUI* selectedPanel(CMainWnd& window) {
    auto* mouse = dynamic_cast<CVeltraMouseDevice*>(window.GetSelectedPage());
    return mouse != nullptr ? findRecoilPanel(*mouse) : nullptr;
}

bool isSelected(const TNotifyUI& msg) {
    const auto* option = dynamic_cast<const COptionUI*>(msg.pSender);
    return option != nullptr && option->IsSelected();
}

} // namespace

CShootControlUI* findRecoilPanel(CVeltraUSBDevice& page) {
    return dynamic_cast<CShootControlUI*>(page.FindSubControl(CShootControlUI::kItemName));
}

void bindRecoilPanel(CVeltraUSBDevice& page) {
    CShootControlUI* panel = findRecoilPanel(page);
    if (panel == nullptr)
        return;
    CShootControlUI::Prompts prompts = panel->prompts();
    CWindowWnd* owner = page.ownerWindow();
    QWidget* parent = owner != nullptr ? owner->GetHWND() : nullptr;
    if (!prompts.message)
        prompts.message = [owner](const QString& key) {
            CMsgWnd::ShowMessage(owner, QString(), key, kMessageDpi, true, CMsgWnd::kConfirmOnly);
        };
    if (!prompts.confirm)
        prompts.confirm = [owner](const QString& key) {
            return CMsgWnd::ShowMessage(owner, QString(), key, kMessageDpi, true, CMsgWnd::kConfirmAndCancel) == 1;
        };
    if (!prompts.openFile)
        prompts.openFile = [parent](const QString& filter) { return OpenFileDialog(parent, filter); };
    if (!prompts.saveFile)
        prompts.saveFile = [parent](const QString& filter) { return SaveFileDialog(parent, filter, kDialogExtension); };
    panel->setPrompts(std::move(prompts));
    panel->setFolders(page.model().userDeviceFolder(), page.model().defaultDataFolder());
    panel->selectGun(0);
    panel->selectBullet(0);
}

bool handleRecoilClick(CMainWnd& window, TNotifyUI& msg) {
    if (msg.pSender == nullptr)
        return false;
    const QString name = msg.pSender->GetName();
    using Panel = CShootControlUI;
    for (const char* button : {Panel::kResetButton, Panel::kImportButton, Panel::kExportButton, Panel::kSaveButton,
                               Panel::kPreviousButton, Panel::kNextButton}) {
        if (!sameName(name, button))
            continue;
        CShootControlUI* panel = selectedPanel(window);
        if (panel == nullptr)
            return true;
        if (button == Panel::kResetButton)
            panel->resetGun();
        else if (button == Panel::kImportButton)
            panel->importGun();
        else if (button == Panel::kExportButton)
            panel->exportGun();
        else if (button == Panel::kSaveButton)
            panel->saveBullet();
        else if (button == Panel::kPreviousButton)
            panel->previousBullet();
        else
            panel->nextBullet();
        return true;
    }
    return false;
}

bool handleRecoilSelect(CMainWnd& window, TNotifyUI& msg) {
    if (msg.pSender == nullptr)
        return false;
    const QString name = msg.pSender->GetName();
    const NotifyName split = splitNotifyName(name);
    const bool gun = split.prefix == CShootControlUI::kGunOptionPrefix;
    const bool bullet = split.prefix == CShootControlUI::kBulletOptionPrefix;
    const bool direction = name == CShootControlUI::kHorizontalCheck || name == CShootControlUI::kVerticalCheck;
    if (!gun && !bullet && !direction)
        return false;
    CShootControlUI* panel = selectedPanel(window);
    if (panel == nullptr)
        return true;
    if (direction)
        panel->directionChanged();
    else if (!isSelected(msg))
        return true; // the option of the group that lost its selection
    else if (gun)
        panel->selectGun(split.index);
    else
        panel->selectBullet(split.index);
    return true;
}

bool handleRecoilKillFocus(CMainWnd&, TNotifyUI& msg) {
    if (msg.pSender == nullptr)
        return false;
    const QString name = msg.pSender->GetName();
    if (name != CShootControlUI::kHorizontalEdit && name != CShootControlUI::kVerticalEdit &&
        name != CShootControlUI::kDelayEdit)
        return false;
    // The edit's own panel, whichever page is in front by now.
    for (CControlUI* c = msg.pSender; c != nullptr; c = c->GetParent()) {
        if (auto* panel = dynamic_cast<CShootControlUI*>(c)) {
            panel->saveBullet();
            break;
        }
    }
    return true;
}

} // namespace pelan
