#pragma once

#include "ui/DuiLib.h"

namespace pelan {

// A progress indicator drawn as a ring: the background colour as a full disc, the foreground colour as a pie that
// starts at the bottom and runs clockwise by value / (maximum - minimum) of a turn, and a white disc 10 pixels in
// that leaves the ring.
class CCircleProgressUI : public CProgressUI {
public:
    static constexpr int kRingWidth = 10;

    QString GetClass() const override { return "CircleProgress"; }
    void PaintBkColor(QPainter& painter) override;
    void PaintForeColor(QPainter& painter) override;
    // Whole degrees of the foreground pie.
    int SweepDegrees() const;
};

} // namespace pelan
