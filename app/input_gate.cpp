// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/input_gate.h"

#include <QApplication>
#include <QEvent>
#include <QWidget>

namespace {

bool IsUserInput(QEvent::Type type) {
    switch (type) {
        case QEvent::MouseButtonPress:
        case QEvent::MouseButtonRelease:
        case QEvent::MouseButtonDblClick:
        case QEvent::MouseMove:
        case QEvent::Wheel:
        case QEvent::KeyPress:
        case QEvent::KeyRelease:
        case QEvent::ShortcutOverride:
        case QEvent::Shortcut:
        case QEvent::InputMethod:
        case QEvent::ContextMenu:
        case QEvent::DragEnter:
        case QEvent::DragMove:
        case QEvent::Drop:
        case QEvent::TouchBegin:
        case QEvent::TouchUpdate:
        case QEvent::TouchEnd:
        case QEvent::TabletPress:
        case QEvent::TabletMove:
        case QEvent::TabletRelease:
        case QEvent::Close:
            return true;
        default:
            return false;
    }
}

}  // namespace

CInputGate::CInputGate(QWidget* allowed) : m_allowed(allowed) {
    qApp->installEventFilter(this);
}

CInputGate::~CInputGate() {
    qApp->removeEventFilter(this);
}

bool CInputGate::eventFilter(QObject* watched, QEvent* event) {
    if (!IsUserInput(event->type())) return false;
    if (watched->isWidgetType()) {
        const auto* widget = static_cast<const QWidget*>(watched);
        if (m_allowed != nullptr &&
            (widget == m_allowed.data() || m_allowed->isAncestorOf(widget))) {
            return false;
        }
        // A close event arrives accepted; swallowed as it is, the window would close.
        if (event->type() == QEvent::Close) event->ignore();
        return true;
    }
    // Window-system events reach a widget through its window, where they are filtered again;
    // a shortcut goes straight to its action, and none may fire.
    return event->type() == QEvent::Shortcut;
}
