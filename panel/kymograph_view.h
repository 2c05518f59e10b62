// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QImage>
#include <QTimer>
#include <QWidget>
#include <functional>
#include <vector>

#include "model/kymograph.h"

// The kymograph drawn: entries downwards, the line's samples across, every entry in the
// widget's height. Many entries to few pixel rows are reduced as ReducePixelRow says, and the
// picture is kept at the widget's height, so a paint costs what the widget's pixels cost and new
// rows cost only their own pixel rows. Pending rows are grey-blue, rows whose picture did not
// decode are red; the entries' edges are red marks, the current entry a blue line.
class CKymographView : public QWidget {
    Q_OBJECT

public:
    enum class Reduction { Minimum, Maximum };

    explicit CKymographView(QWidget* parent = nullptr);

    // A kymograph (null: none) replaced or cleared: everything is drawn afresh.
    void SetKymograph(const CKymograph* kymograph);
    // These entries' rows came in.
    void UpdateRows(const std::vector<int>& entries);
    void SetReduction(Reduction reduction);
    // Per entry: the edge(s) found on it, in samples from the line's start, NaN for none.
    void SetEdges(std::vector<double> first, std::vector<double> second);
    void SetCurrent(int entry);
    // What the tooltip says of an entry (its file, why it has no row).
    void SetTipText(std::function<QString(int)> tip) { m_tip = std::move(tip); }
    QString TipText(int entry) const { return m_tip ? m_tip(entry) : QString(); }

    // The entry drawn at a height of the widget; -1 off the kymograph.
    int EntryAt(int y) const;
    // The plot area within the widget.
    QRect Area() const;
    // The picture drawn, one pixel row per pixel row of the area: for the tests.
    const QImage& Picture() const { return m_picture; }

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

signals:
    void entryClicked(int entry);

protected:
    bool event(QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;

private:
    void Rebuild();
    void DrawPixelRow(int p);

    const CKymograph* m_kymograph = nullptr;
    Reduction m_reduction = Reduction::Minimum;
    QImage m_picture;  // samples x pixel rows, RGB32
    bool m_pictureWide = false;  // drawn on the 16-bit scale
    std::vector<double> m_first;
    std::vector<double> m_second;
    int m_current = -1;
    std::function<QString(int)> m_tip;
    // A new height regroups every entry into the new pixel rows, which over a long series takes
    // a good part of a second: while the dock is being resized the picture drawn so far is
    // stretched, and it is regrouped once the size has settled.
    QTimer* m_regroup = nullptr;
};
