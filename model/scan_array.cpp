// SPDX-License-Identifier: GPL-3.0-or-later
#include "model/scan_array.h"

namespace {
template <typename T>
bool IsValidIndex(const std::vector<T>& v, int i) {
    return i >= 0 && static_cast<std::size_t>(i) < v.size();
}
}  // namespace

void CScanArray::AddLine(int x1, int y1, int x2, int y2, int maxSteps) {
    auto line = std::make_unique<CScan>();
    line->m_nMaxSteps = maxSteps;
    line->SetLine(x1, y1, x2, y2);
    m_arLine.push_back(std::move(line));
}

bool CScanArray::ReshapeLine(int i, int x1, int y1, int x2, int y2) {
    CScan* line = GetAt(i);
    if (line == nullptr) return false;
    line->ReshapeLine(x1, y1, x2, y2);
    return true;
}

void CScanArray::RemoveLine(int i) {
    if (IsValidIndex(m_arLine, i)) m_arLine.erase(m_arLine.begin() + i);
}

std::unique_ptr<CScan> CScanArray::TakeLine(int i) {
    if (!IsValidIndex(m_arLine, i)) return nullptr;
    std::unique_ptr<CScan> line = std::move(m_arLine[static_cast<std::size_t>(i)]);
    m_arLine.erase(m_arLine.begin() + i);
    return line;
}

bool CScanArray::InsertLine(int i, std::unique_ptr<CScan> line) {
    if (line == nullptr || i < 0 || i > GetSize()) return false;
    m_arLine.insert(m_arLine.begin() + i, std::move(line));
    return true;
}

CScan* CScanArray::GetAt(int i) const {
    return IsValidIndex(m_arLine, i) ? m_arLine[static_cast<std::size_t>(i)].get() : nullptr;
}

CPoint CScanArray::GetCurPoint(int i) const {
    const CScan* line = GetAt(i);
    return line != nullptr ? line->m_ptCur : CPoint{};
}

CScanSeries::CScanSeries() {
    m_arArray.push_back(std::make_unique<CScanArray>());
}

void CScanSeries::AddLine(int a, int x1, int y1, int x2, int y2, int maxSteps) {
    if (CScanArray* set = GetAt(a)) set->AddLine(x1, y1, x2, y2, maxSteps);
}

CScan* CScanSeries::GetLine(int a, int i) const {
    const CScanArray* set = GetAt(a);
    return set != nullptr ? set->GetAt(i) : nullptr;
}

bool CScanSeries::ReshapeLine(int i, int x1, int y1, int x2, int y2) {
    CScanArray* set = GetAt(0);
    return set != nullptr && set->ReshapeLine(i, x1, y1, x2, y2);
}

CPoint CScanSeries::GetCurPoint(int a, int i) const {
    const CScanArray* set = GetAt(a);
    return set != nullptr ? set->GetCurPoint(i) : CPoint{};
}

CScanArray* CScanSeries::GetAt(int a) const {
    return IsValidIndex(m_arArray, a) ? m_arArray[static_cast<std::size_t>(a)].get() : nullptr;
}
