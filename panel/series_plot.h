// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>
#include <QWidget>
#include <optional>

#include "export/safe_write.h"
#include "panel/plot_painter.h"
#include "series/series_values.h"

// The series plot: one curve per SeriesCurve over the image numbers 1..images, broken wherever
// an image has no value; the current image as a grey vertical line, images waiting for a
// detection as a light amber band, images with a gap reason as a pink band with a red mark
// below the x axis. It keeps a copy of the data it was given and the drawing worked out for its
// size (see PlotLayout); a paint only strokes that.
//
// A left click anywhere over the plot area (or within a few pixels of it) picks an image: the
// image of the nearest point within kPlotHitRadius pixels, or else the image whose column is
// under the pointer, and emits imageClicked with its index. The tooltip names what the same
// search finds: the image number with the curve and its value, or the gap's reason.
inline constexpr double kPlotHitRadius = 6.0;

class CSeriesPlot : public QWidget {
    Q_OBJECT
public:
    explicit CSeriesPlot(QWidget* parent = nullptr);

    void SetData(SeriesData series);
    // Moves the current image's mark without working the curves out again.
    void SetCurrent(int index);
    const SeriesData& Data() const { return m_data; }

    // The same drawing at `size`, into a PNG or an SVG file, written only once it is whole in
    // memory and then through WriteFileSafely: a failure leaves an existing file as it was.
    // False on failure, with the cause in LastSaveResult(). Each side may be at most
    // kMaxSaveSide pixels.
    static constexpr int kMaxSaveSide = 16384;
    bool SavePng(const QString& path, QSize size);
    bool SaveSvg(const QString& path, QSize size);
    const WriteResult& LastSaveResult() const { return m_saveResult; }

    // The plot area and its mapping as the widget draws it at its present size.
    const PlotFrame& Frame() const { return Layout().frame; }
    // What the tooltip says for a position in the widget.
    QString ToolTipAt(QPoint pos) const;

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

signals:
    void imageClicked(int index);

protected:
    bool event(QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void changeEvent(QEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;

private:
    const PlotLayout& Layout() const;
    bool CheckSaveSize(const QString& path, QSize size);
    bool Store(const QString& path, const QByteArray& bytes);

    SeriesData m_data;
    mutable std::optional<PlotLayout> m_layout;
    WriteResult m_saveResult;
};
