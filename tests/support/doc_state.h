// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QSize>
#include <bit>
#include <cstdint>
#include <sstream>
#include <string>
#include <vector>

#include "document/norvale_doc.h"

// Everything an undo must put back, taken from a document: every record with its lines and
// calibration, the current image and line, the switches, the options and which picture is
// loaded.
struct LineState {
    CPoint start, end, cur;
    int pos = 0;
    int count = 0;
    bool detect = false;
    double subPos = -1.0;
    int rule = 0;
    const void* measure = nullptr;  // the very measure: an undo puts back the one it took
};

struct RecordState {
    std::string title, path;
    std::vector<LineState> lines;
    CDataAxis axis;
};

struct DocState {
    std::vector<RecordState> records;
    DocCursor cursor;
    bool measureLength = false;
    bool measureArea = false;
    PanelOptions options;
    QSize picture;        // of the loaded picture; empty without one
    std::string failure;  // the file that failed to load, if any
};

inline DocState Snapshot(const CNorvaleDoc& doc) {
    DocState state;
    for (int i = 0; i < doc.m_profile.GetSize(); ++i) {
        RecordState record;
        record.title = doc.m_profile.GetSeries(i)->m_strTitle;
        record.path = doc.m_profile.GetSeries(i)->m_strPath;
        for (const auto& set : doc.m_profile.GetSeries(i)->m_arArray) {
            for (const auto& line : set->m_arLine) {
                record.lines.push_back({line->m_ptStart, line->m_ptEnd, line->m_ptCur, line->m_nPos,
                                        line->m_nCount, line->m_bDetect, line->m_dSubPos,
                                        line->m_nRule, line->m_measure.get()});
            }
        }
        record.axis = *doc.m_profile.GetAxis(i);
        state.records.push_back(std::move(record));
    }
    state.cursor = doc.GetCursor();
    state.measureLength = doc.m_bMeasureLength;
    state.measureArea = doc.m_bMeasureArea;
    state.options = doc.Options();
    if (const CPicture* picture = doc.GetPictureBitmap()) {
        state.picture = QSize(picture->Width(), picture->Height());
    }
    if (const CNorvaleDoc::OpenFailure* failure = doc.GetOpenFailure())
        state.failure = failure->path;
    return state;
}

// What differs between two states, or an empty string. Numbers compare bit for bit (0.0 is not
// -0.0). With `painted`, the states come from a window that paints: a line pending on one side
// may have been detected on the other, and where the user looks is not compared.
inline std::string Difference(const DocState& a, const DocState& b, bool painted = false) {
    std::ostringstream out;
    const auto same = [](double x, double y) {
        return std::bit_cast<std::uint64_t>(x) == std::bit_cast<std::uint64_t>(y);
    };
    const auto samePoint = [&](const CData& p, const CData& q) {
        return same(p.m_xValue, q.m_xValue) && same(p.m_yValue, q.m_yValue) &&
               p.m_xPixel == q.m_xPixel && p.m_yPixel == q.m_yPixel;
    };
    if (a.records.size() != b.records.size()) {
        out << a.records.size() << " records against " << b.records.size();
        return out.str();
    }
    for (std::size_t i = 0; i < a.records.size(); ++i) {
        const RecordState& p = a.records[i];
        const RecordState& q = b.records[i];
        if (p.title != q.title || p.path != q.path) {
            out << "record " << i << ": " << p.title << " against " << q.title;
            return out.str();
        }
        if (!samePoint(p.axis.m_origin, q.axis.m_origin) ||
            !samePoint(p.axis.m_xAxis, q.axis.m_xAxis) ||
            !samePoint(p.axis.m_yAxis, q.axis.m_yAxis) || p.axis.m_bLogX != q.axis.m_bLogX ||
            p.axis.m_bLogY != q.axis.m_bLogY) {
            out << "record " << i << ": calibrations differ";
            return out.str();
        }
        if (p.lines.size() != q.lines.size()) {
            out << "record " << i << ": " << p.lines.size() << " lines against " << q.lines.size();
            return out.str();
        }
        for (std::size_t n = 0; n < p.lines.size(); ++n) {
            const LineState& l = p.lines[n];
            const LineState& m = q.lines[n];
            if (!(l.start == m.start) || !(l.end == m.end) || l.count != m.count) {
                out << "record " << i << " line " << n << ": end points differ";
                return out.str();
            }
            if (painted && l.detect != m.detect) continue;
            if (l.pos != m.pos || !(l.cur == m.cur) || l.detect != m.detect ||
                l.subPos != m.subPos || l.rule != m.rule || l.measure != m.measure) {
                out << "record " << i << " line " << n << ": cursor " << l.pos << "/" << l.detect
                    << "/" << l.subPos << " against " << m.pos << "/" << m.detect << "/"
                    << m.subPos;
                return out.str();
            }
        }
    }
    if (a.measureLength != b.measureLength || a.measureArea != b.measureArea) {
        return "measurement switches differ";
    }
    if (!(a.options == b.options)) {
        const auto text = [](const PanelOptions& o) {
            std::ostringstream t;
            t << o.channel << "/" << o.edgeMode << "/" << o.autoDetect << "/" << o.axisIndividual;
            return t.str();
        };
        return "options " + text(a.options) + " against " + text(b.options);
    }
    if (painted) return {};
    if (!(a.cursor == b.cursor)) {
        out << "cursor image " << a.cursor.image << " line " << a.cursor.line << " samples "
            << a.cursor.lastSample << " against image " << b.cursor.image << " line "
            << b.cursor.line << " samples " << b.cursor.lastSample;
        return out.str();
    }
    if (a.picture != b.picture || a.failure != b.failure) return "another picture is loaded";
    return {};
}
