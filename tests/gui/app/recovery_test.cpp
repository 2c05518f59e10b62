// SPDX-License-Identifier: GPL-3.0-or-later
// The copy of unsaved work kept against a crash: it follows the work, goes when the work is
// saved, and a copy left behind gives the same records back.
#include <sys/stat.h>

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QLockFile>
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

    static int Mode(const QString& path) {
        struct stat st {};
        return ::stat(QFile::encodeName(path).constData(), &st) == 0 ? int(st.st_mode & 0777) : -1;
    }
    static void Write(const QString& path, const QByteArray& bytes) {
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        QCOMPARE(file.write(bytes), bytes.size());
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

    void aCopyIsNeverWrittenWithoutItsLock();
    void staleLocksGoAndANewerCopyIsToldOfOnce();
};

void RecoveryTest::aCopyIsNeverWrittenWithoutItsLock() {
    // The folder cannot be made at first (a file stands in its way), as a full or read-only
    // one refuses the lock; then it can.
    QTemporaryDir parent;
    const QString folder = parent.filePath(QStringLiteral("recovery"));
    Write(folder, "in the way");
    DocFixture f;
    CRecoveryCopy copy(f.doc, folder, 10);
    QStringList warnings;
    copy.SetWarning([&warnings](const QString& text) { warnings << text; });
    Edit(f);
    QVERIFY(QTest::qWaitFor([&] { return !warnings.isEmpty(); }, 5000));
    f.doc.OnMeasureLength();
    QTest::qWait(100);  // more attempts, but no second warning
    QCOMPARE(warnings.size(), 1);
    QVERIFY(warnings[0].contains(folder));

    QVERIFY(QFile::remove(folder));
    QVERIFY(QDir().mkpath(folder));
    f.doc.OnMeasureArea();
    QVERIFY(WaitForCopy(copy));
    QVERIFY(QFile::exists(copy.CopyPath()));
    // Its lock held, no other window takes it for a crashed one's.
    QVERIFY(CRecoveryCopy::FindAbandoned(folder).empty());
    // For its user alone, as is the name of its session.
    QCOMPARE(Mode(copy.CopyPath()), 0600);
    QCOMPARE(Mode(QString(copy.CopyPath())
                      .replace(QStringLiteral(".quandrel"), QStringLiteral(".origin"))),
             0600);
    copy.Discard();
}

void RecoveryTest::staleLocksGoAndANewerCopyIsToldOfOnce() {
    QTemporaryDir folder;
    // The lock of a program that is gone and left no copy: a process id no system has.
    const QString lockPath = folder.filePath(QStringLiteral("recovery-1-2.lock"));
    QByteArray contents;
    {
        QLockFile own(lockPath);
        QVERIFY(own.tryLock(0));
        QFile file(lockPath);
        QVERIFY(file.open(QIODevice::ReadOnly));
        contents = file.readAll();
    }
    Write(lockPath, "999999999" + contents.mid(contents.indexOf('\n')));
    Write(folder.filePath(QStringLiteral("recovery-1-2.origin")), "/data/s.quandrel");
    // A live program's lock stays.
    QLockFile live(folder.filePath(QStringLiteral("recovery-3-4.lock")));
    QVERIFY(live.tryLock(0));
    // A copy that a newer program left.
    const QString newer = folder.filePath(QStringLiteral("recovery-5-6.quandrel"));
    Write(newer, R"({"quandrel-session": 99, "images": {"a new": "shape"}})");

    std::vector<CRecoveryCopy::Abandoned> found = CRecoveryCopy::FindAbandoned(folder.path());
    QVERIFY(!QFile::exists(lockPath));
    QVERIFY(!QFile::exists(folder.filePath(QStringLiteral("recovery-1-2.origin"))));
    QVERIFY(QFile::exists(folder.filePath(QStringLiteral("recovery-3-4.lock"))));
    QCOMPARE(found.size(), std::size_t{1});
    QVERIFY(found[0].newer);
    const QString kept = CRecoveryCopy::NameNewer(found[0]);
    QCOMPARE(kept, folder.filePath(QStringLiteral("recovery-5-6-newer.quandrel")));
    QVERIFY(QFile::exists(kept));
    QVERIFY(CRecoveryCopy::FindAbandoned(folder.path()).empty());
}

QTEST_GUILESS_MAIN(RecoveryTest)
#include "recovery_test.moc"
