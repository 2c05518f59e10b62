// SPDX-License-Identifier: GPL-3.0-or-later
// The side panel's file list: its titles and mark, what a click on it does, and how a file
// that gives no picture is shown.
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QHeaderView>
#include <QTest>
#include <QTreeView>

#include "gui/panel/panel_fixture.h"

class FileListPanelTest : public QObject {
    Q_OBJECT
private slots:
    void listShowsTitlesAndMarksCurrent();
    void clickOpensEntry();
    void clickOnRemovedFileMakesItCurrent();
    void clickOnEmptyAreaDoesNothing();
    void unreadableFilesNameTheirCause_data();
    void unreadableFilesNameTheirCause();
};

void FileListPanelTest::listShowsTitlesAndMarksCurrent() {
    PanelFixture f;
    f.AddWithButton(f.ThreePictures());
    QCOMPARE(f.Titles(), (QStringList{"c.bmp", "a.bmp", "b.bmp"}));
    QCOMPARE(f.Marked(), QList<int>{0});
    // The list follows the document's commands through the same route: sorting rebuilds it
    // and the mark moves with the current image.
    f.Click("IDC_SORT_FILES");
    QCOMPARE(f.Titles(), (QStringList{"a.bmp", "b.bmp", "c.bmp"}));
    QCOMPARE(f.Marked(), QList<int>{f.doc.m_nCurImage});
    QCOMPARE(f.Text(f.doc.m_nCurImage), QStringLiteral("c.bmp"));
}

void FileListPanelTest::clickOpensEntry() {
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

void FileListPanelTest::clickOnRemovedFileMakesItCurrent() {
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

void FileListPanelTest::clickOnEmptyAreaDoesNothing() {
    PanelFixture f;
    f.AddWithButton(f.ThreePictures());
    f.ClickEntry(2);
    const int updates = f.view.updates;
    const QRect last = f.List()->visualRect(f.Row(2));
    const QPoint below(last.center().x(), last.bottom() + 2 * last.height());
    QVERIFY(f.List()->viewport()->rect().contains(below));
    QTest::mouseClick(f.List()->viewport(), Qt::LeftButton, Qt::NoModifier, below);
    QCOMPARE(f.view.updates, updates);
    QCOMPARE(f.doc.m_nCurImage, 2);
    QCOMPARE(f.Marked(), QList<int>{2});
}

void FileListPanelTest::unreadableFilesNameTheirCause_data() {
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
void FileListPanelTest::unreadableFilesNameTheirCause() {
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

    const QString text = f.Text(1);
    const QString tip = f.Row(1).data(Qt::ToolTipRole).toString();
    QVERIFY2(text.endsWith(QStringLiteral("（%1）").arg(word)), qPrintable(text));
    QVERIFY2(text.startsWith(name.left(3)), qPrintable(text));
    // Not cut by the list: the column holds the whole text.
    const int margin = f.List()->style()->pixelMetric(QStyle::PM_FocusFrameHMargin) + 1;
    QVERIFY(QFontMetrics(f.List()->font()).horizontalAdvance(text) + 2 * margin <=
            f.List()->columnWidth(0));
    QVERIFY(tip.contains(path));
    QVERIFY2(tip.contains(reason), qPrintable(tip));
    QCOMPARE(f.Text(0), QStringLiteral("good.bmp"));
}

int RunFileListPanelTests(int argc, char** argv) {
    FileListPanelTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "file_list_panel_test.moc"
