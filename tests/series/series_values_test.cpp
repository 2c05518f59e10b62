// The series plot's numbers: the data file's measures per image and line, nothing for what is
// not measured yet, and gaps with their reasons.
#include "series/series_values.h"

#include <gtest/gtest.h>

#include <QFile>
#include <cmath>

#include "document/doc_fakes.h"
#include "model/caliper_measure.h"

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
