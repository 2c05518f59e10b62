// The session commands: open, save and save as, the question asked before unsaved work would be
// lost, and the images of an opened session that cannot be found.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <new>

#include "document/norvale_doc.h"
#include "document/session_document.h"
#include "document/session_write.h"
#include "document/write_failure_text.h"

namespace {

constexpr int kListed = 10;

std::vector<FileFilter> SessionFilters() {
    return {{QCoreApplication::translate("Document", "セッション ファイル (*.quandrel;*.json)"),
             {"*.quandrel", "*.json"}},
            {QCoreApplication::translate("Document", "すべてのファイル(*.*)"), {"*"}}};
}

QString Native(const std::string& path) {
    return QDir::toNativeSeparators(QString::fromStdString(path));
}

// Whether the file can be opened for reading as a plain file; a session opens without decoding
// its pictures, so this is all it can know of them until each is shown.
bool CanBeRead(const std::string& path) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) return false;
    struct stat st {};
    const bool regular = ::fstat(fd, &st) == 0 && S_ISREG(st.st_mode);
    ::close(fd);
    return regular;
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

void CNorvaleDoc::NoteUnreadable(const CScanSeries* series, const QString& reason) {
    for (const auto& record : m_profile.m_arSeries) {
        if (record.get() == series) m_missing[series] = {series->m_strPath, reason};
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
    if (!ReadSession(path)) return false;
    if (m_onSessionFile) m_onSessionFile(path);
    return true;
}

bool CNorvaleDoc::RestoreSession(const QString& copy, const QString& session) {
    if (!ReadSession(copy)) return false;
    m_strPathName = session;
    // The work is what was left unsaved; saving it goes to its own session file.
    m_undo.resetClean();
    UpdateAllViews();
    return true;
}

bool CNorvaleDoc::ReadSession(const QString& path) {
    if (IsBusy()) return false;
    try {
        const SessionResult read =
            LoadSession(QFile::encodeName(path).toStdString(), SessionInput::RegularFile);
        if (!read.session) {
            // The work in the window stays as it is.
            m_ui.MessageBoxWithDetails(
                QCoreApplication::translate("Document", "セッションを開くことができません\n%1\n%2")
                    .arg(QDir::toNativeSeparators(path), ProblemText(read.problem)),
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
                .arg(QDir::toNativeSeparators(path)));
        return false;
    }
    m_strPathName = path;
    m_missing.clear();
    QStringList missing;
    for (const auto& series : m_profile.m_arSeries) {
        if (CanBeRead(series->m_strPath)) continue;
        m_missing[series.get()] = {
            series->m_strPath,
            QCoreApplication::translate("Document", "ファイルが見つかりません。")};
        missing << Native(series->m_strPath);
    }
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
    QString session;
    QStringList pictures;
    for (const QString& path : paths) {
        const QString absolute = QFileInfo(path).absoluteFilePath();
        if (session.isEmpty() && LooksLikeSessionFile(QFile::encodeName(absolute).toStdString())) {
            session = absolute;
        } else {
            pictures << absolute;
        }
    }
    if (!session.isEmpty() && SaveModified()) OpenSession(session);
    if (!pictures.isEmpty()) AddFiles(pictures);
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
