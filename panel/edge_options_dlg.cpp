// SPDX-License-Identifier: GPL-3.0-or-later
#include "panel/edge_options_dlg.h"

#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QPushButton>
#include <QSpinBox>
#include <algorithm>

namespace {

QSpinBox* OddSpinBox(int lo, int hi, QWidget* parent) {
    auto* box = new QSpinBox(parent);
    box->setRange(lo, hi);
    box->setSingleStep(2);
    return box;
}

int Odd(int v, int lo, int hi) {
    return std::clamp(v % 2 == 0 ? v + 1 : v, lo, hi);
}

}  // namespace

CEdgeOptionsDlg::CEdgeOptionsDlg(QWidget* parent) : QDialog(parent) {
    setWindowTitle(QCoreApplication::translate("Panel", "エッジ検出の詳細設定"));
    setObjectName(QStringLiteral("IDD_EDGE_OPTIONS"));
    auto* form = new QFormLayout(this);

    m_lineWidth = OddSpinBox(1, kMaxLineWidth, this);
    m_lineWidth->setObjectName(QStringLiteral("IDC_LINE_WIDTH"));
    m_lineWidth->setSuffix(QCoreApplication::translate("Panel", " 画素"));
    form->addRow(QCoreApplication::translate("Panel", "線の幅:"), m_lineWidth);

    m_smoothing = new QComboBox(this);
    m_smoothing->setObjectName(QStringLiteral("IDC_SMOOTHING"));
    m_smoothing->addItems({QCoreApplication::translate("Panel", "なし"),
                           QCoreApplication::translate("Panel", "移動平均"),
                           QCoreApplication::translate("Panel", "ガウシアン")});
    form->addRow(QCoreApplication::translate("Panel", "平滑化:"), m_smoothing);

    m_smoothWidth = OddSpinBox(kMinSmoothWidth, kMaxSmoothWidth, this);
    m_smoothWidth->setObjectName(QStringLiteral("IDC_SMOOTH_WIDTH"));
    m_smoothWidth->setSuffix(QCoreApplication::translate("Panel", " サンプル"));
    form->addRow(QCoreApplication::translate("Panel", "平滑化の幅:"), m_smoothWidth);

    m_subPixel =
        new QCheckBox(QCoreApplication::translate("Panel", "サブピクセル位置で検出"), this);
    m_subPixel->setObjectName(QStringLiteral("IDC_SUB_PIXEL"));
    form->addRow(m_subPixel);

    m_wholeLine = new QCheckBox(QCoreApplication::translate("Panel", "全長を測定"), this);
    m_wholeLine->setObjectName(QStringLiteral("IDC_WHOLE_LINE"));
    m_wholeLine->setToolTip(QCoreApplication::translate(
        "Panel", "1,024 サンプルを超える走査線も、最初の 1,024 サンプルだけでなく全長を測定します"));
    form->addRow(m_wholeLine);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    buttons->button(QDialogButtonBox::Cancel)
        ->setText(QCoreApplication::translate("Panel", "キャンセル"));
    form->addRow(buttons);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(m_smoothing, &QComboBox::currentIndexChanged, this, [this] { UpdateEnabled(); });
    SetOptions({});
}

void CEdgeOptionsDlg::SetOptions(const EdgeOptions& options) {
    m_subPixel->setChecked(options.subPixel);
    m_lineWidth->setValue(options.lineWidth);
    m_smoothing->setCurrentIndex(std::clamp(options.smoothing, 0, 2));
    m_smoothWidth->setValue(options.smoothWidth);
    m_wholeLine->setChecked(options.wholeLine);
    UpdateEnabled();
}

EdgeOptions CEdgeOptionsDlg::Options() const {
    EdgeOptions options;
    options.subPixel = m_subPixel->isChecked();
    options.lineWidth = Odd(m_lineWidth->value(), 1, kMaxLineWidth);
    options.smoothing = m_smoothing->currentIndex();
    options.smoothWidth = Odd(m_smoothWidth->value(), kMinSmoothWidth, kMaxSmoothWidth);
    options.wholeLine = m_wholeLine->isChecked();
    return options;
}

void CEdgeOptionsDlg::UpdateEnabled() {
    m_smoothWidth->setEnabled(m_smoothing->currentIndex() != kSmoothNone);
}

bool CEdgeOptionsDlg::Run(QWidget* parent, EdgeOptions& options) {
    CEdgeOptionsDlg dialog(parent);
    dialog.SetOptions(options);
    const bool ok = dialog.exec() == QDialog::Accepted;
    if (ok) options = dialog.Options();
    return ok;
}
