// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>

#include "model/time_rule.h"
#include "session/session_values.h"

// The session's time rule: "timeRule" ("interval" or "fileTime"; absent for the times the files
// carry), with "timeInterval" and "timeStart" in seconds for an interval. Written only when the
// rule is not the default, so that a session without one stays byte for byte as before; a
// program that knows none of these keys refuses the file rather than lose the rule.

// Reads the rule from the session's top-level object; the default when none is given. Refuses
// an unknown rule, an interval that is not a finite number above 0, a start that is not finite,
// and an interval or a start without "timeRule": "interval".
TimeRule ReadTimeRule(const SessionValues& values, const nlohmann::json& root);

// The rule's keys, each on a line of its own and followed by a comma; nothing for the default.
void AppendTimeRule(std::string& out, const TimeRule& rule);
