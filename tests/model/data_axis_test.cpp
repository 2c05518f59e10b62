#include "model/data_axis.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>

namespace {

AxisValue Convert(const CDataAxis& axis, int x, int y) {
    return AxisFrame(axis).Convert({x, y});
}

TEST(Calibration, DefaultIsAHundredPixelSquare) {
    struct Case {
        CPoint p;
        double x, y;
    };
    const Case cases[] = {
        {{10, 110}, 0, 0},    {{60, 60}, 0.5, 0.5}, {{110, 10}, 1, 1},
        {{160, 110}, 1.5, 0}, {{10, 210}, 0, -1},
    };
    const CDataAxis axis;
    ASSERT_TRUE(axis.IsValid());
    for (const Case& c : cases) {
        const AxisValue v = Convert(axis, c.p.x, c.p.y);
        EXPECT_DOUBLE_EQ(v.x, c.x) << c.p.x << "," << c.p.y;
        EXPECT_DOUBLE_EQ(v.y, c.y) << c.p.x << "," << c.p.y;
    }
}

TEST(Calibration, RotatedAndLogarithmicAxes) {
    CDataAxis tilted;
    tilted.m_xAxis.m_yPixel = 60;  // the X axis rises at 45 degrees
    AxisValue v = Convert(tilted, 110, 60);
    EXPECT_NEAR(v.x, 1.0, 1e-12);
    EXPECT_NEAR(v.y, 0.0, 1e-12);

    CDataAxis logX;
    logX.m_origin.m_xValue = 1;
    logX.m_xAxis.m_xValue = 100;
    logX.m_bLogX = true;
    v = Convert(logX, 60, 110);
    EXPECT_NEAR(v.x, 10.0, 1e-12);
}

TEST(Calibration, ValidityIsExact) {
    struct Case {
        const char* what;
        std::function<void(CDataAxis&)> change;
        bool valid;
    };
    const Case cases[] = {
        {"default", [](CDataAxis&) {}, true},
        {"equal x values", [](CDataAxis& a) { a.m_xAxis.m_xValue = 0; }, false},
        {"equal y values", [](CDataAxis& a) { a.m_yAxis.m_yValue = 0; }, false},
        {"parallel axes", [](CDataAxis& a) { a.m_yAxis.m_xPixel = 210, a.m_yAxis.m_yPixel = 110; },
         false},
        {"x axis point on the origin", [](CDataAxis& a) { a.m_xAxis.m_xPixel = 10; }, false},
        {"nearly parallel",
         [](CDataAxis& a) { a.m_yAxis.m_xPixel = 100000, a.m_yAxis.m_yPixel = 109; }, true},
        {"log of a negative value",
         [](CDataAxis& a) { a.m_origin.m_xValue = -1, a.m_bLogX = true; }, false},
        {"log of zero span", [](CDataAxis& a) { a.m_origin.m_yValue = 1, a.m_bLogY = true; },
         false},
    };
    for (const Case& c : cases) {
        CDataAxis axis;
        c.change(axis);
        EXPECT_EQ(axis.IsValid(), c.valid) << c.what;
        EXPECT_EQ(AxisFrame(axis).IsValid(), c.valid) << c.what;
    }
}

TEST(Geometry, DistanceAndCrossProduct) {
    EXPECT_EQ(Distance(0, 0, 3, 4), 5.0);
    EXPECT_EQ(CrossProduct(0, 0, 1, 0, 1, 1), 1.0);
    EXPECT_EQ(CrossProduct(0, 0, 1, 1, 1, 0), -1.0);
}

}  // namespace
