// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>

#include "model/data_profile.h"

// The records' invariants: both arrays the same size, one line set per record, every record
// holding the same lines with the same end points, every cursor on its line. Returns what is
// broken, or an empty string.
inline std::string ProfileInvariantBroken(const CDataProfile& profile) {
    if (profile.m_arSeries.size() != profile.m_arAxis.size()) return "arrays differ in size";
    const CScanArray* first = profile.GetArray(0, 0);
    for (int i = 0; i < profile.GetSize(); ++i) {
        const CScanSeries* series = profile.GetSeries(i);
        if (series == nullptr || profile.GetAxis(i) == nullptr) return "a record is missing";
        if (series->m_arArray.size() != 1) return "a record has other than one line set";
        const CScanArray* lines = series->GetAt(0);
        if (lines->GetSize() != first->GetSize()) return "records hold different line counts";
        for (int n = 0; n < lines->GetSize(); ++n) {
            const CScan& line = *lines->GetAt(n);
            if (!(line.m_ptStart == first->GetAt(n)->m_ptStart) ||
                !(line.m_ptEnd == first->GetAt(n)->m_ptEnd)) {
                return "a line's end points differ between records";
            }
            if (line.m_nCount < 0 || line.m_nCount > kMaxScanSteps) return "a step count is off";
            if (line.m_nPos < 0 || line.m_nPos > line.m_nCount) return "a cursor left its line";
            if (!(line.m_ptCur == line.PositionAt(line.m_nPos))) return "a cursor point is stale";
        }
    }
    return {};
}
