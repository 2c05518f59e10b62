// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <memory>

#include "document/commands/doc_command.h"

// The length or the area switch turned over.
class CMeasureSwitchCommand : public CDocCommand {
public:
    CMeasureSwitchCommand(CNorvaleDoc& doc, bool area);

protected:
    void Apply(bool first) override;
    void Revert() override;

private:
    void Toggle();
    bool m_bArea;
};

// The side panel's options changed by a click. The panel shows the new ones already when the
// step is made.
class COptionsCommand : public CDocCommand {
public:
    COptionsCommand(CNorvaleDoc& doc, const PanelOptions& before, const PanelOptions& after);

protected:
    void Apply(bool first) override;
    void Revert() override;

private:
    // Walks every line as the options say; cursors a shorter walk cuts off are kept here, for
    // the longer walk to put back.
    void ApplyStepLimit(const PanelOptions& options);
    // Resamples the current line when the options change what it reads, and keeps the
    // number of samples for the cursor the step restores.
    void Resample(DocCursor& cursor);

    struct CutCursor {
        int image;
        int line;
        int pos;
        double subPos;
        std::shared_ptr<const CaliperMeasure> measure;
    };

    PanelOptions m_before;
    PanelOptions m_after;
    std::vector<CutCursor> m_cut;
};
