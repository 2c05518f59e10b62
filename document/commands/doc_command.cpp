// SPDX-License-Identifier: GPL-3.0-or-later
#include "document/commands/doc_command.h"

CDocCommand::CDocCommand(CNorvaleDoc& doc, const QString& text)
    : CDocCommand(doc, text, doc.GetCursor()) {}

CDocCommand::CDocCommand(CNorvaleDoc& doc, const QString& text, const DocCursor& before)
    : QUndoCommand(text), m_before(before), m_after(doc.GetCursor()), m_doc(doc) {}

void CDocCommand::redo() {
    const bool first = !m_bDone;
    // On the push the edit comes from the view itself (a drop, a pick), which ends or keeps its
    // own drag.
    if (!first) m_doc.CancelViewDrag();
    Apply(first);
    // On the push the picture is loaded only where the command always loaded it; otherwise the
    // edit leaves it alone, as it did before it could be undone.
    if (!first || m_bReloadOnPush) {
        m_doc.SetCursor(m_after, first);
    } else {
        m_doc.PlaceCursor(m_after);
    }
    m_bDone = true;
}

void CDocCommand::undo() {
    m_doc.CancelViewDrag();
    Revert();
    m_doc.SetCursor(m_before);
}
