// The copy of unsaved work kept against a crash: it follows the work, goes when the work is
// saved, and a copy left behind gives the same records back.
#include <QCoreApplication>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <memory>

#include "document/doc_fakes.h"
#include "document/recovery_copy.h"
#include "support/doc_state.h"

class RecoveryTest : public QObject {
    Q_OBJECT

    // Lets the delay pass and the worker finish.
    static bool WaitForCopy(const CRecoveryCopy& copy) {
        return QTest::qWaitFor([&] { return copy.IsCurrent(); }, 5000);
    }
    // Some work: three images, a line detected on the first, a nudge, a calibration point.
    static void Edit(DocFixture& f) {
        f.Add({f.files.Make("a.bmp", 30), f.files.Make("b.bmp", 50), f.files.Make("c.bmp", 70)});
        f.doc.DrawLine(10, 40, 110, 40);
        f.doc.DetectPending();
        f.doc.OnCursorNext();
        f.doc.SetAxisPixel(0, 3, 4);
    }

private slots:
    void copyFollowsTheWork() {
        QTemporaryDir folder;
        DocFixture f;
        CRecoveryCopy copy(f.doc, folder.path(), 10);
        QVERIFY(WaitForCopy(copy));
        QVERIFY(!QFile::exists(copy.CopyPath()));  // nothing to keep yet

        Edit(f);
        QVERIFY(WaitForCopy(copy));
        QVERIFY(QFile::exists(copy.CopyPath()));
        // A live program's copy is its own, not one to offer back.
        QVERIFY(CRecoveryCopy::FindAbandoned(folder.path()).empty());

        f.ui.saveChoices = {f.files.Path("work.quandrel")};
        QVERIFY(f.doc.SaveSession());
        QVERIFY(WaitForCopy(copy));
        QVERIFY(!QFile::exists(copy.CopyPath()));

        f.doc.OnMeasureLength();
        QVERIFY(WaitForCopy(copy));
        QVERIFY(QFile::exists(copy.CopyPath()));
        f.doc.Undo();  // back where it was saved
        QVERIFY(WaitForCopy(copy));
        QVERIFY(!QFile::exists(copy.CopyPath()));

        f.doc.OnMeasureArea();
        QVERIFY(WaitForCopy(copy));
        copy.Discard();  // a normal end
        QVERIFY(!QFile::exists(copy.CopyPath()));
    }

    // The program ends without removing its copy (as a crash does, the lock goes with it): the
    // next start finds the copy and gets the same records back, unsaved, under their session.
    void anAbandonedCopyGivesTheWorkBack() {
        QTemporaryDir folder;
        DocFixture f;
        f.ui.saveChoices = {f.files.Path("work.quandrel")};
        auto copy = std::make_unique<CRecoveryCopy>(f.doc, folder.path(), 10);
        Edit(f);
        QVERIFY(f.doc.SaveSession());
        f.doc.SetAxisValue(1, 25.0, 0.5);
        f.doc.OnNextImage();
        QVERIFY(WaitForCopy(*copy));
        const DocState before = Snapshot(f.doc);
        copy.reset();

        const auto abandoned = CRecoveryCopy::FindAbandoned(folder.path());
        QCOMPARE(abandoned.size(), std::size_t{1});
        QCOMPARE(abandoned[0].session, f.files.Path("work.quandrel"));

        DocFixture next;
        QVERIFY(CRecoveryCopy::Restore(next.doc, abandoned[0]));
        DocState after = Snapshot(next.doc);
        after.cursor.lastSample = before.cursor.lastSample;  // filled when the view paints
        const std::string difference = Difference(after, before);
        QVERIFY2(difference.empty(), difference.c_str());
        QVERIFY(next.doc.IsModified());
        QCOMPARE(next.doc.GetPathName(), f.files.Path("work.quandrel"));
        CRecoveryCopy::Remove(abandoned[0]);
        QVERIFY(CRecoveryCopy::FindAbandoned(folder.path()).empty());
    }
};

QTEST_GUILESS_MAIN(RecoveryTest)
#include "recovery_test.moc"
