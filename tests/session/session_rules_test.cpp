// SPDX-License-Identifier: GPL-3.0-or-later
// Lines with caliper rules of their own in the session file: the rules, the settings their edges
// were found with, and what each measured, through the file and the records and back.
#include <gtest/gtest.h>

#include <string>

#include "model/data_profile.h"
#include "session/session_file.h"
#include "session/session_records.h"
#include "session/session_write.h"

namespace {

SessionResult Parse(const std::string& text) { return ParseSession(text, "s.json", "/data/run"); }

// Two lines on two images; line 1 measures a bar with its own rule, found on image 0.
Session WithRules() {
    Session session;
    session.lines = {{0, 0, 40, 0}, {0, 5, 40, 5}};
    CaliperRule bar;
    bar.kind = CaliperKind::Pair;
    bar.pairOrder = PairOrder::FallRise;
    bar.sigma = 1.75;
    bar.minWidth = 2.5;
    bar.estimator = EdgeEstimator::StepFit;
    bar.bilinear = true;
    session.lineRules = {std::nullopt, bar};
    DetectionSettings found;
    found.caliper = bar;
    session.detections = {found.Normalized()};
    CaliperMeasure measure;
    measure.status = CaliperStatus::Ambiguous;
    measure.edge = {12.625, -97.5, 0.0312, 0.75};
    measure.second = CaliperEdge{19.1, 96.25, 0.03, std::nullopt};
    measure.widthSamples = 6.475;
    measure.noise = 0.8125;
    measure.ratio = 1.125;
    SessionImage first{"/data/run/a.bmp", std::nullopt, {SessionCursor::Pending(), {13, false}}};
    first.cursors[1].origin = CursorOrigin::Detected;
    first.measures = {std::nullopt, measure};
    session.images = {first, {"/data/run/b.bmp", std::nullopt, {}}};
    session.images[1].cursors = {SessionCursor::Pending(), SessionCursor::Pending()};
    return session;
}

TEST(SessionRules, RulesAndMeasuresComeBackThroughTheFileAndTheRecords) {
    const Session session = WithRules();
    const SessionText text = SessionToText(session, "/data/run/s.json");
    ASSERT_TRUE(text.text) << text.error;
    EXPECT_NE(text.text->find("\"quandrel-session\": 3"), std::string::npos);
    const SessionResult back = Parse(*text.text);
    ASSERT_TRUE(back.session) << back.error << "\n" << *text.text;
    EXPECT_EQ(back.session->lineRules, session.lineRules);
    EXPECT_EQ(back.session->detections, session.detections);
    EXPECT_EQ(back.session->images[0].measures, session.images[0].measures);
    EXPECT_TRUE(back.session->images[1].measures.empty());

    // Into records and out again: the rule is the line's on every image, the measure the
    // cursor's, and its edge the cursor's place between samples.
    CDataProfile profile;
    BuildSessionRecords(*back.session, profile);
    ASSERT_EQ(profile.m_rules.size(), 1u);
    for (int i = 0; i < 2; ++i) {
        EXPECT_EQ(profile.RuleOf(*profile.GetLine(i, 0, 0)), nullptr);
        ASSERT_NE(profile.RuleOf(*profile.GetLine(i, 0, 1)), nullptr);
    }
    const CScan& line = *profile.GetLine(0, 0, 1);
    ASSERT_NE(line.m_measure, nullptr);
    EXPECT_EQ(line.m_dSubPos, 12.625);
    Session again;
    CaptureSessionRecords(profile, again);
    EXPECT_EQ(again.lineRules, session.lineRules);
    EXPECT_EQ(again.detections, session.detections);
    EXPECT_EQ(again.images[0].measures, session.images[0].measures);
    EXPECT_EQ(again.images[0].cursors, session.images[0].cursors);

    // Without rules the file stays a version 2 file, as before rules existed.
    Session plain = session;
    plain.lineRules.clear();
    plain.detections.clear();
    plain.images[0].measures.clear();
    plain.images[0].cursors[1].origin = CursorOrigin::Kept;
    const SessionText old = SessionToText(plain, "/data/run/s.json");
    ASSERT_TRUE(old.text) << old.error;
    EXPECT_NE(old.text->find("\"quandrel-session\": 2"), std::string::npos);
    EXPECT_EQ(old.text->find("caliper"), std::string::npos);
}

// A line that follows its edge keeps its half-width, and an image where it lost the edge says
// so; the key is written only for such a line, and a half-width that cannot be is refused.
TEST(SessionRules, AFollowedLineAndItsLostImageComeBack) {
    Session session = WithRules();
    EXPECT_EQ(SessionToText(session, "/data/run/s.json").text->find("track"), std::string::npos);
    session.lineRules[1]->track = 12;
    session.detections[0].caliper->track = 12;
    session.images[0].measures[1]->status = CaliperStatus::Lost;
    const SessionText text = SessionToText(session, "/data/run/s.json");
    ASSERT_TRUE(text.text) << text.error;
    EXPECT_NE(text.text->find("\"track\": 12"), std::string::npos);
    const SessionResult back = Parse(*text.text);
    ASSERT_TRUE(back.session) << back.error << "\n" << *text.text;
    EXPECT_EQ(back.session->lineRules, session.lineRules);
    EXPECT_EQ(back.session->images[0].measures, session.images[0].measures);
    CDataProfile profile;
    BuildSessionRecords(*back.session, profile);
    // Lost is no edge: the cursor keeps no place between samples from it.
    EXPECT_FALSE(profile.GetLine(0, 0, 1)->HasSubPos());
    for (const char* bad : {"-1", "1048577", "2.5"}) {
        std::string broken = *text.text;
        const std::string key = "\"track\": 12";
        broken.replace(broken.find(key), key.size(), "\"track\": " + std::string(bad));
        const SessionResult read = Parse(broken);
        EXPECT_FALSE(read.session) << bad;
        EXPECT_NE(read.error.find("track"), std::string::npos) << read.error;
    }
}

// A line under one of the plain rules that follows its edge: the kind and its plain rule come
// back, written only for such a rule; the plain rule is refused on another kind, and a plain
// rule that reads between pixels is refused.
TEST(SessionRules, APlainRuleComesBack) {
    Session session = WithRules();
    CaliperRule plain;
    plain.kind = CaliperKind::Plain;
    plain.plainMode = 2;
    plain.track = 7;
    session.lineRules[1] = plain;
    session.detections[0].caliper = plain;
    session.images[0].measures[1] = CaliperMeasure{CaliperStatus::Lost, {}, {}, 0.0, 0.0, 0.0};
    const SessionText text = SessionToText(session, "/data/run/s.json");
    ASSERT_TRUE(text.text) << text.error;
    EXPECT_NE(text.text->find("\"kind\": \"plain\""), std::string::npos);
    const SessionResult back = Parse(*text.text);
    ASSERT_TRUE(back.session) << back.error << "\n" << *text.text;
    EXPECT_EQ(back.session->lineRules, session.lineRules);
    EXPECT_EQ(back.session->detections, session.detections);
    EXPECT_EQ(back.session->images[0].measures, session.images[0].measures);
    struct Case {
        std::string from;
        std::string to;
        std::string message;
    };
    const std::string rule = "\"plainRule\": \"steepest-fall\"";
    const Case cases[] = {
        {rule, "\"plainRule\": \"steepest\"",
         "detections[0].caliper.plainRule: expected \"minimum\", \"maximum\", \"steepest-fall\" or "
         "\"steepest-rise\""},
        {rule, "\"plainRule\": 2", "detections[0].caliper.plainRule: expected"},
        {"\"kind\": \"plain\"", "\"kind\": \"edge\"",
         "detections[0].caliper.plainRule: only for \"kind\": \"plain\""},
        {rule, rule + ", \"bilinear\": true", "detections[0].caliper.bilinear: a plain rule reads"},
    };
    for (const Case& c : cases) {
        std::string broken = *text.text;
        const std::size_t at = broken.find(c.from);
        ASSERT_NE(at, std::string::npos) << c.from;
        broken.replace(at, c.from.size(), c.to);
        const SessionResult read = Parse(broken);
        EXPECT_FALSE(read.session) << c.to;
        EXPECT_NE(read.error.find(c.message), std::string::npos) << read.error;
    }
}

// The rule the window gives new lines: written only when there is one, and then as version 3;
// read back as it was, and refused where it does not hold.
TEST(SessionRules, NewLineRuleComesBackAndOnlyItsPresenceMakesVersion3) {
    Session session;
    session.lines = {{0, 0, 40, 0}};
    session.images = {{"/data/run/a.bmp", std::nullopt, {SessionCursor::Pending()}}};
    const SessionText plain = SessionToText(session, "/data/run/s.json");
    ASSERT_TRUE(plain.text) << plain.error;
    EXPECT_NE(plain.text->find("\"quandrel-session\": 2"), std::string::npos);
    EXPECT_EQ(plain.text->find("newLineRule"), std::string::npos);

    CaliperRule rule;
    rule.kind = CaliperKind::Threshold;
    rule.level = 0.375;
    rule.lastCrossing = true;
    rule.polarity = EdgePolarity::Falling;
    session.newLineRule = rule;
    const SessionText text = SessionToText(session, "/data/run/s.json");
    ASSERT_TRUE(text.text) << text.error;
    EXPECT_NE(text.text->find("\"quandrel-session\": 3"), std::string::npos);
    const SessionResult back = Parse(*text.text);
    ASSERT_TRUE(back.session) << back.error << "\n" << *text.text;
    EXPECT_EQ(back.session->newLineRule, session.newLineRule);
    EXPECT_TRUE(back.session->lineRules.empty());

    struct Case {
        std::string from;
        std::string to;
        std::string message;
    };
    const Case cases[] = {
        {"\"quandrel-session\": 3", "\"quandrel-session\": 2", "newLineRule: unknown key"},
        {"\"level\": 0.375", "\"level\": 1.5", "newLineRule: not a usable rule"},
        {"\"kind\": \"threshold\"", "\"kind\": 3", "newLineRule.kind"},
    };
    for (const Case& c : cases) {
        std::string broken = *text.text;
        const std::size_t at = broken.find(c.from);
        ASSERT_NE(at, std::string::npos) << c.from;
        broken.replace(at, c.from.size(), c.to);
        const SessionResult read = Parse(broken);
        EXPECT_FALSE(read.session) << c.to;
        EXPECT_NE(read.error.find(c.message), std::string::npos) << read.error;
    }
}

TEST(SessionRules, RefusesWhatDoesNotHold) {
    struct Case {
        std::string from;  // a piece of the written file
        std::string to;    // put in its place
        std::string message;
    };
    // The first place a piece stands is the detection's rule, written before the lines' rules.
    const Case cases[] = {
        {"\"quandrel-session\": 3", "\"quandrel-session\": 2", "lineRules: unknown key"},
        {"\"kind\": \"pair\"", "\"kind\": \"bar\"",
         "detections[0].caliper.kind: expected \"edge\", \"threshold\", \"pair\" or \"plain\""},
        {"\"sigma\": 1.75", "\"sigma\": 12", "detections[0].caliper.sigma: expected a number from 0.5 to 10"},
        {"\"minWidth\": 2.5", "\"minWidth\": 1e10", "detections[0].caliper: not a usable rule"},
        {"\"lineRules\": [null, ", "\"lineRules\": [", "lineRules: expected an array of rules"},
        {"\"status\": \"ambiguous\"", "\"status\": \"fine\"", "images[0].caliper[1].status"},
        {"\"pos\": 12.625", "\"pos\": 14.5", "images[0].caliper[1].edge.pos: not at the cursor"},
        {"\"pos\": 12.625", "\"pos\": 99", "images[0].caliper[1].edge.pos: off the line"},
        {"\"edge\": {", "\"edges\": {", "images[0].caliper[1].edges: unknown key"},
        {"\"found\": \".0\"", "\"found\": \".+\"",
         "images[0].caliper[1]: a measure for a cursor not detected under a caliper rule"},
    };
    const SessionText text = SessionToText(WithRules(), "/data/run/s.json");
    ASSERT_TRUE(text.text) << text.error;
    for (const Case& c : cases) {
        std::string broken = *text.text;
        const std::size_t at = broken.find(c.from);
        ASSERT_NE(at, std::string::npos) << c.from << "\n" << broken;
        broken.replace(at, c.from.size(), c.to);
        const SessionResult read = Parse(broken);
        EXPECT_FALSE(read.session) << c.to;
        EXPECT_NE(read.error.find(c.message), std::string::npos) << read.error;
    }
}

}  // namespace
