// SPDX-License-Identifier: GPL-3.0-or-later
#include "document/commands/time_commands.h"

#include <QCoreApplication>

CTimeRuleCommand::CTimeRuleCommand(CNorvaleDoc& doc, const TimeRule& after)
    : CDocCommand(doc, QCoreApplication::translate("Document", "時刻の決め方の変更")),
      m_ruleBefore(doc.m_profile.m_timeRule),
      m_ruleAfter(after) {}

void CTimeRuleCommand::Apply(bool /*first*/) {
    Profile().m_timeRule = m_ruleAfter;
}

void CTimeRuleCommand::Revert() {
    Profile().m_timeRule = m_ruleBefore;
}

bool CNorvaleDoc::SetTimeRule(const TimeRule& rule) {
    if (IsBusy() || !rule.IsValid() || rule == m_profile.m_timeRule) return false;
    if (!Push(std::make_unique<CTimeRuleCommand>(*this, rule))) return false;
    UpdateAllViews();
    return true;
}
