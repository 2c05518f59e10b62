// SPDX-License-Identifier: GPL-3.0-or-later
#include "model/data_profile.h"

#include <gtest/gtest.h>

namespace {

// Three lines on record 0 with cursors at 10, 20 and 30, and a calibration of its own.
CDataProfile MakeProfileWithLines() {
    CDataProfile profile;
    profile.AddImage("a.bmp", "/x/a.bmp");
    for (int k = 0; k < 3; ++k) profile.GetSeries(0)->AddLine(0, 0, 10 * k, 100, 10 * k);
    for (int k = 0; k < 3; ++k) {
        CScan* line = profile.GetLine(0, 0, k);
        line->SetPos(10 * (k + 1));
        line->m_bDetect = false;
    }
    profile.GetAxis(0)->m_origin.m_xValue = 5.0;
    return profile;
}

TEST(ScanSets, LookupsOutOfRangeAreEmpty) {
    CScanSeries series;
    ASSERT_EQ(series.m_arArray.size(), 1u);
    EXPECT_EQ(series.GetLine(0, 0), nullptr);
    EXPECT_EQ(series.GetCurPoint(0, 0), (CPoint{0, 0}));
    series.AddLine(0, 1, 2, 30, 2);
    EXPECT_NE(series.GetLine(0, 0), nullptr);
    EXPECT_EQ(series.GetLine(1, 0), nullptr);  // there is never a second line set
    EXPECT_EQ(series.GetLine(-1, 0), nullptr);
    EXPECT_EQ(series.GetCurPoint(0, 1), (CPoint{0, 0}));
    EXPECT_FALSE(series.ReshapeLine(1, 0, 0, 5, 5));
    EXPECT_FALSE(series.ReshapeLine(-1, 0, 0, 5, 5));
}

TEST(ScanSets, RemoveLineShiftsLaterLinesAndIgnoresBadIndices) {
    CScanArray set;
    for (int k = 0; k < 3; ++k) set.AddLine(0, k, 50, k);
    set.GetAt(2)->SetPos(7);
    for (int bad : {-1, 3}) {
        set.RemoveLine(bad);
        EXPECT_EQ(set.GetSize(), 3);
    }
    set.RemoveLine(1);
    ASSERT_EQ(set.GetSize(), 2);
    EXPECT_EQ(set.GetAt(1)->m_ptStart, (CPoint{0, 2}));
    EXPECT_EQ(set.GetAt(1)->m_nPos, 7);
}

TEST(Records, NewRecordInheritsRecordZerosLinesAndCalibration) {
    CDataProfile empty;
    empty.AddImage("first.bmp", "/x/first.bmp");
    EXPECT_EQ(empty.GetArray(0, 0)->GetSize(), 0);
    EXPECT_EQ(*empty.GetAxis(0), CDataAxis());

    CDataProfile profile = MakeProfileWithLines();
    profile.AddImage("b.bmp", "/x/b.bmp");
    profile.GetAxis(1)->m_origin.m_xValue = 7.0;  // record 1 differs; record 0 is the model
    profile.AddImage("c.bmp", "/x/c.bmp");
    ASSERT_EQ(profile.GetSize(), 3);
    EXPECT_EQ(profile.m_arAxis.size(), 3u);
    EXPECT_EQ(*profile.GetAxis(2), *profile.GetAxis(0));
    for (int k = 0; k < 3; ++k) {
        const CScan* copy = profile.GetLine(2, 0, k);
        ASSERT_NE(copy, nullptr);
        EXPECT_EQ(copy->m_ptStart, profile.GetLine(0, 0, k)->m_ptStart);
        EXPECT_EQ(copy->m_ptEnd, profile.GetLine(0, 0, k)->m_ptEnd);
        EXPECT_EQ(copy->m_nPos, 0);
        EXPECT_TRUE(copy->m_bDetect);
    }
}

TEST(Records, MoveImageKeepsEveryRecordWhole) {
    CDataProfile profile = MakeProfileWithLines();
    profile.AddImage("b.bmp", "/x/b.bmp");
    profile.GetLine(1, 0, 0)->SetPos(42);  // placed by hand: must survive the move
    profile.GetLine(1, 0, 0)->m_bDetect = false;
    profile.GetAxis(1)->m_bLogX = true;

    struct Bad {
        int i, dir;
    };
    for (const Bad& bad : {Bad{0, -1}, Bad{1, 1}, Bad{0, 0}, Bad{0, 2}, Bad{5, -1}}) {
        EXPECT_FALSE(profile.MoveImage(bad.i, bad.dir));
        EXPECT_EQ(profile.GetSeries(0)->m_strTitle, "a.bmp");
    }

    ASSERT_TRUE(profile.MoveImage(1, -1));
    EXPECT_EQ(profile.GetSeries(0)->m_strTitle, "b.bmp");
    EXPECT_EQ(profile.GetSeries(1)->m_strTitle, "a.bmp");
    EXPECT_TRUE(profile.GetAxis(0)->m_bLogX);
    EXPECT_EQ(profile.GetAxis(1)->m_origin.m_xValue, 5.0);
    EXPECT_EQ(profile.GetLine(0, 0, 0)->m_nPos, 42);
    EXPECT_FALSE(profile.GetLine(0, 0, 0)->m_bDetect);
    EXPECT_TRUE(profile.GetLine(0, 0, 1)->m_bDetect);  // never detected, still pending
    for (int k = 0; k < 3; ++k) {
        EXPECT_EQ(profile.GetLine(1, 0, k)->m_nPos, 10 * (k + 1));
        EXPECT_FALSE(profile.GetLine(1, 0, k)->m_bDetect);
    }
}

TEST(Records, LineOperationsActOnEveryRecord) {
    CDataProfile profile = MakeProfileWithLines();
    profile.AddImage("b.bmp", "/x/b.bmp");
    profile.GetLine(1, 0, 2)->SetPos(80);

    EXPECT_FALSE(profile.ReshapeLine(3, 0, 0, 9, 9));
    EXPECT_FALSE(profile.ReshapeLine(-1, 0, 0, 9, 9));
    EXPECT_EQ(profile.GetLine(0, 0, 2)->m_ptEnd, (CPoint{100, 20}));

    ASSERT_TRUE(profile.ReshapeLine(2, 0, 20, 50, 20));
    EXPECT_EQ(profile.GetLine(0, 0, 2)->m_nPos, 30);
    EXPECT_EQ(profile.GetLine(1, 0, 2)->m_nPos, 50);  // clamped to the shorter line
    EXPECT_EQ(profile.GetCurPoint(1, 0, 2), (CPoint{50, 20}));

    profile.RemoveLine(7);
    EXPECT_EQ(profile.GetArray(1, 0)->GetSize(), 3);
    profile.RemoveLine(0);
    EXPECT_EQ(profile.GetArray(0, 0)->GetSize(), 2);
    EXPECT_EQ(profile.GetArray(1, 0)->GetSize(), 2);

    profile.RemoveImage(2);
    EXPECT_EQ(profile.GetSize(), 2);
    profile.RemoveImage(0);
    EXPECT_EQ(profile.GetSize(), 1);
    EXPECT_EQ(profile.m_arAxis.size(), 1u);
    EXPECT_EQ(profile.GetSeries(0)->m_strTitle, "b.bmp");
    profile.RemoveAll();
    EXPECT_EQ(profile.GetSize(), 0);
    EXPECT_TRUE(profile.m_arAxis.empty());
}

TEST(Records, LookupsOfMissingRecordsAreEmpty) {
    CDataProfile profile = MakeProfileWithLines();
    EXPECT_EQ(profile.GetSeries(1), nullptr);
    EXPECT_EQ(profile.GetAxis(-1), nullptr);
    EXPECT_EQ(profile.GetArray(0, 1), nullptr);
    EXPECT_EQ(profile.GetLine(0, 0, 3), nullptr);
    EXPECT_EQ(profile.GetCurPoint(2, 0, 0), (CPoint{0, 0}));
    EXPECT_FALSE(profile.IsAxisValid(1));
    EXPECT_FALSE(profile.IsAxisValid(-1));
    EXPECT_EQ(profile.GetValueX(1, 0, 0), 0.0);
}

TEST(Records, ValuesConvertTheCursorUnderTheRecordsOwnCalibration) {
    CDataProfile profile;
    profile.AddImage("a.bmp", "/x/a.bmp");
    profile.GetSeries(0)->AddLine(0, 10, 60, 200, 60);
    profile.GetLine(0, 0, 0)->SetPos(50);  // pixel (60, 60)
    EXPECT_DOUBLE_EQ(profile.GetValueX(0, 0, 0), 0.5);
    EXPECT_DOUBLE_EQ(profile.GetValueY(0, 0, 0), 0.5);
    profile.GetAxis(0)->m_xAxis.m_xValue = 0.0;  // zero span: cannot convert
    EXPECT_FALSE(profile.IsAxisValid(0));
    EXPECT_EQ(profile.GetValueX(0, 0, 0), 0.0);
    EXPECT_EQ(profile.GetValueY(0, 0, 0), 0.0);
}

}  // namespace
