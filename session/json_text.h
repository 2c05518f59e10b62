// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The pieces of JSON text that the session writer puts together: strings checked to be UTF-8,
// and numbers in a form that reads back exactly, whatever the process locale.

#include <string>
#include <string_view>

// Whether the bytes are UTF-8 as JSON text must be: no overlong forms, no surrogates, nothing
// past U+10FFFF.
bool IsUtf8(std::string_view text);

// The bytes as a JSON string, quotes included; control characters, quotes and backslashes
// escaped. The caller has checked that they are UTF-8.
void AppendJsonString(std::string& out, std::string_view text);

void AppendJsonInt(std::string& out, long long value);

// The shortest text that reads back as the same double, always with a point or an exponent so
// that a reader takes it as a floating-point number (-0.0 keeps its sign). The value must be
// finite: JSON has no infinities or NaNs.
void AppendJsonDouble(std::string& out, double value);

// The bytes as a message can show them: what is not printable UTF-8 as \xNN.
std::string PrintableBytes(std::string_view text);
