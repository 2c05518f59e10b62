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

#include "model/bilinear_profile.h"
#include "model/pixel_request.h"
#include "model/sampling.h"
#include "picture/picture.h"
#include "picture/video_frame_cache.h"
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
    bool fullRange = false;  // full-range YUV with the BT.709 matrix
};

class VideoFrames : public ::testing::TestWithParam<VideoCase> {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir.isValid());
        video.path = dir.filePath(GetParam().file).toStdString();
        video.codec = GetParam().codec;
        video.gop = GetParam().gop;
        video.bFrames = GetParam().bFrames;
        video.fullRange = GetParam().fullRange;
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
    // Without the frames a seek passes, then with them kept for the steps back, which must be
    // taken from there and still be the same pixels.
    for (const std::size_t bytes : {std::size_t{0}, video_frame_cache::kDefaultBytes}) {
        video_frame_cache::Clear();
        video_frame_cache::SetLimit(bytes);
        const std::int64_t hits = video_frame_cache::Hits();
        CPicture picture;
        for (const int n : order) {
            const CPicture::LoadResult result = picture.Load(video.path, n);
            ASSERT_EQ(result.status, CPicture::LoadStatus::Ok) << n << result.reason.toStdString();
            ASSERT_EQ(picture.Image(), frames[static_cast<std::size_t>(n)]) << "frame " << n;
        }
        const std::int64_t found = video_frame_cache::Hits() - hits;
        if (bytes == 0 || GetParam().gop == 1) {
            EXPECT_EQ(found, 0);
        } else {
            EXPECT_GT(found, video.frames / 2) << "steps back decoded from their key frames";
        }
    }
    video_frame_cache::Clear();
}

// A frame loaded for some lines: every pixel of the region those lines read is the whole frame's
// pixel, and what the lines sample there is what they sample on the whole frame, even with
// every pixel outside the region spoiled. Lines at all angles, off the edges and across the
// corners, narrow and wide, read at pixels and between them.
TEST_P(VideoFrames, PartOfAFrameReadsAsTheWholeFrame) {
    const std::vector<CaliperRule> rules = {CaliperRule{}, [] {
                                                CaliperRule between;
                                                between.bilinear = true;
                                                return between;
                                            }()};
    const int ends[][4] = {{2, 24, 150, 24},  {80, 1, 80, 46},    {0, 0, 47, 47},
                           {5, 40, 155, 30},  {100, 2, 110, 45},  {150, 10, 200, 60},
                           {-30, -5, 20, 10}, {159, 47, 159, 47}, {-20, 30, -5, 60},
                           {33, 47, 17, 0},   {140, 30, 60, 31},  {158, 0, 0, 45}};
    CPicture whole;
    CPicture part;
    for (const int width : {1, 3, 7}) {
        for (const int rule : {0, 1, 2}) {
            std::vector<CScan> lines(std::size(ends));
            for (std::size_t n = 0; n < lines.size(); ++n) {
                lines[n].SetLine(ends[n][0], ends[n][1], ends[n][2], ends[n][3]);
                lines[n].m_nRule = static_cast<std::uint16_t>(rule);
            }
            lines[1].m_bDetect = false;  // measured already: not read
            const PixelRequest request = LinesRequest(lines, width, rules);
            for (const int frame : {0, 1, 7, 2, video.frames - 1}) {
                const std::string at = "width " + std::to_string(width) + ", rule " +
                                       std::to_string(rule) + ", frame " + std::to_string(frame);
                ASSERT_EQ(whole.Load(video.path, frame).status, CPicture::LoadStatus::Ok) << at;
                ASSERT_EQ(part.Load(video.path, frame, request).status, CPicture::LoadStatus::Ok)
                    << at;
                // Shown to nobody, and to no reader that asks for other pixels.
                EXPECT_TRUE(part.IsNull()) << at;
                EXPECT_TRUE(part.View().IsNull()) << at;
                EXPECT_TRUE(part.View(PixelRequest{}).IsNull()) << at;
                const PixelView view = part.View(request);
                ASSERT_FALSE(view.IsNull()) << at;
                const PixelView reference = whole.View();
                const PixelRegion region(request, view.width, view.height);
                int held = 0;
                for (int y = 0; y < view.height; ++y) {
                    auto* row = const_cast<std::uint32_t*>(
                        reinterpret_cast<const std::uint32_t*>(view.bits + y * view.stride));
                    for (int x = 0; x < view.width; ++x) {
                        if (!region.Holds(x, y)) {
                            row[x] = 0xFF00FF00u ^ static_cast<std::uint32_t>(x * 7 + y);
                        } else if (++held; view.GetPixel(x, y) != reference.GetPixel(x, y)) {
                            FAIL() << at << ": pixel " << x << ", " << y;
                        }
                    }
                }
                EXPECT_LT(held, view.width * view.height) << at;
                ProfileBuffer got;
                ProfileBuffer want;
                EdgeOptions options;
                options.lineWidth = width;
                for (std::size_t n = 0; n < lines.size(); ++n) {
                    if (!lines[n].m_bDetect) continue;
                    if (rule == 2) {
                        std::vector<double> gotValues;
                        std::vector<double> wantValues;
                        BilinearValues(view, lines[n], 0, options, gotValues);
                        BilinearValues(reference, lines[n], 0, options, wantValues);
                        EXPECT_EQ(gotValues, wantValues) << at << ", line " << n;
                        continue;
                    }
                    SampleScan(view, lines[n], got, width);
                    SampleScan(reference, lines[n], want, width);
                    for (int i = 0; i <= lines[n].m_nCount; ++i) {
                        ASSERT_EQ(GetSampleValue(got, i, 0), GetSampleValue(want, i, 0))
                            << at << ", line " << n << ", sample " << i;
                    }
                }
            }
        }
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
                      VideoCase{"Ffv1IntraAvi", "edge.avi", AV_CODEC_ID_FFV1, 1, 0, true},
                      VideoCase{"H264FullRangeMkv", "edge.mkv", AV_CODEC_ID_H264, 12, 2, true, true}),
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
