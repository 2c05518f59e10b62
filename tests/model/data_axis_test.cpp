// SPDX-License-Identifier: GPL-3.0-or-later
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
        // Parallel, though their unit vectors round to a determinant a hair from 0.
        {"axes on one slanted line",
         [](CDataAxis& a) {
             a.m_origin = {0, 0, 0, 0}, a.m_xAxis = {1, 0, 5, 2}, a.m_yAxis = {0, 1, 15, 6};
         },
         false},
        {"axes on one line, pointing apart",
         [](CDataAxis& a) {
             a.m_origin = {0, 0, 0, 0}, a.m_xAxis = {1, 0, 7, 25}, a.m_yAxis = {0, 1, -21, -75};
         },
         false},
        {"nearly parallel",
         [](CDataAxis& a) { a.m_yAxis.m_xPixel = 100000, a.m_yAxis.m_yPixel = 109; }, true},
        {"log of a negative value",
         [](CDataAxis& a) { a.m_origin.m_xValue = -1, a.m_bLogX = true; }, false},
        {"log of zero span", [](CDataAxis& a) { a.m_origin.m_yValue = 1, a.m_bLogY = true; },
         false},
        {"log axis point at 0",
         [](CDataAxis& a) { a.m_origin.m_xValue = 1, a.m_xAxis.m_xValue = 0, a.m_bLogX = true; },
         false},
        {"log axis point at -0",
         [](CDataAxis& a) { a.m_origin.m_xValue = 1, a.m_xAxis.m_xValue = -0.0, a.m_bLogX = true; },
         false},
        {"log origin at 0", [](CDataAxis& a) { a.m_bLogY = true; }, false},
        {"log over 600 decades",
         [](CDataAxis& a) {
             a.m_origin.m_xValue = 1e-300, a.m_xAxis.m_xValue = 1e300, a.m_bLogX = true;
         },
         true},
        {"span beyond a double",
         [](CDataAxis& a) { a.m_origin.m_yValue = -1e308, a.m_yAxis.m_yValue = 1e308; }, false},
        {"wide span within a double",
         [](CDataAxis& a) { a.m_origin.m_yValue = -1e307, a.m_yAxis.m_yValue = 1e308; }, true},
        {"infinite value", [](CDataAxis& a) { a.m_xAxis.m_xValue = HUGE_VAL; }, false},
        {"value not a number", [](CDataAxis& a) { a.m_origin.m_xValue = NAN; }, false},
    };
    for (const Case& c : cases) {
        CDataAxis axis;
        c.change(axis);
        EXPECT_EQ(axis.IsValid(), c.valid) << c.what;
        EXPECT_EQ(AxisFrame(axis).IsValid(), c.valid) << c.what;
    }
}

TEST(Calibration, ScaleFaultNamesTheValueAtFault) {
    const struct {
        double origin, axis;
        bool log;
        ScaleFault fault;
    } cases[] = {
        {0, 1, false, ScaleFault::None},
        {5, 5, false, ScaleFault::None},  // equal values are AxisFrame's to refuse
        {1, 0, true, ScaleFault::AxisNotPositive},
        {0, 0, true, ScaleFault::AxisNotPositive},  // the axis point's field comes first
        {-2, 10, true, ScaleFault::OriginNotPositive},
        {1e-320, 1e308, true, ScaleFault::None},
        {-1e308, 1e308, false, ScaleFault::NotFinite},
        {1e308, -1e308, false, ScaleFault::NotFinite},
        {0, -HUGE_VAL, false, ScaleFault::NotFinite},
        {NAN, 1, false, ScaleFault::NotFinite},
        {NAN, 1, true, ScaleFault::OriginNotPositive},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(CheckScale(c.origin, c.axis, c.log), c.fault)
            << c.origin << " to " << c.axis << (c.log ? " log" : "");
    }
}

TEST(Geometry, DistanceAndCrossProduct) {
    EXPECT_EQ(Distance(0, 0, 3, 4), 5.0);
    EXPECT_EQ(CrossProduct(0, 0, 1, 0, 1, 1), 1.0);
    EXPECT_EQ(CrossProduct(0, 0, 1, 1, 1, 0), -1.0);
}

}  // namespace
