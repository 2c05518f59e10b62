// SPDX-License-Identifier: GPL-3.0-or-later
// The file-list commands: add, delete, delete all, sort, move up and move down.
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QStringList>
#include <algorithm>
#include <climits>
#include <numeric>

#include "document/commands/file_commands.h"
#include "document/norvale_doc.h"
#include "model/title_order.h"
#include "series/entry_survey.h"

namespace {
// The steps of the progress bar for one file surveyed.
constexpr std::size_t kSurveySteps = 100;
}  // namespace

void CNorvaleDoc::OnAddFiles() {
    OpenFilesRequest request;
    // The type names every kind the loader reads; the patterns also take upper-case names.
    request.filters = {
        {QCoreApplication::translate("Document",
                                     "画像ファイル(*.bmp;*.jpg;*.jpeg;*.gif;*.png;*.tif;*.tiff)"),
         {"*.bmp", "*.jpg", "*.jpeg", "*.gif", "*.png", "*.tif", "*.tiff", "*.BMP", "*.JPG",
          "*.JPEG", "*.GIF", "*.PNG", "*.TIF", "*.TIFF"}},
        {QCoreApplication::translate("Document", "すべてのファイル(*.*)"), {"*"}},
    };
    request.defaultSuffix = QStringLiteral("bmp");
    AddFiles(m_ui.GetOpenFileNames(request));
}

void CNorvaleDoc::AddFiles(const QStringList& paths) {
    std::vector<std::string> bytes;
    bytes.reserve(static_cast<std::size_t>(paths.size()));
    for (const QString& path : paths) bytes.push_back(QFile::encodeName(path).toStdString());
    AddFiles(bytes);
}

void CNorvaleDoc::AddFiles(const std::vector<std::string>& paths) {
    // Each file is surveyed for its pages or frames, which become entries of their own. Many
    // files, or a long video (its packets are read through), take a while: the user sees how
    // far it is and may stop, adding nothing. The bar counts kSurveySteps a file.
    m_ui.BeginProgress(QCoreApplication::translate("Document", "ファイルを調べています"),
                       static_cast<int>(std::min<std::size_t>(paths.size(), INT_MAX / kSurveySteps) *
                                        kSurveySteps));
    std::vector<CAddFilesCommand::File> files;
    files.reserve(paths.size());
    bool cancelled = false;
    for (std::size_t k = 0; k < paths.size() && !cancelled; ++k) {
        const int done = static_cast<int>(std::min<std::size_t>(k, INT_MAX / kSurveySteps) * kSurveySteps);
        std::vector<ListEntry> entries = EntriesOfFile(paths[k], [&](double fraction) {
            return m_ui.SetProgress(done + static_cast<int>(fraction * (kSurveySteps - 1)));
        });
        cancelled = entries.empty() || !m_ui.SetProgress(done + static_cast<int>(kSurveySteps));
        files.push_back({paths[k], std::move(entries)});
    }
    m_ui.EndProgress();
    // The first new file becomes current.
    if (!files.empty() && !cancelled) {
        Push(std::make_unique<CAddFilesCommand>(*this, std::move(files)));
    }
    UpdateAllViews();
}

void CNorvaleDoc::OnDeleteFile() {
    const int n = m_profile.GetSize();
    if (n == 0) return;
    // The question names the file, so that the user knows which leaves the list.
    const CScanSeries* current = m_profile.GetSeries(m_nCurImage);
    const QString question =
        current == nullptr
            ? QCoreApplication::translate("Document", "現在のファイルを削除しますか")
            : QCoreApplication::translate("Document", "現在のファイルを削除しますか\n%1")
                  .arg(QDir::toNativeSeparators(
                      QFile::decodeName(QByteArray::fromStdString(current->m_strPath))));
    if (!m_ui.AskYesNo(question)) return;
    if (m_nCurImage >= 0) {
        Push(std::make_unique<CDeleteFileCommand>(*this, m_nCurImage));
    } else {
        DeleteContents();
    }
    UpdateAllViews();
    InvalidateImageView();
    RepaintDataView();
}

void CNorvaleDoc::OnDeleteAll() {
    if (m_profile.GetSize() == 0) return;
    // Undo can bring the files back, but a session's changes deserve the question first.
    if (!SaveModified()) return;
    if (!m_ui.AskYesNo(QCoreApplication::translate("Document", "全てのファイルを削除しますか")))
        return;
    Push(std::make_unique<CDeleteAllCommand>(*this));
    UpdateAllViews();
    RepaintDataView();
}

void CNorvaleDoc::OnSortFiles() {
    // The current file stays current: the step follows its record to its new place.
    std::vector<int> order = m_profile.TitleOrder();
    std::vector<int> same(order.size());
    std::iota(same.begin(), same.end(), 0);
    if (order != same) Push(std::make_unique<CSortFilesCommand>(*this, std::move(order)));
    UpdateAllViews();
    RepaintDataView();
}

void CNorvaleDoc::OnMoveUp() {
    if (m_nCurImage < 1 || m_nCurImage > m_profile.GetSize() - 1) return;
    Push(std::make_unique<CMoveFileCommand>(*this, m_nCurImage, -1));
    UpdateAllViews();
    RepaintDataView();
}

void CNorvaleDoc::OnMoveDown() {
    if (m_nCurImage < 0 || m_nCurImage > m_profile.GetSize() - 2) return;
    Push(std::make_unique<CMoveFileCommand>(*this, m_nCurImage, 1));
    UpdateAllViews();
    RepaintDataView();
}
