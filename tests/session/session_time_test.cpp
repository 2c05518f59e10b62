// SPDX-License-Identifier: GPL-3.0-or-later
// The session's time rule: written only when set, read back exactly, refused when wrong.
#include <gtest/gtest.h>

#include <string>

#include "session/session_file.h"
#include "session/session_write.h"

namespace {

std::string SessionWithKeys(const std::string& keys, int version = 2) {
    return "{\"quandrel-session\": " + std::to_string(version) + ", " + keys +
           "\"lines\": [[0, 0, 10, 5]], \"images\": [\"a.bmp\"]}";
}

TEST(SessionTime, RulesReadBackAndTheDefaultWritesNothing) {
    using K = TimeRule::Kind;
    const std::pair<TimeRule, const char*> cases[] = {
        {{}, nullptr},
        {{K::FileTime, 1, 0}, "  \"timeRule\": \"fileTime\",\n"},
        {{K::Interval, 0.1, -2.5},
         "  \"timeRule\": \"interval\",\n  \"timeInterval\": 0.1,\n  \"timeStart\": -2.5,\n"},
    };
    for (const auto& [rule, written] : cases) {
        Session s;
        s.lines = {{0, 0, 10, 5}};
        s.images = {{"/run/a.bmp", std::nullopt, {}}};
        s.timeRule = rule;
        const SessionText text = SessionToText(s, "/run/s.json");
        ASSERT_TRUE(text.text) << text.error;
        if (written != nullptr) {
            EXPECT_NE(text.text->find(written), std::string::npos) << *text.text;
        } else {
            EXPECT_EQ(text.text->find("\"time"), std::string::npos) << *text.text;
        }
        EXPECT_NE(text.text->find("\"quandrel-session\": 2,"), std::string::npos)
            << "no newer version";
        const SessionResult read = ParseSession(*text.text, "s.json", "/run");
        ASSERT_TRUE(read.session) << read.error;
        EXPECT_EQ(read.session->timeRule, rule);
    }
}

TEST(SessionTime, RefusesARuleItCannotUseNamingTheField) {
    const std::pair<const char*, const char*> cases[] = {
        {"\"timeRule\": \"files\", ", "timeRule"},
        {"\"timeRule\": 1, ", "timeRule"},
        {"\"timeRule\": \"interval\", ", "timeInterval"},
        {"\"timeRule\": \"interval\", \"timeInterval\": 0, ", "timeInterval"},
        {"\"timeRule\": \"interval\", \"timeInterval\": -1, ", "timeInterval"},
        {"\"timeRule\": \"interval\", \"timeInterval\": \"1\", ", "timeInterval"},
        {"\"timeInterval\": 1, ", "timeInterval"},
        {"\"timeRule\": \"fileTime\", \"timeStart\": 1, ", "timeStart"},
    };
    for (const auto& [keys, field] : cases) {
        for (const int version : {2, 3}) {
            const SessionResult read =
                ParseSession(SessionWithKeys(keys, version), "s.json", "/run");
            EXPECT_FALSE(read.session) << keys;
            EXPECT_EQ(read.problem.field, field) << keys << " -> " << read.error;
        }
    }
    // Version 1 knows no times: the key is a misspelling there, not a silent default.
    EXPECT_FALSE(
        ParseSession(SessionWithKeys("\"timeRule\": \"fileTime\", ", 1), "s.json", "/run").session);
}

}  // namespace
