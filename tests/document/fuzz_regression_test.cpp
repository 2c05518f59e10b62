// Inputs the fuzzers found that once crashed the program; each must now fail with a message.
#include <gtest/gtest.h>

#include <QFile>

#include "document/picture.h"
#include "document/session_file.h"

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

}  // namespace
