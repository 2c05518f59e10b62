// SPDX-License-Identifier: GPL-3.0-or-later
#include "document/output_path.h"

#include <sys/stat.h>

#include <QCoreApplication>
#include <QDir>
#include <QFile>

#include "document/write_failure_text.h"

QString WriteFailureText(const QString& path, const WriteResult& result) {
    return QCoreApplication::translate("Document", "ファイルを開くことができません\n%1\n%2")
        .arg(QDir::toNativeSeparators(path), WriteFailureCause(result));
}

// The record whose image is the file at `path` (the same file by device and inode, whatever
// the spelling), or null.
const CScanSeries* ImageAt(const CDataProfile& profile, const std::string& path) {
    struct stat out {};
    if (::stat(path.c_str(), &out) != 0 || !S_ISREG(out.st_mode)) return nullptr;
    for (const auto& series : profile.m_arSeries) {
        struct stat in {};
        if (::stat(series->m_strPath.c_str(), &in) == 0 && in.st_dev == out.st_dev &&
            in.st_ino == out.st_ino) {
            return series.get();
        }
    }
    return nullptr;
}

// A CSV file of either form: the file type chosen is the form, commas, or semicolons with decimal
// commas for spreadsheets of the locales that read numbers so.
SaveFileRequest CsvRequest() {
    SaveFileRequest request;
    request.filters = {
        {QCoreApplication::translate("Document", "CSV ファイル、カンマ区切り (*.csv)"), {"*.csv"}},
        {QCoreApplication::translate("Document",
                                     "CSV ファイル、セミコロン区切りで小数点はコンマ (*.csv)"),
         {"*.csv"}}};
    request.defaultSuffix = QStringLiteral("csv");
    return request;
}

// The file the user chooses to write, confirming an overwrite; empty when the user cancels or
// names a picture of the list, which writing would destroy while it is being measured (and the
// user is told so).
QString AskOutputPath(CUiServices& ui, const CDataProfile& profile, SaveFileRequest& request) {
    request.confirmOverwrite = true;
    const QString path = ui.GetSaveFileName(request);
    if (path.isEmpty()) return {};
    if (const CScanSeries* image = ImageAt(profile, QFile::encodeName(path).toStdString())) {
        ui.MessageBox(
            QCoreApplication::translate("Document", "測定中の画像には書き出せません\n%1")
                .arg(QDir::toNativeSeparators(QString::fromStdString(image->m_strPath))));
        return {};
    }
    return path;
}
