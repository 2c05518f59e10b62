// SPDX-License-Identifier: GPL-3.0-or-later
// Frames of videos made here with libavcodec: numbered and timed in presentation order, the
// same pixels in any order of loading, and refused when the file cannot give them.
#include <gtest/gtest.h>
#include <unistd.h>

#include <QFile>
#include <QImage>
#include <QTemporaryDir>
#include <algorithm>
#include <filesystem>
#include <numeric>
#include <random>
#include <vector>

#include "picture/picture.h"
#include "picture/video_frames.h"
#include "support/synthetic_video.h"

namespace {

struct VideoCase {
    const char* name;
    const char* file;
    AVCodecID codec;
    int gop;
    int bFrames;
    // Whether a copy cut in half still gives its first frames: a container whose index is
    // written at the end gives none.
    bool cutKeepsStart;
};

class VideoFrames : public ::testing::TestWithParam<VideoCase> {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir.isValid());
        video.path = dir.filePath(GetParam().file).toStdString();
        video.codec = GetParam().codec;
        video.gop = GetParam().gop;
        video.bFrames = GetParam().bFrames;
        ASSERT_EQ(WriteSyntheticVideo(video), "");
    }

    QTemporaryDir dir;
    SyntheticVideo video;
};

// Where the row through the middle turns from dark to bright.
int EdgeOf(const QImage& image) {
    const int y = image.height() / 2;
    for (int x = 0; x < image.width(); ++x) {
        if (qGray(image.pixel(x, y)) > 120) return x;
    }
    return -1;
}

TEST_P(VideoFrames, CountsAndTimesFramesInPresentationOrder) {
    const FileEntries entries = SurveyVideo(video.path);
    ASSERT_EQ(entries.result.status, CPicture::LoadStatus::Ok) << entries.result.reason.toStdString();
    EXPECT_EQ(entries.kind, FileEntries::Kind::Frames);
    ASSERT_EQ(entries.count, video.frames);
    ASSERT_EQ(entries.times.size(), static_cast<std::size_t>(video.frames));
    for (int n = 0; n < video.frames; ++n) {
        EXPECT_EQ(entries.times[static_cast<std::size_t>(n)].source, TimeSource::VideoTimestamp);
        EXPECT_NEAR(entries.times[static_cast<std::size_t>(n)].seconds,
                    static_cast<double>(n) / video.fps, 1e-9)
            << n;
    }
}

TEST_P(VideoFrames, AnyOrderGivesTheFramesOfAStraightDecode) {
    CPicture straight;
    std::vector<QImage> frames;
    for (int n = 0; n < video.frames; ++n) {
        const CPicture::LoadResult result = straight.Load(video.path, n);
        ASSERT_EQ(result.status, CPicture::LoadStatus::Ok) << n << result.reason.toStdString();
        ASSERT_EQ(straight.Image().format(), QImage::Format_RGB32);
        ASSERT_EQ(straight.Width(), video.width);
        // Frame n is the frame written n-th: its edge is where it was drawn.
        EXPECT_NEAR(EdgeOf(straight.Image()), SyntheticEdge(video, n), 1.0) << n;
        frames.push_back(straight.Image().copy());
    }
    // Backwards, shuffled, and steps that cross and revisit key frames.
    std::vector<int> order(static_cast<std::size_t>(video.frames));
    std::iota(order.rbegin(), order.rend(), 0);
    std::vector<int> shuffled(order);
    std::shuffle(shuffled.begin(), shuffled.end(), std::mt19937(23));
    order.insert(order.end(), shuffled.begin(), shuffled.end());
    order.insert(order.end(), {5, 6, 7, 30, 31, 2, 3, 39, 0, 13, 12, 11});
    CPicture picture;
    for (const int n : order) {
        const CPicture::LoadResult result = picture.Load(video.path, n);
        ASSERT_EQ(result.status, CPicture::LoadStatus::Ok) << n << result.reason.toStdString();
        ASSERT_EQ(picture.Image(), frames[static_cast<std::size_t>(n)]) << "frame " << n;
    }
}

TEST_P(VideoFrames, RefusesFramesTheFileCannotGive) {
    CPicture picture;
    const int last = video.frames - 1;
    ASSERT_EQ(picture.Load(video.path, last).status, CPicture::LoadStatus::Ok);
    EXPECT_NE(picture.Load(video.path, video.frames).status, CPicture::LoadStatus::Ok);
    EXPECT_TRUE(picture.IsNull());
    // Cut in place while the decoder is open on it: the changed file is opened afresh.
    const auto size = std::filesystem::file_size(video.path);
    ASSERT_EQ(::truncate(video.path.c_str(), static_cast<off_t>(size / 2)), 0);
    const CPicture::LoadResult cut = picture.Load(video.path, last);
    EXPECT_EQ(cut.status, CPicture::LoadStatus::CannotDecode);
    EXPECT_FALSE(cut.reason.isEmpty());
    EXPECT_FALSE(cut.uiReason.isEmpty());
    EXPECT_TRUE(picture.IsNull());
    const FileEntries entries = SurveyVideo(video.path);
    if (GetParam().cutKeepsStart) {
        EXPECT_EQ(picture.Load(video.path, 0).status, CPicture::LoadStatus::Ok);
        EXPECT_LT(entries.count, video.frames);
    } else {
        EXPECT_NE(entries.result.status, CPicture::LoadStatus::Ok);
    }
}

TEST_P(VideoFrames, DamagedBytesGiveFramesOrReasonsNeverMadeUpOnes) {
    {
        QFile file(QString::fromStdString(video.path));
        ASSERT_TRUE(file.open(QIODevice::ReadWrite));
        // Garbage over a stretch of the frames' data, past the headers.
        ASSERT_TRUE(file.seek(file.size() * 2 / 5));
        file.write(QByteArray(48, '\x5A'));
    }
    std::vector<int> order(static_cast<std::size_t>(video.frames));
    std::iota(order.begin(), order.end(), 0);
    const std::vector<int> forward(order);
    order.insert(order.end(), forward.rbegin(), forward.rend());
    CPicture picture;
    for (const int n : order) {
        const CPicture::LoadResult result = picture.Load(video.path, n);
        if (result.status == CPicture::LoadStatus::Ok) {
            EXPECT_EQ(picture.Width(), video.width) << n;
        } else {
            EXPECT_FALSE(result.reason.isEmpty()) << n;
            EXPECT_TRUE(picture.IsNull()) << n;
        }
    }
}

INSTANTIATE_TEST_SUITE_P(
    Codecs, VideoFrames,
    ::testing::Values(VideoCase{"H264BFramesMp4", "edge.mp4", AV_CODEC_ID_H264, 12, 2, false},
                      VideoCase{"Mpeg4BFramesMkv", "edge.mkv", AV_CODEC_ID_MPEG4, 10, 2, true},
                      VideoCase{"Ffv1IntraAvi", "edge.avi", AV_CODEC_ID_FFV1, 1, 0, true}),
    [](const auto& row) { return std::string(row.param.name); });

// Files libavformat also opens that are no videos here: pictures stay pictures.
TEST(VideoSurvey, TakesNoStillPictureOrOtherFile) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    QImage image(32, 16, QImage::Format_RGB32);
    image.fill(Qt::gray);
    struct Row {
        const char* file;
        const char* format;  // written by Qt, or plain text when null
    };
    for (const Row& row : {Row{"a.png", "PNG"}, Row{"a.jpg", "JPEG"}, Row{"a.bmp", "BMP"},
                           Row{"a.tif", "TIFF"}, Row{"notes.txt", nullptr}}) {
        const QString path = dir.filePath(row.file);
        if (row.format != nullptr) {
            ASSERT_TRUE(image.save(path, row.format)) << row.file;
        } else {
            QFile text(path);
            ASSERT_TRUE(text.open(QIODevice::WriteOnly));
            text.write("frame 1 at 0.04 s\n");
        }
        const FileEntries entries = SurveyVideo(path.toStdString());
        EXPECT_EQ(entries.kind, FileEntries::Kind::Single) << row.file;
        EXPECT_EQ(entries.result.status, CPicture::LoadStatus::CannotDecode) << row.file;
        EXPECT_FALSE(entries.result.reason.isEmpty()) << row.file;
    }
    const FileEntries missing = SurveyVideo(dir.filePath("none.mp4").toStdString());
    EXPECT_EQ(missing.result.status, CPicture::LoadStatus::CannotOpen);
}

}  // namespace
