// SPDX-License-Identifier: GPL-3.0-or-later
// The series plot's numbers: the data file's measures per image and line, nothing for what is
// not measured yet, and gaps with their reasons.
#include "series/series_values.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <QFile>
#include <cmath>

#include "document/doc_fakes.h"
#include "model/caliper_measure.h"
#include "series/entry_times.h"

namespace {

// Four images with their bar at 30, 50, 70 and 90; two lines across them; the first two
// measured, the third still pending, the fourth's file gone.
struct SeriesFixture : DocFixture {
    SeriesFixture() {
        Add({files.Make("a.bmp", 30), files.Make("b.bmp", 50), files.Make("c.bmp", 70),
             files.Make("d.bmp", 90)});
        doc.AddLineToAll(5, 40, 110, 40);
        doc.AddLineToAll(5, 60, 110, 60);
        for (int i : {0, 1}) {
            doc.OpenImage(i);
            doc.DetectPending();
        }
        QFile::remove(files.Path("d.bmp"));
        doc.OpenImage(3);
        doc.OpenImage(1);
    }
};

TEST(SeriesValues, EachQuantityPerImageAndLine) {
    SeriesFixture f;
    const double origin = 10;  // the default calibration's origin column
    struct Case {
        SeriesQuantity quantity;
        std::size_t curves;
        double image0;  // on the first curve
        double image1;
    };
    f.doc.m_bMeasureLength = f.doc.m_bMeasureArea = true;
    const Case cases[] = {
        {SeriesQuantity::PixelDx, 2, 30 - origin, 50 - origin},
        {SeriesQuantity::PixelDy, 2, 110 - 40, 110 - 40},
        {SeriesQuantity::ConvertedX, 2, (30 - origin) / 100, (50 - origin) / 100},
        {SeriesQuantity::Length, 1, 0.2, 0.2},
        {SeriesQuantity::Area, 1, NAN, NAN},  // two points enclose nothing
    };
    for (const Case& c : cases) {
        const SeriesData data = BuildSeriesData(f.doc, c.quantity);
        ASSERT_EQ(data.curves.size(), c.curves) << data.label.toStdString();
        EXPECT_EQ(data.images, 4);
        EXPECT_EQ(data.current, 1);
        const std::vector<double>& v = data.curves[0].values;
        for (const auto& [i, expected] : {std::pair{0, c.image0}, std::pair{1, c.image1}}) {
            if (std::isnan(expected)) {
                EXPECT_TRUE(std::isnan(v[i])) << data.label.toStdString();
            } else {
                EXPECT_NEAR(v[i], expected, 1e-9) << data.label.toStdString() << " image " << i;
            }
        }
        // Pending: no value yet, marked; gone: a gap with its reason, never a zero.
        EXPECT_TRUE(std::isnan(v[2]) && data.pending[2] && data.gaps[2].isEmpty());
        EXPECT_TRUE(std::isnan(v[3]) && !data.gaps[3].isEmpty());
        EXPECT_FALSE(data.pending[0]);
    }
}

TEST(SeriesValues, SwitchesAndCalibrationsDecideWhatThereIs) {
    SeriesFixture f;
    EXPECT_TRUE(BuildSeriesData(f.doc, SeriesQuantity::Length).curves.empty());
    // An image whose calibration cannot convert has no converted values, but its pixels.
    CDataAxis& axis = *f.doc.m_profile.GetAxis(0);
    axis.m_xAxis = axis.m_origin;
    const SeriesData converted = BuildSeriesData(f.doc, SeriesQuantity::ConvertedY);
    EXPECT_TRUE(std::isnan(converted.curves[1].values[0]));
    EXPECT_TRUE(converted.gaps[0].contains(QStringLiteral("軸の設定")));
    EXPECT_FALSE(std::isnan(BuildSeriesData(f.doc, SeriesQuantity::PixelDy).curves[1].values[0]));
}

}  // namespace

namespace {

// A pair measured on the first line of the first image: edges at samples 20 and 26 (x 25 and
// 31), each with a sigma of half a sample, where 100 pixels make one unit.
TEST(SeriesValues, CaliperQuantitiesAndTheirErrorBars) {
    SeriesFixture f;
    CScan& line = *f.doc.m_profile.GetLine(0, 0, 0);
    line.SetEdge(20, 20.0);
    CaliperMeasure m;
    m.status = CaliperStatus::Ok;
    m.edge = {20.0, -100.0, 0.5, {}};
    m.second = CaliperEdge{26.0, 100.0, 0.5, {}};
    m.widthSamples = 6.0;
    line.m_measure = std::make_shared<const CaliperMeasure>(m);
    line.m_origin = CursorOrigin::Detected;
    struct Case {
        SeriesQuantity quantity;
        double value;  // NaN: the quantity's own, checked elsewhere
        double error;  // NaN: none
    };
    const double halfRoot2 = std::sqrt(0.5);
    const Case cases[] = {
        {SeriesQuantity::PairWidthPx, 6.0, halfRoot2},
        {SeriesQuantity::PairWidth, 0.06, halfRoot2 / 100},
        {SeriesQuantity::EdgeSigma, 0.5, NAN},
        {SeriesQuantity::PixelDx, 15.0, 0.5},
        {SeriesQuantity::ConvertedX, 0.15, 0.005},
        {SeriesQuantity::PixelDy, 70.0, 0.0},
    };
    for (const Case& c : cases) {
        const SeriesData data = BuildSeriesData(f.doc, c.quantity);
        SCOPED_TRACE(data.label.toStdString());
        ASSERT_EQ(data.curves.size(), 2u);
        EXPECT_NEAR(data.curves[0].values[0], c.value, 1e-12);
        ASSERT_EQ(data.curves[0].errors.size(), 4u);
        if (std::isnan(c.error)) {
            EXPECT_TRUE(std::isnan(data.curves[0].errors[0]));
        } else {
            EXPECT_NEAR(data.curves[0].errors[0], c.error, 1e-12);
        }
        // A line without a caliper measure has neither the caliper quantities nor error bars.
        EXPECT_TRUE(data.curves[1].errors.empty());
        if (c.quantity == SeriesQuantity::PairWidthPx || c.quantity == SeriesQuantity::EdgeSigma) {
            EXPECT_TRUE(std::isnan(data.curves[1].values[0]));
            EXPECT_TRUE(std::isnan(data.curves[0].values[1]));
        }
    }
}

}  // namespace

namespace {

// The fixture's dx: 20 on the first image and 40 on the second; the third waits, the fourth is
// gone.
TEST(SeriesValues, OverTimeAndAsARateWithTheFallbackToImageNumbers) {
    SeriesFixture f;
    const auto setTimes = [&f](std::vector<EntryTime> times) {
        for (int i = 0; i < 4; ++i) f.doc.m_profile.GetSeries(i)->m_time = times[i];
    };
    const EntryTime none;
    const auto video = [](double s) { return EntryTime{s, TimeSource::VideoTimestamp}; };
    struct Case {
        const char* name;
        std::vector<EntryTime> times;
        TimeRule rule;
        std::vector<double> axis;  // empty: the image numbers
        double rate0;
        const char* xLabel;
        const char* label;
    };
    const Case cases[] = {
        {"a video's times",
         {video(1), video(3), video(4), video(5)},
         {},
         {0, 2, 3, 4},
         10,
         "時刻（秒、動画のタイムスタンプ）",
         "dx（ピクセル） の変化率（/秒）"},
        {"one image without a time",
         {video(1), video(3), none, video(5)},
         {},
         {},
         20,
         "画像番号（時刻のない画像 1 件）",
         "dx（ピクセル） の変化率（/画像）"},
        {"a fixed interval over the files' times",
         {none, none, none, none},
         {TimeRule::Kind::Interval, 0.5, 10},
         {10, 10.5, 11, 11.5},
         40,
         "時刻（秒、一定の間隔）",
         "dx（ピクセル） の変化率（/秒）"},
    };
    for (const Case& c : cases) {
        setTimes(c.times);
        f.doc.m_profile.m_timeRule = c.rule;
        const SeriesData data =
            BuildSeriesData(f.doc, SeriesView{SeriesQuantity::PixelDx, true, true});
        EXPECT_EQ(data.times, c.axis) << c.name;
        EXPECT_EQ(data.xLabel.toStdString(), c.xLabel) << c.name;
        EXPECT_EQ(data.label.toStdString(), c.label) << c.name;
        // Images 1 and 2 have values, 3 waits: both take the one-sided difference.
        const std::vector<double>& rate = data.curves[0].values;
        EXPECT_EQ(rate[0], c.rate0) << c.name;
        EXPECT_EQ(rate[1], c.rate0) << c.name;
        EXPECT_TRUE(std::isnan(rate[2]) && std::isnan(rate[3])) << c.name;
        EXPECT_TRUE(data.curves[0].errors.empty()) << c.name;
    }
    // Neither asked for: the image numbers and the quantity as before.
    const SeriesData plain = BuildSeriesData(f.doc, SeriesView{SeriesQuantity::PixelDx});
    EXPECT_TRUE(plain.times.empty());
    EXPECT_EQ(plain.curves[0].values[1], 40);
}

TEST(SeriesValues, ModificationTimesOfTheFilesAndTheRuleAsOneStep) {
    SeriesFixture f;
    // a.bmp and b.bmp a second and 5 ns apart; d.bmp is gone and has no time.
    const auto touch = [&f](const char* name, long sec, long nsec) {
        const timespec times[2] = {{sec, nsec}, {sec, nsec}};
        ASSERT_EQ(utimensat(AT_FDCWD, f.files.Path(name).toLocal8Bit().constData(), times, 0), 0);
    };
    touch("a.bmp", 1'700'000'000, 999'999'999);
    touch("b.bmp", 1'700'000'001, 4);
    touch("c.bmp", 1'700'000'000, 0);
    EXPECT_TRUE(f.doc.SetTimeRule({TimeRule::Kind::FileTime, 1, 0}));
    EXPECT_FALSE(f.doc.SetTimeRule({TimeRule::Kind::FileTime, 1, 0})) << "no step for no change";
    EXPECT_FALSE(f.doc.SetTimeRule({TimeRule::Kind::Interval, 0, 0})) << "no step for nonsense";
    const TimeAxis axis = EntryTimesOf(f.doc.m_profile);
    EXPECT_EQ(axis.seconds[1], 5e-9);
    EXPECT_EQ(axis.seconds[2], -0.999999999);
    EXPECT_TRUE(std::isnan(axis.seconds[3]));
    EXPECT_EQ(axis.missing, 1u);
    EXPECT_EQ(EntryTimeText(axis, 3).toStdString(), "時刻なし（画像番号 4 で代用）");
    EXPECT_EQ(EntryTimeText(axis, 1).toStdString(), "時刻 5e-09 秒（ファイルの更新日時）");
    // Undone, the times are the files' own again: here none, and no time column.
    EXPECT_TRUE(f.doc.Undo());
    EXPECT_TRUE(f.doc.m_profile.m_timeRule.IsDefault());
    EXPECT_FALSE(HasTimes(f.doc.m_profile, EntryTimesOf(f.doc.m_profile)));
    EXPECT_TRUE(f.doc.Redo());
    EXPECT_EQ(f.doc.m_profile.m_timeRule.kind, TimeRule::Kind::FileTime);
}

}  // namespace
