// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>
#include <QStringList>
#include <optional>
#include <string>
#include <vector>

#include "app/ui_language.h"

// The window's command line, after Qt has taken its own options (-platform, -style, ...).
struct WindowArguments {
    bool help = false;
    bool version = false;
    std::optional<UiLanguage> language;  // --lang; nothing when not given
    // Sessions and pictures, in order, as the file system's bytes: a name that is not UTF-8
    // still names its file.
    std::vector<std::string> files;
    QString error;                       // why the line cannot be used; empty when it can
};

// The arguments as the system gives them, without the program's name and after Qt took its own
// options. Other options are ignored, as Qt's were before; "--" ends the options, so that a file
// whose name starts with "-" can be given.
WindowArguments ParseWindowArguments(const std::vector<std::string>& arguments);
// The same for arguments given as text; file names are encoded as the file system's.
WindowArguments ParseWindowArguments(const QStringList& arguments);

// The texts of --help and --version, and of a line that cannot be used.
QString WindowUsage();
QString WindowVersion();
