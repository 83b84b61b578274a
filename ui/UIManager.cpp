#include "ui/UIManager.h"

#include "ui/UIContainer.h"
#include "ui/UIRender.h"

#include <QApplication>
#include <QDateTime>
#include <QDir>
#include <QPointer>
#include <QTimer>
#include <algorithm>
#include <functional>

namespace pelan {
namespace {

QString& instancePath() {
    static QString path;
    return path;
}

QString& resourcePath() {
    static QString path;
    return path;
}

std::vector<CPaintManagerUI*>& managers() {
    static std::vector<CPaintManagerUI*> list;
    return list;
}

using SharedFont = CPaintManagerUI::FontInfo;

std::map<int, SharedFont>& sharedFonts() {
    static std::map<int, SharedFont> fonts;
    return fonts;
}

std::unique_ptr<SharedFont>& sharedDefaultFont() {
    static std::unique_ptr<SharedFont> font;
    return font;
}

QString withSlash(QString path) {
    path.replace('\\', '/');
    if (!path.isEmpty() && !path.endsWith('/'))
        path += '/';
    return path;
}

void visitTree(CControlUI* control, const std::function<void(CControlUI*)>& visit) {
    if (control == nullptr)
        return;
    visit(control);
    if (auto* container = static_cast<CContainerUI*>(control->GetInterface("Container"))) {
        for (int i = 0; i < container->GetCount(); ++i)
            visitTree(container->GetItemAt(i), visit);
    }
}

} // namespace

void* CPaintManagerUI::s_instance = nullptr;
int CPaintManagerUI::s_resourceType = 1;

CPaintManagerUI::CPaintManagerUI() = default;

CPaintManagerUI::~CPaintManagerUI() {
    for (auto& [key, timer] : m_timers) {
        timer->stop();
        timer->deleteLater();
    }
    m_timers.clear();
    auto& list = managers();
    list.erase(std::remove(list.begin(), list.end(), this), list.end());
}

void CPaintManagerUI::SetInstancePath(const QString& path) {
    instancePath() = withSlash(path);
}

QString CPaintManagerUI::GetInstancePath() {
    if (instancePath().isEmpty() && QCoreApplication::instance() != nullptr)
        return withSlash(QCoreApplication::applicationDirPath());
    return instancePath();
}

void CPaintManagerUI::SetResourcePath(const QString& path) {
    resourcePath() = withSlash(path);
    ClearImageCache();
}

QString CPaintManagerUI::GetResourcePath() {
    return resourcePath();
}

int CPaintManagerUI::MessageLoop() {
    return QApplication::exec();
}

std::vector<CPaintManagerUI*> CPaintManagerUI::GetPaintManagers() {
    return managers();
}

CPaintManagerUI* CPaintManagerUI::GetPaintManager(const QString& name) {
    for (CPaintManagerUI* manager : managers()) {
        if (manager->m_name == name)
            return manager;
    }
    return nullptr;
}

void CPaintManagerUI::SetAllDPI(int dpi) {
    for (CPaintManagerUI* manager : managers())
        manager->SetDPI(dpi);
}

void CPaintManagerUI::Init(QWidget* paintWindow, const QString& name) {
    m_paintWindow = paintWindow;
    m_name = name;
    auto& list = managers();
    if (std::find(list.begin(), list.end(), this) == list.end())
        list.push_back(this);
}

bool CPaintManagerUI::AttachDialog(CControlUI* root) {
    if (root == nullptr)
        return false;
    m_root = root;
    root->SetManager(this, nullptr, true);
    if (m_paintWindow != nullptr) {
        root->setParent(m_paintWindow);
        root->setGeometry(m_paintWindow->rect());
        root->setVisible(root->IsVisibleFlag());
    }
    return true;
}

void CPaintManagerUI::DetachDialog() {
    for (auto& [key, timer] : m_timers) {
        timer->stop();
        timer->deleteLater();
    }
    m_timers.clear();
    m_optionGroups.clear();
    m_notifiers.clear();
    m_messageFilters.clear();
    if (m_root != nullptr)
        m_root->SetManager(nullptr, nullptr, false);
    m_root = nullptr;
}

CControlUI* CPaintManagerUI::FindControl(const QString& name) const {
    return m_root != nullptr ? m_root->FindControl(name) : nullptr;
}

CControlUI* CPaintManagerUI::FirstUsable(const QString& names) const {
    for (const QString& name : names.split(',', Qt::SkipEmptyParts)) {
        CControlUI* control = FindControl(name.trimmed());
        if (control != nullptr && control->IsVisible() && control->IsEnabled())
            return control;
    }
    return nullptr;
}

CControlUI* CPaintManagerUI::FindSubControlByName(CControlUI* parent, const QString& name) const {
    return parent != nullptr ? parent->FindControl(name) : nullptr;
}

CControlUI* CPaintManagerUI::FindControl(QPoint windowPoint) const {
    if (m_paintWindow == nullptr)
        return nullptr;
    for (QWidget* w = m_paintWindow->childAt(windowPoint); w != nullptr; w = w->parentWidget()) {
        if (auto* control = dynamic_cast<CControlUI*>(w))
            return control;
    }
    return nullptr;
}

void CPaintManagerUI::SetDPI(int dpi) {
    if (dpi <= 0 || dpi == m_dpi)
        return;
    m_dpi = dpi;
    visitTree(m_root, [](CControlUI* control) {
        control->NeedUpdate();
        control->DoInit();
    });
}

bool CPaintManagerUI::AddNotifier(INotifyUI* notifier) {
    if (notifier == nullptr || std::find(m_notifiers.begin(), m_notifiers.end(), notifier) != m_notifiers.end())
        return false;
    m_notifiers.push_back(notifier);
    return true;
}

bool CPaintManagerUI::RemoveNotifier(INotifyUI* notifier) {
    const auto found = std::find(m_notifiers.begin(), m_notifiers.end(), notifier);
    if (found == m_notifiers.end())
        return false;
    m_notifiers.erase(found);
    return true;
}

void CPaintManagerUI::SendNotify(TNotifyUI& msg, bool async) {
    if (msg.dwTimestamp == 0)
        msg.dwTimestamp = static_cast<DWORD>(QDateTime::currentMSecsSinceEpoch() & 0xFFFFFFFF);
    if (msg.pSender != nullptr && msg.sVirtualWnd.isEmpty())
        msg.sVirtualWnd = msg.pSender->GetVirtualWnd();
    if (async) {
        if (msg.pSender == nullptr)
            return;
        // Delivered later only while the sender still exists and still belongs to this window.
        QPointer<CControlUI> sender(msg.pSender);
        TNotifyUI copy = msg;
        QTimer::singleShot(0, msg.pSender, [this, sender, copy]() mutable {
            if (sender != nullptr && sender->GetManager() == this)
                SendNotify(copy, false);
        });
        return;
    }
    // A notifier may remove itself while being notified.
    const std::vector<INotifyUI*> notifiers = m_notifiers;
    for (INotifyUI* notifier : notifiers) {
        if (std::find(m_notifiers.begin(), m_notifiers.end(), notifier) != m_notifiers.end())
            notifier->Notify(msg);
    }
}

void CPaintManagerUI::SendNotify(CControlUI* control, const QString& type, WPARAM wParam, LPARAM lParam, bool async) {
    TNotifyUI msg;
    msg.sType = type;
    msg.pSender = control;
    msg.wParam = wParam;
    msg.lParam = lParam;
    if (m_paintWindow != nullptr)
        msg.ptMouse = m_paintWindow->mapFromGlobal(QCursor::pos());
    SendNotify(msg, async);
}

bool CPaintManagerUI::AddMessageFilter(IMessageFilterUI* filter) {
    if (filter == nullptr ||
        std::find(m_messageFilters.begin(), m_messageFilters.end(), filter) != m_messageFilters.end())
        return false;
    m_messageFilters.push_back(filter);
    return true;
}

bool CPaintManagerUI::RemoveMessageFilter(IMessageFilterUI* filter) {
    const auto found = std::find(m_messageFilters.begin(), m_messageFilters.end(), filter);
    if (found == m_messageFilters.end())
        return false;
    m_messageFilters.erase(found);
    return true;
}

bool CPaintManagerUI::MessageHandler(UINT uMsg, WPARAM wParam, LPARAM lParam, LRESULT& lRes) {
    const std::vector<IMessageFilterUI*> filters = m_messageFilters;
    for (IMessageFilterUI* filter : filters) {
        bool handled = false;
        const LRESULT result = filter->MessageHandler(uMsg, wParam, lParam, handled);
        if (handled) {
            lRes = result;
            return true;
        }
    }
    return false;
}

bool CPaintManagerUI::SetTimer(CControlUI* control, UINT id, UINT elapseMs) {
    if (control == nullptr)
        return false;
    const auto key = std::make_pair(control, id);
    QTimer*& timer = m_timers[key];
    if (timer == nullptr) {
        timer = new QTimer();
        QObject::connect(timer, &QTimer::timeout, control, [control, id] {
            TEventUI event;
            event.Type = UIEVENT_TIMER;
            event.pSender = control;
            event.dwTimestamp = static_cast<DWORD>(QDateTime::currentMSecsSinceEpoch() & 0xFFFFFFFF);
            event.wParam = id;
            control->DoEvent(event);
        });
    }
    timer->start(static_cast<int>(elapseMs));
    return true;
}

bool CPaintManagerUI::KillTimer(CControlUI* control, UINT id) {
    const auto found = m_timers.find(std::make_pair(control, id));
    if (found == m_timers.end())
        return false;
    // The timer may be the one whose handler is running: stop it now, free it from the event loop.
    found->second->stop();
    found->second->deleteLater();
    m_timers.erase(found);
    return true;
}

void CPaintManagerUI::KillTimer(CControlUI* control) {
    for (auto it = m_timers.begin(); it != m_timers.end();) {
        if (it->first.first == control) {
            it->second->stop();
            it->second->deleteLater();
            it = m_timers.erase(it);
        } else {
            ++it;
        }
    }
}

bool CPaintManagerUI::HasTimer(CControlUI* control, UINT id) const {
    return m_timers.count(std::make_pair(control, id)) != 0;
}

bool CPaintManagerUI::AddOptionGroup(const QString& group, CControlUI* control) {
    auto& members = m_optionGroups[group];
    if (std::find(members.begin(), members.end(), control) != members.end())
        return false;
    members.push_back(control);
    return true;
}

std::vector<CControlUI*> CPaintManagerUI::GetOptionGroup(const QString& group) const {
    const auto found = m_optionGroups.find(group);
    return found == m_optionGroups.end() ? std::vector<CControlUI*>{} : found->second;
}

void CPaintManagerUI::RemoveOptionGroup(const QString& group, CControlUI* control) {
    const auto found = m_optionGroups.find(group);
    if (found == m_optionGroups.end())
        return;
    auto& members = found->second;
    members.erase(std::remove(members.begin(), members.end(), control), members.end());
    if (members.empty())
        m_optionGroups.erase(found);
}

void CPaintManagerUI::ReapObjects(CControlUI* control) {
    if (control == nullptr)
        return;
    if (auto* container = static_cast<CContainerUI*>(control->GetInterface("Container"))) {
        for (int i = 0; i < container->GetCount(); ++i)
            ReapObjects(container->GetItemAt(i));
    }
    KillTimer(control);
    for (auto it = m_optionGroups.begin(); it != m_optionGroups.end();) {
        auto& members = it->second;
        members.erase(std::remove(members.begin(), members.end(), control), members.end());
        it = members.empty() ? m_optionGroups.erase(it) : std::next(it);
    }
    if (m_root == control)
        m_root = nullptr;
}

void CPaintManagerUI::AddDefaultAttributeList(const QString& controlName, const QString& list) {
    m_defaultAttributes.insert(controlName.toLower(), list);
}

QString CPaintManagerUI::GetDefaultAttributeList(const QString& controlName) const {
    return m_defaultAttributes.value(controlName.toLower());
}

void CPaintManagerUI::AddStyle(const QString& name, const QString& list) {
    m_styles.insert(name, list);
}

QString CPaintManagerUI::GetStyle(const QString& name) const {
    return m_styles.value(name);
}

QFont CPaintManagerUI::MakeFont(const FontInfo& info) const {
    QFont font(info.family.isEmpty() ? QApplication::font().family() : info.family);
    font.setPixelSize(std::max(1, ScaleValue(info.size)));
    font.setBold(info.bold);
    font.setUnderline(info.underline);
    font.setItalic(info.italic);
    return font;
}

void CPaintManagerUI::AddFont(int id, const QString& family, int size, bool bold, bool underline, bool italic,
                              bool shared) {
    if (shared)
        sharedFonts()[id] = SharedFont{family, size, bold, underline, italic};
    else
        m_fonts[id] = FontInfo{family, size, bold, underline, italic};
}

QFont CPaintManagerUI::GetFont(int id) const {
    if (const auto own = m_fonts.find(id); own != m_fonts.end())
        return MakeFont(own->second);
    if (const auto shared = sharedFonts().find(id); shared != sharedFonts().end())
        return MakeFont(shared->second);
    return GetDefaultFontInfo();
}

bool CPaintManagerUI::HasFont(int id) const {
    return m_fonts.count(id) != 0 || sharedFonts().count(id) != 0;
}

void CPaintManagerUI::SetDefaultFont(const QString& family, int size, bool bold, bool underline, bool italic,
                                     bool shared) {
    if (shared)
        sharedDefaultFont() = std::make_unique<SharedFont>(SharedFont{family, size, bold, underline, italic});
    else
        m_defaultFont = std::make_unique<FontInfo>(FontInfo{family, size, bold, underline, italic});
}

QFont CPaintManagerUI::GetDefaultFontInfo() const {
    if (m_defaultFont)
        return MakeFont(*m_defaultFont);
    if (const auto& shared = sharedDefaultFont())
        return MakeFont(*shared);
    return MakeFont(FontInfo{});
}

void CPaintManagerUI::RemoveAllFonts() {
    m_fonts.clear();
    m_defaultFont.reset();
}

void CPaintManagerUI::RemoveAllSharedFonts() {
    sharedFonts().clear();
    sharedDefaultFont().reset();
}

void CPaintManagerUI::ReloadText() {
    if (m_root == nullptr)
        return;
    m_root->ReloadText();
    // Texts of another language need other room.
    m_root->RelayoutWindow();
}

void PostQuitMessage(int code) {
    QTimer::singleShot(0, QCoreApplication::instance(), [code] { QCoreApplication::exit(code); });
}

} // namespace pelan
