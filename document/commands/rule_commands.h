// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <vector>

#include "document/commands/cursor_commands.h"

// Line n takes another caliper rule on every image (rule number 0: the side panel's rule again).
// When the current image's picture reads, the line is detected there at once under the new
// rule; the other images keep their cursors until the user has them detected again. Undone,
// every line gets its old rule number back and the current image's cursor all that came with it.
class CLineRuleCommand : public CDocCommand {
public:
    CLineRuleCommand(CNorvaleDoc& doc, int n, std::uint16_t rule);

    // Whether the step would change the line's rule anywhere.
    bool ChangesAnything() const;

protected:
    void Apply(bool first) override;
    void Revert() override;

private:
    void SetRules(bool now);

    int m_nLine;
    std::uint16_t m_nRule;
    std::vector<std::uint16_t> m_oldRules;  // per record
    // The current image's cursor before and after its detection under the new rule, where the
    // step detected it (m_nImage >= 0).
    int m_nImage = -1;
    LineCursor m_old;
    LineCursor m_now;
};
