// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/window_arguments.h"

#include <QFile>

WindowArguments ParseWindowArguments(const std::vector<std::string>& arguments) {
    WindowArguments parsed;
    bool options = true;
    for (std::size_t k = 0; k < arguments.size(); ++k) {
        const std::string& argument = arguments[k];
        if (!options || !argument.starts_with('-') || argument == "-") {
            parsed.files.push_back(argument);
        } else if (argument == "--") {
            options = false;
        } else if (argument == "-h" || argument == "--help") {
            parsed.help = true;
        } else if (argument == "--version") {
            parsed.version = true;
        } else if (argument == "--lang" || argument.starts_with("--lang=")) {
            QString code;
            if (argument.size() > 6) {
                code = QString::fromLocal8Bit(argument.substr(7));
            } else if (k + 1 < arguments.size()) {
                code = QString::fromLocal8Bit(arguments[++k]);
            }
            parsed.language = ParseUiLanguage(code);
            if (!parsed.language && parsed.error.isEmpty()) {
                parsed.error = code.isEmpty()
                                   ? QStringLiteral("--lang needs a language: ja or en")
                                   : QStringLiteral("unknown language '%1': ja or en").arg(code);
            }
        }
    }
    return parsed;
}

WindowArguments ParseWindowArguments(const QStringList& arguments) {
    std::vector<std::string> bytes;
    bytes.reserve(static_cast<std::size_t>(arguments.size()));
    for (const QString& argument : arguments)
        bytes.push_back(QFile::encodeName(argument).toStdString());
    return ParseWindowArguments(bytes);
}

QString WindowUsage() {
    return QStringLiteral(
        "usage: quandrel [--lang ja|en] [SESSION | IMAGE...]\n"
        "  SESSION      a session file (.quandrel or .json) to open\n"
        "  IMAGE...     pictures (BMP, JPEG, GIF, PNG, TIFF) to add to the file list\n"
        "  --lang L     the window's language: ja (Japanese) or en (English); by default\n"
        "               Japanese for a ja locale, for C and POSIX or when none is set,\n"
        "               English for every other locale\n"
        "  -h, --help   show this help and exit\n"
        "  --version    show the version and exit\n");
}

QString WindowVersion() {
    return QStringLiteral("quandrel " QUANDREL_VERSION "\n");
}
