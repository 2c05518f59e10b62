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
                            line->m_ptEnd.y);
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

bool CDataProfile::ReshapeLine(int n, int x1, int y1, int x2, int y2) {
    if (m_arSeries.empty()) return false;
    // Check every record first so that a bad index changes none of them.
    for (const auto& series : m_arSeries) {
        if (series->GetLine(0, n) == nullptr) return false;
    }
    for (auto& series : m_arSeries) series->ReshapeLine(n, x1, y1, x2, y2);
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
    const std::size_t n = m_arSeries.size();
    if (n <= 1) return;
    std::vector<TitleKey> keys;
    keys.reserve(n);
    for (const auto& series : m_arSeries) keys.push_back(MakeTitleKey(series->m_strTitle));
    std::vector<std::size_t> order(n);
    std::iota(order.begin(), order.end(), std::size_t{0});
    // Stable: records with equal titles keep their order, as adjacent exchanges of strictly
    // greater neighbours would leave them.
    std::stable_sort(order.begin(), order.end(), [&keys](std::size_t a, std::size_t b) {
        return CompareTitleKeys(keys[a], keys[b]) < 0;
    });
    std::vector<std::unique_ptr<CScanSeries>> series(n);
    std::vector<std::unique_ptr<CDataAxis>> axes(n);
    for (std::size_t k = 0; k < n; ++k) {
        series[k] = std::move(m_arSeries[order[k]]);
        axes[k] = std::move(m_arAxis[order[k]]);
    }
    m_arSeries.swap(series);
    m_arAxis.swap(axes);
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
