// SPDX-License-Identifier: GPL-3.0-or-later
#include "model/data_axis.h"

#include <cmath>

#include "model/exact_number.h"

void CDataAxis::SetDefault() {
    m_origin = {0.0, 0.0, 10, 110};
    m_xAxis = {1.0, 0.0, 110, 110};
    m_yAxis = {0.0, 1.0, 10, 10};
    m_bLogX = false;
    m_bLogY = false;
}

namespace {

double ScaleRange(double originValue, double axisValue, bool log) {
    if (log) return std::log10(axisValue) - std::log10(originValue);
    return axisValue - originValue;
}

}  // namespace

double CDataAxis::GetRangeX() const {
    return ScaleRange(m_origin.m_xValue, m_xAxis.m_xValue, m_bLogX);
}

double CDataAxis::GetRangeY() const {
    return ScaleRange(m_origin.m_yValue, m_yAxis.m_yValue, m_bLogY);
}

ScaleFault CheckScale(double originValue, double axisValue, bool log) {
    // The logarithm of 0 is -inf and of a negative value NaN: either would turn every converted
    // value into 0 or NaN without a word. (A NaN value fails both comparisons too.)
    if (log && !(axisValue > 0.0)) return ScaleFault::AxisNotPositive;
    if (log && !(originValue > 0.0)) return ScaleFault::OriginNotPositive;
    // Finite values can still differ by more than a double holds (-1e308 to 1e308): every
    // conversion would then be infinite although the true values are not.
    if (!std::isfinite(originValue) || !std::isfinite(axisValue) ||
        !std::isfinite(ScaleRange(originValue, axisValue, log))) {
        return ScaleFault::NotFinite;
    }
    return ScaleFault::None;
}

bool CDataAxis::IsValid() const {
    return AxisFrame(*this).IsValid();
}

AxisFrame::AxisFrame(const CDataAxis& axis)
    : m_ptOrigin{axis.m_origin.m_xPixel, axis.m_origin.m_yPixel},
      m_bLogX(axis.m_bLogX),
      m_bLogY(axis.m_bLogY) {
    // Differences of pixel positions are integers, taken as doubles (64-bit so that extreme
    // typed pixel values cannot overflow).
    const auto diff = [](int a, int b) {
        return static_cast<double>(static_cast<long long>(a) - static_cast<long long>(b));
    };
    const double exX = diff(axis.m_xAxis.m_xPixel, axis.m_origin.m_xPixel);
    const double exY = diff(axis.m_xAxis.m_yPixel, axis.m_origin.m_yPixel);
    const double eyX = diff(axis.m_yAxis.m_xPixel, axis.m_origin.m_xPixel);
    const double eyY = diff(axis.m_yAxis.m_yPixel, axis.m_origin.m_yPixel);
    // The two axes lie on one line through the origin exactly when the cross product of their
    // pixel differences is 0: in integers, since the unit vectors below round, and their
    // determinant can come out a hair from 0 for axes that are parallel.
    const auto whole = [](int a, int b) { return Int128{a} - Int128{b}; };
    const Int128 cross = whole(axis.m_xAxis.m_xPixel, axis.m_origin.m_xPixel) *
                             whole(axis.m_yAxis.m_yPixel, axis.m_origin.m_yPixel) -
                         whole(axis.m_xAxis.m_yPixel, axis.m_origin.m_yPixel) *
                             whole(axis.m_yAxis.m_xPixel, axis.m_origin.m_xPixel);
    m_dLx = std::sqrt(exX * exX + exY * exY);
    m_dLy = std::sqrt(eyX * eyX + eyY * eyY);
    m_uxX = exX / m_dLx;
    m_uxY = exY / m_dLx;
    m_uyX = eyX / m_dLy;
    m_uyY = eyY / m_dLy;
    const double d = m_uxX * m_uyY - m_uxY * m_uyX;
    m_dInvD = 1.0 / d;
    m_dRangeX = axis.GetRangeX();
    m_dRangeY = axis.GetRangeY();
    m_dBaseX = m_bLogX ? std::log10(axis.m_origin.m_xValue) : axis.m_origin.m_xValue;
    m_dBaseY = m_bLogY ? std::log10(axis.m_origin.m_yValue) : axis.m_origin.m_yValue;
    // Exact comparisons; a quantity that is not a number (an axis point on the origin) fails its
    // test too. The scales are checked first: they make every range and base finite.
    const auto usable = [](double v) { return v != 0.0 && !std::isnan(v); };
    m_bValid = CheckScale(axis.m_origin.m_xValue, axis.m_xAxis.m_xValue, m_bLogX) ==
                   ScaleFault::None &&
               CheckScale(axis.m_origin.m_yValue, axis.m_yAxis.m_yValue, m_bLogY) ==
                   ScaleFault::None &&
               usable(m_dRangeX) && usable(m_dRangeY) && usable(d) && cross != 0;
}

AxisValue AxisFrame::Convert(const CPoint& p) const {
    const double px = static_cast<double>(static_cast<long long>(p.x) - m_ptOrigin.x);
    const double py = static_cast<double>(static_cast<long long>(p.y) - m_ptOrigin.y);
    const double a = (px * m_uyY - py * m_uyX) * m_dInvD;
    const double b = (py * m_uxX - px * m_uxY) * m_dInvD;
    const double tx = m_dBaseX + a / m_dLx * m_dRangeX;
    const double ty = m_dBaseY + m_dRangeY * (b / m_dLy);
    return {m_bLogX ? std::pow(10.0, tx) : tx, m_bLogY ? std::pow(10.0, ty) : ty};
}

AxisValue AxisFrame::Convert(double x, double y) const {
    const double px = x - m_ptOrigin.x;
    const double py = y - m_ptOrigin.y;
    const double a = (px * m_uyY - py * m_uyX) * m_dInvD;
    const double b = (py * m_uxX - px * m_uxY) * m_dInvD;
    const double tx = m_dBaseX + a / m_dLx * m_dRangeX;
    const double ty = m_dBaseY + m_dRangeY * (b / m_dLy);
    return {m_bLogX ? std::pow(10.0, tx) : tx, m_bLogY ? std::pow(10.0, ty) : ty};
}

double Distance(double x1, double y1, double x2, double y2) {
    return std::sqrt((y2 - y1) * (y2 - y1) + (x2 - x1) * (x2 - x1));
}

double CrossProduct(double x0, double y0, double x1, double y1, double x2, double y2) {
    return (x1 - x0) * (y2 - y1) - (y1 - y0) * (x2 - x1);
}
