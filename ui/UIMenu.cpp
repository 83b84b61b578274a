#include "ui/UIMenu.h"

#include "platform/Trace.h"
#include "ui/UIRender.h"
#include "ui/UIResourceManager.h"

#include <QMenu>
#include <QXmlStreamReader>

namespace pelan {

CMenuWnd::CMenuWnd() = default;

CMenuWnd::~CMenuWnd() {
    Close();
}

bool CMenuWnd::Init(CWindowWnd* owner, const QString& xml, QPoint screenPoint) {
    Close();
    m_owner = owner;
    m_items.clear();
    bool ok = true;
    const QString text = xml.trimmed().startsWith('<') ? xml : ReadResourceFile(xml, &ok);
    if (!ok) {
        trace("menu layout not found: " + xml.toStdString());
        return false;
    }
    QXmlStreamReader reader(text);
    while (!reader.atEnd()) {
        reader.readNext();
        if (!reader.isStartElement() || reader.name().toString().compare("MenuElement", Qt::CaseInsensitive) != 0)
            continue;
        const auto attributes = reader.attributes();
        MenuCmd item;
        item.szName = attributes.value("name").toString();
        item.szUserData = attributes.value("userdata").toString();
        item.szText = attributes.value("text").toString();
        if (ParseBool(attributes.value("resourcetext").toString()))
            item.szText = CResourceManager::GetInstance()->GetText(item.szText);
        item.bChecked = ParseBool(attributes.value("checked").toString());
        item.bEnabled = !attributes.hasAttribute("enabled") || ParseBool(attributes.value("enabled").toString());
        m_items.append(item);
    }
    if (reader.hasError()) {
        trace("menu layout is not valid XML: " + xml.toStdString());
        m_items.clear();
        return false;
    }
    m_menu = new QMenu(owner != nullptr ? owner->GetHWND() : nullptr);
    m_menu->setObjectName("popup_menu");
    m_menu->setAttribute(Qt::WA_DeleteOnClose);
    for (const MenuCmd& item : m_items) {
        QAction* action = m_menu->addAction(item.szText);
        action->setCheckable(item.bChecked);
        action->setChecked(item.bChecked);
        action->setEnabled(item.bEnabled);
        QObject::connect(action, &QAction::triggered, m_menu, [this, name = item.szName] { ClickItem(name); });
    }
    m_menu->popup(screenPoint);
    return true;
}

void CMenuWnd::Close() {
    if (m_menu != nullptr)
        m_menu->close();
}

bool CMenuWnd::IsOpen() const {
    return m_menu != nullptr && m_menu->isVisible();
}

QList<MenuCmd> CMenuWnd::GetItems() const {
    return m_items;
}

void CMenuWnd::SetItemChecked(const QString& name, bool checked) {
    for (qsizetype i = 0; i < m_items.size(); ++i) {
        if (m_items[i].szName != name)
            continue;
        m_items[i].bChecked = checked;
        if (m_menu != nullptr && i < m_menu->actions().size()) {
            QAction* action = m_menu->actions().at(i);
            action->setCheckable(true);
            action->setChecked(checked);
        }
    }
}

bool CMenuWnd::ClickItem(const QString& name) {
    for (const MenuCmd& item : m_items) {
        if (item.szName != name || !item.bEnabled)
            continue;
        if (m_owner != nullptr)
            m_owner->PostMessageWithRecord(WM_MENUCLICK, std::make_shared<MenuCmd>(item));
        Close();
        return true;
    }
    return false;
}

} // namespace pelan
