#include "ui/UIColorPalette.h"

#include "ui/UIRender.h"

#include <QLinearGradient>
#include <QPainter>

namespace pelan {
namespace {

constexpr int kGap = 6;

} // namespace

void* CColorPaletteUI::GetInterface(const QString& name) {
    if (name == "ColorPalette")
        return this;
    return CControlUI::GetInterface(name);
}

DWORD CColorPaletteUI::GetSelectColor() const {
    return QColor::fromHsv(m_nHue, m_nSaturation, m_nValue).rgba() | 0xFF000000u;
}

void CColorPaletteUI::SetSelectColor(DWORD argb) {
    const QColor color = ToQColor(argb | 0xFF000000u);
    int hue = color.hsvHue();
    m_nHue = hue < 0 ? m_nHue : hue; // a grey keeps the hue it had
    m_nSaturation = color.hsvSaturation();
    m_nValue = color.value();
    Invalidate();
}

void CColorPaletteUI::SetPalletHeight(int height) {
    m_nPalletHeight = std::max(height, 0);
    Invalidate();
}

void CColorPaletteUI::SetBarHeight(int height) {
    m_nBarHeight = std::max(height, 1);
    Invalidate();
}

QRect CColorPaletteUI::FieldRect() const {
    const QRect rc = GetPaintRect();
    const int bar = Scale(m_nBarHeight);
    const int height = m_nPalletHeight > 0 ? Scale(m_nPalletHeight) : rc.height() - bar - Scale(kGap);
    return QRect(rc.left(), rc.top(), rc.width(), std::max(height, 1));
}

QRect CColorPaletteUI::BarRect() const {
    const QRect field = FieldRect();
    return QRect(field.left(), field.bottom() + 1 + Scale(kGap), field.width(), Scale(m_nBarHeight));
}

void CColorPaletteUI::PickAt(QPoint windowPoint) {
    const QPoint p = windowPoint - GetPos().topLeft();
    if (m_pressedPart == Part::Field) {
        const QRect field = FieldRect();
        const double x = std::clamp(double(p.x() - field.left()) / std::max(field.width() - 1, 1), 0.0, 1.0);
        const double y = std::clamp(double(p.y() - field.top()) / std::max(field.height() - 1, 1), 0.0, 1.0);
        m_nHue = std::min(int(x * 360.0), 359);
        m_nSaturation = int((1.0 - y) * 255.0 + 0.5);
    } else if (m_pressedPart == Part::Bar) {
        const QRect bar = BarRect();
        const double x = std::clamp(double(p.x() - bar.left()) / std::max(bar.width() - 1, 1), 0.0, 1.0);
        m_nValue = int(x * 255.0 + 0.5);
    }
    Invalidate();
}

void CColorPaletteUI::DoEvent(TEventUI& event) {
    switch (event.Type) {
    case UIEVENT_BUTTONDOWN: {
        if (!IsEnabled())
            return;
        const QPoint p = event.ptMouse - GetPos().topLeft();
        m_pressedPart = FieldRect().contains(p) ? Part::Field : BarRect().contains(p) ? Part::Bar : Part::None;
        if (m_pressedPart != Part::None) {
            m_uButtonState |= UISTATE_CAPTURED | UISTATE_PUSHED;
            PickAt(event.ptMouse);
        }
        return;
    }
    case UIEVENT_MOUSEMOVE:
        if (m_uButtonState & UISTATE_CAPTURED)
            PickAt(event.ptMouse);
        return;
    case UIEVENT_BUTTONUP:
        if (m_uButtonState & UISTATE_CAPTURED) {
            PickAt(event.ptMouse);
            m_uButtonState &= ~(UISTATE_CAPTURED | UISTATE_PUSHED);
            m_pressedPart = Part::None;
            SendNotify(DUI_MSGTYPE_COLORCHANGED, GetSelectColor());
        }
        return;
    default:
        CControlUI::DoEvent(event);
    }
}

void CColorPaletteUI::SetAttribute(const QString& name, const QString& value) {
    const QString key = name.toLower();
    if (key == "palletheight")
        SetPalletHeight(ParseInt(value));
    else if (key == "barheight")
        SetBarHeight(ParseInt(value));
    else if (key == "thumbimage")
        SetThumbImage(value);
    else
        CControlUI::SetAttribute(name, value);
}

void CColorPaletteUI::PaintBkImage(QPainter& painter) {
    const QRect field = FieldRect();
    if (m_fieldCache.size() != field.size()) {
        m_fieldCache = QImage(field.size(), QImage::Format_RGB32);
        for (int y = 0; y < field.height(); ++y) {
            const int saturation = 255 - y * 255 / std::max(field.height() - 1, 1);
            auto* line = reinterpret_cast<QRgb*>(m_fieldCache.scanLine(y));
            for (int x = 0; x < field.width(); ++x)
                line[x] = QColor::fromHsv(std::min(x * 360 / std::max(field.width(), 1), 359), saturation, 255).rgb();
        }
    }
    painter.save();
    painter.drawImage(field.topLeft(), m_fieldCache);
    // Darken the field to the chosen brightness.
    painter.setOpacity(1.0 - m_nValue / 255.0);
    painter.fillRect(field, Qt::black);
    painter.restore();
    const QRect bar = BarRect();
    QLinearGradient gradient(bar.topLeft(), bar.topRight());
    gradient.setColorAt(0, Qt::black);
    gradient.setColorAt(1, QColor::fromHsv(m_nHue, m_nSaturation, 255));
    painter.fillRect(bar, gradient);
    DrawImage(painter, m_sBkImage);
}

void CColorPaletteUI::PaintStatusImage(QPainter& painter) {
    const QRect field = FieldRect();
    const QRect bar = BarRect();
    const int r = Scale(5);
    const QPoint fieldPoint(field.left() + m_nHue * (field.width() - 1) / 359,
                            field.top() + (255 - m_nSaturation) * (field.height() - 1) / 255);
    const QPoint barPoint(bar.left() + m_nValue * (bar.width() - 1) / 255, bar.center().y());
    for (const QPoint& p : {fieldPoint, barPoint}) {
        const QRect thumb(p.x() - r, p.y() - r, 2 * r, 2 * r);
        if (DrawImage(painter, m_sThumbImage, thumb))
            continue;
        painter.setBrush(Qt::NoBrush);
        painter.setPen(QPen(Qt::white, 2));
        painter.drawEllipse(thumb);
        painter.setPen(QPen(QColor(0, 0, 0, 120), 1));
        painter.drawEllipse(thumb.adjusted(-2, -2, 2, 2));
    }
}

} // namespace pelan
