// SPDX-License-Identifier: GPL-3.0-or-later
#include "panel/series_plot.h"

#include <QBuffer>
#include <QFile>
#include <QHelpEvent>
#include <QImage>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QSvgGenerator>
#include <QToolTip>
#include <cerrno>
#include <utility>

#include "export/write_failure.h"

CSeriesPlot::CSeriesPlot(QWidget* parent) : QWidget(parent) {
    // The background is painted in full on every paint.
    setAttribute(Qt::WA_OpaquePaintEvent);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
}

void CSeriesPlot::SetData(SeriesData series) {
    m_data = std::move(series);
    m_layout.reset();
    update();
}

void CSeriesPlot::SetCurrent(int index) {
    if (m_data.current == index) return;
    m_data.current = index;
    update();
}

const PlotLayout& CSeriesPlot::Layout() const {
    if (!m_layout || m_layout->size != size()) {
        m_layout = LayoutPlot(m_data, size(), font(), this);
    }
    return *m_layout;
}

QSize CSeriesPlot::sizeHint() const {
    return {480, 240};
}

QSize CSeriesPlot::minimumSizeHint() const {
    return {200, 120};
}

QString CSeriesPlot::ToolTipAt(QPoint pos) const {
    return HitText(m_data, HitTest(Layout().frame, m_data, pos, kPlotHitRadius));
}

bool CSeriesPlot::event(QEvent* event) {
    if (event->type() == QEvent::ToolTip) {
        const auto* help = static_cast<QHelpEvent*>(event);
        const QString text = ToolTipAt(help->pos());
        if (text.isEmpty()) {
            QToolTip::hideText();
            event->ignore();
        } else {
            QToolTip::showText(help->globalPos(), text, this);
        }
        return true;
    }
    return QWidget::event(event);
}

void CSeriesPlot::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    PaintPlot(painter, Layout(), m_data, font());
}

void CSeriesPlot::resizeEvent(QResizeEvent* event) {
    m_layout.reset();
    QWidget::resizeEvent(event);
}

void CSeriesPlot::changeEvent(QEvent* event) {
    // The margins are measured in the font.
    if (event->type() == QEvent::FontChange) m_layout.reset();
    QWidget::changeEvent(event);
}

void CSeriesPlot::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) {
        QWidget::mousePressEvent(event);
        return;
    }
    const PlotHit hit = HitTest(Layout().frame, m_data, event->position(), kPlotHitRadius);
    if (hit.image >= 0) emit imageClicked(hit.image);
}

bool CSeriesPlot::CheckSaveSize(const QString& path, QSize size) {
    if (size.width() >= 1 && size.height() >= 1 && size.width() <= kMaxSaveSide &&
        size.height() <= kMaxSaveSide) {
        return true;
    }
    m_saveResult = WriteFailure(QFile::encodeName(path).toStdString(), WriteError::Other, EINVAL,
                                "the plot cannot be drawn at " + std::to_string(size.width()) +
                                    " x " + std::to_string(size.height()) + " pixels");
    return false;
}

bool CSeriesPlot::SavePng(const QString& path, QSize size) {
    if (!CheckSaveSize(path, size)) return false;
    QImage image(size, QImage::Format_RGB32);
    QByteArray bytes;
    QBuffer buffer(&bytes);
    if (!image.isNull()) {
        QPainter painter(&image);
        PaintPlot(painter, LayoutPlot(m_data, size, font(), &image), m_data, font());
        painter.end();
        buffer.open(QIODevice::WriteOnly);
        image.save(&buffer, "PNG");
    }
    if (bytes.isEmpty()) {
        m_saveResult = WriteFailure(QFile::encodeName(path).toStdString(), WriteError::Other,
                                    ENOMEM, "the drawing could not be made");
        return false;
    }
    return Store(path, bytes);
}

bool CSeriesPlot::SaveSvg(const QString& path, QSize size) {
    if (!CheckSaveSize(path, size)) return false;
    QByteArray bytes;
    QBuffer buffer(&bytes);
    QSvgGenerator generator;
    generator.setOutputDevice(&buffer);
    generator.setSize(size);
    generator.setViewBox(QRect(QPoint(0, 0), size));
    // The screen's resolution, so that a point of the font is as many pixels as on screen.
    generator.setResolution(logicalDpiY());
    generator.setTitle(m_data.label);
    QPainter painter;
    if (!painter.begin(&generator)) {
        m_saveResult = WriteFailure(QFile::encodeName(path).toStdString(), WriteError::Other,
                                    ENOMEM, "the drawing could not be made");
        return false;
    }
    PaintPlot(painter, LayoutPlot(m_data, size, font(), &generator), m_data, font());
    painter.end();
    return Store(path, bytes);
}

bool CSeriesPlot::Store(const QString& path, const QByteArray& bytes) {
    m_saveResult = WriteFileSafely(QFile::encodeName(path).toStdString(),
                                   std::string_view(bytes.constData(), bytes.size()));
    return m_saveResult.ok();
}
