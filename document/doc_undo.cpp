// SPDX-License-Identifier: GPL-3.0-or-later
// The document's undo stack: pushing steps, undo and redo with their menu items, and the cursor
// that every step puts back.
#include <QCoreApplication>

#include "document/commands/doc_command.h"
#include "document/commands/setting_commands.h"
#include "document/norvale_doc.h"

bool CNorvaleDoc::Push(std::unique_ptr<CDocCommand> command) {
    // Nothing may change the records while a long operation works on them; the callers refuse
    // first, this is the last word.
    if (IsBusy() || command == nullptr) return false;
    m_undo.push(command.release());
    return true;
}

bool CNorvaleDoc::Undo() {
    if (IsBusy() || !m_undo.canUndo()) return false;
    m_undo.undo();
    RefreshAfterStep();
    return true;
}

bool CNorvaleDoc::Redo() {
    if (IsBusy() || !m_undo.canRedo()) return false;
    m_undo.redo();
    RefreshAfterStep();
    return true;
}

void CNorvaleDoc::ClearUndoHistory() {
    if (IsBusy()) return;
    m_undo.clear();
}

void CNorvaleDoc::RefreshAfterStep() {
    UpdateAllViews();
    InvalidateImageView();
    RepaintDataView();
}

void CNorvaleDoc::CancelViewDrag() {
    if (IImageView* view = GetImageView()) view->CancelDrag();
}

void CNorvaleDoc::OnEditUndo() {
    Undo();
}

void CNorvaleDoc::OnEditRedo() {
    Redo();
}

void CNorvaleDoc::OnUpdateEditUndo(CCmdUI& cmdUI) const {
    const bool can = m_undo.canUndo() && !IsBusy();
    cmdUI.Enable(can);
    const QString item = QCoreApplication::translate("Document", "元に戻す(&U)");
    cmdUI.SetText(m_undo.canUndo() ? item + QLatin1Char(' ') + m_undo.undoText() : item);
}

void CNorvaleDoc::OnUpdateEditRedo(CCmdUI& cmdUI) const {
    const bool can = m_undo.canRedo() && !IsBusy();
    cmdUI.Enable(can);
    const QString item = QCoreApplication::translate("Document", "やり直し(&R)");
    cmdUI.SetText(m_undo.canRedo() ? item + QLatin1Char(' ') + m_undo.redoText() : item);
}

// --- Cursor --------------------------------------------------------------------------------------

DocCursor CNorvaleDoc::GetCursor() const {
    return {m_nCurImage, m_nCurLine, m_nCurArray, m_buffer.m_nLastSample};
}

void CNorvaleDoc::PlaceCursor(const DocCursor& cursor) {
    m_nCurImage = cursor.image;
    m_nCurLine = cursor.line;
    m_nCurArray = cursor.array;
    m_buffer.m_nLastSample = cursor.lastSample;
    // The list may have changed under the cursor: other records are now its neighbours.
    RetargetPrefetch();
}

void CNorvaleDoc::SetCursor(const DocCursor& cursor, bool bReload) {
    m_nCurLine = cursor.line;
    m_nCurArray = cursor.array;
    m_buffer.m_nLastSample = cursor.lastSample;
    const CScanSeries* series = m_profile.GetSeries(cursor.image);
    if (series == nullptr) {
        if (m_picturePath || !m_picture->IsNull()) DeleteContents();
        m_nCurImage = -1;
        RetargetPrefetch();  // nothing is current: nothing is wanted ahead
        return;
    }
    // The same entry of a file shows the same picture: only another one is read (and may fail
    // to be).
    if (bReload || m_picturePath != series->m_strPath || m_pictureFrame != series->m_nFrame) {
        OpenImage(cursor.image);
        return;
    }
    m_nCurImage = cursor.image;
    // The picture is the file's, whichever record now names it.
    m_pictureRecord = series;
    RetargetPrefetch();
}

// --- Options -------------------------------------------------------------------------------------

bool CNorvaleDoc::EditEdgeOptions() {
    if (IsBusy()) return false;
    const PanelOptions before = Options();
    PanelOptions after = before;
    if (!m_ui.RunEdgeOptionsDialog(after.edge) || after == before) return false;
    return ChangeOptions(before, after);
}

bool CNorvaleDoc::ChangeOptions(const PanelOptions& before, const PanelOptions& after) {
    if (IsBusy()) return false;
    if (before == after) return true;
    Push(std::make_unique<COptionsCommand>(*this, before, after));
    // Another channel shows another curve, and the view's read-out follows; so do another
    // width (sampled afresh by the step) and another smoothing.
    if ((before.channel != after.channel || !(before.edge == after.edge)) && !m_picture->IsNull()) {
        InvalidateImageView();
        UpdateAllViews();
        RepaintDataView();
    }
    OfferRedetection(before, after);
    return true;
}
