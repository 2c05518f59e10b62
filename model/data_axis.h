// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "model/point.h"

// One calibration point: its pixel on the image and the axis values there.
class CData {
public:
    double m_xValue = 0.0;
    double m_yValue = 0.0;
    int m_xPixel = 0;
    int m_yPixel = 0;

    friend bool operator==(const CData&, const CData&) = default;
};

// The calibration of one image: origin, a point on the X axis and a point on the Y axis, with
// the axis values there. The axes may be rotated and need not be perpendicular.
class CDataAxis {
public:
    CDataAxis() { SetDefault(); }

    CData m_origin;
    CData m_xAxis;
    CData m_yAxis;
    bool m_bLogX = false;
    bool m_bLogY = false;

    void SetDefault();
    double GetRangeX() const;
    double GetRangeY() const;
    bool IsValid() const;

    friend bool operator==(const CDataAxis&, const CDataAxis&) = default;
};

// What keeps one axis's two values (at the origin and at the axis point) from making a scale.
// Equal values are not judged here; AxisFrame refuses them.
enum class ScaleFault {
    None,
    AxisNotPositive,    // a logarithmic axis's value at the axis point is 0 or below
    OriginNotPositive,  // and at the origin
    NotFinite,          // a value, or their difference (of logarithms), is beyond a double
};

// The axis value first, then the origin's, then the difference: the order the axis dialog
// reports its fields in.
ScaleFault CheckScale(double originValue, double axisValue, bool log);

struct AxisValue {
    double x = 0.0;
    double y = 0.0;
};

// The axis directions of a calibration, worked out once so that many points convert cheaply.
// Every operation is the one a single conversion would do, in the same order, so the values are
// bit for bit the same.
class AxisFrame {
public:
    explicit AxisFrame(const CDataAxis& axis);

    bool IsValid() const { return m_bValid; }
    AxisValue Convert(const CPoint& p) const;
    // A point between pixels; for whole coordinates the same as the integer form.
    AxisValue Convert(double x, double y) const;

private:
    CPoint m_ptOrigin;
    double m_dLx, m_dLy;
    double m_uxX, m_uxY, m_uyX, m_uyY;
    double m_dInvD;
    double m_dRangeX, m_dRangeY;
    double m_dBaseX, m_dBaseY;
    bool m_bLogX, m_bLogY;
    bool m_bValid;
};

double Distance(double x1, double y1, double x2, double y2);
double CrossProduct(double x0, double y0, double x1, double y1, double x2, double y2);
