// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>
#include <QStringList>
#include <memory>

#include "app/recent_files.h"
#include "app/ui_language.h"
#include "app/window_arguments.h"
#include "document/doc_views.h"

class CMainFrame;
class CNorvaleDoc;
class CQtUiServices;
class CRecoveryCopy;
class CUiServices;

// The application: settings, the recent-file list, the one document and its frame, the command
// line, and the application's own commands (about box, exit, recent files).
class CNorvaleApp : public ICmdTarget {
public:
    static constexpr int kRecentFiles = 4;

    // Without services the program's own Qt dialogs answer the document; tests pass a script.
    explicit CNorvaleApp(CUiServices* ui = nullptr);
    ~CNorvaleApp() override;
    CNorvaleApp(const CNorvaleApp&) = delete;
    CNorvaleApp& operator=(const CNorvaleApp&) = delete;

    // The language of the window when the command line names none; Japanese unless told.
    void UseLanguage(UiLanguage language) { m_language = language; }
    // Start-up with the program's arguments as main() has them once Qt took its own options
    // (argv[0] is the program): file names are the file system's bytes, used as they are. False
    // when start-up fails. Work left unsaved by a program that crashed is offered back first.
    bool InitInstance(int argc, char** argv);
    // The same with arguments given as text, without the program's name.
    bool InitInstance(const QStringList& arguments);

    // The framework's open path (a recent file): the session is opened in place of the work,
    // after the question about unsaved changes; it then enters the recent-file list.
    bool OpenDocumentFile(const QString& path);
    void OnAppAbout();
    // Where the copies of unsaved work are kept against a crash.
    static QString RecoveryFolder();

    CNorvaleDoc& Document() const { return *m_pDoc; }
    CMainFrame& Frame() const { return *m_pFrame; }
    const CRecentFileList& RecentFiles() const { return m_recent; }

    bool HandlesCommand(int id) const override;
    bool OnCmdMsg(int id) override;
    bool OnUpdateCmdUI(int id, CCmdUI& cmdUI) const override;

private:
    bool StartWith(const WindowArguments& parsed);
    void OfferRecovery();

    UiLanguage m_language = UiLanguage::Japanese;
    std::unique_ptr<CUiTranslation> m_pTranslation;
    std::unique_ptr<CQtUiServices> m_pOwnUi;
    CUiServices* m_pUi;
    CRecentFileList m_recent{kRecentFiles};
    std::unique_ptr<CNorvaleDoc> m_pDoc;
    std::unique_ptr<CRecoveryCopy> m_pRecovery;
    std::unique_ptr<CMainFrame> m_pFrame;
};
