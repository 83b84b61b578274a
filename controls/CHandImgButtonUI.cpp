#include "controls/CHandImgButtonUI.h"

namespace pelan {
namespace {

constexpr int kCornerSize = 20;
constexpr int kCornerRightInset = 30;
constexpr int kCornerBottomInset = 9;

} // namespace

void* CHandImgButtonUI::GetInterface(const QString& name) {
    if (name == kClassName)
        return this;
    return CButtonUI::GetInterface(name);
}

void CHandImgButtonUI::SetAttribute(const QString& name, const QString& value) {
    const QString key = name.toLower();
    if (key == "handimage") {
        SetHandImage(value);
    } else if (key == "deletenormalimage") {
        m_deleteNormalImage = value;
        if (m_deleteImage.isEmpty())
            m_deleteImage = value;
    } else if (key == "deletehotimage") {
        m_deleteHotImage = value;
    } else {
        CButtonUI::SetAttribute(name, value);
    }
}

QRect CHandImgButtonUI::DeleteCorner() const {
    const auto scaled = [this](int value) { return GetManager() != nullptr ? GetManager()->ScaleValue(value) : value; };
    const QRect pos = GetPos();
    const int size = scaled(kCornerSize);
    const int bottom = pos.y() + pos.height() - scaled(kCornerBottomInset);
    return {pos.x() + pos.width() - scaled(kCornerRightInset), bottom - size, size, size};
}

void CHandImgButtonUI::DoEvent(TEventUI& event) {
    const bool inside = GetPos().contains(event.ptMouse);
    const bool inCorner = !m_deleteDisabled && DeleteCorner().contains(event.ptMouse);
    switch (event.Type) {
    case UIEVENT_BUTTONDOWN:
    case UIEVENT_DBLCLICK:
        if (inside && IsEnabled())
            SetState(m_uButtonState | UISTATE_PUSHED | UISTATE_CAPTURED);
        return;
    case UIEVENT_BUTTONUP:
        if (m_uButtonState & UISTATE_CAPTURED) {
            SetState(m_uButtonState & ~(UISTATE_PUSHED | UISTATE_CAPTURED));
            if (inCorner)
                SendNotify(kDeleteNotify);
            else if (inside)
                Activate();
        }
        return;
    case UIEVENT_MOUSEMOVE:
        m_deleteImage = inCorner ? m_deleteHotImage : m_deleteNormalImage;
        if (m_uButtonState & UISTATE_CAPTURED)
            m_uButtonState = inside ? (m_uButtonState | UISTATE_PUSHED) : (m_uButtonState & ~UISTATE_PUSHED);
        Invalidate();
        return;
    case UIEVENT_MOUSEENTER:
    case UIEVENT_MOUSELEAVE:
        if (IsEnabled()) {
            const bool enter = event.Type == UIEVENT_MOUSEENTER;
            SetState(enter ? (m_uButtonState | UISTATE_HOT) : (m_uButtonState & ~UISTATE_HOT));
            SendNotify(enter ? DUI_MSGTYPE_MOUSEENTER : DUI_MSGTYPE_MOUSELEAVE);
        }
        break;
    default:
        break;
    }
    CButtonUI::DoEvent(event);
}

void CHandImgButtonUI::PaintStatusImage(QPainter& painter) {
    CButtonUI::PaintStatusImage(painter);
    if (!m_handImage.isEmpty())
        DrawImage(painter, m_handImage);
    if ((m_uButtonState & UISTATE_HOT) && !m_deleteDisabled && !m_deleteImage.isEmpty())
        DrawImage(painter, m_deleteImage, DeleteCorner().translated(-GetPos().topLeft()));
}

} // namespace pelan
