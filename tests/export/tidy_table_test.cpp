// SPDX-License-Identifier: GPL-3.0-or-later
#include "export/tidy_table.h"

#include <gtest/gtest.h>
#include <iconv.h>

#include <cmath>
#include <random>
#include <string>
#include <vector>

#include "export/data_file.h"
#include "export/locale_guard.h"
#include "export/tidy_check.h"

namespace {

constexpr TidyOptions kSemicolon{TidyOptions::Delimiter::Semicolon};

// Images sharing three lines with cursors settled at (60, 60), (110, 60) and (110, 110), every
// one with the default calibration.
CDataProfile ThreePointProfile(const std::vector<std::string>& paths) {
    CDataProfile profile;
    for (const std::string& path : paths) profile.AddImage("title", path);
    for (int i = 0; i < profile.GetSize(); ++i) {
        CScanSeries& series = *profile.GetSeries(i);
        for (const CPoint p : {CPoint{60, 60}, CPoint{110, 60}, CPoint{110, 110}}) {
            series.AddLine(0, 0, 0, 300, 0);
            series.GetAt(0)->m_arLine.back()->m_ptCur = p;
            series.GetAt(0)->m_arLine.back()->m_bDetect = false;
        }
    }
    return profile;
}

TEST(TidyTable, RowsPerImageAndLineWithTheChosenColumns) {
    CDataProfile profile =
        ThreePointProfile({"/p/a.bmp", "/p/b.bmp", "/p/c.bmp", "/p/d.bmp", "/p/e.bmp"});
    profile.GetAxis(1)->m_xAxis.m_xValue = 0.0;  // cannot convert
    profile.GetArray(2, 0)->RemoveLine(1);       // lacks line 3: no length or area
    // Line 2 of image 4 waits for its detection; on image 5, whose file could not be read, so
    // does line 1, while line 2 was detected before.
    profile.GetLine(3, 0, 1)->m_bDetect = true;
    profile.GetLine(4, 0, 0)->m_bDetect = true;
    profile.GetLine(4, 0, 1)->m_dSubPos = 0.5;
    profile.MarkDetected(*profile.GetLine(4, 0, 1), {1, 3, {true, 3, kSmoothGaussian, 5}});
    profile.GetLine(0, 0, 2)->m_origin = CursorOrigin::Placed;  // moved by hand
    const UnreadableImages unreadable = {false, false, false, false, true};
    const std::string rows =
        "1,/p/a.bmp,1,60,60,50,50,0.5,0.5,1,0.125,kept,\r\n"
        "1,/p/a.bmp,2,110,60,100,50,1,0.5,1,0.125,kept,\r\n"
        "1,/p/a.bmp,3,110,110,100,0,1,0,1,0.125,hand-placed,\r\n"
        "2,/p/b.bmp,1,60,60,50,50,,,,,kept,\r\n"
        "2,/p/b.bmp,2,110,60,100,50,,,,,kept,\r\n"
        "2,/p/b.bmp,3,110,110,100,0,,,,,kept,\r\n"
        "3,/p/c.bmp,1,60,60,50,50,0.5,0.5,,,kept,\r\n"
        "3,/p/c.bmp,2,110,110,100,0,1,0,,,kept,\r\n"
        "3,/p/c.bmp,3,,,,,,,,,,\r\n"
        "4,/p/d.bmp,1,60,60,50,50,0.5,0.5,,,kept,\r\n"
        "4,/p/d.bmp,2,,,,,,,,,pending,\r\n"
        "4,/p/d.bmp,3,110,110,100,0,1,0,,,kept,\r\n"
        "5,/p/e.bmp,1,,,,,,,,,unreadable,\r\n"
        "5,/p/e.bmp,2,110,60,100,50,1,0.5,,,detected,steepest-rise red width=3 gaussian=5 sub-pixel\r\n"
        "5,/p/e.bmp,3,110,110,100,0,1,0,,,kept,\r\n";
    EXPECT_EQ(BuildTidyTable(profile, true, true, {}, unreadable),
              "image,path,line,x,y,dx,dy,value_x,value_y,length,area,status,found_with\r\n" + rows);
    // Without the switches the measure columns go, and nothing else changes.
    const std::string plain = *BuildTidyTable(profile, false, false, {}, unreadable);
    EXPECT_EQ(plain.substr(0, plain.find("\r\n")),
              "image,path,line,x,y,dx,dy,value_x,value_y,status,found_with");
    EXPECT_NE(plain.find("\r\n3,/p/c.bmp,3,,,,,,,,\r\n"), std::string::npos) << plain;
    EXPECT_NE(plain.find("\r\n5,/p/e.bmp,1,,,,,,,unreadable,\r\n"), std::string::npos) << plain;
    const std::string area = *BuildTidyTable(profile, false, true);
    EXPECT_NE(area.find("value_y,area,status,found_with\r\n1,/p/a.bmp,1,60,60,50,50,0.5,0.5,0.125,kept,\r\n"),
              std::string::npos);
    // Without the list of unreadable images a pending line is just that.
    EXPECT_NE(area.find("\r\n5,/p/e.bmp,1,,,,,,,,pending,\r\n"), std::string::npos) << area;

    EXPECT_EQ(BuildTidyTable(CDataProfile{}, true, true), std::nullopt);
    CDataProfile noLines = ThreePointProfile({"/p/a.bmp"});
    while (noLines.GetArray(0, 0)->GetSize() > 0) noLines.GetArray(0, 0)->RemoveLine(0);
    EXPECT_EQ(BuildTidyTable(noLines, true, true), std::nullopt);
}

TEST(TidyTable, AFrameColumnOnlyWhereTheListHoldsPagesOrFrames) {
    CDataProfile profile = ThreePointProfile({"/p/s.tif", "/p/a.bmp", "/p/v.mp4"});
    profile.GetSeries(0)->m_nFrame = 11;
    profile.GetSeries(2)->m_nFrame = 123456789012;  // past an int's digits
    struct Case {
        TidyOptions options;
        const char* header;
        const char* rows;  // the first row of each image
    };
    const Case cases[] = {
        {{}, "image,path,frame,line,x,y",
         "1,/p/s.tif,11,1,60,60,50,50,0.5,0.5,kept,|2,/p/a.bmp,,1,60,60,50,50,0.5,0.5,kept,|"
         "3,/p/v.mp4,123456789012,1,60,60,50,50,0.5,0.5,kept,"},
        {kSemicolon, "image;path;frame;line;x;y",
         "1;/p/s.tif;11;1;60;60;50;50;0,5;0,5;kept;|2;/p/a.bmp;;1;60;60;50;50;0,5;0,5;kept;|"
         "3;/p/v.mp4;123456789012;1;60;60;50;50;0,5;0,5;kept;"},
    };
    for (const Case& c : cases) {
        const std::string table = *BuildTidyTable(profile, false, false, c.options);
        EXPECT_EQ(table.rfind(c.header, 0), 0u) << table;
        std::string rows;
        for (std::size_t at = table.find("\r\n"); at + 2 < table.size();
             at = table.find("\r\n", at + 2)) {
            const std::string row = table.substr(at + 2, table.find("\r\n", at + 2) - at - 2);
            if (row.find("1,60") == std::string::npos && row.find("1;60") == std::string::npos) {
                continue;
            }
            rows += (rows.empty() ? "" : "|") + row;
        }
        EXPECT_EQ(rows, c.rows);
    }
    // Without a page or a frame in the list the table is as it always was.
    for (int i = 0; i < 3; ++i) profile.GetSeries(i)->m_nFrame = -1;
    EXPECT_EQ(BuildTidyTable(profile, false, false)->rfind("image,path,line,x", 0), 0u);
}

TEST(TidyTable, NumbersInShortestFormWithEitherDecimalSeparator) {
    CDataProfile profile = ThreePointProfile({"/p/a.bmp"});
    CDataAxis& axis = *profile.GetAxis(0);
    // X over 600 decades in 100 pixels: +inf past the X-axis point, and a length of inf - inf.
    axis.m_bLogX = true;
    axis.m_origin.m_xValue = 1e-300;
    axis.m_xAxis.m_xValue = 1e300;
    axis.m_yAxis.m_yValue = 0.1;
    profile.GetLine(0, 0, 0)->m_ptCur = {11, 110};
    profile.GetLine(0, 0, 1)->m_ptCur = {210, 109};
    profile.GetLine(0, 0, 2)->m_ptCur = {260, -7};
    const std::string comma = *BuildTidyTable(profile, true, true);
    const std::string semicolon = *BuildTidyTable(profile, true, true, kSemicolon);
    EXPECT_EQ(comma.substr(comma.find("\r\n") + 2),
              "1,/p/a.bmp,1,11,110,1,0,1e-294,0,nan,nan,kept,\r\n"
              "1,/p/a.bmp,2,210,109,200,1,inf,0.001,nan,nan,kept,\r\n"
              "1,/p/a.bmp,3,260,-7,250,117,inf,0.11699999999999999,nan,nan,kept,\r\n");
    EXPECT_EQ(semicolon,
              "image;path;line;x;y;dx;dy;value_x;value_y;length;area;status;found_with\r\n"
              "1;/p/a.bmp;1;11;110;1;0;1e-294;0;nan;nan;kept;\r\n"
              "1;/p/a.bmp;2;210;109;200;1;inf;0,001;nan;nan;kept;\r\n"
              "1;/p/a.bmp;3;260;-7;250;117;inf;0,11699999999999999;nan;nan;kept;\r\n");

    // Every digit a double needs, and the same bytes whatever the process locale.
    axis = CDataAxis{};
    axis.m_xAxis.m_xValue = 1.0 / 3.0;
    const std::string thirds = *BuildTidyTable(profile, true, true);
    EXPECT_NE(thirds.find(",1,0,0.003333333333333333,0,"), std::string::npos) << thirds;
    CommaLocale german;
    REQUIRE_COMMA_LOCALE(german);
    EXPECT_EQ(BuildTidyTable(profile, true, true), thirds);
    EXPECT_NE(BuildTidyTable(profile, true, true, kSemicolon)->find(";0,003333333333333333;"),
              std::string::npos);
}

// The path field of the table's one row.
std::string PathField(const std::string& path, const TidyOptions& options) {
    const std::string table = *BuildTidyTable(ThreePointProfile({path}), false, false, options);
    const std::size_t start = table.find("\r\n") + 4;  // the header, "1" and a delimiter
    const char d = options.delimiter == TidyOptions::Delimiter::Comma ? ',' : ';';
    const std::string tail = std::string(1, d) + "1" + d + "60" + d;
    return table.substr(start, table.find(tail, start) - start);
}

TEST(TidyTable, HostilePathsAreQuotedOrEscaped) {
    const struct {
        std::string path;
        std::string comma;      // the field with comma delimiters
        std::string semicolon;  // and with semicolons
    } cases[] = {
        {"", "", ""},
        {"/p/plain 100%.bmp", "/p/plain 100%.bmp", "/p/plain 100%.bmp"},
        {"/p/a,b.bmp", "\"/p/a,b.bmp\"", "/p/a,b.bmp"},
        {"/p/a;b.bmp", "/p/a;b.bmp", "\"/p/a;b.bmp\""},
        {"/p/say \"hi\".bmp", "\"/p/say \"\"hi\"\".bmp\"", "\"/p/say \"\"hi\"\".bmp\""},
        {"/p/two\nlines.bmp", "\"/p/two\nlines.bmp\"", "\"/p/two\nlines.bmp\""},
        {"/p/cr\r.bmp", "\"/p/cr\r.bmp\"", "\"/p/cr\r.bmp\""},
        {"/p/tab\t.bmp", "/p/tab\t.bmp", "/p/tab\t.bmp"},
        {"/p/\xE6\x97\xA5\xE6\x9C\xAC.bmp", "/p/\xE6\x97\xA5\xE6\x9C\xAC.bmp",
         "/p/\xE6\x97\xA5\xE6\x9C\xAC.bmp"},
        {"/p/\xF0\x9F\x98\x80", "/p/\xF0\x9F\x98\x80", "/p/\xF0\x9F\x98\x80"},
        // Not UTF-8: Latin-1, a stray continuation byte, an overlong slash, a surrogate, past
        // U+10FFFF, a sequence cut short; escaped whole, with their delimiters.
        {"/p/caf\xE9,;.bmp", "file:///p/caf%E9%2C%3B.bmp", "file:///p/caf%E9%2C%3B.bmp"},
        {"rel/\x80\"", "file:rel/%80%22", "file:rel/%80%22"},
        {"/p/\xC0\xAF", "file:///p/%C0%AF", "file:///p/%C0%AF"},
        {"/p/\xED\xA0\x80", "file:///p/%ED%A0%80", "file:///p/%ED%A0%80"},
        {"/p/\xF4\x90\x80\x80", "file:///p/%F4%90%80%80", "file:///p/%F4%90%80%80"},
        {"/p/\xE6\x97", "file:///p/%E6%97", "file:///p/%E6%97"},
        // A path that looks escaped is escaped too, or it would read back as another file.
        {"file:///p/caf%E9.bmp", "file:file%3A///p/caf%25E9.bmp", "file:file%3A///p/caf%25E9.bmp"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(PathField(c.path, {}), c.comma) << c.path;
        EXPECT_EQ(PathField(c.path, kSemicolon), c.semicolon) << c.path;
    }
}

// What a reader does with a path field: percent-decoding after "file://" or "file:".
std::string DecodePath(const std::string& field) {
    if (field.rfind("file:", 0) != 0) return field;
    const std::size_t start = field.rfind("file://", 0) == 0 ? 7 : 5;
    std::string path;
    for (std::size_t k = start; k < field.size(); ++k) {
        if (field[k] == '%' && k + 2 < field.size()) {
            path += static_cast<char>(std::stoi(field.substr(k + 1, 2), nullptr, 16));
            k += 2;
        } else {
            path += field[k];
        }
    }
    return path;
}

// iconv's own judgement, independent of the table's.
bool IsUtf8(std::string text) {
    iconv_t cd = iconv_open("UTF-32LE", "UTF-8");
    std::vector<char> wide(4 * text.size() + 4);
    char* in = text.data();
    char* out = wide.data();
    std::size_t inLeft = text.size();
    std::size_t outLeft = wide.size();
    const bool ok = iconv(cd, &in, &inLeft, &out, &outLeft) != static_cast<std::size_t>(-1);
    iconv_close(cd);
    return ok;
}

TEST(TidyTable, RandomPathsReadBackExactlyFromValidUtf8) {
    std::mt19937 random(4180);
    const char pieces[][6] = {"a",
                              "/",
                              ",",
                              ";",
                              "\"",
                              "\r",
                              "\n",
                              "%",
                              ":",
                              "file:",
                              "\xE9",
                              "\xC3\xA9",
                              "\xE6\x97\xA5",
                              "\xF0\x9F\x98\x80",
                              "\xED\xA0\x80",
                              "\x80",
                              "\xFF"};
    for (int t = 0; t < 2000; ++t) {
        std::string path;
        for (int n = static_cast<int>(random() % 8); n > 0; --n) {
            path += pieces[random() % std::size(pieces)];
        }
        for (const TidyOptions& options : {TidyOptions{}, kSemicolon}) {
            const char d = options.delimiter == TidyOptions::Delimiter::Comma ? ',' : ';';
            const std::string table =
                *BuildTidyTable(ThreePointProfile({path}), false, false, options);
            ASSERT_TRUE(IsUtf8(table)) << path;
            const std::vector<tidy_check::Row> rows = tidy_check::ParseCsv(table, d);
            ASSERT_EQ(rows.size(), 4u) << path;
            for (std::size_t r = 1; r < 4; ++r) ASSERT_EQ(DecodePath(rows[r][1]), path);
        }
    }
}

// Random records: lines, cursors far off the pictures or still pending, calibrations rotated and
// skewed, on log axes, with values that overflow or cannot be converted, records lacking lines
// or having more.
// A large profile has hundreds of lines and paths of kilobytes, more than one block of rows.
CDataProfile RandomProfile(std::mt19937& random, bool large) {
    const auto pick = [&](int n) { return static_cast<int>(random() % static_cast<unsigned>(n)); };
    const auto value = [&]() {
        switch (pick(6)) {
            case 0:
                return 0.0;
            case 1:
                return -std::ldexp(1.0 + pick(1000), pick(20));
            case 2:
                return std::pow(10.0, pick(600) - 300);
            default:
                return (pick(20001) - 10000) / static_cast<double>(1 + pick(999));
        }
    };
    CDataProfile profile;
    const int images = 1 + pick(6);
    const int lines = large ? 200 + pick(400) : 1 + pick(6);
    const std::string folder = large ? "/" + std::string(2000 + pick(2000), 'f') + "/" : "/p/";
    for (int i = 0; i < images; ++i) profile.AddImage("t", folder + std::to_string(pick(1000)));
    for (int i = 0; i < images; ++i) {
        CScanSeries& series = *profile.GetSeries(i);
        const int own = pick(5) == 0 ? pick(lines + 2) : lines;
        for (int n = 0; n < own; ++n) {
            series.AddLine(0, pick(400) - 50, pick(400) - 50, pick(400) - 50, pick(400) - 50);
            CScan& line = *series.GetLine(0, n);
            if (pick(3) == 0) {
                line.m_ptCur = {pick(2000001) - 1000000, pick(2000001) - 1000000};
            } else {
                line.SetPos(pick(line.m_nCount + 1));
            }
            line.m_bDetect = pick(8) == 0;
        }
        CDataAxis& axis = *profile.GetAxis(i);
        for (CData* point : {&axis.m_origin, &axis.m_xAxis, &axis.m_yAxis}) {
            *point = {value(), value(), pick(400) - 50, pick(400) - 50};
        }
        axis.m_bLogX = pick(3) == 0;
        axis.m_bLogY = pick(3) == 0;
        if (pick(4) == 0) axis = CDataAxis{};
        // What the profile never holds, and neither writer may trip over.
        if (pick(10) == 0) profile.m_arAxis[i].reset();
        if (own > 0 && pick(10) == 0) series.GetAt(0)->m_arLine[pick(own)].reset();
    }
    return profile;
}

TEST(TidyTable, EveryNumberIsTheDataFilesOnRandomRecords) {
    std::mt19937 random(20240612);
    std::size_t numbers = 0;
    for (int t = 0; t < 400; ++t) {
        const CDataProfile profile = RandomProfile(random, t % 40 == 0);
        const bool length = t % 2 == 0;
        const bool area = t % 4 < 2;
        const std::optional<std::string> dat = BuildDataFile(profile, length, area);
        UnreadableImages unreadable;
        for (int i = 0; i < profile.GetSize(); ++i) unreadable.push_back(random() % 2 == 0);
        if (!dat) {
            // Record 0 lost its lines: neither has anything to write.
            EXPECT_EQ(BuildTidyTable(profile, length, area), std::nullopt);
            continue;
        }
        for (const auto& [options, d, decimal] :
             {std::tuple{TidyOptions{}, ',', '.'}, std::tuple{kSemicolon, ';', ','}}) {
            const std::string table =
                *BuildTidyTable(profile, length, area, options, unreadable);
            ASSERT_EQ(tidy_check::Compare(table, d, decimal, *dat, numbers), "")
                << "profile " << t << "\n"
                << table << *dat;
            // The edge points themselves, which the data file gives only as offsets.
            const std::vector<tidy_check::Row> rows = tidy_check::ParseCsv(table, d);
            const int lines = profile.GetArray(0, 0)->GetSize();
            for (std::size_t r = 1; r < rows.size(); ++r) {
                const CScan* line = profile.GetLine(static_cast<int>(r - 1) / lines, 0,
                                                    static_cast<int>(r - 1) % lines);
                if (line == nullptr || line->m_bDetect) continue;
                EXPECT_EQ(rows[r][3], std::to_string(line->m_ptCur.x));
                EXPECT_EQ(rows[r][4], std::to_string(line->m_ptCur.y));
            }
        }
    }
    EXPECT_GT(numbers, 10000u);
}

}  // namespace

namespace {

TEST(TidyTable, TimeColumnOnlyWithTimesAndEmptyWhereAnEntryHasNone) {
    CDataProfile profile = ThreePointProfile({"/p/a.bmp", "/p/b.bmp", "/p/c.bmp"});
    while (profile.GetArray(0, 0)->GetSize() > 1) profile.RemoveLine(1);
    const TimeAxis times =
        MakeTimeAxis({{3.5, TimeSource::VideoTimestamp}, {}, {3.6, TimeSource::VideoTimestamp}});
    struct Case {
        const char* name;
        const TimeAxis* times;
        TidyOptions::Delimiter delimiter;
        std::string table;
    };
    const Case cases[] = {
        {"no times: the table of before", nullptr, TidyOptions::Delimiter::Comma,
         "image,path,line,x,y,dx,dy,value_x,value_y,status,found_with\r\n"
         "1,/p/a.bmp,1,60,60,50,50,0.5,0.5,kept,\r\n"
         "2,/p/b.bmp,1,60,60,50,50,0.5,0.5,kept,\r\n"
         "3,/p/c.bmp,1,60,60,50,50,0.5,0.5,kept,\r\n"},
        // 3.6 - 3.5 is not 0.1 in doubles: the difference is written as it is.
        {"times", &times, TidyOptions::Delimiter::Comma,
         "image,path,time,line,x,y,dx,dy,value_x,value_y,status,found_with\r\n"
         "1,/p/a.bmp,0,1,60,60,50,50,0.5,0.5,kept,\r\n"
         "2,/p/b.bmp,,1,60,60,50,50,0.5,0.5,kept,\r\n"
         "3,/p/c.bmp,0.10000000000000009,1,60,60,50,50,0.5,0.5,kept,\r\n"},
        {"times with decimal commas", &times, TidyOptions::Delimiter::Semicolon,
         "image;path;time;line;x;y;dx;dy;value_x;value_y;status;found_with\r\n"
         "1;/p/a.bmp;0;1;60;60;50;50;0,5;0,5;kept;\r\n"
         "2;/p/b.bmp;;1;60;60;50;50;0,5;0,5;kept;\r\n"
         "3;/p/c.bmp;0,10000000000000009;1;60;60;50;50;0,5;0,5;kept;\r\n"},
    };
    for (const Case& c : cases) {
        TidyOptions options{c.delimiter};
        options.times = c.times;
        EXPECT_EQ(BuildTidyTable(profile, false, false, options), c.table) << c.name;
    }
}

}  // namespace
