// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/norvale_app.h"

#include <QApplication>
#include <QCoreApplication>
#include <QDir>
#include <QFontDatabase>
#include <QSettings>
#include <QStandardPaths>
#include <QStatusBar>
#include <algorithm>
#include <exception>

#include "app/about_dlg.h"
#include "app/main_frame.h"
#include "app/qt_ui_services.h"
#include "app/window_arguments.h"
#include "document/command_ids.h"
#include "document/norvale_doc.h"
#include "document/recovery_copy.h"

namespace {

// Japanese texts need a font that has them; the IPA gothic fonts are what the program ships with.
void UseJapaneseFont() {
    for (const char* family : {"IPAPGothic", "IPAGothic"}) {
        if (QFontDatabase::families().contains(QString::fromLatin1(family))) {
            QFont font = QApplication::font();
            font.setFamilies({QString::fromLatin1(family)});
            QApplication::setFont(font);
            return;
        }
    }
}

}  // namespace

CNorvaleApp::CNorvaleApp(CUiServices* ui) : m_pUi(ui) {
    if (m_pUi == nullptr) {
        m_pOwnUi = std::make_unique<CQtUiServices>();
        m_pUi = m_pOwnUi.get();
    }
}

CNorvaleApp::~CNorvaleApp() {
    // A normal end needs no copy of the work; an exception on its way out (memory ran out)
    // leaves the copy for the next start.
    if (m_pRecovery && std::uncaught_exceptions() == 0) m_pRecovery->Discard();
    m_pRecovery.reset();
    m_pFrame.reset();  // the views detach from the document before it goes
    m_pDoc.reset();
}

QString CNorvaleApp::RecoveryFolder() {
    return QStandardPaths::writableLocation(QStandardPaths::AppDataLocation) +
           QStringLiteral("/recovery");
}

void CNorvaleApp::OfferRecovery() {
    const std::vector<CRecoveryCopy::Abandoned> abandoned =
        CRecoveryCopy::FindAbandoned(RecoveryFolder());
    if (abandoned.empty()) return;
    // The newest first; an older one is offered at the next start.
    const CRecoveryCopy::Abandoned& last = abandoned.front();
    const QString session = last.session.isEmpty() ? QCoreApplication::translate("Frame", "無題")
                                                   : QDir::toNativeSeparators(last.session);
    if (last.newer) {
        // Not to be opened here, nor deleted: told of once, and kept for the newer program.
        const QString kept = CRecoveryCopy::NameNewer(last);
        m_pUi->MessageBox(
            QCoreApplication::translate(
                "Frame",
                "前回、新しい版の Quandrel が保存されていない作業を残して終了しました。\n%1\n"
                "この版では開けません。新しい版で開いてください。作業のコピー:\n%2")
                .arg(session, QDir::toNativeSeparators(kept)));
        return;
    }
    const QString question =
        QCoreApplication::translate(
            "Frame",
            "前回、保存されていない作業を残したまま Quandrel が終了しました。\n%1\n"
            "%2 の時点の作業を復元しますか")
            .arg(session, last.written.toString(QStringLiteral("yyyy/MM/dd HH:mm:ss")));
    if (m_pUi->AskYesNo(question) && !CRecoveryCopy::Restore(*m_pDoc, last)) return;
    CRecoveryCopy::Remove(last);
}

bool CNorvaleApp::InitInstance(int argc, char** argv) {
    return StartWith(ParseWindowArguments(
        std::vector<std::string>(argv + std::min(argc, 1), argv + std::max(argc, 0))));
}

bool CNorvaleApp::InitInstance(const QStringList& arguments) {
    return StartWith(ParseWindowArguments(arguments));
}

bool CNorvaleApp::StartWith(const WindowArguments& parsed) {
    // The per-user settings live under the maker's name, then the program's.
    QCoreApplication::setOrganizationName(QStringLiteral("Zentor"));
    QCoreApplication::setApplicationName(QStringLiteral("Quandrel"));
    // Qt's own dialogs and buttons (file dialogs, Yes and No, the overwrite question) speak the
    // language of the rest of the window.
    m_pTranslation = std::make_unique<CUiTranslation>(parsed.language.value_or(m_language));
    if (m_pTranslation->Language() == UiLanguage::Japanese) UseJapaneseFont();
    QSettings settings;
    m_recent.Load(settings);

    m_pDoc = std::make_unique<CNorvaleDoc>(*m_pUi);
    if (!m_pDoc->OnNewDocument()) return false;
    // Stepping through a series in the window should not wait for the decoder.
    m_pDoc->EnablePrefetch(true);
    m_pFrame = std::make_unique<CMainFrame>(*m_pDoc, *this, m_recent);
    if (m_pOwnUi) m_pOwnUi->SetParent(m_pFrame.get());

    // A session opened or saved goes to the front of the recent-file list.
    m_pDoc->SetSessionFileListener([this](const QString& path) {
        m_recent.Add(path);
        QSettings recent;
        m_recent.Save(recent);
        if (m_pFrame) m_pFrame->RebuildRecentFiles();
    });

    m_pFrame->show();
    OfferRecovery();
    m_pRecovery = std::make_unique<CRecoveryCopy>(*m_pDoc, RecoveryFolder());
    m_pRecovery->SetWarning([this](const QString& text) {
        if (m_pFrame) m_pFrame->statusBar()->showMessage(text);
    });
    // A session is opened, pictures are added. A file that cannot be opened is told of in the
    // window, which starts all the same.
    if (!parsed.files.empty()) m_pDoc->OpenFiles(parsed.files);
    return true;
}

bool CNorvaleApp::OpenDocumentFile(const QString& path) {
    return m_pDoc->SaveModified() && m_pDoc->OnOpenDocument(path);
}

void CNorvaleApp::OnAppAbout() {
    CAboutDlg about(m_pFrame.get());
    about.exec();
}

bool CNorvaleApp::HandlesCommand(int id) const {
    if (id == ID_APP_ABOUT || id == ID_APP_EXIT) return true;
    return id >= ID_FILE_MRU_FILE1 && id < ID_FILE_MRU_FILE1 + kRecentFiles;
}

bool CNorvaleApp::OnCmdMsg(int id) {
    if (!HandlesCommand(id)) return false;
    // Nothing starts, and the program does not end, while a long operation runs.
    if (m_pDoc->IsBusy()) return true;
    if (id == ID_APP_ABOUT) {
        OnAppAbout();
        return true;
    }
    if (id == ID_APP_EXIT) {
        m_pFrame->close();
        return true;
    }
    const int index = id - ID_FILE_MRU_FILE1;
    if (index < 0 || index >= kRecentFiles) return false;
    if (index < m_recent.Entries().size()) OpenDocumentFile(m_recent.Entries()[index]);
    return true;
}

bool CNorvaleApp::OnUpdateCmdUI(int id, CCmdUI& cmdUI) const {
    // The placeholder of an empty recent-file list is greyed.
    if (id != ID_FILE_MRU_FILE1) return false;
    cmdUI.Enable(!m_recent.Entries().isEmpty());
    return true;
}
