// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>
#include <QStringList>
#include <optional>
#include <vector>

#include "model/caliper.h"
#include "model/edge_options.h"

// One entry of a file dialog's type list: the text shown and the patterns it matches.
struct FileFilter {
    QString description;
    QStringList patterns;
};

struct OpenFilesRequest {
    std::vector<FileFilter> filters;
    QString defaultSuffix;
    bool multiple = true;  // false: exactly one existing file
};

// The answers to the question asked before unsaved work would be lost.
enum class SaveChoice { Save, Discard, Cancel };

struct SaveFileRequest {
    std::vector<FileFilter> filters;
    QString defaultSuffix;
    bool confirmOverwrite = true;
    int selectedFilter = 0;  // set by the dialog: the index of the type the user chose
};

// The axis settings dialog's fields.
struct AxisDialogValues {
    int m_nOriginX = 0;
    int m_nOriginY = 0;
    double m_dXMax = 0.0;
    double m_dXMin = 0.0;
    int m_nXAxisX = 0;
    int m_nXAxisY = 0;
    double m_dYMax = 0.0;
    double m_dYMin = 0.0;
    int m_nYAxisX = 0;
    int m_nYAxisY = 0;
    bool m_bLogX = false;
    bool m_bLogY = false;

    friend bool operator==(const AxisDialogValues&, const AxisDialogValues&) = default;
};

// Everything the document asks of the user. The program answers with Qt dialogs; tests answer
// from a script.
class CUiServices {
public:
    virtual ~CUiServices() = default;

    // A plain notice with an OK button.
    virtual void MessageBox(const QString& text) = 0;
    // A Yes/No question, Yes being the default; true for Yes.
    virtual bool AskYesNo(const QString& text) = 0;
    // Whether to save the changes first: save (the default), discard them, or cancel.
    virtual SaveChoice AskSaveChanges(const QString& text) = 0;
    // A notice with a list too long for its text (every missing file), shown on request.
    virtual void MessageBoxWithDetails(const QString& text, const QString& details) = 0;
    // The chosen files, in the dialog's order; empty when cancelled.
    virtual QStringList GetOpenFileNames(const OpenFilesRequest& request) = 0;
    // The chosen file; empty when cancelled.
    virtual QString GetSaveFileName(SaveFileRequest& request) = 0;
    // A file that cannot be opened at all, with the system's reason.
    virtual void ShowOpenFailure(const QString& path, const QString& reason) = 0;
    // Runs the axis settings dialog on the values; true for OK, with the values as typed.
    virtual bool RunAxisDialog(AxisDialogValues& values) = 0;
    // Runs the dialog of the finer detection options; true for OK, with the options as set. A
    // user interface that cannot ask answers as a cancel, which changes nothing.
    virtual bool RunEdgeOptionsDialog(EdgeOptions& /*options*/) { return false; }
    // Runs the dialog of a caliper rule on `rule` (empty: the dialog starts from the defaults);
    // true for OK, with the rule as set. With `panelChoice` the dialog also offers to give a line
    // back to the side panel's rule, and answers that choice with an empty `rule`. A user
    // interface that cannot ask answers as a cancel.
    virtual bool RunCaliperRuleDialog(std::optional<CaliperRule>& /*rule*/, bool /*panelChoice*/) {
        return false;
    }

    // Progress of a long operation. SetProgress returns false once the user asked to cancel.
    virtual void BeginProgress(const QString& text, int total) = 0;
    virtual bool SetProgress(int done) = 0;
    virtual void EndProgress() = 0;
};
