// SPDX-License-Identifier: GPL-3.0-or-later
// The time rule's dialog: the rule it hands back for what is typed, and what it refuses.
#include "panel/time_rule_dlg.h"

#include <QComboBox>
#include <QLineEdit>
#include <QTest>

#include "gui/panel/panel_test_support.h"

class TimeRuleDlgTest : public QObject {
    Q_OBJECT

private slots:
    void readsOrRefuses_data() {
        QTest::addColumn<int>("kind");
        QTest::addColumn<QString>("interval");
        QTest::addColumn<QString>("start");
        QTest::addColumn<bool>("accepted");
        QTest::addColumn<double>("seconds");  // the interval read
        QTest::addColumn<double>("from");     // the start read
        QTest::newRow("interval") << 1 << "0.04" << "-1.5" << true << 0.04 << -1.5;
        QTest::newRow("exponent and spaces") << 1 << " 2e-3 " << "0" << true << 0.002 << 0.0;
        QTest::newRow("zero interval") << 1 << "0" << "0" << false << 0.0 << 0.0;
        QTest::newRow("negative interval") << 1 << "-1" << "0" << false << 0.0 << 0.0;
        QTest::newRow("decimal comma") << 1 << "0,5" << "0" << false << 0.0 << 0.0;
        QTest::newRow("start not a number") << 1 << "1" << "inf" << false << 0.0 << 0.0;
        // The other rules use no numbers: nonsense typed there is not read at all.
        QTest::newRow("files' times") << 0 << "x" << "y" << true << 1.0 << 0.0;
        QTest::newRow("modification times") << 2 << "0" << "" << true << 1.0 << 0.0;
    }

    void readsOrRefuses() {
        QFETCH(int, kind);
        QFETCH(QString, interval);
        QFETCH(QString, start);
        QFETCH(bool, accepted);
        QFETCH(double, seconds);
        QFETCH(double, from);
        CTimeRuleDlg dialog;
        dialog.findChild<QComboBox*>(QStringLiteral("TimeRuleKind"))->setCurrentIndex(kind);
        auto* intervalEdit = dialog.findChild<QLineEdit*>(QStringLiteral("TimeRuleInterval"));
        intervalEdit->setText(interval);
        dialog.findChild<QLineEdit*>(QStringLiteral("TimeRuleStart"))->setText(start);
        QCOMPARE(intervalEdit->isEnabled(), kind == 1);
        const std::optional<TimeRule> rule = dialog.Rule(false);
        QCOMPARE(rule.has_value(), accepted);
        if (!rule) return;
        QCOMPARE(static_cast<int>(rule->kind), kind);
        QCOMPARE(rule->interval, seconds);
        QCOMPARE(rule->start, from);
    }

    void showsTheRuleItIsGiven() {
        CTimeRuleDlg dialog;
        dialog.SetRule({TimeRule::Kind::Interval, 0.1, 2.5});
        QCOMPARE(dialog.findChild<QLineEdit*>(QStringLiteral("TimeRuleInterval"))->text(),
                 QStringLiteral("0.1"));
        QCOMPARE(dialog.Rule(false), std::optional<TimeRule>(TimeRule{TimeRule::Kind::Interval, 0.1, 2.5}));
    }
};

int RunTimeRuleDlgTests(int argc, char** argv) {
    TimeRuleDlgTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "time_rule_dlg_test.moc"
