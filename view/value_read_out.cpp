// SPDX-License-Identifier: GPL-3.0-or-later
// The status bar's calibrated read-out: the axis values at the image pixel under the mouse, as
// the export converts edge points.
#include "model/caliper_measure.h"
#include "model/data_axis.h"
#include "view/caliper_marks.h"
#include "view/norvale_view.h"

void CNorvaleView::ShowValueReadOut(const CPoint* pt) {
    QString x;
    QString y;
    const CPicture* picture = m_doc.GetPictureBitmap();
    const CDataAxis* axis = m_doc.m_profile.GetAxis(m_doc.m_nCurImage);
    if (pt != nullptr && picture != nullptr && axis != nullptr && pt->x >= 0 && pt->y >= 0 &&
        pt->x < picture->Width() && pt->y < picture->Height()) {
        const AxisFrame frame(*axis);
        if (frame.IsValid()) {
            const AxisValue value = frame.Convert(*pt);
            // Six significant digits fit the pane.
            x = QString::asprintf("X = %.6g", value.x);
            y = QString::asprintf("Y = %.6g", value.y);
        }
    }
    emit paneText(6, x);
    emit paneText(7, y);
}

void CNorvaleView::ShowCaliperReadOut() {
    const CScan* line = HasPicture() ? m_doc.GetCurLine() : nullptr;
    const QString text =
        line != nullptr && line->m_measure ? CaliperReadOut(*line->m_measure) : QString();
    if (text == m_caliperText) return;
    m_caliperText = text;
    emit caliperText(text);
}
