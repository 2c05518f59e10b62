#pragma once

#include <QString>
#include <QStringList>
#include <optional>

#include "app/ui_language.h"

// The window's command line, after Qt has taken its own options (-platform, -style, ...).
struct WindowArguments {
    bool help = false;
    bool version = false;
    std::optional<UiLanguage> language;  // --lang; nothing when not given
    QStringList files;                   // sessions and pictures, in order
    QString error;                       // why the line cannot be used; empty when it can
};

// Other options are ignored, as Qt's were before; "--" ends the options, so that a file whose
// name starts with "-" can be given.
WindowArguments ParseWindowArguments(const QStringList& arguments);

// The texts of --help and --version, and of a line that cannot be used.
QString WindowUsage();
QString WindowVersion();
