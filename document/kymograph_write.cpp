// SPDX-License-Identifier: GPL-3.0-or-later
#include "document/kymograph_write.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>

#include "document/norvale_doc.h"
#include "document/output_path.h"
#include "export/safe_write.h"
#include "series/entry_times.h"
#include "series/kymograph_image.h"

namespace {

// Ends the progress however the write ends.
class ProgressScope {
public:
    ProgressScope(CUiServices& ui, const QString& text, int total) : m_ui(ui) {
        m_ui.BeginProgress(text, total);
    }
    ~ProgressScope() { m_ui.EndProgress(); }
    ProgressScope(const ProgressScope&) = delete;
    ProgressScope& operator=(const ProgressScope&) = delete;

private:
    CUiServices& m_ui;
};

bool Store(CUiServices& ui, const QString& path, std::string_view bytes) {
    const WriteResult result = WriteFileSafely(QFile::encodeName(path).toStdString(), bytes);
    if (result.ok()) return true;
    ui.MessageBox(WriteFailureText(path, result));
    return false;
}

QString NoMemoryText(const QString& path) {
    return QCoreApplication::translate("Document", "キモグラフを保存できませんでした\n%1\n%2")
        .arg(QDir::toNativeSeparators(path),
             QCoreApplication::translate("Document", "メモリが足りません。"));
}

}  // namespace

bool WriteKymographPicture(CNorvaleDoc& doc, const CKymograph& kymograph) {
    CUiServices& ui = doc.Ui();
    SaveFileRequest request;
    request.filters = {
        {QCoreApplication::translate("Document", "PNG 画像 (*.png)"), {"*.png"}},
        {QCoreApplication::translate("Document", "TIFF 画像 (*.tif *.tiff)"), {"*.tif", "*.tiff"}}};
    request.defaultSuffix = QStringLiteral("png");
    const QString path = AskOutputPath(ui, doc.m_profile, request);
    if (path.isEmpty()) return false;
    // A name's own suffix says what the file is; without one of the three, the type chosen does.
    const QString suffix = QFileInfo(path).suffix().toLower();
    const bool tiff = suffix == QLatin1String("tif") || suffix == QLatin1String("tiff") ||
                      (suffix != QLatin1String("png") && request.selectedFilter == 1);
    QByteArray bytes;
    {
        ProgressScope progress(ui, QCoreApplication::translate("Document", "キモグラフを保存しています"), 2);
        const QImage image = KymographImage(kymograph);
        ui.SetProgress(1);
        bytes = EncodeKymographImage(image, tiff ? "TIFF" : "PNG");
        ui.SetProgress(2);
    }
    if (bytes.isEmpty()) {
        ui.MessageBox(NoMemoryText(path));
        return false;
    }
    return Store(ui, path, std::string_view(bytes.constData(), static_cast<std::size_t>(bytes.size())));
}

bool WriteKymographCsv(CNorvaleDoc& doc, const CKymograph& kymograph,
                       KymographCsvOptions options) {
    CUiServices& ui = doc.Ui();
    SaveFileRequest request = CsvRequest();
    const QString path = AskOutputPath(ui, doc.m_profile, request);
    if (path.isEmpty()) return false;
    options.semicolon = request.selectedFilter == 1;
    // The times under the user's rule, as the table and the series plot have them.
    const std::vector<EntryTime> times = EntryTimesOf(doc.m_profile).times;
    std::optional<std::string> text;
    try {
        ProgressScope progress(ui, QCoreApplication::translate("Document", "キモグラフを書き出しています"),
                               kymograph.Entries());
        text = BuildKymographCsv(kymograph, times, options,
                                 [&ui](int done) { return ui.SetProgress(done); });
    } catch (const std::bad_alloc&) {
        ui.MessageBox(NoMemoryText(path));
        return false;
    }
    if (!text) return false;  // cancelled
    return Store(ui, path, *text);
}
