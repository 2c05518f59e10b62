// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The scripts the view's input tests run, and the document state they compare.
#include <QStringList>

#include "view_fixture.h"

inline const QString kBaseLines = QStringLiteral("5,10-60,10 5,40-60,40");
inline const QString kBaseAxis = QStringLiteral("20,30 60,30 20,20");

// Runs a script of steps separated by spaces: S (Shift+click), C (click), K (Ctrl+click),
// R (right click), M (move), D (double click) with an image point "x,y"; PO, PX, PY the pick
// commands; G another widget taking the mouse away for a moment; E the Esc key.
inline void Run(ViewFixture& f, const QString& script) {
    for (const QString& step : script.split(QLatin1Char(' '), Qt::SkipEmptyParts)) {
        const QStringList xy = step.mid(1).split(QLatin1Char(','));
        const int x = xy.value(0).toInt();
        const int y = xy.value(1).toInt();
        switch (step.at(0).toLatin1()) {
            case 'S':
                f.Click(x, y, Qt::ShiftModifier);
                break;
            case 'C':
                f.Click(x, y);
                break;
            case 'K':
                f.Click(x, y, Qt::ControlModifier);
                break;
            case 'R':
                f.Click(x, y, Qt::NoModifier, Qt::RightButton);
                break;
            case 'M':
                f.Move(x, y);
                break;
            case 'D':
                f.DoubleClick(x, y);
                break;
            case 'P':
                f.doc.OnCmdMsg(step == QLatin1String("PO")   ? ID_AXIS_ORIGIN
                               : step == QLatin1String("PX") ? ID_AXIS_XPOINT
                                                             : ID_AXIS_YPOINT);
                break;
            case 'E':
                QTest::keyClick(f.view.get(), Qt::Key_Escape);
                break;
            case 'G': {
                QWidget thief;
                thief.show();
                thief.grabMouse();
                thief.releaseMouse();
                break;
            }
            default:
                QFAIL(qPrintable(QStringLiteral("bad step ") + step));
        }
    }
}

inline QString Lines(const CNorvaleDoc& doc) {
    QStringList out;
    const CScanArray* lines = doc.m_profile.GetArray(0, 0);
    for (int n = 0; n < lines->GetSize(); ++n) {
        const CScan& l = *lines->GetAt(n);
        out << QStringLiteral("%1,%2-%3,%4")
                   .arg(l.m_ptStart.x)
                   .arg(l.m_ptStart.y)
                   .arg(l.m_ptEnd.x)
                   .arg(l.m_ptEnd.y);
    }
    return out.join(QLatin1Char(' '));
}

inline QString Axis(const CNorvaleDoc& doc) {
    const CDataAxis& a = *doc.m_profile.GetAxis(0);
    return QStringLiteral("%1,%2 %3,%4 %5,%6")
        .arg(a.m_origin.m_xPixel)
        .arg(a.m_origin.m_yPixel)
        .arg(a.m_xAxis.m_xPixel)
        .arg(a.m_xAxis.m_yPixel)
        .arg(a.m_yAxis.m_xPixel)
        .arg(a.m_yAxis.m_yPixel);
}
