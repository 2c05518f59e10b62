// SPDX-License-Identifier: GPL-3.0-or-later
// The caliper rule dialog: which fields take part for each kind, the texts that keep it open
// with their message and the field at fault, and the rules it hands back.
#include "panel/caliper_rule_dlg.h"

#include <QComboBox>
#include <QLineEdit>
#include <QTest>

#include "gui/panel/panel_test_support.h"

namespace {

struct Field {
    const char* name;
    const char* text;
};

// The dialog on the defaults, with the kind chosen and the fields typed in; the message shown by
// OK, if any.
struct RuleDialog {
    CCaliperRuleDlg dialog{nullptr, true};
    QStringList messages;

    RuleDialog() {
        CCaliperRuleDlg::SetMessageHook(
            [this](QWidget*, const QString& text) { messages << text; });
        dialog.SetRule(CaliperRule{});
        dialog.show();
    }
    ~RuleDialog() { CCaliperRuleDlg::SetMessageHook({}); }

    QLineEdit* Edit(const char* name) const {
        return dialog.findChild<QLineEdit*>(QString::fromLatin1(name));
    }
    QComboBox* Combo(const char* name) const {
        return dialog.findChild<QComboBox*>(QString::fromLatin1(name));
    }
};

}  // namespace

class CaliperRuleDlgTest : public QObject {
    Q_OBJECT

private slots:
    void readsOrRefuses_data() {
        QTest::addColumn<int>("kind");
        QTest::addColumn<int>("select");
        QTest::addColumn<QString>("field");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("message");  // empty: accepted
        QTest::newRow("sigma") << 0 << 2 << "IDC_RULE_SIGMA" << "2.5" << "";
        QTest::newRow("sigma not a number") << 0 << 2 << "IDC_RULE_SIGMA" << "2,5"
                                            << "数値を入力してください。";
        QTest::newRow("sigma too small") << 0 << 2 << "IDC_RULE_SIGMA" << "0.25"
                                         << "σ には 0.5 から 10 までの値を入力してください。";
        QTest::newRow("sigma too large") << 1 << 2 << "IDC_RULE_SIGMA" << "10.5"
                                         << "σ には 0.5 から 10 までの値を入力してください。";
        QTest::newRow("negative contrast") << 0 << 2 << "IDC_RULE_MIN_CONTRAST" << "-1"
                                           << "最小コントラストには 0 以上の値を入力してください。";
        QTest::newRow("nth") << 0 << 3 << "IDC_RULE_NTH" << "3" << "";
        QTest::newRow("nth zero") << 0 << 3 << "IDC_RULE_NTH" << "0"
                                  << "n には 1 以上の整数を入力してください。";
        QTest::newRow("nth not whole") << 0 << 3 << "IDC_RULE_NTH" << "1.5"
                                       << "整数を入力してください。";
        // Greyed fields keep their values and are not read.
        QTest::newRow("nth greyed") << 0 << 2 << "IDC_RULE_NTH" << "x" << "";
        QTest::newRow("level greyed for an edge") << 0 << 2 << "IDC_RULE_LEVEL" << "x" << "";
        QTest::newRow("level") << 1 << 2 << "IDC_RULE_LEVEL" << "0.25" << "";
        QTest::newRow("level past the fraction") << 1 << 2 << "IDC_RULE_LEVEL" << "1.5"
                                                 << "割合には 0 から 1 までの値を入力してください。";
        QTest::newRow("level infinite") << 1 << 2 << "IDC_RULE_LEVEL" << "1e999"
                                        << "数値を入力してください。";
        QTest::newRow("max width") << 2 << 2 << "IDC_RULE_MAX_WIDTH" << "40" << "";
        QTest::newRow("max width under min") << 2 << 2 << "IDC_RULE_MAX_WIDTH" << "-1"
                                             << "最大幅には最小幅以上の値を入力してください。";
        QTest::newRow("negative min width") << 2 << 2 << "IDC_RULE_MIN_WIDTH" << "-2"
                                            << "最小幅には 0 以上の値を入力してください。";
        QTest::newRow("plain track") << 3 << 2 << "IDC_RULE_TRACK" << "6" << "";
        QTest::newRow("plain track negative") << 3 << 2 << "IDC_RULE_TRACK" << "-6"
                                              << "追跡の幅には 0 から 1048576 までの整数を入力してください。";
        QTest::newRow("sigma greyed for a plain rule") << 3 << 2 << "IDC_RULE_SIGMA" << "x" << "";
    }

    void readsOrRefuses() {
        QFETCH(int, kind);
        QFETCH(int, select);
        QFETCH(QString, field);
        QFETCH(QString, text);
        QFETCH(QString, message);
        RuleDialog d;
        d.Combo("IDC_RULE_KIND")->setCurrentIndex(kind);
        d.Combo("IDC_RULE_SELECT")->setCurrentIndex(select);
        QLineEdit* edit = d.dialog.findChild<QLineEdit*>(field);
        QVERIFY(edit != nullptr);
        edit->setText(text);
        const bool read = d.dialog.UpdateData();
        if (message.isEmpty()) {
            QVERIFY2(read, qPrintable(d.messages.join(QLatin1Char('\n'))));
            const std::optional<CaliperRule> rule = d.dialog.Rule();
            QVERIFY(rule.has_value());
            QVERIFY(IsValidCaliperRule(*rule));
            QCOMPARE(static_cast<int>(rule->kind), kind);
        } else {
            QVERIFY(!read);
            QCOMPARE(d.messages, QStringList{message});
            QCOMPARE(d.dialog.focusWidget(), edit);
        }
    }

    // The kind decides which fields take part.
    void kindChoosesTheFields_data() {
        QTest::addColumn<int>("kind");
        QTest::addColumn<QStringList>("enabled");
        QTest::addColumn<QStringList>("greyed");
        QTest::newRow("edge") << 0
                              << QStringList{"IDC_RULE_POLARITY", "IDC_RULE_MIN_CONTRAST",
                                             "IDC_RULE_ESTIMATOR"}
                              << QStringList{"IDC_RULE_LEVEL", "IDC_RULE_PAIR_ORDER",
                                             "IDC_RULE_MAX_WIDTH", "IDC_RULE_PLAIN_MODE"};
        QTest::newRow("threshold") << 1
                                   << QStringList{"IDC_RULE_LEVEL", "IDC_RULE_LAST_CROSSING",
                                                  "IDC_RULE_POLARITY"}
                                   << QStringList{"IDC_RULE_SELECT", "IDC_RULE_ESTIMATOR",
                                                  "IDC_RULE_MIN_WIDTH"};
        QTest::newRow("pair") << 2
                              << QStringList{"IDC_RULE_PAIR_ORDER", "IDC_RULE_MIN_WIDTH",
                                             "IDC_RULE_ESTIMATOR"}
                              << QStringList{"IDC_RULE_POLARITY", "IDC_RULE_LEVEL"};
        QTest::newRow("plain") << 3 << QStringList{"IDC_RULE_PLAIN_MODE", "IDC_RULE_TRACK"}
                               << QStringList{"IDC_RULE_SIGMA", "IDC_RULE_SELECT",
                                              "IDC_RULE_BILINEAR", "IDC_RULE_ESTIMATOR"};
    }

    void kindChoosesTheFields() {
        QFETCH(int, kind);
        QFETCH(QStringList, enabled);
        QFETCH(QStringList, greyed);
        RuleDialog d;
        d.dialog.SetRule(CaliperRule{});
        d.Combo("IDC_RULE_KIND")->setCurrentIndex(kind);
        for (const QString& name : enabled) {
            QVERIFY2(d.dialog.findChild<QWidget*>(name)->isEnabled(), qPrintable(name));
        }
        for (const QString& name : greyed) {
            QVERIFY2(!d.dialog.findChild<QWidget*>(name)->isEnabled(), qPrintable(name));
        }
    }

    // Opened on a line under the panel's rule, every field is greyed and OK hands back none;
    // a rule shown comes back as it went in.
    void panelRuleAndRoundTrip() {
        RuleDialog d;
        d.dialog.SetRule(std::nullopt);
        QVERIFY(!d.Edit("IDC_RULE_SIGMA")->isEnabled());
        QVERIFY(d.dialog.UpdateData());
        QVERIFY(!d.dialog.Rule().has_value());
        CaliperRule rule;
        rule.kind = CaliperKind::Pair;
        rule.sigma = 1.75;
        rule.pairOrder = PairOrder::FallRise;
        rule.minWidth = 2.5;
        rule.maxWidth = 30;
        rule.select = EdgeSelect::Nth;
        rule.nth = 2;
        rule.estimator = EdgeEstimator::StepFit;
        rule.bilinear = true;
        d.dialog.SetRule(rule);
        QVERIFY(d.dialog.UpdateData());
        QCOMPARE(d.dialog.Rule(), std::optional<CaliperRule>(rule));
        // Made a plain rule, it keeps the other fields but reads no longer between pixels;
        // and comes back as it went in.
        d.Combo("IDC_RULE_KIND")->setCurrentIndex(3);
        d.Combo("IDC_RULE_PLAIN_MODE")->setCurrentIndex(2);
        d.Edit("IDC_RULE_TRACK")->setText(QStringLiteral("9"));
        QVERIFY(d.dialog.UpdateData());
        CaliperRule plain = rule;
        plain.kind = CaliperKind::Plain;
        plain.plainMode = 2;
        plain.track = 9;
        plain.bilinear = false;
        QCOMPARE(d.dialog.Rule(), std::optional<CaliperRule>(plain));
        d.dialog.SetRule(plain);
        QCOMPARE(d.Combo("IDC_RULE_PLAIN_MODE")->currentIndex(), 2);
        QVERIFY(d.dialog.UpdateData());
        QCOMPARE(d.dialog.Rule(), std::optional<CaliperRule>(plain));
        // Back to an edge rule: no plain rule left behind.
        d.Combo("IDC_RULE_KIND")->setCurrentIndex(0);
        QVERIFY(d.dialog.UpdateData());
        QCOMPARE(d.dialog.Rule()->plainMode, 0);
        QVERIFY(d.messages.isEmpty());
    }
};

int RunCaliperRuleDlgTests(int argc, char** argv) {
    CaliperRuleDlgTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "caliper_rule_dlg_test.moc"
