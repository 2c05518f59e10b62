// SPDX-License-Identifier: GPL-3.0-or-later
// The side panel driven with real clicks: its defaults, what each control changes in the
// document, the file list and its mark, and the layout of the form.
#include "panel/data_view.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFontInfo>
#include <QHeaderView>
#include <QSignalSpy>
#include <QStyle>
#include <QTest>
#include <QTreeView>
#include <memory>

#include "gui/panel/panel_fixture.h"
#include "panel/dialog_units.h"
#include "panel/profile_graph.h"


class DataViewTest : public QObject {
    Q_OBJECT
private slots:
    void defaults();
    void optionControls_data();
    void optionControls();
    void commandButtons_data();
    void commandButtons();
    void nothingWithoutPicture_data();
    void nothingWithoutPicture();
    void redetectUsesChosenRule();
    void newLinesRuleBox();
    void deleteScanLine();
    void channelRedrawsAtOnce();
    void optionClickWhileBusyIsTakenBack();
    void layoutFollowsTemplate_data();
    void layoutFollowsTemplate();
    void textsFit();
};

void DataViewTest::defaults() {
    PanelFixture f;
    QCOMPARE(f.Rows(), 0);
    QCOMPARE(f.List()->model()->headerData(0, Qt::Horizontal).toString(), QStringLiteral("ファイル名"));
    QVERIFY(f.List()->isHeaderHidden());
    // The names take the list's width, more than the 100 pixels of old.
    QVERIFY(f.List()->columnWidth(0) > 100);
    QVERIFY(f.List()->columnWidth(0) <= f.List()->viewport()->width());
    for (const char* name :
         {"IDC_CHANNEL_SUM", "IDC_EDGE_MIN", "IDC_AUTO_DETECT", "IDC_AXIS_COMMON"}) {
        QVERIFY2(f.Control(name)->isChecked(), name);
    }
    QCOMPARE(f.doc.GetChannel(), 0);
    QCOMPARE(f.doc.GetEdgeMode(), 0);
    QCOMPARE(f.doc.IsAutoDetect(), true);
    QCOMPARE(f.doc.IsAxisIndividual(), false);
}

void DataViewTest::optionControls_data() {
    QTest::addColumn<QString>("control");
    QTest::addColumn<int>("channel");
    QTest::addColumn<int>("edgeMode");
    QTest::addColumn<bool>("autoDetect");
    QTest::addColumn<bool>("individual");
    QTest::newRow("R") << "IDC_CHANNEL_R" << 1 << 0 << true << false;
    QTest::newRow("G") << "IDC_CHANNEL_G" << 2 << 0 << true << false;
    QTest::newRow("B") << "IDC_CHANNEL_B" << 3 << 0 << true << false;
    QTest::newRow("maximum") << "IDC_EDGE_MAX" << 0 << 1 << true << false;
    QTest::newRow("steepest fall") << "IDC_EDGE_FALL" << 0 << 2 << true << false;
    QTest::newRow("steepest rise") << "IDC_EDGE_RISE" << 0 << 3 << true << false;
    QTest::newRow("automatic detection off") << "IDC_AUTO_DETECT" << 0 << 0 << false << false;
    QTest::newRow("individual scope") << "IDC_AXIS_EACH" << 0 << 0 << true << true;
}

void DataViewTest::optionControls() {
    QFETCH(QString, control);
    QFETCH(int, channel);
    QFETCH(int, edgeMode);
    QFETCH(bool, autoDetect);
    QFETCH(bool, individual);
    PanelFixture f;
    f.Click(control.toLatin1().constData());
    QCOMPARE(f.doc.GetChannel(), channel);
    QCOMPARE(f.doc.GetEdgeMode(), edgeMode);
    QCOMPARE(f.doc.IsAutoDetect(), autoDetect);
    QCOMPARE(f.doc.IsAxisIndividual(), individual);
    // The groups are separate: the other groups keep their first choice.
    QCOMPARE(f.Control("IDC_CHANNEL_SUM")->isChecked(), channel == 0);
    QCOMPARE(f.Control("IDC_EDGE_MIN")->isChecked(), edgeMode == 0);
    QCOMPARE(f.Control("IDC_AXIS_COMMON")->isChecked(), !individual);
    // The click is one step: undone, the controls show the defaults again; a click on the
    // choice already made is none.
    const PanelOptions clicked = f.doc.Options();
    QCOMPARE(f.doc.UndoStack().count(), 1);
    QVERIFY(f.doc.Undo());
    QCOMPARE(f.doc.Options(), PanelOptions{});
    QVERIFY(f.Control("IDC_CHANNEL_SUM")->isChecked() && f.Control("IDC_AXIS_COMMON")->isChecked());
    QVERIFY(f.doc.Redo());
    QCOMPARE(f.doc.Options(), clicked);
    if (control != QLatin1String("IDC_AUTO_DETECT")) {
        f.Click(control.toLatin1().constData());
        QCOMPARE(f.doc.UndoStack().count(), 1);
    }
    // The document sets the controls back and forth (a session opened, a change undone).
    f.doc.SetOptions({});
    QVERIFY(f.Control("IDC_CHANNEL_SUM")->isChecked() && f.Control("IDC_EDGE_MIN")->isChecked());
    QVERIFY(f.Control("IDC_AUTO_DETECT")->isChecked() && f.Control("IDC_AXIS_COMMON")->isChecked());
    f.doc.SetOptions(clicked);
    QCOMPARE(f.doc.Options(), clicked);
    // A line drawn now takes the check box's state.
    f.AddWithButton({f.files.Make(QStringLiteral("a.bmp"), 50)});
    f.doc.AddLineToAll(5, 40, 100, 40);
    QCOMPARE(f.doc.m_profile.GetLine(0, 0, 0)->m_bDetect, autoDetect);
}

void DataViewTest::commandButtons_data() {
    QTest::addColumn<QString>("control");
    QTest::addColumn<int>("id");
    QTest::newRow("追加") << "IDC_ADD_FILES" << IDC_ADD_FILES;
    QTest::newRow("削除") << "IDC_DELETE_FILE" << IDC_DELETE_FILE;
    QTest::newRow("すべて削除") << "IDC_DELETE_ALL" << IDC_DELETE_ALL;
    QTest::newRow("ソート") << "IDC_SORT_FILES" << IDC_SORT_FILES;
    QTest::newRow("上へ") << "IDC_MOVE_UP" << IDC_MOVE_UP;
    QTest::newRow("下へ") << "IDC_MOVE_DOWN" << IDC_MOVE_DOWN;
    QTest::newRow("座標設定") << "ID_AXIS_SETTINGS" << ID_AXIS_SETTINGS;
}

void DataViewTest::commandButtons() {
    QFETCH(QString, control);
    QFETCH(int, id);
    PanelFixture f;
    QSignalSpy spy(&f.panel, &CDataView::command);
    f.Click(control.toLatin1().constData());
    QCOMPARE(spy.count(), 1);
    QCOMPARE(spy.at(0).at(0).toInt(), id);
}

void DataViewTest::nothingWithoutPicture_data() {
    QTest::addColumn<QString>("control");
    QTest::newRow("再検出") << "IDC_REDETECT";
    QTest::newRow("走査線削除") << "IDC_DELETE_SCAN";
    QTest::newRow("R") << "IDC_CHANNEL_R";
    QTest::newRow("座標設定") << "ID_AXIS_SETTINGS";
}

void DataViewTest::nothingWithoutPicture() {
    QFETCH(QString, control);
    PanelFixture f;
    // Listed, but the first file does not decode: records and lines, no picture.
    f.AddWithButton({f.files.Text(QStringLiteral("bad.bmp"), "not a picture"),
                     f.files.Make(QStringLiteral("b.bmp"), 60)});
    QVERIFY(f.doc.GetPictureBitmap() == nullptr);
    f.doc.AddLineToAll(5, 40, 100, 40);
    f.doc.m_nCurLine = 0;
    f.doc.m_profile.GetLine(0, 0, 0)->m_nPos = 7;
    const int updates = f.view.updates;
    const int paints = f.graphPaints->count;

    f.Click(control.toLatin1().constData());
    QCOMPARE(f.doc.m_profile.GetArray(0, 0)->GetSize(), 1);
    QCOMPARE(f.doc.m_nCurLine, 0);
    QCOMPARE(f.doc.m_profile.GetLine(0, 0, 0)->m_nPos, 7);
    QCOMPARE(f.view.updates, updates);
    QCOMPARE(f.view.invalidations, 0);
    QCOMPARE(f.graphPaints->count, paints);
    QVERIFY(f.ui.axisShown.empty());
}

void DataViewTest::redetectUsesChosenRule() {
    PanelFixture f;
    f.AddWithButton({f.files.Make(QStringLiteral("a.bmp"), 50)});
    f.doc.AddLineToAll(5, 40, 100, 40);
    f.doc.m_nCurLine = 0;
    QVERIFY(f.doc.DetectEdge(0));
    QCOMPARE(f.doc.GetCurLine()->m_nPos, 45);  // the dark bar: the minimum

    // Choosing a rule offers to detect again what the old rule found; declined, it re-detects
    // nothing.
    f.ui.answers = {false};
    f.Click("IDC_EDGE_MAX");
    QCOMPARE(f.ui.questions.size(), std::size_t{1});
    QCOMPARE(f.doc.GetCurLine()->m_nPos, 45);
    const int invalidations = f.view.invalidations;
    f.Click("IDC_REDETECT");
    QCOMPARE(f.doc.GetCurLine()->m_nPos, 0);  // the first of the equally bright samples
    QVERIFY(f.view.invalidations > invalidations);
}

// "エッジ検出" below the rules: checked, it asks for the rule (starting from the last one set);
// lines drawn then take it; a cancelled dialog leaves the box clear, and unchecking is a step.
void DataViewTest::newLinesRuleBox() {
    PanelFixture f;
    f.AddWithButton({f.files.Make(QStringLiteral("a.bmp"), 50)});
    CaliperRule falling;
    falling.polarity = EdgePolarity::Falling;
    f.ui.ruleDialog = [](std::optional<CaliperRule>&, bool) { return false; };
    f.Click("IDC_NEW_LINE_RULE");
    QVERIFY(!f.Control("IDC_NEW_LINE_RULE")->isChecked());
    QVERIFY(!f.doc.Options().newLineRule);
    f.ui.ruleDialog = [&falling](std::optional<CaliperRule>& rule, bool panelChoice) {
        rule = falling;
        return !panelChoice;
    };
    f.Click("IDC_NEW_LINE_RULE");
    QVERIFY(f.Control("IDC_NEW_LINE_RULE")->isChecked());
    QCOMPARE(f.doc.Options().newLineRule, std::optional<CaliperRule>(falling));
    QVERIFY(f.doc.DrawLine(5, 40, 100, 40));
    QCOMPARE(*f.doc.m_profile.RuleOf(*f.doc.m_profile.GetLine(0, 0, 0)), falling);

    f.Click("IDC_NEW_LINE_RULE");
    QVERIFY(!f.doc.Options().newLineRule);
    QVERIFY(f.doc.DrawLine(5, 50, 100, 50));
    QCOMPARE(f.doc.m_profile.RuleOf(*f.doc.m_profile.GetLine(0, 0, 1)), nullptr);
    // Undone, the box shows the rule again; the button opens the dialog on it.
    QVERIFY(f.doc.Undo() && f.doc.Undo());
    QVERIFY(f.Control("IDC_NEW_LINE_RULE")->isChecked());
    f.Click("IDC_NEW_LINE_RULE_SET");
    QCOMPARE(f.ui.rulesShown.back().first, std::optional<CaliperRule>(falling));
    QVERIFY(!f.ui.rulesShown.back().second);
}

void DataViewTest::deleteScanLine() {
    PanelFixture f;
    f.AddWithButton(
        {f.files.Make(QStringLiteral("a.bmp"), 50), f.files.Make(QStringLiteral("b.bmp"), 60)});
    f.doc.AddLineToAll(5, 40, 100, 40);
    f.doc.AddLineToAll(5, 60, 100, 20);
    f.doc.m_nCurLine = 1;
    const int paints = f.graphPaints->count;
    f.Click("IDC_DELETE_SCAN");
    QCOMPARE(f.LineCount(), 1);
    QCOMPARE(f.doc.m_profile.GetArray(1, 0)->GetSize(), 1);
    QCOMPARE(f.doc.m_nCurLine, 0);
    QCOMPARE(f.doc.m_buffer.m_nLastSample, f.doc.GetCurLine()->m_nCount);
    QVERIFY(f.view.invalidations > 0);
    QVERIFY(f.graphPaints->count > paints);
}

void DataViewTest::channelRedrawsAtOnce() {
    PanelFixture f;
    f.AddWithButton({f.files.Make(QStringLiteral("a.bmp"), 50)});
    ProfileBuffer& buffer = f.doc.m_buffer;
    buffer.m_nLastSample = 20;
    for (int i = 0; i <= 20; ++i) {
        buffer.m_nRed[i] = 204;
        buffer.m_nGreen[i] = 0;
        buffer.m_nBlue[i] = 0;
    }
    CProfileGraph* graph = f.panel.Graph();
    auto pixel = [graph](int x, int y) {
        const QImage image = graph->grab().toImage();
        return image.pixel(graph->contentsRect().topLeft() + QPoint(x, y)) & 0xFFFFFF;
    };
    QCOMPARE(pixel(15, ProfileY(68)), QRgb{0});  // the average of 204, 0 and 0
    QCoreApplication::processEvents();           // nothing pending: only the click may paint now
    const int paints = f.graphPaints->count;
    const int updates = f.view.updates;
    f.Click("IDC_CHANNEL_R");
    QVERIFY(f.graphPaints->count > paints);  // painted before the click returned
    QVERIFY(f.view.updates > updates);
    QCOMPARE(pixel(15, ProfileY(204)), QRgb{0});
    QCOMPARE(pixel(15, ProfileY(68)), QRgb{0xFFFFFF});
}

// While the export detects, the document takes no step; a click that reaches an option then
// must not leave the control showing what the document does not hold.
void DataViewTest::optionClickWhileBusyIsTakenBack() {
    PanelFixture f;
    f.AddWithButton({f.files.Make(QStringLiteral("a.bmp"), 50)});
    f.doc.AddLineToAll(5, 40, 100, 40);
    const int steps = f.doc.UndoStack().count();
    bool clicked = false;
    f.ui.onProgress = [&](int) {
        if (clicked) return;
        clicked = true;
        f.Click("IDC_EDGE_RISE");
        f.Click("IDC_AUTO_DETECT");
    };
    f.ui.saveChoices.push_back(f.files.Path(QStringLiteral("out.dat")));
    f.doc.OnDataWrite();
    QVERIFY(clicked);
    QVERIFY(f.Control("IDC_EDGE_MIN")->isChecked());
    QVERIFY(f.Control("IDC_AUTO_DETECT")->isChecked());
    QCOMPARE(f.doc.UndoStack().count(), steps);
    // Afterwards the controls and the steps agree again (the offer to detect again declined).
    f.ui.answers = {false};
    f.Click("IDC_EDGE_MAX");
    QVERIFY(f.doc.Undo());
    QVERIFY(f.Control("IDC_EDGE_MIN")->isChecked());
}

void DataViewTest::layoutFollowsTemplate_data() {
    QTest::addColumn<QString>("control");
    QTest::addColumn<QRect>("dlu");
    QTest::newRow("file list") << "IDC_FILE_LIST" << QRect(7, 7, 84, 85);
    QTest::newRow("上り勾配の最大値") << "IDC_EDGE_RISE" << QRect(16, 274, 69, 10);
    QTest::newRow("個別") << "IDC_AXIS_EACH" << QRect(51, 308, 30, 10);
    QTest::newRow("座標設定") << "ID_AXIS_SETTINGS" << QRect(93, 310, 50, 14);
}

void DataViewTest::layoutFollowsTemplate() {
    QFETCH(QString, control);
    QFETCH(QRect, dlu);
    PanelFixture f;
    auto* widget = f.panel.findChild<QWidget*>(control);
    QVERIFY(widget != nullptr);
    QCOMPARE(widget->geometry(), DluToPixels(dlu, BaseUnitsOf(widget->font())));
}

void DataViewTest::textsFit() {
    PanelFixture f;
    QCOMPARE(QFontInfo(f.panel.font()).family(), QStringLiteral("IPAPGothic"));
    const QStringList clipped = ClippedTexts(&f.panel);
    QVERIFY2(clipped.isEmpty(), qPrintable(clipped.join(QStringLiteral("; "))));
    // The graph's client area takes the whole drawing and overlaps nothing below it.
    CProfileGraph* graph = f.panel.Graph();
    QVERIFY(graph->contentsRect().width() >= 220 && graph->contentsRect().height() >= 120);
    QVERIFY(graph->geometry().bottom() < f.Control("IDC_AUTO_DETECT")->geometry().top());
}

int RunDataViewTests(int argc, char** argv) {
    DataViewTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "data_view_test.moc"
