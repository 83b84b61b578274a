#pragma once

#include "ui/UIControl.h"

#include <vector>

class QScrollBar;

namespace pelan {

// A control holding child controls. The plain container gives every child its whole inner area; the vertical and
// horizontal layouts stack them (fixed sizes first, the free space shared by the others), the tab layout shows one.
// Floating children ("float" with "pos") are placed at their position relative to the container.
class CContainerUI : public CControlUI {
public:
    CContainerUI();
    ~CContainerUI() override;

    QString GetClass() const override { return "ContainerUI"; }
    void* GetInterface(const QString& name) override;

    CControlUI* GetItemAt(int index) const;
    int GetItemIndex(CControlUI* control) const;
    bool SetItemIndex(CControlUI* control, int index);
    int GetCount() const { return static_cast<int>(m_items.size()); }
    virtual bool Add(CControlUI* control);
    virtual bool AddAt(CControlUI* control, int index);
    // Takes the control out; it is destroyed (later, from the event loop) unless doNotDestroy.
    virtual bool Remove(CControlUI* control, bool doNotDestroy = false);
    virtual bool RemoveAt(int index, bool doNotDestroy = false);
    virtual void RemoveAll();

    QMargins GetInset() const { return m_rcInset; }
    void SetInset(QMargins inset);
    int GetChildPadding() const { return m_iChildPadding; }
    void SetChildPadding(int padding);
    void EnableScrollBar(bool vertical = true);
    int GetScrollPos() const;
    void SetScrollPos(int pos);
    int GetScrollRange() const;
    // Scrolls so that the child is fully in view.
    void ScrollIntoView(CControlUI* child);

    void SetManager(CPaintManagerUI* manager, CControlUI* parent, bool init = true) override;
    CControlUI* FindControl(const QString& name) override;
    CControlUI* FindSubControl(const QString& name);
    void SetAttribute(const QString& name, const QString& value) override;
    void DoEvent(TEventUI& event) override;
    void ReloadText() override;
    void NeedUpdate() override;
    // What the children need; a layout that scrolls needs no height of its own.
    QSize MinimumContentSize(QSize available) override;
    // Lays out this container and every container below it again, for a change of what their contents need.
    void RelayoutTree();

protected:
    enum class Stacking { Overlaid, Horizontal, Vertical };
    virtual Stacking GetStacking() const { return Stacking::Overlaid; }
    // What a child takes at least: its fixed length grown to what its content needs, else the larger of its minimum
    // and that need (within its maximum).
    static QSize LeastSize(CControlUI* item, QSize within);
    void LayoutChildren() override;
    virtual void LayoutItems(const QRect& area);
    // Stacks the visible non-floating children along one axis.
    void LayoutLinear(const QRect& area, bool vertical);
    void LayoutFloating(CControlUI* child);
    QRect InnerArea() const;
    void TakeChild(CControlUI* control);

    std::vector<CControlUI*> m_items;
    QMargins m_rcInset;
    int m_iChildPadding = 0;
    UINT m_childAlign = 0;  // DT_LEFT / DT_CENTER / DT_RIGHT across a vertical layout
    UINT m_childVAlign = 0; // DT_TOP / DT_VCENTER / DT_BOTTOM across a horizontal layout
    QScrollBar* m_pVerticalScrollBar = nullptr;
    bool m_bLayingOut = false;
};

class CVerticalLayoutUI : public CContainerUI {
public:
    QString GetClass() const override { return "VerticalLayoutUI"; }
    void* GetInterface(const QString& name) override;

protected:
    Stacking GetStacking() const override { return Stacking::Vertical; }
    void LayoutItems(const QRect& area) override { LayoutLinear(area, true); }
};

class CHorizontalLayoutUI : public CContainerUI {
public:
    QString GetClass() const override { return "HorizontalLayoutUI"; }
    void* GetInterface(const QString& name) override;

protected:
    Stacking GetStacking() const override { return Stacking::Horizontal; }
    void LayoutItems(const QRect& area) override { LayoutLinear(area, false); }
};

// Shows one child at a time.
class CTabLayoutUI : public CContainerUI {
public:
    QString GetClass() const override { return "TabLayoutUI"; }
    void* GetInterface(const QString& name) override;

    bool Add(CControlUI* control) override;
    bool AddAt(CControlUI* control, int index) override;
    bool Remove(CControlUI* control, bool doNotDestroy = false) override;
    void RemoveAll() override;
    int GetCurSel() const { return m_iCurSel; }
    // Shows child index and hides the others; sends "tabselect" when triggerEvent. False for an invalid index.
    virtual bool SelectItem(int index, bool triggerEvent = true);
    bool SelectItem(CControlUI* control, bool triggerEvent = true);
    void SetAttribute(const QString& name, const QString& value) override;

private:
    int m_iCurSel = -1;
};

} // namespace pelan
