// SPDX-License-Identifier: GPL-3.0-or-later
#include "panel/kymograph_view.h"

#include <QMouseEvent>
#include <QHelpEvent>
#include <QPainter>
#include <QToolTip>
#include <cmath>

namespace {

const QColor kPending(216, 216, 232);
const QColor kUnreadable(224, 128, 128);
const QColor kEdge(220, 0, 0);
const QColor kCurrent(0, 90, 255);
constexpr int kMargin = 6;  // room for the current entry's mark at the left

}  // namespace

CKymographView::CKymographView(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("KymographView"));
    setAttribute(Qt::WA_OpaquePaintEvent);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
    m_regroup = new QTimer(this);
    m_regroup->setSingleShot(true);
    m_regroup->setInterval(150);
    connect(m_regroup, &QTimer::timeout, this, [this] {
        if (m_picture.height() != Area().height()) Rebuild();
    });
}

QSize CKymographView::sizeHint() const {
    return {400, 300};
}

QSize CKymographView::minimumSizeHint() const {
    return {120, 80};
}

QRect CKymographView::Area() const {
    return rect().adjusted(kMargin, 2, -2, -2);
}

void CKymographView::SetKymograph(const CKymograph* kymograph) {
    m_kymograph = kymograph;
    Rebuild();
}

void CKymographView::SetReduction(Reduction reduction) {
    if (reduction == m_reduction) return;
    m_reduction = reduction;
    Rebuild();
}

void CKymographView::SetEdges(std::vector<double> first, std::vector<double> second) {
    m_first = std::move(first);
    m_second = std::move(second);
    update();
}

void CKymographView::SetCurrent(int entry) {
    if (entry == m_current) return;
    m_current = entry;
    update();
}

void CKymographView::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    // The picture is as wide as the line has samples whatever the width: only a new height
    // regroups the rows.
    if (m_picture.height() == Area().height()) return;
    if (m_picture.isNull()) {
        Rebuild();
    } else {
        m_regroup->start();
    }
}

void CKymographView::Rebuild() {
    m_regroup->stop();
    m_picture = {};
    const QRect area = Area();
    if (m_kymograph != nullptr && m_kymograph->Entries() > 0 && m_kymograph->Samples() > 0 &&
        area.height() > 0) {
        m_picture = QImage(m_kymograph->Samples(), area.height(), QImage::Format_RGB32);
        m_pictureWide = m_kymograph->Wide();
        for (int p = 0; p < m_picture.height(); ++p) DrawPixelRow(p);
    }
    update();
}

void CKymographView::UpdateRows(const std::vector<int>& entries) {
    if (m_kymograph == nullptr) return;
    // Rows of more samples than the picture has widen it, and the first 16-bit row changes the
    // scale of every grey: drawn afresh.
    if (m_picture.isNull() || m_picture.width() != m_kymograph->Samples() ||
        m_pictureWide != m_kymograph->Wide()) {
        Rebuild();
        return;
    }
    const int n = m_kymograph->Entries();
    const int pixels = m_picture.height();
    int drawn = -1;  // the last pixel row drawn: entries come in order
    for (const int entry : entries) {
        // With fewer entries than pixel rows one entry fills several, from the first row after
        // the one the entry before sits in.
        const int from = entry == 0 ? 0 : PixelRowOfEntry(n, pixels, entry - 1);
        for (int q = std::max(from, drawn + 1); q < pixels; ++q) {
            int first = 0;
            int lastEntry = -1;
            EntriesOfPixelRow(n, pixels, q, first, lastEntry);
            if (first > entry) break;
            if (lastEntry >= entry) {
                DrawPixelRow(q);
                drawn = q;
            }
        }
    }
    update();
}

void CKymographView::DrawPixelRow(int p) {
    const ReducedRow row = ReducePixelRow(*m_kymograph, m_picture.height(), p);
    auto* out = reinterpret_cast<QRgb*>(m_picture.scanLine(p));
    bool unreadable = false;
    for (int i = row.first; i <= row.last; ++i) {
        unreadable = unreadable || m_kymograph->Row(i).state == KymoRow::State::Unreadable;
    }
    const double white = m_kymograph->MaxValue();
    const std::vector<int>& values = m_reduction == Reduction::Minimum ? row.lo : row.hi;
    for (int s = 0; s < m_picture.width(); ++s) {
        const int v = values[static_cast<std::size_t>(s)];
        if (v < 0) {
            out[s] = (unreadable ? kUnreadable : kPending).rgb();
            continue;
        }
        const int grey = static_cast<int>(std::lround(v * 255.0 / white));
        out[s] = qRgb(grey, grey, grey);
    }
}

int CKymographView::EntryAt(int y) const {
    const QRect area = Area();
    if (m_kymograph == nullptr || m_kymograph->Entries() == 0 || y < area.top() ||
        y > area.bottom()) {
        return -1;
    }
    int first = 0;
    int last = -1;
    EntriesOfPixelRow(m_kymograph->Entries(), area.height(), y - area.top(), first, last);
    return last >= first ? first : -1;
}

void CKymographView::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.fillRect(rect(), palette().window());
    const QRect area = Area();
    if (m_picture.isNull()) return;
    // Across, the samples stretch or shrink to the width as a picture does.
    painter.drawImage(area, m_picture);
    const int entries = m_kymograph->Entries();
    const double sampleWidth = static_cast<double>(area.width()) / m_picture.width();
    const auto xOf = [&](double pos) { return area.left() + (pos + 0.5) * sampleWidth; };

    // Each pixel row marks the span from the leftmost to the rightmost edge of its entries.
    painter.setPen(QPen(kEdge, 1));
    for (const std::vector<double>* edges : {&m_first, &m_second}) {
        if (edges->size() != static_cast<std::size_t>(entries)) continue;
        for (int p = 0; p < area.height(); ++p) {
            int first = 0;
            int last = -1;
            EntriesOfPixelRow(entries, area.height(), p, first, last);
            double lo = NAN;
            double hi = NAN;
            for (int i = first; i <= last; ++i) {
                const double e = (*edges)[static_cast<std::size_t>(i)];
                if (std::isnan(e)) continue;
                lo = std::isnan(lo) ? e : std::min(lo, e);
                hi = std::isnan(hi) ? e : std::max(hi, e);
            }
            if (std::isnan(lo)) continue;
            const double y = area.top() + p + 0.5;
            painter.drawLine(QPointF(xOf(lo) - 1, y), QPointF(xOf(hi) + 1, y));
        }
    }
    if (m_current >= 0 && m_current < entries) {
        const int p = PixelRowOfEntry(entries, area.height(), m_current);
        const int y = area.top() + p;
        painter.setPen(QPen(kCurrent, 1, Qt::DashLine));
        painter.drawLine(area.left(), y, area.right(), y);
        painter.setPen(Qt::NoPen);
        painter.setBrush(kCurrent);
        const QPointF tip(area.left() - 1, y + 0.5);
        const QPointF points[] = {tip, tip + QPointF(-kMargin + 1, -4), tip + QPointF(-kMargin + 1, 4)};
        painter.drawPolygon(points, 3);
    }
}

bool CKymographView::event(QEvent* event) {
    if (event->type() != QEvent::ToolTip) return QWidget::event(event);
    const auto* help = static_cast<QHelpEvent*>(event);
    const int entry = EntryAt(help->pos().y());
    const QString text = entry >= 0 ? TipText(entry) : QString();
    if (text.isEmpty()) {
        QToolTip::hideText();
        event->ignore();
    } else {
        QToolTip::showText(help->globalPos(), text, this);
    }
    return true;
}

void CKymographView::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) {
        const int entry = EntryAt(static_cast<int>(event->position().y()));
        if (entry >= 0) emit entryClicked(entry);
    }
    QWidget::mousePressEvent(event);
}
