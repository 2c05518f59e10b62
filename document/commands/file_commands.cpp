// SPDX-License-Identifier: GPL-3.0-or-later
#include "document/commands/file_commands.h"

#include <QCoreApplication>

// --- Add -----------------------------------------------------------------------------------------

CAddFilesCommand::CAddFilesCommand(CNorvaleDoc& doc, std::vector<File> files)
    : CDocCommand(doc, QCoreApplication::translate("Document", "ファイルの追加")),
      m_nFirst(doc.m_profile.GetSize()),
      m_files(std::move(files)) {}

void CAddFilesCommand::Apply(bool first) {
    if (first) {
        // New records copy record 0's lines and calibration, so they are made only once; a redo
        // brings back the very records, with whatever was detected on them meanwhile.
        for (const File& file : m_files) {
            for (const ListEntry& entry : file.entries) {
                Doc().AddImageFile(entry.title, file.path);
                CScanSeries& added = *Profile().m_arSeries.back();
                added.m_nFrame = entry.frame;
                added.m_time = entry.time;
            }
        }
        m_files = {};
        m_after.image = m_nFirst;
        m_bReloadOnPush = true;
        return;
    }
    for (std::size_t k = 0; k < m_records.size(); ++k) {
        Profile().InsertImage(m_nFirst + static_cast<int>(k), std::move(m_records[k]));
    }
    m_records.clear();
}

void CAddFilesCommand::Revert() {
    const int count = Profile().GetSize() - m_nFirst;
    if (count <= 0) return;
    m_records.resize(static_cast<std::size_t>(count));
    // From the end, so that nothing behind the taken record has to move.
    for (int k = count - 1; k >= 0; --k) {
        m_records[static_cast<std::size_t>(k)] = Profile().TakeImage(m_nFirst + k);
    }
}

// --- Delete --------------------------------------------------------------------------------------

CDeleteFileCommand::CDeleteFileCommand(CNorvaleDoc& doc, int index)
    : CDocCommand(doc, QCoreApplication::translate("Document", "ファイルの削除")),
      m_nIndex(index) {}

void CDeleteFileCommand::Apply(bool first) {
    const int count = Profile().GetSize();
    m_record = Profile().TakeImage(m_nIndex);
    if (!first) return;
    m_bReloadOnPush = true;
    // The next file becomes current; after the last file the one before it, and after the only
    // one nothing.
    if (count == 1) {
        m_after = DocCursor{};
    } else if (m_nIndex == count - 1) {
        m_after.image = m_nIndex - 1;
        const CScan* line = Profile().GetLine(m_after.image, m_after.array, m_after.line);
        m_after.lastSample = line != nullptr ? line->m_nCount : -1;
    }
}

void CDeleteFileCommand::Revert() {
    Profile().InsertImage(m_nIndex, std::move(m_record));
    m_record = {};
}

// --- Delete all ----------------------------------------------------------------------------------

CDeleteAllCommand::CDeleteAllCommand(CNorvaleDoc& doc)
    : CDocCommand(doc, QCoreApplication::translate("Document", "すべて削除")) {}

void CDeleteAllCommand::Apply(bool first) {
    m_series.swap(Profile().m_arSeries);
    m_axes.swap(Profile().m_arAxis);
    if (!first) return;
    Doc().DeleteContents();
    m_after = DocCursor{};
}

void CDeleteAllCommand::Revert() {
    Profile().m_arSeries.swap(m_series);
    Profile().m_arAxis.swap(m_axes);
}

// --- Sort ----------------------------------------------------------------------------------------

CSortFilesCommand::CSortFilesCommand(CNorvaleDoc& doc, std::vector<int> order)
    : CDocCommand(doc, QCoreApplication::translate("Document", "ファイルの並べ替え")),
      m_order(std::move(order)) {}

void CSortFilesCommand::Apply(bool first) {
    if (!Profile().Permute(m_order) || !first || m_before.image < 0) return;
    for (std::size_t k = 0; k < m_order.size(); ++k) {
        if (m_order[k] == m_before.image) m_after.image = static_cast<int>(k);
    }
}

void CSortFilesCommand::Revert() {
    std::vector<int> inverse(m_order.size());
    for (std::size_t k = 0; k < m_order.size(); ++k) {
        const auto from = static_cast<std::size_t>(m_order[k]);
        if (from < inverse.size()) inverse[from] = static_cast<int>(k);
    }
    Profile().Permute(inverse);
}

// --- Move ----------------------------------------------------------------------------------------

CMoveFileCommand::CMoveFileCommand(CNorvaleDoc& doc, int index, int dir)
    : CDocCommand(doc, dir < 0 ? QCoreApplication::translate("Document", "ファイルを上へ")
                               : QCoreApplication::translate("Document", "ファイルを下へ")),
      m_nIndex(index),
      m_nDir(dir) {}

void CMoveFileCommand::Apply(bool first) {
    if (Profile().MoveImage(m_nIndex, m_nDir) && first) m_after.image = m_nIndex + m_nDir;
}

void CMoveFileCommand::Revert() {
    Profile().MoveImage(m_nIndex + m_nDir, -m_nDir);
}
