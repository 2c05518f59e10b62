// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/ui_language.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QtGlobal>

std::optional<UiLanguage> ParseUiLanguage(const QString& code) {
    if (code == QLatin1String("ja")) return UiLanguage::Japanese;
    if (code == QLatin1String("en")) return UiLanguage::English;
    return std::nullopt;
}

UiLanguage LanguageOfLocale(const QString& locale) {
    if (locale.isEmpty() || locale.startsWith(QLatin1String("ja"))) return UiLanguage::Japanese;
    // "C", "POSIX", and the C locale with a character set or modifier ("C.UTF-8", "C.utf8").
    const QString name = locale.section(QLatin1Char('.'), 0, 0).section(QLatin1Char('@'), 0, 0);
    if (name == QLatin1String("C") || name == QLatin1String("POSIX")) return UiLanguage::Japanese;
    return UiLanguage::English;
}

QString MessagesLocaleOfEnvironment() {
    for (const char* variable : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
        const QString value = qEnvironmentVariable(variable);
        if (!value.isEmpty()) return value;
    }
    return {};
}

CUiTranslation::CUiTranslation(UiLanguage language) : m_language(language) {
    if (language == UiLanguage::English) {
        m_bProgram = Install(m_program, QStringLiteral("quandrel_en"), QStringLiteral(":/i18n"));
    } else {
        // Qt's Japanese texts come with Qt's translations package; without it Qt's own buttons
        // stay English, which is no reason to refuse to start.
        m_bQt = Install(m_qt, QStringLiteral("qtbase_ja"),
                        QLibraryInfo::path(QLibraryInfo::TranslationsPath));
    }
}

CUiTranslation::~CUiTranslation() {
    if (m_bProgram) QCoreApplication::removeTranslator(&m_program);
    if (m_bQt) QCoreApplication::removeTranslator(&m_qt);
}

bool CUiTranslation::Install(QTranslator& translator, const QString& name, const QString& folder) {
    return translator.load(name, folder) && QCoreApplication::installTranslator(&translator);
}
