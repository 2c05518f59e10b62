// SPDX-License-Identifier: GPL-3.0-or-later
// The data export command: every image's edge points, converted values, lengths and areas into
// one tab-separated file.
#include <sys/stat.h>

#include <QCoreApplication>
#include <QDir>
#include <QFile>

#include "document/norvale_doc.h"
#include "document/output_path.h"
#include "document/session_document.h"
#include "document/write_failure_text.h"
#include "export/data_file.h"
#include "export/image_measures.h"
#include "export/line_status.h"
#include "export/profile_csv.h"
#include "export/safe_write.h"
#include "export/tidy_table.h"
#include "model/edge_detect.h"
#include "model/line_profile.h"
#include "model/tracking.h"
#include "series/entry_times.h"
#include "series/provenance.h"
#include "series/series_detect.h"
#include "session/session_write.h"

namespace {

// Writes the sidecar of the table at `path` (series/provenance.h): the work as the window would
// save it now stands for the session. Empty, or the message of what failed.
QString WriteTableProvenance(const CNorvaleDoc& doc, const QString& path) {
    const Session session = CaptureSession(doc);
    const std::string table = QFile::encodeName(path).toStdString();
    const std::string sessionFile = QFile::encodeName(doc.GetPathName()).toStdString();
    ProvenanceFacts facts;
    facts.program = "quandrel";
    for (const QString& arg : QCoreApplication::arguments()) {
        facts.commandLine.push_back(arg.toStdString());
    }
    facts.output = table;
    facts.sessionPath = sessionFile;
    const SessionText text = SessionToText(session, sessionFile.empty() ? table : sessionFile);
    facts.sessionSha256 = text.text ? Sha256Hex(*text.text) : std::string();
    facts.options = SessionOptionsJson(session);
    facts.inputs = SessionInputs(session);
    const QString sidecar = QFile::decodeName(ProvenancePathOf(table).c_str());
    const ProvenanceText built = BuildProvenance(facts);
    if (!built.text) {
        return QCoreApplication::translate("Document", "来歴ファイル %1 を書き出せません: %2")
            .arg(QDir::toNativeSeparators(sidecar), QString::fromStdString(built.error));
    }
    const WriteResult result = WriteFileSafely(ProvenancePathOf(table), *built.text);
    return result.ok() ? QString() : WriteFailureText(sidecar, result);
}

// The table is written with its time column partly empty: said once it is on disk.
QString MissingTimesNotice(std::size_t missing) {
    return QCoreApplication::translate(
               "Document",
               "時刻のない画像が %1 件あります。表の time の欄はそれらの行で空です"
               "（画像番号で代用してください）。")
        .arg(missing);
}

}  // namespace

bool CNorvaleDoc::DetectAllPending() {
    const std::vector<int> pending = RecordsWithPendingLines(m_profile);
    if (pending.empty()) return true;

    const DetectReport report = DetectWithProgress(
        pending, QCoreApplication::translate("Document", "エッジを検出しています"));
    if (report.cancelled) return false;
    // Images that could not be read: the file list marks them (before the views update), and
    // the table's rows of their pending lines say why they are empty.
    for (const DetectFailure& failure : report.failures) {
        NoteUnreadable(failure.series, failure.result);
    }

    // The current image may have had pending lines too: show where they landed.
    NotifyMeasured();
    UpdateAllViews();
    InvalidateImageView();
    if (report.failures.empty()) return true;

    QString text = QCoreApplication::translate(
        "Document", "次の画像を読み込めなかったため、エッジを検出できませんでした。\n");
    text += FailureLines(report.failures);
    text += QCoreApplication::translate(
        "Document",
        "\n\nこれらの画像の検出されていない点には測定値がなく、データファイルでは No Data、"
        "表では空欄として書き出されます。書き出しますか");
    return m_ui.AskYesNo(text);
}

DetectReport CNorvaleDoc::DetectWithProgress(const std::vector<int>& records, const QString& text) {
    m_ui.BeginProgress(text, static_cast<int>(records.size()));
    DetectReport report =
        DetectPendingRecords(m_profile, records, CurrentDetection(),
                             [this](int done, int) { return m_ui.SetProgress(done); });
    m_ui.EndProgress();
    return report;
}

DetectSettings CNorvaleDoc::CurrentDetection() const {
    DetectSettings settings;
    settings.channel = GetChannel();
    settings.mode = GetEdgeMode();
    settings.edge = Options().edge;
    settings.jobs = m_nDetectionJobs;
    return settings;
}

QString CNorvaleDoc::FailureLines(const std::vector<DetectFailure>& failures) {
    constexpr std::size_t kListed = 10;
    QString text;
    for (std::size_t k = 0; k < failures.size() && k < kListed; ++k) {
        const DetectFailure& failure = failures[k];
        text += QStringLiteral("\n%1: %2")
                    .arg(QString::fromStdString(failure.path), failure.result.uiReason);
    }
    if (failures.size() > kListed) {
        text += QCoreApplication::translate("Document", "\nほか %1 件").arg(failures.size() - kListed);
    }
    return text;
}

void CNorvaleDoc::OnDataWrite() {
    SaveFileRequest request;
    request.filters = {
        {QCoreApplication::translate("Document", "データファイル (*.dat)"), {"*.dat"}},
        {QCoreApplication::translate("Document", "すべてのファイル(*.*)"), {"*"}}};
    request.defaultSuffix = QStringLiteral("dat");
    WriteResults(request, [this](int) {
        return BuildDataFile(m_profile, m_bMeasureLength, m_bMeasureArea);
    });
}

void CNorvaleDoc::OnDataWriteCsv() {
    SaveFileRequest request = CsvRequest();
    // The times as they are when the table is written; a file's modification time is read now.
    TimeAxis times;
    QString notice;
    WriteResults(
        request,
        [this, &times, &notice](int filter) {
            TidyOptions options;
            if (filter == 1) options.delimiter = TidyOptions::Delimiter::Semicolon;
            options.subPixel = Options().edge.subPixel;
            times = EntryTimesOf(m_profile);
            if (HasTimes(m_profile, times)) {
                options.times = &times;
                if (times.missing > 0) notice = MissingTimesNotice(times.missing);
            }
            UnreadableImages unreadable(static_cast<std::size_t>(m_profile.GetSize()));
            for (int i = 0; i < m_profile.GetSize(); ++i) {
                unreadable[static_cast<std::size_t>(i)] = IsMissing(i);
            }
            return BuildTidyTable(m_profile, m_bMeasureLength, m_bMeasureArea, options, unreadable);
        },
        &notice, true);
}

void CNorvaleDoc::WriteResults(SaveFileRequest& request,
                               const std::function<std::optional<std::string>(int filter)>& build,
                               const QString* notice, bool provenance) {
    if (IsBusy()) return;
    const BusyScope busy(*this);
    // Checked before anything is chosen or touched: no lines means no data, and an existing
    // file of that name must survive.
    const CScanArray* first = m_profile.GetArray(0, 0);
    if (first == nullptr || first->GetSize() == 0) {
        m_ui.MessageBox(QCoreApplication::translate("Document", "データがありません"));
        return;
    }

    const QString path = AskOutputPath(m_ui, m_profile, request);
    if (path.isEmpty()) return;

    // Lines never shown on an image are still waiting for detection there; their cursors would
    // be start points, not edges.
    if (!DetectAllPending()) return;
    // Edges found under other settings than today's would mix two measurements in one file.
    const DetectSettings now = CurrentDetection();
    const std::size_t otherwise = CountFoundOtherwise(m_profile, MeasuredLineCount(m_profile),
                                                      {now.channel, now.mode, now.edge, {}});
    if (otherwise > 0 &&
        !m_ui.AskYesNo(QCoreApplication::translate(
                           "Document",
                           "現在とは異なる設定（検出する点、輝度値または詳細設定）で検出されたエッジ点が "
                           "%1 個あります。「すべて再検出」で現在の設定にそろえることができます。\n\n"
                           "このまま書き出しますか")
                           .arg(otherwise))) {
        return;
    }

    const std::optional<std::string> bytes = build(request.selectedFilter);
    if (!bytes) {
        m_ui.MessageBox(QCoreApplication::translate("Document", "データがありません"));
        return;
    }
    const WriteResult result = WriteFileSafely(path.toStdString(), *bytes);
    if (!result.ok()) {
        m_ui.MessageBox(WriteFailureText(path, result));
        return;
    }
    // A table of the window always says where it came from, beside it.
    if (const QString failed = provenance ? WriteTableProvenance(*this, path) : QString();
        !failed.isEmpty()) {
        m_ui.MessageBox(failed);
    } else if (notice != nullptr && !notice->isEmpty()) {
        m_ui.MessageBox(*notice);
    }
}

void CNorvaleDoc::OnProfileWrite() {
    if (IsBusy()) return;
    const BusyScope busy(*this);
    const CScan* line = GetCurLine();
    if (line == nullptr) {
        m_ui.MessageBox(QCoreApplication::translate(
            "Document", "走査線が選ばれていないため、プロファイルを書き出せません"));
        return;
    }
    if (m_picture->IsNull()) {
        QString text = QCoreApplication::translate(
            "Document", "画像を読み込めないため、プロファイルを書き出せません");
        if (const OpenFailure* failure = GetOpenFailure()) {
            text += QStringLiteral("\n%1\n%2")
                        .arg(QDir::toNativeSeparators(QString::fromStdString(failure->path)),
                             failure->reason);
        }
        m_ui.MessageBox(text);
        return;
    }
    SaveFileRequest request = CsvRequest();
    const QString path = AskOutputPath(m_ui, m_profile, request);
    if (path.isEmpty()) return;
    // The line may still wait for its detection here; its cursor would be its start, no edge.
    if (line->m_bDetect && DetectEdge(m_nCurLine)) NotifyMeasured();
    const PanelOptions options = Options();
    const LineProfile profile =
        MeasureLineProfile(m_picture->View(), *line, options.channel, options.edgeMode,
                           options.edge, m_profile.RuleOf(*line),
                           NeighbourEdge(m_profile, m_nCurImage, m_nCurArray, m_nCurLine),
                           TrackingWindow(m_profile, m_nCurImage, m_nCurArray, m_nCurLine));
    ProfileCsvOptions csv;
    csv.semicolon = request.selectedFilter == 1;
    csv.image = m_nCurImage + 1;
    csv.line = m_nCurLine + 1;
    const WriteResult result =
        WriteFileSafely(QFile::encodeName(path).toStdString(), BuildProfileCsv(profile, csv));
    if (!result.ok()) m_ui.MessageBox(WriteFailureText(path, result));
}
