#include "ui/UIContainer.h"

#include "ui/UIManager.h"
#include "ui/UIRender.h"

#include <QScrollBar>
#include <algorithm>

namespace pelan {
namespace {

constexpr int kScrollBarWidth = 8;
constexpr int kWheelStep = 30;

// One axis of a rectangle, so the vertical and horizontal layouts share one algorithm.
struct Axis {
    bool vertical;
    int start(const QRect& r) const { return vertical ? r.top() : r.left(); }
    int length(const QRect& r) const { return vertical ? r.height() : r.width(); }
    int crossStart(const QRect& r) const { return vertical ? r.left() : r.top(); }
    int crossLength(const QRect& r) const { return vertical ? r.width() : r.height(); }
    int main(QSize s) const { return vertical ? s.height() : s.width(); }
    int cross(QSize s) const { return vertical ? s.width() : s.height(); }
    int padBefore(const QMargins& m) const { return vertical ? m.top() : m.left(); }
    int padAfter(const QMargins& m) const { return vertical ? m.bottom() : m.right(); }
    int crossPadBefore(const QMargins& m) const { return vertical ? m.left() : m.top(); }
    int crossPadAfter(const QMargins& m) const { return vertical ? m.right() : m.bottom(); }
    int minMain(const CControlUI* c) const { return vertical ? c->GetMinHeight() : c->GetMinWidth(); }
    int maxMain(const CControlUI* c) const { return vertical ? c->GetMaxHeight() : c->GetMaxWidth(); }
    QRect make(int mainPos, int mainLen, int crossPos, int crossLen) const {
        return vertical ? QRect(crossPos, mainPos, crossLen, mainLen) : QRect(mainPos, crossPos, mainLen, crossLen);
    }
};

QMargins scaled(const CControlUI* c, const QMargins& m) {
    return QMargins(c->Scale(m.left()), c->Scale(m.top()), c->Scale(m.right()), c->Scale(m.bottom()));
}

} // namespace

CContainerUI::CContainerUI() = default;

CContainerUI::~CContainerUI() {
    // Children are QWidget children and go with this widget; forget them first so nothing reaches a half-gone item.
    for (CControlUI* item : m_items) {
        if (m_pManager != nullptr)
            m_pManager->ReapObjects(item);
    }
    m_items.clear();
}

void* CContainerUI::GetInterface(const QString& name) {
    if (name == "Container")
        return this;
    return CControlUI::GetInterface(name);
}

CControlUI* CContainerUI::GetItemAt(int index) const {
    if (index < 0 || index >= GetCount())
        return nullptr;
    return m_items[static_cast<size_t>(index)];
}

int CContainerUI::GetItemIndex(CControlUI* control) const {
    const auto found = std::find(m_items.begin(), m_items.end(), control);
    return found == m_items.end() ? -1 : static_cast<int>(found - m_items.begin());
}

bool CContainerUI::SetItemIndex(CControlUI* control, int index) {
    const int current = GetItemIndex(control);
    if (current < 0 || index < 0 || index >= GetCount())
        return false;
    m_items.erase(m_items.begin() + current);
    m_items.insert(m_items.begin() + index, control);
    NeedUpdate();
    return true;
}

bool CContainerUI::Add(CControlUI* control) {
    return AddAt(control, GetCount());
}

bool CContainerUI::AddAt(CControlUI* control, int index) {
    if (control == nullptr || index < 0 || index > GetCount() || GetItemIndex(control) >= 0)
        return false;
    m_items.insert(m_items.begin() + index, control);
    TakeChild(control);
    NeedUpdate();
    return true;
}

void CContainerUI::TakeChild(CControlUI* control) {
    control->setParent(this);
    control->SetManager(m_pManager, this, m_pManager != nullptr);
    if (m_pVerticalScrollBar != nullptr)
        m_pVerticalScrollBar->raise();
    if (GetInterface("ItemsHidden") != nullptr)
        control->hide();
    else
        control->setVisible(control->IsVisibleFlag());
}

bool CContainerUI::Remove(CControlUI* control, bool doNotDestroy) {
    const int index = GetItemIndex(control);
    if (index < 0)
        return false;
    return RemoveAt(index, doNotDestroy);
}

bool CContainerUI::RemoveAt(int index, bool doNotDestroy) {
    CControlUI* control = GetItemAt(index);
    if (control == nullptr)
        return false;
    m_items.erase(m_items.begin() + index);
    if (m_pManager != nullptr)
        m_pManager->ReapObjects(control);
    control->hide();
    // Out of the tree it belongs to no window: late timers and notifications of it go nowhere.
    control->SetManager(nullptr, nullptr, false);
    if (doNotDestroy) {
        control->setParent(nullptr);
    } else {
        // Later, so that a control may remove itself (or its parent) from its own event handler.
        control->deleteLater();
    }
    NeedUpdate();
    return true;
}

void CContainerUI::RemoveAll() {
    while (!m_items.empty())
        RemoveAt(GetCount() - 1);
}

void CContainerUI::SetInset(QMargins inset) {
    m_rcInset = inset;
    NeedUpdate();
}

void CContainerUI::SetChildPadding(int padding) {
    m_iChildPadding = padding;
    NeedUpdate();
}

void CContainerUI::EnableScrollBar(bool vertical) {
    if (vertical && m_pVerticalScrollBar == nullptr) {
        m_pVerticalScrollBar = new QScrollBar(Qt::Vertical, this);
        m_pVerticalScrollBar->setObjectName("ui_vscrollbar");
        m_pVerticalScrollBar->hide();
        QObject::connect(m_pVerticalScrollBar, &QScrollBar::valueChanged, this, [this] { LayoutChildren(); });
    } else if (!vertical && m_pVerticalScrollBar != nullptr) {
        delete m_pVerticalScrollBar;
        m_pVerticalScrollBar = nullptr;
    }
    NeedUpdate();
}

int CContainerUI::GetScrollPos() const {
    return m_pVerticalScrollBar != nullptr ? m_pVerticalScrollBar->value() : 0;
}

void CContainerUI::SetScrollPos(int pos) {
    if (m_pVerticalScrollBar != nullptr)
        m_pVerticalScrollBar->setValue(pos);
}

int CContainerUI::GetScrollRange() const {
    return m_pVerticalScrollBar != nullptr ? m_pVerticalScrollBar->maximum() : 0;
}

void CContainerUI::ScrollIntoView(CControlUI* child) {
    if (m_pVerticalScrollBar == nullptr || GetItemIndex(child) < 0)
        return;
    LayoutChildren();
    const QRect area = InnerArea();
    const QRect item = child->geometry();
    int pos = GetScrollPos();
    if (item.top() < area.top())
        pos -= area.top() - item.top();
    else if (item.bottom() > area.bottom())
        pos += item.bottom() - area.bottom();
    SetScrollPos(pos);
}

void CContainerUI::SetManager(CPaintManagerUI* manager, CControlUI* parent, bool init) {
    for (CControlUI* item : m_items)
        item->SetManager(manager, this, init);
    CControlUI::SetManager(manager, parent, init);
}

CControlUI* CContainerUI::FindControl(const QString& name) {
    if (CControlUI* self = CControlUI::FindControl(name))
        return self;
    return FindSubControl(name);
}

CControlUI* CContainerUI::FindSubControl(const QString& name) {
    for (CControlUI* item : m_items) {
        if (CControlUI* found = item->FindControl(name))
            return found;
    }
    return nullptr;
}

void CContainerUI::SetAttribute(const QString& name, const QString& value) {
    const QString key = name.toLower();
    if (key == "inset")
        SetInset(ParseMargins(value));
    else if (key == "childpadding")
        SetChildPadding(ParseInt(value));
    else if (key == "childalign")
        m_childAlign = value == "center" ? DT_CENTER : value == "right" ? DT_RIGHT : DT_LEFT;
    else if (key == "childvalign")
        m_childVAlign = value == "vcenter" ? UINT(DT_VCENTER) : value == "bottom" ? UINT(DT_BOTTOM) : 0u;
    else if (key == "vscrollbar")
        EnableScrollBar(ParseBool(value));
    else
        CControlUI::SetAttribute(name, value);
}

void CContainerUI::DoEvent(TEventUI& event) {
    if (event.Type == UIEVENT_SCROLLWHEEL && m_pVerticalScrollBar != nullptr && m_pVerticalScrollBar->isVisible()) {
        const int step = Scale(kWheelStep);
        SetScrollPos(GetScrollPos() + (LOWORD(event.wParam) == SB_LINEDOWN ? step : -step));
        return;
    }
    CControlUI::DoEvent(event);
}

void CContainerUI::ReloadText() {
    CControlUI::ReloadText();
    for (CControlUI* item : m_items)
        item->ReloadText();
}

void CContainerUI::NeedUpdate() {
    LayoutChildren();
    update();
}

QRect CContainerUI::InnerArea() const {
    return GetPaintRect().marginsRemoved(scaled(this, m_rcInset));
}

void CContainerUI::LayoutChildren() {
    if (m_bLayingOut)
        return;
    m_bLayingOut = true;
    LayoutItems(InnerArea());
    for (CControlUI* item : m_items) {
        if (item->IsFloat())
            LayoutFloating(item);
    }
    m_bLayingOut = false;
}

QSize CContainerUI::LeastSize(CControlUI* item, QSize within) {
    const QSize fixed = item->EstimateSize(within);
    const QSize content = item->MinimumContentSize(within);
    const auto least = [&](int fixedLength, int contentLength, int minLength, int maxLength) {
        if (fixedLength > 0)
            return std::max(fixedLength, contentLength);
        return std::min(std::max(item->Scale(minLength), contentLength), item->Scale(maxLength));
    };
    return QSize(least(fixed.width(), content.width(), item->GetMinWidth(), item->GetMaxWidth()),
                 least(fixed.height(), content.height(), item->GetMinHeight(), item->GetMaxHeight()));
}

QSize CContainerUI::MinimumContentSize(QSize available) {
    const Stacking stacking = GetStacking();
    const QMargins inset = scaled(this, m_rcInset);
    const QSize inner(std::max(available.width() - inset.left() - inset.right(), 0),
                      std::max(available.height() - inset.top() - inset.bottom(), 0));
    int along = 0;
    int across = 0;
    int shown = 0;
    const bool vertical = stacking != Stacking::Horizontal;
    const Axis axis{vertical};
    for (CControlUI* item : m_items) {
        if (item->IsFloat() || !item->IsVisibleFlag())
            continue;
        const QMargins pad = scaled(item, item->GetPadding());
        const QSize within(inner.width() - pad.left() - pad.right(), inner.height() - pad.top() - pad.bottom());
        const QSize least = LeastSize(item, within);
        const int main = axis.main(least) + axis.padBefore(pad) + axis.padAfter(pad);
        const int cross = axis.cross(least) + axis.crossPadBefore(pad) + axis.crossPadAfter(pad);
        if (stacking == Stacking::Horizontal || stacking == Stacking::Vertical) {
            along += main;
            ++shown;
        } else {
            along = std::max(along, main);
        }
        across = std::max(across, cross);
    }
    if (shown > 1)
        along += Scale(m_iChildPadding) * (shown - 1);
    // A layout that scrolls shows any height of content.
    if (m_pVerticalScrollBar != nullptr)
        (vertical ? along : across) = 0;
    QSize need = vertical ? QSize(across, along) : QSize(along, across);
    if (need.isNull())
        return need;
    return need.grownBy(inset);
}

void CContainerUI::RelayoutTree() {
    LayoutChildren();
    for (CControlUI* item : m_items)
        if (auto* container = dynamic_cast<CContainerUI*>(item); container != nullptr && item->IsVisibleFlag())
            container->RelayoutTree();
}

void CContainerUI::LayoutItems(const QRect& area) {
    for (CControlUI* item : m_items) {
        if (!item->IsFloat())
            item->setGeometry(area.marginsRemoved(scaled(item, item->GetPadding())));
    }
}

void CContainerUI::LayoutFloating(CControlUI* child) {
    const QRect pos = child->GetFloatPos();
    child->setGeometry(
        QRect(Scale(pos.left()), Scale(pos.top()), Scale(std::max(pos.width(), 0)), Scale(std::max(pos.height(), 0))));
}

void CContainerUI::LayoutLinear(const QRect& fullArea, bool vertical) {
    const Axis axis{vertical};
    QRect area = fullArea;
    struct Child {
        CControlUI* item;
        QMargins pad;
        bool flexible; // no fixed length along the axis: shares the free space
        QSize least;
    };
    std::vector<Child> shown;
    const int gap = Scale(m_iChildPadding);
    int total = 0;
    int flexCount = 0;
    for (CControlUI* item : m_items) {
        if (!item->IsVisibleFlag() || item->IsFloat())
            continue;
        const QMargins pad = scaled(item, item->GetPadding());
        const int crossRoom = axis.crossLength(area) - axis.crossPadBefore(pad) - axis.crossPadAfter(pad);
        const QSize within = vertical ? QSize(crossRoom, 0) : QSize(0, crossRoom);
        const bool flexible = axis.main(item->EstimateSize(within)) == 0;
        const QSize least = LeastSize(item, within);
        shown.push_back({item, pad, flexible, least});
        total += axis.padBefore(pad) + axis.padAfter(pad) + axis.main(least);
        flexCount += flexible ? 1 : 0;
    }
    if (!shown.empty())
        total += gap * static_cast<int>(shown.size() - 1);
    int scroll = 0;
    if (m_pVerticalScrollBar != nullptr && vertical) {
        const bool overflow = total > area.height();
        m_pVerticalScrollBar->setVisible(overflow);
        if (overflow) {
            const int barWidth = Scale(kScrollBarWidth);
            m_pVerticalScrollBar->setGeometry(fullArea.right() + 1 - barWidth, fullArea.top(), barWidth,
                                              fullArea.height());
            area.setWidth(area.width() - barWidth);
            m_pVerticalScrollBar->setRange(0, total - area.height());
            m_pVerticalScrollBar->setPageStep(area.height());
            scroll = m_pVerticalScrollBar->value();
        } else {
            m_pVerticalScrollBar->setValue(0);
        }
    }
    int freeSpace = std::max(0, axis.length(area) - total);
    int pos = axis.start(area) - scroll;
    for (const Child& child : shown) {
        CControlUI* item = child.item;
        int length = axis.main(child.least);
        if (child.flexible) {
            const int share = flexCount > 0 ? freeSpace / flexCount : 0;
            const int grown = std::max(length, std::min(length + share, item->Scale(axis.maxMain(item))));
            freeSpace -= grown - length;
            length = grown;
            --flexCount;
        }
        const QMargins& pad = child.pad;
        const int available = axis.crossLength(area) - axis.crossPadBefore(pad) - axis.crossPadAfter(pad);
        const int fixedCross = axis.cross(item->EstimateSize(area.size()));
        const int crossLength =
            fixedCross > 0 ? std::min(axis.cross(child.least), std::max(available, 0)) : std::max(available, 0);
        int crossPos = axis.crossStart(area) + axis.crossPadBefore(pad);
        const UINT align = vertical ? m_childAlign : m_childVAlign;
        if (align & (DT_CENTER | DT_VCENTER))
            crossPos += (available - crossLength) / 2;
        else if (align & (DT_RIGHT | DT_BOTTOM))
            crossPos += available - crossLength;
        pos += axis.padBefore(pad);
        item->setGeometry(axis.make(pos, length, crossPos, crossLength));
        pos += length + axis.padAfter(pad) + gap;
    }
}

void* CVerticalLayoutUI::GetInterface(const QString& name) {
    if (name == "VerticalLayout")
        return this;
    return CContainerUI::GetInterface(name);
}

void* CHorizontalLayoutUI::GetInterface(const QString& name) {
    if (name == "HorizontalLayout")
        return this;
    return CContainerUI::GetInterface(name);
}

void* CTabLayoutUI::GetInterface(const QString& name) {
    if (name == "TabLayout")
        return this;
    return CContainerUI::GetInterface(name);
}

bool CTabLayoutUI::Add(CControlUI* control) {
    return AddAt(control, GetCount());
}

bool CTabLayoutUI::AddAt(CControlUI* control, int index) {
    if (!CContainerUI::AddAt(control, index))
        return false;
    if (m_iCurSel < 0 && control->IsVisibleFlag()) {
        m_iCurSel = GetItemIndex(control);
    } else {
        if (m_iCurSel >= index)
            ++m_iCurSel;
        control->SetVisible(false);
    }
    return true;
}

bool CTabLayoutUI::Remove(CControlUI* control, bool doNotDestroy) {
    const int index = GetItemIndex(control);
    if (index < 0)
        return false;
    const bool wasSelected = index == m_iCurSel;
    if (!CContainerUI::Remove(control, doNotDestroy))
        return false;
    if (wasSelected) {
        m_iCurSel = -1;
        if (GetCount() > 0)
            SelectItem(std::min(index, GetCount() - 1), false);
    } else if (index < m_iCurSel) {
        --m_iCurSel;
    }
    return true;
}

void CTabLayoutUI::RemoveAll() {
    m_iCurSel = -1;
    CContainerUI::RemoveAll();
}

bool CTabLayoutUI::SelectItem(int index, bool triggerEvent) {
    if (index < 0 || index >= GetCount())
        return false;
    if (index == m_iCurSel)
        return true;
    const int old = m_iCurSel;
    m_iCurSel = index;
    for (int i = 0; i < GetCount(); ++i)
        GetItemAt(i)->SetVisible(i == index);
    NeedUpdate();
    // The page shown now may need more room than the one before, up to the window.
    RelayoutWindow();
    if (triggerEvent)
        SendNotify(DUI_MSGTYPE_TABSELECT, static_cast<WPARAM>(index), old);
    return true;
}

bool CTabLayoutUI::SelectItem(CControlUI* control, bool triggerEvent) {
    return SelectItem(GetItemIndex(control), triggerEvent);
}

void CTabLayoutUI::SetAttribute(const QString& name, const QString& value) {
    if (name.compare("selectedid", Qt::CaseInsensitive) == 0)
        SelectItem(ParseInt(value), false);
    else
        CContainerUI::SetAttribute(name, value);
}

} // namespace pelan
