#pragma once

#include "ui/UIBase.h"

#include <QPointer>

class QMenu;

namespace pelan {

// The record a menu command message (WM_MENUCLICK) points at in its wParam. It lives until the message has been
// handled; the receiver must not free it.
struct MenuCmd {
    QString szName;
    QString szUserData;
    QString szText;
    bool bChecked = false;
    bool bEnabled = true; // a disabled item is a heading: shown, never clicked
};

// A pop-up menu built from a menu layout:
//   <Menu><MenuElement name="exit" text="menu_exit" resourcetext="true" userdata="" checked="false"
//                      enabled="true"/></Menu>
// A click posts WM_MENUCLICK (1145) to the owner window with the clicked item's record.
class CMenuWnd {
public:
    CMenuWnd();
    ~CMenuWnd();
    CMenuWnd(const CMenuWnd&) = delete;
    CMenuWnd& operator=(const CMenuWnd&) = delete;

    // Builds the menu from a layout of the resource folder (or XML text) and opens it at a screen point. False when
    // the layout cannot be read.
    bool Init(CWindowWnd* owner, const QString& xml, QPoint screenPoint);
    void Close();
    bool IsOpen() const;
    // The items of the built menu, in order (for tests and for callers that adjust texts).
    QList<MenuCmd> GetItems() const;
    // Shows the item of that name as a check item, ticked or not; its record carries the state it had when clicked.
    void SetItemChecked(const QString& name, bool checked);
    // Performs the click on the item of that name (as the pointer would); false when there is none.
    bool ClickItem(const QString& name);

private:
    QPointer<QMenu> m_menu;
    CWindowWnd* m_owner = nullptr;
    QList<MenuCmd> m_items;
};

} // namespace pelan
