// SPDX-License-Identifier: GPL-3.0-or-later
#include "export/data_file.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "export/locale_guard.h"
#include "model/data_profile.h"

namespace {

struct Line {
    int x1, y1, x2, y2;
};

// A profile of `images` records sharing `lines`, every record with the default calibration and
// every cursor settled (no detection pending).
CDataProfile MakeProfile(int images, const std::vector<Line>& lines) {
    CDataProfile profile;
    for (int i = 0; i < images; ++i) {
        profile.AddImage("img" + std::to_string(i), "/pictures/img" + std::to_string(i));
    }
    for (int i = 0; i < images; ++i) {
        for (const Line& l : lines) {
            profile.GetSeries(i)->AddLine(0, l.x1, l.y1, l.x2, l.y2);
            profile.GetSeries(i)->GetAt(0)->m_arLine.back()->m_bDetect = false;
        }
    }
    return profile;
}

void SetCursor(CDataProfile& profile, int image, int line, CPoint p) {
    profile.GetLine(image, 0, line)->m_ptCur = p;
}

void MakeInvalid(CDataProfile& profile, int image) {
    // Equal x values at the origin and the X-axis point: nothing can be converted.
    profile.GetAxis(image)->m_xAxis.m_xValue = profile.GetAxis(image)->m_origin.m_xValue;
}

// Two images, three lines, cursors at (60, 60), (110, 60) and (110, 110); image 2 has an
// invalid calibration.
CDataProfile TwoImageExample() {
    CDataProfile profile =
        MakeProfile(2, {{10, 60, 200, 60}, {10, 60, 200, 60}, {110, 10, 110, 200}});
    for (int i = 0; i < 2; ++i) {
        // Cursors placed the way the arrow keys and edge detection place them.
        profile.GetLine(i, 0, 0)->SetPos(50);
        profile.GetLine(i, 0, 1)->SetPos(100);
        profile.GetLine(i, 0, 2)->SetPos(100);
    }
    MakeInvalid(profile, 1);
    return profile;
}

const std::string kExamplePixelsAndValues =
    "Pixcel Value\r\n"
    "File No.\tPt1_x\tPt1_y\tPt2_x\tPt2_y\tPt3_x\tPt3_y\r\n"
    "1\t        50\t        50\t       100\t        50\t       100\t         0\r\n"
    "2\t        50\t        50\t       100\t        50\t       100\t         0\r\n"
    "\r\n"
    "Converted Value\r\n"
    "File No.\tPt1_x\tPt1_y\tPt2_x\tPt2_y\tPt3_x\tPt3_y\r\n"
    "1\t 5.000000e-001\t 5.000000e-001\t 1.000000e+000\t 5.000000e-001\t 1.000000e+000\t "
    "0.000000e+000\r\n"
    "\r\n"
    "Axis setting is not appropriate. Data can't be converted.\r\n";
const std::string kExampleLength =
    "\r\n"
    "Line Length\r\n"
    "1 1.000000e+000\t\r\n"
    "\t\r\n";
const std::string kExampleArea =
    "\r\n"
    "Area\r\n"
    "1 1.250000e-001\t\r\n"
    "\t\r\n";

const std::string kOneLineFile =
    "Pixcel Value\r\n"
    "File No.\tPt1_x\tPt1_y\r\n"
    "1\t         0\t         0\r\n"
    "\r\n"
    "Converted Value\r\n"
    "File No.\tPt1_x\tPt1_y\r\n"
    "1\t 0.000000e+000\t 0.000000e+000\r\n"
    "\r\n"
    "Line Length\r\n"
    "1\t\r\n"
    "\r\n"
    "Area\r\n"
    "1\t\r\n";

CDataProfile OneLineOnOrigin() {
    // Cursor index 0 is the line's start, the origin pixel of the default calibration.
    return MakeProfile(1, {{10, 110, 200, 110}});
}

TEST(DataFile, TwoImageExampleByteForByte) {
    EXPECT_EQ(BuildDataFile(TwoImageExample(), true, true),
              kExamplePixelsAndValues + kExampleLength + kExampleArea);
}

TEST(DataFile, OneLineOnTheOriginByteForByte) {
    EXPECT_EQ(BuildDataFile(OneLineOnOrigin(), true, true), kOneLineFile);
}

TEST(DataFile, SameBytesUnderCommaDecimalLocale) {
    const CDataProfile example = TwoImageExample();
    const CDataProfile oneLine = OneLineOnOrigin();
    CommaLocale comma;
    REQUIRE_COMMA_LOCALE(comma);
    EXPECT_EQ(BuildDataFile(example, true, true),
              kExamplePixelsAndValues + kExampleLength + kExampleArea);
    EXPECT_EQ(BuildDataFile(oneLine, true, true), kOneLineFile);
}

TEST(DataFile, SwitchesChooseTheTrailingSections) {
    const CDataProfile profile = TwoImageExample();
    const struct {
        bool length, area;
        std::string expected;
    } cases[] = {
        {false, false, kExamplePixelsAndValues},
        {true, false, kExamplePixelsAndValues + kExampleLength},
        {false, true, kExamplePixelsAndValues + kExampleArea},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(BuildDataFile(profile, c.length, c.area), c.expected)
            << "length " << c.length << " area " << c.area;
    }
}

TEST(DataFile, NothingToWrite) {
    EXPECT_EQ(BuildDataFile(CDataProfile{}, true, true), std::nullopt);
    // Record 0 decides: its lines were all removed.
    CDataProfile profile = MakeProfile(2, {{10, 60, 200, 60}});
    profile.GetArray(0, 0)->RemoveLine(0);
    EXPECT_EQ(BuildDataFile(profile, true, true), std::nullopt);
}

TEST(DataFile, InvalidMiddleImageAndTwoLines) {
    // Two lines: a length but no area. Image 3 is calibrated differently (x doubled) and its
    // pixel values are taken from its own origin.
    CDataProfile profile = MakeProfile(3, {{10, 60, 200, 60}, {10, 110, 200, 110}});
    for (int i = 0; i < 3; ++i) {
        SetCursor(profile, i, 0, {60, 60});
        SetCursor(profile, i, 1, {40, 20});
    }
    MakeInvalid(profile, 1);
    CDataAxis& third = *profile.GetAxis(2);
    third.m_xAxis.m_xValue = 2.0;
    third.m_origin.m_xPixel = 20;
    third.m_xAxis.m_xPixel = 120;
    third.m_yAxis.m_xPixel = 20;

    const std::string expected =
        "Pixcel Value\r\n"
        "File No.\tPt1_x\tPt1_y\tPt2_x\tPt2_y\r\n"
        "1\t        50\t        50\t        30\t        90\r\n"
        "2\t        50\t        50\t        30\t        90\r\n"
        "3\t        40\t        50\t        20\t        90\r\n"
        "\r\n"
        "Converted Value\r\n"
        "File No.\tPt1_x\tPt1_y\tPt2_x\tPt2_y\r\n"
        "1\t 5.000000e-001\t 5.000000e-001\t 3.000000e-001\t 9.000000e-001\r\n"
        "\r\n"
        "Axis setting is not appropriate. Data can't be converted.\r\n"
        "3\t 8.000000e-001\t 5.000000e-001\t 4.000000e-001\t 9.000000e-001\r\n"
        "\r\n"
        "Line Length\r\n"
        "1 4.472136e-001\t\r\n"
        "\t\r\n"
        "3 5.656854e-001\t\r\n"
        "\r\n"
        "Area\r\n"
        "1\t\r\n"
        "\t\r\n"
        "3\t\r\n";
    EXPECT_EQ(BuildDataFile(profile, true, true), expected);
}

TEST(DataFile, PixelValuesAreSignedAndCountUpwards) {
    CDataProfile profile = MakeProfile(1, {{0, 0, 300, 0}, {0, 0, 300, 0}, {0, 0, 300, 0}});
    SetCursor(profile, 0, 0, {7, 114});   // 3 left of and 4 below the origin (10, 110)
    SetCursor(profile, 0, 1, {10, 10});   // above the origin: positive
    SetCursor(profile, 0, 2, {-5, -20});  // off the picture
    const std::string file = *BuildDataFile(profile, false, false);
    EXPECT_NE(file.find("1\t        -3\t        -4\t         0\t       100\t       -15\t"
                        "       130\r\n"),
              std::string::npos)
        << file;
}

TEST(DataFile, AreaIgnoresDrawingDirection) {
    // A unit square in converted units (100 pixels), walked both ways round.
    const std::vector<CPoint> square = {{10, 110}, {110, 110}, {110, 10}, {10, 10}};
    for (bool reversed : {false, true}) {
        CDataProfile profile = MakeProfile(1, std::vector<Line>(4, {0, 0, 300, 0}));
        for (int k = 0; k < 4; ++k) SetCursor(profile, 0, k, square[reversed ? 3 - k : k]);
        const std::string file = *BuildDataFile(profile, true, true);
        const std::string tail =
            "Line Length\r\n1 3.000000e+000\t\r\n\r\nArea\r\n1 1.000000e+000\t\r\n";
        EXPECT_EQ(file.substr(file.size() - tail.size()), tail) << reversed;
    }
}

TEST(DataFile, LogAxisOverflowReadsAsCWritesIt) {
    // X from 1e-300 at the origin to 1e300 at the X-axis point: 600 decades in 100 pixels.
    // Two points past the X-axis point overflow to inf; the length between two infinite points
    // is not a number.
    CDataProfile profile = MakeProfile(1, std::vector<Line>(3, {0, 0, 300, 0}));
    CDataAxis& axis = *profile.GetAxis(0);
    axis.m_bLogX = true;
    axis.m_origin.m_xValue = 1e-300;
    axis.m_xAxis.m_xValue = 1e300;
    SetCursor(profile, 0, 0, {210, 110});
    SetCursor(profile, 0, 1, {260, 110});
    SetCursor(profile, 0, 2, {-90, 110});  // 600 decades below the origin: underflows to 0
    const std::string file = *BuildDataFile(profile, true, true);
    EXPECT_NE(file.find("1\t       inf\t 0.000000e+000\t       inf\t 0.000000e+000\t "
                        "0.000000e+000\t 0.000000e+000\r\n"),
              std::string::npos)
        << file;
    EXPECT_NE(file.find("Line Length\r\n1       nan\t\r\n"), std::string::npos) << file;
    EXPECT_NE(file.find("Area\r\n1       nan\t\r\n"), std::string::npos) << file;
}

TEST(DataFile, CalibrationsThatCannotConvertGetTheNotice) {
    // Each would have converted every point to the same made-up number: a span too wide for a
    // double to -inf, nan and inf although the true values are finite, a logarithmic axis
    // point at 0 to 0, a logarithmic origin at 0 to nan.
    const struct {
        const char* what;
        double origin, axis;
        bool log;
    } cases[] = {
        {"span beyond a double", -1e308, 1e308, false},
        {"log axis point at 0", 1, 0, true},
        {"log origin at 0", 0, 1, true},
    };
    for (const auto& c : cases) {
        CDataProfile profile = MakeProfile(1, std::vector<Line>(3, {0, 0, 300, 0}));
        CDataAxis& axis = *profile.GetAxis(0);
        axis.m_origin.m_xValue = c.origin;
        axis.m_xAxis.m_xValue = c.axis;
        axis.m_bLogX = c.log;
        SetCursor(profile, 0, 0, {0, 110});
        SetCursor(profile, 0, 1, {10, 110});
        SetCursor(profile, 0, 2, {20, 110});
        const std::string file = *BuildDataFile(profile, true, true);
        const std::string converted =
            "Converted Value\r\n"
            "File No.\tPt1_x\tPt1_y\tPt2_x\tPt2_y\tPt3_x\tPt3_y\r\n"
            "\r\n"
            "Axis setting is not appropriate. Data can't be converted.\r\n"
            "\r\n"
            "Line Length\r\n"
            "\t\r\n"
            "\r\n"
            "Area\r\n"
            "\t\r\n";
        EXPECT_EQ(file.substr(file.find("Converted Value")), converted) << c.what;
    }
}

TEST(DataFile, MissingAndPendingLinesReadNoData) {
    CDataProfile profile =
        MakeProfile(3, {{10, 60, 200, 60}, {10, 60, 200, 60}, {110, 10, 110, 200}});
    for (int i = 0; i < 3; ++i) {
        SetCursor(profile, i, 0, {60, 60});
        SetCursor(profile, i, 1, {110, 60});
        SetCursor(profile, i, 2, {110, 110});
    }
    profile.GetArray(1, 0)->RemoveLine(1);  // record 2 loses its middle line
    // Record 3's last line waits for a detection (its image could not be read): its cursor is
    // no edge point, and the figure of the other two is not the image's.
    profile.GetLine(2, 0, 2)->m_bDetect = true;
    const std::string expected =
        "Pixcel Value\r\n"
        "File No.\tPt1_x\tPt1_y\tPt2_x\tPt2_y\tPt3_x\tPt3_y\r\n"
        "1\t        50\t        50\t       100\t        50\t       100\t         0\r\n"
        "2\t        50\t        50\t       100\t         0\tNo Data\tNo Data\r\n"
        "3\t        50\t        50\t       100\t        50\tNo Data\tNo Data\r\n"
        "\r\n"
        "Converted Value\r\n"
        "File No.\tPt1_x\tPt1_y\tPt2_x\tPt2_y\tPt3_x\tPt3_y\r\n"
        "1\t 5.000000e-001\t 5.000000e-001\t 1.000000e+000\t 5.000000e-001\t 1.000000e+000\t "
        "0.000000e+000\r\n"
        "2\t 5.000000e-001\t 5.000000e-001\t 1.000000e+000\t 0.000000e+000\tNo Data\tNo Data\r\n"
        "3\t 5.000000e-001\t 5.000000e-001\t 1.000000e+000\t 5.000000e-001\tNo Data\tNo Data\r\n"
        "\r\n"
        "Line Length\r\n"
        "1 1.000000e+000\t\r\n"
        "2\t\r\n"
        "3\t\r\n"
        "\r\n"
        "Area\r\n"
        "1 1.250000e-001\t\r\n"
        "2\t\r\n"
        "3\t\r\n";
    EXPECT_EQ(BuildDataFile(profile, true, true), expected);
}

TEST(DataFile, LineCountComesFromTheFirstRecord) {
    CDataProfile profile = MakeProfile(2, {{10, 60, 200, 60}, {10, 60, 200, 60}});
    profile.GetArray(0, 0)->RemoveLine(1);
    const std::string file = *BuildDataFile(profile, false, false);
    // Record 2's second line has no column to go in.
    EXPECT_NE(file.find("File No.\tPt1_x\tPt1_y\r\n1\t         0\t        50\r\n"
                        "2\t         0\t        50\r\n"),
              std::string::npos)
        << file;
}

}  // namespace
