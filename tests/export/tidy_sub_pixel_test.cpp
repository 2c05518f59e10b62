// SPDX-License-Identifier: GPL-3.0-or-later
// The tidy table's sub-pixel columns: present only with the option, and agreeing with the
// integer columns where the edge falls on a whole sample.
#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "export/tidy_table.h"

namespace {

std::vector<std::string> Fields(const std::string& row) {
    std::vector<std::string> fields;
    std::stringstream in(row);
    for (std::string field; std::getline(in, field, ',');) fields.push_back(field);
    if (!row.empty() && row.back() == ',') fields.emplace_back();
    return fields;
}

std::vector<std::string> Rows(const std::string& table) {
    std::vector<std::string> rows;
    for (std::size_t at = 0, end; (end = table.find("\r\n", at)) != std::string::npos; at = end + 2) {
        rows.push_back(table.substr(at, end - at));
    }
    return rows;
}

TEST(TidySubPixel, ColumnsOnlyWithTheOptionAndConsistentWithTheIntegerOnes) {
    CDataProfile profile;
    profile.AddImage("a", "/p/a.bmp");
    CScanSeries& series = *profile.GetSeries(0);
    series.AddLine(0, 50, 60, 150, 60);   // horizontal: x grows with the position
    series.AddLine(0, 40, 10, 40, 210);   // vertical
    series.AddLine(0, 70, 70, 90, 90);    // placed by hand: no sub-pixel edge
    CScanArray& lines = *profile.GetArray(0, 0);
    lines.GetAt(0)->SetEdge(12, 12.25);
    lines.GetAt(1)->SetEdge(30, 30.0);
    lines.GetAt(2)->SetPos(5);
    lines.GetAt(2)->m_origin = CursorOrigin::Placed;
    for (const auto& line : lines.m_arLine) line->m_bDetect = false;
    const DetectionSettings found{0, 3, {true, 1, kSmoothNone, 3}, {}};
    profile.MarkDetected(*lines.GetAt(0), found);
    profile.MarkDetected(*lines.GetAt(1), found);

    const std::string plain = *BuildTidyTable(profile, false, false);
    const std::string table = *BuildTidyTable(profile, false, false, WithSubPixel({}, true));
    const std::vector<std::string> rows = Rows(table);
    ASSERT_EQ(rows.size(), 4u) << table;
    EXPECT_EQ(rows[0], "image,path,line,x,y,dx,dy,value_x,value_y,position,x_sub,y_sub,"
                       "value_x_sub,value_y_sub,status,found_with");
    struct Expect {
        std::string position, x, y, status;
    };
    const Expect expect[] = {{"12.25", "62.25", "60", "detected"},
                             {"30", "40", "40", "detected"},
                             {"", "", "", "hand-placed"}};
    const std::vector<std::string> plainRows = Rows(plain);
    for (std::size_t j = 0; j < 3; ++j) {
        const std::vector<std::string> f = Fields(rows[j + 1]);
        ASSERT_EQ(f.size(), 16u) << rows[j + 1];
        // The first nine fields are the plain table's, byte for byte, and so is the status.
        const std::vector<std::string> p = Fields(plainRows[j + 1]);
        EXPECT_EQ(std::vector(f.begin(), f.begin() + 9), std::vector(p.begin(), p.begin() + 9));
        EXPECT_EQ(f[14], p[9]);
        EXPECT_EQ(f[9], expect[j].position);
        EXPECT_EQ(f[10], expect[j].x);
        EXPECT_EQ(f[11], expect[j].y);
        EXPECT_EQ(f[14], expect[j].status);
        EXPECT_EQ(f[15], j < 2 ? "steepest-rise average width=1 sub-pixel" : "");
    }
    // On a whole sample the converted point is the integer one's.
    const std::vector<std::string> whole = Fields(rows[2]);
    EXPECT_EQ(whole[12], whole[7]);
    EXPECT_EQ(whole[13], whole[8]);
    EXPECT_NE(Fields(rows[1])[12], Fields(rows[1])[7]);
}

}  // namespace
