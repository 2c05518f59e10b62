// SPDX-License-Identifier: GPL-3.0-or-later
#include "panel/profile_plot.h"

#include <QAction>
#include <QContextMenuEvent>
#include <QCoreApplication>
#include <QFontMetricsF>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>

#include "document/norvale_doc.h"
#include "model/edge_detect.h"
#include "model/tracking.h"
#include "panel/profile_painter.h"

CProfilePlot::CProfilePlot(CNorvaleDoc& doc, QWidget* parent) : QWidget(parent), m_doc(doc) {
    setObjectName(QStringLiteral("ProfilePlot"));
    // The background is painted in full on every paint.
    setAttribute(Qt::WA_OpaquePaintEvent);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
    setMouseTracking(true);
    m_doc.AddView(this);
}

CProfilePlot::~CProfilePlot() {
    m_doc.RemoveView(this);
}

void CProfilePlot::OnUpdate() {
    Invalidate();
}

void CProfilePlot::OnMeasured() {
    Invalidate();
}

void CProfilePlot::OnProfileChanged() {
    Invalidate();
}

void CProfilePlot::Invalidate() {
    m_stale = true;
    // Hidden, nothing is sampled: the next paint catches up.
    if (isVisible()) update();
}

void CProfilePlot::Refresh() const {
    if (!m_stale) return;
    m_stale = false;
    m_profile = {};
    m_empty.clear();
    const CScan* line = m_doc.GetCurLine();
    const CPicture* picture = m_doc.GetPictureBitmap();
    if (line == nullptr) {
        m_empty = QCoreApplication::translate("Panel", "走査線がありません");
        return;
    }
    if (picture == nullptr || picture->IsNull()) {
        m_empty = m_doc.GetOpenFailure() != nullptr
                      ? QCoreApplication::translate("Panel", "画像を読み込めません\n%1")
                            .arg(m_doc.GetOpenFailure()->reason)
                      : QCoreApplication::translate("Panel", "画像がありません");
        return;
    }
    const PanelOptions options = m_doc.Options();
    m_profile = MeasureLineProfile(picture->View(), *line, options.channel, options.edgeMode,
                                   options.edge, m_doc.m_profile.RuleOf(*line),
                                   NeighbourEdge(m_doc.m_profile, m_doc.m_nCurImage,
                                                 m_doc.m_nCurArray, m_doc.m_nCurLine),
                                   TrackingWindow(m_doc.m_profile, m_doc.m_nCurImage,
                                                  m_doc.m_nCurArray, m_doc.m_nCurLine));
    if (m_profile.Count() == 0) m_empty = QCoreApplication::translate("Panel", "画像がありません");
}

const LineProfile& CProfilePlot::Profile() const {
    Refresh();
    return m_profile;
}

QString CProfilePlot::EmptyText() const {
    Refresh();
    return m_empty;
}

QRectF CProfilePlot::PlotArea() const {
    return ProfileArea(size(), QFontMetricsF(font(), this), Profile().HasCaliper());
}

ProfileFrame CProfilePlot::Frame() const {
    return MakeProfileFrame(Profile(), PlotArea());
}

QString CProfilePlot::ReadoutAt(QPoint pos) const {
    if (!EmptyText().isEmpty()) return {};
    const ProfileFrame frame = Frame();
    if (!frame.area.contains(pos)) return {};
    return ProfileReadout(m_profile, NearestSample(frame, pos.x()));
}

QSize CProfilePlot::sizeHint() const {
    return {480, 240};
}

QSize CProfilePlot::minimumSizeHint() const {
    return {240, 140};
}

void CProfilePlot::paintEvent(QPaintEvent*) {
    ++m_paints;
    QPainter painter(this);
    painter.setFont(font());
    PaintProfile(painter, size(), Profile(), Frame(), m_empty, m_hover);
}

void CProfilePlot::mouseMoveEvent(QMouseEvent* event) {
    int hover = -1;
    if (EmptyText().isEmpty()) {
        const ProfileFrame frame = Frame();
        if (frame.area.contains(event->position()))
            hover = NearestSample(frame, event->position().x());
    }
    if (hover != m_hover) {
        m_hover = hover;
        update();
    }
    QWidget::mouseMoveEvent(event);
}

void CProfilePlot::leaveEvent(QEvent* event) {
    if (m_hover >= 0) {
        m_hover = -1;
        update();
    }
    QWidget::leaveEvent(event);
}

void CProfilePlot::contextMenuEvent(QContextMenuEvent* event) {
    if (m_export == nullptr) return;
    QMenu menu(this);
    menu.addAction(m_export);
    menu.exec(event->globalPos());
}
