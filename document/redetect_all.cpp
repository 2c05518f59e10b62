// SPDX-License-Identifier: GPL-3.0-or-later
// "すべて再検出": every line on every image detected again under the options of now, and the
// question after a change of the options that offers it.
#include <QCoreApplication>

#include "document/commands/cursor_commands.h"
#include "document/norvale_doc.h"
#include "export/image_measures.h"
#include "export/line_status.h"
#include "series/series_detect.h"

bool CNorvaleDoc::RedetectAll() {
    return RedetectLines(-1, QCoreApplication::translate("Document", "すべて再検出"));
}

bool CNorvaleDoc::RedetectLine(int n, const QString& name) {
    if (n < 0) return false;
    return RedetectLines(n, name);
}

bool CNorvaleDoc::RedetectLines(int only, const QString& name) {
    if (IsBusy()) return false;
    const DocCursor before = GetCursor();
    std::vector<CCursorsCommand::Change> changes;
    {
        const BusyScope busy(*this);
        // Every cursor but those placed by hand waits for its detection again. What it was is
        // kept, for the undo and for the images that cannot be read now.
        for (int i = 0; i < m_profile.GetSize(); ++i) {
            const CScanArray* lines = m_profile.GetArray(i, 0);
            for (int n = 0; lines != nullptr && n < lines->GetSize(); ++n) {
                if (only >= 0 && n != only) continue;
                CScan& line = *lines->GetAt(n);
                if (!line.m_bDetect && line.m_origin == CursorOrigin::Placed) continue;
                const LineCursor old = CLineCursorCommand::Of(line);
                changes.push_back({i, n, old, old});
                line.m_bDetect = true;
            }
        }
        if (changes.empty()) return false;
        const DetectReport report =
            DetectWithProgress(RecordsWithPendingLines(m_profile),
                               QCoreApplication::translate("Document", "エッジを検出し直しています"));
        // Cancelled, nothing was written: every cursor goes back to what it was. A line still
        // waiting is on an image that could not be read, and keeps what it had too.
        for (CCursorsCommand::Change& change : changes) {
            CScan* line = m_profile.GetLine(change.image, 0, change.line);
            if (line == nullptr) continue;
            if (report.cancelled || line->m_bDetect) PutLineCursor(line, change.old);
            change.now = CLineCursorCommand::Of(*line);
        }
        if (report.cancelled) return false;
        for (const DetectFailure& failure : report.failures) {
            NoteUnreadable(failure.series, failure.result);
        }
        std::erase_if(changes, [](const auto& change) { return change.now == change.old; });
        NotifyMeasured();
        UpdateAllViews();
        InvalidateImageView();
        RepaintDataView();
        if (!report.failures.empty()) {
            m_ui.MessageBox(QCoreApplication::translate(
                                "Document",
                                "次の画像を読み込めなかったため、検出し直せませんでした。"
                                "これらの画像の点は元のままです。\n") +
                            FailureLines(report.failures));
        }
    }
    if (changes.empty()) return false;
    Push(std::make_unique<CCursorsCommand>(*this, name, before, std::move(changes)));
    return true;
}

void CNorvaleDoc::OnRedetectAll() {
    RedetectAll();
}

void CNorvaleDoc::OnUpdateRedetectAll(CCmdUI& cmdUI) const {
    const CScanArray* lines = m_profile.GetArray(0, 0);
    cmdUI.Enable(!IsBusy() && lines != nullptr && lines->GetSize() > 0);
}

void CNorvaleDoc::OfferRedetection(const PanelOptions& before, const PanelOptions& after) {
    if (before.channel == after.channel && before.edgeMode == after.edgeMode &&
        before.edge == after.edge) {
        return;
    }
    const DetectSettings now = CurrentDetection();
    const std::size_t otherwise = CountFoundOtherwise(m_profile, MeasuredLineCount(m_profile),
                                                      {now.channel, now.mode, now.edge, {}});
    if (otherwise == 0) return;
    if (m_ui.AskYesNo(QCoreApplication::translate(
                          "Document",
                          "エッジ検出の設定が変わりました。以前の設定で検出された点が %1 個あります。\n\n"
                          "すべての画像で検出し直しますか（手で置いた点はそのまま残ります）")
                          .arg(otherwise))) {
        RedetectAll();
    }
}
