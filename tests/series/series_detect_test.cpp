// SPDX-License-Identifier: GPL-3.0-or-later
// The parallel detection measures copies and writes the results back afterwards; whatever
// happened to the list meanwhile, a result lands only on the line it was measured on.
#include "series/series_detect.h"

#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>

#include "document/doc_fakes.h"
#include "model/caliper_measure.h"
#include "model/edge_detect.h"
#include "picture/picture.h"
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

// Lines under their own caliper rules measure in the parallel run as one detection does alone,
// and a line whose rule changes while its picture is measured waits for its new rule.
TEST(SeriesDetect, CaliperRulesMeasureAsTheSingleDetectionDoes) {
    ImageFiles files;
    CDataProfile profile;
    // A new record takes the lines the list has: the lines come once every record is there.
    for (int k = 0; k < 5; ++k) {
        const std::string name = "c" + std::to_string(k) + ".bmp";
        profile.AddImage(name, files.Make(QString::fromStdString(name), 25 + 7 * k).toStdString());
    }
    for (int k = 0; k < 5; ++k) {
        profile.GetSeries(k)->AddLine(0, 5, 40, 110, 40);
        profile.GetSeries(k)->AddLine(0, 5, 60, 110, 60);
        profile.GetSeries(k)->AddLine(0, 110, 50, 5, 50);
        profile.GetSeries(k)->AddLine(0, 5, 30, 110, 30);
        profile.GetSeries(k)->AddLine(0, 5, 20, 110, 20);
        profile.GetSeries(k)->AddLine(0, 5, 70, 110, 70);
        profile.GetSeries(k)->AddLine(0, 5, 75, 110, 75);
    }
    CaliperRule falling;
    falling.polarity = EdgePolarity::Falling;
    falling.select = EdgeSelect::First;
    falling.estimator = EdgeEstimator::StepFit;
    CaliperRule bar;
    bar.kind = CaliperKind::Pair;
    bar.pairOrder = PairOrder::FallRise;
    const std::uint16_t first = profile.RuleNumber(falling);
    const std::uint16_t second = profile.RuleNumber(bar);
    // Either side of the bar, whichever is nearer the edge on the image before. The bar moves
    // 7 samples towards the line's start from image to image, and the first image's cursor
    // stands on its rising side: a chain that keeps to the rising side, where a run that did not
    // follow it in order would take the strongest, the falling side that comes first.
    CaliperRule nearest;
    nearest.select = EdgeSelect::Nearest;
    const std::uint16_t third = profile.RuleNumber(nearest);
    // Two lines that follow the bar in a window: one wide enough for its 7 samples an image,
    // and one that loses it and widens its window image after image.
    CaliperRule followed;
    followed.track = 8;
    const std::uint16_t fourth = profile.RuleNumber(followed);
    followed.track = 2;
    const std::uint16_t fifth = profile.RuleNumber(followed);
    // The plain minimum following the bar likewise, in a wide window and in a narrow one.
    CaliperRule plain;
    plain.kind = CaliperKind::Plain;
    plain.track = 8;
    const std::uint16_t sixth = profile.RuleNumber(plain);
    plain.track = 2;
    const std::uint16_t seventh = profile.RuleNumber(plain);
    for (int k = 0; k < 5; ++k) {
        profile.GetLine(k, 0, 5)->m_nRule = sixth;
        profile.GetLine(k, 0, 6)->m_nRule = seventh;
        profile.GetLine(k, 0, 0)->m_nRule = first;
        profile.GetLine(k, 0, 1)->m_nRule = second;
        profile.GetLine(k, 0, 2)->m_nRule = third;
        profile.GetLine(k, 0, 3)->m_nRule = fourth;
        profile.GetLine(k, 0, 4)->m_nRule = fifth;
    }
    CScan& kept = *profile.GetLine(0, 0, 2);
    kept.SetPos(86);
    kept.m_bDetect = false;
    // The same records measured one at a time, as the window measures its current picture.
    CDataProfile alone;
    alone.m_rules = profile.m_rules;
    for (int k = 0; k < 5; ++k) alone.AddImage("", profile.GetSeries(k)->m_strPath);
    for (int k = 0; k < 5; ++k) {
        for (int n = 0; n < 7; ++n) {
            const CScan& line = *profile.GetLine(k, 0, n);
            alone.GetSeries(k)->AddLine(0, line.m_ptStart.x, line.m_ptStart.y, line.m_ptEnd.x,
                                        line.m_ptEnd.y);
            alone.GetLine(k, 0, n)->m_nRule = line.m_nRule;
            alone.GetLine(k, 0, n)->SetPos(line.m_nPos);
            alone.GetLine(k, 0, n)->m_bDetect = line.m_bDetect;
        }
        CPicture picture;
        ASSERT_EQ(picture.Load(alone.GetSeries(k)->m_strPath).status, CPicture::LoadStatus::Ok);
        ProfileBuffer buffer;
        EXPECT_EQ(DetectPending(alone, k, 0, picture.View(), 0, 0, buffer), k == 0 ? 6 : 7);
    }

    bool changed = false;
    DetectSettings settings;
    settings.jobs = 2;
    DetectPendingRecords(profile, {0, 1, 2, 3, 4}, settings, [&](int, int) {
        if (!changed) profile.GetLine(4, 0, 1)->m_nRule = first;
        changed = true;
        return true;
    });
    for (int k = 0; k < 5; ++k) {
        for (int n = 0; n < 7; ++n) {
            SCOPED_TRACE(testing::Message() << "image " << k << " line " << n);
            const CScan& ran = *profile.GetLine(k, 0, n);
            if (n >= 5) {
                // The bar at sample 20 + 7k; a plain rule keeps a measure only where lost.
                const CScan& one = *alone.GetLine(k, 0, n);
                EXPECT_FALSE(ran.m_bDetect);
                EXPECT_EQ(ran.m_nPos, one.m_nPos);
                const bool lost = n == 6 && k > 0;
                if (!lost) {
                    EXPECT_EQ(ran.m_nPos, 20 + 7 * k);
                }
                ASSERT_EQ(ran.m_measure != nullptr, lost);
                ASSERT_EQ(one.m_measure != nullptr, lost);
                if (lost) {
                    EXPECT_EQ(ran.m_measure->status, CaliperStatus::Lost);
                }
                continue;
            }
            if (k == 4 && n == 1) {
                EXPECT_TRUE(ran.m_bDetect);
                continue;
            }
            if (k == 0 && n == 2) continue;  // kept
            if (n == 2) {
                ASSERT_NE(ran.m_measure, nullptr);
                EXPECT_GT(ran.m_measure->edge.contrast, 0.0) << "the rising side, followed";
            }
            const CScan& one = *alone.GetLine(k, 0, n);
            EXPECT_FALSE(ran.m_bDetect);
            EXPECT_EQ(ran.m_nPos, one.m_nPos);
            EXPECT_EQ(ran.m_dSubPos, one.m_dSubPos);
            ASSERT_NE(ran.m_measure, nullptr);
            ASSERT_NE(one.m_measure, nullptr);
            EXPECT_EQ(*ran.m_measure, *one.m_measure);
            // The narrow window loses the bar from the second image on; the others find it.
            EXPECT_EQ(ran.m_measure->status == CaliperStatus::Lost, n == 4 && k > 0);
            EXPECT_NE(ran.m_measure->status, CaliperStatus::NotFound);
            ASSERT_NE(profile.FoundWith(ran), nullptr);
            EXPECT_EQ(profile.FoundWith(ran)->caliper, *profile.RuleOf(ran));
        }
    }
}

}  // namespace
