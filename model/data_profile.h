// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "model/data_axis.h"
#include "model/edge_options.h"
#include "model/scan_array.h"
#include "model/time_rule.h"

// One record taken out of the list whole, to be put back later as it was.
struct CImageRecord {
    std::unique_ptr<CScanSeries> series;
    std::unique_ptr<CDataAxis> axis;
};

// The image records: record i is the i-th file of the list, its lines with this image's cursors
// (m_arSeries[i]) and its calibration (m_arAxis[i]). Both arrays always have the same size.
class CDataProfile {
public:
    std::vector<std::unique_ptr<CScanSeries>> m_arSeries;
    std::vector<std::unique_ptr<CDataAxis>> m_arAxis;
    // How far every line is walked: kMaxScanSteps, or kMaxWholeScanSteps for whole lines. New
    // lines and the lines of new images take it too.
    int m_nMaxSteps = kMaxScanSteps;
    // The settings detected cursors were found with; a cursor names one by its index. The list
    // only grows, so that records taken out (for an undo) keep their meaning.
    std::vector<DetectionSettings> m_detections;

    // The index of these settings in m_detections, added when new.
    std::uint32_t DetectionIndex(const DetectionSettings& settings);
    // What a cursor was found with; null unless it was detected.
    const DetectionSettings* FoundWith(const CScan& line) const;
    // Marks the cursor found with these settings.
    void MarkDetected(CScan& line, const DetectionSettings& settings);

    // The caliper rules that lines use in place of the side panel's; a line names one by its
    // index + 1 (CScan::m_nRule). Like m_detections, the list only grows.
    std::vector<CaliperRule> m_rules;
    static constexpr std::size_t kMaxRules = 65535;
    // The number a line takes for this rule (1 up), the rule added when new; 0 when the list is
    // full.
    std::uint16_t RuleNumber(const CaliperRule& rule);
    // A line's own caliper rule; null for the side panel's.
    const CaliperRule* RuleOf(const CScan& line) const;

    // How the entries get their times (EntryTimesOf in series/ applies it).
    TimeRule m_timeRule;

    int GetSize() const { return static_cast<int>(m_arSeries.size()); }

    void AddImage(const std::string& title, const std::string& path);
    void RemoveAll();
    void RemoveImage(int i);
    void RemoveLine(int n);
    // Walks every line of every record under another limit (CScan::SetStepLimit).
    void SetStepLimit(int maxSteps);
    // Returns false, changing nothing, when line n does not exist.
    bool ReshapeLine(int n, int x1, int y1, int x2, int y2);

    // Record i taken out whole; empty when it does not exist.
    CImageRecord TakeImage(int i);
    // Puts a whole record at place i (0 to the size); false, changing nothing, otherwise.
    bool InsertImage(int i, CImageRecord record);
    // Line n of every record taken out whole, in record order; empty, changing nothing, unless
    // every record has it.
    std::vector<std::unique_ptr<CScan>> TakeLine(int n);
    // Puts one line per record back at place n of each; false, changing nothing, unless there
    // is one for every record and place n exists in each.
    bool InsertLine(int n, std::vector<std::unique_ptr<CScan>>& lines);

    CScanSeries* GetSeries(int i) const;
    CScanArray* GetArray(int i, int a) const;
    CScan* GetLine(int i, int a, int n) const;
    CDataAxis* GetAxis(int i) const;
    CPoint GetCurPoint(int i, int a, int n) const;

    // Orders the records by title (code page 932 order), stable for equal titles. Every record
    // keeps its cursors, detection flags and calibration.
    void SortByTitle();
    // The order SortByTitle makes: place k takes the record now at order[k].
    std::vector<int> TitleOrder() const;
    // Rearranges the records so that place k takes the record now at order[k]; false, changing
    // nothing, unless order is a permutation of 0 to size - 1.
    bool Permute(const std::vector<int>& order);
    // Exchanges record i with its neighbour above (dir -1) or below (dir +1).
    bool MoveImage(int i, int dir);

    double GetValueX(int i, int a, int n) const;
    double GetValueY(int i, int a, int n) const;
    // False for a record that does not exist.
    bool IsAxisValid(int i) const;
};
