// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QEvent>
#include <QObject>
#include <QPointF>
#include <QPointer>

class QMouseEvent;
class QWidget;
class QWindow;

// Where the pointer really is over a widget, to a fraction of a logical pixel. At a scale factor
// of 1.5 or 2 the window system reports the device pixel under the pointer as a fractional
// logical position, but Qt rounds it to whole logical pixels before handing it to a widget: half
// of the device pixels would then name the image pixel beside the one shown under the pointer.
// The tracker watches the widget's window, which still sees the exact position, and gives it
// back for the widget's own copy of the same event.
class CPointerTracker : public QObject {
public:
    explicit CPointerTracker(QWidget* widget);

    // Watches the widget's current window; call when the widget is shown, since it may have
    // moved into another window since.
    void Watch();
    // The event's position in the widget, exact when the window saw the event.
    QPointF Position(const QMouseEvent& event) const;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QWidget* m_pWidget;
    QPointer<QWindow> m_pWindow;
    QPointF m_ptWindow;  // the latest mouse event's position in the window
    QEvent::Type m_nType = QEvent::None;
    quint64 m_nTimestamp = 0;
};
