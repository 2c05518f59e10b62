#include "panel/profile_graph.h"

#include <QPaintEvent>
#include <QPainter>

#include <cmath>

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

void CProfileGraph::DrawProfile(QPainter& painter) const {
    if (m_doc.GetPictureBitmap() == nullptr) return;
    const int n = m_doc.m_buffer.m_nLastSample;
    // A single sample, or none, is no curve.
    if (n <= 0) return;
    const int top = m_doc.m_buffer.m_nMaxValue;
    const PanelOptions options = m_doc.Options();
    if (!options.edge.IsPlainProfile()) {
        // The curve the rule reads: the band's means, smoothed.
        double values[kProfileSize];
        ProfileValues(m_doc.m_buffer, n, options.channel, options.edge, values);
        const auto row = [&values, top](int i) {
            return ProfileY(static_cast<int>(std::lround(values[i])), top);
        };
        QPoint from(ProfileX(0, n), row(0));
        for (int i = 1; i <= n; ++i) {
            const QPoint to(ProfileX(i, n), row(i));
            DrawSegment(painter, from, to, Qt::black);
            from = to;
        }
        return;
    }
    QPoint from(ProfileX(0, n), ProfileY(m_doc.GetBrightness(0), top));
    for (int i = 1; i <= n; ++i) {
        const QPoint to(ProfileX(i, n), ProfileY(m_doc.GetBrightness(i), top));
        DrawSegment(painter, from, to, Qt::black);
        from = to;
    }
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
    double values[kProfileSize];
    const int last = std::min(std::max(n, a + 1), kProfileSize - 1);
    ProfileValues(m_doc.m_buffer, last, options.channel, options.edge, values);
    const double t = line->HasSubPos() ? line->m_dSubPos : a;
    const int whole = std::min(static_cast<int>(t), last);
    const double f = t - whole;
    const double v = whole < last ? values[whole] + f * (values[whole + 1] - values[whole])
                                  : values[whole];
    const double y = top > 255 ? kGraphBottom - v * 100.0 / top : kGraphBottom - v * 0.39215686274509803;
    painter.setRenderHint(QPainter::Antialiasing, true);
    painter.drawEllipse(QPointF(ProfileXF(t, n), y), 2.0, 2.0);
}
