// SPDX-License-Identifier: GPL-3.0-or-later
// The axis settings dialog: its fields filled from the current calibration, OK in both scopes
// and Cancel through the panel's button, and the parse errors that keep it open.
#include "panel/axis_dlg.h"

#include <QApplication>
#include <QCheckBox>
#include <QLineEdit>
#include <QTest>
#include <QTimer>
#include <functional>

#include "document/doc_fakes.h"
#include "gui/panel/panel_test_support.h"
#include "model/data_axis.h"
#include "panel/data_view.h"
#include "panel/dialog_units.h"

namespace {

QLineEdit* Field(QWidget* dialog, const QString& name) {
    return dialog->findChild<QLineEdit*>(name);
}

QAbstractButton* Button(QWidget* dialog, const char* name) {
    return dialog->findChild<QAbstractButton*>(QString::fromLatin1(name));
}

// Runs the script on the modal dialog as soon as it is up; a dialog the script leaves open is
// cancelled, so a failed check never leaves the test waiting in the dialog's loop.
void OnDialog(std::function<void(CAxisDlg&)> script) {
    QTimer::singleShot(0, [script = std::move(script)] {
        auto* dialog = qobject_cast<CAxisDlg*>(QApplication::activeModalWidget());
        if (dialog == nullptr) return;
        script(*dialog);
        if (dialog->isVisible()) dialog->reject();
    });
}

// The fields in display order: pixel grid row by row, then X Min, X Max, Y Min, Y Max.
QStringList Shown(QWidget* dialog) {
    QStringList texts;
    for (const char* name :
         {"IDC_ORIGIN_X", "IDC_ORIGIN_Y", "IDC_XAXIS_X", "IDC_XAXIS_Y", "IDC_YAXIS_X",
          "IDC_YAXIS_Y", "IDC_X_MIN", "IDC_X_MAX", "IDC_Y_MIN", "IDC_Y_MAX"}) {
        texts << Field(dialog, QString::fromLatin1(name))->text();
    }
    return texts;
}

// A panel on a document with two pictures whose calibrations differ; the second is current.
struct AxisFixture {
    FakeUi ui;
    CNorvaleDoc doc{ui};
    ImageFiles files;
    CDataView panel{doc};

    AxisFixture() {
        ui.axisDialog = [](AxisDialogValues& values) { return CAxisDlg::Run(nullptr, values); };
        QObject::connect(&panel, &CDataView::command, [this](int id) { doc.OnCmdMsg(id); });
        panel.show();
        ui.openChoices.push_back(
            {files.Make(QStringLiteral("a.bmp"), 50), files.Make(QStringLiteral("b.bmp"), 60)});
        doc.OnAddFiles();
        doc.OpenImage(1);
        CDataAxis& second = *doc.m_profile.GetAxis(1);
        second.m_origin = {0.5, 2.25, 12, 100};
        second.m_xAxis = {1250.0, 7.0, 90, 101};
        second.m_yAxis = {3.0, 1e-5, 11, 8};
        second.m_bLogY = true;
    }
    void OpenFromPanel() { ClickButton(panel.findChild<QAbstractButton*>("ID_AXIS_SETTINGS")); }
};

}  // namespace

class AxisDlgTest : public QObject {
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void fillsDefaultCalibration();
    void okInScope_data();
    void okInScope();
    void cancelChangesNothing();
    void typedCalibrationConverts();
    void parseError_data();
    void parseError();
    void unusableScale_data();
    void unusableScale();
    void runReturnsTypedValues();
    void layout();

private:
    QStringList m_messages;
};

void AxisDlgTest::init() {
    m_messages.clear();
    CAxisDlg::SetMessageHook([this](QWidget*, const QString& text) { m_messages << text; });
}

void AxisDlgTest::cleanup() {
    CAxisDlg::SetMessageHook({});
}

void AxisDlgTest::fillsDefaultCalibration() {
    AxisFixture f;
    f.doc.m_profile.GetAxis(1)->SetDefault();
    QStringList shown;
    bool logX = true;
    bool logY = true;
    OnDialog([&](CAxisDlg& dialog) {
        shown = Shown(&dialog);
        logX = dialog.findChild<QCheckBox*>("IDC_LOG_X")->isChecked();
        logY = dialog.findChild<QCheckBox*>("IDC_LOG_Y")->isChecked();
    });
    f.OpenFromPanel();
    QCOMPARE(shown, (QStringList{"10", "110", "110", "110", "10", "10", "0", "1", "0", "1"}));
    QVERIFY(!logX);
    QVERIFY(!logY);
}

void AxisDlgTest::okInScope_data() {
    QTest::addColumn<bool>("individual");
    QTest::newRow("共通") << false;
    QTest::newRow("個別") << true;
}

void AxisDlgTest::okInScope() {
    QFETCH(bool, individual);
    AxisFixture f;
    if (individual) ClickButton(f.panel.findChild<QAbstractButton*>("IDC_AXIS_EACH"));
    const CDataAxis first = *f.doc.m_profile.GetAxis(0);
    QStringList shown;
    OnDialog([&](CAxisDlg& dialog) {
        shown = Shown(&dialog);
        ClickButton(Button(&dialog, "IDOK"));
    });
    f.OpenFromPanel();
    // Numbers with a point, whatever the locale.
    QCOMPARE(shown,
             (QStringList{"12", "100", "90", "101", "11", "8", "0.5", "1250", "2.25", "1e-05"}));
    QVERIFY(m_messages.isEmpty());

    // OK writes the dialog's values: the X point's y value and the Y point's x value become 0.
    CDataAxis expected = *f.doc.m_profile.GetAxis(1);
    QCOMPARE(expected.m_xAxis.m_yValue, 0.0);
    QCOMPARE(expected.m_yAxis.m_xValue, 0.0);
    QCOMPARE(expected.m_origin, (CData{0.5, 2.25, 12, 100}));
    QVERIFY(expected.m_bLogY);
    QCOMPARE(*f.doc.m_profile.GetAxis(0), individual ? first : expected);
}

void AxisDlgTest::cancelChangesNothing() {
    AxisFixture f;
    const CDataAxis first = *f.doc.m_profile.GetAxis(0);
    const CDataAxis second = *f.doc.m_profile.GetAxis(1);
    OnDialog([](CAxisDlg& dialog) {
        TypeInto(Field(&dialog, "IDC_ORIGIN_X"), "77");
        TypeInto(Field(&dialog, "IDC_X_MAX"), "9.5");
        ClickButton(Button(&dialog, "IDC_LOG_X"));
        ClickButton(Button(&dialog, "IDCANCEL"));
    });
    f.OpenFromPanel();
    QCOMPARE(f.ui.axisShown.size(), std::size_t{1});
    QCOMPARE(*f.doc.m_profile.GetAxis(0), first);
    QCOMPARE(*f.doc.m_profile.GetAxis(1), second);
}

void AxisDlgTest::typedCalibrationConverts() {
    AxisFixture f;
    OnDialog([](CAxisDlg& dialog) {
        const std::pair<const char*, const char*> typed[] = {
            {"IDC_ORIGIN_X", "10"}, {"IDC_ORIGIN_Y", "110"}, {"IDC_XAXIS_X", "110"},
            {"IDC_XAXIS_Y", "110"}, {"IDC_YAXIS_X", "10"},   {"IDC_YAXIS_Y", "10"},
            {"IDC_X_MIN", "1"},     {"IDC_X_MAX", "1000"},   {"IDC_Y_MIN", "0.5"},
            {"IDC_Y_MAX", "1.5"}};
        for (const auto& [name, text] : typed) TypeInto(Field(&dialog, name), text);
        ClickButton(Button(&dialog, "IDC_LOG_Y"));  // was set: clear it
        ClickButton(Button(&dialog, "IDC_LOG_X"));
        ClickButton(Button(&dialog, "IDOK"));
    });
    f.OpenFromPanel();
    const CDataAxis& axis = *f.doc.m_profile.GetAxis(0);
    QVERIFY(axis.m_bLogX);
    QVERIFY(!axis.m_bLogY);
    QCOMPARE(axis.m_yAxis.m_yValue, 1.5);
    // Halfway between origin and X point on a logarithmic 1..1000 axis: 10^1.5.
    const AxisFrame frame(axis);
    QVERIFY(frame.IsValid());
    const AxisValue halfway = frame.Convert({60, 110});
    QVERIFY(std::abs(halfway.x - 31.6227766016838) < 1e-9);
    QVERIFY(std::abs(halfway.y - 0.5) < 1e-12);
}

void AxisDlgTest::parseError_data() {
    QTest::addColumn<QString>("field");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("alsoBad");  // a later field, also wrong: not the one reported
    QTest::addColumn<QString>("message");
    const QString integer = QStringLiteral("整数を入力してください。");
    const QString number = QStringLiteral("数値を入力してください。");
    QTest::newRow("fraction in a pixel field") << "IDC_ORIGIN_X"
                                               << "1.5"
                                               << "IDC_Y_MAX" << integer;
    QTest::newRow("empty pixel field") << "IDC_XAXIS_Y"
                                       << ""
                                       << "IDC_YAXIS_X" << integer;
    QTest::newRow("letters in a pixel field") << "IDC_YAXIS_Y"
                                              << "abc"
                                              << "" << integer;
    QTest::newRow("comma in a value field") << "IDC_X_MIN"
                                            << "0,5"
                                            << "" << number;
    QTest::newRow("empty value field") << "IDC_Y_MIN"
                                       << ""
                                       << "IDC_YAXIS_X" << number;
    QTest::newRow("letters in a value field") << "IDC_Y_MAX"
                                              << "abc"
                                              << "" << number;
    // X Max is exchanged before X Min: of the two, it is the one reported.
    QTest::newRow("X Max before X Min") << "IDC_X_MAX"
                                        << "x"
                                        << "IDC_X_MIN" << number;
}

void AxisDlgTest::parseError() {
    QFETCH(QString, field);
    QFETCH(QString, text);
    QFETCH(QString, alsoBad);
    QFETCH(QString, message);
    CAxisDlg dialog;
    AxisDialogValues values;
    values.m_nOriginX = 3;
    values.m_dXMin = 0.25;
    dialog.SetValues(values);
    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));
    QCOMPARE(Field(&dialog, "IDC_X_MIN")->text(), QStringLiteral("0.25"));

    TypeInto(Field(&dialog, field), text);
    if (!alsoBad.isEmpty()) TypeInto(Field(&dialog, alsoBad), QStringLiteral("?"));
    ClickButton(Button(&dialog, "IDOK"));
    QCOMPARE(m_messages, QStringList{message});
    QVERIFY(dialog.isVisible());
    QCOMPARE(dialog.focusWidget(), Field(&dialog, field));
    QCOMPARE(Field(&dialog, field)->selectedText(), text);
    QCOMPARE(dialog.Values(), values);  // nothing stored while a field is wrong

    // Put right, the dialog closes with OK.
    TypeInto(Field(&dialog, field), QStringLiteral("2"));
    if (!alsoBad.isEmpty()) TypeInto(Field(&dialog, alsoBad), QStringLiteral("4"));
    ClickButton(Button(&dialog, "IDOK"));
    QCOMPARE(m_messages.size(), 1);
    QVERIFY(!dialog.isVisible());
    QCOMPARE(dialog.result(), int(QDialog::Accepted));
}

void AxisDlgTest::unusableScale_data() {
    QTest::addColumn<QStringList>("typed");  // field=text, over the default calibration
    QTest::addColumn<QString>("logBox");     // ticked before OK, or none
    QTest::addColumn<QString>("field");      // the one reported
    QTest::addColumn<QString>("fix");        // typed there, the values make a scale
    QTest::addColumn<QString>("message");
    const QString positive = QStringLiteral("対数軸には 0 より大きい値を入力してください。");
    const QString span = QStringLiteral("軸の値の差が大きすぎます。");
    QTest::newRow("log X, axis point at 0")
        << QStringList{"IDC_X_MIN=1", "IDC_X_MAX=0"} << "IDC_LOG_X"
        << "IDC_X_MAX" << "100" << positive;
    QTest::newRow("log Y, origin at 0")
        << QStringList{} << "IDC_LOG_Y" << "IDC_Y_MIN" << "0.5" << positive;
    QTest::newRow("log X, origin negative")
        << QStringList{"IDC_X_MIN=-1", "IDC_X_MAX=8"} << "IDC_LOG_X"
        << "IDC_X_MIN" << "1e-3" << positive;
    QTest::newRow("X span beyond a double")
        << QStringList{"IDC_X_MIN=-1e308", "IDC_X_MAX=1e308"} << ""
        << "IDC_X_MAX" << "1e307" << span;
    QTest::newRow("Y span beyond a double")
        << QStringList{"IDC_Y_MIN=1e308", "IDC_Y_MAX=-1e308"} << ""
        << "IDC_Y_MAX" << "-1e307" << span;
}

void AxisDlgTest::unusableScale() {
    QFETCH(QStringList, typed);
    QFETCH(QString, logBox);
    QFETCH(QString, field);
    QFETCH(QString, fix);
    QFETCH(QString, message);
    CAxisDlg dialog;
    AxisDialogValues values;  // the default calibration
    values.m_nOriginX = 10;
    values.m_nOriginY = 110;
    values.m_nXAxisX = 110;
    values.m_nXAxisY = 110;
    values.m_nYAxisX = 10;
    values.m_nYAxisY = 10;
    values.m_dXMax = 1.0;
    values.m_dYMax = 1.0;
    dialog.SetValues(values);
    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));
    for (const QString& entry : typed) {
        TypeInto(Field(&dialog, entry.section('=', 0, 0)), entry.section('=', 1));
    }
    if (!logBox.isEmpty()) ClickButton(Button(&dialog, logBox.toLatin1().constData()));
    ClickButton(Button(&dialog, "IDOK"));
    QCOMPARE(m_messages, QStringList{message});
    QVERIFY(dialog.isVisible());
    QCOMPARE(dialog.focusWidget(), Field(&dialog, field));
    QCOMPARE(dialog.Values(), values);

    TypeInto(Field(&dialog, field), fix);
    ClickButton(Button(&dialog, "IDOK"));
    QCOMPARE(m_messages.size(), 1);
    QCOMPARE(dialog.result(), int(QDialog::Accepted));
    // What the document makes of the values converts.
    CDataAxis axis;
    const AxisDialogValues v = dialog.Values();
    axis.m_origin.m_xValue = v.m_dXMin;
    axis.m_origin.m_yValue = v.m_dYMin;
    axis.m_xAxis.m_xValue = v.m_dXMax;
    axis.m_yAxis.m_yValue = v.m_dYMax;
    axis.m_bLogX = v.m_bLogX;
    axis.m_bLogY = v.m_bLogY;
    QVERIFY(axis.IsValid());
}

void AxisDlgTest::runReturnsTypedValues() {
    AxisDialogValues values;
    values.m_dYMax = 2.0;
    OnDialog([](CAxisDlg& dialog) {
        TypeInto(Field(&dialog, "IDC_Y_MAX"), "  0.125 ");
        TypeInto(Field(&dialog, "IDC_YAXIS_X"), "-7");
        QTest::keyClick(Field(&dialog, "IDC_YAXIS_X"), Qt::Key_Return);  // the default button
    });
    QVERIFY(CAxisDlg::Run(nullptr, values));
    QCOMPARE(values.m_dYMax, 0.125);
    QCOMPARE(values.m_nYAxisX, -7);

    const AxisDialogValues before = values;
    OnDialog([](CAxisDlg& dialog) {
        TypeInto(Field(&dialog, "IDC_Y_MAX"), "5");
        QTest::keyClick(&dialog, Qt::Key_Escape);
    });
    QVERIFY(!CAxisDlg::Run(nullptr, values));
    QCOMPARE(values, before);
}

void AxisDlgTest::layout() {
    CAxisDlg dialog;
    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));
    QCOMPARE(dialog.windowTitle(), QStringLiteral("軸の設定"));
    QCOMPARE(Button(&dialog, "IDCANCEL")->text(), QStringLiteral("ｷｬﾝｾﾙ"));
    const DialogBaseUnits units = BaseUnitsOf(dialog.font());
    QCOMPARE(dialog.size(), DluToPixels({0, 0, 238, 215}, units).size());
    QCOMPARE(Field(&dialog, "IDC_YAXIS_Y")->geometry(), DluToPixels({105, 80, 40, 14}, units));
    QCOMPARE(Button(&dialog, "IDC_LOG_Y")->geometry(), DluToPixels({165, 175, 16, 8}, units));
    const QStringList clipped = ClippedTexts(&dialog);
    QVERIFY2(clipped.isEmpty(), qPrintable(clipped.join(QStringLiteral("; "))));
}

int RunAxisDlgTests(int argc, char** argv) {
    AxisDlgTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "axis_dlg_test.moc"
