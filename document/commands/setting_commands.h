#pragma once

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
    PanelOptions m_before;
    PanelOptions m_after;
};
