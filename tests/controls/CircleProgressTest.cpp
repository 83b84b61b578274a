// The ring's painting: background disc, foreground pie from the bottom clockwise by the value's share of the range,
// white centre.
#include "controls/CCircleProgressUI.h"
#include "ui/UiTestSupport.h"

#include <QImage>
#include <gtest/gtest.h>

namespace pelan {
namespace {

constexpr QRgb kBack = 0xFF102030;
constexpr QRgb kFore = 0xFF3D8BFF;

QImage paint(int min, int max, int value) {
    test::app();
    CCircleProgressUI ring;
    ring.SetBkColor(kBack);
    ring.SetForeColor(kFore);
    ring.SetMinValue(min);
    ring.SetMaxValue(max);
    ring.SetValue(value);
    ring.resize(100, 100);
    return ring.grab().toImage();
}

// Points on the ring (5 pixels inside the edge): bottom, left, top, right.
QRgb at(const QImage& image, char where) {
    const QPoint points[] = {{50, 95}, {5, 50}, {50, 5}, {95, 50}};
    const char names[] = {'b', 'l', 't', 'r'};
    for (int i = 0; i < 4; ++i)
        if (names[i] == where)
            return image.pixel(points[i]) | 0xFF000000;
    return 0;
}

TEST(CircleProgress, EmptyFullAndHalfRings) {
    const QImage empty = paint(0, 100, 0);
    EXPECT_EQ(at(empty, 't'), kBack);
    EXPECT_EQ(at(empty, 'l'), kBack);
    EXPECT_EQ(empty.pixel(50, 50) | 0xFF000000, 0xFFFFFFFFu); // the white centre

    const QImage full = paint(0, 100, 100);
    for (char where : {'b', 'l', 't', 'r'})
        EXPECT_EQ(at(full, where), kFore) << where;

    // A quarter runs clockwise from the bottom: the lower left is covered, the upper right is not.
    const QImage quarter = paint(0, 100, 30);
    EXPECT_EQ(quarter.pixel(20, 80) | 0xFF000000, kFore);
    EXPECT_EQ(at(quarter, 't'), kBack);
    EXPECT_EQ(at(quarter, 'r'), kBack);
}

TEST(CircleProgress, SweepComesFromTheValueNotItsDistanceToTheMinimum) {
    CCircleProgressUI ring;
    ring.SetMinValue(50);
    ring.SetMaxValue(150);
    ring.SetValue(50);
    EXPECT_EQ(ring.SweepDegrees(), 180);
    const QImage half = paint(50, 150, 50);
    EXPECT_EQ(at(half, 'l'), kFore);
    EXPECT_EQ(at(half, 'r'), kBack);
}

} // namespace
} // namespace pelan
