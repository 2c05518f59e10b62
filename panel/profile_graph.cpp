// SPDX-License-Identifier: GPL-3.0-or-later
#include "panel/profile_graph.h"

#include <QPaintEvent>
#include <QPainter>

#include <algorithm>
#include <cmath>
#include <vector>

#include "document/norvale_doc.h"
#include "model/profile_filter.h"
#include "panel/line_raster.h"

int ProfileX(int i, int n) {
    if (n < 200) return kGraphLeft + i;
    const double share = static_cast<double>(i) / n;
    return kGraphLeft + static_cast<int>(share * 200.0);
}

double ProfileXF(double t, int n) {
    if (n < 200) return kGraphLeft + t;
    return kGraphLeft + t / n * 200.0;
}

int ProfileY(int v) {
    // The double nearest to 100 / 255; the product is truncated, never rounded.
    return kGraphBottom - static_cast<int>(v * 0.39215686274509803);
}

int ProfileY(int v, int maxValue) {
    if (maxValue == 255 || maxValue <= 0) return ProfileY(v);
    // Wide, then truncated as the 8-bit rows are.
    return kGraphBottom - static_cast<int>(static_cast<long long>(v) * 100 / maxValue);
}

namespace {

// Paints a segment by the rule of ForEachSegmentPixel, joining the pixels that share a row or a
// column into one rectangle each: a few fills per segment rather than one per pixel.
void DrawSegment(QPainter& painter, const QPoint& from, const QPoint& to, const QColor& colour) {
    QRect run;
    ForEachSegmentPixel(from, to, [&](const QPoint& p) {
        const QRect pixel(p, QSize(1, 1));
        const bool extends =
            !run.isNull() && ((run.height() == 1 && p.y() == run.y() &&
                               (p.x() == run.left() - 1 || p.x() == run.right() + 1)) ||
                              (run.width() == 1 && p.x() == run.x() &&
                               (p.y() == run.top() - 1 || p.y() == run.bottom() + 1)));
        if (extends) {
            run |= pixel;
            return;
        }
        if (!run.isNull()) painter.fillRect(run, colour);
        run = pixel;
    });
    if (!run.isNull()) painter.fillRect(run, colour);
}

}  // namespace

CProfileGraph::CProfileGraph(CNorvaleDoc& doc, QWidget* parent) : QFrame(parent), m_doc(doc) {
    setFrameStyle(QFrame::Panel | QFrame::Sunken);
    setLineWidth(1);
    // The background is painted in full on every paint.
    setAttribute(Qt::WA_OpaquePaintEvent);
    setMinimumSize(minimumSizeHint());
}

QSize CProfileGraph::minimumSizeHint() const {
    const int frame = 2 * frameWidth();
    return {kGraphWidth + frame, kGraphHeight + frame};
}

QSize CProfileGraph::sizeHint() const {
    return minimumSizeHint();
}

void CProfileGraph::paintEvent(QPaintEvent* event) {
    QFrame::paintEvent(event);
    QPainter painter(this);
    const QRect client = contentsRect();
    painter.fillRect(client, Qt::white);
    painter.setClipRect(client);
    painter.translate(client.topLeft());

    const QPoint corner(kGraphLeft, kGraphBottom);
    DrawSegment(painter, {kGraphLeft, kGraphTop}, corner, Qt::black);
    DrawSegment(painter, corner, {kGraphRight, kGraphBottom}, Qt::black);
    DrawProfile(painter);
    DrawCursorMark(painter);
}

namespace {

// The curve through (ProfileX(i, n), y(i)) for i = 0..n. A line measured whole may have far
// more samples than the graph has columns: there the samples of one column are drawn as the
// one vertical stroke their segments make, from the lowest to the highest.
template <class Row>
void DrawCurve(QPainter& painter, int n, const Row& y) {
    if (n <= kMaxScanSteps) {
        QPoint from(ProfileX(0, n), y(0));
        for (int i = 1; i <= n; ++i) {
            const QPoint to(ProfileX(i, n), y(i));
            DrawSegment(painter, from, to, Qt::black);
            from = to;
        }
        return;
    }
    QPoint from;
    for (int i = 0; i <= n;) {
        const int x = ProfileX(i, n);
        const int first = y(i);
        int low = first, high = first, last = first;
        for (++i; i <= n && ProfileX(i, n) == x; ++i) {
            last = y(i);
            low = std::min(low, last);
            high = std::max(high, last);
        }
        if (x != ProfileX(0, n)) DrawSegment(painter, from, {x, first}, Qt::black);
        DrawSegment(painter, {x, low}, {x, high}, Qt::black);
        from = {x, last};
    }
}

}  // namespace

void CProfileGraph::DrawProfile(QPainter& painter) const {
    if (m_doc.GetPictureBitmap() == nullptr) return;
    const int n = m_doc.m_buffer.m_nLastSample;
    // A single sample, or none, is no curve.
    if (n <= 0) return;
    const int top = m_doc.m_buffer.m_nMaxValue;
    const PanelOptions options = m_doc.Options();
    if (!options.edge.IsPlainProfile()) {
        // The curve the rule reads: the band's means, smoothed.
        std::vector<double> values(static_cast<std::size_t>(n) + 1);
        ProfileValues(m_doc.m_buffer, n, options.channel, options.edge, values.data());
        DrawCurve(painter, n, [&values, top](int i) {
            return ProfileY(static_cast<int>(std::lround(values[static_cast<std::size_t>(i)])), top);
        });
        return;
    }
    DrawCurve(painter, n, [this, top](int i) { return ProfileY(m_doc.GetBrightness(i), top); });
}

void CProfileGraph::DrawCursorMark(QPainter& painter) const {
    // Drawn with or without a picture: the mark shows where the buffer puts the edge point. An
    // image whose file could not be read has no edge point to show.
    const CScan* line = m_doc.GetCurLine();
    if (line == nullptr || m_doc.GetOpenFailure() != nullptr) return;
    const int a = line->m_nPos;
    const int n = m_doc.m_buffer.m_nLastSample;
    const int top = m_doc.m_buffer.m_nMaxValue;
    QPen pen(QColor(255, 0, 0));
    pen.setWidth(0);
    painter.setPen(pen);
    painter.setBrush(Qt::NoBrush);
    const PanelOptions options = m_doc.Options();
    if (options.edge.IsPlainProfile() && !line->HasSubPos()) {
        painter.drawEllipse(QPoint(ProfileX(a, n), ProfileY(m_doc.GetBrightness(a), top)), 2, 2);
        return;
    }
    // On the curve the rule read, between samples where the edge was placed between them.
    const int last = std::min(std::max(n, a + 1), m_doc.m_buffer.Size() - 1);
    std::vector<double> values(static_cast<std::size_t>(last) + 1);
    ProfileValues(m_doc.m_buffer, last, options.channel, options.edge, values.data());
    const double t = line->HasSubPos() ? line->m_dSubPos : a;
    const int whole = std::min(static_cast<int>(t), last);
    const double f = t - whole;
    const double v = whole < last ? values[whole] + f * (values[whole + 1] - values[whole])
                                  : values[whole];
    const double y = top > 255 ? kGraphBottom - v * 100.0 / top : kGraphBottom - v * 0.39215686274509803;
    painter.setRenderHint(QPainter::Antialiasing, true);
    painter.drawEllipse(QPointF(ProfileXF(t, n), y), 2.0, 2.0);
}
