// SPDX-License-Identifier: GPL-3.0-or-later
// Whatever file a user adds, the program shows its message, keeps its state and goes on.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <functional>

#include "doc_fakes.h"
#include "support/ordinary_user.h"

namespace {

enum class Outcome { Loads, DecodeMessage, OpenFailure };

QByteArray ReadFile(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

QString DataFile(const char* name) {
    return QStringLiteral(QUANDREL_TEST_DATA_DIR "/") + QString::fromLatin1(name);
}

// A GIF whose screen and image are 0 pixels wide.
QByteArray ZeroWidthGif() {
    QByteArray gif("GIF89a", 6);
    const char screen[] = {0, 0, 4, 0, char(0x80), 0, 0};  // 0 x 4, a 2-colour table
    gif.append(screen, sizeof screen);
    gif.append("\x00\x00\x00\xff\xff\xff", 6);
    const char image[] = {0x2c, 0, 0, 0, 0, 0, 0, 4, 0, 0, 2, 2, 0x44, 0x01, 0, 0x3b};
    gif.append(image, sizeof image);
    return gif;
}

struct Case {
    const char* what;
    std::function<QString(ImageFiles&)> make;
    Outcome outcome;
};

class BadInput : public ::testing::TestWithParam<Case> {};

TEST_P(BadInput, ShowsItsMessageAndKeepsTheList) {
    const Case& c = GetParam();
    DocFixture f;
    f.Add({f.files.Make("good.bmp", 30, 120, 90)});
    f.doc.AddLineToAll(5, 40, 100, 40);
    f.doc.m_nCurLine = 0;
    f.doc.GetCurLine()->SetPos(7);
    f.doc.GetCurLine()->m_bDetect = false;

    const QString path = c.make(f.files);
    f.Add({path});
    ASSERT_EQ(f.doc.m_profile.GetSize(), 2);  // listed whatever it holds
    EXPECT_EQ(f.doc.m_profile.GetLine(0, 0, 0)->m_nPos, 7);
    EXPECT_EQ(f.doc.m_profile.GetArray(1, 0)->GetSize(), 1);
    switch (c.outcome) {
        case Outcome::Loads:
            EXPECT_TRUE(f.ui.messages.empty() && f.ui.openFailures.empty());
            EXPECT_EQ(f.doc.m_nCurImage, 1);
            ASSERT_NE(f.doc.GetPictureBitmap(), nullptr);
            EXPECT_EQ(f.doc.GetPictureBitmap()->Image().format(), QImage::Format_RGB32);
            break;
        case Outcome::DecodeMessage:
            ASSERT_EQ(f.ui.messages.size(), 1u);
            EXPECT_TRUE(f.ui.messages[0].startsWith(
                QStringLiteral("ファイルを開くことができませんでした\n") + path));
            break;
        case Outcome::OpenFailure:
            ASSERT_EQ(f.ui.openFailures.size(), 1u);
            EXPECT_EQ(f.ui.openFailures[0].first, path);
            EXPECT_FALSE(f.ui.openFailures[0].second.isEmpty());
            break;
    }
    if (c.outcome != Outcome::Loads) {
        // The file is current without a picture, and says why.
        EXPECT_EQ(f.doc.m_nCurImage, 1);
        EXPECT_EQ(f.doc.GetPictureBitmap(), nullptr);
        ASSERT_NE(f.doc.GetOpenFailure(), nullptr);
        EXPECT_FALSE(f.doc.GetOpenFailure()->reason.isEmpty());
    }
    // The list goes on working: the good image shows again.
    f.doc.OpenImage(0);
    EXPECT_NE(f.doc.GetPictureBitmap(), nullptr);
    EXPECT_EQ(f.doc.m_nCurImage, 0);
}

QString Truncated(ImageFiles& files, const QString& source, const char* name, double keep) {
    const QByteArray bytes = ReadFile(source);
    return files.Text(QString::fromLatin1(name),
                      bytes.left(static_cast<qsizetype>(static_cast<double>(bytes.size()) * keep)));
}

QString Saved(ImageFiles& files, const QImage& image, const char* name, const char* format) {
    const QString path = files.Path(QString::fromUtf8(name));
    image.save(path, format);
    return path;
}

// A JPEG of a busy picture with three bytes inserted in the middle of its coded data. (In a
// smooth picture the decoder often falls back in step within a block or two: the damage then
// leaves a valid JPEG of slightly different pixels, which nothing can tell from a whole one.)
QString InsertedInScan(ImageFiles& files, const char* name) {
    QImage busy(320, 240, QImage::Format_RGB32);
    for (int y = 0; y < 240; ++y) {
        for (int x = 0; x < 320; ++x) {
            busy.setPixel(x, y, qRgb((x * 7 + y * 3) & 255, (x * y) & 255, (x ^ y) & 255));
        }
    }
    const QString path = files.Path(QString::fromLatin1(name));
    busy.save(path, "JPEG", 90);
    QByteArray jpeg = ReadFile(path);
    const qsizetype sos = jpeg.indexOf("\xFF\xDA");
    const qsizetype start = sos + 2 +
                            (static_cast<unsigned char>(jpeg[sos + 2]) << 8 |
                             static_cast<unsigned char>(jpeg[sos + 3]));
    jpeg.insert((start + jpeg.lastIndexOf("\xFF\xD9")) / 2, "\x5A\xA5\x3C", 3);
    return files.Text(QString::fromLatin1(name), jpeg);
}

QImage Pattern(int w, int h) {
    QImage image(w, h, QImage::Format_RGB32);
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) image.setPixel(x, y, qRgb(x * 7 % 256, y * 5 % 256, 90));
    }
    return image;
}

const Case kCases[] = {
    {"zero-byte file", [](ImageFiles& f) { return f.Text("empty.bmp", {}); },
     Outcome::DecodeMessage},
    {"text named .jpg", [](ImageFiles& f) { return f.Text("words.jpg", "hello\n"); },
     Outcome::DecodeMessage},
    {"JPEG named .bmp",
     [](ImageFiles& f) {
         return f.Text("photo.bmp", ReadFile(Saved(f, Pattern(40, 30), "p.jpg", "JPEG")));
     },
     Outcome::Loads},
    {"truncated JPEG",
     [](ImageFiles& f) {
         return Truncated(f, Saved(f, Pattern(200, 150), "t.jpg", "JPEG"), "cut.jpg", 0.6);
     },
     Outcome::DecodeMessage},
    {"truncated BMP",
     [](ImageFiles& f) {
         return Truncated(f, Saved(f, Pattern(60, 40), "t.bmp", "BMP"), "cut.bmp", 0.5);
     },
     Outcome::DecodeMessage},
    {"truncated GIF",
     [](ImageFiles& f) { return Truncated(f, DataFile("ramp.gif"), "cut.gif", 0.5); },
     Outcome::DecodeMessage},
    {"JPEG with bytes inserted in its scan",
     [](ImageFiles& f) { return InsertedInScan(f, "inserted.jpg"); }, Outcome::DecodeMessage},
    {"GIF whose LZW data ends early", [](ImageFiles&) { return DataFile("short_lzw.gif"); },
     Outcome::DecodeMessage},
    {"GIF frame larger than its screen", [](ImageFiles&) { return DataFile("huge_frame.gif"); },
     Outcome::DecodeMessage},
    {"GIF frame partly outside its screen",
     [](ImageFiles&) { return DataFile("frame_outside.gif"); }, Outcome::DecodeMessage},
    {"run-length BMP cut to a third",
     [](ImageFiles& f) { return Truncated(f, DataFile("rle8.bmp"), "cut_rle8.bmp", 1.0 / 3); },
     Outcome::DecodeMessage},
    {"run-length BMP", [](ImageFiles&) { return DataFile("rle4.bmp"); }, Outcome::Loads},
    {"header claiming 65535 x 65535",
     [](ImageFiles& f) {
         QByteArray bmp(54, '\0');
         const auto put32 = [&bmp](int at, quint32 v) {
             for (int k = 0; k < 4; ++k) bmp[at + k] = static_cast<char>((v >> (8 * k)) & 0xFF);
         };
         bmp[0] = 'B', bmp[1] = 'M', bmp[26] = 1, bmp[28] = 24;
         put32(10, 54), put32(14, 40), put32(18, 65535), put32(22, 65535);
         return f.Text("huge.bmp", bmp);
     },
     Outcome::DecodeMessage},
    {"GIF with zero width", [](ImageFiles& f) { return f.Text("zero.gif", ZeroWidthGif()); },
     Outcome::DecodeMessage},
    {"animated GIF", [](ImageFiles&) { return DataFile("animated.gif"); }, Outcome::Loads},
    {"grey JPEG",
     [](ImageFiles& f) {
         return Saved(f, Pattern(30, 20).convertToFormat(QImage::Format_Grayscale8), "grey.jpg",
                      "JPEG");
     },
     Outcome::Loads},
    {"CMYK JPEG", [](ImageFiles&) { return DataFile("cmyk.jpg"); }, Outcome::Loads},
    {"1 x 100000 picture",
     [](ImageFiles& f) { return Saved(f, Pattern(1, 100000), "tall.bmp", "BMP"); }, Outcome::Loads},
    {"deleted after it was added",
     [](ImageFiles& f) {
         const QString path = f.Make("gone.bmp", 3);
         QFile::remove(path);
         return path;
     },
     Outcome::OpenFailure},
    {"a folder",
     [](ImageFiles& f) {
         QDir().mkpath(f.Path("folder.bmp"));
         return f.Path("folder.bmp");
     },
     Outcome::OpenFailure},
    {"a pipe",
     [](ImageFiles& f) {
         ::mkfifo(QFile::encodeName(f.Path("pipe.jpg")).constData(), 0600);
         return f.Path("pipe.jpg");
     },
     Outcome::OpenFailure},
    {"spaces in the name", [](ImageFiles& f) { return f.Make("a b c.bmp", 3); }, Outcome::Loads},
    {"Japanese name", [](ImageFiles& f) { return f.Make("試料 画像１.bmp", 3); }, Outcome::Loads},
};

INSTANTIATE_TEST_SUITE_P(Files, BadInput, ::testing::ValuesIn(kCases),
                         [](const ::testing::TestParamInfo<Case>& param) {
                             std::string name;
                             for (const char* p = param.param.what; *p != '\0'; ++p) {
                                 name += std::isalnum(static_cast<unsigned char>(*p)) ? *p : '_';
                             }
                             return name;
                         });

TEST(BadInputNames, BytesThatAreNotUtf8NeitherCrashNorLoseTheList) {
    DocFixture f;
    f.Add({f.files.Make("good.bmp", 30)});
    // A name in Latin-1, as an old archive may hold: Qt cannot show it exactly.
    const QByteArray raw = QFile::encodeName(f.files.Path(QString())) + "/caf\xe9.bmp";
    QImage(8, 8, QImage::Format_RGB32).save(QFile::decodeName(raw), "BMP");
    const int fd = ::open(raw.constData(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    ASSERT_GE(fd, 0);
    const QByteArray bmp = ReadFile(f.files.Path("good.bmp"));
    ASSERT_EQ(::write(fd, bmp.constData(), static_cast<std::size_t>(bmp.size())), bmp.size());
    ::close(fd);
    f.Add({QFile::decodeName(raw)});
    EXPECT_EQ(f.doc.m_profile.GetSize(), 2);
    // Either it loads or the user is told; nothing else.
    EXPECT_TRUE(f.doc.m_nCurImage == 1 || f.ui.openFailures.size() + f.ui.messages.size() == 1);
}

}  // namespace

namespace {

// Opens a readable picture, then the unreadable one: the user is told, and the unreadable one is
// current without a picture.
bool OpenFailsAndNamesTheCause(const QString& good, const QString& locked) {
    FakeUi ui;
    CNorvaleDoc doc(ui);
    doc.AddImageFile("good.bmp", good.toStdString());
    doc.AddImageFile("locked.bmp", locked.toStdString());
    doc.OpenImage(0);
    doc.OpenImage(1);
    return ui.openFailures.size() == 1 &&
           ui.openFailures[0].second == QStringLiteral("アクセスが拒否されました。") &&
           doc.m_nCurImage == 1 && doc.GetPictureBitmap() == nullptr &&
           doc.GetOpenFailure() != nullptr;
}

// As root every file is readable, so there the case runs as nobody.
TEST(BadInputNames, AFileMadeUnreadableIsAnOpenFailure) {
    ImageFiles files;
    const QString good = files.Make("good.bmp", 30);
    const QString locked = files.Make("locked.bmp", 40);
    ASSERT_TRUE(QFile::setPermissions(good, QFileDevice::ReadOwner | QFileDevice::ReadOther));
    ASSERT_TRUE(QFile::setPermissions(locked, QFileDevice::WriteOwner));
    ASSERT_TRUE(QFile::setPermissions(files.Path(QString()),
                                      QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                                          QFileDevice::ExeOwner | QFileDevice::ExeOther));
    if (::geteuid() != 0) {
        QFile probe(locked);
        if (probe.open(QIODevice::ReadOnly)) GTEST_SKIP() << "permissions do not bind this user";
    }
    EXPECT_TRUE(AsOrdinaryUser([&] { return OpenFailsAndNamesTheCause(good, locked); }));
}

}  // namespace
