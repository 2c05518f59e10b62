// SPDX-License-Identifier: GPL-3.0-or-later
// The axis settings command: the current image's calibration in numbers, typed back as one step
// on every calibration in scope.
#include <QCoreApplication>

#include "document/commands/axis_commands.h"
#include "document/norvale_doc.h"

void CNorvaleDoc::OnAxisSettings() {
    // The side panel's button reaches here without an update pass, so the command checks for
    // itself that there is an image to calibrate.
    const CDataAxis* axis = m_profile.GetAxis(m_nCurImage);
    if (m_picture->IsNull() || axis == nullptr) return;

    AxisDialogValues v;
    v.m_nOriginX = axis->m_origin.m_xPixel;
    v.m_nOriginY = axis->m_origin.m_yPixel;
    v.m_nXAxisX = axis->m_xAxis.m_xPixel;
    v.m_nXAxisY = axis->m_xAxis.m_yPixel;
    v.m_nYAxisX = axis->m_yAxis.m_xPixel;
    v.m_nYAxisY = axis->m_yAxis.m_yPixel;
    v.m_dXMin = axis->m_origin.m_xValue;
    v.m_dYMin = axis->m_origin.m_yValue;
    v.m_dXMax = axis->m_xAxis.m_xValue;
    v.m_dYMax = axis->m_yAxis.m_yValue;
    v.m_bLogX = axis->m_bLogX;
    v.m_bLogY = axis->m_bLogY;
    if (!m_ui.RunAxisDialog(v)) return;

    AxisEdit edit;
    edit.pixel[0] = CPoint{v.m_nOriginX, v.m_nOriginY};
    edit.pixel[1] = CPoint{v.m_nXAxisX, v.m_nXAxisY};
    edit.pixel[2] = CPoint{v.m_nYAxisX, v.m_nYAxisY};
    edit.value[0] = AxisValue{v.m_dXMin, v.m_dYMin};
    edit.value[1] = AxisValue{v.m_dXMax, 0.0};
    edit.value[2] = AxisValue{0.0, v.m_dYMax};
    edit.logX = v.m_bLogX;
    edit.logY = v.m_bLogY;
    EditCalibration(QCoreApplication::translate("Document", "軸の値の設定"), edit);
    RepaintDataView();
    UpdateAllViews();
}
