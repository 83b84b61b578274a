#include "controls/CDeviceKeyButtonUI.h"

#include <QPainter>

namespace pelan {

void* CDeviceKeyButtonUI::GetInterface(const QString& name) {
    if (name == kClassName)
        return this;
    return CButtonUI::GetInterface(name);
}

void CDeviceKeyButtonUI::SetSelected(bool selected) {
    if (IsSelected() == selected)
        return;
    SetState(selected ? (GetState() | UISTATE_SELECTED) : (GetState() & ~UINT{UISTATE_SELECTED}));
}

void CDeviceKeyButtonUI::DoEvent(TEventUI& event) {
    if (event.Type == UIEVENT_DBLCLICK && IsEnabled() && GetPos().contains(event.ptMouse)) {
        SetState(GetState() | UISTATE_PUSHED | UISTATE_CAPTURED);
        SendNotify(kDoubleClick);
        Invalidate();
        return;
    }
    CButtonUI::DoEvent(event);
}

void CDeviceKeyButtonUI::SetAttribute(const QString& name, const QString& value) {
    if (name == "lightimage")
        SetLightImage(value);
    else if (name == "keysetimage")
        SetKeySetImage(value);
    else if (name == "gmnametextcolor")
        return; // taken for layouts that carry it; the picture shows no game-mode name
    else
        CButtonUI::SetAttribute(name, value);
}

void CDeviceKeyButtonUI::PaintStatusImage(QPainter& painter) {
    if (IsSelected())
        painter.fillRect(GetPaintRect(), ToQColor(kSelectedColour));
    CButtonUI::PaintStatusImage(painter);
    if (m_bLightOverlay)
        DrawImage(painter, m_sLightImage);
    if (!m_bKeyOverlayHidden)
        DrawImage(painter, m_sKeySetImage);
}

} // namespace pelan
