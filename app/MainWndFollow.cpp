// Profiles that follow the application in front, the tray menu's profile lists and the short on-screen words that
// say what changed on a device.
#include "app/CMainWnd.h"

#include "app/OnScreenWords.h"
#include "pages/CVeltraUSBDevice.h"
#include "panels/CDeviceProfileUI.h"
#include "panels/ProfileRoutes.h"
#include "platform/ActiveApplication.h"
#include "platform/InputHook.h"
#include "platform/Trace.h"
#include "ui/UIResourceManager.h"

#include <QSocketNotifier>

namespace pelan {
namespace {

constexpr const char* kTrayMenuLayout = "menu.xml";
// Tray menu items of a device's profiles: the prefix, the device kind and the profile index ("profile_2_0").
constexpr const char* kProfileItemPrefix = "profile_";

QString menuElement(const QString& name, const QString& text, bool enabled, bool checked = false) {
    return QString("<MenuElement name=\"%1\" text=\"%2\" enabled=\"%3\" checked=\"%4\"/>")
        .arg(name.toHtmlEscaped(), text.toHtmlEscaped(), enabled ? "true" : "false", checked ? "true" : "false");
}

} // namespace

void CMainWnd::UseActiveApplicationWatch(std::unique_ptr<ActiveApplicationWatch> watch) {
    m_appWatchNotifier.reset();
    m_appWatch = std::move(watch);
    if (!m_appWatch->unavailableReason().empty())
        trace("application in front: " + m_appWatch->unavailableReason());
    if (m_appWatch->fd() < 0)
        return;
    // The desktop tells of each change: nothing is looked at until it does.
    m_appWatchNotifier = std::make_unique<QSocketNotifier>(m_appWatch->fd(), QSocketNotifier::Read);
    QObject::connect(m_appWatchNotifier.get(), &QSocketNotifier::activated, [this] { ReadActiveApplication(); });
}

ActiveApplicationWatch& CMainWnd::GetActiveApplicationWatch() {
    if (m_appWatch == nullptr)
        UseActiveApplicationWatch(ActiveApplicationWatch::forThisSession());
    return *m_appWatch;
}

void CMainWnd::ReadActiveApplication() {
    const bool changed = m_appWatch->takeChanges();
    if (!m_appWatch->unavailableReason().empty()) {
        // The desktop's connection is gone: nothing more will come from it.
        trace("application in front: " + m_appWatch->unavailableReason());
        m_appWatchNotifier.reset();
        return;
    }
    if (!changed)
        return;
    FollowActiveApplication(m_appWatch->activeApplication());
    // An open "Link to application" offers the applications as they are now.
    CVeltraUSBDevice* page = GetSelectedPage();
    CDeviceProfileUI* panel = page != nullptr ? findProfilePanel(*page) : nullptr;
    if (panel != nullptr && panel->isLinkVisible())
        panel->showApplications(m_appWatch->applications(), m_appWatch->unavailableReason());
}

void CMainWnd::FollowActiveApplication(const std::string& application, const CVeltraUSBDevice* only) {
    if (m_hook != nullptr && m_hook->installed()) {
        trace("application in front: " + application + "; no profile switch while recording or capturing");
        return;
    }
    for (DevicePage& entry : m_pages) {
        if (only != nullptr && entry.page != only)
            continue;
        CDeviceProfileUI* panel = entry.page->isConnected() ? findProfilePanel(*entry.page) : nullptr;
        if (panel == nullptr) {
            // Away while another application came to the front: back, the device follows what is in front then.
            if (application != entry.followedApplication)
                entry.followedApplication.clear();
            continue;
        }
        entry.followedApplication = application;
        const std::optional<int> target = entry.follower.profileFor(panel->profiles(), application);
        if (!target || !selectPageProfile(*entry.page, *target, ProfileWrite::ChangedParts))
            continue;
        const std::string& name = panel->profiles().items()[size_t(*target)].name;
        trace("application in front: " + application + "; " + entry.page->model().deviceFolderName +
              " follows with profile " + name);
        ShowOnScreenWord(
            CResourceManager::GetInstance()->GetText("onscreen_profile_text").arg(QString::fromStdString(name)));
    }
}

// A device that arrives (or the program that starts) while a linked application is in front takes its profile
// once the device has been read, as if the application had come to the front then. Until the desktop has named an
// application, nothing is known and the device keeps the profile it was given.
void CMainWnd::FollowActiveApplicationOnArrival(const CVeltraUSBDevice& page) {
    if (m_appWatch == nullptr || !page.isConnected())
        return;
    const std::string application = m_appWatch->activeApplication();
    for (const DevicePage& entry : m_pages)
        if (entry.page == &page && !application.empty() && entry.followedApplication != application)
            FollowActiveApplication(application, &page);
}

void CMainWnd::ShowOnScreenWord(const QString& text) {
    if (m_onScreenWords == nullptr)
        m_onScreenWords = std::make_unique<OnScreenWords>();
    m_onScreenWords->show(text.toStdString());
}

void CMainWnd::ChooseProfileFromTray(int kind, int index) {
    const DevicePage* entry = FindPageOfKind(kind);
    if (entry == nullptr || !entry->page->isConnected())
        return;
    selectPageProfile(*entry->page, index, ProfileWrite::Whole);
}

QString CMainWnd::TrayMenuLayout() const {
    bool ok = true;
    QString layout = ReadResourceFile(kTrayMenuLayout, &ok);
    const qsizetype start = layout.indexOf("<MenuElement");
    if (!ok || start < 0)
        return kTrayMenuLayout;
    CResourceManager* texts = CResourceManager::GetInstance();
    QString items;
    for (const DevicePage& entry : m_pages) {
        CDeviceProfileUI* panel = entry.page->isConnected() ? findProfilePanel(*entry.page) : nullptr;
        if (panel == nullptr)
            continue;
        items +=
            menuElement(QString(), texts->GetText(QString::fromStdString(entry.page->model().deviceFolderName)), false);
        const std::vector<ProfileItem>& profiles = panel->profiles().items();
        for (size_t i = 0; i < profiles.size(); ++i)
            items += menuElement(QString("%1%2_%3").arg(kProfileItemPrefix).arg(entry.kind).arg(i),
                                 QString::fromStdString(profiles[i].name), true,
                                 int(i) == panel->profiles().getSelectedIndex());
    }
    items += menuElement(kOnScreenMenuItem, texts->GetText("menu_onscreen_text"), true, OnScreenWords::enabled());
    return layout.insert(start, items);
}

bool CMainWnd::HandleTrayMenuItem(const MenuCmd& item) {
    if (item.szName == kOnScreenMenuItem) {
        if (!OnScreenWords::setEnabled(!item.bChecked))
            trace("the on-screen words setting could not be stored");
        return true;
    }
    if (!item.szName.startsWith(kProfileItemPrefix))
        return false;
    const QStringList numbers = item.szName.mid(qsizetype(strlen(kProfileItemPrefix))).split('_');
    bool kindOk = false;
    bool indexOk = false;
    const int kind = numbers.size() == 2 ? numbers[0].toInt(&kindOk) : 0;
    const int index = numbers.size() == 2 ? numbers[1].toInt(&indexOk) : 0;
    if (kindOk && indexOk)
        ChooseProfileFromTray(kind, index);
    return true;
}

} // namespace pelan
