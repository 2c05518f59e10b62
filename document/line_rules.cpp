// SPDX-License-Identifier: GPL-3.0-or-later
// The caliper rules of lines in the window: a line's own rule, set from its dialog as one step
// with the offer to detect the line again, and the rule the side panel gives lines drawn from
// now on.
#include <QCoreApplication>

#include "document/commands/rule_commands.h"
#include "document/norvale_doc.h"
#include "model/edge_detect.h"

namespace {

// How many of line n's cursors were detected under other settings than the line's rule of now.
std::size_t FoundOtherwise(const CDataProfile& profile, int n, DetectionSettings expected) {
    const CScan* first = profile.GetLine(0, 0, n);
    if (first == nullptr) return 0;
    if (const CaliperRule* rule = profile.RuleOf(*first)) expected.caliper = *rule;
    expected = expected.Normalized();
    std::size_t count = 0;
    for (int i = 0; i < profile.GetSize(); ++i) {
        const CScan* line = profile.GetLine(i, 0, n);
        if (line == nullptr || line->m_bDetect) continue;
        const DetectionSettings* found = profile.FoundWith(*line);
        if (found != nullptr && !(*found == expected)) ++count;
    }
    return count;
}

}  // namespace

bool CNorvaleDoc::SetLineRule(int n, const std::optional<CaliperRule>& rule) {
    if (IsBusy() || n < 0 || m_profile.GetSize() == 0) return false;
    // Every record must have the line, or none changes.
    for (const auto& series : m_profile.m_arSeries) {
        if (series->GetLine(0, n) == nullptr) return false;
    }
    std::uint16_t number = 0;
    if (rule) {
        if (!IsValidCaliperRule(*rule)) return false;
        number = m_profile.RuleNumber(*rule);
        if (number == 0) {
            m_ui.MessageBox(QCoreApplication::translate(
                "Document", "ルールの数が上限に達したため、このルールは使えません。"));
            return false;
        }
    }
    auto command = std::make_unique<CLineRuleCommand>(*this, n, number);
    if (!command->ChangesAnything() || !Push(std::move(command))) return false;
    NotifyMeasured();
    UpdateAllViews();
    InvalidateImageView();
    RepaintDataView();
    OfferLineRedetection(n);
    return true;
}

void CNorvaleDoc::OfferLineRedetection(int n) {
    const DetectSettings now = CurrentDetection();
    const std::size_t otherwise = FoundOtherwise(m_profile, n, {now.channel, now.mode, now.edge, {}});
    if (otherwise == 0) return;
    if (m_ui.AskYesNo(QCoreApplication::translate(
                          "Document",
                          "この線のルールが変わりました。以前のルールで検出された点が %1 個あります。\n\n"
                          "この線をすべての画像で検出し直しますか（手で置いた点はそのまま残ります）")
                          .arg(otherwise))) {
        RedetectLine(n, QCoreApplication::translate("Document", "線の再検出"));
    }
}

bool CNorvaleDoc::EditCurLineRule() {
    if (IsBusy() || GetCurLine() == nullptr) return false;
    const int n = m_nCurLine;
    const CaliperRule* own = m_profile.RuleOf(*GetCurLine());
    std::optional<CaliperRule> rule;
    if (own != nullptr) rule = *own;
    if (!m_ui.RunCaliperRuleDialog(rule, true)) return false;
    return SetLineRule(n, rule);
}

void CNorvaleDoc::OnLineRule() {
    EditCurLineRule();
}

void CNorvaleDoc::OnUpdateLineRule(CCmdUI& cmdUI) const {
    cmdUI.Enable(!IsBusy() && GetCurLine() != nullptr);
}

bool CNorvaleDoc::EditNewLineRule(const CaliperRule& shown) {
    if (IsBusy()) return false;
    std::optional<CaliperRule> rule = Options().newLineRule.value_or(shown);
    if (!m_ui.RunCaliperRuleDialog(rule, false) || !rule) return false;
    return SetNewLineRule(rule);
}

bool CNorvaleDoc::SetNewLineRule(const std::optional<CaliperRule>& rule) {
    if (IsBusy() || (rule && !IsValidCaliperRule(*rule))) return false;
    const PanelOptions before = Options();
    PanelOptions after = before;
    after.newLineRule = rule;
    if (after == before) return false;
    return ChangeOptions(before, after);
}
