// SPDX-License-Identifier: GPL-3.0-or-later
#include "model/data_profile.h"

#include <algorithm>
#include <numeric>

#include "model/title_order.h"

namespace {
template <typename T>
T* At(const std::vector<std::unique_ptr<T>>& v, int i) {
    return i >= 0 && static_cast<std::size_t>(i) < v.size() ? v[static_cast<std::size_t>(i)].get()
                                                            : nullptr;
}
}  // namespace

void CDataProfile::AddImage(const std::string& title, const std::string& path) {
    auto series = std::make_unique<CScanSeries>();
    series->m_strTitle = title;
    series->m_strPath = path;
    // A new image inherits record 0's lines (end points only: cursors at the start, detection
    // pending) and record 0's calibration.
    if (const CScanArray* first = GetArray(0, 0)) {
        for (const auto& line : first->m_arLine) {
            series->AddLine(0, line->m_ptStart.x, line->m_ptStart.y, line->m_ptEnd.x,
                            line->m_ptEnd.y, m_nMaxSteps);
        }
    }
    m_arSeries.push_back(std::move(series));

    auto axis = std::make_unique<CDataAxis>();
    if (const CDataAxis* first = GetAxis(0)) *axis = *first;
    m_arAxis.push_back(std::move(axis));
}

void CDataProfile::RemoveAll() {
    std::vector<std::unique_ptr<CScanSeries>>().swap(m_arSeries);
    std::vector<std::unique_ptr<CDataAxis>>().swap(m_arAxis);
}

void CDataProfile::RemoveImage(int i) {
    if (GetSeries(i) == nullptr || GetAxis(i) == nullptr) return;
    m_arSeries.erase(m_arSeries.begin() + i);
    m_arAxis.erase(m_arAxis.begin() + i);
}

void CDataProfile::RemoveLine(int n) {
    for (auto& series : m_arSeries) series->GetAt(0)->RemoveLine(n);
}

std::uint32_t CDataProfile::DetectionIndex(const DetectionSettings& settings) {
    // Few settings are ever used; the latest is the likeliest.
    for (std::size_t k = m_detections.size(); k-- > 0;) {
        if (m_detections[k] == settings) return static_cast<std::uint32_t>(k);
    }
    m_detections.push_back(settings);
    return static_cast<std::uint32_t>(m_detections.size() - 1);
}

const DetectionSettings* CDataProfile::FoundWith(const CScan& line) const {
    if (line.m_origin != CursorOrigin::Detected || line.m_nFound >= m_detections.size()) {
        return nullptr;
    }
    return &m_detections[line.m_nFound];
}

std::uint16_t CDataProfile::RuleNumber(const CaliperRule& rule) {
    for (std::size_t k = m_rules.size(); k-- > 0;) {
        if (m_rules[k] == rule) return static_cast<std::uint16_t>(k + 1);
    }
    if (m_rules.size() >= kMaxRules) return 0;
    m_rules.push_back(rule);
    return static_cast<std::uint16_t>(m_rules.size());
}

const CaliperRule* CDataProfile::RuleOf(const CScan& line) const {
    if (line.m_nRule == 0 || line.m_nRule > m_rules.size()) return nullptr;
    return &m_rules[line.m_nRule - 1u];
}

void CDataProfile::MarkDetected(CScan& line, const DetectionSettings& settings) {
    line.m_origin = CursorOrigin::Detected;
    line.m_nFound = DetectionIndex(settings.Normalized());
}

void CDataProfile::SetStepLimit(int maxSteps) {
    m_nMaxSteps = maxSteps;
    for (auto& series : m_arSeries) {
        for (auto& set : series->m_arArray) {
            for (auto& line : set->m_arLine) line->SetStepLimit(maxSteps);
        }
    }
}

bool CDataProfile::ReshapeLine(int n, int x1, int y1, int x2, int y2) {
    if (m_arSeries.empty()) return false;
    // Check every record first so that a bad index changes none of them.
    for (const auto& series : m_arSeries) {
        if (series->GetLine(0, n) == nullptr) return false;
    }
    for (auto& series : m_arSeries) series->ReshapeLine(n, x1, y1, x2, y2);
    return true;
}

CImageRecord CDataProfile::TakeImage(int i) {
    if (GetSeries(i) == nullptr || GetAxis(i) == nullptr) return {};
    CImageRecord record{std::move(m_arSeries[static_cast<std::size_t>(i)]),
                        std::move(m_arAxis[static_cast<std::size_t>(i)])};
    m_arSeries.erase(m_arSeries.begin() + i);
    m_arAxis.erase(m_arAxis.begin() + i);
    return record;
}

bool CDataProfile::InsertImage(int i, CImageRecord record) {
    if (record.series == nullptr || record.axis == nullptr || i < 0 || i > GetSize() ||
        m_arAxis.size() != m_arSeries.size()) {
        return false;
    }
    m_arSeries.insert(m_arSeries.begin() + i, std::move(record.series));
    m_arAxis.insert(m_arAxis.begin() + i, std::move(record.axis));
    return true;
}

std::vector<std::unique_ptr<CScan>> CDataProfile::TakeLine(int n) {
    for (const auto& series : m_arSeries) {
        if (series->GetLine(0, n) == nullptr) return {};
    }
    std::vector<std::unique_ptr<CScan>> lines;
    lines.reserve(m_arSeries.size());
    for (auto& series : m_arSeries) lines.push_back(series->GetAt(0)->TakeLine(n));
    return lines;
}

bool CDataProfile::InsertLine(int n, std::vector<std::unique_ptr<CScan>>& lines) {
    if (lines.size() != m_arSeries.size()) return false;
    for (std::size_t k = 0; k < lines.size(); ++k) {
        const CScanArray* set = m_arSeries[k]->GetAt(0);
        if (lines[k] == nullptr || set == nullptr || n < 0 || n > set->GetSize()) return false;
    }
    for (std::size_t k = 0; k < lines.size(); ++k) {
        m_arSeries[k]->GetAt(0)->InsertLine(n, std::move(lines[k]));
    }
    lines.clear();
    return true;
}

CScanSeries* CDataProfile::GetSeries(int i) const {
    return At(m_arSeries, i);
}

CScanArray* CDataProfile::GetArray(int i, int a) const {
    const CScanSeries* series = GetSeries(i);
    return series != nullptr ? series->GetAt(a) : nullptr;
}

CScan* CDataProfile::GetLine(int i, int a, int n) const {
    const CScanArray* set = GetArray(i, a);
    return set != nullptr ? set->GetAt(n) : nullptr;
}

CDataAxis* CDataProfile::GetAxis(int i) const {
    return At(m_arAxis, i);
}

CPoint CDataProfile::GetCurPoint(int i, int a, int n) const {
    const CScan* line = GetLine(i, a, n);
    return line != nullptr ? line->m_ptCur : CPoint{};
}

void CDataProfile::SortByTitle() {
    Permute(TitleOrder());
}

std::vector<int> CDataProfile::TitleOrder() const {
    const std::size_t n = m_arSeries.size();
    std::vector<int> order(n);
    std::iota(order.begin(), order.end(), 0);
    if (n <= 1) return order;
    // A page or frame is ordered by its file's title, then by its number: "[12/400]" after
    // "[9/400]", where the digits alone would put it first.
    std::vector<TitleKey> keys;
    keys.reserve(n);
    for (const auto& series : m_arSeries) {
        keys.push_back(MakeTitleKey(EntryFileTitle(series->m_strTitle, series->m_nFrame)));
    }
    // Stable: records with equal titles keep their order, as adjacent exchanges of strictly
    // greater neighbours would leave them.
    std::stable_sort(order.begin(), order.end(), [this, &keys](int a, int b) {
        const auto ia = static_cast<std::size_t>(a);
        const auto ib = static_cast<std::size_t>(b);
        const int titles = CompareTitleKeys(keys[ia], keys[ib]);
        if (titles != 0) return titles < 0;
        return m_arSeries[ia]->m_nFrame < m_arSeries[ib]->m_nFrame;
    });
    return order;
}

bool CDataProfile::Permute(const std::vector<int>& order) {
    const std::size_t n = m_arSeries.size();
    if (order.size() != n || m_arAxis.size() != n) return false;
    std::vector<bool> seen(n, false);
    for (int k : order) {
        if (k < 0 || static_cast<std::size_t>(k) >= n || seen[static_cast<std::size_t>(k)]) {
            return false;
        }
        seen[static_cast<std::size_t>(k)] = true;
    }
    std::vector<std::unique_ptr<CScanSeries>> series(n);
    std::vector<std::unique_ptr<CDataAxis>> axes(n);
    for (std::size_t k = 0; k < n; ++k) {
        const auto from = static_cast<std::size_t>(order[k]);
        series[k] = std::move(m_arSeries[from]);
        axes[k] = std::move(m_arAxis[from]);
    }
    m_arSeries.swap(series);
    m_arAxis.swap(axes);
    return true;
}

bool CDataProfile::MoveImage(int i, int dir) {
    int lo = 0;
    int hi = 0;
    if (dir == -1) {
        lo = i - 1;
        hi = i;
    } else if (dir == 1) {
        lo = i;
        hi = i + 1;
    } else {
        return false;
    }
    if (lo < 0 || hi > GetSize() - 1) return false;
    // Each record keeps its cursors and detection flags: only the places change.
    std::swap(m_arSeries[static_cast<std::size_t>(lo)], m_arSeries[static_cast<std::size_t>(hi)]);
    std::swap(m_arAxis[static_cast<std::size_t>(lo)], m_arAxis[static_cast<std::size_t>(hi)]);
    return true;
}

double CDataProfile::GetValueX(int i, int a, int n) const {
    if (!IsAxisValid(i)) return 0.0;
    return AxisFrame(*GetAxis(i)).Convert(GetCurPoint(i, a, n)).x;
}

double CDataProfile::GetValueY(int i, int a, int n) const {
    if (!IsAxisValid(i)) return 0.0;
    return AxisFrame(*GetAxis(i)).Convert(GetCurPoint(i, a, n)).y;
}

bool CDataProfile::IsAxisValid(int i) const {
    const CDataAxis* axis = GetAxis(i);
    return axis != nullptr && axis->IsValid();
}
