// SPDX-License-Identifier: GPL-3.0-or-later
// The session commands: open, save and save as, the question asked before unsaved work would be
// lost, and the images of an opened session that cannot be found.
#include <sys/stat.h>

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <filesystem>
#include <system_error>
#include <unordered_set>
#include <new>

#include "document/norvale_doc.h"
#include "document/session_document.h"
#include "document/write_failure_text.h"
#include "session/json_text.h"
#include "series/entry_survey.h"
#include "session/session_write.h"

namespace {

constexpr int kListed = 10;

std::vector<FileFilter> SessionFilters() {
    return {{QCoreApplication::translate("Document", "セッション ファイル (*.quandrel;*.json)"),
             {"*.quandrel", "*.json"}},
            {QCoreApplication::translate("Document", "すべてのファイル(*.*)"), {"*"}}};
}

QString Native(const std::string& path) {
    return QDir::toNativeSeparators(QFile::decodeName(QByteArray::fromStdString(path)));
}

// A path given from outside (the command line, a drop), made absolute and rid of "." and ".."
// as QFileInfo makes the dialogs' names, and kept the file system's bytes.
std::string AbsolutePath(const std::string& path) {
    std::error_code error;
    const std::filesystem::path absolute = std::filesystem::absolute(path, error);
    return error ? path : absolute.lexically_normal().string();
}

bool SameFile(const std::string& a, const std::string& b) {
    struct stat sa {};
    struct stat sb {};
    return ::stat(a.c_str(), &sa) == 0 && ::stat(b.c_str(), &sb) == 0 && sa.st_dev == sb.st_dev &&
           sa.st_ino == sb.st_ino;
}

// Why the file is no session, in the window's words; the reader's own text goes with it.
QString ProblemText(const SessionProblem& problem) {
    switch (problem.kind) {
        case SessionProblem::Kind::Unreadable:
            return QCoreApplication::translate("Document", "ファイルを読み込めません。");
        case SessionProblem::Kind::Syntax:
            return QCoreApplication::translate("Document",
                                               "%1 行 %2 列目から JSON として正しくありません。")
                .arg(problem.line)
                .arg(problem.column);
        case SessionProblem::Kind::Content:
            if (problem.field.empty())
                return QCoreApplication::translate("Document",
                                                   "セッション ファイルではありません。");
            return QCoreApplication::translate("Document", "項目 %1 が正しくありません。")
                .arg(QString::fromStdString(problem.field));
        case SessionProblem::Kind::None:
            break;
    }
    return {};
}

}  // namespace

bool CNorvaleDoc::IsModified() const {
    return !m_undo.isClean();
}

QString CNorvaleDoc::GetSessionName() const {
    return m_strPathName.isEmpty() ? QCoreApplication::translate("Document", "無題")
                                   : QFileInfo(m_strPathName).fileName();
}

bool CNorvaleDoc::IsMissing(int i) const {
    const CScanSeries* series = m_profile.GetSeries(i);
    const auto it = m_missing.find(series);
    return it != m_missing.end() && it->second.path == series->m_strPath;
}

QString CNorvaleDoc::MissingReason(int i) const {
    return IsMissing(i) ? m_missing.at(m_profile.GetSeries(i)).reason : QString();
}

PictureProblem CNorvaleDoc::MissingProblem(int i) const {
    return IsMissing(i) ? m_missing.at(m_profile.GetSeries(i)).problem : PictureProblem::None;
}

void CNorvaleDoc::NoteUnreadable(const CScanSeries* series, const CPicture::LoadResult& result) {
    for (const auto& record : m_profile.m_arSeries) {
        if (record.get() == series) {
            m_missing[series] = {series->m_strPath, result.uiReason, result.problem};
        }
    }
}

bool CNorvaleDoc::SaveModified() {
    if (!IsModified()) return true;
    switch (m_ui.AskSaveChanges(QCoreApplication::translate("Document", "%1 への変更を保存しますか")
                                    .arg(GetSessionName()))) {
        case SaveChoice::Save:
            return SaveSession();
        case SaveChoice::Discard:
            return true;
        case SaveChoice::Cancel:
            break;
    }
    return false;
}

bool CNorvaleDoc::OpenSession(const QString& path) {
    if (!ReadSession(QFile::encodeName(path).toStdString(), path)) return false;
    if (m_onSessionFile) m_onSessionFile(path);
    return true;
}

bool CNorvaleDoc::OpenSessionFile(const std::string& path) {
    if (IsUtf8(path)) return OpenSession(QString::fromStdString(path));
    // A name that is no text cannot be the work's session file: saving would write to another
    // name. The work opens untitled, and is saved under a name the user chooses.
    if (!ReadSession(path, QString())) return false;
    m_ui.MessageBox(
        QCoreApplication::translate("Document",
                                    "このセッション ファイルの名前は UTF-8 の文字列ではないため、"
                                    "同じ名前では保存できません。無題として開きました。\n%1")
            .arg(Native(path)));
    return true;
}

bool CNorvaleDoc::RestoreSession(const QString& copy, const QString& session) {
    if (!ReadSession(QFile::encodeName(copy).toStdString(), session)) return false;
    // The work is what was left unsaved; saving it goes to its own session file.
    m_undo.resetClean();
    UpdateAllViews();
    return true;
}

bool CNorvaleDoc::ReadSession(const std::string& file, const QString& name) {
    if (IsBusy()) return false;
    try {
        const SessionResult read = LoadSession(file, SessionInput::RegularFile);
        if (!read.session) {
            // The work in the window stays as it is.
            m_ui.MessageBoxWithDetails(
                QCoreApplication::translate("Document", "セッションを開くことができません\n%1\n%2")
                    .arg(Native(file), ProblemText(read.problem)),
                QString::fromStdString(read.error));
            return false;
        }
        if (!ApplySession(*this, *read.session)) return false;
    } catch (const std::bad_alloc&) {
        // The session, its records and the text were given back on the way here, so there is
        // memory again to say so; the work in the window is as it was.
        m_ui.MessageBox(
            QCoreApplication::translate(
                "Document", "メモリが足りないため、セッションを開くことができません\n%1")
                .arg(Native(file)));
        return false;
    }
    m_strPathName = name;
    m_missing.clear();
    QStringList missing;
    std::unordered_set<std::string> unreadable;
    const std::string* probed = nullptr;  // the file of the records before, probed once for all
    CPicture::LoadResult probe;
    for (const auto& series : m_profile.m_arSeries) {
        // A session opens without decoding its pictures: whether each file can be opened is
        // all it can know of them until each is shown.
        if (probed == nullptr || *probed != series->m_strPath) {
            probe = CPicture::Probe(series->m_strPath);
            probed = &series->m_strPath;
        }
        if (probe.status == CPicture::LoadStatus::Ok) continue;
        m_missing[series.get()] = {series->m_strPath, probe.uiReason, probe.problem};
        // A video's thousands of frames are one file to name.
        const bool first = unreadable.insert(series->m_strPath).second;
        if (first || series->m_nFrame < 0) missing << Native(series->m_strPath);
    }
    // The times the files carry, and the counts of pages and frames, are not in the session:
    // the files say them again. A file missing now leaves its entries without.
    SurveyRecordEntries(m_profile, {},
                        [&unreadable](const std::string& path) { return unreadable.contains(path); });
    // A missing current picture is told of in the list below, not on its own as well.
    OpenImage(m_nCurImage, !IsMissing(m_nCurImage));
    UpdateAllViews();
    if (!missing.isEmpty()) {
        QString text =
            QCoreApplication::translate("Document",
                                        "このセッションの画像のうち %1 件が見つかりません。"
                                        "ファイルの一覧に印が付いています。\n")
                .arg(missing.size());
        text += missing.mid(0, kListed).join(QLatin1Char('\n'));
        if (missing.size() > kListed) {
            text += QCoreApplication::translate("Document", "\nほか %1 件")
                        .arg(missing.size() - kListed);
        }
        m_ui.MessageBoxWithDetails(text, missing.join(QLatin1Char('\n')));
    }
    return true;
}

bool CNorvaleDoc::SaveSessionTo(const QString& path) {
    const SessionSaveResult saved =
        ::SaveSession(CaptureSession(*this), QFile::encodeName(path).toStdString());
    if (!saved.ok()) {
        // A file that cannot be written says why in the window's words; a work that cannot go
        // into a session file (a picture's name that is not UTF-8, say) names it in the details.
        const QString cause = saved.write.ok() ? QCoreApplication::translate(
                                                     "Document", "作業をセッションに書けません。")
                                               : WriteFailureCause(saved.write);
        m_ui.MessageBoxWithDetails(
            QCoreApplication::translate("Document", "セッションを保存できませんでした\n%1\n%2")
                .arg(QDir::toNativeSeparators(path), cause),
            QString::fromStdString(saved.error));
        return false;
    }
    m_strPathName = path;
    m_undo.setClean();
    if (m_onSessionFile) m_onSessionFile(path);
    return true;
}

bool CNorvaleDoc::SaveSession() {
    if (IsBusy()) return false;
    if (m_strPathName.isEmpty()) return SaveSessionAs();
    return SaveSessionTo(m_strPathName);
}

bool CNorvaleDoc::SaveSessionAs() {
    if (IsBusy()) return false;
    SaveFileRequest request;
    request.filters = SessionFilters();
    request.defaultSuffix = QStringLiteral("quandrel");
    request.confirmOverwrite = true;
    const QString path = m_ui.GetSaveFileName(request);
    return !path.isEmpty() && SaveSessionTo(path);
}

void CNorvaleDoc::OpenFiles(const QStringList& paths) {
    std::vector<std::string> bytes;
    bytes.reserve(static_cast<std::size_t>(paths.size()));
    for (const QString& path : paths) bytes.push_back(QFile::encodeName(path).toStdString());
    OpenFiles(bytes);
}

void CNorvaleDoc::OpenFiles(const std::vector<std::string>& paths) {
    std::string session;
    std::vector<std::string> pictures;
    QStringList refused;
    for (const std::string& given : paths) {
        if (given.empty()) continue;
        const std::string path = AbsolutePath(given);
        if (!LooksLikeSessionFile(path)) {
            pictures.push_back(path);
        } else if (session.empty()) {
            session = path;
        } else if (!SameFile(path, session)) {
            // The window holds one session; another is never taken for a picture either.
            refused << Native(path);
        }
    }
    if (!session.empty() && SaveModified()) OpenSessionFile(session);
    if (!pictures.empty()) AddFiles(pictures);
    if (!refused.isEmpty()) {
        m_ui.MessageBox(
            QCoreApplication::translate(
                "Document",
                "開けるセッションは一度に一つです。次のセッションは開きませんでした。\n%1")
                .arg(refused.join(QLatin1Char('\n'))));
    }
}

void CNorvaleDoc::OnFileOpen() {
    if (!SaveModified()) return;
    OpenFilesRequest request;
    request.filters = SessionFilters();
    request.defaultSuffix = QStringLiteral("quandrel");
    request.multiple = false;
    const QStringList paths = m_ui.GetOpenFileNames(request);
    if (!paths.isEmpty()) OpenSession(paths.first());
}

void CNorvaleDoc::OnFileSave() {
    SaveSession();
}

void CNorvaleDoc::OnFileSaveAs() {
    SaveSessionAs();
}
