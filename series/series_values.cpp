// SPDX-License-Identifier: GPL-3.0-or-later
#include "series/series_values.h"

#include <QCoreApplication>
#include <algorithm>
#include <limits>

#include "export/caliper_geometry.h"
#include "export/image_measures.h"
#include "model/caliper_measure.h"
#include "series/entry_times.h"
#include "series/series_host.h"

namespace {

constexpr double kNone = std::numeric_limits<double>::quiet_NaN();

}  // namespace

QString SeriesQuantityLabel(SeriesQuantity quantity) {
    switch (quantity) {
        case SeriesQuantity::ConvertedX:
            return QCoreApplication::translate("Document", "X（変換値）");
        case SeriesQuantity::ConvertedY:
            return QCoreApplication::translate("Document", "Y（変換値）");
        case SeriesQuantity::PixelDx:
            return QCoreApplication::translate("Document", "dx（ピクセル）");
        case SeriesQuantity::PixelDy:
            return QCoreApplication::translate("Document", "dy（ピクセル）");
        case SeriesQuantity::Length:
            return QCoreApplication::translate("Document", "長さ");
        case SeriesQuantity::Area:
            return QCoreApplication::translate("Document", "面積");
        case SeriesQuantity::PairWidthPx:
            return QCoreApplication::translate("Document", "幅（ピクセル）");
        case SeriesQuantity::PairWidth:
            return QCoreApplication::translate("Document", "幅（変換値）");
        case SeriesQuantity::EdgeSigma:
            return QCoreApplication::translate("Document", "不確かさ（サンプル）");
    }
    return {};
}

namespace {

bool PerImage(SeriesQuantity quantity) {
    return quantity == SeriesQuantity::Length || quantity == SeriesQuantity::Area;
}

bool Converted(SeriesQuantity quantity) {
    return quantity == SeriesQuantity::ConvertedX || quantity == SeriesQuantity::ConvertedY ||
           quantity == SeriesQuantity::PairWidth || quantity == SeriesQuantity::Length ||
           quantity == SeriesQuantity::Area;
}

// The value of a caliper quantity, and its error bar's half length, for a line's cursor.
std::pair<double, double> CaliperValue(SeriesQuantity quantity, const CScan& line,
                                       const AxisFrame* frame, bool straight) {
    switch (quantity) {
        case SeriesQuantity::PairWidthPx:
        case SeriesQuantity::PairWidth: {
            const std::optional<PairGeometry> pair = PairOf(line, frame, straight);
            if (!pair) return {kNone, kNone};
            const double samples = line.m_measure->widthSamples;
            const double value =
                quantity == SeriesQuantity::PairWidthPx ? pair->widthPx : pair->width.value_or(kNone);
            // The sigmas are along the line: the width's own scale turns them into its units.
            return {value, samples > 0.0 ? pair->sigmaSamples * value / samples : kNone};
        }
        case SeriesQuantity::EdgeSigma:
            return {line.m_measure && line.m_measure->Found() ? line.m_measure->edge.sigma : kNone,
                    kNone};
        default:
            break;
    }
    const std::optional<EdgeReach> reach = ReachOf(line, frame, straight);
    if (!reach) return {kNone, kNone};
    switch (quantity) {
        case SeriesQuantity::ConvertedX:
            return {kNone, reach->vx.value_or(kNone)};
        case SeriesQuantity::ConvertedY:
            return {kNone, reach->vy.value_or(kNone)};
        case SeriesQuantity::PixelDx:
            return {kNone, reach->dx};
        case SeriesQuantity::PixelDy:
            return {kNone, reach->dy};
        default:
            break;
    }
    return {kNone, kNone};
}

bool OfCaliper(SeriesQuantity quantity) {
    return quantity == SeriesQuantity::PairWidthPx || quantity == SeriesQuantity::PairWidth ||
           quantity == SeriesQuantity::EdgeSigma;
}

double PointValue(SeriesQuantity quantity, const EdgeMeasure& point) {
    switch (quantity) {
        case SeriesQuantity::ConvertedX:
            return point.value.x;
        case SeriesQuantity::ConvertedY:
            return point.value.y;
        case SeriesQuantity::PixelDx:
            return static_cast<double>(point.dx);
        case SeriesQuantity::PixelDy:
            return static_cast<double>(point.dy);
        default:
            return kNone;
    }
}

}  // namespace

SeriesData BuildSeriesData(const CSeriesHost& host, SeriesQuantity quantity) {
    const CDataProfile& profile = host.Records();
    SeriesData data;
    data.xLabel = QCoreApplication::translate("Panel", "画像番号");
    data.quantity = quantity;
    data.label = SeriesQuantityLabel(quantity);
    data.images = profile.GetSize();
    data.current = host.CurrentRecord();
    const int lines = MeasuredLineCount(profile);
    const std::size_t images = static_cast<std::size_t>(data.images);
    data.gaps.assign(images, QString());
    data.pending.assign(images, false);
    data.names.reserve(images);
    for (const auto& series : profile.m_arSeries) {
        data.names.push_back(QString::fromStdString(series->m_strTitle));
    }

    const bool switchedOn = quantity == SeriesQuantity::Length ? host.MeasuresLength()
                            : quantity == SeriesQuantity::Area ? host.MeasuresArea()
                                                               : true;
    if (!switchedOn || lines == 0) return data;
    if (PerImage(quantity)) {
        data.curves.push_back({data.label, std::vector<double>(images, kNone)});
    } else {
        for (int n = 0; n < lines; ++n) {
            data.curves.push_back({QCoreApplication::translate("Document", "走査線 %1").arg(n + 1),
                                   std::vector<double>(images, kNone)});
        }
    }

    const QString noCalibration =
        QCoreApplication::translate("Document", "軸の設定が正しくないため変換できません。");
    ImageMeasures measures;
    for (std::size_t i = 0; i < images; ++i) {
        const int image = static_cast<int>(i);
        if (host.IsMissing(image)) {
            data.gaps[i] = host.MissingReason(image);
            continue;
        }
        MeasureImage(profile, image, lines, measures);
        if (Converted(quantity) && !measures.converts) {
            data.gaps[i] = noCalibration;
            continue;
        }
        const CScanArray* set = profile.GetArray(image, 0);
        // The calibration, made once for the image's caliper edges.
        std::optional<AxisFrame> frame;
        if (measures.converts) frame.emplace(*profile.GetAxis(image));
        bool waiting = false;
        for (int n = 0; n < lines; ++n) {
            const CScan* line = set->GetAt(n);
            const bool pending = line != nullptr && line->m_bDetect;
            waiting = waiting || pending;
            if (PerImage(quantity) || pending) continue;
            const EdgeMeasure& point = measures.points[static_cast<std::size_t>(n)];
            if (!point.present) continue;
            SeriesCurve& curve = data.curves[static_cast<std::size_t>(n)];
            if (line->m_measure) {
                const CaliperRule* rule = profile.RuleOf(*line);
                const auto [value, error] = CaliperValue(quantity, *line, frame ? &*frame : nullptr,
                                                         rule != nullptr && rule->bilinear);
                if (curve.errors.empty()) curve.errors.assign(images, kNone);
                curve.errors[i] = error;
                if (OfCaliper(quantity)) curve.values[i] = value;
            }
            if (!OfCaliper(quantity)) curve.values[i] = PointValue(quantity, point);
        }
        data.pending[i] = waiting;
        // A length or an area stands for every line: none until all of them are measured.
        if (PerImage(quantity) && !waiting) {
            const std::optional<double>& value =
                quantity == SeriesQuantity::Length ? measures.length : measures.area;
            if (value) data.curves[0].values[i] = *value;
        }
    }
    return data;
}

namespace {

// The x axis of a plot over time: the source when every entry has the same, else that they
// differ.
QString TimeAxisLabel(const TimeAxis& axis) {
    const TimeSource source = axis.times.front().source;
    const bool one = std::all_of(axis.times.begin(), axis.times.end(),
                                 [source](const EntryTime& t) { return t.source == source; });
    return QCoreApplication::translate("Panel", "時刻（秒、%1）")
        .arg(one ? TimeSourceText(source) : QCoreApplication::translate("Panel", "出所が混在"));
}

}  // namespace

SeriesData BuildSeriesData(const CSeriesHost& host, const SeriesView& view) {
    SeriesData data = BuildSeriesData(host, view.quantity);
    if (!view.rate && !view.timeAxis) return data;
    const TimeAxis axis = EntryTimesOf(host.Records());
    const bool timed = axis.Complete();
    if (view.timeAxis) {
        if (timed) {
            data.times = axis.seconds;
            data.xLabel = TimeAxisLabel(axis);
        } else if (!axis.times.empty()) {
            data.xLabel = QCoreApplication::translate("Panel", "画像番号（時刻のない画像 %1 件）")
                              .arg(axis.missing);
        }
    }
    if (view.rate) {
        std::vector<double> t = axis.seconds;
        if (!timed) {
            for (std::size_t i = 0; i < t.size(); ++i) t[i] = static_cast<double>(i + 1);
        }
        for (SeriesCurve& curve : data.curves) {
            curve.values = RateOfChange(curve.values, t);
            curve.errors.clear();
        }
        data.label = (timed ? QCoreApplication::translate("Panel", "%1 の変化率（/秒）")
                            : QCoreApplication::translate("Panel", "%1 の変化率（/画像）"))
                         .arg(data.label);
        // A length or an area names its one curve after the quantity.
        if (PerImage(view.quantity) && !data.curves.empty()) data.curves[0].name = data.label;
    }
    return data;
}
