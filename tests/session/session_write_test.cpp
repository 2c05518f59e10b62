// SPDX-License-Identifier: GPL-3.0-or-later
#include "session/session_write.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QFile>
#include <QTemporaryDir>
#include <bit>
#include <cfloat>
#include <cmath>
#include <cstdint>
#include <filesystem>
#include <limits>
#include <string>

#include "export/locale_guard.h"

namespace {

QByteArray ReadAll(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
}

Session TwoImages() {
    Session s;
    s.lines = {{0, 0, 10, 5}};
    s.images = {{"/run/a.bmp", std::nullopt, {}}, {"/run/b.bmp", std::nullopt, {}}};
    s.view.image = 0;
    return s;
}

SessionResult ReadBack(const Session& s) {
    const SessionText text = SessionToText(s, "/run/s.json");
    if (!text.text) return {std::nullopt, "not written: " + text.error, {}};
    return ParseSession(*text.text, "s.json", "/run");
}

TEST(SessionWrite, NamesImagesBelowTheSessionsFolderRelativeToIt) {
    struct Case {
        const char* image;
        const char* session;
        const char* written;
    };
    const Case cases[] = {
        {"/s/run/a.bmp", "/s/run/x.json", "a.bmp"},
        {"/s/run/sub/b.bmp", "/s/run/x.json", "sub/b.bmp"},
        {"/s/run/./sub//c.bmp", "/s/run/x.json", "sub/c.bmp"},
        {"/s/run/a.bmp", "/s/./run//x.json", "a.bmp"},
        {"/s/runner/a.bmp", "/s/run/x.json", "/s/runner/a.bmp"},  // a longer name, not below
        {"/s/a.bmp", "/s/run/x.json", "/s/a.bmp"},
        {"/s/run", "/s/run/x.json", "/s/run"},
        {"/etc/a.bmp", "/x.json", "etc/a.bmp"},
        // Bytes, whatever they are, where the folder's name holds them.
        {"/s/caf\xe9/a.bmp", "/s/caf\xe9/x.json", "a.bmp"},
        // ".." behind a symbolic link leads elsewhere than its lexical parent: kept as it is.
        {"/s/run/../run/a.bmp", "/s/run/x.json", "/s/run/../run/a.bmp"},
        {"/s/run/a.bmp", "/s/link/../run/x.json", "/s/run/a.bmp"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(PathInSession(c.image, c.session), c.written) << c.image << " in " << c.session;
    }
    // Relative names are taken from the current folder on both sides.
    EXPECT_EQ(PathInSession("run/sub/a.bmp", "run/x.json"), "sub/a.bmp");
    char cwd[4096];
    ASSERT_NE(::getcwd(cwd, sizeof cwd), nullptr);
    EXPECT_EQ(PathInSession("a.bmp", "/elsewhere/x.json"), std::string(cwd) + "/a.bmp");

    // Saved through a symbolic link, the session is the file the link names, and the reader
    // takes the names from that file's folder.
    QTemporaryDir dir;
    const std::string real = dir.filePath(QStringLiteral("real")).toStdString();
    const std::string elsewhere = dir.filePath(QStringLiteral("elsewhere")).toStdString();
    ASSERT_EQ(::mkdir(real.c_str(), 0755), 0);
    ASSERT_EQ(::mkdir(elsewhere.c_str(), 0755), 0);
    const std::string link = elsewhere + "/link.json";
    ASSERT_EQ(::symlink("../real/x.json", link.c_str()), 0);  // dangling: the save makes it
    EXPECT_EQ(PathInSession(real + "/a.bmp", link), real + "/a.bmp");  // "..": kept absolute
    ASSERT_EQ(::unlink(link.c_str()), 0);
    ASSERT_EQ(::symlink((real + "/x.json").c_str(), link.c_str()), 0);
    EXPECT_EQ(PathInSession(real + "/a.bmp", link), "a.bmp");
    EXPECT_EQ(PathInSession(elsewhere + "/b.bmp", link), elsewhere + "/b.bmp");
}

// Every double comes back to the bit, in a locale that writes a decimal comma too.
TEST(SessionWrite, NumbersReadBackExactlyInAnyLocale) {
    const double values[] = {0.1,
                             -0.0,
                             1.0 / 3.0,
                             1.0,
                             -1.5e300,
                             DBL_MAX,
                             DBL_MIN,
                             5e-324,
                             std::ldexp(1.0, 60),
                             123456789012345680000.0,
                             1e21,
                             -987654.3210987654};
    const auto check = [&values] {
        Session s = TwoImages();
        for (const double v : values) {
            CDataAxis axis;
            axis.m_origin.m_xValue = v;
            axis.m_yAxis.m_yValue = -v;
            axis.m_xAxis.m_xPixel = std::numeric_limits<int>::min();
            s.images.push_back({"/run/n.bmp", axis, {}});
        }
        s.axis.m_xAxis.m_yValue = -0.0;
        const SessionResult r = ReadBack(s);
        ASSERT_TRUE(r.session) << r.error;
        EXPECT_EQ(std::bit_cast<std::uint64_t>(r.session->axis.m_xAxis.m_yValue),
                  std::bit_cast<std::uint64_t>(-0.0));
        for (std::size_t k = 0; k < std::size(values); ++k) {
            const auto& axis = r.session->images[k + 2].axis;
            ASSERT_TRUE(axis);
            EXPECT_EQ(std::bit_cast<std::uint64_t>(axis->m_origin.m_xValue),
                      std::bit_cast<std::uint64_t>(values[k]))
                << values[k];
            EXPECT_EQ(std::bit_cast<std::uint64_t>(axis->m_yAxis.m_yValue),
                      std::bit_cast<std::uint64_t>(-values[k]));
            EXPECT_EQ(axis->m_xAxis.m_xPixel, std::numeric_limits<int>::min());
        }
    };
    check();
    CommaLocale guard;
    REQUIRE_COMMA_LOCALE(guard);
    check();
}

// What the reader would refuse, or JSON cannot hold, is named and nothing is written; never a
// file that the window cannot open again.
TEST(SessionWrite, RefusesWhatCannotBeReadBackNamingIt) {
    struct Case {
        const char* what;
        void (*change)(Session&);
        std::string error;
        int image;
    };
    const Case cases[] = {
        {"a path that is not UTF-8", [](Session& s) { s.images[1].path = "/x/caf\xe9.bmp"; },
         "images[1]: /x/caf\\xe9.bmp: the path is not UTF-8 text", 1},
        {"a path with a NUL", [](Session& s) { s.images[0].path = std::string("/a\0b", 4); },
         "images[0]: /a\\x00b: the path holds a NUL byte", 0},
        {"no path", [](Session& s) { s.images[1].path.clear(); },
         "images[1]: the image has no path", 1},
        {"an infinite value",
         [](Session& s) {
             s.images[1].axis = CDataAxis();
             s.images[1].axis->m_yAxis.m_xValue = HUGE_VAL;
         },
         "images[1].axis.yAxis.value[0]: not a finite number", 1},
        {"NaN", [](Session& s) { s.axis.m_origin.m_yValue = std::nan(""); },
         "axis.origin.value[1]: not a finite number", -1},
        {"a line of one point",
         [](Session& s) {
             s.lines.push_back({3, 3, 3, 3});
         },
         "lines[1]: the two ends are the same point", -1},
        {"a channel", [](Session& s) { s.channel = 4; }, "channel: expected 0 to 3", -1},
        {"an edge rule", [](Session& s) { s.edgeMode = -1; }, "edgeMode: expected 0 to 3", -1},
        {"a zoom of 3", [](Session& s) { s.view.zoom = 3; },
         "view.zoom: expected 0.25, 0.5, 1, 2, 4 or fitted", -1},
        {"no such image", [](Session& s) { s.view.image = 2; }, "view.image: no such image", -1},
        {"no such line", [](Session& s) { s.view.line = 1; }, "view.line: no such line", -1},
        {"too many cursors", [](Session& s) { s.images[0].cursors.resize(2); },
         "images[0].cursors: more cursors than lines", 0},
        {"lines without images", [](Session& s) { s.images.clear(); },
         "images: no images for the lines", -1},
    };
    for (const Case& c : cases) {
        Session s = TwoImages();
        c.change(s);
        const SessionText text = SessionToText(s, "/run/s.json");
        EXPECT_FALSE(text.text) << c.what;
        EXPECT_EQ(text.error.rfind(c.error, 0), 0u) << c.what << ": " << text.error;
        EXPECT_EQ(text.image, c.image) << c.what;
    }
}

// Every zoom of the window is written so that it reads back; the whole steps as the integers
// older files hold.
TEST(SessionWrite, WritesEveryZoomOfTheWindow) {
    const struct {
        double zoom;
        const char* text;
    } cases[] = {{0.25, "\"zoom\": 0.25}"}, {0.5, "\"zoom\": 0.5}"},
                 {1, "\"zoom\": 1}"},       {2, "\"zoom\": 2}"},
                 {4, "\"zoom\": 4}"},       {kZoomFitted, "\"zoom\": \"fit\"}"}};
    for (const auto& c : cases) {
        Session s = TwoImages();
        s.view.zoom = c.zoom;
        const SessionText text = SessionToText(s, "/run/s.json");
        ASSERT_TRUE(text.text) << c.zoom << ": " << text.error;
        EXPECT_NE(text.text->find(c.text), std::string::npos) << *text.text;
        const SessionResult read = ReadBack(s);
        ASSERT_TRUE(read.session) << read.error;
        EXPECT_EQ(read.session->view.zoom, c.zoom);
    }
}

// The example file is the writer's own text: what the window writes, byte for byte.
TEST(SessionWrite, WritesTheExampleAsItStands) {
    // Without "..", which keeps the writer from making names relative.
    const std::string path =
        std::filesystem::path(QUANDREL_TEST_DATA_DIR "/../../examples/session-v2.json")
            .lexically_normal()
            .string();
    const SessionResult read = LoadSession(path);
    ASSERT_TRUE(read.session) << read.error;
    const SessionText text = SessionToText(*read.session, path);
    ASSERT_TRUE(text.text) << text.error;
    EXPECT_EQ(*text.text, ReadAll(QString::fromStdString(path)).toStdString());
}

TEST(SessionWrite, SavesSafelyAndNeverOverAnImage) {
    QTemporaryDir dir;
    const std::string image = dir.filePath(QStringLiteral("a.bmp")).toStdString();
    {
        QFile file(QString::fromStdString(image));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write("BM picture");
    }
    Session s = TwoImages();
    s.images[1].path = image;
    const std::string link = dir.filePath(QStringLiteral("link.json")).toStdString();
    ASSERT_EQ(::symlink(image.c_str(), link.c_str()), 0);
    for (const std::string& target : {image, link}) {
        const SessionSaveResult saved = SaveSession(s, target);
        EXPECT_FALSE(saved.ok());
        EXPECT_EQ(saved.error, "cannot write " + target + ": it is the image " + image);
        EXPECT_EQ(saved.image, 1);
    }
    EXPECT_EQ(ReadAll(QString::fromStdString(image)), QByteArray("BM picture"));

    const SessionSaveResult missing = SaveSession(s, dir.filePath("no/s.json").toStdString());
    EXPECT_EQ(missing.write.error, WriteError::FolderMissing);
    EXPECT_FALSE(missing.ok());

    const std::string path = dir.filePath(QStringLiteral("s.json")).toStdString();
    ASSERT_TRUE(SaveSession(s, path).ok());
    const SessionResult back = LoadSession(path);
    ASSERT_TRUE(back.session) << back.error;
    EXPECT_EQ(back.session->images[1].path, image);  // written as "a.bmp"
    EXPECT_NE(ReadAll(QString::fromStdString(path)).indexOf("\"path\": \"a.bmp\""), -1);
}

}  // namespace
