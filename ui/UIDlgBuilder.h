#pragma once

#include "ui/UIControl.h"

#include <functional>
#include <map>

namespace pelan {

// Lets a window create the controls of tags the UI layer does not know (custom controls, nested layouts).
class IDialogBuilderCallback {
public:
    virtual ~IDialogBuilderCallback() = default;
    virtual CControlUI* CreateControl(const QString& className) = 0;
};

// Creator functions of control classes by class name ("CButtonUI", "CCircleProgressUI", ...). The layout tag "X" is
// looked up as "CXUI" and as "X".
class CControlFactory {
public:
    using Creator = std::function<CControlUI*()>;
    static CControlFactory* GetInstance();
    void RegistControl(const QString& className, Creator creator);
    CControlUI* CreateControl(const QString& className) const;
    bool HasControl(const QString& className) const;

private:
    CControlFactory();
    std::map<QString, Creator> m_creators;
};

// Builds a control tree from a layout: a resource identifier of the index ("XML_MAIN"), a file of the resource
// folder, or XML text. A <Window> root sets the window's size, caption area, fonts, default attributes and styles
// on the paint manager. Children are built before the attributes of their parent are applied, so a tab layout can
// select a page by attribute. <Include source="..."/> inserts another layout built the same way.
class CDialogBuilder {
public:
    // Returns the root control, or null when the layout cannot be read. An unknown tag is skipped with its children.
    CControlUI* Create(const QString& xml, const QString& type = QString(), IDialogBuilderCallback* callback = nullptr,
                       CPaintManagerUI* manager = nullptr, CControlUI* parent = nullptr);
    QString GetLastErrorMessage() const { return m_error; }

    struct Node; // one parsed element of a layout

private:
    CControlUI* Build(const Node& node, CControlUI* parent);
    CControlUI* CreateByTag(const QString& tag);
    void ApplyWindowAttributes(const Node& window);
    void ApplyAttributes(CControlUI* control, const QString& tag, const Node& node);
    void AddChildren(const Node& node, CControlUI* control);

    IDialogBuilderCallback* m_callback = nullptr;
    CPaintManagerUI* m_manager = nullptr;
    QString m_error;
    int m_depth = 0;
};

} // namespace pelan
