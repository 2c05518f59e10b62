// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>
#include <QWidget>

#include "document/doc_views.h"
#include "model/line_profile.h"
#include "panel/profile_mapping.h"

class CNorvaleDoc;
class QAction;

// The current line's profile at any size, with axes and numbers: the values the rule reads
// against the sample, the line's edge point, and under a caliper rule the edge response on a
// scale of its own, every candidate, the chosen edge(s) with their uncertainty, a pair's width,
// a threshold's level and the status. The pointer's sample is read out over the plot. It
// samples the line itself, on the current picture, whenever the document says something moved
// and the plot is shown.
class CProfilePlot : public QWidget, public IDocView {
    Q_OBJECT

public:
    explicit CProfilePlot(CNorvaleDoc& doc, QWidget* parent = nullptr);
    ~CProfilePlot() override;

    void OnUpdate() override;
    void OnMeasured() override;
    void OnProfileChanged() override;

    // The profile as the next paint draws it (sampled afresh when something moved), and why
    // there is none (empty when there is one).
    const LineProfile& Profile() const;
    QString EmptyText() const;
    // The plot area and its scales at the present size.
    ProfileFrame Frame() const;
    // What the read-out says for a point of the widget; empty off the plot.
    QString ReadoutAt(QPoint pos) const;
    // How many times the plot was painted: for the tests.
    int PaintCount() const { return m_paints; }
    // The item of the context menu that writes the profile out.
    void SetExportAction(QAction* action) { m_export = action; }

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;

private:
    void Invalidate();
    void Refresh() const;
    QRectF PlotArea() const;

    CNorvaleDoc& m_doc;
    mutable LineProfile m_profile;
    mutable QString m_empty;
    mutable bool m_stale = true;
    int m_hover = -1;  // the sample under the pointer, -1 for none
    int m_paints = 0;
    QAction* m_export = nullptr;
};
