// SPDX-License-Identifier: GPL-3.0-or-later
#include "document/commands/line_commands.h"

#include <QCoreApplication>

namespace {

int LineCount(const CDataProfile& profile) {
    const CScanArray* lines = profile.GetArray(0, 0);
    return lines != nullptr ? lines->GetSize() : 0;
}

}  // namespace

// --- Add -----------------------------------------------------------------------------------------

CAddLineCommand::CAddLineCommand(CNorvaleDoc& doc, CPoint start, CPoint end, bool detect,
                                 bool makeCurrent, std::uint16_t rule)
    : CDocCommand(doc, QCoreApplication::translate("Document", "走査線の追加")),
      m_nIndex(LineCount(doc.m_profile)),
      m_ptStart(start),
      m_ptEnd(end),
      m_bDetect(detect),
      m_bMakeCurrent(makeCurrent),
      m_nRule(rule) {}

void CAddLineCommand::Apply(bool first) {
    if (first) {
        // Every record holds the same lines, so the new one is the last everywhere. (Counting
        // from the current image would name line 0 while no image is current.)
        for (auto& series : Profile().m_arSeries) {
            series->AddLine(0, m_ptStart.x, m_ptStart.y, m_ptEnd.x, m_ptEnd.y,
                            Profile().m_nMaxSteps);
            CScanArray* lines = series->GetAt(0);
            CScan* line = lines->GetAt(lines->GetSize() - 1);
            line->m_bDetect = m_bDetect;
            line->m_nRule = m_nRule;
        }
        if (m_bMakeCurrent) m_after.line = Doc().GetLastLineIndex();
        return;
    }
    Profile().InsertLine(m_nIndex, m_lines);
}

void CAddLineCommand::Revert() {
    m_lines = Profile().TakeLine(m_nIndex);
}

// --- Reshape -------------------------------------------------------------------------------------

CReshapeLineCommand::CReshapeLineCommand(CNorvaleDoc& doc, int n, CPoint start, CPoint end)
    : CDocCommand(doc, QCoreApplication::translate("Document", "走査線の変形")),
      m_nLine(n),
      m_ptNewStart(start),
      m_ptNewEnd(end) {
    const CScan* first = doc.m_profile.GetLine(0, 0, n);
    if (first == nullptr) return;
    m_ptOldStart = first->m_ptStart;
    m_ptOldEnd = first->m_ptEnd;
    const int newCount =
        SetupWalk(start.x, start.y, end.x, end.y, doc.m_profile.m_nMaxSteps).count;
    for (int i = 0; i < doc.m_profile.GetSize(); ++i) {
        const CScan* line = doc.m_profile.GetLine(i, 0, n);
        if (line == nullptr || (!line->m_bDetect && line->m_nPos <= newCount)) continue;
        // Neighbouring records alike share one entry: a new line is pending at its start on
        // every image.
        if (!m_saved.empty()) {
            SavedCursors& last = m_saved.back();
            if (last.first + last.count == i && last.pos == line->m_nPos &&
                last.detect == line->m_bDetect) {
                ++last.count;
                continue;
            }
        }
        m_saved.push_back({i, 1, line->m_nPos, line->m_bDetect});
    }
}

void CReshapeLineCommand::Reshape(const CPoint& start, const CPoint& end) {
    Profile().ReshapeLine(m_nLine, start.x, start.y, end.x, end.y);
}

void CReshapeLineCommand::Apply(bool first) {
    Reshape(m_ptNewStart, m_ptNewEnd);
    if (first) return;
    // What was detected on the old shape since the undo does not hold on the new one.
    for (const SavedCursors& saved : m_saved) {
        if (!saved.detect) continue;
        for (int i = saved.first; i < saved.first + saved.count; ++i) {
            if (CScan* line = Profile().GetLine(i, 0, m_nLine)) {
                line->SetPos(saved.pos);
                line->m_bDetect = true;
            }
        }
    }
}

void CReshapeLineCommand::Revert() {
    Reshape(m_ptOldStart, m_ptOldEnd);
    for (const SavedCursors& saved : m_saved) {
        for (int i = saved.first; i < saved.first + saved.count; ++i) {
            if (CScan* line = Profile().GetLine(i, 0, m_nLine)) {
                line->SetPos(saved.pos);
                line->m_bDetect = saved.detect;
            }
        }
    }
}

// --- Delete --------------------------------------------------------------------------------------

CDeleteLineCommand::CDeleteLineCommand(CNorvaleDoc& doc, int n)
    : CDocCommand(doc, QCoreApplication::translate("Document", "走査線の削除")), m_nLine(n) {}

void CDeleteLineCommand::Apply(bool first) {
    m_lines = Profile().TakeLine(m_nLine);
    if (!first) return;
    // The line after it becomes current; after the last line the one before it.
    const CScanArray* lines = Profile().GetArray(m_after.image, m_after.array);
    const int last = lines != nullptr ? lines->GetSize() - 1 : -1;
    if (m_after.line > last) m_after.line = last;
    const CScan* line = lines != nullptr ? lines->GetAt(m_after.line) : nullptr;
    m_after.lastSample = line != nullptr ? line->m_nCount : -1;
}

void CDeleteLineCommand::Revert() {
    Profile().InsertLine(m_nLine, m_lines);
}
