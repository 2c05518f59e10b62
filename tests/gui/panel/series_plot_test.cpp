// SPDX-License-Identifier: GPL-3.0-or-later
// The series plot as a widget: the pixels it paints, the clicks and tooltips it answers, the
// files it saves.
#include "panel/series_plot.h"

#include <QDir>
#include <QFile>
#include <QHelpEvent>
#include <QSignalSpy>
#include <QSvgRenderer>
#include <QTemporaryDir>
#include <QTest>
#include <QToolTip>
#include <cmath>

#include "gui/panel/panel_test_support.h"

namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

// One curve, value i + 1 at image i, with no value on images [gapFrom, gapTo).
SeriesData Ramp(int images, int gapFrom = -1, int gapTo = -1) {
    SeriesData data;
    data.label = QStringLiteral("X (mm)");
    data.images = images;
    SeriesCurve curve{QStringLiteral("走査線 1"), {}};
    for (int i = 0; i < images; ++i) {
        curve.values.push_back(i >= gapFrom && i < gapTo ? kNaN : i + 1.0);
    }
    data.curves.push_back(curve);
    data.gaps.resize(images);
    data.pending.resize(images);
    return data;
}

bool NearColour(QRgb pixel, QColor colour) {
    return std::abs(qRed(pixel) - colour.red()) + std::abs(qGreen(pixel) - colour.green()) +
               std::abs(qBlue(pixel) - colour.blue()) <
           80;
}

struct PlotFixture {
    CSeriesPlot plot;

    explicit PlotFixture(SeriesData data) {
        plot.resize(400, 220);
        plot.SetData(std::move(data));
        plot.show();
        QVERIFY(QTest::qWaitForWindowExposed(&plot));
    }
    QImage Render() { return plot.grab().toImage().convertToFormat(QImage::Format_RGB32); }
    const QRectF& Area() const { return plot.Frame().area; }
    QPoint PointOf(int image, double value) const {
        return QPointF(ImageX(plot.Frame(), image), ValueY(plot.Frame(), value)).toPoint();
    }
    // Pixels of the curve's colour in columns [from, to) of the plot area.
    int CurvePixels(const QImage& image, double from, double to) const {
        int count = 0;
        for (int x = static_cast<int>(std::ceil(from)); x < to; ++x) {
            for (int y = static_cast<int>(Area().top()); y < Area().bottom(); ++y) {
                count += NearColour(image.pixel(x, y), CurveColour(0)) ? 1 : 0;
            }
        }
        return count;
    }
};

}  // namespace

class SeriesPlotTest : public QObject {
    Q_OBJECT
private slots:
    void gapIsNotDrawnThrough_data();
    void gapIsNotDrawnThrough();
    void currentImageIsMarked_data();
    void currentImageIsMarked();
    void clickPicksImage_data();
    void clickPicksImage();
    void tooltip_data();
    void tooltip();
    void savedFilesHoldTheDrawing();
    void failedSaveLeavesOldFile_data();
    void failedSaveLeavesOldFile();
};

void SeriesPlotTest::gapIsNotDrawnThrough_data() {
    QTest::addColumn<int>("images");
    QTest::addColumn<int>("from");
    QTest::addColumn<int>("to");
    QTest::newRow("smoothed lines and dots") << 10 << 4 << 5;
    QTest::newRow("one-pixel lines") << 250 << 100 << 120;
    QTest::newRow("covered columns") << 5000 << 2000 << 2300;
}

// Nothing of the curve's colour between the last point before the gap and the first after it,
// anywhere in those columns (neither a line across nor a dip to zero), while the stretch
// before the gap is drawn.
void SeriesPlotTest::gapIsNotDrawnThrough() {
    QFETCH(int, images);
    QFETCH(int, from);
    QFETCH(int, to);
    PlotFixture f(Ramp(images, from, to));
    const PlotFrame& frame = f.plot.Frame();
    const QImage image = f.Render();
    QCOMPARE(f.CurvePixels(image, ImageX(frame, from - 1) + 4, ImageX(frame, to) - 4), 0);
    QVERIFY(f.CurvePixels(image, ImageX(frame, 0), ImageX(frame, from - 1)) > 0);
    QVERIFY(f.CurvePixels(image, ImageX(frame, to), ImageX(frame, images - 1)) > 0);
}

void SeriesPlotTest::currentImageIsMarked_data() {
    QTest::addColumn<int>("images");
    QTest::addColumn<int>("current");
    QTest::addColumn<bool>("moved");  // by SetCurrent after SetData
    QTest::newRow("first") << 20 << 0 << false;
    QTest::newRow("last") << 20 << 19 << false;
    QTest::newRow("moved") << 20 << 7 << true;
    QTest::newRow("dense") << 5000 << 1234 << true;
    QTest::newRow("none") << 20 << -1 << true;
}

void SeriesPlotTest::currentImageIsMarked() {
    QFETCH(int, images);
    QFETCH(int, current);
    QFETCH(bool, moved);
    SeriesData data = Ramp(images);
    data.current = moved ? 3 : current;
    PlotFixture f(data);
    if (moved) f.plot.SetCurrent(current);
    const QImage image = f.Render();
    // A quarter down, where the rising curve passes three quarters of the way along.
    const int y = static_cast<int>(f.Area().top() + f.Area().height() / 4);
    int marked = -1;
    for (int x = static_cast<int>(f.Area().left()); x < f.Area().right(); ++x) {
        if (image.pixel(x, y) == (0xFF000000 | kCurrentMark)) {
            QVERIFY(std::abs(x + 0.5 - ImageX(f.plot.Frame(), current)) <= 1.5);
            marked = current;
        }
    }
    QCOMPARE(marked, current);
}

void SeriesPlotTest::clickPicksImage_data() {
    QTest::addColumn<int>("images");
    QTest::addColumn<int>("spike");  // an image with a value far above the others, or -1
    QTest::addColumn<int>("image");
    QTest::addColumn<QPoint>("offset");  // from the image's point
    QTest::addColumn<int>("expected");
    QTest::newRow("on a point") << 10 << -1 << 3 << QPoint(0, 0) << 3;
    QTest::newRow("near a point") << 10 << -1 << 3 << QPoint(4, -3) << 3;
    QTest::newRow("in the column, far from the point") << 10 << -1 << 6 << QPoint(0, 40) << 6;
    QTest::newRow("left of the plot") << 10 << -1 << 0 << QPoint(-60, 0) << -1;
    QTest::newRow("one spike among thousands") << 5000 << 2345 << 2345 << QPoint(0, 1) << 2345;
}

void SeriesPlotTest::clickPicksImage() {
    QFETCH(int, images);
    QFETCH(int, spike);
    QFETCH(int, image);
    QFETCH(QPoint, offset);
    QFETCH(int, expected);
    SeriesData data = Ramp(images);
    if (spike >= 0) {
        for (double& v : data.curves[0].values) v = 1.0;
        data.curves[0].values[spike] = 10.0;
    }
    PlotFixture f(data);
    QSignalSpy clicked(&f.plot, &CSeriesPlot::imageClicked);
    const QPoint where = f.PointOf(image, f.plot.Data().curves[0].values[image]) + offset;
    QTest::mouseClick(&f.plot, Qt::LeftButton, Qt::NoModifier, where);
    QCOMPARE(clicked.size(), expected < 0 ? 0 : 1);
    if (expected >= 0) QCOMPARE(clicked.front().front().toInt(), expected);
}

void SeriesPlotTest::tooltip_data() {
    QTest::addColumn<int>("images");
    QTest::addColumn<int>("gap");       // the one image that cannot be read
    QTest::addColumn<int>("image");     // the one pointed at
    QTest::addColumn<bool>("onPoint");  // just below its point, or else just below the x axis
    QTest::addColumn<QString>("text");
    const QString reason = QStringLiteral("ファイルを開くことができません");
    QTest::newRow("a point") << 10 << 6 << 2 << true << "画像 3\n走査線 1: 3";
    QTest::newRow("a gap's mark") << 10 << 6 << 6 << false << "画像 7\n" + reason;
    QTest::newRow("a gap's mark among thousands")
        << 5000 << 3000 << 3000 << false << "画像 3001\n" + reason;
}

void SeriesPlotTest::tooltip() {
    QFETCH(int, images);
    QFETCH(int, gap);
    QFETCH(int, image);
    QFETCH(bool, onPoint);
    QFETCH(QString, text);
    SeriesData data = Ramp(images, gap, gap + 1);
    data.gaps[gap] = QStringLiteral("ファイルを開くことができません");
    PlotFixture f(data);
    const QPoint pos = onPoint ? f.PointOf(image, image + 1.0) + QPoint(0, 1)
                               : QPoint(qRound(ImageX(f.plot.Frame(), image)),
                                        static_cast<int>(f.Area().bottom()) + 2);
    QHelpEvent event(QEvent::ToolTip, pos, f.plot.mapToGlobal(pos));
    QApplication::sendEvent(&f.plot, &event);
    QTRY_COMPARE(QToolTip::text(), text);
    QToolTip::hideText();
}

void SeriesPlotTest::savedFilesHoldTheDrawing() {
    SeriesData data = Ramp(30, 10, 12);
    data.current = 4;
    data.pending[20] = true;
    PlotFixture f(data);
    QTemporaryDir dir;
    const QString png = dir.filePath(QStringLiteral("plot.png"));
    QFile old(png);
    QVERIFY(old.open(QIODevice::WriteOnly) && old.write("old") == 3);
    old.close();
    QVERIFY(f.plot.SavePng(png, f.plot.size()));
    QVERIFY(f.plot.LastSaveResult().ok());
    QCOMPARE(QImage(png).convertToFormat(QImage::Format_RGB32), f.Render());

    const QString svg = dir.filePath(QStringLiteral("plot.svg"));
    QVERIFY(f.plot.SaveSvg(svg, QSize(640, 360)));
    QFile file(svg);
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QString text = QString::fromUtf8(file.readAll());
    QVERIFY(text.contains(QStringLiteral("画像番号")));
    QVERIFY(text.contains(CurveColour(0).name()));
    QSvgRenderer renderer(svg);
    QVERIFY(renderer.isValid());
    QCOMPARE(renderer.viewBoxF(), QRectF(0, 0, 640, 360));
}

void SeriesPlotTest::failedSaveLeavesOldFile_data() {
    QTest::addColumn<bool>("svg");
    QTest::addColumn<QString>("target");  // in a folder holding "old.png" and "sub/"
    QTest::addColumn<QSize>("size");
    QTest::newRow("png of no size") << false << "old.png" << QSize(0, 300);
    QTest::newRow("svg of no size") << true << "old.png" << QSize(400, -1);
    QTest::newRow("png too large") << false << "old.png" << QSize(100000, 100000);
    QTest::newRow("svg too large") << true << "old.png" << QSize(400, 20000);
    QTest::newRow("png, missing folder") << false << "absent/plot.png" << QSize(400, 300);
    QTest::newRow("svg onto a folder") << true << "sub" << QSize(400, 300);
    QTest::newRow("png below a file") << false << "old.png/plot.png" << QSize(400, 300);
}

void SeriesPlotTest::failedSaveLeavesOldFile() {
    QFETCH(bool, svg);
    QFETCH(QString, target);
    QFETCH(QSize, size);
    PlotFixture f(Ramp(10));
    QTemporaryDir dir;
    QFile old(dir.filePath(QStringLiteral("old.png")));
    QVERIFY(old.open(QIODevice::WriteOnly) && old.write("old bytes") == 9);
    old.close();
    QVERIFY(QDir(dir.path()).mkdir(QStringLiteral("sub")));
    const QStringList before = QDir(dir.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot);
    const QString path = dir.filePath(target);
    QVERIFY(!(svg ? f.plot.SaveSvg(path, size) : f.plot.SavePng(path, size)));
    QVERIFY(!f.plot.LastSaveResult().ok());
    QVERIFY(!f.plot.LastSaveResult().message.empty());
    QVERIFY(old.open(QIODevice::ReadOnly));
    QCOMPARE(old.readAll(), QByteArray("old bytes"));
    QCOMPARE(QDir(dir.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot), before);
    QVERIFY(QDir(dir.filePath(QStringLiteral("sub"))).isEmpty());
}

int RunSeriesPlotTests(int argc, char** argv) {
    SeriesPlotTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "series_plot_test.moc"
