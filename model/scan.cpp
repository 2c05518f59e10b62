// SPDX-License-Identifier: GPL-3.0-or-later
#include "model/scan.h"

#include <algorithm>
#include <cstdlib>

#include "model/caliper_measure.h"

long long MajorSteps(int x1, int y1, int x2, int y2) {
    return std::max(std::llabs(static_cast<long long>(x2) - x1),
                    std::llabs(static_cast<long long>(y2) - y1));
}

ScanWalk SetupWalk(int x1, int y1, int x2, int y2, int maxSteps) {
    // The differences are taken as integers first (in 64 bits, so extreme coordinates cannot
    // overflow), then as doubles for the slope.
    const long long dxi = static_cast<long long>(x2) - x1;
    const long long dyi = static_cast<long long>(y2) - y1;
    const double dx = static_cast<double>(dxi);
    const double dy = static_cast<double>(dyi);
    ScanWalk walk;
    long long count = 0;
    if (std::llabs(dyi) > std::llabs(dxi)) {
        walk.xMajor = false;
        walk.slope = dx / dy;
        count = std::llabs(dyi);
        walk.step = dyi > 0 ? 1 : -1;
    } else {
        walk.xMajor = true;
        count = std::llabs(dxi);
        // A zero-length line has no defined slope; 0 keeps every position on the start point.
        walk.slope = count > 0 ? dy / dx : 0.0;
        walk.step = dxi < 0 ? -1 : 1;
    }
    walk.count = static_cast<int>(count > maxSteps ? maxSteps : count);
    return walk;
}

void CScan::Setup(int x1, int y1, int x2, int y2) {
    m_ptStart = {x1, y1};
    m_ptEnd = {x2, y2};
    const ScanWalk walk = SetupWalk(x1, y1, x2, y2, m_nMaxSteps);
    m_nCount = walk.count;
    m_dSlope = walk.slope;
    m_nStep = walk.step;
    m_bXMajor = walk.xMajor;
}

void CScan::SetLine(int x1, int y1, int x2, int y2) {
    Setup(x1, y1, x2, y2);
    m_nPos = 0;
    m_ptCur = {x1, y1};
}

void CScan::SetStepLimit(int maxSteps) {
    m_nMaxSteps = maxSteps;
    Setup(m_ptStart.x, m_ptStart.y, m_ptEnd.x, m_ptEnd.y);
    if (m_nPos > m_nCount) SetPos(m_nCount);
}

bool CScan::IsCut() const {
    return MajorSteps(m_ptStart.x, m_ptStart.y, m_ptEnd.x, m_ptEnd.y) > m_nCount;
}

void CScan::ReshapeLine(int x1, int y1, int x2, int y2) {
    Setup(x1, y1, x2, y2);
    if (m_nPos > m_nCount) m_nPos = m_nCount;
    if (m_nPos < 0) m_nPos = 0;
    UpdatePos();
}

void CScan::UpdatePos() {
    m_ptCur = PositionAt(m_nPos);
    m_dSubPos = -1.0;
    m_measure.reset();
}

void CScan::SetEdge(int n, double subPos) {
    SetPos(n);
    if (subPos >= 0.0) m_dSubPos = subPos > m_nCount ? m_nCount : subPos;
}

CPointF CScan::SubPoint() const {
    if (!HasSubPos()) return {static_cast<double>(m_ptCur.x), static_cast<double>(m_ptCur.y)};
    return PointAt(m_dSubPos);
}

CPointF CScan::ExactPointAt(double t) const {
    const double major = m_nStep * t;
    const double minor = m_nStep * (t * m_dSlope);
    if (m_bXMajor) return {m_ptStart.x + major, m_ptStart.y + minor};
    return {m_ptStart.x + minor, m_ptStart.y + major};
}

CPointF CScan::PointAt(double t) const {
    // Clamped to the line (NaN to its start), as a cursor's place is.
    if (!(t > 0.0)) t = 0.0;
    if (t > m_nCount) t = m_nCount;
    int whole = static_cast<int>(t);
    if (whole >= m_nCount) whole = m_nCount > 0 ? m_nCount - 1 : 0;
    const CPoint a = PositionAt(whole);
    const CPoint b = m_nCount > 0 ? PositionAt(whole + 1) : a;
    const double f = t - whole;
    return {a.x + f * (b.x - a.x), a.y + f * (b.y - a.y)};
}

void CScan::SetPos(int n) {
    m_nPos = n < 0 ? 0 : (n > m_nCount ? m_nCount : n);
    UpdatePos();
}

void CScan::Next() {
    m_nPos = m_nPos + 1 > m_nCount ? 0 : m_nPos + 1;
    UpdatePos();
}

void CScan::Prev() {
    m_nPos = m_nPos - 1 < 0 ? m_nCount : m_nPos - 1;
    UpdatePos();
}
