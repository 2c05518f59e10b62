// SPDX-License-Identifier: GPL-3.0-or-later
// The profile graph against its mapping: first the arithmetic, then the pixels it paints.
#include "panel/profile_graph.h"

#include <QImage>
#include <QTest>
#include <memory>

#include "document/doc_fakes.h"
#include "gui/panel/panel_test_support.h"
#include "panel/line_raster.h"

namespace {

constexpr QRgb kWhite = 0xFFFFFF;
constexpr QRgb kBlack = 0x000000;
constexpr QRgb kRed = 0xFF0000;

struct GraphFixture {
    FakeUi ui;
    CNorvaleDoc doc{ui};
    ImageFiles files;
    CProfileGraph graph{doc};

    GraphFixture() {
        graph.show();
        QVERIFY(QTest::qWaitForWindowExposed(&graph));
    }
    void LoadPicture() {
        ui.openChoices.push_back({files.Make(QStringLiteral("a.bmp"), 50)});
        doc.OnAddFiles();
        QVERIFY(doc.GetPictureBitmap() != nullptr);
    }
    // A current line on the current image, with its cursor at pos.
    void CurrentLine(int pos) {
        if (doc.m_profile.GetSize() == 0) {
            doc.AddImageFile("none.bmp", "/nonexistent/none.bmp");
            doc.m_nCurImage = 0;
        }
        doc.AddLineToAll(5, 40, 100, 40);
        doc.m_nCurLine = 0;
        doc.GetCurLine()->m_nPos = pos;
    }
    // Samples 0..n all at the grey level, red, green and blue alike.
    void Fill(int n, int level) {
        doc.m_buffer.m_nLastSample = n;
        for (int i = 0; i < kProfileSize; ++i) Set(i, level);
    }
    void Set(int i, int level) {
        doc.m_buffer.m_nRed[i] = level;
        doc.m_buffer.m_nGreen[i] = level;
        doc.m_buffer.m_nBlue[i] = level;
    }
    // The client area as painted, in the drawing's own coordinates.
    QImage Render() {
        return graph.grab()
            .toImage()
            .copy(graph.contentsRect())
            .convertToFormat(QImage::Format_RGB32);
    }
};

QRgb At(const QImage& image, int x, int y) {
    return image.pixel(x, y) & 0xFFFFFF;
}

int Count(const QImage& image, QRgb colour) {
    int count = 0;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) count += At(image, x, y) == colour ? 1 : 0;
    }
    return count;
}

QRect BoundsOf(const QImage& image, QRgb colour) {
    QRect bounds;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            if (At(image, x, y) == colour) bounds |= QRect(x, y, 1, 1);
        }
    }
    return bounds;
}

}  // namespace

class ProfileGraphTest : public QObject {
    Q_OBJECT
private slots:
    void mapX_data();
    void mapX();
    void mapYMatchesIntegerFormula();
    void segmentPixels_data();
    void segmentPixels();
    void axesOnly_data();
    void axesOnly();
    void flatCurveOnePixelPerSample();
    void spike_data();
    void spike();
    void lastSampleColumn_data();
    void lastSampleColumn();
    void cursorMark_data();
    void cursorMark();
    void noMarkWithoutCurrentLine();
};

void ProfileGraphTest::mapX_data() {
    QTest::addColumn<int>("i");
    QTest::addColumn<int>("n");
    QTest::addColumn<int>("x");
    QTest::newRow("last of 150") << 150 << 150 << 160;
    QTest::newRow("last of 199") << 199 << 199 << 209;
    QTest::newRow("last of 200") << 200 << 200 << 210;
    QTest::newRow("29 of 200, just below 29") << 29 << 200 << 38;
    QTest::newRow("30 of 200") << 30 << 200 << 40;
    QTest::newRow("100 of 200") << 100 << 200 << 110;
    QTest::newRow("40 of 300") << 40 << 300 << 36;
    QTest::newRow("last of 1023") << 1023 << 1023 << 210;
    QTest::newRow("single sample") << 0 << 0 << 10;
    QTest::newRow("empty buffer") << 3 << -1 << 13;
}

void ProfileGraphTest::mapX() {
    QFETCH(int, i);
    QFETCH(int, n);
    QFETCH(int, x);
    QCOMPARE(ProfileX(i, n), x);
}

void ProfileGraphTest::mapYMatchesIntegerFormula() {
    // The spot checks first, then every level against the exact integer form.
    QCOMPARE(ProfileY(255), 10);
    QCOMPARE(ProfileY(254), 11);
    QCOMPARE(ProfileY(51), 90);
    QCOMPARE(ProfileY(50), 91);
    QCOMPARE(ProfileY(2), 110);
    for (int v = 0; v <= 255; ++v) QCOMPARE(ProfileY(v), 110 - (20 * v) / 51);
    // 16-bit pictures span the same 100 rows; 8-bit ones are drawn exactly as before.
    for (int v = 0; v <= 255; ++v) QCOMPARE(ProfileY(v, 255), ProfileY(v));
    QCOMPARE(ProfileY(65535, 65535), 10);
    QCOMPARE(ProfileY(65534, 65535), 11);
    QCOMPARE(ProfileY(32768, 65535), 60);
    QCOMPARE(ProfileY(655, 65535), 110);
    QCOMPARE(ProfileY(656, 65535), 109);
}

void ProfileGraphTest::segmentPixels_data() {
    using Points = QList<QPoint>;
    QTest::addColumn<QPoint>("from");
    QTest::addColumn<QPoint>("to");
    QTest::addColumn<Points>("pixels");
    QTest::newRow("length 0") << QPoint(5, 5) << QPoint(5, 5) << Points{};
    QTest::newRow("right") << QPoint(1, 2) << QPoint(4, 2) << Points{{1, 2}, {2, 2}, {3, 2}};
    QTest::newRow("left") << QPoint(4, 2) << QPoint(1, 2) << Points{{4, 2}, {3, 2}, {2, 2}};
    QTest::newRow("up") << QPoint(0, 3) << QPoint(0, 0) << Points{{0, 3}, {0, 2}, {0, 1}};
    QTest::newRow("diagonal") << QPoint(0, 0) << QPoint(3, -3) << Points{{0, 0}, {1, -1}, {2, -2}};
    // A column apart over four rows: the step comes halfway, whichever way the segment runs.
    QTest::newRow("steep rising") << QPoint(7, 4) << QPoint(8, 0)
                                  << Points{{7, 4}, {7, 3}, {8, 2}, {8, 1}};
    QTest::newRow("steep falling")
        << QPoint(8, 0) << QPoint(7, 4) << Points{{8, 0}, {8, 1}, {7, 2}, {7, 3}};
    QTest::newRow("shallow") << QPoint(0, 0) << QPoint(5, 2)
                             << Points{{0, 0}, {1, 0}, {2, 1}, {3, 1}, {4, 2}};
}

void ProfileGraphTest::segmentPixels() {
    using Points = QList<QPoint>;
    QFETCH(QPoint, from);
    QFETCH(QPoint, to);
    QFETCH(Points, pixels);
    Points drawn;
    ForEachSegmentPixel(from, to, [&drawn](const QPoint& p) { drawn << p; });
    QCOMPARE(drawn, pixels);
}

void ProfileGraphTest::axesOnly_data() {
    QTest::addColumn<bool>("picture");
    QTest::addColumn<int>("n");
    QTest::newRow("no picture") << false << 150;
    QTest::newRow("empty buffer") << true << -1;
    QTest::newRow("single sample") << true << 0;
}

void ProfileGraphTest::axesOnly() {
    QFETCH(bool, picture);
    QFETCH(int, n);
    GraphFixture f;
    if (picture) f.LoadPicture();
    f.Fill(n, 128);
    const QImage image = f.Render();
    // Two axes of 100 and 200 pixels: each line stops one pixel short of its end point.
    QCOMPARE(Count(image, kBlack), 300);
    QCOMPARE(Count(image, kWhite), image.width() * image.height() - 300);
    QCOMPARE(At(image, 10, 10), kBlack);
    QCOMPARE(At(image, 10, 9), kWhite);
    QCOMPARE(At(image, 10, 110), kBlack);
    QCOMPARE(At(image, 209, 110), kBlack);
    QCOMPARE(At(image, 210, 110), kWhite);
}

void ProfileGraphTest::flatCurveOnePixelPerSample() {
    GraphFixture f;
    f.LoadPicture();
    f.Fill(150, 100);  // y = 110 - trunc(39.2...) = 71
    const QImage image = f.Render();
    for (int x = 10; x < 160; ++x) QCOMPARE(At(image, x, 71), kBlack);
    QCOMPARE(At(image, 20, 70), kWhite);
    QCOMPARE(At(image, 20, 72), kWhite);
    QCOMPARE(At(image, 9, 71), kWhite);
    QCOMPARE(At(image, 160, 71), kWhite);  // the end point of the last segment stays empty
}

void ProfileGraphTest::spike_data() {
    QTest::addColumn<int>("n");
    QTest::addColumn<int>("i");
    QTest::addColumn<int>("v");
    QTest::addColumn<int>("x");
    QTest::addColumn<int>("y");
    QTest::newRow("29 of 200 at 255") << 200 << 29 << 255 << 38 << 10;
    QTest::newRow("30 of 200 at 254") << 200 << 30 << 254 << 40 << 11;
    QTest::newRow("100 of 200 at 51") << 200 << 100 << 51 << 110 << 90;
    QTest::newRow("75 of 150 at 50") << 150 << 75 << 50 << 85 << 91;
    QTest::newRow("150 of 199 at 128") << 199 << 150 << 128 << 160 << 60;
    QTest::newRow("40 of 300 at 200") << 300 << 40 << 200 << 36 << 32;
}

// A single sample above a dark profile: its point is the peak of the curve, and the pixels
// beside and above it stay white whatever the neighbours do.
void ProfileGraphTest::spike() {
    QFETCH(int, n);
    QFETCH(int, i);
    QFETCH(int, v);
    QFETCH(int, x);
    QFETCH(int, y);
    GraphFixture f;
    f.LoadPicture();
    f.Fill(n, 0);
    f.Set(i, v);
    const QImage image = f.Render();
    QCOMPARE(At(image, x, y), kBlack);
    QCOMPARE(At(image, x, y - 1), kWhite);
    QCOMPARE(At(image, x - 1, y), kWhite);
    QCOMPARE(At(image, x + 1, y), kWhite);
    const QImage column = image.copy(x, 0, 1, image.height());
    QCOMPARE(BoundsOf(column, kBlack).top(), y);
}

void ProfileGraphTest::lastSampleColumn_data() {
    QTest::addColumn<int>("n");
    QTest::addColumn<int>("x");
    QTest::newRow("150 samples") << 150 << 160;
    QTest::newRow("199 samples") << 199 << 209;
    QTest::newRow("200 samples") << 200 << 210;
    QTest::newRow("1023 samples") << 1023 << 210;
}

// The last sample alone is bright: the final stroke rises in the last sample's column and
// nothing is painted to its right above the axis.
void ProfileGraphTest::lastSampleColumn() {
    QFETCH(int, n);
    QFETCH(int, x);
    GraphFixture f;
    f.LoadPicture();
    f.Fill(n, 0);
    f.Set(n, 255);
    const QImage image = f.Render();
    QCOMPARE(At(image, x, 11), kBlack);
    QCOMPARE(At(image, x, 10), kWhite);  // the stroke's own end point
    for (int y = 0; y < 110; ++y) QCOMPARE(At(image, x + 1, y), kWhite);
}

void ProfileGraphTest::cursorMark_data() {
    QTest::addColumn<bool>("picture");
    QTest::addColumn<int>("n");
    QTest::addColumn<int>("pos");
    QTest::addColumn<int>("x");
    QTest::addColumn<int>("y");
    QTest::newRow("300 samples, cursor 40") << true << 300 << 40 << 36 << 60;
    QTest::newRow("150 samples, cursor 20") << true << 150 << 20 << 30 << 60;
    QTest::newRow("single sample") << true << 0 << 0 << 10 << 60;
    QTest::newRow("no picture, mark still drawn") << false << 150 << 20 << 30 << 60;
}

void ProfileGraphTest::cursorMark() {
    QFETCH(bool, picture);
    QFETCH(int, n);
    QFETCH(int, pos);
    QFETCH(int, x);
    QFETCH(int, y);
    GraphFixture f;
    if (picture) f.LoadPicture();
    f.CurrentLine(pos);
    f.Fill(n, 128);  // y = 60
    const QImage image = f.Render();
    // A small red circle centred on the marked sample's point, hollow in the middle.
    QCOMPARE(BoundsOf(image, kRed), QRect(x - 2, y - 2, 5, 5));
    QVERIFY(At(image, x, y) != kRed);
    QCOMPARE(At(image, x + 2, y), kRed);
    QCOMPARE(At(image, x - 2, y), kRed);
}

void ProfileGraphTest::noMarkWithoutCurrentLine() {
    GraphFixture f;
    f.LoadPicture();
    f.CurrentLine(20);
    f.doc.m_nCurLine = -1;
    f.Fill(150, 128);
    QCOMPARE(Count(f.Render(), kRed), 0);
}

int RunProfileGraphTests(int argc, char** argv) {
    ProfileGraphTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "profile_graph_test.moc"
