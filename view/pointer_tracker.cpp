// SPDX-License-Identifier: GPL-3.0-or-later
#include "view/pointer_tracker.h"

#include <QMouseEvent>
#include <QWidget>
#include <QWindow>

CPointerTracker::CPointerTracker(QWidget* widget) : QObject(widget), m_pWidget(widget) {}

void CPointerTracker::Watch() {
    QWindow* window = m_pWidget->window()->windowHandle();
    if (window == m_pWindow) return;
    if (m_pWindow != nullptr) m_pWindow->removeEventFilter(this);
    m_pWindow = window;
    m_nType = QEvent::None;
    if (window != nullptr) window->installEventFilter(this);
}

bool CPointerTracker::eventFilter(QObject* watched, QEvent* event) {
    switch (event->type()) {
        case QEvent::MouseMove:
        case QEvent::MouseButtonPress:
        case QEvent::MouseButtonRelease:
        case QEvent::MouseButtonDblClick: {
            const auto* mouse = static_cast<const QMouseEvent*>(event);
            m_ptWindow = mouse->position();
            m_nType = event->type();
            m_nTimestamp = mouse->timestamp();
            break;
        }
        default:
            break;
    }
    return QObject::eventFilter(watched, event);
}

QPointF CPointerTracker::Position(const QMouseEvent& event) const {
    const QPointF given = event.position();
    if (m_pWindow == nullptr || event.type() != m_nType || event.timestamp() != m_nTimestamp) {
        return given;
    }
    const QPointF exact = m_ptWindow - QPointF(m_pWidget->mapTo(m_pWidget->window(), QPoint(0, 0)));
    // Only a rounding apart, or the window's event was another one than this.
    const QPointF diff = exact - given;
    return (qAbs(diff.x()) <= 0.5 && qAbs(diff.y()) <= 0.5) ? exact : given;
}
