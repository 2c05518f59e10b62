// SPDX-License-Identifier: GPL-3.0-or-later
// Stepping through a long series with the Down key holds a fixed number of decoded pictures (the
// current one and the two decoded ahead): the process's resident memory stays flat. A session
// too large for the memory left never ends the window, wherever the memory runs out.
#include <sys/resource.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QImage>
#include <QPainter>
#include <QSettings>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <fstream>

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

    void aSessionTooLargeForTheMemoryLeftKeepsTheWork();
};

// The window's address space, in bytes.
static rlim_t AddressSpace() {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.rfind("VmSize:", 0) == 0) return std::stoull(line.substr(7)) * 1024;
    }
    return 0;
}

void MemoryTest::aSessionTooLargeForTheMemoryLeftKeepsTheWork() {
#if defined(__SANITIZE_ADDRESS__)
    QSKIP("the address sanitizer cannot run under a limit of its address space");
#endif
    QTemporaryDir dir;
    QImage image(40, 30, QImage::Format_RGB32);
    image.fill(Qt::gray);
    QVERIFY(image.save(dir.filePath(QStringLiteral("a.bmp")), "BMP"));
    // 50,000 entries of one picture, with ten lines.
    QByteArray text = R"({"quandrel-session": 2, "lines": [)";
    for (int n = 0; n < 10; ++n) text += (n ? ",[0," : "[0,") + QByteArray::number(n) + ",30,9]";
    text += R"(], "images": [)";
    for (int k = 0; k < 50000; ++k) text += k ? R"(,"a.bmp")" : R"("a.bmp")";
    text += "]}";
    const QString session = dir.filePath(QStringLiteral("large.quandrel"));
    QFile file(session);
    QVERIFY(file.open(QIODevice::WriteOnly) && file.write(text) == text.size());
    file.close();

    FakeUi ui;
    CNorvaleApp app(&ui);
    QVERIFY(app.InitInstance({}));
    QVERIFY(QTest::qWaitForWindowExposed(&app.Frame()));
    app.Document().AddImageFile("a.bmp", dir.filePath(QStringLiteral("a.bmp")).toStdString());
    app.Document().UpdateAllViews();

    // Ever more room, until the session opens: short of that the window says that memory ran
    // out and keeps its work, wherever that happened (reading, building, showing the list).
    rlimit original{};
    QCOMPARE(::getrlimit(RLIMIT_AS, &original), 0);
    bool opened = false;
    int refused = 0;
    for (rlim_t room = rlim_t(4) << 20; !opened && room < (rlim_t(1) << 30); room += 2 << 20) {
        ui.messages.clear();
        rlimit limited = original;
        limited.rlim_cur = AddressSpace() + room;
        QCOMPARE(::setrlimit(RLIMIT_AS, &limited), 0);
        opened = app.OpenDocumentFile(session);
        QCOMPARE(::setrlimit(RLIMIT_AS, &original), 0);
        if (opened) break;
        ++refused;
        QCOMPARE(app.Document().m_profile.GetSize(), 1);
        QCOMPARE(ui.messages.size(), std::size_t{1});
        QVERIFY2(ui.messages[0].contains(QStringLiteral("メモリが足りない")),
                 qPrintable(ui.messages[0]));
    }
    QVERIFY(opened);
    QCOMPARE(app.Document().m_profile.GetSize(), 50000);
    QVERIFY(refused > 0);  // the test did run out of memory
}

QTEST_MAIN(MemoryTest)
#include "memory_test.moc"
