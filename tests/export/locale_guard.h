// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <clocale>
#include <cstdio>
#include <string>

// Switches the whole process to a locale that writes a decimal comma for as long as it lives,
// then restores the previous one. active() is false when no such locale is installed.
class CommaLocale {
public:
    CommaLocale() {
        const char* previous = std::setlocale(LC_ALL, nullptr);
        m_previous = previous != nullptr ? previous : "C";
        for (const char* name : {"de_DE.UTF-8", "de_DE.utf8", "de_DE"}) {
            if (std::setlocale(LC_ALL, name) != nullptr) {
                // Only a locale that really writes 0,5 makes the test mean anything.
                char text[8];
                std::snprintf(text, sizeof text, "%.1f", 0.5);
                m_active = std::string(text) == "0,5";
                if (m_active) return;
            }
        }
        std::setlocale(LC_ALL, m_previous.c_str());
    }
    ~CommaLocale() { std::setlocale(LC_ALL, m_previous.c_str()); }
    CommaLocale(const CommaLocale&) = delete;
    CommaLocale& operator=(const CommaLocale&) = delete;

    bool active() const { return m_active; }

private:
    std::string m_previous;
    bool m_active = false;
};

#define REQUIRE_COMMA_LOCALE(guard)                          \
    if (!(guard).active())                                   \
    GTEST_SKIP() << "no comma-decimal locale (de_DE.UTF-8) " \
                    "is installed"
