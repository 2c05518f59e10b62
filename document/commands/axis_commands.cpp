// SPDX-License-Identifier: GPL-3.0-or-later
#include "document/commands/axis_commands.h"

#include <bit>
#include <cstdint>

namespace {

CData& PointOf(CDataAxis& axis, int nPoint) {
    if (nPoint == 0) return axis.m_origin;
    if (nPoint == 1) return axis.m_xAxis;
    return axis.m_yAxis;
}

// Bit for bit: 0.0 and -0.0 are not the same value to put back, and a NaN is itself.
bool Same(double a, double b) {
    return std::bit_cast<std::uint64_t>(a) == std::bit_cast<std::uint64_t>(b);
}

bool Same(const CData& a, const CData& b) {
    return Same(a.m_xValue, b.m_xValue) && Same(a.m_yValue, b.m_yValue) &&
           a.m_xPixel == b.m_xPixel && a.m_yPixel == b.m_yPixel;
}

bool Same(const CDataAxis& a, const CDataAxis& b) {
    return Same(a.m_origin, b.m_origin) && Same(a.m_xAxis, b.m_xAxis) &&
           Same(a.m_yAxis, b.m_yAxis) && a.m_bLogX == b.m_bLogX && a.m_bLogY == b.m_bLogY;
}

}  // namespace

void AxisEdit::ApplyTo(CDataAxis& axis) const {
    for (int n = 0; n < 3; ++n) {
        CData& point = PointOf(axis, n);
        if (const auto& p = pixel[n]) {
            point.m_xPixel = p->x;
            point.m_yPixel = p->y;
        }
        if (const auto& v = value[n]) {
            point.m_xValue = v->x;
            point.m_yValue = v->y;
        }
    }
    if (logX) axis.m_bLogX = *logX;
    if (logY) axis.m_bLogY = *logY;
}

CCalibrationCommand::CCalibrationCommand(CNorvaleDoc& doc, const QString& text, int first,
                                         int count, const AxisEdit& edit)
    : CDocCommand(doc, text), m_nFirst(first), m_nCount(count), m_edit(edit) {
    for (int i = first; i < first + count; ++i) {
        const CDataAxis* axis = doc.m_profile.GetAxis(i);
        if (axis == nullptr) break;
        if (!m_old.empty() && Same(m_old.back().axis, *axis)) {
            ++m_old.back().count;
        } else {
            m_old.push_back({1, *axis});
        }
    }
}

bool CCalibrationCommand::ChangesAnything() const {
    for (const Run& run : m_old) {
        CDataAxis edited = run.axis;
        m_edit.ApplyTo(edited);
        if (!Same(edited, run.axis)) return true;
    }
    return false;
}

void CCalibrationCommand::Apply(bool /*first*/) {
    for (int i = m_nFirst; i < m_nFirst + m_nCount; ++i) {
        if (CDataAxis* axis = Profile().GetAxis(i)) m_edit.ApplyTo(*axis);
    }
}

void CCalibrationCommand::Revert() {
    int i = m_nFirst;
    for (const Run& run : m_old) {
        for (int k = 0; k < run.count; ++k, ++i) {
            if (CDataAxis* axis = Profile().GetAxis(i)) *axis = run.axis;
        }
    }
}
