// SPDX-License-Identifier: GPL-3.0-or-later
#include "document/commands/cursor_commands.h"

#include <QCoreApplication>

CLineCursorCommand::CLineCursorCommand(CNorvaleDoc& doc, const QString& text,
                                       const DocCursor& before, int image, int line, LineCursor old,
                                       LineCursor now)
    : CDocCommand(doc, text, before), m_nImage(image), m_nLine(line), m_old(old), m_now(now) {}

void PutLineCursor(CScan* line, const LineCursor& cursor) {
    if (line == nullptr) return;
    // A re-detection undone and redone brings its sub-pixel edge back with the cursor.
    line->SetEdge(cursor.pos, cursor.subPos);
    line->m_bDetect = cursor.detect;
    line->m_origin = cursor.origin;
    line->m_nFound = cursor.found;
    line->m_measure = cursor.measure;
}

void CLineCursorCommand::Put(const LineCursor& cursor) {
    PutLineCursor(Profile().GetLine(m_nImage, 0, m_nLine), cursor);
}

void CLineCursorCommand::Apply(bool /*first*/) {
    Put(m_now);
}

void CLineCursorCommand::Revert() {
    Put(m_old);
}

CNudgeCommand::CNudgeCommand(CNorvaleDoc& doc, const DocCursor& before, int image, int line,
                             LineCursor old, LineCursor now)
    : CLineCursorCommand(doc, QCoreApplication::translate("Document", "エッジ点の移動"), before,
                         image, line, old, now) {}

bool CNudgeCommand::mergeWith(const QUndoCommand* other) {
    const auto* next = dynamic_cast<const CNudgeCommand*>(other);
    if (next == nullptr || next->m_nImage != m_nImage || next->m_nLine != m_nLine) return false;
    m_now = next->m_now;
    m_after = next->m_after;
    // Stepped back to where it began: the cursor is what it was (with the sub-pixel edge and
    // the detection it came from), and the stack drops the step.
    if (m_now.pos == m_old.pos && m_now.detect == m_old.detect) {
        Put(m_old);
        setObsolete(true);
    }
    return true;
}

CRedetectCommand::CRedetectCommand(CNorvaleDoc& doc, const DocCursor& before, int image, int line,
                                   LineCursor old, LineCursor now)
    : CLineCursorCommand(doc, QCoreApplication::translate("Document", "再検出"), before, image,
                         line, old, now) {}

CCursorsCommand::CCursorsCommand(CNorvaleDoc& doc, const QString& text, const DocCursor& before,
                                 std::vector<Change> changes)
    : CDocCommand(doc, text, before), m_changes(std::move(changes)) {}

void CCursorsCommand::Put(bool now) {
    for (const Change& change : m_changes) {
        PutLineCursor(Profile().GetLine(change.image, 0, change.line), now ? change.now : change.old);
    }
}

void CCursorsCommand::Apply(bool first) {
    if (!first) Put(true);
}

void CCursorsCommand::Revert() {
    Put(false);
}
