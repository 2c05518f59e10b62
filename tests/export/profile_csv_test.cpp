// SPDX-License-Identifier: GPL-3.0-or-later
#include "export/profile_csv.h"

#include <gtest/gtest.h>

#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "export/locale_guard.h"
#include "export/number_format.h"
#include "model/synthetic_picture.h"

namespace {

struct Parsed {
    std::map<std::string, std::string> comments;
    std::vector<std::vector<std::string>> rows;  // the header row first
};

// Splits the text into its comment lines and its rows; every line must end in CR LF.
Parsed Parse(const std::string& text, char delimiter) {
    Parsed parsed;
    std::size_t at = 0;
    while (at < text.size()) {
        const std::size_t end = text.find("\r\n", at);
        EXPECT_NE(end, std::string::npos) << "a line without CR LF";
        if (end == std::string::npos) break;
        const std::string line = text.substr(at, end - at);
        at = end + 2;
        if (line.rfind("# ", 0) == 0) {
            const std::size_t colon = line.find(": ");
            parsed.comments[line.substr(2, colon - 2)] = line.substr(colon + 2);
            continue;
        }
        std::vector<std::string> fields;
        std::stringstream stream(line);
        for (std::string field; std::getline(stream, field, delimiter);) fields.push_back(field);
        if (!line.empty() && line.back() == delimiter) fields.emplace_back();
        parsed.rows.push_back(fields);
    }
    return parsed;
}

std::string Real(double v, char decimal = '.') {
    std::string s;
    AppendReal(s, v, decimal);
    return s;
}

// A bright bar from column 20 to 29 on a dark ground, with a gentle slope elsewhere so that the
// plain profile is not flat.
int Bar(int x, int) {
    return x >= 20 && x < 30 ? 200 : 40 + x / 10;
}

struct Case {
    const char* name;
    std::optional<CaliperRule> rule;
    const char* status;                 // the status comment; nullptr: none (a plain line)
    std::vector<int> candidateSamples;  // where the candidate column has a number
    std::vector<const char*> present;   // comment keys written
    std::vector<const char*> absent;    // comment keys not written
};

CaliperRule Rule(CaliperKind kind, EdgePolarity polarity = EdgePolarity::Either) {
    CaliperRule rule;
    rule.kind = kind;
    rule.polarity = polarity;
    rule.minContrast = 20.0;
    return rule;
}

}  // namespace

TEST(ProfileCsv, ColumnsAndCommentsFollowTheRule) {
    const Picture picture(60, 5, Bar);
    CScan line;
    line.SetLine(5, 2, 45, 2);
    line.SetEdge(15, -1.0);
    const std::vector<Case> cases = {
        {"plain",
         std::nullopt,
         nullptr,
         {},
         {"settings", "white", "cursor"},
         {"status", "edge", "noise", "level"}},
        // The bar's two sides are nearly as strong as each other.
        {"edges either way",
         Rule(CaliperKind::Edge),
         "ambiguous",
         {14, 24},
         {"edge", "edge_sigma", "edge_contrast", "noise", "ratio"},
         {"second", "width", "level"}},
        {"rising only",
         Rule(CaliperKind::Edge, EdgePolarity::Rising),
         "ok",
         {14},
         {"edge"},
         {"second"}},
        {"pair",
         Rule(CaliperKind::Pair),
         "ok",
         {14, 24},
         {"edge", "second", "second_sigma", "width"},
         {"level"}},
        {"threshold",
         Rule(CaliperKind::Threshold),
         "ambiguous",
         {14, 25},
         {"level", "edge"},
         {"second"}},
        {"nothing found",
         [] {
             CaliperRule rule = Rule(CaliperKind::Edge);
             rule.minContrast = 1000.0;
             return rule;
         }(),
         "not-found",
         {},
         {"noise"},
         {"edge", "edge_sigma"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const CaliperRule* rule = c.rule ? &*c.rule : nullptr;
        const LineProfile profile = MeasureLineProfile(picture.View(), line, 0, 0, {}, rule);
        ASSERT_EQ(profile.Count(), 41);
        const Parsed csv = Parse(BuildProfileCsv(profile, {false, 3, 2}), ',');
        EXPECT_EQ(csv.comments.at("image"), "3");
        EXPECT_EQ(csv.comments.at("line"), "2");
        EXPECT_EQ(csv.comments.at("white"), "255");
        EXPECT_EQ(csv.comments.at("cursor"), "15");
        for (const char* key : c.present) EXPECT_TRUE(csv.comments.count(key)) << key;
        for (const char* key : c.absent) EXPECT_FALSE(csv.comments.count(key)) << key;
        const std::vector<std::string> header =
            rule ? std::vector<std::string>{"sample", "x", "y", "value", "response", "candidate"}
                 : std::vector<std::string>{"sample", "x", "y", "value"};
        ASSERT_EQ(csv.rows.size(), 42u);
        EXPECT_EQ(csv.rows[0], header);
        std::vector<int> candidates;
        for (int i = 0; i < 41; ++i) {
            const std::vector<std::string>& row = csv.rows[static_cast<std::size_t>(i) + 1];
            ASSERT_EQ(row.size(), header.size());
            EXPECT_EQ(row[0], std::to_string(i));
            EXPECT_EQ(row[1], std::to_string(5 + i));
            EXPECT_EQ(row[2], "2");
            EXPECT_EQ(row[3], Real(Bar(5 + i, 2)));
            if (!rule) continue;
            EXPECT_EQ(row[4], Real(profile.response[static_cast<std::size_t>(i)]));
            if (!row[5].empty()) {
                EXPECT_EQ(row[5], std::to_string(candidates.size() + 1));
                candidates.push_back(i);
            }
        }
        EXPECT_EQ(candidates, c.candidateSamples);
        if (!rule) continue;
        EXPECT_EQ(csv.comments.at("status"), c.status);
        const CaliperResult& result = *profile.caliper;
        if (result.Found()) {
            EXPECT_EQ(csv.comments.at("edge"), Real(result.edge.pos));
        }
        if (result.second) {
            EXPECT_EQ(csv.comments.at("width"), Real(result.widthSamples));
        }
        if (profile.level) {
            EXPECT_EQ(csv.comments.at("level"), Real(*profile.level));
        }
    }
}

// The exact bytes of a short plain line, and of the same line in the semicolon form; the user's
// locale changes nothing.
TEST(ProfileCsv, ExactBytesInEveryLocale) {
    const Picture picture(8, 3, [](int x, int) { return 10 * x; });
    CScan line;
    line.SetLine(1, 1, 4, 1);
    line.SetEdge(2, 2.25);
    EdgeOptions smooth;
    smooth.smoothing = kSmoothMean;
    const CommaLocale comma;
    struct Bytes {
        bool semicolon;
        EdgeOptions options;
        const char* text;
    };
    const std::vector<Bytes> table = {
        {false,
         {},
         "# settings: minimum average width=1\r\n# white: 255\r\n# cursor: 2.25\r\n"
         "sample,x,y,value\r\n0,1,1,10\r\n1,2,1,20\r\n2,3,1,30\r\n3,4,1,40\r\n"},
        {true, smooth,
         "# settings: minimum average width=1 moving-average=3\r\n# white: 255\r\n"
         "# cursor: 2,25\r\nsample;x;y;value\r\n0;1;1;10\r\n1;2;1;20\r\n2;3;1;30\r\n3;4;1;40\r\n"},
    };
    for (const Bytes& b : table) {
        const LineProfile profile =
            MeasureLineProfile(picture.View(), line, 0, 0, b.options, nullptr);
        EXPECT_EQ(BuildProfileCsv(profile, {b.semicolon, 0, 0}), b.text);
    }
}
