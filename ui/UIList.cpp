#include "ui/UIList.h"

#include "ui/UIRender.h"

#include <QPainter>

namespace pelan {
void PaintListItemBackground(QPainter& painter, const QRect& rc, TListInfoUI* info, bool selected, bool hot) {
    if (info == nullptr)
        return;
    const DWORD color = selected ? info->dwSelectedBkColor : hot ? info->dwHotBkColor : info->dwBkColor;
    if (color != 0)
        painter.fillRect(rc, ToQColor(color));
    const QString& image = selected ? info->sSelectedImage : hot ? info->sHotImage : QString();
    if (!image.isEmpty())
        DrawImageDescription(painter, rc, image);
}

IListItemUI* AsListItem(CControlUI* control) {
    return control != nullptr ? static_cast<IListItemUI*>(control->GetInterface("ListItem")) : nullptr;
}

bool SetListInfoAttribute(TListInfoUI& info, const QString& name, const QString& value) {
    const QString key = name.toLower();
    if (key == "itemfont")
        info.nFont = ParseInt(value, -1);
    else if (key == "itemalign")
        info.uTextStyle = (info.uTextStyle & ~(DT_CENTER | DT_RIGHT)) | (value == "center"  ? DT_CENTER
                                                                         : value == "right" ? DT_RIGHT
                                                                                            : DT_LEFT);
    else if (key == "itemtextpadding")
        info.rcTextPadding = ParseMargins(value);
    else if (key == "itemtextcolor")
        info.dwTextColor = ParseColor(value);
    else if (key == "itembkcolor")
        info.dwBkColor = ParseColor(value);
    else if (key == "itemselectedtextcolor")
        info.dwSelectedTextColor = ParseColor(value);
    else if (key == "itemselectedbkcolor")
        info.dwSelectedBkColor = ParseColor(value);
    else if (key == "itemhottextcolor")
        info.dwHotTextColor = ParseColor(value);
    else if (key == "itemhotbkcolor")
        info.dwHotBkColor = ParseColor(value);
    else if (key == "itemdisabledtextcolor")
        info.dwDisabledTextColor = ParseColor(value);
    else if (key == "itemselectedimage")
        info.sSelectedImage = value;
    else if (key == "itemhotimage")
        info.sHotImage = value;
    else
        return false;
    return true;
}

void* CListLabelElementUI::GetInterface(const QString& name) {
    if (name == "ListLabelElement")
        return this;
    return CListElementBase<CLabelUI>::GetInterface(name);
}

void CListLabelElementUI::PaintText(QPainter& painter) {
    TListInfoUI* info = m_pOwner != nullptr ? m_pOwner->GetListInfo() : nullptr;
    if (info == nullptr) {
        CLabelUI::PaintText(painter);
        return;
    }
    DWORD color = info->dwTextColor;
    if (!QWidget::isEnabled())
        color = info->dwDisabledTextColor;
    else if (m_bSelected)
        color = info->dwSelectedTextColor;
    else if (m_uButtonState & UISTATE_HOT)
        color = info->dwHotTextColor;
    const QMargins p = info->rcTextPadding;
    DrawText(
        painter,
        GetPaintRect().marginsRemoved(QMargins(Scale(p.left()), Scale(p.top()), Scale(p.right()), Scale(p.bottom()))),
        GetText(), color, GetDrawFont(info->nFont), info->uTextStyle);
}

void* CListContainerElementUI::GetInterface(const QString& name) {
    if (name == "ListContainerElement")
        return this;
    return CListElementBase<CHorizontalLayoutUI>::GetInterface(name);
}

CListUI::CListUI() {
    EnableScrollBar(true);
    // The arrow keys move the selection once the list has the focus.
    setFocusPolicy(Qt::StrongFocus);
}

void* CListUI::GetInterface(const QString& name) {
    if (name == "List")
        return this;
    return CListOwnerBase<CVerticalLayoutUI>::GetInterface(name);
}

void CListUI::EnsureVisible(int index) {
    if (CControlUI* item = GetItemAt(index))
        ScrollIntoView(item);
}

void CListUI::DoEvent(TEventUI& event) {
    if (event.Type == UIEVENT_KEYDOWN && GetCount() > 0) {
        if (event.chKey == Qt::Key_Down) {
            SelectItem(std::min(m_iCurSel + 1, GetCount() - 1), true);
            return;
        }
        if (event.chKey == Qt::Key_Up) {
            SelectItem(std::max(m_iCurSel - 1, 0), true);
            return;
        }
    }
    CListOwnerBase<CVerticalLayoutUI>::DoEvent(event);
}

} // namespace pelan
