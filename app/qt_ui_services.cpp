// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/qt_ui_services.h"

#include <QApplication>
#include <QCoreApplication>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>
#include <QSettings>
#include <QStandardPaths>

#include "app/caption_width.h"
#include "panel/axis_dlg.h"
#include "panel/caliper_rule_dlg.h"
#include "panel/edge_options_dlg.h"

namespace {
const QString kTitle = QStringLiteral("Quandrel");
const QString kLastFolderKey = QStringLiteral("Settings/LastFolder");
}  // namespace

void CQtUiServices::MessageBox(const QString& text) {
    QMessageBox box(QMessageBox::NoIcon, kTitle, text, QMessageBox::Ok, m_parent);
    FitCaption(box);
    box.exec();
}

bool CQtUiServices::AskYesNo(const QString& text) {
    QMessageBox box(QMessageBox::NoIcon, kTitle, text, QMessageBox::Yes | QMessageBox::No,
                    m_parent);
    box.setDefaultButton(QMessageBox::Yes);
    FitCaption(box);
    return box.exec() == QMessageBox::Yes;
}

SaveChoice CQtUiServices::AskSaveChanges(const QString& text) {
    QMessageBox box(QMessageBox::NoIcon, kTitle, text,
                    QMessageBox::Save | QMessageBox::Discard | QMessageBox::Cancel, m_parent);
    box.setDefaultButton(QMessageBox::Save);
    box.setEscapeButton(QMessageBox::Cancel);
    FitCaption(box);
    switch (box.exec()) {
        case QMessageBox::Save:
            return SaveChoice::Save;
        case QMessageBox::Discard:
            return SaveChoice::Discard;
        default:
            return SaveChoice::Cancel;
    }
}

void CQtUiServices::MessageBoxWithDetails(const QString& text, const QString& details) {
    QMessageBox box(QMessageBox::NoIcon, kTitle, text, QMessageBox::Ok, m_parent);
    box.setDetailedText(details);
    FitCaption(box);
    box.exec();
}

QStringList CQtUiServices::NameFilters(const std::vector<FileFilter>& filters) {
    QStringList names;
    for (const FileFilter& filter : filters) {
        names << QStringLiteral("%1 (%2)").arg(filter.description, filter.patterns.join(' '));
    }
    return names;
}

int CQtUiServices::FilterIndex(const std::vector<FileFilter>& filters, const QString& chosen) {
    const QStringList names = NameFilters(filters);
    if (const qsizetype whole = names.indexOf(chosen); whole >= 0) return static_cast<int>(whole);
    // Qt strips the last parenthesised list from the name and simplifies the white space.
    const QString shown = chosen.simplified();
    for (std::size_t k = 0; k < filters.size(); ++k) {
        if (filters[k].description.simplified() == shown) return static_cast<int>(k);
    }
    return -1;
}

QString CQtUiServices::LastFolder() const {
    // Only a folder that exists: the dialog would take the last part of any other path for a
    // file name and type it into the name box.
    for (const QString& folder :
         {QSettings().value(kLastFolderKey).toString(),
          QStandardPaths::writableLocation(QStandardPaths::PicturesLocation)}) {
        if (!folder.isEmpty() && QFileInfo(folder).isDir()) return folder;
    }
    return QDir::homePath();
}

void CQtUiServices::RememberFolder(const QString& file) const {
    QSettings().setValue(kLastFolderKey, QFileInfo(file).absolutePath());
}

QStringList CQtUiServices::GetOpenFileNames(const OpenFilesRequest& request) {
    QFileDialog dialog(m_parent, QString(), LastFolder());
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(request.multiple ? QFileDialog::ExistingFiles : QFileDialog::ExistingFile);
    // The type list shows the descriptions alone; the patterns stay behind the scenes.
    dialog.setOption(QFileDialog::HideNameFilterDetails, true);
    dialog.setNameFilters(NameFilters(request.filters));
    dialog.setDefaultSuffix(request.defaultSuffix);
    if (dialog.exec() != QDialog::Accepted) return {};
    const QStringList files = dialog.selectedFiles();
    if (!files.isEmpty()) RememberFolder(files.first());
    return files;
}

QString CQtUiServices::GetSaveFileName(SaveFileRequest& request) {
    QFileDialog dialog(m_parent, QString(), LastFolder());
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setOption(QFileDialog::HideNameFilterDetails, true);
    dialog.setOption(QFileDialog::DontConfirmOverwrite, !request.confirmOverwrite);
    dialog.setNameFilters(NameFilters(request.filters));
    dialog.setDefaultSuffix(request.defaultSuffix);
    // A name typed without a suffix takes the chosen type's, so that the file is of the type
    // the user chose; a type of any file keeps the request's.
    QObject::connect(
        &dialog, &QFileDialog::filterSelected, &dialog, [&dialog, &request](const QString& chosen) {
            const int index = FilterIndex(request.filters, chosen);
            QString suffix = request.defaultSuffix;
            if (index >= 0) {
                const QStringList& patterns = request.filters[index].patterns;
                if (!patterns.isEmpty() && patterns.first().startsWith(QLatin1String("*."))) {
                    suffix = patterns.first().mid(2);
                }
            }
            dialog.setDefaultSuffix(suffix);
        });
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return {};
    request.selectedFilter = std::max(0, FilterIndex(request.filters, dialog.selectedNameFilter()));
    const QString file = dialog.selectedFiles().first();
    RememberFolder(file);
    return file;
}

void CQtUiServices::ShowOpenFailure(const QString& path, const QString& reason) {
    MessageBox(QCoreApplication::translate("Frame", "%1 を開くことができません。\n%2")
                   .arg(QDir::toNativeSeparators(path), reason));
}

bool CQtUiServices::RunAxisDialog(AxisDialogValues& values) {
    return CAxisDlg::Run(m_parent, values);
}

bool CQtUiServices::RunEdgeOptionsDialog(EdgeOptions& options) {
    return CEdgeOptionsDlg::Run(m_parent, options);
}

bool CQtUiServices::RunCaliperRuleDialog(std::optional<CaliperRule>& rule, bool panelChoice) {
    return CCaliperRuleDlg::Run(m_parent, rule, panelChoice);
}

void CQtUiServices::BeginProgress(const QString& text, int total) {
    m_gate.reset();
    delete m_progress;
    m_progress = new QProgressDialog(text, QCoreApplication::translate("Frame", "ｷｬﾝｾﾙ"), 0, total,
                                     m_parent);
    m_progress->setWindowTitle(kTitle);
    m_progress->setWindowModality(Qt::ApplicationModal);
    m_progress->setMinimumDuration(500);  // short series finish before it would show
    m_progress->setAutoClose(false);
    m_progress->setAutoReset(false);
    m_progress->setValue(0);
    // Modal from the first moment, not only once the dialog shows.
    m_gate = std::make_unique<CInputGate>(m_progress);
}

bool CQtUiServices::SetProgress(int done) {
    if (m_progress == nullptr) return true;
    m_progress->setValue(done);
    QApplication::processEvents();
    return !m_progress->wasCanceled();
}

void CQtUiServices::EndProgress() {
    m_gate.reset();
    delete m_progress;
    m_progress = nullptr;
}
