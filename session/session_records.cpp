// SPDX-License-Identifier: GPL-3.0-or-later
#include "session/session_records.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cstdint>
#include <memory>
#include <numeric>

#include "model/title_order.h"

namespace {

using AxisBits = std::array<std::uint64_t, 14>;

AxisBits Bits(const CDataAxis& axis) {
    AxisBits bits{};
    std::size_t k = 0;
    for (const CData* point : {&axis.m_origin, &axis.m_xAxis, &axis.m_yAxis}) {
        bits[k++] = std::bit_cast<std::uint64_t>(point->m_xValue);
        bits[k++] = std::bit_cast<std::uint64_t>(point->m_yValue);
        bits[k++] = static_cast<std::uint32_t>(point->m_xPixel);
        bits[k++] = static_cast<std::uint32_t>(point->m_yPixel);
    }
    bits[k++] = axis.m_bLogX ? 1 : 0;
    bits[k++] = axis.m_bLogY ? 1 : 0;
    return bits;
}

// The index of the calibration that most records have; the lowest index among equals.
std::size_t MostFrequentAxis(const std::vector<AxisBits>& bits) {
    std::vector<std::size_t> order(bits.size());
    std::iota(order.begin(), order.end(), std::size_t{0});
    // Stable, so each run of equal calibrations starts at its lowest index.
    std::stable_sort(order.begin(), order.end(),
                     [&bits](std::size_t a, std::size_t b) { return bits[a] < bits[b]; });
    std::size_t best = 0;
    std::size_t bestCount = 0;
    for (std::size_t start = 0; start < order.size();) {
        std::size_t end = start + 1;
        while (end < order.size() && bits[order[end]] == bits[order[start]]) ++end;
        const std::size_t count = end - start;
        if (count > bestCount || (count == bestCount && order[start] < best)) {
            best = order[start];
            bestCount = count;
        }
        start = end;
    }
    return best;
}

}  // namespace

bool SameAxisBits(const CDataAxis& a, const CDataAxis& b) {
    return Bits(a) == Bits(b);
}

void BuildSessionRecords(const Session& session, CDataProfile& profile) {
    // Each line once, walked from its ends; every image takes a copy.
    std::vector<CScan> lines(session.lines.size());
    for (std::size_t n = 0; n < lines.size(); ++n) {
        const auto& ends = session.lines[n];
        lines[n].m_nMaxSteps = session.edge.MaxSteps();
        lines[n].SetLine(ends[0], ends[1], ends[2], ends[3]);
    }
    CDataProfile built;
    built.m_nMaxSteps = session.edge.MaxSteps();
    built.m_timeRule = session.timeRule;
    // A line's own rule goes with it onto every image.
    for (std::size_t n = 0; n < session.lineRules.size() && n < lines.size(); ++n) {
        if (session.lineRules[n]) lines[n].m_nRule = built.RuleNumber(*session.lineRules[n]);
    }
    built.m_arSeries.reserve(session.images.size());
    built.m_arAxis.reserve(session.images.size());
    for (const SessionImage& image : session.images) {
        auto series = std::make_unique<CScanSeries>();
        // The count of a file's pages is the file's to tell (SurveyRecordEntries).
        series->m_strTitle = EntryTitle(TitleOfPath(image.path), image.frame, 0);
        series->m_strPath = image.path;
        series->m_nFrame = image.frame;
        auto& set = series->GetAt(0)->m_arLine;
        set.reserve(lines.size());
        for (std::size_t n = 0; n < lines.size(); ++n) {
            auto line = std::make_unique<CScan>(lines[n]);
            if (n < image.cursors.size()) {
                const SessionCursor& cursor = image.cursors[n];
                line->SetEdge(cursor.pos, cursor.subPos);
                line->m_bDetect = cursor.detect;
                // A detection names its settings (the reader has checked that they exist).
                const bool detected = cursor.origin == CursorOrigin::Detected &&
                                      cursor.found < session.detections.size();
                line->m_origin = detected ? CursorOrigin::Detected
                                          : (cursor.origin == CursorOrigin::Placed
                                                 ? CursorOrigin::Placed
                                                 : CursorOrigin::Kept);
                if (detected) built.MarkDetected(*line, session.detections[cursor.found]);
                if (n < image.measures.size() && image.measures[n]) {
                    const CaliperMeasure& measure = *image.measures[n];
                    // The edge between samples is the measure's own (the reader checked that the
                    // cursor stands on the sample nearest it).
                    if (measure.Found()) {
                        line->m_dSubPos = measure.edge.pos;
                    }
                    line->m_measure = std::make_shared<const CaliperMeasure>(measure);
                }
            }
            set.push_back(std::move(line));
        }
        built.m_arSeries.push_back(std::move(series));
        built.m_arAxis.push_back(std::make_unique<CDataAxis>(image.axis.value_or(session.axis)));
    }
    profile = std::move(built);
}

CRecordCapture::CRecordCapture(const CDataProfile& profile, Session& session)
    : m_profile(profile), m_session(session) {
    session.lines.clear();
    session.images.clear();
    session.detections.clear();
    session.axis = CDataAxis();
    session.timeRule = profile.m_timeRule;
    m_detectionIndex.assign(profile.m_detections.size(), -1);
    // Every record holds the same lines; the first one's end points stand for all.
    session.lineRules.clear();
    if (const CScanArray* first = profile.GetArray(0, 0)) {
        session.lines.reserve(first->m_arLine.size());
        for (const auto& line : first->m_arLine) {
            session.lines.push_back(
                {line->m_ptStart.x, line->m_ptStart.y, line->m_ptEnd.x, line->m_ptEnd.y});
        }
        for (std::size_t n = 0; n < first->m_arLine.size(); ++n) {
            const CaliperRule* rule = profile.RuleOf(*first->m_arLine[n]);
            if (rule == nullptr) continue;
            session.lineRules.resize(first->m_arLine.size());
            session.lineRules[n] = *rule;
        }
    }
    const std::size_t count = static_cast<std::size_t>(profile.GetSize());
    std::vector<AxisBits> bits;
    bits.reserve(count);
    for (std::size_t i = 0; i < count; ++i) bits.push_back(Bits(*profile.m_arAxis[i]));
    const std::size_t common = count > 0 ? MostFrequentAxis(bits) : 0;
    if (count > 0) session.axis = *profile.m_arAxis[common];
    // Which images keep a calibration of their own, decided now while the whole list is at hand.
    m_ownAxis.resize(count);
    for (std::size_t i = 0; i < count; ++i) m_ownAxis[i] = bits[i] != bits[common];
    session.images.resize(count);
}

SessionCursor CRecordCapture::CursorOf(const CScan& line) {
    SessionCursor cursor{line.m_nPos, line.m_bDetect};
    // A cursor still to detect has not come anywhere yet.
    if (line.m_bDetect) return cursor;
    cursor.origin = line.m_origin;
    if (const DetectionSettings* found = m_profile.FoundWith(line)) {
        // The settings join the session's list the first time a cursor names them.
        std::int64_t& index = m_detectionIndex[line.m_nFound];
        if (index < 0) {
            index = static_cast<std::int64_t>(m_session.detections.size());
            m_session.detections.push_back(*found);
        }
        cursor.found = static_cast<std::uint32_t>(index);
        // Only a detection with sub-pixel placement leaves a sub-pixel edge; a caliper rule's
        // edge is in its measure.
        if (found->edge.subPixel && !found->caliper) cursor.subPos = line.m_dSubPos;
    } else if (cursor.origin == CursorOrigin::Detected) {
        cursor.origin = CursorOrigin::Kept;  // settings the list does not hold: nothing to say
    }
    return cursor;
}

bool CRecordCapture::Take(std::size_t images) {
    // The records may not change between the runs; should the list shrink all the same, the
    // capture stops rather than reach past its end.
    const std::size_t count =
        std::min(m_session.images.size(), static_cast<std::size_t>(m_profile.GetSize()));
    if (m_next >= count) return true;
    const std::size_t end = images >= count - m_next ? count : m_next + images;
    const std::size_t lines = m_session.lines.size();
    for (; m_next < end; ++m_next) {
        const CScanSeries& series = *m_profile.m_arSeries[m_next];
        SessionImage& image = m_session.images[m_next];
        image.path = series.m_strPath;
        image.frame = series.m_nFrame;
        if (m_ownAxis[m_next]) image.axis = *m_profile.m_arAxis[m_next];
        image.cursors.reserve(lines);
        for (std::size_t n = 0; n < lines; ++n) {
            const CScan* line = series.GetLine(0, static_cast<int>(n));
            image.cursors.push_back(line != nullptr ? CursorOf(*line) : SessionCursor::Pending());
            const DetectionSettings* found = line != nullptr ? m_profile.FoundWith(*line) : nullptr;
            if (found != nullptr && found->caliper && line->m_measure && !line->m_bDetect) {
                image.measures.resize(lines);
                image.measures[n] = *line->m_measure;
            }
        }
    }
    return m_next >= count;
}

void CaptureSessionRecords(const CDataProfile& profile, Session& session) {
    CRecordCapture(profile, session).Take(static_cast<std::size_t>(profile.GetSize()));
}
