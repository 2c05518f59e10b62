// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QAbstractScrollArea>
#include <QPointF>
#include <QRect>
#include <QSize>
#include <optional>

#include "document/doc_views.h"
#include "document/norvale_doc.h"
#include "model/point.h"
#include "view/picture_scaler.h"

class CPointerTracker;
class QPainter;

// What a drag moves: the document's hit codes for a line end or a calibration point, and one of
// its own for a new line.
inline constexpr int DRAG_NEW_LINE = -1;

// The image view: the current picture at a zoom step (1/4 to 4) or fitted to the window, with the
// scan lines, edge points and calibration of the current image drawn over it. Every paint runs the pending detections and
// samples the current line, so the side panel's graph always shows what the view shows. Input is
// click, move, click: a click that picks something keeps the mouse until the click that drops.
class CNorvaleView : public QAbstractScrollArea, public IImageView {
    Q_OBJECT

public:
    explicit CNorvaleView(CNorvaleDoc& doc, QWidget* parent = nullptr);
    ~CNorvaleView() override;

    // --- IImageView --------------------------------------------------------------------------
    int GetPickMode() const override { return m_nPickMode; }
    void SetPickMode(int mode) override { m_nPickMode = mode; }
    double GetZoom() const override { return m_dZoom; }
    void SetZoom(double zoom) override;
    bool IsZoomFit() const override { return m_bZoomFit; }
    void SetZoomFit() override;
    void InvalidateNoErase() override;
    void RedetectCurLine() override;
    void CancelDrag() override { EndDrag(); }
    void OnCalibrationChanged() override { RefreshReadOut(); }
    // Scroll range from the picture and the zoom, then a full repaint.
    void OnUpdate() override;
    void OnInitialUpdate() { OnUpdate(); }

    // The picture's size in image pixels; empty without a picture.
    QSize GetPictureSize() const;

    // --- Measurement on the current picture ----------------------------------------------------
    void SampleLine(int x1, int y1, int x2, int y2);
    // Samples the current line and repaints the panel; nothing at all without a current line.
    void SampleCurLine();
    void DetectEdge(int n);
    // Returns how many lines were detected.
    int DetectPending();

    // Whether a pick is being dragged (the view holds the mouse).
    bool IsDragging() const { return m_bDragging; }
    // The image pixel under a position in viewport coordinates (logical pixels).
    CPoint ClientToImage(const QPointF& client) const;

signals:
    // The status bar's read-out: pane 1 "x = ...", 2 "y = ...", 3 to 5 the colour channels, 6 and
    // 7 the calibrated values "X = ...", "Y = ..." (empty without a valid calibration or off the
    // picture).
    void paneText(int pane, const QString& text);
    // What a caliper rule measured at the current line's edge on the current image
    // (CaliperReadOut); empty where no caliper rule put the edge there. Sent when it changes.
    void caliperText(const QString& text);

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void scrollContentsBy(int dx, int dy) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void keyReleaseEvent(QKeyEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    void changeEvent(QEvent* event) override;
    bool event(QEvent* event) override;

private:
    // Painting (view_paint.cpp).
    void PaintPicture(QPainter& painter, const QRect& client);
    void PaintReduced(QPainter& painter, const QRect& client, const QImage& image);
    void DrawOverlays(QPainter& painter) const;
    void DrawBand(QPainter& painter) const;
    void DrawFailure(QPainter& painter, const CNorvaleDoc::OpenFailure& failure) const;
    void MeasureForPaint();
    // The panel's graph now, or right after the paint when one is under way: Qt cannot paint
    // one widget of the window while it paints another.
    void RepaintPanel();

    // Input (view_input.cpp).
    void OnPlainClick(const CPoint& pt);
    void OnShiftClick(const CPoint& pt, const QPointF& viewPos);
    void Drop(const CPoint& pt);
    void BeginDrag(int kind, const QPointF& anchor, const QPointF& end);
    void EndDrag();
    void CheckCapture();
    void MoveBand(const QPointF& viewPos);
    void ShowReadOut(const CPoint& pt);
    // Panes 1 to 5: the pixel's place from the origin and its colour.
    void ShowPixelReadOut(const CPoint& pt);
    // Panes 6 and 7: the calibrated values of the pixel, or nothing.
    void ShowValueReadOut(const CPoint* pt);
    // The current edge's caliper measure, after every paint.
    void ShowCaliperReadOut();
    // The read-out after the picture changed: the new picture's pixel under the mouse, or
    // nothing.
    void RefreshReadOut();
    void ApplyCursor();

    // Zoom (view_zoom.cpp). A new scale, or fitting, keeping the image pixel under an anchor
    // (client coordinates) under it where the scroll range allows.
    void ZoomTo(double scale, bool fit, const std::optional<QPointF>& anchor);
    // The scroll position that puts an image point (image pixels, continuous) back under the
    // anchor, moved by the least that keeps its pixel under it too.
    void KeepUnder(const QPointF& anchor, const CPoint& pixel, const QPointF& image);
    double FitScale() const;
    // Changes the scale in effect; a band being dragged keeps its place on the picture.
    void SetScale(double scale);
    // The picture's extent at the zoom, in logical pixels.
    QSize ContentSize() const;
    // Whole zooms blit the picture's pixels; the others go through the scaler.
    bool IsWholeZoom() const;
    // In image pixels: the markers are as easy to hit as they are large on the screen.
    int HitRadius() const;

    // Geometry (norvale_view.cpp).
    QPoint ScrollOffset() const;
    QPointF ImageToView(const CPoint& pt) const;
    QRect BandRect() const;
    void UpdateScrollSizes();
    bool HasPicture() const;
    bool IsLineDrag() const;

    CNorvaleDoc& m_doc;
    CPointerTracker* m_pPointer;  // owned by the viewport

public:
    // Interaction state; the document's pick and zoom commands and the tests read it.
    int m_nPickMode = PICK_NONE;
    int m_nShiftUp = -1;  // -1 while Shift is up, 0 while it is held
    double m_dZoom = 1.0;  // logical pixels per image pixel
    bool m_bZoomFit = false;
    int m_nDragKind = DRAG_NEW_LINE;
    CPoint m_ptLineStart;  // image pixels: the line being drawn or reshaped
    CPoint m_ptLineEnd;
    CPoint m_ptOtherAxis1;  // image pixels: where a dragged calibration point may not go
    CPoint m_ptOtherAxis2;
    // The rubber band in view coordinates (zoom x image pixels, unscrolled), so a scroll during
    // a drag leaves it on the picture where it belongs.
    QPointF m_ptBandAnchor;
    QPointF m_ptBandEnd;
    QPointF m_ptBandThird;  // the band's second segment, only while the origin is dragged

private:
    bool m_bDragging = false;
    bool m_bInPaint = false;
    bool m_bPanelRepaintQueued = false;
    // The buffer holds the dragged segment's samples (a line drag has moved); a paint then
    // keeps them rather than sampling the current line.
    bool m_bLiveProfile = false;
    // The picture may have changed under the live profile; the next paint samples it afresh.
    bool m_bLiveStale = false;
    // The tool cursor on show: a pick mode, or none (the standard cursor).
    static constexpr int kNoToolCursor = -100;
    int m_nToolCursor = kNoToolCursor;
    // The picture the status read-out describes (its cache key, 0 for none), where the mouse
    // was last seen over the viewport, and the pixel the read-out describes.
    qint64 m_nReadOutPicture = 0;
    std::optional<QPointF> m_ptMouse;
    std::optional<CPoint> m_ptReadOut;  // the pixel panes 1 to 5 describe
    // Reduced paints: the scaler's column tables and the device-pixel buffer, the size of what
    // one paint covers at most.
    CPictureScaler m_scaler;
    QImage m_scaled;
    QString m_caliperText;  // as last sent
    int m_nWheelAngle = 0;  // Ctrl+wheel turns not yet a whole notch
};
