// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "document/commands/doc_command.h"
#include "model/time_rule.h"

// The rule the entries' times follow, changed. The records' own times stay as the files gave
// them, so that going back to "from the files" needs no file read again.
class CTimeRuleCommand : public CDocCommand {
public:
    CTimeRuleCommand(CNorvaleDoc& doc, const TimeRule& after);

protected:
    void Apply(bool first) override;
    void Revert() override;

private:
    TimeRule m_ruleBefore;
    TimeRule m_ruleAfter;
};
