// SPDX-License-Identifier: GPL-3.0-or-later
// The real window stepping with Up and Down, with the neighbours decoded ahead and without: the
// same keys must leave the same painted view, status bar, edges and undo history, and after
// every key the view must show the picture of the current record's file.
#include <QImage>
#include <QLabel>
#include <QSettings>
#include <QStandardPaths>
#include <QTest>
#include <memory>

#include "frame_fixture.h"
#include "picture/picture_prefetch.h"
#include "view/norvale_view.h"

namespace {

struct Shown {
    QStringList text;
    QImage view;
};

// A key, and whether the user then pauses long enough for the decodes ahead to finish.
struct Press {
    Qt::Key key;
    bool pause;
};

}  // namespace

class PrefetchFrameTest : public QObject, private FrameFixture {
    Q_OBJECT

    // Each run starts the frame afresh on files of its own.
    void Run(bool prefetch, const std::vector<Press>& presses, Shown& shown) {
        Cleanup();
        Init();
        Start();
        FakeUi& ui = *m_ui;
        ImageFiles& files = *m_files;
        CMainFrame& frame = Frame();
        CNorvaleDoc& doc = Doc();
        doc.EnablePrefetch(prefetch);
        QStringList paths;
        for (int k = 0; k < 5; ++k) {
            paths << files.Make(QStringLiteral("p%1.bmp").arg(k), 20 + 25 * k, 160, 120);
        }
        paths.insert(3, files.Text(QStringLiteral("bad.bmp"), "BM cut"));
        ui.openChoices.push_back(paths);
        QTest::keyClick(&frame, Qt::Key_O, Qt::ControlModifier);
        doc.AddLineToAll(5, 60, 150, 60);
        doc.m_nCurLine = 0;
        QCoreApplication::processEvents();
        for (const Press& press : presses) {
            QTest::keyClick(&frame, press.key);
            QCoreApplication::processEvents();
            const CScanSeries* series = doc.m_profile.GetSeries(doc.m_nCurImage);
            CPicture fresh;
            const bool whole = fresh.Load(series->m_strPath).status == CPicture::LoadStatus::Ok;
            const CPicture* picture = doc.GetPictureBitmap();
            QCOMPARE(picture != nullptr, whole);
            QVERIFY2(picture == nullptr || picture->Image() == fresh.Image(),
                     series->m_strPath.c_str());
            if (press.pause && doc.Prefetch() != nullptr) QVERIFY(doc.Prefetch()->WaitIdle(10000));
        }
        for (int k = 0; k < CMainFrame::kPaneCount; ++k) shown.text << frame.Pane(k)->text();
        shown.text << frame.SessionPane()->text();
        shown.text << QString::number(doc.m_nCurImage) << doc.UndoStack().undoText();
        shown.text << QString::fromStdString(ui.messages.empty() ? "" : "message")
                   << QString::number(ui.messages.size() + ui.openFailures.size());
        for (int i = 0; i < doc.m_profile.GetSize(); ++i) {
            const CScan& line = *doc.m_profile.GetLine(i, 0, 0);
            shown.text << QStringLiteral("%1 %2 %3")
                              .arg(line.m_ptCur.x)
                              .arg(line.m_bDetect)
                              .arg(doc.IsMissing(i));
        }
        shown.view = frame.ImageView()->viewport()->grab().toImage();
        if (prefetch) QVERIFY(doc.Prefetch()->GetCounts().taken > 0);
    }

private slots:
    void initTestCase() { InitTestCase(); }
    void cleanupTestCase() { Cleanup(); }

    void stepsLookTheSameWithTheDecodesAhead_data() {
        QTest::addColumn<int>("script");
        QTest::newRow("at a user's pace") << 0;
        QTest::newRow("faster than the prefetch") << 1;
        QTest::newRow("back and forth") << 2;
    }
    void stepsLookTheSameWithTheDecodesAhead() {
        QFETCH(int, script);
        std::vector<Press> presses;
        const bool pause = script != 1;
        for (int k = 0; k < 8; ++k) {
            const bool down = script != 2 || k % 3 != 2;
            presses.push_back({down ? Qt::Key_Down : Qt::Key_Up, pause});
        }
        for (int k = 0; k < 3; ++k) presses.push_back({Qt::Key_Up, pause});
        Shown plain;
        Run(false, presses, plain);
        if (QTest::currentTestFailed()) return;
        Shown ahead;
        Run(true, presses, ahead);
        if (QTest::currentTestFailed()) return;
        QCOMPARE(ahead.text, plain.text);
        QVERIFY(!plain.view.isNull());
        QVERIFY(ahead.view == plain.view);
    }
};

QTEST_MAIN(PrefetchFrameTest)
#include "prefetch_frame_test.moc"
