#include "app/window_arguments.h"

WindowArguments ParseWindowArguments(const QStringList& arguments) {
    WindowArguments parsed;
    bool options = true;
    for (qsizetype k = 0; k < arguments.size(); ++k) {
        const QString& argument = arguments[k];
        if (!options || !argument.startsWith(QLatin1Char('-')) || argument == QLatin1String("-")) {
            parsed.files << argument;
        } else if (argument == QLatin1String("--")) {
            options = false;
        } else if (argument == QLatin1String("-h") || argument == QLatin1String("--help")) {
            parsed.help = true;
        } else if (argument == QLatin1String("--version")) {
            parsed.version = true;
        } else if (argument == QLatin1String("--lang") ||
                   argument.startsWith(QLatin1String("--lang="))) {
            QString code;
            if (argument.size() > 6) {
                code = argument.mid(7);
            } else if (k + 1 < arguments.size()) {
                code = arguments[++k];
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
