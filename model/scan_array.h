// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "model/entry_time.h"
#include "model/scan.h"

// The scan lines of one image, in creation order; the index is the line number.
class CScanArray {
public:
    std::vector<std::unique_ptr<CScan>> m_arLine;

    void AddLine(int x1, int y1, int x2, int y2, int maxSteps = kMaxScanSteps);
    // Returns false, changing nothing, when line i does not exist.
    bool ReshapeLine(int i, int x1, int y1, int x2, int y2);
    void RemoveLine(int i);
    // Line i taken out whole (cursor and flag included), or null when it does not exist.
    std::unique_ptr<CScan> TakeLine(int i);
    // Puts a line taken out back at place i (0 to the size); false, changing nothing, otherwise.
    bool InsertLine(int i, std::unique_ptr<CScan> line);
    CScan* GetAt(int i) const;
    CPoint GetCurPoint(int i) const;
    int GetSize() const { return static_cast<int>(m_arLine.size()); }
};

// One image's half of a record: its title, its path and its line sets (always exactly one).
class CScanSeries {
public:
    CScanSeries();

    std::vector<std::unique_ptr<CScanArray>> m_arArray;
    std::string m_strTitle;  // UTF-8
    std::string m_strPath;   // UTF-8
    // The page of a stack or the frame of a video this record measures, from 0; -1 when the
    // file is one picture (CPicture::Load(path, frame)).
    std::int64_t m_nFrame = -1;
    // When the entry was taken, and where that time comes from (None: not known).
    EntryTime m_time;

    void AddLine(int a, int x1, int y1, int x2, int y2, int maxSteps = kMaxScanSteps);
    CScan* GetLine(int a, int i) const;
    bool ReshapeLine(int i, int x1, int y1, int x2, int y2);
    CPoint GetCurPoint(int a, int i) const;
    CScanArray* GetAt(int a) const;
};
