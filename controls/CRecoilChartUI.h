#pragma once

#include "ui/DuiLib.h"

#include <QPoint>
#include <vector>

namespace pelan {

// The path a recoil table pulls the mouse along: a line through the points in table units, scaled to fit the
// control with a margin and kept in proportion, from the first point (the start, drawn hollow) to the last.
class CRecoilChartUI : public CControlUI {
public:
    static constexpr int kMargin = 16;
    static constexpr int kDotRadius = 3;

    QString GetClass() const override { return "RecoilChart"; }
    void setPoints(std::vector<QPoint> points);
    const std::vector<QPoint>& points() const { return points_; }
    void PaintForeColor(QPainter& painter) override;

private:
    std::vector<QPoint> points_;
};

} // namespace pelan
