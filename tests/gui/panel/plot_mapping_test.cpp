// SPDX-License-Identifier: GPL-3.0-or-later
// The series plot's arithmetic, without a widget: axes, the reduction of dense curves, what
// lies under the pointer and what the tooltip says about it.
#include "panel/plot_mapping.h"

#include <QTest>
#include <cfloat>
#include <cmath>
#include <limits>
#include <random>

#include "gui/panel/panel_test_support.h"

namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kInf = std::numeric_limits<double>::infinity();

using Values = std::vector<double>;

SeriesData Series(int images, const std::vector<Values>& curves) {
    SeriesData data;
    data.images = images;
    for (std::size_t c = 0; c < curves.size(); ++c) {
        data.curves.push_back({QStringLiteral("走査線 %1").arg(c + 1), curves[c]});
    }
    data.gaps.resize(images);
    data.pending.resize(images);
    return data;
}

}  // namespace

class PlotMappingTest : public QObject {
    Q_OBJECT
private slots:
    void niceTicks_data();
    void niceTicks();
    void imageTicks();
    void dataRange();
    void runsBreakAtEveryMissingValue();
    void denseCurveCoversWhatTheFullCurveCovers();
    void hitTest_data();
    void hitTest();
    void overTime_data();
    void overTime();
    void denseCurveOverTimeCoversWhatTheFullCurveCovers();
    void curveColoursAreDistinct();
    void legendFlowsAndSumsUpTheRest();
};

void PlotMappingTest::niceTicks_data() {
    QTest::addColumn<double>("lo");
    QTest::addColumn<double>("hi");
    QTest::addColumn<QStringList>("labels");  // empty: only the properties are checked
    QTest::newRow("0 to 10") << 0.0 << 10.0 << QStringList{"0", "2", "4", "6", "8", "10"};
    QTest::newRow("fractions") << 0.13 << 0.87
                               << QStringList{"0", "0.2", "0.4", "0.6", "0.8", "1.0"};
    QTest::newRow("negative") << -3.7 << 12.1 << QStringList{"-5", "0", "5", "10", "15"};
    QTest::newRow("one value") << 5.0 << 5.0 << QStringList{"4.7", "4.8", "4.9", "5.0", "5.1", "5.2", "5.3"};
    QTest::newRow("zero only") << 0.0 << 0.0 << QStringList{"-1.0", "-0.5", "0", "0.5", "1.0"};
    QTest::newRow("millions") << -2e9 << -1e9 << QStringList{"-2.0e+09", "-1.8e+09", "-1.6e+09",
                                                             "-1.4e+09", "-1.2e+09", "-1.0e+09"};
    QTest::newRow("micrometres") << 1e-6 << 3e-6
                                 << QStringList{"1.0e-06", "1.5e-06", "2.0e-06", "2.5e-06",
                                                "3.0e-06"};
    QTest::newRow("huge") << -1e308 << 1.7e308 << QStringList{};
    QTest::newRow("the whole double range") << -DBL_MAX << DBL_MAX << QStringList{};
    QTest::newRow("one value near the end") << DBL_MAX << DBL_MAX << QStringList{};
    QTest::newRow("two apart at 1e16") << 1e16 << 1e16 + 2 << QStringList{};
    QTest::newRow("subnormal") << 1e-320 << 1e-320 << QStringList{};
}

// Every axis encloses its data, has at least two ticks inside its ends, and tells every tick
// apart in its labels; the ordinary ones land on the expected 1-2-5 steps.
void PlotMappingTest::niceTicks() {
    QFETCH(double, lo);
    QFETCH(double, hi);
    QFETCH(QStringList, labels);
    const AxisTicks ticks = NiceTicks(lo, hi, 5);
    QVERIFY(std::isfinite(ticks.lo) && std::isfinite(ticks.hi));
    QVERIFY(ticks.lo <= lo && hi <= ticks.hi && ticks.lo < ticks.hi);
    QVERIFY(ticks.values.size() >= 2 && ticks.values.size() <= 13);
    QStringList texts;
    for (std::size_t i = 0; i < ticks.values.size(); ++i) {
        const double v = ticks.values[i];
        QVERIFY(ticks.lo <= v && v <= ticks.hi);
        if (i > 0) QVERIFY(v > ticks.values[i - 1]);
        texts << TickText(v, ticks);
        QVERIFY2(!texts.back().startsWith(QLatin1String("-0")) || v < 0.0,
                 qPrintable(texts.back()));
    }
    QCOMPARE(texts.removeDuplicates(), 0);
    if (!labels.isEmpty()) QCOMPARE(texts, labels);
}

void PlotMappingTest::imageTicks() {
    QCOMPARE(ImageTicks(0, 5), std::vector<int>{});
    QCOMPARE(ImageTicks(1, 5), std::vector<int>{1});
    QCOMPARE(ImageTicks(7, 8), (std::vector<int>{1, 2, 3, 4, 5, 6, 7}));
    QCOMPARE(ImageTicks(10, 4), (std::vector<int>{5, 10}));
    QCOMPARE(ImageTicks(10000, 8), (std::vector<int>{2000, 4000, 6000, 8000, 10000}));
    // A step past the last image still labels one, and the last step does not overflow.
    QCOMPARE(ImageTicks(2147483647, 1), std::vector<int>{1});
    QCOMPARE(ImageTicks(2147483647, 4), (std::vector<int>{1000000000, 2000000000}));
}

void PlotMappingTest::dataRange() {
    QVERIFY(!DataRange(Series(3, {{kNaN, kNaN, kNaN}, {}})).has_value());
    QVERIFY(!DataRange(Series(0, {{1.0}})).has_value());
    // Infinities are not plotted, and values past the last image do not count.
    const auto range = DataRange(Series(3, {{kNaN, -kInf, 4.0, -100.0}, {kInf, 2.5}}));
    QVERIFY(range.has_value());
    QCOMPARE(range->lo, 2.5);
    QCOMPARE(range->hi, 4.0);
}

void PlotMappingTest::runsBreakAtEveryMissingValue() {
    const PlotFrame frame{QRectF(10, 20, 100, 50), 10, 0.0, 10.0};
    const CurvePath path =
        MapCurve(frame, {1.0, kNaN, 2.0, 3.0, kNaN, kInf, 4.0, kNaN, 5.0, 6.0, 7.0});
    QCOMPARE(path.runStarts, (std::vector<int>{0, 1, 3, 4}));
    QCOMPARE(path.points.size(), std::size_t{6});  // the 11th value is past the last image
    QCOMPARE(path.points[3], QPointF(ImageX(frame, 6), ValueY(frame, 4.0)));
    QCOMPARE(path.points[3], QPointF(75.0, 50.0));
    QVERIFY(MapCurve(frame, Values(10, kNaN)).runStarts.empty());
}

// 100,000 noisy values over 300 columns keep at most four points per column, and the pixels
// they cover are those that the whole curve covers: a line with no holes from column to column.
void PlotMappingTest::denseCurveCoversWhatTheFullCurveCovers() {
    const int n = 100000;
    const PlotFrame frame{QRectF(0, 0, 300, 200), n, -2.0, 2.0};
    std::mt19937 random(7);
    std::normal_distribution<double> noise(0.0, 0.02);
    Values values(n);
    for (int i = 0; i < n; ++i) values[i] = std::sin(i / 9000.0) + noise(random);
    values[50000] = 1.9;  // a lone spike must survive
    const CurvePath reduced = MapCurve(frame, values);
    QVERIFY(reduced.points.size() <= 4 * 300);
    CurvePath full;
    full.runStarts = {0};
    for (int i = 0; i < n; ++i)
        full.points.emplace_back(ImageX(frame, i), ValueY(frame, values[i]));
    const std::vector<QRect> cover = ColumnCover(reduced);
    QCOMPARE(cover, ColumnCover(full));
    QCOMPARE(cover.size(), std::size_t{300});
    QCOMPARE(cover[150].top(), static_cast<int>(std::floor(ValueY(frame, 1.9))));
    for (std::size_t c = 1; c < cover.size(); ++c) {
        QCOMPARE(cover[c].left(), cover[c - 1].left() + 1);
        QVERIFY(cover[c].top() <= cover[c - 1].bottom() + 1);
        QVERIFY(cover[c].bottom() >= cover[c - 1].top() - 1);
    }
}

void PlotMappingTest::hitTest_data() {
    QTest::addColumn<QPointF>("pos");
    QTest::addColumn<int>("image");
    QTest::addColumn<int>("curve");
    QTest::addColumn<QString>("text");
    // Ten images in 100 pixels (image i at x = 5 + 10 i), 0..10 over 100 pixels upwards.
    QTest::newRow("on a point") << QPointF(25, 80) << 2 << 0 << "画像 3\n走査線 1: 2";
    QTest::newRow("near a point") << QPointF(29, 77) << 2 << 0 << "画像 3\n走査線 1: 2";
    QTest::newRow("the nearer curve") << QPointF(35, 63) << 3 << 1 << "画像 4\n走査線 2: 3.5";
    QTest::newRow("column, no point near") << QPointF(16, 30) << 1 << -1 << "画像 2\n走査線 1: 1";
    QTest::newRow("column without values") << QPointF(45, 10) << 4 << -1 << "画像 5\n値なし";
    QTest::newRow("in a gap's column")
        << QPointF(62, 10) << 6 << -1 << "画像 7: broken.bmp\n読めません";
    QTest::newRow("pending, no value") << QPointF(93, 10) << 9 << -1 << "画像 10\n検出待ち";
    QTest::newRow("pending with a value")
        << QPointF(85, 20) << 8 << 0 << "画像 9\n走査線 1: 8\n検出待ち";
    QTest::newRow("under the axis")
        << QPointF(64, 104) << 6 << -1 << "画像 7: broken.bmp\n読めません";
    QTest::newRow("too far out") << QPointF(50, 110) << -1 << -1 << "";
}

void PlotMappingTest::hitTest() {
    QFETCH(QPointF, pos);
    QFETCH(int, image);
    QFETCH(int, curve);
    QFETCH(QString, text);
    SeriesData data = Series(10, {{0, 1, 2, 3, kNaN, 5, kNaN, 7, 8, kNaN},
                                  {kNaN, kNaN, kNaN, 3.5, kNaN, kNaN, kNaN, kNaN, kNaN}});
    data.gaps[6] = QStringLiteral("読めません");
    data.names.assign(10, QString());  // only the file of image 7 is known by name
    data.names[6] = QStringLiteral("broken.bmp");
    data.pending[8] = data.pending[9] = true;
    const PlotFrame frame{QRectF(0, 0, 100, 100), 10, 0.0, 10.0};
    const PlotHit hit = HitTest(frame, data, pos, 6.0);
    QCOMPARE(hit.image, image);
    QCOMPARE(hit.curve, curve);
    QCOMPARE(HitText(data, hit), text);
}

void PlotMappingTest::overTime_data() {
    QTest::addColumn<QPointF>("pos");
    QTest::addColumn<int>("image");
    QTest::addColumn<int>("curve");
    QTest::addColumn<QString>("text");
    // Five images at 0, 4, 2, 10 and 6 s on an axis of 0..10 s over 100 pixels: x 0, 40, 20,
    // 100 and 60, out of list order.
    QTest::newRow("on a point") << QPointF(41, 80) << 1 << 0 << "画像 2\n時刻 4 秒\n走査線 1: 2";
    QTest::newRow("a gap at its time")
        << QPointF(21, 10) << 2 << -1 << "画像 3\n時刻 2 秒\n読めません";
    QTest::newRow("later in time, earlier in the list")
        << QPointF(58, 50) << 4 << 0 << "画像 5\n時刻 6 秒\n走査線 1: 5";
    QTest::newRow("nearest in time, first of equals")
        << QPointF(80, 10) << 3 << -1 << "画像 4\n時刻 10 秒\n走査線 1: 4";
}

void PlotMappingTest::overTime() {
    QFETCH(QPointF, pos);
    QFETCH(int, image);
    QFETCH(int, curve);
    QFETCH(QString, text);
    SeriesData data = Series(5, {{1, 2, kNaN, 4, 5}});
    data.gaps[2] = QStringLiteral("読めません");
    data.times = {0, 4, 2, 10, 6};
    PlotFrame frame{QRectF(0, 0, 100, 100), 5, 0.0, 10.0};
    frame.times = data.times;
    frame.tlo = 0.0;
    frame.thi = 10.0;
    QCOMPARE(ImageX(frame, 3), 100.0);
    const PlotHit hit = HitTest(frame, data, pos, 6.0);
    QCOMPARE(hit.image, image);
    QCOMPARE(hit.curve, curve);
    QCOMPARE(HitText(data, hit), text);
    // A pending or gap band stands at the image's time, a pixel either side.
    QCOMPARE(FlagSpans(frame, {false, false, true, false, false}, 3.0),
             (std::vector<Span>{{18.5, 21.5}}));
}

// Over uneven times the reduced curve still covers the pixels of the whole one.
void PlotMappingTest::denseCurveOverTimeCoversWhatTheFullCurveCovers() {
    const int n = 20000;
    PlotFrame frame{QRectF(0, 0, 200, 200), n, -2.0, 2.0};
    std::mt19937 random(11);
    std::normal_distribution<double> noise(0.0, 0.05);
    Values values(n);
    for (int i = 0; i < n; ++i) {
        frame.times.push_back(std::sqrt(static_cast<double>(i)));
        values[i] = std::sin(i / 3000.0) + noise(random);
    }
    frame.tlo = 0.0;
    frame.thi = frame.times.back();
    values[7000] = kNaN;  // a gap breaks the run here as on image numbers
    const CurvePath reduced = MapCurve(frame, values);
    QCOMPARE(reduced.runStarts.size(), std::size_t{2});
    CurvePath full;
    for (int i = 0; i < n; ++i) {
        if (i == 0 || i == 7001) full.runStarts.push_back(static_cast<int>(full.points.size()));
        if (i != 7000) full.points.emplace_back(ImageX(frame, i), ValueY(frame, values[i]));
    }
    QVERIFY(reduced.points.size() < full.points.size() / 4);
    QCOMPARE(ColumnCover(reduced), ColumnCover(full));
}

void PlotMappingTest::curveColoursAreDistinct() {
    const auto apart = [](QColor a, QColor b) {
        return std::abs(a.red() - b.red()) + std::abs(a.green() - b.green()) +
               std::abs(a.blue() - b.blue());
    };
    for (int i = 0; i < 20; ++i) {
        QVERIFY(apart(CurveColour(i), Qt::white) > 200);        // readable on white
        QVERIFY(apart(CurveColour(i), QColor(0x606060)) > 60);  // not the current mark
        for (int j = 0; j < i; ++j)
            QVERIFY2(apart(CurveColour(i), CurveColour(j)) > 60,
                     qPrintable(QStringLiteral("%1 %2").arg(i).arg(j)));
    }
}

void PlotMappingTest::legendFlowsAndSumsUpTheRest() {
    // Entries of 40 with gaps of 10 in a strip of 100: two to a row.
    LegendPlaces all = FlowLegend({40, 40, 40}, 30, 100, 12, 10, 3);
    QCOMPARE(all.entries.size(), std::size_t{3});
    QCOMPARE(all.entries[1], QRectF(50, 0, 40, 12));
    QCOMPARE(all.entries[2], QRectF(0, 12, 40, 12));
    QCOMPARE(all.rows, 2);
    QVERIFY(!all.more.has_value());
    // One row for five: the "more" entry takes the second entry's place.
    const LegendPlaces cut = FlowLegend({40, 40, 40, 40, 40}, 45, 100, 12, 10, 1);
    QCOMPARE(cut.entries.size(), std::size_t{1});
    QCOMPARE(cut.more, std::optional<QRectF>(QRectF(50, 0, 45, 12)));
    QCOMPARE(cut.rows, 1);
}

int RunPlotMappingTests(int argc, char** argv) {
    PlotMappingTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "plot_mapping_test.moc"
