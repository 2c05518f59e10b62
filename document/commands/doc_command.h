// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QUndoCommand>

#include "document/norvale_doc.h"

// The base of every step: the change itself, and where the user was before and after it. Undo
// and redo end a drag of the image view first, then change the document and put the current
// image and line back, loading the picture when the current file changes.
//
// A step keeps only what its edit changes; whatever it takes out of the document (a record, a
// line) it moves into itself, and moves back.
class CDocCommand : public QUndoCommand {
public:
    // `before` is where the user was before the edit: the document's cursor now, unless the edit
    // has been made already and the step only records it.
    CDocCommand(CNorvaleDoc& doc, const QString& text);
    CDocCommand(CNorvaleDoc& doc, const QString& text, const DocCursor& before);

    void redo() final;
    void undo() final;

protected:
    // Makes the change. The first time (on the push) it is the edit itself, and may set where
    // the cursor goes (m_after, by default where it is when the step is made).
    virtual void Apply(bool first) = 0;
    virtual void Revert() = 0;

    CNorvaleDoc& Doc() const { return m_doc; }
    CDataProfile& Profile() const { return m_doc.m_profile; }

    DocCursor m_before;
    DocCursor m_after;
    // The edit loads the new current picture even when it is the same file, as the command did
    // before it could be undone (and so says again why a file cannot be read).
    bool m_bReloadOnPush = false;

private:
    CNorvaleDoc& m_doc;
    bool m_bDone = false;
};
