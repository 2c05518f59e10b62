// SPDX-License-Identifier: GPL-3.0-or-later
// The kymograph in the real frame: shown from the View menu, built in the background over
// every image, built afresh when the line is reshaped, a click on a row opening that image, and
// its picture and values saved through the window's save dialog.
#include <sys/mount.h>
#include <unistd.h>

#include <QDir>
#include <QDockWidget>
#include <QFile>
#include <QImageReader>
#include <QPushButton>
#include <QTest>

#include "frame_fixture.h"
#include "panel/kymograph_panel.h"
#include "panel/kymograph_view.h"

class KymographDockTest : public QObject, private FrameFixture {
    Q_OBJECT

    CKymographPanel& Panel() { return *Frame().KymographPanel(); }
    const CKymographBuild& Build() { return Panel().Build(); }

    // Images with a dark bar at column 20 + 2k (a broken file where `broken` says), and one
    // horizontal line from column 5 across them.
    void LoadSeries(int count, int broken = -1) {
        QStringList paths;
        for (int k = 0; k < count; ++k) {
            const QString name = QStringLiteral("img%1.bmp").arg(k, 3, 10, QLatin1Char('0'));
            paths << (k == broken ? m_files->Text(name, "not a picture")
                                  : m_files->Make(name, 20 + 2 * k, 160, 120));
        }
        m_ui->openChoices.push_back(paths);
        QTest::keyClick(&Frame(), Qt::Key_O, Qt::ControlModifier);
        QVERIFY(Doc().AddLineToAll(5, 60, 150, 60));
        Doc().m_nCurLine = 0;
        Doc().UpdateAllViews();
    }
    void ShowDock() {
        Frame().Action(ID_VIEW_KYMOGRAPH)->trigger();
        QVERIFY(QTest::qWaitForWindowExposed(Frame().KymographDock()));
    }
    bool Built() {
        QCoreApplication::processEvents();
        return Build().GetState() == CKymographBuild::State::Done;
    }
    // The sample of the row's smallest value.
    static int Darkest(const KymoRow& row) {
        int at = 0;
        for (int s = 1; s < row.Count(); ++s) {
            if (row.Value(s) < row.Value(at)) at = s;
        }
        return at;
    }

private slots:
    void initTestCase() { InitTestCase(); }
    void init() { Init(); }
    void cleanup() { Cleanup(); }

    void buildsEveryRowAndMarksTheBrokenOne() {
        Start();
        QVERIFY(Frame().KymographDock()->isHidden());
        LoadSeries(6, 2);
        ShowDock();
        QVERIFY(Frame().Action(ID_VIEW_KYMOGRAPH)->isChecked());
        QTRY_VERIFY_WITH_TIMEOUT(Built(), 20000);
        const CKymograph* k = Build().Kymograph();
        QVERIFY(k != nullptr);
        QCOMPARE(k->Entries(), 6);
        for (int i = 0; i < 6; ++i) {
            if (i == 2) {
                QCOMPARE(k->Row(i).state, KymoRow::State::Unreadable);
                QVERIFY(!Build().Reason(i).isEmpty());
                QVERIFY(Panel().View()->TipText(i).contains(Build().Reason(i)));
                QVERIFY(Panel().View()->TipText(i).contains(QStringLiteral("img002")));
                continue;
            }
            QCOMPARE(k->Row(i).state, KymoRow::State::Ok);
            QCOMPARE(Darkest(k->Row(i)), 15 + 2 * i);
        }
        // The broken entry's pixel rows are drawn as such, never as a grey made up for them.
        const QImage& picture = Panel().View()->Picture();
        const int p = PixelRowOfEntry(6, picture.height(), 2);
        const QRgb colour = picture.pixel(0, p);
        QVERIFY(qRed(colour) != qGreen(colour));

        // Reshaped, the line's kymograph is built afresh, of the new shape.
        QVERIFY(Doc().m_profile.ReshapeLine(0, 10, 60, 110, 60));
        Doc().UpdateAllViews();
        QTRY_VERIFY_WITH_TIMEOUT(Built() && Build().Kymograph()->Samples() == 101, 20000);
        QCOMPARE(Darkest(Build().Kymograph()->Row(4)), 18);
    }

    void rowsDrawnAsTheyComeAreADrawingOfAllAtOnce() {
        struct Case {
            int entries;
            int height;
            int wideFrom;  // the first entry of 16-bit samples; entries for none
        };
        for (const Case& c : {Case{6, 200, 6}, Case{500, 120, 500}, Case{1, 50, 1},
                              Case{40, 300, 17}, Case{300, 90, 150}}) {
            CKymograph k(c.entries);
            CKymographView gradual;
            gradual.resize(200, c.height);
            gradual.SetKymograph(&k);
            // Rows come in out of order, a few at a time, one unreadable, some of them longer.
            std::vector<int> order;
            for (int i = 0; i < c.entries; ++i) order.push_back((i * 7 + 3) % c.entries);
            for (std::size_t at = 0; at < order.size(); at += 3) {
                std::vector<int> batch;
                for (std::size_t j = at; j < std::min(order.size(), at + 3); ++j) {
                    const int i = order[j];
                    if (i == c.entries / 2 && c.entries > 1) {
                        k.RowToFill(i).SetUnreadable();
                    } else {
                        const bool wide = i >= c.wideFrom;
                        std::vector<double> values(static_cast<std::size_t>(20 + i % 5));
                        for (std::size_t s = 0; s < values.size(); ++s) {
                            values[s] = double((i * 13 + int(s) * 29) % 256) * (wide ? 257 : 1);
                        }
                        k.RowToFill(i).Set(values, wide);
                    }
                    k.NoteRow(i);
                    batch.push_back(i);
                }
                std::sort(batch.begin(), batch.end());
                gradual.UpdateRows(batch);
            }
            CKymographView whole;
            whole.resize(200, c.height);
            whole.SetKymograph(&k);
            QCOMPARE(gradual.Picture(), whole.Picture());
        }
    }

    // A resize stretches the picture drawn until the size settles, then regroups the rows into
    // the new height: the same picture as a view made at that size.
    void aNewHeightRegroupsTheRowsOnceSettled() {
        CKymograph k(300);
        for (int i = 0; i < 300; ++i) k.SetRow(i, std::vector<double>(40, double(i % 256)), false);
        CKymographView view;
        view.resize(200, 120);
        view.SetKymograph(&k);
        view.show();
        QVERIFY(QTest::qWaitForWindowExposed(&view));
        view.resize(200, 90);
        QTRY_COMPARE(view.Picture().height(), view.Area().height());
        CKymographView fresh;
        fresh.resize(200, 90);
        fresh.SetKymograph(&k);
        QCOMPARE(view.Picture(), fresh.Picture());
    }

    void clickingARowOpensItsImage() {
        Start();
        LoadSeries(5);
        ShowDock();
        QTRY_VERIFY_WITH_TIMEOUT(Built(), 20000);
        CKymographView* view = Panel().View();
        const QRect area = view->Area();
        const int y = area.top() + (3 * area.height() + area.height() / 2) / 5;
        QCOMPARE(view->EntryAt(y), 3);
        QTest::mouseClick(view, Qt::LeftButton, {}, QPoint(area.center().x(), y));
        QCOMPARE(Doc().m_nCurImage, 3);
    }

    void savesPictureAndValuesAndTellsOfAFullDisk() {
        Start();
        LoadSeries(4);
        ShowDock();
        QTRY_VERIFY_WITH_TIMEOUT(Built(), 20000);
        auto* savePicture = Panel().findChild<QPushButton*>(QStringLiteral("KymographSavePicture"));
        auto* saveCsv = Panel().findChild<QPushButton*>(QStringLiteral("KymographSaveCsv"));
        QVERIFY(savePicture->isEnabled() && saveCsv->isEnabled());

        const QString tiff = m_files->Path(QStringLiteral("k.tif"));
        m_ui->saveChoices.push_back(tiff);
        savePicture->click();
        QImageReader reader(tiff);
        QCOMPARE(reader.format(), QByteArray("tiff"));
        const QImage image = reader.read();
        QCOMPARE(image.format(), QImage::Format_Grayscale8);
        QCOMPARE(image.size(), QSize(146, 4));
        QCOMPARE(int(image.constScanLine(1)[17]), Build().Kymograph()->Row(1).Value(17));

        const QString csv = m_files->Path(QStringLiteral("k.csv"));
        m_ui->saveChoices.push_back(csv);
        saveCsv->click();
        QFile file(csv);
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QList<QByteArray> lines = file.readAll().split('\n');
        QVERIFY(lines.size() >= 9);
        QVERIFY(lines[4].startsWith("entry,time,status,0,1,2,"));
        QVERIFY(lines[0].startsWith("# line: 1"));
        QVERIFY(lines[5].startsWith("1,,ok,"));
        QVERIFY(m_ui->progressEnded >= 2);
        QVERIFY(m_ui->messages.empty());

        // A real full disk: a small memory file system, which only root may mount.
        const QString disk = m_files->Path(QStringLiteral("disk"));
        QVERIFY(QDir().mkdir(disk));
        if (::geteuid() != 0 ||
            ::mount("tmpfs", QFile::encodeName(disk).constData(), "tmpfs", 0, "size=64k") != 0) {
            QSKIP("cannot mount a small file system here");
        }
        struct Unmount {
            QByteArray where;
            ~Unmount() { ::umount(where.constData()); }
        } unmount{QFile::encodeName(disk)};
        const QString old = disk + QStringLiteral("/k.csv");
        QFile oldFile(old);
        QVERIFY(oldFile.open(QIODevice::WriteOnly));
        oldFile.write("old contents");
        oldFile.close();
        QFile filler(disk + QStringLiteral("/filler"));
        QVERIFY(filler.open(QIODevice::WriteOnly));
        while (filler.write(QByteArray(4096, 'x')) == 4096 && filler.flush()) {
        }
        filler.close();
        m_ui->saveChoices.push_back(old);
        saveCsv->click();
        QCOMPARE(m_ui->messages.size(), std::size_t{1});
        QVERIFY(m_ui->messages.front().contains(old));
        QVERIFY(m_ui->messages.front().contains(QStringLiteral("ディスクの空き容量が足りません")));
        QVERIFY(oldFile.open(QIODevice::ReadOnly));
        QCOMPARE(oldFile.readAll(), QByteArray("old contents"));
    }

    void tooLargeIsRefusedWithTheReason() {
        Start();
        // A whole line of a million samples on 600 images: beyond the limit, before any decode.
        CDataProfile& records = Doc().m_profile;
        records.SetStepLimit(kMaxWholeScanSteps);
        for (int i = 0; i < 600; ++i) {
            records.AddImage("x" + std::to_string(i), "/nonexistent/x.bmp");
            if (i == 0) records.GetSeries(0)->AddLine(0, 0, 0, 1048575, 0, kMaxWholeScanSteps);
        }
        Doc().m_nCurLine = 0;
        Doc().UpdateAllViews();
        ShowDock();
        QTRY_COMPARE(Build().GetState(), CKymographBuild::State::TooLarge);
        QVERIFY(Panel().StatusText().contains(QStringLiteral("600")));
        QVERIFY(Build().Kymograph() == nullptr);
    }
};

QTEST_MAIN(KymographDockTest)
#include "kymograph_dock_test.moc"
