// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QDialog>

#include "model/edge_options.h"

class QCheckBox;
class QComboBox;
class QSpinBox;

// "エッジ検出の詳細設定": the line width, the smoothing of the profile, the sub-pixel placement
// of the edge and whether lines are measured over their whole length. The side panel opens it from its button and makes the result one undoable step.
class CEdgeOptionsDlg : public QDialog {
    Q_OBJECT
public:
    explicit CEdgeOptionsDlg(QWidget* parent = nullptr);

    void SetOptions(const EdgeOptions& options);
    // The options as the controls show them; an even width typed in is taken as the next odd one.
    EdgeOptions Options() const;

    // Runs the dialog modally; true, with the options as set, for OK.
    static bool Run(QWidget* parent, EdgeOptions& options);

private:
    void UpdateEnabled();

    QCheckBox* m_subPixel = nullptr;
    QSpinBox* m_lineWidth = nullptr;
    QComboBox* m_smoothing = nullptr;
    QSpinBox* m_smoothWidth = nullptr;
    QCheckBox* m_wholeLine = nullptr;
};
