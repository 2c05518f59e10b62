// SPDX-License-Identifier: GPL-3.0-or-later
// The pure conversions behind the dialogs: field texts to numbers and back, and dialog units to
// pixels.
#include "panel/dialog_numbers.h"

#include <QTest>
#include <cmath>
#include <cstdio>
#include <limits>

#include "gui/panel/panel_test_support.h"
#include "panel/dialog_units.h"

class DialogNumbersTest : public QObject {
    Q_OBJECT
private slots:
    void localeIsInEffect();
    void parseInt_data();
    void parseInt();
    void parseDouble_data();
    void parseDouble();
    void formatDouble_data();
    void formatDouble();
    void baseUnits_data();
    void baseUnits();
    void dluToPixels_data();
    void dluToPixels();
};

void DialogNumbersTest::localeIsInEffect() {
    // The second run is only worth something if the C library really writes commas now.
    char buffer[16];
    std::snprintf(buffer, sizeof buffer, "%.1f", 0.5);
    const bool german = QLocale().language() == QLocale::German;
    QCOMPARE(QString::fromLatin1(buffer), german ? QStringLiteral("0,5") : QStringLiteral("0.5"));
}

void DialogNumbersTest::parseInt_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("ok");
    QTest::addColumn<int>("value");
    QTest::newRow("plain") << "110" << true << 110;
    QTest::newRow("negative") << "-45" << true << -45;
    QTest::newRow("plus sign") << "+7" << true << 7;
    QTest::newRow("spaces and tabs around") << " \t12 \t" << true << 12;
    QTest::newRow("int max") << "2147483647" << true << 2147483647;
    QTest::newRow("int min") << "-2147483648" << true << -2147483647 - 1;
    QTest::newRow("fraction") << "1.5" << false << 0;
    QTest::newRow("empty") << "" << false << 0;
    QTest::newRow("letters") << "abc" << false << 0;
    QTest::newRow("trailing letters") << "12a" << false << 0;
    QTest::newRow("sign only") << "-" << false << 0;
    QTest::newRow("two signs") << "+-1" << false << 0;
    QTest::newRow("above int range") << "2147483648" << false << 0;
    QTest::newRow("hexadecimal") << "0x10" << false << 0;
    QTest::newRow("full-width digits") << "１２" << false << 0;
}

void DialogNumbersTest::parseInt() {
    QFETCH(QString, text);
    QFETCH(bool, ok);
    QFETCH(int, value);
    const std::optional<int> parsed = ParseDialogInt(text);
    QCOMPARE(parsed.has_value(), ok);
    if (ok) QCOMPARE(*parsed, value);
}

void DialogNumbersTest::parseDouble_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("ok");
    QTest::addColumn<double>("value");
    QTest::newRow("point") << "0.5" << true << 0.5;
    QTest::newRow("negative with exponent") << "-1.25e3" << true << -1250.0;
    QTest::newRow("leading point") << ".5" << true << 0.5;
    QTest::newRow("plus sign") << "+2" << true << 2.0;
    QTest::newRow("spaces around") << " 3.25\t" << true << 3.25;
    QTest::newRow("15 digits") << "31.6227766016838" << true << 31.6227766016838;
    QTest::newRow("comma") << "0,5" << false << 0.0;
    QTest::newRow("empty") << "" << false << 0.0;
    QTest::newRow("point only") << "." << false << 0.0;
    QTest::newRow("exponent without digits") << "1e" << false << 0.0;
    QTest::newRow("infinity") << "inf" << false << 0.0;
    QTest::newRow("not a number") << "nan" << false << 0.0;
    QTest::newRow("hexadecimal") << "0x1p3" << false << 0.0;
    QTest::newRow("overflow") << "1e999" << false << 0.0;
}

void DialogNumbersTest::parseDouble() {
    QFETCH(QString, text);
    QFETCH(bool, ok);
    QFETCH(double, value);
    const std::optional<double> parsed = ParseDialogDouble(text);
    QCOMPARE(parsed.has_value(), ok);
    if (ok) QCOMPARE(*parsed, value);
}

void DialogNumbersTest::formatDouble_data() {
    QTest::addColumn<double>("value");
    QTest::addColumn<QString>("text");
    QTest::newRow("half") << 0.5 << "0.5";
    QTest::newRow("negative") << -1234567.125 << "-1234567.125";
    QTest::newRow("15 significant digits") << std::pow(10.0, 1.5) << "31.6227766016838";
    QTest::newRow("binary noise hidden") << 0.1 + 0.2 << "0.3";
    QTest::newRow("large") << 1e20 << "1e+20";
    QTest::newRow("small") << 1e-5 << "1e-05";
    QTest::newRow("long integer") << 123456789012345678.0 << "1.23456789012346e+17";
}

void DialogNumbersTest::formatDouble() {
    QFETCH(double, value);
    QFETCH(QString, text);
    QCOMPARE(FormatDialogDouble(value), text);
    // What is shown reads back as the value to 15 digits.
    QCOMPARE(FormatDialogDouble(ParseDialogDouble(text).value()), text);
}

void DialogNumbersTest::baseUnits_data() {
    QTest::addColumn<int>("alphabet");
    QTest::addColumn<int>("height");
    QTest::addColumn<int>("cx");
    QTest::addColumn<int>("cy");
    // 369 / 26 = 14, (14 + 1) / 2 = 7: the halving rounds a fractional average up.
    QTest::newRow("proportional gothic 9pt") << 369 << 13 << 7 << 13;
    QTest::newRow("fixed-pitch gothic 9pt") << 312 << 13 << 6 << 13;
    QTest::newRow("average just below a half") << 337 << 16 << 6 << 16;
}

void DialogNumbersTest::baseUnits() {
    QFETCH(int, alphabet);
    QFETCH(int, height);
    QFETCH(int, cx);
    QFETCH(int, cy);
    QCOMPARE(BaseUnitsFromMetrics(alphabet, height), (DialogBaseUnits{cx, cy}));
}

void DialogNumbersTest::dluToPixels_data() {
    QTest::addColumn<QRect>("dlu");
    QTest::addColumn<int>("cx");
    QTest::addColumn<int>("cy");
    QTest::addColumn<QRect>("pixels");
    // Each number is scaled and rounded on its own, halves upwards: 30 * 7 / 4 = 52.5 -> 53.
    QTest::newRow("radio") << QRect(10, 107, 30, 10) << 7 << 13 << QRect(18, 174, 53, 16);
    QTest::newRow("form") << QRect(0, 0, 153, 331) << 7 << 13 << QRect(0, 0, 268, 538);
    QTest::newRow("graph") << QRect(7, 128, 136, 81) << 7 << 13 << QRect(12, 208, 238, 132);
    QTest::newRow("narrow font") << QRect(93, 234, 50, 14) << 6 << 12 << QRect(140, 351, 75, 21);
}

void DialogNumbersTest::dluToPixels() {
    QFETCH(QRect, dlu);
    QFETCH(int, cx);
    QFETCH(int, cy);
    QFETCH(QRect, pixels);
    QCOMPARE(DluToPixels(dlu, DialogBaseUnits{cx, cy}), pixels);
}

int RunDialogNumbersTests(int argc, char** argv) {
    DialogNumbersTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "dialog_numbers_test.moc"
