// SPDX-License-Identifier: GPL-3.0-or-later
// Inputs the fuzzers found that once crashed the program; each must now fail with a message, or
// work as it should.
#include <gtest/gtest.h>

#include <QFile>

#include "batch/batch_run.h"
#include "document/norvale_doc.h"
#include "model/hit_geometry.h"
#include "picture/picture.h"
#include "session/session_file.h"

namespace {

QByteArray Regression(const char* name) {
    QFile file(QStringLiteral(QUANDREL_TEST_DATA_DIR "/regressions/") + QString::fromLatin1(name));
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

TEST(FuzzRegression, BmpHeaderWhoseSizeOverflows) {
    const QByteArray bytes = Regression("picture-size-overflow.bin");
    ASSERT_FALSE(bytes.isEmpty());
    CPicture picture;
    const CPicture::LoadResult result = picture.LoadData(bytes);
    EXPECT_EQ(result.status, CPicture::LoadStatus::CannotDecode);
    EXPECT_FALSE(result.reason.isEmpty());
    EXPECT_FALSE(result.uiReason.isEmpty());
    EXPECT_TRUE(picture.IsNull());
}

TEST(FuzzRegression, SessionWithANumberBeyondDoubles) {
    const QByteArray bytes = Regression("session-number-overflow.json");
    ASSERT_FALSE(bytes.isEmpty());
    const SessionResult result = ParseSession(bytes.toStdString(), "s.json", "/x");
    EXPECT_FALSE(result.session.has_value());
    EXPECT_EQ(result.error.rfind("s.json: ", 0), 0u) << result.error;

    const SessionResult huge =
        ParseSession("{\"quandrel-session\": 1, \"channel\": 1e999}", "h.json", "/x");
    EXPECT_FALSE(huge.session.has_value());
    EXPECT_FALSE(huge.error.empty());
}

// Line ends and a calibration point at the ends of the int range (the axis dialog takes any int,
// a session file too). The squares of the circle test and the corners of a line's band used to
// overflow: a click two billion pixels away hit the origin, and the band of a line at the edge
// of the range wrapped around.
TEST(FuzzRegression, HitTestsNearPointsAtTheEndsOfTheIntRange) {
    const QByteArray bytes = Regression("session-far-points.json");
    ASSERT_FALSE(bytes.isEmpty());
    const SessionResult result = ParseSession(bytes.toStdString(), "s.json", "/x");
    ASSERT_TRUE(result.session.has_value()) << result.error;
    CDataProfile profile;
    BuildProfile(*result.session, profile);
    ASSERT_EQ(profile.GetArray(0, 0)->GetSize(), 3);
    const CData& origin = profile.GetAxis(0)->m_origin;

    constexpr int kMin = -2147483647 - 1;
    constexpr int kMax = 2147483647;
    enum Region { kOrigin, kStart, kEnd, kBand };
    struct Case {
        const char* what;
        Region region;
        int line;
        CPoint click;
        bool hit;
    };
    const Case cases[] = {
        {"origin, from the picture", kOrigin, 0, {100, 100}, false},
        {"origin itself", kOrigin, 0, {-2000000000, 100}, true},
        {"origin, at the radius", kOrigin, 0, {-1999999996, 100}, true},
        {"origin, past the radius", kOrigin, 0, {-1999999995, 100}, false},
        {"steep line's start, from the picture", kStart, 0, {5, 0}, false},
        {"steep line's start", kStart, 0, {5, kMax}, true},
        {"steep line's end", kEnd, 0, {-61, -61}, true},
        {"band at the top", kBand, 1, {20, kMax}, true},
        {"band at the top, lower edge", kBand, 1, {20, kMax - 7}, true},
        {"band at the top, below it", kBand, 1, {20, kMax - 8}, false},
        {"band at the top, from the picture", kBand, 1, {20, 0}, false},
        {"band at the left", kBand, 2, {kMin, 3}, true},
        {"band at the left, right edge", kBand, 2, {kMin + 4, 3}, true},
        {"band at the left, beside it", kBand, 2, {kMin + 5, 3}, false},
        {"band at the left, from the picture", kBand, 2, {0, 3}, false},
    };
    for (const Case& c : cases) {
        const CScan& line = *profile.GetLine(0, 0, c.line);
        bool hit = false;
        switch (c.region) {
            case kOrigin:
                hit = PointInCircle({origin.m_xPixel, origin.m_yPixel}, kHitRadius, c.click);
                break;
            case kStart:
                hit = PointInCircle(line.m_ptStart, kHitRadius, c.click);
                break;
            case kEnd:
                hit = PointInCircle(line.m_ptEnd, kHitRadius, c.click);
                break;
            case kBand:
                hit = PointInPolygon(LineBand(line.m_ptStart, line.m_ptEnd, kHitRadius), c.click);
                break;
        }
        EXPECT_EQ(hit, c.hit) << c.what;
    }
}

}  // namespace
