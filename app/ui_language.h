// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>
#include <QTranslator>
#include <optional>

// The window speaks Japanese, its own language, or English.
enum class UiLanguage { Japanese, English };

// "ja" or "en", as given to --lang; nothing for any other text.
std::optional<UiLanguage> ParseUiLanguage(const QString& code);

// The language a locale name asks for: Japanese for "ja..." and for the C and POSIX locales (also
// C.UTF-8) or none at all, since those are what a Japanese desktop without a locale set runs
// with; English for every other locale.
UiLanguage LanguageOfLocale(const QString& locale);
// The locale that decides the messages' language, by the usual precedence: LC_ALL, then
// LC_MESSAGES, then LANG, the first one set and not empty.
QString MessagesLocaleOfEnvironment();

// The program's translation and Qt's own (file dialogs, standard buttons) for a language,
// installed for as long as the object lives. Japanese needs no translation of the program's
// texts, which are written in it, but does need Qt's; English needs the program's and not Qt's.
class CUiTranslation {
public:
    explicit CUiTranslation(UiLanguage language);
    ~CUiTranslation();
    CUiTranslation(const CUiTranslation&) = delete;
    CUiTranslation& operator=(const CUiTranslation&) = delete;

    UiLanguage Language() const { return m_language; }
    // False when a translation the language needs could not be loaded.
    bool Complete() const { return m_language == UiLanguage::Japanese || m_bProgram; }

private:
    bool Install(QTranslator& translator, const QString& name, const QString& folder);

    UiLanguage m_language;
    QTranslator m_program;
    QTranslator m_qt;
    bool m_bProgram = false;
    bool m_bQt = false;
};
