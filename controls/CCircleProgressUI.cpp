#include "controls/CCircleProgressUI.h"

#include <QPainter>

namespace pelan {
namespace {

constexpr int kQtDegree = 16; // QPainter angles are in sixteenths of a degree
constexpr int kBottom = -90;  // QPainter counts counter-clockwise from three o'clock
constexpr DWORD kWhite = 0xFFFFFFFF;

void fillPie(QPainter& painter, const QRect& rect, int startDegrees, int spanDegrees, DWORD colour) {
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    painter.setBrush(ToQColor(colour));
    painter.drawPie(rect, startDegrees * kQtDegree, spanDegrees * kQtDegree);
    painter.restore();
}

} // namespace

int CCircleProgressUI::SweepDegrees() const {
    const int range = m_nMax - m_nMin;
    // The sweep is the value's share of the range, from the value itself rather than its distance to the minimum.
    return range > 0 ? static_cast<int>(static_cast<double>(m_nValue) / range * 360.0) : 0;
}

void CCircleProgressUI::PaintBkColor(QPainter& painter) {
    fillPie(painter, GetPaintRect(), 0, 360, m_dwBackColor);
}

void CCircleProgressUI::PaintForeColor(QPainter& painter) {
    const QRect rect = GetPaintRect();
    // Clockwise on the screen is a negative span for QPainter.
    fillPie(painter, rect, kBottom, -SweepDegrees(), m_dwForeColor);
    fillPie(painter, rect.adjusted(kRingWidth, kRingWidth, -kRingWidth, -kRingWidth), 0, 360, kWhite);
}

} // namespace pelan
