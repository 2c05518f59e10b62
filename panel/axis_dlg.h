// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QDialog>
#include <functional>

#include "document/ui_services.h"

class QCheckBox;
class QLineEdit;

// "軸の設定": the current image's calibration in numbers. The ten fields are exchanged as
// integers (pixel positions) or numbers (axis values); OK keeps the dialog open until every
// field parses and each axis's two values make a scale (above 0 on a logarithmic axis, their
// difference within a double), naming the problem and putting the focus in the field at fault.
// The fields (m_nOriginX ... m_bLogY, in the order of the exchange) are those of the values the
// document fills and reads back.
class CAxisDlg : public QDialog, public AxisDialogValues {
    Q_OBJECT
public:
    explicit CAxisDlg(QWidget* parent = nullptr);

    void SetValues(const AxisDialogValues& values);
    AxisDialogValues Values() const;

    // false: members to controls. true: controls to members; on a field that does not parse the
    // message is shown, the focus goes to that field, nothing is stored and false is returned.
    bool UpdateData(bool bSaveAndValidate);

    // Runs the dialog modally on the values; true, with the values as typed, for OK.
    static bool Run(QWidget* parent, AxisDialogValues& values);

    // Shows a message about the dialog's input. The default is a plain OK box; tests install
    // their own so that no modal box waits for a click. An empty hook restores the default.
    using MessageHook = std::function<void(QWidget* parent, const QString& text)>;
    static void SetMessageHook(MessageHook hook);

    void accept() override;

protected:
    void showEvent(QShowEvent* event) override;

private:
    QLineEdit* MakeEdit(const char* name, const QRect& dlu);
    QCheckBox* MakeCheck(const char* name, const QRect& dlu);

    QLineEdit* m_editOriginX = nullptr;
    QLineEdit* m_editOriginY = nullptr;
    QLineEdit* m_editXAxisX = nullptr;
    QLineEdit* m_editXAxisY = nullptr;
    QLineEdit* m_editYAxisX = nullptr;
    QLineEdit* m_editYAxisY = nullptr;
    QLineEdit* m_editXMin = nullptr;
    QLineEdit* m_editXMax = nullptr;
    QLineEdit* m_editYMin = nullptr;
    QLineEdit* m_editYMax = nullptr;
    QCheckBox* m_checkLogX = nullptr;
    QCheckBox* m_checkLogY = nullptr;
    bool m_bInitialized = false;
};
