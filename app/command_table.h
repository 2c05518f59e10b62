// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QKeySequence>
#include <QString>
#include <vector>

// One command of the menus, the toolbar and the accelerators.
struct CommandInfo {
    int id;
    const char* name;    // the id's name, also the action's object name
    const char* text;    // menu text; nullptr for commands that only keys reach
    const char* prompt;  // "status-bar prompt\ntooltip"; nullptr when there is none
    const char* icon;    // toolbar picture; nullptr when the command has no button
};

const std::vector<CommandInfo>& CommandTable();
const CommandInfo* FindCommand(int id);

// The status-bar prompt and the tooltip, the two halves of a prompt.
QString StatusPrompt(const CommandInfo& info);
QString ToolTip(const CommandInfo& info);

struct Accelerator {
    QKeySequence key;
    int id;
};
const std::vector<Accelerator>& Accelerators();

// The toolbar's slots in order; 0 stands for a separator.
const std::vector<int>& ToolbarLayout();
