// Stepping through a long series with the Down key holds a fixed number of decoded pictures (the
// current one and the two decoded ahead): the process's resident memory stays flat.
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QImage>
#include <QPainter>
#include <QSettings>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

#include "app/main_frame.h"
#include "app/norvale_app.h"
#include "document/doc_fakes.h"
#include "support/resident_memory.h"

class MemoryTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() {
        QStandardPaths::setTestModeEnabled(true);
        QCoreApplication::setOrganizationName(QStringLiteral("Zentor"));
        QCoreApplication::setApplicationName(QStringLiteral("Quandrel"));
        QSettings().clear();
    }

    void steppingThroughAThousandPicturesStaysFlat() {
#if defined(__SANITIZE_ADDRESS__)
        QSKIP("the address sanitizer keeps freed memory in quarantine");
#endif
        constexpr int kPictures = 1000;
        QTemporaryDir dir;
        QImage image(640, 480, QImage::Format_RGB32);
        QStringList paths;
        for (int k = 0; k < kPictures; ++k) {
            image.fill(QColor(200, 200, 200));
            QPainter(&image).fillRect(100 + k % 300, 50, 80, 300, QColor(20, 20, 20));
            paths << dir.filePath(QStringLiteral("p%1.jpg").arg(k, 4, 10, QLatin1Char('0')));
            QVERIFY(image.save(paths.back(), "JPEG", 85));
        }

        FakeUi ui;
        CNorvaleApp app(&ui);
        QVERIFY(app.InitInstance({}));
        QVERIFY(QTest::qWaitForWindowExposed(&app.Frame()));
        ui.openChoices.push_back(paths);
        QTest::keyClick(&app.Frame(), Qt::Key_O, Qt::ControlModifier);
        QCOMPARE(app.Document().m_profile.GetSize(), kPictures);
        app.Document().AddLineToAll(20, 200, 600, 200);
        app.Document().m_nCurLine = 0;

        double early = 0.0;
        double peak = 0.0;
        for (int step = 1; step <= kPictures; ++step) {
            QTest::keyClick(&app.Frame(), Qt::Key_Down);
            QCoreApplication::processEvents();  // paint: detect and sample on this picture
            const double now = ResidentMiB();
            if (step == 10) early = now;
            if (step >= 10) peak = std::max(peak, now);
        }
        QCOMPARE(app.Document().m_nCurImage, 0);  // wrapped round to the first
        QVERIFY(!app.Document().m_profile.GetLine(kPictures - 1, 0, 0)->m_bDetect);
        qInfo("resident memory: %.1f MiB after 10 steps, at most %.1f MiB over 1000 (%.3f x)",
              early, peak, peak / early);
        QVERIFY2(peak <= 1.2 * early, "resident memory grew while stepping through the series");
    }
};

QTEST_MAIN(MemoryTest)
#include "memory_test.moc"
