// SPDX-License-Identifier: GPL-3.0-or-later
#include "session/session_time.h"

#include <cmath>

#include "session/json_text.h"

TimeRule ReadTimeRule(const SessionValues& values, const nlohmann::json& root) {
    TimeRule rule;
    const auto kind = root.find("timeRule");
    if (kind != root.end()) {
        const std::string* word =
            kind->is_string() ? &kind->get_ref<const std::string&>() : nullptr;
        if (word != nullptr && *word == "interval") {
            rule.kind = TimeRule::Kind::Interval;
        } else if (word != nullptr && *word == "fileTime") {
            rule.kind = TimeRule::Kind::FileTime;
        } else {
            values.Fail("timeRule", "expected \"interval\" or \"fileTime\"");
        }
    }
    const auto interval = root.find("timeInterval");
    const auto start = root.find("timeStart");
    if (rule.kind != TimeRule::Kind::Interval) {
        // Numbers that nothing would use say that the file means something else.
        if (interval != root.end())
            values.Fail("timeInterval", "given without \"timeRule\": \"interval\"");
        if (start != root.end())
            values.Fail("timeStart", "given without \"timeRule\": \"interval\"");
        return rule;
    }
    if (interval == root.end())
        values.Fail("timeInterval", "missing: the seconds between two entries");
    rule.interval = values.Number(*interval, "timeInterval");
    if (!(rule.interval > 0.0) || !std::isfinite(rule.interval)) {
        values.Fail("timeInterval", "expected a number of seconds above 0");
    }
    if (start != root.end()) {
        rule.start = values.Number(*start, "timeStart");
        if (!std::isfinite(rule.start))
            values.Fail("timeStart", "expected a finite number of seconds");
    }
    return rule;
}

void AppendTimeRule(std::string& out, const TimeRule& rule) {
    switch (rule.kind) {
        case TimeRule::Kind::FromFiles:
            return;
        case TimeRule::Kind::FileTime:
            out += "  \"timeRule\": \"fileTime\",\n";
            return;
        case TimeRule::Kind::Interval:
            out += "  \"timeRule\": \"interval\",\n  \"timeInterval\": ";
            AppendJsonDouble(out, rule.interval);
            out += ",\n  \"timeStart\": ";
            AppendJsonDouble(out, rule.start);
            out += ",\n";
            return;
    }
}
