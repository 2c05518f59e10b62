// SPDX-License-Identifier: GPL-3.0-or-later
// The finer detection options in the session file: optional fields, absent the defaults.
#include <gtest/gtest.h>

#include <string>

#include "session/session_file.h"
#include "session/session_write.h"

namespace {

std::string With2(const std::string& extra) {
    return R"({"quandrel-session": 2, )" + extra +
           R"( "lines": [[0, 0, 10, 5]], "images": ["a.bmp"]})";
}

SessionResult Parse(const std::string& text) {
    return ParseSession(text, "s.json", "/data/run");
}

TEST(SessionEdgeOptions, RoundTripsAndLeavesDefaultsOut) {
    const EdgeOptions cases[] = {
        {},
        {true, 1, kSmoothNone, 3},
        {false, 5, kSmoothNone, 3},
        {true, 51, kSmoothGaussian, 51},
        {false, 1, kSmoothMean, 9},
        {false, 1, kSmoothNone, 7},  // a width kept for when smoothing is turned on again
        {false, 1, kSmoothNone, 3, true},
    };
    for (const EdgeOptions& edge : cases) {
        const SessionResult read = Parse(With2(""));
        ASSERT_TRUE(read.session) << read.error;
        Session session = *read.session;
        EXPECT_EQ(session.edge, EdgeOptions{});
        session.edge = edge;
        const SessionText text = SessionToText(session, "/data/run/s.json");
        ASSERT_TRUE(text.text) << text.error;
        const SessionResult back = Parse(*text.text);
        ASSERT_TRUE(back.session) << back.error << "\n" << *text.text;
        EXPECT_EQ(back.session->edge, edge) << *text.text;
        // Only what differs from the defaults is written, so an old session writes as before.
        const EdgeOptions plain;
        EXPECT_EQ(text.text->find("subPixel") != std::string::npos, edge.subPixel != plain.subPixel);
        EXPECT_EQ(text.text->find("lineWidth") != std::string::npos,
                  edge.lineWidth != plain.lineWidth);
        EXPECT_EQ(text.text->find("\"smoothing\"") != std::string::npos,
                  edge.smoothing != plain.smoothing);
        EXPECT_EQ(text.text->find("smoothWidth") != std::string::npos,
                  edge.smoothWidth != plain.smoothWidth);
        EXPECT_EQ(text.text->find("wholeLine") != std::string::npos, edge.wholeLine);
    }
}

TEST(SessionEdgeOptions, RefusesValuesOutOfRange) {
    struct Case {
        std::string extra;
        std::string message;
    };
    const Case cases[] = {
        {R"("subPixel": 1,)", "subPixel: expected true or false"},
        {R"("lineWidth": 0,)", "lineWidth: expected an integer from 1 to 51"},
        {R"("lineWidth": 53,)", "lineWidth: expected an integer from 1 to 51"},
        {R"("lineWidth": 4,)", "lineWidth: expected an odd number"},
        {R"("lineWidth": 3.5,)", "lineWidth: expected an integer"},
        {R"("smoothing": 3,)", "smoothing: expected an integer from 0 to 2"},
        {R"("smoothing": -1,)", "smoothing: expected an integer from 0 to 2"},
        {R"("smoothWidth": 1,)", "smoothWidth: expected an integer from 3 to 51"},
        {R"("smoothWidth": 10,)", "smoothWidth: expected an odd number"},
        // Kept while smoothing is off, for when it is turned on again: checked all the same.
        {R"("smoothing": 0, "smoothWidth": 10,)", "smoothWidth: expected an odd number"},
        {R"("wholeLine": 1,)", "wholeLine: expected true or false"},
    };
    for (const Case& c : cases) {
        const SessionResult r = Parse(With2(c.extra));
        EXPECT_FALSE(r.session) << c.extra;
        EXPECT_NE(r.error.find(c.message), std::string::npos) << c.extra << ": " << r.error;
    }
    // A version 1 session never had them.
    const SessionResult old = Parse(R"({"quandrel-session": 1, "lineWidth": 3,
        "lines": [[0, 0, 10, 5]], "images": ["a.bmp"]})");
    EXPECT_FALSE(old.session);

    // Nor does the writer put down what the reader would refuse.
    Session session = *Parse(With2("")).session;
    for (const EdgeOptions bad : {EdgeOptions{false, 2, 0, 3}, EdgeOptions{false, 1, 3, 3},
                                  EdgeOptions{false, 1, 1, 53}}) {
        session.edge = bad;
        EXPECT_FALSE(SessionToText(session, "/data/run/s.json").text);
    }
}

}  // namespace
