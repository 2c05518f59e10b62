// SPDX-License-Identifier: GPL-3.0-or-later
#include "export/image_measures.h"

#include <algorithm>
#include <cmath>
#include <cstddef>

namespace {

// The length and area of a record that has every line, from its converted points in line
// order. Both sums are accumulated in exactly this order so that the last bits agree with every
// other build of the files.
void Measure2D(ImageMeasures& m) {
    const std::vector<EdgeMeasure>& points = m.points;
    if (points.size() >= 2) {
        double sum = 0.0;
        for (std::size_t k = 1; k < points.size(); ++k) {
            const AxisValue& prev = points[k - 1].value;
            const AxisValue& cur = points[k].value;
            sum = Distance(prev.x, prev.y, cur.x, cur.y) + sum;
        }
        m.length = sum;
    }
    if (points.size() >= 3) {
        // A fan of triangles from the first point.
        const AxisValue& p0 = points[0].value;
        double sum = 0.0;
        for (std::size_t k = 2; k < points.size(); ++k) {
            const AxisValue& prev = points[k - 1].value;
            const AxisValue& cur = points[k].value;
            sum = CrossProduct(p0.x, p0.y, prev.x, prev.y, cur.x, cur.y) * 0.5 + sum;
        }
        m.area = std::fabs(sum);
    }
}

// Both halves in one pass over the lines, or the pixel half alone; the choice is made once per
// image, not per point.
template <bool kConvert>
void Measure(const CDataProfile& profile, int image, int lineCount, const AxisFrame* frame,
             bool readable, ImageMeasures& into) {
    // A record without a calibration object (which the profile never makes) is measured from
    // the default origin rather than read through a null pointer.
    static const CDataAxis kFallbackAxis;
    const CDataAxis* axis = profile.GetAxis(image);
    const CData& origin = (axis != nullptr ? *axis : kFallbackAxis).m_origin;
    const CScanArray* lines = profile.GetArray(image, 0);

    const std::size_t count = lineCount > 0 ? static_cast<std::size_t>(lineCount) : 0;
    const std::size_t present =
        lines != nullptr ? std::min(count, lines->m_arLine.size()) : std::size_t{0};
    into.points.resize(count);
    into.converts = kConvert;
    into.length.reset();
    into.area.reset();
    bool whole = present == count;
    EdgeMeasure* point = into.points.data();
    for (std::size_t j = 0; j < present; ++j, ++point) {
        const CScan* line = lines->m_arLine[j].get();
        const LineStatus status = StatusOf(line, readable);
        if (!HoldsMeasurement(status)) {
            // A pending cursor stands on the line's start, or wherever it was before: no edge.
            *point = {};
            point->status = status;
            whole = false;
            continue;
        }
        const CPoint cur = line->m_ptCur;
        point->status = status;
        point->present = true;
        point->pixel = cur;
        point->dx = static_cast<long long>(cur.x) - origin.m_xPixel;
        point->dy = static_cast<long long>(origin.m_yPixel) - cur.y;
        if constexpr (kConvert) {
            point->value = frame->Convert(cur);
        } else {
            point->value = {};
        }
    }
    for (std::size_t j = present; j < count; ++j) into.points[j] = {};
    if constexpr (kConvert) {
        if (whole) Measure2D(into);
    }
}

}  // namespace

int MeasuredLineCount(const CDataProfile& profile) {
    if (profile.GetSize() == 0) return 0;
    const CScanArray* first = profile.GetArray(0, 0);
    return first != nullptr ? first->GetSize() : 0;
}

void MeasurePixels(const CDataProfile& profile, int image, int lineCount, ImageMeasures& into,
                   bool readable) {
    Measure<false>(profile, image, lineCount, nullptr, readable, into);
}

void MeasureImage(const CDataProfile& profile, int image, int lineCount, ImageMeasures& into,
                  bool readable) {
    const CDataAxis* axis = profile.GetAxis(image);
    if (axis != nullptr) {
        const AxisFrame frame(*axis);
        if (frame.IsValid()) {
            Measure<true>(profile, image, lineCount, &frame, readable, into);
            return;
        }
    }
    Measure<false>(profile, image, lineCount, nullptr, readable, into);
}

ImageMeasures MeasureImage(const CDataProfile& profile, int image, int lineCount, bool readable) {
    ImageMeasures measures;
    MeasureImage(profile, image, lineCount, measures, readable);
    return measures;
}
