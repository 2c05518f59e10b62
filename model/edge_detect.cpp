// SPDX-License-Identifier: GPL-3.0-or-later
#include "model/edge_detect.h"

#include <algorithm>
#include <cmath>
#include <memory>
#include <vector>

#include "model/bilinear_profile.h"
#include "model/caliper_measure.h"
#include "model/edge_rules.h"
#include "model/plain_rule.h"
#include "model/profile_filter.h"
#include "model/tracking.h"

int FindEdge(const ProfileBuffer& buffer, int count, int channel, int mode) {
    if (count < 0) return 0;
    if (count > buffer.Size() - 1) count = buffer.Size() - 1;
    // The channel is chosen once, outside the loops; the values are GetBrightness's.
    thread_local std::vector<int> values;
    values.resize(static_cast<std::size_t>(count) + 1);
    int* const v = values.data();
    const int* r = buffer.m_nRed.data();
    const int* g = buffer.m_nGreen.data();
    const int* b = buffer.m_nBlue.data();
    switch (channel) {
        case kChannelSum:
            for (int i = 0; i <= count; ++i) v[i] = (r[i] + g[i] + b[i]) / 3;
            break;
        case kChannelRed:
            for (int i = 0; i <= count; ++i) v[i] = r[i];
            break;
        case kChannelGreen:
            for (int i = 0; i <= count; ++i) v[i] = g[i];
            break;
        default:
            for (int i = 0; i <= count; ++i) v[i] = b[i];
            break;
    }
    return FindEdgeIndex(v, count, mode);
}

void MeasureWithCaliper(const ProfileBuffer& buffer, CScan& line, int channel,
                        const EdgeOptions& options, const CaliperRule& rule,
                        std::optional<double> previous) {
    thread_local std::vector<double> values;
    CaliperValues(buffer, line, channel, options, values);
    PlaceCaliperEdge(line, MeasureCaliper(values, rule, previous));
}

void CaliperValues(const ProfileBuffer& buffer, const CScan& line, int channel,
                   const EdgeOptions& options, std::vector<double>& values) {
    const int count = std::min(line.m_nCount, buffer.m_nLastSample);
    values.resize(static_cast<std::size_t>(count < 0 ? 0 : count + 1));
    ProfileValues(buffer, count, channel, options, values.data());
}

void PlaceCaliperEdge(CScan& line, const CaliperResult& result) {
    auto measure = std::make_shared<const CaliperMeasure>(CaliperMeasure::Of(result));
    // Nothing found leaves the cursor where it stood; the measure says that it holds no edge.
    if (result.Found()) {
        const double place = std::clamp(result.edge.pos, 0.0, static_cast<double>(line.m_nCount));
        line.SetEdge(static_cast<int>(std::floor(place + 0.5)), place);
    }
    line.m_measure = std::move(measure);
}

std::optional<double> NeighbourEdge(const CDataProfile& profile, int i, int a, int n) {
    const CScan* line = i > 0 ? profile.GetLine(i - 1, a, n) : nullptr;
    if (line == nullptr || line->m_bDetect || (line->m_measure && !line->m_measure->Found())) {
        return std::nullopt;
    }
    return line->HasSubPos() ? line->m_dSubPos : static_cast<double>(line->m_nPos);
}

bool DetectEdge(CDataProfile& profile, int i, int a, int n, const PixelView& picture, int channel,
                int mode, ProfileBuffer& buffer, const EdgeOptions& options) {
    CScan* line = profile.GetLine(i, a, n);
    // Without a picture there is nothing to measure: the line stays pending.
    if (line == nullptr || !line->m_bDetect || picture.IsNull()) return false;
    SampleLine(picture, line->m_ptStart.x, line->m_ptStart.y, line->m_ptEnd.x, line->m_ptEnd.y,
               buffer, options.lineWidth);
    const CaliperRule* rule = profile.RuleOf(*line);
    if (rule != nullptr && rule->kind == CaliperKind::Plain) {
        MeasurePlainRule(buffer, *line, channel, options, *rule, TrackingWindow(profile, i, a, n));
    } else if (rule != nullptr) {
        thread_local std::vector<double> values;
        if (rule->bilinear) {
            BilinearValues(picture, *line, channel, options, values);
        } else {
            CaliperValues(buffer, *line, channel, options, values);
        }
        PlaceCaliperEdge(*line, MeasureLineRule(values, *rule, profile, i, a, n));
    } else {
        const EdgeResult edge = FindEdge(buffer, line->m_nCount, channel, mode, options);
        line->SetEdge(edge.index, edge.subPos);
    }
    line->m_bDetect = false;
    DetectionSettings settings{channel, mode, options, {}};
    if (rule != nullptr) settings.caliper = *rule;
    profile.MarkDetected(*line, settings);
    return true;
}

int DetectPending(CDataProfile& profile, int i, int a, const PixelView& picture, int channel,
                  int mode, ProfileBuffer& buffer, const EdgeOptions& options) {
    const CScanArray* set = profile.GetArray(i, a);
    if (set == nullptr) return 0;
    int detected = 0;
    for (int n = 0; n < set->GetSize(); ++n) {
        if (DetectEdge(profile, i, a, n, picture, channel, mode, buffer, options)) ++detected;
    }
    return detected;
}
