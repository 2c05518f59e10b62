// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <memory>
#include <vector>

#include "document/commands/doc_command.h"

// The steps of scan lines. A line exists on every image with the same end points and its own
// cursor there; what leaves the records (a deleted line, an added line undone) moves into the
// step whole and comes back whole.

// A new last line on every image, pending or not as automatic detection was set, under the
// caliper rule of that number (0: the side panel's rule).
class CAddLineCommand : public CDocCommand {
public:
    CAddLineCommand(CNorvaleDoc& doc, CPoint start, CPoint end, bool detect, bool makeCurrent,
                    std::uint16_t rule = 0);

protected:
    void Apply(bool first) override;
    void Revert() override;

private:
    int m_nIndex;
    CPoint m_ptStart;
    CPoint m_ptEnd;
    bool m_bDetect;
    bool m_bMakeCurrent;
    std::uint16_t m_nRule;
    std::vector<std::unique_ptr<CScan>> m_lines;  // while undone
};

// New end points for line n on every image; each cursor keeps its place, within the new length.
class CReshapeLineCommand : public CDocCommand {
public:
    CReshapeLineCommand(CNorvaleDoc& doc, int n, CPoint start, CPoint end);

protected:
    void Apply(bool first) override;
    void Revert() override;

private:
    // Records [first, first + count) whose cursor was at pos with this detection flag.
    struct SavedCursors {
        int first;
        int count;
        int pos;
        bool detect;
    };
    void Reshape(const CPoint& start, const CPoint& end);

    int m_nLine;
    CPoint m_ptOldStart, m_ptOldEnd;
    CPoint m_ptNewStart, m_ptNewEnd;
    // The cursors the reshape may lose: those cut back to the new length, and those still
    // pending. A pending line is detected on the new shape as soon as its image is shown;
    // undone, it must be pending on the old shape again, where it was.
    std::vector<SavedCursors> m_saved;
};

// Line n taken off every image.
class CDeleteLineCommand : public CDocCommand {
public:
    CDeleteLineCommand(CNorvaleDoc& doc, int n);

protected:
    void Apply(bool first) override;
    void Revert() override;

private:
    int m_nLine;
    std::vector<std::unique_ptr<CScan>> m_lines;  // while done
};
