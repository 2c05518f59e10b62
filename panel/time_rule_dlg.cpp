// SPDX-License-Identifier: GPL-3.0-or-later
#include "panel/time_rule_dlg.h"

#include <QComboBox>
#include <QCoreApplication>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <algorithm>

#include "panel/dialog_numbers.h"

CTimeRuleDlg::CTimeRuleDlg(QWidget* parent) : QDialog(parent) {
    setWindowTitle(QCoreApplication::translate("Panel", "間隔"));
    setObjectName(QStringLiteral("TimeRuleDialog"));
    auto* form = new QFormLayout(this);

    m_kind = new QComboBox(this);
    m_kind->setObjectName(QStringLiteral("TimeRuleKind"));
    // In the order of TimeRule::Kind.
    m_kind->addItems({QCoreApplication::translate("Panel", "ファイルの時刻"),
                      QCoreApplication::translate("Panel", "一定の間隔"),
                      QCoreApplication::translate("Panel", "ファイルの更新日時")});
    form->addRow(QCoreApplication::translate("Panel", "時刻:"), m_kind);

    m_interval = new QLineEdit(this);
    m_interval->setObjectName(QStringLiteral("TimeRuleInterval"));
    form->addRow(QCoreApplication::translate("Panel", "間隔（秒）:"), m_interval);
    m_start = new QLineEdit(this);
    m_start->setObjectName(QStringLiteral("TimeRuleStart"));
    form->addRow(QCoreApplication::translate("Panel", "最初の画像の時刻（秒）:"), m_start);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    buttons->button(QDialogButtonBox::Cancel)
        ->setText(QCoreApplication::translate("Panel", "キャンセル"));
    form->addRow(buttons);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(m_kind, &QComboBox::currentIndexChanged, this, [this] { UpdateEnabled(); });
    SetRule({});
}

void CTimeRuleDlg::SetRule(const TimeRule& rule) {
    m_kind->setCurrentIndex(static_cast<int>(rule.kind));
    m_interval->setText(FormatDialogDouble(rule.interval));
    m_start->setText(FormatDialogDouble(rule.start));
    UpdateEnabled();
}

std::optional<TimeRule> CTimeRuleDlg::Rule(bool tell) {
    TimeRule rule;
    rule.kind = static_cast<TimeRule::Kind>(std::max(0, m_kind->currentIndex()));
    // The other rules use no numbers: they keep the defaults, so that equal rules compare equal.
    if (rule.kind != TimeRule::Kind::Interval) return rule;
    const auto refuse = [&](QLineEdit* field, const QString& text) -> std::optional<TimeRule> {
        if (tell) {
            QMessageBox::warning(this, windowTitle(), text);
            field->setFocus();
            field->selectAll();
        }
        return std::nullopt;
    };
    const std::optional<double> interval = ParseDialogDouble(m_interval->text());
    if (!interval || !(*interval > 0.0)) {
        return refuse(m_interval, QCoreApplication::translate(
                                      "Panel", "間隔には 0 より大きい秒数を入力してください。"));
    }
    const std::optional<double> start = ParseDialogDouble(m_start->text());
    if (!start) {
        return refuse(m_start, QCoreApplication::translate(
                                   "Panel", "最初の画像の時刻には秒数を入力してください。"));
    }
    rule.interval = *interval;
    rule.start = *start;
    return rule;
}

void CTimeRuleDlg::accept() {
    if (Rule(true)) QDialog::accept();
}

void CTimeRuleDlg::UpdateEnabled() {
    const bool interval = m_kind->currentIndex() == static_cast<int>(TimeRule::Kind::Interval);
    m_interval->setEnabled(interval);
    m_start->setEnabled(interval);
}

bool CTimeRuleDlg::Run(QWidget* parent, TimeRule& rule) {
    CTimeRuleDlg dialog(parent);
    dialog.SetRule(rule);
    if (dialog.exec() != QDialog::Accepted) return false;
    const std::optional<TimeRule> chosen = dialog.Rule(false);
    if (!chosen) return false;
    rule = *chosen;
    return true;
}
