// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QFrame>

class CNorvaleDoc;
class QPainter;

// The drawing of the profile, in pixels of the graph's client area: axes from (10, 10) down to
// (10, 110) and across to (210, 110); brightness 0..255 spans 100 pixels upwards from y = 110.
inline constexpr int kGraphWidth = 220;
inline constexpr int kGraphHeight = 120;
inline constexpr int kGraphLeft = 10;
inline constexpr int kGraphTop = 10;
inline constexpr int kGraphBottom = 110;
inline constexpr int kGraphRight = 210;

// Column of sample i when the last sample is n: one pixel per sample below 200 samples, the
// whole curve squeezed into 200 pixels from there on (i / n first, the product truncated).
int ProfileX(int i, int n);
// The same at a fractional sample t, for an edge placed between samples.
double ProfileXF(double t, int n);
// Row of brightness v.
int ProfileY(int v);
// Row of brightness v on a picture whose samples go up to maxValue (255 or 65535): the same
// 100 rows from 0 to the picture's white; exactly ProfileY(v) for 8-bit pictures.
int ProfileY(int v, int maxValue);

// The brightness profile of the line sampled last, with a red circle at the current line's
// edge point. It keeps nothing: every paint reads the document's profile buffer afresh.
class CProfileGraph : public QFrame {
    Q_OBJECT
public:
    explicit CProfileGraph(CNorvaleDoc& doc, QWidget* parent = nullptr);

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void DrawProfile(QPainter& painter) const;
    void DrawCursorMark(QPainter& painter) const;

    CNorvaleDoc& m_doc;
};
