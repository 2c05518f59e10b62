// SPDX-License-Identifier: GPL-3.0-or-later
// The frames of a video measured by many workers: each worker takes the frames its decoder
// reaches in one pass, and the results are those of one worker taking them in list order,
// whether the frames are converted whole or only where the lines read.
#include <gtest/gtest.h>

#include <QTemporaryDir>
#include <cmath>
#include <vector>

#include "model/caliper_measure.h"
#include "model/edge_detect.h"
#include "series/series_detect.h"
#include "support/synthetic_video.h"

namespace {

struct Measured {
    std::vector<CPoint> plain;    // the side panel's rule
    std::vector<CPoint> nearest;  // a rule that follows the edge from the frame before
    std::vector<int> failed;      // records that failed, in order
    bool operator==(const Measured&) const = default;
};

Measured Measure(const std::string& path, const std::vector<std::int64_t>& frames, int jobs,
                 bool partial = false) {
    CDataProfile profile;
    for (const std::int64_t frame : frames) {
        profile.AddImage("edge.mp4", path);
        profile.GetSeries(profile.GetSize() - 1)->m_nFrame = frame;
    }
    CaliperRule nearest;
    nearest.select = EdgeSelect::Nearest;
    const std::uint16_t rule = profile.RuleNumber(nearest);
    for (int k = 0; k < profile.GetSize(); ++k) {
        profile.GetSeries(k)->AddLine(0, 2, 24, 150, 24);
        profile.GetSeries(k)->AddLine(0, 2, 30, 150, 30);
        profile.GetLine(k, 0, 1)->m_nRule = rule;
    }
    profile.GetLine(0, 0, 1)->SetPos(20);
    profile.GetLine(0, 0, 1)->m_bDetect = false;
    DetectSettings settings;
    settings.jobs = jobs;
    settings.mode = kEdgeSteepestRise;
    settings.stopOnFailure = true;
    settings.partialPictures = partial;
    const DetectReport report = DetectPendingRecords(profile, RecordsWithPendingLines(profile),
                                                     settings);
    Measured measured;
    for (const DetectFailure& failure : report.failures) measured.failed.push_back(failure.record);
    for (int k = 0; k < profile.GetSize(); ++k) {
        if (profile.GetLine(k, 0, 0)->m_bDetect) break;  // not measured: the run stopped
        measured.plain.push_back(profile.GetCurPoint(k, 0, 0));
        measured.nearest.push_back(profile.GetCurPoint(k, 0, 1));
    }
    return measured;
}

TEST(VideoDetect, WorkersGiveTheResultsOfOneWorker) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    SyntheticVideo video;
    video.path = dir.filePath("edge.mp4").toStdString();
    video.frames = 40;
    ASSERT_EQ(WriteSyntheticVideo(video), "");
    struct Row {
        const char* name;
        std::vector<std::int64_t> frames;
        std::vector<int> failed;  // records that fail, whatever the number of workers
    };
    std::vector<std::int64_t> all(40);
    for (std::size_t n = 0; n < all.size(); ++n) all[n] = static_cast<std::int64_t>(n);
    const Row rows[] = {
        {"every frame", all, {}},
        {"steps, repeats and going back", {3, 5, 11, 12, 13, 30, 2, 2, 39, 24, 36, 0}, {}},
        {"a frame past the end", {0, 1, 2, 3, 40, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14}, {4}},
    };
    for (const Row& row : rows) {
        const Measured one = Measure(video.path, row.frames, 1);
        EXPECT_EQ(one.failed, row.failed) << row.name;
        for (std::size_t k = 0; k < one.plain.size(); ++k) {
            // Each frame's edge where it was drawn: the frames are the ones named.
            const double drawn = SyntheticEdge(video, static_cast<int>(row.frames[k]));
            EXPECT_LE(std::abs(one.plain[k].x - drawn), 1.5) << row.name << " record " << k;
        }
        for (const int jobs : {2, 3, 7}) {
            EXPECT_EQ(Measure(video.path, row.frames, jobs), one) << row.name << ", jobs " << jobs;
        }
        // Frames converted only where the lines read, as the batch converts them.
        for (const int jobs : {1, 3}) {
            EXPECT_EQ(Measure(video.path, row.frames, jobs, true), one)
                << row.name << ", in part, jobs " << jobs;
        }
    }
}

}  // namespace
