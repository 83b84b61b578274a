#include "ui/UISlider.h"

#include "ui/UIRender.h"

#include <QPainter>
#include <cmath>

namespace pelan {
namespace {

constexpr DWORD kDefaultTrackColor = 0xFF2B3038;
constexpr DWORD kDefaultFillColor = 0xFF3D8BFF;
constexpr DWORD kDefaultThumbColor = 0xFFE6E8EB;

} // namespace

CProgressUI::CProgressUI() {
    m_uTextStyle = DT_SINGLELINE | DT_CENTER | DT_VCENTER;
}

void* CProgressUI::GetInterface(const QString& name) {
    if (name == "Progress")
        return this;
    return CLabelUI::GetInterface(name);
}

void CProgressUI::SetHorizontal(bool horizontal) {
    m_bHorizontal = horizontal;
    Invalidate();
}

void CProgressUI::SetMinValue(int min) {
    m_nMin = min;
    m_nValue = std::max(m_nValue, m_nMin);
    Invalidate();
}

void CProgressUI::SetMaxValue(int max) {
    m_nMax = max;
    m_nValue = std::min(m_nValue, std::max(m_nMax, m_nMin));
    Invalidate();
}

void CProgressUI::SetValue(int value) {
    m_nValue = std::clamp(value, m_nMin, std::max(m_nMax, m_nMin));
    Invalidate();
}

void CProgressUI::SetAttribute(const QString& name, const QString& value) {
    const QString key = name.toLower();
    if (key == "hor")
        SetHorizontal(ParseBool(value));
    else if (key == "min")
        SetMinValue(ParseInt(value));
    else if (key == "max")
        SetMaxValue(ParseInt(value));
    else if (key == "value")
        SetValue(ParseInt(value));
    else
        CLabelUI::SetAttribute(name, value);
}

QRect CProgressUI::FilledRect() const {
    const QRect rc = GetPaintRect();
    const int range = m_nMax - m_nMin;
    const double part = range > 0 ? double(m_nValue - m_nMin) / range : 0.0;
    if (m_bHorizontal)
        return QRect(rc.left(), rc.top(), int(std::lround(rc.width() * part)), rc.height());
    const int height = int(std::lround(rc.height() * part));
    return QRect(rc.left(), rc.bottom() + 1 - height, rc.width(), height);
}

void CProgressUI::PaintForeColor(QPainter& painter) {
    if (m_dwForeColor != 0)
        painter.fillRect(FilledRect(), ToQColor(m_dwForeColor));
}

void CProgressUI::PaintForeImage(QPainter& painter) {
    if (m_sForeImage.isEmpty())
        return;
    painter.save();
    painter.setClipRect(FilledRect(), Qt::IntersectClip);
    DrawImage(painter, m_sForeImage);
    painter.restore();
}

CSliderUI::CSliderUI() {
    m_dwBackColor = kDefaultTrackColor;
    m_dwForeColor = kDefaultFillColor;
    // As a Qt slider: the focus by click and by Tab, the arrow keys move it.
    setFocusPolicy(Qt::StrongFocus);
}

void CSliderUI::StepBy(int steps) {
    const int before = m_nValue;
    SetValue(m_nValue + steps * m_nStep);
    if (m_nValue != before)
        SendNotify(DUI_MSGTYPE_VALUECHANGED);
}

void* CSliderUI::GetInterface(const QString& name) {
    if (name == "Slider")
        return this;
    return CProgressUI::GetInterface(name);
}

QRect CSliderUI::TrackRect() const {
    const QRect rc = GetPaintRect();
    const int tw = Scale(m_szThumb.width());
    const int th = Scale(m_szThumb.height());
    if (m_bHorizontal)
        return QRect(rc.left() + tw / 2, rc.top(), std::max(rc.width() - tw, 1), rc.height());
    return QRect(rc.left(), rc.top() + th / 2, rc.width(), std::max(rc.height() - th, 1));
}

QRect CSliderUI::GetThumbRect() const {
    const QRect track = TrackRect();
    const int tw = Scale(m_szThumb.width());
    const int th = Scale(m_szThumb.height());
    const int range = m_nMax - m_nMin;
    const double part = range > 0 ? double(m_nValue - m_nMin) / range : 0.0;
    if (m_bHorizontal) {
        const int cx = track.left() + int(std::lround((track.width() - 1) * part));
        return QRect(cx - tw / 2, track.center().y() - th / 2, tw, th);
    }
    const int cy = track.bottom() - int(std::lround((track.height() - 1) * part));
    return QRect(track.center().x() - tw / 2, cy - th / 2, tw, th);
}

int CSliderUI::ValueAt(QPoint windowPoint) const {
    const QPoint local = windowPoint - GetPos().topLeft();
    const QRect track = TrackRect();
    const int range = m_nMax - m_nMin;
    double part = m_bHorizontal ? double(local.x() - track.left()) / std::max(track.width() - 1, 1)
                                : double(track.bottom() - local.y()) / std::max(track.height() - 1, 1);
    part = std::clamp(part, 0.0, 1.0);
    int value = m_nMin + int(std::lround(part * range));
    if (m_nStep > 1)
        value = m_nMin + (value - m_nMin + m_nStep / 2) / m_nStep * m_nStep;
    return std::clamp(value, m_nMin, std::max(m_nMax, m_nMin));
}

void CSliderUI::DoEvent(TEventUI& event) {
    if (TrackHot(event))
        return;
    switch (event.Type) {
    case UIEVENT_BUTTONDOWN:
    case UIEVENT_DBLCLICK:
        if (IsEnabled()) {
            m_uButtonState |= UISTATE_CAPTURED | UISTATE_PUSHED;
            m_nPressValue = m_nValue;
            const int value = ValueAt(event.ptMouse);
            if (value != m_nValue) {
                SetValue(value);
                SendNotify(DUI_MSGTYPE_MOVEVALUECHANGED);
            }
            Invalidate();
        }
        return;
    case UIEVENT_MOUSEMOVE:
        if (m_uButtonState & UISTATE_CAPTURED) {
            const int value = ValueAt(event.ptMouse);
            if (value != m_nValue) {
                SetValue(value);
                SendNotify(DUI_MSGTYPE_MOVEVALUECHANGED);
            }
        }
        return;
    case UIEVENT_BUTTONUP:
        if (m_uButtonState & UISTATE_CAPTURED) {
            m_uButtonState &= ~(UISTATE_CAPTURED | UISTATE_PUSHED);
            SetValue(ValueAt(event.ptMouse));
            // A press and release that leave the value where it was change nothing to store or send.
            if (m_nValue != m_nPressValue)
                SendNotify(DUI_MSGTYPE_VALUECHANGED);
            Invalidate();
        }
        return;
    case UIEVENT_SCROLLWHEEL:
        if (IsEnabled())
            StepBy(LOWORD(event.wParam) == SB_LINEUP ? 1 : -1);
        return;
    case UIEVENT_KEYDOWN:
        if (IsEnabled() && (event.chKey == Qt::Key_Right || event.chKey == Qt::Key_Up)) {
            StepBy(1);
            return;
        }
        if (IsEnabled() && (event.chKey == Qt::Key_Left || event.chKey == Qt::Key_Down)) {
            StepBy(-1);
            return;
        }
        CProgressUI::DoEvent(event);
        return;
    default:
        CProgressUI::DoEvent(event);
    }
}

void CSliderUI::SetAttribute(const QString& name, const QString& value) {
    const QString key = name.toLower();
    if (key == "step")
        SetChangeStep(ParseInt(value, 1));
    else if (key == "thumbsize")
        SetThumbSize(ParseSize(value));
    else if (key == "thumbimage")
        SetThumbImage(value);
    else if (key == "thumbhotimage")
        SetThumbHotImage(value);
    else if (key == "thumbpushedimage")
        SetThumbPushedImage(value);
    else
        CProgressUI::SetAttribute(name, value);
}

void CSliderUI::PaintBkColor(QPainter& painter) {
    // Without a background picture the track is a thin rounded bar across the middle.
    if (!m_sBkImage.isEmpty()) {
        CProgressUI::PaintBkColor(painter);
        return;
    }
    const QRect track = TrackRect();
    const int thickness = std::max(Scale(4), 2);
    const QRect bar = m_bHorizontal ? QRect(track.left(), track.center().y() - thickness / 2, track.width(), thickness)
                                    : QRect(track.center().x() - thickness / 2, track.top(), thickness, track.height());
    painter.setPen(Qt::NoPen);
    painter.setBrush(ToQColor(m_dwBackColor));
    painter.drawRoundedRect(bar, thickness / 2.0, thickness / 2.0);
    const QRect thumb = GetThumbRect();
    QRect filled = bar;
    if (m_bHorizontal)
        filled.setRight(thumb.center().x());
    else
        filled.setTop(thumb.center().y());
    painter.setBrush(ToQColor(QWidget::isEnabled() ? m_dwForeColor : m_dwDisabledTextColor));
    painter.drawRoundedRect(filled, thickness / 2.0, thickness / 2.0);
}

void CSliderUI::PaintForeColor(QPainter& painter) {
    // The filled part is drawn with the track unless the bar is a picture.
    if (!m_sBkImage.isEmpty())
        CProgressUI::PaintForeColor(painter);
}

void CSliderUI::PaintStatusImage(QPainter& painter) {
    const QRect thumb = GetThumbRect();
    if ((m_uButtonState & UISTATE_PUSHED) && DrawImage(painter, m_sThumbPushedImage, thumb))
        return;
    if ((m_uButtonState & UISTATE_HOT) && DrawImage(painter, m_sThumbHotImage, thumb))
        return;
    if (DrawImage(painter, m_sThumbImage, thumb))
        return;
    painter.setPen(Qt::NoPen);
    painter.setBrush(ToQColor(QWidget::isEnabled() ? kDefaultThumbColor : m_dwDisabledTextColor));
    painter.drawEllipse(thumb.adjusted(1, 1, -1, -1));
}

} // namespace pelan
