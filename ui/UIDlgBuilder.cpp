#include "ui/UIDlgBuilder.h"

#include "platform/Trace.h"
#include "ui/UIButton.h"
#include "ui/UIColorPalette.h"
#include "ui/UICombo.h"
#include "ui/UIEdit.h"
#include "ui/UIList.h"
#include "ui/UIManager.h"
#include "ui/UIRender.h"
#include "ui/UIResourceManager.h"
#include "ui/UISlider.h"

#include <QXmlStreamReader>
#include <memory>
#include <vector>

namespace pelan {
namespace {

// Nested includes deeper than this are refused (a layout that includes itself would never end).
constexpr int kMaxIncludeDepth = 16;

template <typename T>
CControlFactory::Creator creatorOf() {
    return [] { return static_cast<CControlUI*>(new T()); };
}

} // namespace

struct CDialogBuilder::Node {
    QString tag;
    std::vector<std::pair<QString, QString>> attributes;
    std::vector<Node> children;

    QString attribute(const QString& name) const {
        for (const auto& [key, value] : attributes) {
            if (key.compare(name, Qt::CaseInsensitive) == 0)
                return value;
        }
        return {};
    }
};

CControlFactory* CControlFactory::GetInstance() {
    static CControlFactory factory;
    return &factory;
}

CControlFactory::CControlFactory() {
    RegistControl("CControlUI", creatorOf<CControlUI>());
    RegistControl("CContainerUI", creatorOf<CContainerUI>());
    RegistControl("CVerticalLayoutUI", creatorOf<CVerticalLayoutUI>());
    RegistControl("CHorizontalLayoutUI", creatorOf<CHorizontalLayoutUI>());
    RegistControl("CTabLayoutUI", creatorOf<CTabLayoutUI>());
    RegistControl("CLabelUI", creatorOf<CLabelUI>());
    RegistControl("CTextUI", creatorOf<CTextUI>());
    RegistControl("CButtonUI", creatorOf<CButtonUI>());
    RegistControl("COptionUI", creatorOf<COptionUI>());
    RegistControl("CCheckBoxUI", creatorOf<CCheckBoxUI>());
    RegistControl("CEditUI", creatorOf<CEditUI>());
    RegistControl("CProgressUI", creatorOf<CProgressUI>());
    RegistControl("CSliderUI", creatorOf<CSliderUI>());
    RegistControl("CComboUI", creatorOf<CComboUI>());
    RegistControl("CListUI", creatorOf<CListUI>());
    RegistControl("CListLabelElementUI", creatorOf<CListLabelElementUI>());
    RegistControl("CListContainerElementUI", creatorOf<CListContainerElementUI>());
    RegistControl("CColorPaletteUI", creatorOf<CColorPaletteUI>());
}

void CControlFactory::RegistControl(const QString& className, Creator creator) {
    m_creators[className] = std::move(creator);
}

CControlUI* CControlFactory::CreateControl(const QString& className) const {
    const auto found = m_creators.find(className);
    return found != m_creators.end() ? found->second() : nullptr;
}

bool CControlFactory::HasControl(const QString& className) const {
    return m_creators.count(className) != 0;
}

namespace {

bool parseNode(QXmlStreamReader& reader, CDialogBuilder::Node& node);

} // namespace

CControlUI* CDialogBuilder::Create(const QString& xml, const QString&, IDialogBuilderCallback* callback,
                                   CPaintManagerUI* manager, CControlUI* parent) {
    m_callback = callback;
    m_manager = manager;
    m_error.clear();
    QString text = xml;
    if (!xml.trimmed().startsWith('<')) {
        const QString byId = CResourceManager::GetInstance()->GetXmlPath(xml);
        bool ok = false;
        text = ReadResourceFile(byId.isEmpty() ? xml : byId, &ok);
        if (!ok) {
            m_error = "layout not found: " + xml;
            trace(m_error.toStdString());
            return nullptr;
        }
    }
    QXmlStreamReader reader(text);
    while (!reader.atEnd() && !reader.isStartElement())
        reader.readNext();
    Node root;
    if (!reader.isStartElement() || !parseNode(reader, root) || reader.hasError()) {
        m_error = "layout is not valid XML: " + xml + " (" + reader.errorString() + ")";
        trace(m_error.toStdString());
        return nullptr;
    }
    const Node* top = &root;
    if (root.tag.compare("Window", Qt::CaseInsensitive) == 0) {
        ApplyWindowAttributes(root);
        top = nullptr;
        for (const Node& child : root.children) {
            const QString tag = child.tag.toLower();
            if (tag != "font" && tag != "default" && tag != "style" && tag != "image") {
                top = &child;
                break;
            }
        }
        if (top == nullptr) {
            m_error = "layout has no controls: " + xml;
            return nullptr;
        }
    }
    CControlUI* control = Build(*top, parent);
    if (control != nullptr && parent != nullptr) {
        if (auto* container = static_cast<CContainerUI*>(parent->GetInterface("Container")))
            container->Add(control);
    }
    return control;
}

namespace {

bool parseNode(QXmlStreamReader& reader, CDialogBuilder::Node& node) {
    node.tag = reader.name().toString();
    for (const QXmlStreamAttribute& attribute : reader.attributes())
        node.attributes.emplace_back(attribute.name().toString(), attribute.value().toString());
    while (!reader.atEnd()) {
        reader.readNext();
        if (reader.isEndElement())
            return true;
        if (reader.isStartElement()) {
            node.children.emplace_back();
            if (!parseNode(reader, node.children.back()))
                return false;
        }
    }
    return !reader.hasError();
}

} // namespace

void CDialogBuilder::ApplyWindowAttributes(const Node& window) {
    if (m_manager == nullptr)
        return;
    for (const auto& [key, value] : window.attributes) {
        const QString name = key.toLower();
        if (name == "size") {
            const QSize size = ParseSize(value);
            m_manager->SetInitSize(size.width(), size.height());
        } else if (name == "caption") {
            m_manager->SetCaptionRect(ParseRectLtrb(value));
        } else if (name == "mininfo") {
            m_manager->SetMinInfo(ParseSize(value));
        } else if (name == "defaultbutton") {
            m_manager->SetDefaultButtons(value);
        } else if (name == "cancelbutton") {
            m_manager->SetCancelButtons(value);
        }
    }
    for (const Node& child : window.children) {
        const QString tag = child.tag.toLower();
        if (tag == "font") {
            const int id = ParseInt(child.attribute("id"), -1);
            const QString family = child.attribute("name");
            const int size = ParseInt(child.attribute("size"), 15);
            const bool bold = ParseBool(child.attribute("bold"));
            const bool underline = ParseBool(child.attribute("underline"));
            const bool italic = ParseBool(child.attribute("italic"));
            const bool shared = ParseBool(child.attribute("shared"));
            if (id >= 0)
                m_manager->AddFont(id, family, size, bold, underline, italic, shared);
            if (ParseBool(child.attribute("default")))
                m_manager->SetDefaultFont(family, size, bold, underline, italic, shared);
        } else if (tag == "default") {
            m_manager->AddDefaultAttributeList(child.attribute("name"), child.attribute("value"));
        } else if (tag == "style") {
            m_manager->AddStyle(child.attribute("name"), child.attribute("value"));
        }
    }
}

CControlUI* CDialogBuilder::CreateByTag(const QString& tag) {
    if (m_callback != nullptr) {
        if (CControlUI* control = m_callback->CreateControl(tag))
            return control;
    }
    CControlFactory* factory = CControlFactory::GetInstance();
    if (CControlUI* control = factory->CreateControl("C" + tag + "UI"))
        return control;
    return factory->CreateControl(tag);
}

CControlUI* CDialogBuilder::Build(const Node& node, CControlUI* parent) {
    if (node.tag.compare("Include", Qt::CaseInsensitive) == 0) {
        if (m_depth >= kMaxIncludeDepth) {
            m_error = "layouts include each other too deeply: " + node.attribute("source");
            trace(m_error.toStdString());
            return nullptr;
        }
        CDialogBuilder nested;
        nested.m_depth = m_depth + 1;
        return nested.Create(node.attribute("source"), QString(), m_callback, m_manager, nullptr);
    }
    CControlUI* control = CreateByTag(node.tag);
    if (control == nullptr) {
        trace("unknown control tag skipped: " + node.tag.toStdString());
        return nullptr;
    }
    control->SetManager(m_manager, parent, false);
    AddChildren(node, control);
    ApplyAttributes(control, node.tag, node);
    return control;
}

void CDialogBuilder::AddChildren(const Node& node, CControlUI* control) {
    if (node.children.empty())
        return;
    auto* container = static_cast<CContainerUI*>(control->GetInterface("Container"));
    for (const Node& child : node.children) {
        CControlUI* item = Build(child, control);
        if (item == nullptr)
            continue;
        if (container == nullptr) {
            trace("child of a control that holds none skipped: " + child.tag.toStdString());
            delete item;
            continue;
        }
        container->Add(item);
    }
}

void CDialogBuilder::ApplyAttributes(CControlUI* control, const QString& tag, const Node& node) {
    if (m_manager != nullptr) {
        const QString defaults = m_manager->GetDefaultAttributeList(tag);
        if (!defaults.isEmpty())
            control->ApplyAttributeList(defaults);
    }
    for (const auto& [key, value] : node.attributes)
        control->SetAttribute(key, value);
}

} // namespace pelan
