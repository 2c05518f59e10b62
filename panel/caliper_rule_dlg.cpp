// SPDX-License-Identifier: GPL-3.0-or-later
#include "panel/caliper_rule_dlg.h"

#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <algorithm>
#include <initializer_list>

#include "panel/dialog_numbers.h"

namespace {

CCaliperRuleDlg::MessageHook& Hook() {
    static CCaliperRuleDlg::MessageHook hook;
    return hook;
}

QString Tr(const char* text) {
    return QCoreApplication::translate("Panel", text);
}

QComboBox* Combo(QWidget* parent, const char* name, std::initializer_list<const char*> items) {
    auto* box = new QComboBox(parent);
    box->setObjectName(QString::fromLatin1(name));
    for (const char* item : items) box->addItem(Tr(item));
    return box;
}

QLineEdit* Edit(QWidget* parent, const char* name) {
    auto* edit = new QLineEdit(parent);
    edit->setObjectName(QString::fromLatin1(name));
    return edit;
}

template <class Enum>
Enum Chosen(const QComboBox* box) {
    return static_cast<Enum>(std::max(0, box->currentIndex()));
}

}  // namespace

CCaliperRuleDlg::CCaliperRuleDlg(QWidget* parent, bool panelChoice) : QDialog(parent) {
    setWindowTitle(Tr(QT_TRANSLATE_NOOP("Panel", "エッジ検出のルール")));
    setObjectName(QStringLiteral("IDD_CALIPER_RULE"));
    auto* form = new QFormLayout(this);
    if (panelChoice) {
        m_panelRule = new QCheckBox(Tr(QT_TRANSLATE_NOOP("Panel", "パネルのルールに従う")), this);
        m_panelRule->setObjectName(QStringLiteral("IDC_PANEL_RULE"));
        form->addRow(m_panelRule);
    }
    m_kind = Combo(this, "IDC_RULE_KIND",
                   {QT_TRANSLATE_NOOP("Panel", "エッジ"), QT_TRANSLATE_NOOP("Panel", "しきい値"),
                    QT_TRANSLATE_NOOP("Panel", "エッジの対"),
                    QT_TRANSLATE_NOOP("Panel", "従来の規則")});
    form->addRow(Tr(QT_TRANSLATE_NOOP("Panel", "種類:")), m_kind);
    // The side panel's four rules, in the side panel's order and words.
    m_plainMode = Combo(this, "IDC_RULE_PLAIN_MODE",
                        {QT_TRANSLATE_NOOP("Panel", "最小値"), QT_TRANSLATE_NOOP("Panel", "最大値"),
                         QT_TRANSLATE_NOOP("Panel", "下り勾配の最大値"),
                         QT_TRANSLATE_NOOP("Panel", "上り勾配の最大値")});
    form->addRow(Tr(QT_TRANSLATE_NOOP("Panel", "従来の規則:")), m_plainMode);
    m_sigma = Edit(this, "IDC_RULE_SIGMA");
    form->addRow(Tr(QT_TRANSLATE_NOOP("Panel", "σ (サンプル):")), m_sigma);
    m_polarity = Combo(this, "IDC_RULE_POLARITY",
                       {QT_TRANSLATE_NOOP("Panel", "暗→明"), QT_TRANSLATE_NOOP("Panel", "明→暗"),
                        QT_TRANSLATE_NOOP("Panel", "両方")});
    form->addRow(Tr(QT_TRANSLATE_NOOP("Panel", "向き:")), m_polarity);
    m_minContrast = Edit(this, "IDC_RULE_MIN_CONTRAST");
    form->addRow(Tr(QT_TRANSLATE_NOOP("Panel", "最小コントラスト:")), m_minContrast);
    m_select = Combo(this, "IDC_RULE_SELECT",
                     {QT_TRANSLATE_NOOP("Panel", "最初"), QT_TRANSLATE_NOOP("Panel", "最後"),
                      QT_TRANSLATE_NOOP("Panel", "最も強いもの"),
                      QT_TRANSLATE_NOOP("Panel", "n 番目"),
                      QT_TRANSLATE_NOOP("Panel", "隣の画像の点に最も近いもの")});
    form->addRow(Tr(QT_TRANSLATE_NOOP("Panel", "選ぶエッジ:")), m_select);
    m_nth = Edit(this, "IDC_RULE_NTH");
    form->addRow(Tr(QT_TRANSLATE_NOOP("Panel", "n:")), m_nth);
    m_estimator = Combo(this, "IDC_RULE_ESTIMATOR",
                        {QT_TRANSLATE_NOOP("Panel", "放物線"), QT_TRANSLATE_NOOP("Panel", "ガウス"),
                         QT_TRANSLATE_NOOP("Panel", "ステップ当てはめ")});
    form->addRow(Tr(QT_TRANSLATE_NOOP("Panel", "位置の推定:")), m_estimator);
    m_level = Edit(this, "IDC_RULE_LEVEL");
    form->addRow(Tr(QT_TRANSLATE_NOOP("Panel", "しきい値:")), m_level);
    m_levelIsFraction =
        new QCheckBox(Tr(QT_TRANSLATE_NOOP("Panel", "最小値と最大値の間の割合 (0～1)")), this);
    m_levelIsFraction->setObjectName(QStringLiteral("IDC_RULE_LEVEL_FRACTION"));
    form->addRow(m_levelIsFraction);
    m_lastCrossing = new QCheckBox(Tr(QT_TRANSLATE_NOOP("Panel", "最後の交点を取る")), this);
    m_lastCrossing->setObjectName(QStringLiteral("IDC_RULE_LAST_CROSSING"));
    form->addRow(m_lastCrossing);
    m_pairOrder = Combo(this, "IDC_RULE_PAIR_ORDER",
                        {QT_TRANSLATE_NOOP("Panel", "暗い地の明るい帯"),
                         QT_TRANSLATE_NOOP("Panel", "明るい地の暗い帯")});
    form->addRow(Tr(QT_TRANSLATE_NOOP("Panel", "対の並び:")), m_pairOrder);
    m_minWidth = Edit(this, "IDC_RULE_MIN_WIDTH");
    form->addRow(Tr(QT_TRANSLATE_NOOP("Panel", "最小幅 (サンプル):")), m_minWidth);
    m_maxWidth = Edit(this, "IDC_RULE_MAX_WIDTH");
    form->addRow(Tr(QT_TRANSLATE_NOOP("Panel", "最大幅 (サンプル):")), m_maxWidth);
    m_bilinear = new QCheckBox(Tr(QT_TRANSLATE_NOOP("Panel", "画素の間を直線に沿って読む")), this);
    m_bilinear->setObjectName(QStringLiteral("IDC_RULE_BILINEAR"));
    form->addRow(m_bilinear);
    m_track = Edit(this, "IDC_RULE_TRACK");
    form->addRow(Tr(QT_TRANSLATE_NOOP("Panel", "追跡 (探す幅 ±、サンプル。0 で使わない):")), m_track);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    buttons->button(QDialogButtonBox::Cancel)->setText(Tr(QT_TRANSLATE_NOOP("Panel", "キャンセル")));
    form->addRow(buttons);
    connect(buttons, &QDialogButtonBox::accepted, this, &CCaliperRuleDlg::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    for (QComboBox* box : {m_kind, m_select}) {
        connect(box, &QComboBox::currentIndexChanged, this, [this] { UpdateEnabled(); });
    }
    for (QCheckBox* box : {m_panelRule, m_levelIsFraction}) {
        if (box != nullptr) connect(box, &QCheckBox::toggled, this, [this] { UpdateEnabled(); });
    }
    SetRule({});
}

void CCaliperRuleDlg::SetRule(const std::optional<CaliperRule>& rule) {
    m_bPanel = !rule.has_value() && m_panelRule != nullptr;
    m_rule = rule.value_or(CaliperRule{});
    if (m_panelRule != nullptr) m_panelRule->setChecked(m_bPanel);
    m_kind->setCurrentIndex(static_cast<int>(m_rule.kind));
    m_plainMode->setCurrentIndex(m_rule.plainMode);
    m_sigma->setText(FormatDialogDouble(m_rule.sigma));
    m_polarity->setCurrentIndex(static_cast<int>(m_rule.polarity));
    m_minContrast->setText(FormatDialogDouble(m_rule.minContrast));
    m_select->setCurrentIndex(static_cast<int>(m_rule.select));
    m_nth->setText(QString::number(m_rule.nth));
    m_estimator->setCurrentIndex(static_cast<int>(m_rule.estimator));
    m_level->setText(FormatDialogDouble(m_rule.level));
    m_levelIsFraction->setChecked(m_rule.levelIsFraction);
    m_lastCrossing->setChecked(m_rule.lastCrossing);
    m_pairOrder->setCurrentIndex(static_cast<int>(m_rule.pairOrder));
    m_minWidth->setText(FormatDialogDouble(m_rule.minWidth));
    m_maxWidth->setText(FormatDialogDouble(m_rule.maxWidth));
    m_bilinear->setChecked(m_rule.bilinear);
    m_track->setText(QString::number(m_rule.track));
    UpdateEnabled();
}

void CCaliperRuleDlg::UpdateEnabled() {
    const bool chosen = m_panelRule == nullptr || !m_panelRule->isChecked();
    const auto kind = Chosen<CaliperKind>(m_kind);
    const bool threshold = kind == CaliperKind::Threshold;
    const bool pair = kind == CaliperKind::Pair;
    // A plain rule takes nothing of the caliper's fields but the track.
    const bool plain = kind == CaliperKind::Plain;
    const bool own = chosen && !plain;
    m_kind->setEnabled(chosen);
    m_plainMode->setEnabled(chosen && plain);
    m_sigma->setEnabled(own);
    // A pair always takes a rising and a falling edge, in the order it names.
    m_polarity->setEnabled(own && !pair);
    m_minContrast->setEnabled(own && !threshold);
    m_select->setEnabled(own && !threshold);
    m_nth->setEnabled(own && !threshold && Chosen<EdgeSelect>(m_select) == EdgeSelect::Nth);
    // A crossing is placed by the straight line between the samples it falls between.
    m_estimator->setEnabled(own && !threshold);
    m_level->setEnabled(own && threshold);
    m_levelIsFraction->setEnabled(own && threshold);
    m_lastCrossing->setEnabled(own && threshold);
    m_pairOrder->setEnabled(own && pair);
    m_bilinear->setEnabled(own);
    m_track->setEnabled(chosen);
    m_minWidth->setEnabled(own && pair);
    m_maxWidth->setEnabled(own && pair);
}

bool CCaliperRuleDlg::Fail(QLineEdit* edit, const QString& message) {
    if (Hook()) {
        Hook()(this, message);
    } else {
        QMessageBox box(QMessageBox::NoIcon, QStringLiteral("Quandrel"), message, QMessageBox::Ok,
                        this);
        box.exec();
    }
    edit->setFocus(Qt::OtherFocusReason);
    edit->selectAll();
    return false;
}

bool CCaliperRuleDlg::ReadDouble(QLineEdit* edit, double& out) {
    // A greyed field plays no part in the rule: it keeps its value, whatever it shows.
    if (!edit->isEnabled()) return true;
    const std::optional<double> value = ParseDialogDouble(edit->text());
    if (!value) return Fail(edit, Tr(QT_TRANSLATE_NOOP("Panel", "数値を入力してください。")));
    out = *value;
    return true;
}

bool CCaliperRuleDlg::UpdateData() {
    if (m_panelRule != nullptr && m_panelRule->isChecked()) {
        m_bPanel = true;
        return true;
    }
    CaliperRule r = m_rule;
    r.kind = Chosen<CaliperKind>(m_kind);
    r.polarity = Chosen<EdgePolarity>(m_polarity);
    r.select = Chosen<EdgeSelect>(m_select);
    r.estimator = Chosen<EdgeEstimator>(m_estimator);
    r.levelIsFraction = m_levelIsFraction->isChecked();
    r.lastCrossing = m_lastCrossing->isChecked();
    // The plain rule reads the walk's pixels; the caliper kinds keep 0 for it.
    r.bilinear = r.kind != CaliperKind::Plain && m_bilinear->isChecked();
    r.plainMode = r.kind == CaliperKind::Plain ? std::max(0, m_plainMode->currentIndex()) : 0;
    r.pairOrder = Chosen<PairOrder>(m_pairOrder);
    // The fields in the order they are shown; the first that does not read is the one named.
    if (!ReadDouble(m_sigma, r.sigma)) return false;
    if (r.sigma < kMinCaliperSigma || r.sigma > kMaxCaliperSigma) {
        return Fail(m_sigma, Tr(QT_TRANSLATE_NOOP("Panel",
                                                  "σ には 0.5 から 10 までの値を入力してください。")));
    }
    if (!ReadDouble(m_minContrast, r.minContrast)) return false;
    if (r.minContrast < 0.0) {
        return Fail(m_minContrast,
                    Tr(QT_TRANSLATE_NOOP("Panel", "最小コントラストには 0 以上の値を入力してください。")));
    }
    if (m_nth->isEnabled()) {
        const std::optional<int> nth = ParseDialogInt(m_nth->text());
        if (!nth) return Fail(m_nth, Tr(QT_TRANSLATE_NOOP("Panel", "整数を入力してください。")));
        if (*nth < 1) {
            return Fail(m_nth, Tr(QT_TRANSLATE_NOOP("Panel", "n には 1 以上の整数を入力してください。")));
        }
        r.nth = *nth;
    }
    if (!ReadDouble(m_level, r.level)) return false;
    if (m_level->isEnabled() && r.levelIsFraction && (r.level < 0.0 || r.level > 1.0)) {
        return Fail(m_level,
                    Tr(QT_TRANSLATE_NOOP("Panel", "割合には 0 から 1 までの値を入力してください。")));
    }
    if (!ReadDouble(m_minWidth, r.minWidth) || !ReadDouble(m_maxWidth, r.maxWidth)) return false;
    if (r.minWidth < 0.0) {
        return Fail(m_minWidth,
                    Tr(QT_TRANSLATE_NOOP("Panel", "最小幅には 0 以上の値を入力してください。")));
    }
    if (r.maxWidth < r.minWidth) {
        return Fail(m_maxWidth,
                    Tr(QT_TRANSLATE_NOOP("Panel", "最大幅には最小幅以上の値を入力してください。")));
    }
    if (m_track->isEnabled()) {
        const std::optional<int> track = ParseDialogInt(m_track->text());
        if (!track) return Fail(m_track, Tr(QT_TRANSLATE_NOOP("Panel", "整数を入力してください。")));
        if (*track < 0 || *track > kMaxTrackHalfWidth) {
            return Fail(m_track, Tr(QT_TRANSLATE_NOOP(
                                     "Panel", "追跡の幅には 0 から 1048576 までの整数を入力してください。")));
        }
        r.track = *track;
    }
    // The last word is the rule's own check, which the measurement makes too: a rule it would
    // refuse is never stored.
    if (!IsValidCaliperRule(r)) {
        return Fail(m_sigma,
                    Tr(QT_TRANSLATE_NOOP("Panel", "このルールは使えません。値を確かめてください。")));
    }
    m_rule = r;
    m_bPanel = false;
    return true;
}

std::optional<CaliperRule> CCaliperRuleDlg::Rule() const {
    if (m_bPanel) return std::nullopt;
    return m_rule;
}

void CCaliperRuleDlg::accept() {
    if (UpdateData()) QDialog::accept();
}

bool CCaliperRuleDlg::Run(QWidget* parent, std::optional<CaliperRule>& rule, bool panelChoice) {
    CCaliperRuleDlg dialog(parent, panelChoice);
    dialog.SetRule(rule);
    if (dialog.exec() != QDialog::Accepted) return false;
    rule = dialog.Rule();
    return true;
}

void CCaliperRuleDlg::SetMessageHook(MessageHook hook) {
    Hook() = std::move(hook);
}
