#pragma once

#include <memory>
#include <string>
#include <vector>

#include "model/data_axis.h"
#include "model/scan_array.h"

// The image records: record i is the i-th file of the list, its lines with this image's cursors
// (m_arSeries[i]) and its calibration (m_arAxis[i]). Both arrays always have the same size.
class CDataProfile {
public:
    std::vector<std::unique_ptr<CScanSeries>> m_arSeries;
    std::vector<std::unique_ptr<CDataAxis>> m_arAxis;

    int GetSize() const { return static_cast<int>(m_arSeries.size()); }

    void AddImage(const std::string& title, const std::string& path);
    void RemoveAll();
    void RemoveImage(int i);
    void RemoveLine(int n);
    // Returns false, changing nothing, when line n does not exist.
    bool ReshapeLine(int n, int x1, int y1, int x2, int y2);

    CScanSeries* GetSeries(int i) const;
    CScanArray* GetArray(int i, int a) const;
    CScan* GetLine(int i, int a, int n) const;
    CDataAxis* GetAxis(int i) const;
    CPoint GetCurPoint(int i, int a, int n) const;

    // Orders the records by title (code page 932 order), stable for equal titles. Every record
    // keeps its cursors, detection flags and calibration.
    void SortByTitle();
    // Exchanges record i with its neighbour above (dir -1) or below (dir +1).
    bool MoveImage(int i, int dir);

    double GetValueX(int i, int a, int n) const;
    double GetValueY(int i, int a, int n) const;
    // False for a record that does not exist.
    bool IsAxisValid(int i) const;
};
