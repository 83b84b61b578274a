#include "controls/CSelectPanelUI.h"

#include "controls/CDeviceKeyButtonUI.h"

#include <QPainter>

namespace pelan {

void* CSelectPanelUI::GetInterface(const QString& name) {
    if (name == kClassName)
        return this;
    return CVerticalLayoutUI::GetInterface(name);
}

void CSelectPanelUI::DoEvent(TEventUI& event) {
    CVerticalLayoutUI::DoEvent(event);
    switch (event.Type) {
    case UIEVENT_BUTTONDOWN:
        if (!IsEnabled())
            return;
        // Qt sends the moves of a pressed button to this widget until the release: that is the capture.
        m_bPressed = true;
        m_ptStart = event.ptMouse;
        m_ptCurrent = event.ptMouse;
        SetState(GetState() | UISTATE_CAPTURED);
        return;
    case UIEVENT_MOUSEMOVE:
        if (!m_bPressed)
            return;
        m_bDragging = true;
        m_ptCurrent = event.ptMouse;
        m_rcSelection = QRect(m_ptStart, m_ptCurrent).normalized();
        Invalidate();
        return;
    case UIEVENT_BUTTONUP:
        SetState(GetState() & ~UINT{UISTATE_CAPTURED});
        m_bPressed = false;
        if (m_bDragging)
            FinishDrag();
        m_ptStart = m_ptCurrent;
        return;
    default:
        return;
    }
}

void CSelectPanelUI::FinishDrag() {
    m_bDragging = false;
    for (int i = 0; i < GetCount(); ++i) {
        CControlUI* child = GetItemAt(i);
        if (child->GetClass() != CDeviceKeyButtonUI::kClassName)
            continue;
        // A rectangle of no width or height still touches what it lies on.
        static_cast<CDeviceKeyButtonUI*>(child)->SetSelected(
            child->GetPos().intersects(m_rcSelection.adjusted(0, 0, 1, 1)));
    }
    NeedUpdate();
    SendNotify(kSelectEnd);
}

void CSelectPanelUI::DoPaint(QPainter& painter, const QRect& rcPaint) {
    CVerticalLayoutUI::DoPaint(painter, rcPaint);
    if (!m_bDragging)
        return;
    const QRect local(mapFrom(window(), m_rcSelection.topLeft()), m_rcSelection.size());
    painter.save();
    painter.fillRect(local, ToQColor(kFillColour));
    QPen pen(ToQColor(kBorderColour));
    pen.setWidth(kBorderWidth);
    painter.setPen(pen);
    painter.setBrush(Qt::NoBrush);
    painter.drawRect(local);
    painter.restore();
}

} // namespace pelan
