#include "controls/CRecoilChartUI.h"

#include <QPainter>
#include <QPolygonF>
#include <algorithm>

namespace pelan {

void CRecoilChartUI::setPoints(std::vector<QPoint> points) {
    if (points == points_)
        return;
    points_ = std::move(points);
    Invalidate();
}

void CRecoilChartUI::PaintForeColor(QPainter& painter) {
    if (points_.empty())
        return;
    QRect bounds(points_.front(), QSize(1, 1));
    for (const QPoint& point : points_)
        bounds = bounds.united(QRect(point, QSize(1, 1)));
    const QRectF area = QRectF(GetPaintRect()).adjusted(kMargin, kMargin, -kMargin, -kMargin);
    if (area.width() <= 0 || area.height() <= 0)
        return;
    // One scale for both directions, so a pull of 10 to the side looks as long as a pull of 10 down.
    const double scale = std::min(area.width() / bounds.width(), area.height() / bounds.height());
    const QPointF origin(area.center().x() - bounds.center().x() * scale, area.top() - bounds.top() * scale);
    QPolygonF line;
    for (const QPoint& point : points_)
        line << origin + QPointF(point) * scale;

    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    const QColor colour = ToQColor(m_dwForeColor != 0 ? m_dwForeColor : 0xFF3D8BFF);
    painter.setPen(QPen(colour, 2));
    painter.drawPolyline(line);
    painter.setBrush(colour);
    for (qsizetype i = 1; i < line.size(); ++i)
        painter.drawEllipse(line[i], kDotRadius, kDotRadius);
    painter.setBrush(Qt::NoBrush);
    painter.drawEllipse(line.front(), kDotRadius + 2, kDotRadius + 2);
    painter.restore();
}

} // namespace pelan
