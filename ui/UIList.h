#pragma once

#include "ui/UIContainer.h"
#include "ui/UILabel.h"
#include "ui/UIRender.h"

namespace pelan {

// How the items of a list or combo box draw themselves.
struct TListInfoUI {
    int nFont = -1;
    UINT uTextStyle = DT_VCENTER | DT_SINGLELINE | DT_END_ELLIPSIS;
    QMargins rcTextPadding{8, 0, 8, 0};
    DWORD dwTextColor = 0xFFE6E8EB;
    DWORD dwBkColor = 0;
    DWORD dwSelectedTextColor = 0xFFFFFFFF;
    DWORD dwSelectedBkColor = 0xFF2F6FD6;
    DWORD dwHotTextColor = 0xFFFFFFFF;
    DWORD dwHotBkColor = 0xFF2B3038;
    DWORD dwDisabledTextColor = 0xFF6E737A;
    QString sSelectedImage;
    QString sHotImage;
};

class IListOwnerUI {
public:
    virtual ~IListOwnerUI() = default;
    virtual TListInfoUI* GetListInfo() = 0;
    virtual int GetCurSel() const = 0;
    virtual bool SelectItem(int index, bool takeFocus = false, bool notify = true) = 0;
    virtual void DoEvent(TEventUI& event) = 0;
};

// What a list element offers its owner.
class IListItemUI {
public:
    virtual ~IListItemUI() = default;
    virtual int GetIndex() const = 0;
    virtual void SetIndex(int index) = 0;
    virtual IListOwnerUI* GetOwner() = 0;
    virtual void SetOwner(IListOwnerUI* owner) = 0;
    virtual bool IsSelected() const = 0;
    virtual bool Select(bool select = true) = 0;
};

// Reads list item attributes ("itemfont", "itemtextcolor", ...) into info; false when the name is not one of them.
bool SetListInfoAttribute(TListInfoUI& info, const QString& name, const QString& value);
IListItemUI* AsListItem(CControlUI* control);
// Paints a row's background for its state from the owner's item settings.
void PaintListItemBackground(QPainter& painter, const QRect& rc, TListInfoUI* info, bool selected, bool hot);

// What every row of a list or combo box does: a press selects it in its owner, a double click activates it, the
// wheel scrolls the owner.
template <typename Base>
class CListElementBase : public Base, public IListItemUI {
public:
    void* GetInterface(const QString& name) override {
        if (name == "ListItem")
            return static_cast<IListItemUI*>(this);
        if (name == "ListElement")
            return this;
        return Base::GetInterface(name);
    }
    int GetIndex() const override { return m_iIndex; }
    void SetIndex(int index) override { m_iIndex = index; }
    IListOwnerUI* GetOwner() override { return m_pOwner; }
    void SetOwner(IListOwnerUI* owner) override { m_pOwner = owner; }
    bool IsSelected() const override { return m_bSelected; }
    bool Select(bool select = true) override {
        if (m_bSelected == select)
            return true;
        m_bSelected = select;
        if (select && m_pOwner != nullptr && m_pOwner->GetCurSel() != m_iIndex)
            m_pOwner->SelectItem(m_iIndex, false, false);
        this->Invalidate();
        return true;
    }
    void DoEvent(TEventUI& event) override {
        if (!HandleRowEvent(event))
            Base::DoEvent(event);
    }
    void PaintStatusImage(QPainter& painter) override {
        PaintListItemBackground(painter, this->GetPaintRect(), m_pOwner ? m_pOwner->GetListInfo() : nullptr,
                                m_bSelected, (this->m_uButtonState & UISTATE_HOT) != 0);
    }

protected:
    bool HandleRowEvent(TEventUI& event) {
        if (!this->IsEnabled())
            return false;
        switch (event.Type) {
        case UIEVENT_BUTTONDOWN:
        case UIEVENT_RBUTTONDOWN:
            if (m_pOwner != nullptr)
                m_pOwner->SelectItem(m_iIndex, true, true);
            this->SendNotify(DUI_MSGTYPE_ITEMCLICK);
            return true;
        case UIEVENT_DBLCLICK:
            this->SendNotify(DUI_MSGTYPE_ITEMACTIVATE);
            return true;
        case UIEVENT_MOUSEENTER:
        case UIEVENT_MOUSELEAVE:
            return this->TrackHot(event);
        case UIEVENT_SCROLLWHEEL:
            if (m_pOwner == nullptr)
                return false;
            m_pOwner->DoEvent(event);
            return true;
        default:
            return false;
        }
    }

    int m_iIndex = -1;
    IListOwnerUI* m_pOwner = nullptr;
    bool m_bSelected = false;
};

// A text row of a list or combo box.
class CListLabelElementUI : public CListElementBase<CLabelUI> {
public:
    QString GetClass() const override { return "ListLabelElementUI"; }
    void* GetInterface(const QString& name) override;
    void PaintText(QPainter& painter) override;
};

// A list row that holds other controls; a press anywhere in it selects it.
class CListContainerElementUI : public CListElementBase<CHorizontalLayoutUI> {
public:
    QString GetClass() const override { return "ListContainerElementUI"; }
    void* GetInterface(const QString& name) override;
};

// The items and the one selected item of a list or combo box. A selection change sends "itemselect" (wParam new
// index, lParam previous index) when asked to notify; a disabled item cannot be selected.
template <typename Base>
class CListOwnerBase : public Base, public IListOwnerUI {
public:
    void* GetInterface(const QString& name) override {
        if (name == "IListOwner")
            return static_cast<IListOwnerUI*>(this);
        return Base::GetInterface(name);
    }
    bool Add(CControlUI* control) override { return AddAt(control, this->GetCount()); }
    bool AddAt(CControlUI* control, int index) override {
        if (!Base::AddAt(control, index))
            return false;
        if (IListItemUI* item = AsListItem(control))
            item->SetOwner(this);
        if (m_iCurSel >= index)
            ++m_iCurSel;
        Reindex();
        return true;
    }
    bool Remove(CControlUI* control, bool doNotDestroy = false) override {
        const int index = this->GetItemIndex(control);
        return index >= 0 && RemoveAt(index, doNotDestroy);
    }
    bool RemoveAt(int index, bool doNotDestroy = false) override {
        if (!Base::RemoveAt(index, doNotDestroy))
            return false;
        if (index == m_iCurSel)
            m_iCurSel = -1;
        else if (index < m_iCurSel)
            --m_iCurSel;
        Reindex();
        this->Invalidate();
        return true;
    }
    void RemoveAll() override {
        m_iCurSel = -1;
        Base::RemoveAll();
    }
    TListInfoUI* GetListInfo() override { return &m_ListInfo; }
    int GetCurSel() const override { return m_iCurSel; }
    bool SelectItem(int index, bool takeFocus = false, bool notify = true) override {
        if (index == m_iCurSel)
            return true;
        const int old = m_iCurSel;
        if (IListItemUI* previous = AsListItem(this->GetItemAt(old)))
            previous->Select(false);
        CControlUI* control = this->GetItemAt(index);
        IListItemUI* item = AsListItem(control);
        m_iCurSel = (item != nullptr && control->IsEnabled()) ? index : -1;
        this->Invalidate();
        if (m_iCurSel < 0)
            return false;
        item->Select(true);
        OnItemSelected(control);
        if (takeFocus)
            this->SetFocus();
        if (notify)
            this->SendNotify(DUI_MSGTYPE_ITEMSELECT, static_cast<WPARAM>(index), old);
        return true;
    }
    void DoEvent(TEventUI& event) override { Base::DoEvent(event); }
    void SetAttribute(const QString& name, const QString& value) override {
        if (!SetListInfoAttribute(m_ListInfo, name, value))
            Base::SetAttribute(name, value);
    }

protected:
    virtual void OnItemSelected(CControlUI*) {}
    void Reindex() {
        for (int i = 0; i < this->GetCount(); ++i) {
            if (IListItemUI* item = AsListItem(this->GetItemAt(i)))
                item->SetIndex(i);
        }
    }

    TListInfoUI m_ListInfo;
    int m_iCurSel = -1;
};

// A scrolling vertical list of rows with one selected row.
class CListUI : public CListOwnerBase<CVerticalLayoutUI> {
public:
    CListUI();
    QString GetClass() const override { return "ListUI"; }
    void* GetInterface(const QString& name) override;
    // Scrolls so that item index is in view.
    void EnsureVisible(int index);
    void DoEvent(TEventUI& event) override;

protected:
    void OnItemSelected(CControlUI* item) override { ScrollIntoView(item); }
};

} // namespace pelan
