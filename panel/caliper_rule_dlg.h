// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QDialog>
#include <functional>
#include <optional>

#include "model/caliper.h"

class QCheckBox;
class QComboBox;
class QLineEdit;

// "エッジ検出のルール": every field of a caliper rule. The kind decides which fields take part
// (the others are greyed and keep their values; the plain kind takes only its plain rule and
// the track); numbers are typed as text and read in the C
// locale. OK keeps the dialog open until every field that takes part reads and the rule is
// valid, naming the problem and putting the focus in the field at fault. Opened for a line, the
// dialog also offers to give the line back to the side panel's rule.
class CCaliperRuleDlg : public QDialog {
    Q_OBJECT
public:
    explicit CCaliperRuleDlg(QWidget* parent = nullptr, bool panelChoice = false);

    // Shows the rule; none shows the defaults, with the panel's rule chosen where it is offered.
    void SetRule(const std::optional<CaliperRule>& rule);
    // The fields read into the rule; false, with the message shown and the focus in the field at
    // fault, when one does not read or the rule would not be valid.
    bool UpdateData();
    // The rule as last read; none when the panel's rule was chosen.
    std::optional<CaliperRule> Rule() const;

    void accept() override;

    // Runs the dialog modally on the rule; true, with the rule as set, for OK.
    static bool Run(QWidget* parent, std::optional<CaliperRule>& rule, bool panelChoice);

    // Shows a message about the dialog's input; tests install their own so that no modal box
    // waits for a click. An empty hook restores the plain OK box.
    using MessageHook = std::function<void(QWidget* parent, const QString& text)>;
    static void SetMessageHook(MessageHook hook);

private:
    void UpdateEnabled();
    bool Fail(QLineEdit* edit, const QString& message);
    bool ReadDouble(QLineEdit* edit, double& out);

    QCheckBox* m_panelRule = nullptr;  // only where the panel's rule is offered
    QComboBox* m_kind = nullptr;
    QComboBox* m_plainMode = nullptr;  // which of the four plain rules, for the plain kind
    QLineEdit* m_sigma = nullptr;
    QComboBox* m_polarity = nullptr;
    QLineEdit* m_minContrast = nullptr;
    QComboBox* m_select = nullptr;
    QLineEdit* m_nth = nullptr;
    QComboBox* m_estimator = nullptr;
    QLineEdit* m_level = nullptr;
    QCheckBox* m_levelIsFraction = nullptr;
    QCheckBox* m_lastCrossing = nullptr;
    QCheckBox* m_bilinear = nullptr;
    QComboBox* m_pairOrder = nullptr;
    QLineEdit* m_minWidth = nullptr;
    QLineEdit* m_maxWidth = nullptr;
    QLineEdit* m_track = nullptr;  // the tracking window's half-width; 0 is off
    CaliperRule m_rule;
    bool m_bPanel = false;
};
