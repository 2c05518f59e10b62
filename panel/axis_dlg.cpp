// SPDX-License-Identifier: GPL-3.0-or-later
#include "panel/axis_dlg.h"

#include <QCheckBox>
#include <QCoreApplication>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>

#include "model/data_axis.h"
#include "panel/dialog_numbers.h"
#include "panel/dialog_units.h"

namespace {

CAxisDlg::MessageHook& Hook() {
    static CAxisDlg::MessageHook hook;
    return hook;
}

void ShowMessage(QWidget* parent, const QString& text) {
    if (Hook()) {
        Hook()(parent, text);
        return;
    }
    QMessageBox box(QMessageBox::NoIcon, QStringLiteral("Quandrel"), text, QMessageBox::Ok, parent);
    box.exec();
}

}  // namespace

CAxisDlg::CAxisDlg(QWidget* parent) : QDialog(parent) {
    setWindowTitle(QCoreApplication::translate("Panel", "軸の設定"));
    setFont(DialogFont());
    const DialogBaseUnits units = BaseUnitsOf(font());
    setFixedSize(DluToPixels({0, 0, 238, 215}, units).size());

    // Made in the order of the template, which is also the tab order.
    auto* ok = new QPushButton(QStringLiteral("OK"), this);
    ok->setObjectName(QStringLiteral("IDOK"));
    ok->setDefault(true);
    PlaceControl(ok, {180, 25, 50, 14}, units);
    connect(ok, &QPushButton::clicked, this, &CAxisDlg::accept);
    auto* cancel = new QPushButton(QCoreApplication::translate("Panel", "ｷｬﾝｾﾙ"), this);
    cancel->setObjectName(QStringLiteral("IDCANCEL"));
    PlaceControl(cancel, {180, 40, 50, 14}, units);
    connect(cancel, &QPushButton::clicked, this, &CAxisDlg::reject);

    // The template's label widths fit the glyphs of the font it was drawn with; where this
    // font's text is wider, a label grows to the right, into the gap before its field.
    auto label = [this, &units](const char* text, const QRect& dlu) {
        auto* control = new QLabel(QCoreApplication::translate("Panel", text), this);
        PlaceControl(control, dlu, units);
        control->resize(control->size().expandedTo(control->sizeHint()));
    };
    PlaceControl(new QGroupBox(QCoreApplication::translate("Panel", "ピクセル値"), this),
                 {10, 15, 145, 90}, units);
    label("X", {65, 25, 8, 8});
    label("Y", {120, 25, 8, 8});
    label(QT_TRANSLATE_NOOP("Panel", "原点"), {20, 45, 15, 8});
    label(QT_TRANSLATE_NOOP("Panel", "X　軸"), {20, 65, 16, 8});
    label(QT_TRANSLATE_NOOP("Panel", "Y　軸"), {20, 85, 16, 8});
    m_editOriginX = MakeEdit("IDC_ORIGIN_X", {50, 40, 40, 14});
    m_editOriginY = MakeEdit("IDC_ORIGIN_Y", {105, 40, 40, 14});
    m_editXAxisX = MakeEdit("IDC_XAXIS_X", {50, 60, 40, 14});
    m_editXAxisY = MakeEdit("IDC_XAXIS_Y", {105, 60, 40, 14});
    m_editYAxisX = MakeEdit("IDC_YAXIS_X", {50, 80, 40, 14});
    m_editYAxisY = MakeEdit("IDC_YAXIS_Y", {105, 80, 40, 14});

    PlaceControl(new QGroupBox(QCoreApplication::translate("Panel", "座標値"), this),
                 {10, 120, 180, 75}, units);
    label("Min", {60, 135, 11, 8});
    label("Max", {105, 135, 13, 8});
    label(QT_TRANSLATE_NOOP("Panel", "対数軸"), {160, 135, 22, 8});
    label(QT_TRANSLATE_NOOP("Panel", "X　軸"), {20, 155, 16, 8});
    label(QT_TRANSLATE_NOOP("Panel", "Y　軸"), {20, 175, 16, 8});
    m_editXMin = MakeEdit("IDC_X_MIN", {50, 150, 40, 14});
    m_editXMax = MakeEdit("IDC_X_MAX", {105, 150, 40, 14});
    m_editYMin = MakeEdit("IDC_Y_MIN", {50, 170, 40, 14});
    m_editYMax = MakeEdit("IDC_Y_MAX", {105, 170, 40, 14});
    m_checkLogX = MakeCheck("IDC_LOG_X", {165, 155, 16, 8});
    m_checkLogY = MakeCheck("IDC_LOG_Y", {165, 175, 16, 8});
}

QLineEdit* CAxisDlg::MakeEdit(const char* name, const QRect& dlu) {
    auto* edit = new QLineEdit(this);
    edit->setObjectName(QString::fromLatin1(name));
    PlaceControl(edit, dlu, BaseUnitsOf(font()));
    return edit;
}

QCheckBox* CAxisDlg::MakeCheck(const char* name, const QRect& dlu) {
    auto* check = new QCheckBox(this);
    check->setObjectName(QString::fromLatin1(name));
    PlaceControl(check, dlu, BaseUnitsOf(font()));
    return check;
}

void CAxisDlg::SetValues(const AxisDialogValues& values) {
    static_cast<AxisDialogValues&>(*this) = values;
}

AxisDialogValues CAxisDlg::Values() const {
    return *this;
}

bool CAxisDlg::UpdateData(bool bSaveAndValidate) {
    if (!bSaveAndValidate) {
        m_editOriginX->setText(QString::number(m_nOriginX));
        m_editOriginY->setText(QString::number(m_nOriginY));
        m_editXMax->setText(FormatDialogDouble(m_dXMax));
        m_editXMin->setText(FormatDialogDouble(m_dXMin));
        m_editXAxisX->setText(QString::number(m_nXAxisX));
        m_editXAxisY->setText(QString::number(m_nXAxisY));
        m_editYMax->setText(FormatDialogDouble(m_dYMax));
        m_editYMin->setText(FormatDialogDouble(m_dYMin));
        m_editYAxisX->setText(QString::number(m_nYAxisX));
        m_editYAxisY->setText(QString::number(m_nYAxisY));
        m_checkLogX->setChecked(m_bLogX);
        m_checkLogY->setChecked(m_bLogY);
        return true;
    }

    // The first field that does not parse, in exchange order, is the one reported; the members
    // change only when all of them parse.
    auto fail = [this](QLineEdit* edit, const QString& message) {
        ShowMessage(this, message);
        edit->setFocus(Qt::OtherFocusReason);
        edit->selectAll();
        return false;
    };
    auto readInt = [&fail](QLineEdit* edit, int& out) {
        const std::optional<int> value = ParseDialogInt(edit->text());
        if (!value)
            return fail(edit, QCoreApplication::translate("Panel", "整数を入力してください。"));
        out = *value;
        return true;
    };
    auto readDouble = [&fail](QLineEdit* edit, double& out) {
        const std::optional<double> value = ParseDialogDouble(edit->text());
        if (!value)
            return fail(edit, QCoreApplication::translate("Panel", "数値を入力してください。"));
        out = *value;
        return true;
    };
    AxisDialogValues v;
    if (!readInt(m_editOriginX, v.m_nOriginX) || !readInt(m_editOriginY, v.m_nOriginY) ||
        !readDouble(m_editXMax, v.m_dXMax) || !readDouble(m_editXMin, v.m_dXMin) ||
        !readInt(m_editXAxisX, v.m_nXAxisX) || !readInt(m_editXAxisY, v.m_nXAxisY) ||
        !readDouble(m_editYMax, v.m_dYMax) || !readDouble(m_editYMin, v.m_dYMin) ||
        !readInt(m_editYAxisX, v.m_nYAxisX) || !readInt(m_editYAxisY, v.m_nYAxisY)) {
        return false;
    }
    v.m_bLogX = m_checkLogX->isChecked();
    v.m_bLogY = m_checkLogY->isChecked();
    // Values that parse may still make no scale; stored, they would convert every point to 0,
    // NaN or infinity.
    auto checkScale = [&fail](QLineEdit* minEdit, QLineEdit* maxEdit, double min, double max,
                              bool log) {
        const ScaleFault fault = CheckScale(min, max, log);
        if (fault == ScaleFault::None) return true;
        if (fault == ScaleFault::NotFinite) {
            return fail(maxEdit,
                        QCoreApplication::translate("Panel", "軸の値の差が大きすぎます。"));
        }
        return fail(fault == ScaleFault::OriginNotPositive ? minEdit : maxEdit,
                    QCoreApplication::translate("Panel",
                                                "対数軸には 0 より大きい値を入力してください。"));
    };
    if (!checkScale(m_editXMin, m_editXMax, v.m_dXMin, v.m_dXMax, v.m_bLogX) ||
        !checkScale(m_editYMin, m_editYMax, v.m_dYMin, v.m_dYMax, v.m_bLogY)) {
        return false;
    }
    SetValues(v);
    return true;
}

void CAxisDlg::showEvent(QShowEvent* event) {
    // The members are set between construction and showing; they reach the fields once, when
    // the dialog first appears.
    if (!m_bInitialized) {
        m_bInitialized = true;
        UpdateData(false);
    }
    QDialog::showEvent(event);
}

void CAxisDlg::accept() {
    if (UpdateData(true)) QDialog::accept();
}

bool CAxisDlg::Run(QWidget* parent, AxisDialogValues& values) {
    CAxisDlg dialog(parent);
    dialog.SetValues(values);
    if (dialog.exec() != QDialog::Accepted) return false;
    values = dialog.Values();
    return true;
}

void CAxisDlg::SetMessageHook(MessageHook hook) {
    Hook() = std::move(hook);
}
