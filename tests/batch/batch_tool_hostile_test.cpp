// SPDX-License-Identifier: GPL-3.0-or-later
// The batch tool given what an attacker or a slip would give it: an output that is one of its
// inputs, a closed standard output, a folder whose name is not UTF-8, a session that never
// ends, and too little memory.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "batch/tool_run.h"
#include "support/sanitizer.h"

namespace {

const char kLines[] = "[[60, 50, 115, 50], [60, 50, 60, 98], [60, 50, 20, 10]]";

// Hidden temporary files left in the folder.
QStringList Temporaries(const QString& folder) {
    return QDir(folder).entryList({QStringLiteral(".*.tmp")}, QDir::Files | QDir::Hidden);
}

TEST_F(BatchToolTest, AnOutputThatIsAnInputIsRefused) {
    ASSERT_TRUE(SaveDisc(Path(QStringLiteral("ok.bmp")), 20));
    const QString session = WriteSession("s.json", kLines, R"(["ok.bmp", "ok.bmp"])");
    ASSERT_TRUE(QDir(m_dir.path()).mkdir(QStringLiteral("sub")));
    const std::string image = Path(QStringLiteral("ok.bmp")).toStdString();
    const std::string link = Path(QStringLiteral("link.bmp")).toStdString();
    const std::string hard = Path(QStringLiteral("hard.bmp")).toStdString();
    ASSERT_EQ(::symlink("ok.bmp", link.c_str()), 0);
    ASSERT_EQ(::link(image.c_str(), hard.c_str()), 0);
    const QByteArray sessionBytes = ReadFile(session);
    const QByteArray imageBytes = ReadFile(Path(QStringLiteral("ok.bmp")));

    const std::string s = session.toStdString();
    struct Case {
        std::string output;
        std::string stdoutTo;
        std::string message;
    };
    const Case cases[] = {
        {image, {}, "cannot write " + image + ": it is the image " + image},
        {s, {}, "cannot write " + s + ": it is the session file " + s},
        {m_dir.path().toStdString() + "/sub/../s.json", {}, "it is the session file " + s},
        {link, {}, "cannot write " + link + ": it is the image " + image},
        {hard, {}, "cannot write " + hard + ": it is the image " + image},
        {"-", ">>" + Quote(s), "cannot write standard output: it is the session file " + s},
    };
    for (const Case& c : cases) {
        const ToolRun run = Exec({s, "-o", c.output}, c.stdoutTo);
        EXPECT_EQ(run.exitCode, 2) << c.output << ": " << run.err;
        EXPECT_NE(run.err.find(c.message), std::string::npos) << run.err;
        EXPECT_EQ(ReadFile(session), sessionBytes) << c.output;
        EXPECT_EQ(ReadFile(Path(QStringLiteral("ok.bmp"))), imageBytes) << c.output;
        EXPECT_TRUE(Temporaries(m_dir.path()).isEmpty()) << c.output;
    }
}

TEST_F(BatchToolTest, AClosedStandardOutputIsReported) {
    const std::string session = QUANDREL_EXAMPLES_DIR "/session.json";
    const ToolRun piped = Exec({session, "-o", "-"}, ">&-");
    EXPECT_EQ(piped.exitCode, 4);
    EXPECT_EQ(piped.err,
              "quandrel-batch: cannot write to standard output: standard output is closed\n");
    // A file output does not need standard output; nothing may stray into the file either.
    const QString out = Path(QStringLiteral("out.dat"));
    const ToolRun toFile = Exec({session, "-o", out.toStdString()}, ">&-");
    EXPECT_EQ(toFile.exitCode, 0) << toFile.err;
    EXPECT_EQ(ReadFile(out), ReadFile(QStringLiteral(QUANDREL_EXAMPLES_DIR "/expected.dat")));
}

// Relative image paths resolve against the session's folder as bytes, whatever the name.
TEST_F(BatchToolTest, ASessionInAFolderWhoseNameIsNotUtf8) {
    const std::string folder = m_dir.path().toStdString() + "/caf\xe9 \xff";
    ASSERT_EQ(::mkdir(folder.c_str(), 0755), 0);
    for (const char* name : {"session.json", "disc.bmp", "square.jpg", "ellipse.gif"}) {
        std::filesystem::copy_file(std::string(QUANDREL_EXAMPLES_DIR "/") + name,
                                   folder + "/" + name);
    }
    const std::string out = folder + "/out.dat";
    const ToolRun run = Exec({folder + "/session.json", "-o", out});
    EXPECT_EQ(run.exitCode, 0) << run.err;
    // Read by its bytes: Qt's own name conversion cannot hold 0xFF.
    std::ifstream in(out, std::ios::binary);
    const std::string written{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    EXPECT_EQ(QByteArray::fromStdString(written),
              ReadFile(QStringLiteral(QUANDREL_EXAMPLES_DIR "/expected.dat")));
}

// Relative image paths are taken from the folder of the session file itself, wherever the name
// given for it stands: a symbolic link elsewhere, or standard input.
TEST_F(BatchToolTest, ASessionThroughALinkOrStandardInputFindsItsImages) {
    const std::string real = m_dir.path().toStdString() + "/real";
    const std::string elsewhere = m_dir.path().toStdString() + "/elsewhere";
    ASSERT_EQ(::mkdir(real.c_str(), 0755), 0);
    ASSERT_EQ(::mkdir(elsewhere.c_str(), 0755), 0);
    for (const char* name : {"session.json", "disc.bmp", "square.jpg", "ellipse.gif"}) {
        std::filesystem::copy_file(std::string(QUANDREL_EXAMPLES_DIR "/") + name,
                                   real + "/" + name);
    }
    const std::string session = real + "/session.json";
    ASSERT_EQ(::symlink("../real/session.json", (elsewhere + "/relative.json").c_str()), 0);
    ASSERT_EQ(::symlink(session.c_str(), (elsewhere + "/absolute.json").c_str()), 0);
    ASSERT_EQ(::symlink("relative.json", (elsewhere + "/chain.json").c_str()), 0);
    struct Case {
        std::string session;
        std::string before;
    };
    const Case cases[] = {
        {elsewhere + "/relative.json", {}},
        {elsewhere + "/absolute.json", {}},
        {elsewhere + "/chain.json", {}},
        {"/dev/stdin", "cd " + Quote(elsewhere) + " && exec <" + Quote(session) + "; "},
        // A pipe has no folder: the current one it is.
        {"/dev/stdin", "cd " + Quote(real) + " && cat session.json | "},
    };
    for (const Case& c : cases) {
        const ToolRun run = Exec({c.session, "-o", "-"}, {}, c.before);
        EXPECT_EQ(run.exitCode, 0) << c.session << ": " << run.err;
        EXPECT_EQ(run.out, ReadFile(QStringLiteral(QUANDREL_EXAMPLES_DIR "/expected.dat")))
            << c.session << " " << c.before;
    }
}

// A session file too large, a device that never ends and a pipe that never ends: each is
// refused without reading past the limit.
TEST_F(BatchToolTest, ASessionTooLargeToReadIsRefused) {
    const std::string big = Path(QStringLiteral("big.json")).toStdString();
    ASSERT_EQ(::truncate(WriteSession("big.json", kLines, "[]").toStdString().c_str(),
                         (off_t(64) << 20) + 1),
              0);  // sparse: refused by its size, before a byte is read
    const std::string tooLarge =
        ": cannot be read: it is larger than 64 MiB, the most a session "
        "file may hold\n";
    struct Case {
        std::string session;
        std::string before;
        std::string message;
    };
    const Case cases[] = {
        {big, {}, "quandrel-batch: " + big + tooLarge},
        {"/dev/zero", {}, "quandrel-batch: /dev/zero: cannot be read: it is not a regular file\n"},
        {"/dev/stdin", "yes | ", "quandrel-batch: /dev/stdin" + tooLarge},
    };
    const std::string out = Path(QStringLiteral("out.dat")).toStdString();
    for (const Case& c : cases) {
        const ToolRun run = Exec({c.session, "-o", out}, {}, c.before);
        EXPECT_EQ(run.exitCode, 2) << c.session;
        EXPECT_EQ(run.err, c.message);
    }
    EXPECT_FALSE(QFile::exists(QString::fromStdString(out)));
}

// An 8-bit run-length BMP of 8192 x 8192 pixels, every one coded, in some 560 KB: its 64 MB of
// palette indices fit in the memory allowed below, its 256 MB of 32-bit pixels do not.
QByteArray HugeRleBmp() {
    QByteArray runs;
    for (int row = 0; row < 8192; ++row) {
        for (int left = 8192; left > 0; left -= 255) {
            runs.append(static_cast<char>(std::min(left, 255))).append('\x07');
        }
        runs.append("\x00\x00", 2);  // end of the row
    }
    runs.append("\x00\x01", 2);  // end of the picture
    QByteArray bmp;
    const auto put = [&bmp](quint32 value, int bytes) {
        for (int k = 0; k < bytes; ++k) bmp.append(static_cast<char>((value >> (8 * k)) & 0xFF));
    };
    const quint32 offset = 14 + 40 + 256 * 4;
    const auto size = static_cast<quint32>(runs.size());
    bmp.append("BM");
    put(offset + size, 4), put(0, 4), put(offset, 4);
    put(40, 4), put(8192, 4), put(8192, 4), put(1, 2), put(8, 2);
    put(1, 4), put(size, 4), put(2835, 4), put(2835, 4), put(256, 4), put(0, 4);  // RLE8
    for (quint32 i = 0; i < 256; ++i) put(i * 0x010101u, 4);
    return bmp + runs;
}

TEST_F(BatchToolTest, RunningOutOfMemoryIsReportedAsThat) {
    if (kAddressSanitizer) {
        GTEST_SKIP() << "the address sanitizer cannot start under a data size limit";
    }
    // The data size limit of the tool's process, in KiB; the tool itself needs some 40 MB.
    const std::string limit = "ulimit -d 150000; ";
    ASSERT_TRUE(SaveDisc(Path(QStringLiteral("ok.bmp")), 20));
    WriteFile(Path(QStringLiteral("huge.bmp")), HugeRleBmp());
    const QString out = Path(QStringLiteral("out.dat"));
    WriteFile(out, "old content");
    const QString picture =
        WriteSession("picture.json", kLines, R"(["ok.bmp", "huge.bmp", "ok.bmp"])");
    // 5,000 images of 1,000 lines: within the session limits, but some 900 MB of records.
    std::string lines = "[";
    for (int k = 0; k < 1000; ++k) lines += k ? ",[0,0,9,9]" : "[0,0,9,9]";
    std::string images = "[";
    for (int k = 0; k < 5000; ++k) images += k ? ",\"ok.bmp\"" : "\"ok.bmp\"";
    const QString records = WriteSession("records.json", lines + "]", images + "]");
    // 300,000 images of 10 lines, each with its cursors: memory runs out while the text is
    // read, and what was read must go without asking for more.
    std::string entries = "[";
    for (int k = 0; k < 300000; ++k) {
        entries += std::string(k ? "," : "") + R"({"path": "ok.bmp", "cursors": [)" +
                   "null,null,null,null,null,null,null,null,null,null]}";
    }
    const QString parse =
        WriteSession("parse.json",
                     "[[0,0,9,0],[0,0,9,1],[0,0,9,2],[0,0,9,3],[0,0,9,4],[0,0,9,5],[0,0,9,6],"
                     "[0,0,9,7],[0,0,9,8],[0,0,9,9]]",
                     entries + "]");

    struct Case {
        QString session;
        const char* jobs;
        std::string message;
    };
    const std::string huge = Path(QStringLiteral("huge.bmp")).toStdString();
    const Case cases[] = {
        {picture, "1", "quandrel-batch: out of memory: " + huge + ": "},
        {picture, "3", "quandrel-batch: out of memory: " + huge + ": "},
        {records, "2", "quandrel-batch: out of memory\n"},
        {parse, "2", "quandrel-batch: out of memory\n"},
    };
    for (const Case& c : cases) {
        const ToolRun run =
            Exec({c.session.toStdString(), "-o", out.toStdString(), "--jobs", c.jobs}, {}, limit);
        EXPECT_EQ(run.exitCode, 5) << run.err;
        EXPECT_NE(run.err.find(c.message), std::string::npos) << run.err;
        EXPECT_EQ(ReadFile(out), QByteArray("old content"));
        EXPECT_TRUE(Temporaries(m_dir.path()).isEmpty());
    }
}

}  // namespace
