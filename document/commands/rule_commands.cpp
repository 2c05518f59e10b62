// SPDX-License-Identifier: GPL-3.0-or-later
#include "document/commands/rule_commands.h"

#include <QCoreApplication>

CLineRuleCommand::CLineRuleCommand(CNorvaleDoc& doc, int n, std::uint16_t rule)
    : CDocCommand(doc, QCoreApplication::translate("Document", "線のルールの変更")),
      m_nLine(n),
      m_nRule(rule) {
    for (int i = 0; i < doc.m_profile.GetSize(); ++i) {
        const CScan* line = doc.m_profile.GetLine(i, 0, n);
        m_oldRules.push_back(line != nullptr ? line->m_nRule : 0);
    }
}

bool CLineRuleCommand::ChangesAnything() const {
    for (std::size_t i = 0; i < m_oldRules.size(); ++i) {
        if (m_oldRules[i] != m_nRule &&
            Profile().GetLine(static_cast<int>(i), 0, m_nLine) != nullptr) {
            return true;
        }
    }
    return false;
}

void CLineRuleCommand::SetRules(bool now) {
    for (std::size_t i = 0; i < m_oldRules.size(); ++i) {
        if (CScan* line = Profile().GetLine(static_cast<int>(i), 0, m_nLine)) {
            line->m_nRule = now ? m_nRule : m_oldRules[i];
        }
    }
}

void CLineRuleCommand::Apply(bool first) {
    SetRules(true);
    if (!first) {
        if (m_nImage >= 0) PutLineCursor(Profile().GetLine(m_nImage, 0, m_nLine), m_now);
        return;
    }
    // The line is measured where the user looks, so that the new rule shows at once; without a
    // picture nothing is measured and the cursor is left as it was, not pending.
    CScan* line = Profile().GetLine(m_before.image, 0, m_nLine);
    if (line == nullptr || Doc().GetPictureBitmap() == nullptr) return;
    m_nImage = m_before.image;
    m_old = CLineCursorCommand::Of(*line);
    line->m_bDetect = true;
    Doc().DetectEdge(m_nLine);
    if (line->m_bDetect) {
        // The picture did not read after all: the cursor stays as it was.
        PutLineCursor(line, m_old);
        m_nImage = -1;
        return;
    }
    m_now = CLineCursorCommand::Of(*line);
}

void CLineRuleCommand::Revert() {
    SetRules(false);
    if (m_nImage >= 0) PutLineCursor(Profile().GetLine(m_nImage, 0, m_nLine), m_old);
}
