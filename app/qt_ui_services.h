// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QPointer>
#include <QProgressDialog>
#include <memory>

#include "app/input_gate.h"

#include "document/ui_services.h"

class QWidget;

// The document's questions answered with Qt's dialogs: message boxes titled "Quandrel" without an
// icon, the file dialogs, the axis settings dialog and a progress dialog.
class CQtUiServices : public CUiServices {
public:
    void SetParent(QWidget* parent) { m_parent = parent; }

    void MessageBox(const QString& text) override;
    bool AskYesNo(const QString& text) override;
    SaveChoice AskSaveChanges(const QString& text) override;
    void MessageBoxWithDetails(const QString& text, const QString& details) override;
    QStringList GetOpenFileNames(const OpenFilesRequest& request) override;
    QString GetSaveFileName(SaveFileRequest& request) override;
    void ShowOpenFailure(const QString& path, const QString& reason) override;
    bool RunAxisDialog(AxisDialogValues& values) override;
    bool RunEdgeOptionsDialog(EdgeOptions& options) override;
    bool RunCaliperRuleDialog(std::optional<CaliperRule>& rule, bool panelChoice) override;
    void BeginProgress(const QString& text, int total) override;
    bool SetProgress(int done) override;
    void EndProgress() override;

    // A dialog's type list as Qt reads it: "description (pattern pattern ...)".
    static QStringList NameFilters(const std::vector<FileFilter>& filters);
    // The index of the type a dialog names as chosen, or -1. Qt's own dialog with the patterns
    // hidden names it as it shows it, without the pattern list that NameFilters appends; a
    // native one may name it whole.
    static int FilterIndex(const std::vector<FileFilter>& filters, const QString& chosen);

private:
    QString LastFolder() const;
    void RememberFolder(const QString& file) const;

    QPointer<QWidget> m_parent;
    QPointer<QProgressDialog> m_progress;
    std::unique_ptr<CInputGate> m_gate;
};
