// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QObject>
#include <QPointer>

class QWidget;

// While it lives, the user's input reaches only one window: the dialog of a long operation.
// A modal dialog blocks the others only once it is shown, and a progress dialog shows itself
// only after a delay; until then the operation's progress calls let the window run, and every
// key and click of the main window would act on what the operation is working on. The gate
// closes at once and for everything: mouse, keys, shortcuts, wheel, drops and closing.
class CInputGate : public QObject {
public:
    explicit CInputGate(QWidget* allowed);
    ~CInputGate() override;
    CInputGate(const CInputGate&) = delete;
    CInputGate& operator=(const CInputGate&) = delete;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QPointer<QWidget> m_allowed;
};
