// SPDX-License-Identifier: GPL-3.0-or-later
#include "batch/batch_run.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QTemporaryDir>
#include <algorithm>
#include <string>
#include <vector>

#include "batch/disc_images.h"

namespace {

// Three lines from the disc centre: right, down, and up-left.
Session MakeSession() {
    Session s;
    s.edgeMode = 3;  // steepest rise: from the dark disc out into the light ground
    s.measureLength = true;
    s.measureArea = true;
    s.lines = {{60, 50, 115, 50}, {60, 50, 60, 98}, {60, 50, 20, 10}};
    return s;
}

class BatchRunTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(m_dir.isValid()); }

    // Adds a disc picture to the session and returns its path.
    std::string AddDisc(Session& s, const char* name, int radius) {
        const QString path = m_dir.filePath(QLatin1String(name));
        EXPECT_TRUE(SaveDisc(path, radius));
        s.images.push_back({path.toStdString(), std::nullopt, {}});
        return path.toStdString();
    }

    std::string AddFile(Session& s, const char* name, const QByteArray& bytes) {
        const QString path = m_dir.filePath(QLatin1String(name));
        QFile file(path);
        EXPECT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(bytes);
        s.images.push_back({path.toStdString(), std::nullopt, {}});
        return path.toStdString();
    }

    QTemporaryDir m_dir;
};

TEST_F(BatchRunTest, BuildsRecordsWithKeptCursorsAndOwnCalibrations) {
    Session s = MakeSession();
    s.axis.m_origin.m_xValue = 3.0;
    CDataAxis own;
    own.m_bLogY = true;
    s.images = {{"/x/a.bmp", std::nullopt, {}},
                {"/x/b.bmp",
                 own,
                 {SessionCursor::Pending(), SessionCursor::Kept(5000), SessionCursor::Kept(-3)}}};
    CDataProfile profile;
    BuildProfile(s, profile);

    ASSERT_EQ(profile.GetSize(), 2);
    EXPECT_EQ(profile.GetSeries(1)->m_strTitle, "b.bmp");
    EXPECT_EQ(profile.GetSeries(1)->m_strPath, "/x/b.bmp");
    EXPECT_EQ(*profile.GetAxis(0), s.axis);
    EXPECT_EQ(*profile.GetAxis(1), own);
    for (int i = 0; i < 2; ++i) {
        ASSERT_EQ(profile.GetArray(i, 0)->GetSize(), 3);
        EXPECT_EQ(profile.GetLine(i, 0, 2)->m_ptEnd, (CPoint{20, 10}));
    }
    // Given cursors are clamped onto the line and not detected; the others wait for detection.
    const CScan* kept = profile.GetLine(1, 0, 1);
    EXPECT_FALSE(kept->m_bDetect);
    EXPECT_EQ(kept->m_nPos, kept->m_nCount);
    EXPECT_EQ(kept->m_ptCur, (CPoint{60, 98}));
    EXPECT_FALSE(profile.GetLine(1, 0, 2)->m_bDetect);
    EXPECT_EQ(profile.GetLine(1, 0, 2)->m_nPos, 0);
    EXPECT_TRUE(profile.GetLine(1, 0, 0)->m_bDetect);
    EXPECT_TRUE(profile.GetLine(0, 0, 1)->m_bDetect);
}

TEST_F(BatchRunTest, EveryImageIsMeasuredOnItsOwnPictureWhateverTheThreads) {
    Session s = MakeSession();
    const int radii[] = {12, 30, 18, 25, 9, 33, 21, 15};
    for (int k = 0; k < 8; ++k) {
        AddDisc(s, (std::to_string(k) + (k % 3 == 0 ? ".jpg" : ".bmp")).c_str(), radii[k]);
    }
    s.images[5].cursors = {SessionCursor::Pending(), SessionCursor::Kept(7)};

    std::string reference;
    for (const int jobs : {1, 2, 3, 8, 0}) {
        CDataProfile profile;
        BuildProfile(s, profile);
        std::vector<int> seen;
        const BatchOutcome outcome = DetectImages(s, profile, jobs, [&](int done, int total) {
            EXPECT_EQ(total, 8);
            seen.push_back(done);
        });
        ASSERT_EQ(outcome.status, BatchStatus::Ok) << outcome.message;
        EXPECT_EQ(seen, (std::vector<int>{1, 2, 3, 4, 5, 6, 7, 8})) << "jobs " << jobs;
        for (int i = 0; i < 8; ++i) {
            EXPECT_EQ(profile.GetLine(i, 0, 0)->m_nPos, radii[i]) << "image " << i;
            EXPECT_FALSE(profile.GetLine(i, 0, 2)->m_bDetect);
        }
        EXPECT_EQ(profile.GetLine(5, 0, 1)->m_nPos, 7);  // kept, not detected

        std::string bytes;
        ASSERT_EQ(MeasureSession(s, jobs, {}, bytes).status, BatchStatus::Ok);
        if (reference.empty()) reference = bytes;
        EXPECT_EQ(bytes, reference) << "jobs " << jobs;
    }
    EXPECT_NE(reference.find("Area"), std::string::npos);

    // A caller that stops the run gets no bytes, and is told it was stopped, not that all went
    // well with nothing to write.
    for (const int jobs : {1, 3}) {
        std::string bytes = "old";
        int asked = 0;
        const BatchOutcome stopped =
            MeasureSession(s, jobs, {}, bytes, {}, [&asked] { return ++asked >= 1; });
        EXPECT_EQ(stopped.status, BatchStatus::Cancelled) << "jobs " << jobs;
        EXPECT_TRUE(bytes.empty());
        EXPECT_GE(asked, 1);
    }
}

TEST_F(BatchRunTest, ReportsTheFirstImageThatFails) {
    struct Case {
        std::vector<int> broken;  // indices: odd ones missing, even ones not pictures
        int first;
        const char* what;
    };
    const Case cases[] = {
        {{3}, 3, "cannot be opened"},     {{2}, 2, "cannot be decoded"},
        {{6, 1}, 1, "cannot be opened"},  {{8, 4}, 4, "cannot be decoded"},
        {{0, 9}, 0, "cannot be decoded"},
    };
    for (const Case& c : cases) {
        Session s = MakeSession();
        std::vector<std::string> paths;
        for (int k = 0; k < 10; ++k) {
            const bool broken = std::find(c.broken.begin(), c.broken.end(), k) != c.broken.end();
            const std::string name = "f" + std::to_string(k) + ".bmp";
            if (!broken) {
                paths.push_back(AddDisc(s, name.c_str(), 10 + k));
            } else if (k % 2 == 1) {
                paths.push_back(
                    m_dir.filePath(QString::fromStdString("gone_" + name)).toStdString());
                s.images.push_back({paths.back(), std::nullopt, {}});
            } else {
                paths.push_back(AddFile(s, name.c_str(), "BM but not a picture at all"));
            }
        }
        for (const int jobs : {1, 2, 4}) {
            std::string bytes = "left over";
            const BatchOutcome outcome = MeasureSession(s, jobs, {}, bytes);
            EXPECT_EQ(outcome.status, BatchStatus::ImageFailed);
            EXPECT_EQ(
                outcome.message.rfind(paths[static_cast<std::size_t>(c.first)] + ": " + c.what, 0),
                0u)
                << "jobs " << jobs << ": " << outcome.message;
            EXPECT_TRUE(bytes.empty());
        }
    }
}

TEST_F(BatchRunTest, WritesNothingWhenAnImageFails) {
    Session s = MakeSession();
    AddDisc(s, "a.bmp", 10);
    AddFile(s, "b.jpg", "");
    const QString out = m_dir.filePath(QStringLiteral("out.dat"));
    {
        QFile file(out);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write("old");
    }
    const auto read = [&out] {
        QFile file(out);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    };
    EXPECT_EQ(RunBatch(s, out.toStdString(), 2).status, BatchStatus::ImageFailed);
    EXPECT_EQ(read(), QByteArray("old"));

    s.images.pop_back();
    EXPECT_EQ(RunBatch(s, out.toStdString(), 2).status, BatchStatus::Ok);
    EXPECT_TRUE(read().startsWith("Pixcel Value\r\n"));
}

}  // namespace

namespace {

TEST(BatchRecords, WalkLinesAsTheSessionSays) {
    for (const bool whole : {false, true}) {
        Session s;
        s.lines = {{0, 5, 2999, 5}};
        s.edge.wholeLine = whole;
        s.images = {{"/x/a.bmp", std::nullopt, {SessionCursor::Kept(2500)}}};
        CDataProfile profile;
        BuildProfile(s, profile);
        EXPECT_EQ(profile.m_nMaxSteps, whole ? kMaxWholeScanSteps : kMaxScanSteps);
        EXPECT_EQ(profile.GetLine(0, 0, 0)->m_nCount, whole ? 2999 : 1023);
        EXPECT_EQ(profile.GetLine(0, 0, 0)->m_nPos, whole ? 2500 : 1023);
    }
}

}  // namespace
