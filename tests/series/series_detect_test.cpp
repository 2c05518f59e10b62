// The parallel detection measures copies and writes the results back afterwards; whatever
// happened to the list meanwhile, a result lands only on the line it was measured on.
#include "series/series_detect.h"

#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>

#include "document/doc_fakes.h"
#include "support/ordinary_user.h"

namespace {

TEST(SeriesDetect, ResultsFollowTheirRecordsAndLinesNotTheirPlaces) {
    ImageFiles files;
    CDataProfile profile;
    for (int k = 0; k < 4; ++k) {
        const std::string name = "p" + std::to_string(k) + ".bmp";
        profile.AddImage(name, files.Make(QString::fromStdString(name), 20 + 10 * k).toStdString());
    }
    profile.GetSeries(0)->AddLine(0, 5, 40, 110, 40);
    for (int i = 1; i < profile.GetSize(); ++i) profile.GetSeries(i)->AddLine(0, 5, 40, 110, 40);
    profile.GetSeries(0)->AddLine(0, 5, 60, 110, 60);
    for (int i = 1; i < profile.GetSize(); ++i) profile.GetSeries(i)->AddLine(0, 5, 60, 110, 60);

    const CScanSeries* first = profile.GetSeries(0);
    const CScanSeries* third = profile.GetSeries(2);
    bool changed = false;
    DetectSettings settings;
    settings.jobs = 2;
    const DetectReport report =
        DetectPendingRecords(profile, {0, 1, 2, 3}, settings, [&](int, int) {
            if (!changed) {
                changed = true;
                profile.MoveImage(0, 1);  // p0 and p1 trade places
                profile.RemoveImage(3);
                profile.GetSeries(2)->GetAt(0)->GetAt(1)->ReshapeLine(5, 61, 110, 61);  // on p2
                CScan* placed = profile.GetLine(1, 0, 1);  // p0 now: the user keeps it there
                placed->SetPos(7);
                placed->m_bDetect = false;
            }
            return true;
        });
    ASSERT_TRUE(changed);
    EXPECT_FALSE(report.cancelled);
    EXPECT_TRUE(report.failures.empty());
    ASSERT_EQ(profile.GetSize(), 3);
    ASSERT_EQ(profile.GetSeries(1), first);
    ASSERT_EQ(profile.GetSeries(2), third);
    // Each bar where its own picture has it, at column 20 + 10 k.
    EXPECT_EQ(profile.GetCurPoint(0, 0, 0), (CPoint{30, 40}));
    EXPECT_EQ(profile.GetCurPoint(1, 0, 0), (CPoint{20, 40}));
    EXPECT_EQ(profile.GetCurPoint(2, 0, 0), (CPoint{40, 40}));
    // The line reshaped while it was measured keeps waiting for a detection of its new shape.
    EXPECT_TRUE(profile.GetLine(2, 0, 1)->m_bDetect);
    EXPECT_FALSE(profile.GetLine(2, 0, 0)->m_bDetect);
    // The line the user placed meanwhile keeps the user's cursor.
    EXPECT_EQ(profile.GetLine(1, 0, 1)->m_nPos, 7);
}

// A system that refuses new threads gets the work done on the calling thread.
TEST(SeriesDetect, WithoutThreadsTheCallerMeasures) {
    if (::geteuid() != 0) GTEST_SKIP() << "needs a user of its own for the thread limit";
    ImageFiles files;
    CDataProfile profile;
    profile.AddImage("a.bmp", files.Make("a.bmp", 33).toStdString());
    profile.GetSeries(0)->AddLine(0, 5, 40, 110, 40);
    ASSERT_EQ(::chmod(QFile::encodeName(files.Path(QString())).constData(), 0755), 0);
    EXPECT_TRUE(AsOrdinaryUser([&] {
        const rlimit one{1, 1};  // this process alone: no thread can start
        if (::setrlimit(RLIMIT_NPROC, &one) != 0) return false;
        DetectSettings settings;
        settings.jobs = 2;
        const DetectReport report = DetectPendingRecords(profile, {0}, settings);
        return report.failures.empty() && profile.GetCurPoint(0, 0, 0) == CPoint{33, 40};
    }));
}

}  // namespace
