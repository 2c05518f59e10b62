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
#include <QTreeWidget>
#include <memory>

#include "document/doc_fakes.h"
#include "gui/panel/panel_test_support.h"
#include "panel/dialog_units.h"
#include "panel/profile_graph.h"

namespace {

struct PanelFixture {
    FakeUi ui;
    CNorvaleDoc doc{ui};
    FakeImageView view{doc};
    ImageFiles files;
    CDataView panel{doc};
    PaintCounter* graphPaints = nullptr;

    PanelFixture() {
        doc.AddView(&view);
        QObject::connect(&panel, &CDataView::command, [this](int id) { doc.OnCmdMsg(id); });
        panel.resize(panel.sizeHint() + QSize(40, 40));
        panel.show();
        QVERIFY(QTest::qWaitForWindowExposed(&panel));
        graphPaints = new PaintCounter(panel.Graph());
    }
    ~PanelFixture() { doc.RemoveView(&view); }

    template <class T = QAbstractButton>
    T* Control(const char* name) {
        return panel.findChild<T*>(QString::fromLatin1(name));
    }
    QTreeWidget* List() { return Control<QTreeWidget>("IDC_FILE_LIST"); }
    void Click(const char* name) {
        auto* button = Control(name);
        QVERIFY2(button != nullptr, name);
        ClickButton(button);
    }
    // Adds files with the panel's own button, as the user does.
    void AddWithButton(const QStringList& paths) {
        ui.openChoices.push_back(paths);
        Click("IDC_ADD_FILES");
    }
    QStringList ThreePictures() {
        return {files.Make(QStringLiteral("c.bmp"), 50), files.Make(QStringLiteral("a.bmp"), 60),
                files.Make(QStringLiteral("b.bmp"), 70)};
    }
    void ClickEntry(int row) {
        QTreeWidgetItem* item = List()->topLevelItem(row);
        QVERIFY(item != nullptr);
        QTest::mouseClick(List()->viewport(), Qt::LeftButton, Qt::NoModifier,
                          List()->visualItemRect(item).center());
    }
    QStringList Titles() {
        QStringList titles;
        for (int i = 0; i < List()->topLevelItemCount(); ++i) {
            titles << List()->topLevelItem(i)->text(0);
        }
        return titles;
    }
    // The rows that carry the mark.
    QList<int> Marked() {
        QList<int> rows;
        for (int i = 0; i < List()->topLevelItemCount(); ++i) {
            if (List()->topLevelItem(i)->isSelected()) rows << i;
        }
        return rows;
    }
    int LineCount() { return doc.GetLastLineIndex() + 1; }
};

}  // namespace

class DataViewTest : public QObject {
    Q_OBJECT
private slots:
    void defaults();
    void optionControls_data();
    void optionControls();
    void commandButtons_data();
    void commandButtons();
    void listShowsTitlesAndMarksCurrent();
    void clickOpensEntry();
    void clickOnRemovedFileMakesItCurrent();
    void clickOnEmptyAreaDoesNothing();
    void unreadableFilesNameTheirCause_data();
    void unreadableFilesNameTheirCause();
    void nothingWithoutPicture_data();
    void nothingWithoutPicture();
    void redetectUsesChosenRule();
    void deleteScanLine();
    void channelRedrawsAtOnce();
    void optionClickWhileBusyIsTakenBack();
    void layoutFollowsTemplate_data();
    void layoutFollowsTemplate();
    void textsFit();
};

void DataViewTest::defaults() {
    PanelFixture f;
    QCOMPARE(f.List()->topLevelItemCount(), 0);
    QCOMPARE(f.List()->headerItem()->text(0), QStringLiteral("ファイル名"));
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

void DataViewTest::listShowsTitlesAndMarksCurrent() {
    PanelFixture f;
    f.AddWithButton(f.ThreePictures());
    QCOMPARE(f.Titles(), (QStringList{"c.bmp", "a.bmp", "b.bmp"}));
    QCOMPARE(f.Marked(), QList<int>{0});
    // The list follows the document's commands through the same route: sorting rebuilds it
    // and the mark moves with the current image.
    f.Click("IDC_SORT_FILES");
    QCOMPARE(f.Titles(), (QStringList{"a.bmp", "b.bmp", "c.bmp"}));
    QCOMPARE(f.Marked(), QList<int>{f.doc.m_nCurImage});
    QCOMPARE(f.List()->topLevelItem(f.doc.m_nCurImage)->text(0), QStringLiteral("c.bmp"));
}

void DataViewTest::clickOpensEntry() {
    PanelFixture f;
    f.AddWithButton(f.ThreePictures());
    QCoreApplication::processEvents();  // nothing pending: only the click may paint now
    const int paints = f.graphPaints->count;
    const int invalidations = f.view.invalidations;
    f.ClickEntry(1);
    QCOMPARE(f.doc.m_nCurImage, 1);
    QVERIFY(f.doc.GetPictureBitmap() != nullptr);
    QCOMPARE(f.Marked(), QList<int>{1});
    // The graph was painted inside the click, and the image view asked to redraw.
    QVERIFY(f.graphPaints->count > paints);
    QVERIFY(f.view.invalidations > invalidations);
}

void DataViewTest::clickOnRemovedFileMakesItCurrent() {
    PanelFixture f;
    const QStringList paths = f.ThreePictures();
    f.AddWithButton(paths);
    QVERIFY(QFile::remove(paths[2]));
    f.ClickEntry(2);
    QCOMPARE(f.ui.openFailures.size(), std::size_t{1});
    QCOMPARE(f.ui.openFailures[0].first, paths[2]);
    // Current without a picture, so that the list commands reach it.
    QCOMPARE(f.doc.m_nCurImage, 2);
    QVERIFY(f.doc.GetPictureBitmap() == nullptr);
    QCOMPARE(f.Marked(), QList<int>{2});
}

void DataViewTest::clickOnEmptyAreaDoesNothing() {
    PanelFixture f;
    f.AddWithButton(f.ThreePictures());
    f.ClickEntry(2);
    const int updates = f.view.updates;
    const QRect last = f.List()->visualItemRect(f.List()->topLevelItem(2));
    const QPoint below(last.center().x(), last.bottom() + 2 * last.height());
    QVERIFY(f.List()->viewport()->rect().contains(below));
    QTest::mouseClick(f.List()->viewport(), Qt::LeftButton, Qt::NoModifier, below);
    QCOMPARE(f.view.updates, updates);
    QCOMPARE(f.doc.m_nCurImage, 2);
    QCOMPARE(f.Marked(), QList<int>{2});
}

void DataViewTest::unreadableFilesNameTheirCause_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QString>("word");
    QTest::addColumn<QString>("reason");
    const struct {
        const char *row, *name, *kind, *word, *reason;
    } rows[] = {
        {"missing", "gone.bmp", "missing", "見つかりません", "見つかりません"},
        {"cut short", "cut.bmp", "cut", "途中で切断", "途中で切れています"},
        {"empty", "empty.bmp", "empty", "途中で切断", "空です"},
        {"damaged", "bad.gif", "damaged", "破損", "壊れています"},
        {"a folder", "folder.bmp", "folder", "読めません", "フォルダです"},
        {"no picture", "notes.jpg", "text", "非対応の形式", "画像でもありません"},
        {"a long name", "a_long_series_name_of_many_scans_0017.bmp", "cut", "途中で切断",
         "途中で切れています"},
    };
    for (const auto& r : rows) {
        QTest::newRow(r.row) << QString::fromUtf8(r.name) << QString::fromUtf8(r.kind)
                             << QString::fromUtf8(r.word) << QString::fromUtf8(r.reason);
    }
}

// A file that gives no picture is marked with the real cause, whole however long its name; the
// tooltip gives the path and the reason.
void DataViewTest::unreadableFilesNameTheirCause() {
    QFETCH(QString, name);
    QFETCH(QString, kind);
    QFETCH(QString, word);
    QFETCH(QString, reason);
    PanelFixture f;
    const QString path = f.files.Make(name, 30);
    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadWrite));
    const QByteArray whole = file.readAll();
    if (kind == "cut") QVERIFY(file.resize(whole.size() / 2));
    if (kind == "empty") QVERIFY(file.resize(0));
    file.close();
    if (kind == "missing" || kind == "folder" || kind == "damaged") QVERIFY(QFile::remove(path));
    if (kind == "folder") QVERIFY(QDir().mkdir(path));
    if (kind == "damaged") {
        QVERIFY(QFile::copy(QStringLiteral(QUANDREL_TEST_DATA_DIR "/lzw_bad_code.gif"), path));
    }
    if (kind == "text") f.files.Text(name, "no picture");
    f.AddWithButton({f.files.Make(QStringLiteral("good.bmp"), 20), path});
    f.ClickEntry(1);

    QTreeWidgetItem* item = f.List()->topLevelItem(1);
    const QString text = item->text(0);
    QVERIFY2(text.endsWith(QStringLiteral("（%1）").arg(word)), qPrintable(text));
    QVERIFY2(text.startsWith(name.left(3)), qPrintable(text));
    // Not cut by the list: the column holds the whole text.
    const int margin = f.List()->style()->pixelMetric(QStyle::PM_FocusFrameHMargin) + 1;
    QVERIFY(QFontMetrics(f.List()->font()).horizontalAdvance(text) + 2 * margin <=
            f.List()->columnWidth(0));
    QVERIFY(item->toolTip(0).contains(path));
    QVERIFY2(item->toolTip(0).contains(reason), qPrintable(item->toolTip(0)));
    QCOMPARE(f.List()->topLevelItem(0)->text(0), QStringLiteral("good.bmp"));
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
