// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QDialog>
#include <optional>

#include "model/time_rule.h"

class QComboBox;
class QLineEdit;

// "間隔": how the entries get their times. The numbers are read in the C locale, as every
// dialog's; a fixed interval that is not a number above 0, or a start that is not a number, is
// named and the dialog stays open.
class CTimeRuleDlg : public QDialog {
    Q_OBJECT
public:
    explicit CTimeRuleDlg(QWidget* parent = nullptr);

    void SetRule(const TimeRule& rule);
    // The rule as the controls show it; nullopt, after saying which field is wrong, when the
    // numbers of a fixed interval do not read.
    std::optional<TimeRule> Rule(bool tell);

    void accept() override;

    // Runs the dialog modally; true, with the rule as set, for OK.
    static bool Run(QWidget* parent, TimeRule& rule);

private:
    void UpdateEnabled();

    QComboBox* m_kind = nullptr;
    QLineEdit* m_interval = nullptr;
    QLineEdit* m_start = nullptr;
};
