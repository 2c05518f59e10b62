// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <string>
#include <vector>

#include "batch/tool_run.h"

namespace {

const char kLines[] = "[[60, 50, 115, 50], [60, 50, 60, 98], [60, 50, 20, 10]]";

TEST_F(BatchToolTest, ReproducesTheExampleByteForByte) {
    const QByteArray expected = ReadFile(QStringLiteral(QUANDREL_EXAMPLES_DIR "/expected.dat"));
    ASSERT_TRUE(expected.startsWith("Pixcel Value\r\n"));
    const std::string session = QUANDREL_EXAMPLES_DIR "/session.json";
    for (const char* jobs : {"1", "3"}) {
        const QString out = Path(QStringLiteral("example.dat"));
        const ToolRun run = Exec({session, "-o", out.toStdString(), "--jobs", jobs});
        EXPECT_EQ(run.exitCode, 0) << run.err;
        EXPECT_EQ(ReadFile(out), expected) << "jobs " << jobs;
    }
    const ToolRun piped = Exec({session, "-o", "-"});
    EXPECT_EQ(piped.exitCode, 0) << piped.err;
    EXPECT_EQ(piped.out, expected);
    EXPECT_EQ(piped.err, "");  // no progress when standard error is not a terminal
}

// "--" ends the options: a session whose name begins with "-" follows it.
TEST_F(BatchToolTest, ASessionNamedLikeAnOptionFollowsTheDoubleDash) {
    for (const char* name : {"session.json", "disc.bmp", "square.jpg", "ellipse.gif"}) {
        ASSERT_TRUE(QFile::copy(QStringLiteral(QUANDREL_EXAMPLES_DIR "/") + QLatin1String(name),
                                Path(QLatin1String(name))));
    }
    ASSERT_TRUE(
        QFile::rename(Path(QStringLiteral("session.json")), Path(QStringLiteral("-x.json"))));
    const ToolRun run =
        Exec({"-o", "-", "--", "-x.json"}, {}, "cd " + Quote(m_dir.path().toStdString()) + " && ");
    EXPECT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(run.out, ReadFile(QStringLiteral(QUANDREL_EXAMPLES_DIR "/expected.dat")));
}

TEST_F(BatchToolTest, ThreadCountDoesNotChangeTheFile) {
    std::string images = "[";
    for (int k = 0; k < 9; ++k) {
        const std::string name = "d" + std::to_string(k) + (k % 2 ? ".jpg" : ".bmp");
        ASSERT_TRUE(SaveDisc(Path(QString::fromStdString(name)), 8 + 3 * k));
        images += (k ? ", \"" : "\"") + name + "\"";
    }
    images += "]";
    const QString session = WriteSession("s.json", kLines, images);
    ASSERT_EQ(
        Exec({session.toStdString(), "-o", Path("one.dat").toStdString(), "--jobs", "1"}).exitCode,
        0);
    ASSERT_EQ(
        Exec({session.toStdString(), "--jobs=3", "-o", Path("three.dat").toStdString()}).exitCode,
        0);
    const QByteArray one = ReadFile(Path(QStringLiteral("one.dat")));
    EXPECT_EQ(one.count("\r\n"), (2 + 9) + (3 + 9) + (2 + 9) + (2 + 9));
    EXPECT_EQ(one, ReadFile(Path(QStringLiteral("three.dat"))));
}

TEST_F(BatchToolTest, FailuresNameTheCauseAndLeaveTheOutputAlone) {
    ASSERT_TRUE(SaveDisc(Path(QStringLiteral("ok.bmp")), 20));
    WriteFile(Path(QStringLiteral("text.jpg")), "not a picture");
    // A run-length BMP cut to a third, with no image size in its header to give the cut away.
    const QByteArray rle = ReadFile(QStringLiteral(QUANDREL_TEST_DATA_DIR "/rle8.bmp"));
    WriteFile(Path(QStringLiteral("cut.bmp")), rle.left(rle.size() / 3));
    QDir(m_dir.path()).mkdir(QStringLiteral("folder.dat"));
    const std::string good = R"(["ok.bmp", "ok.bmp"])";
    const std::string out = Path(QStringLiteral("out.dat")).toStdString();

    struct Case {
        const char* name;
        QString session;                // empty: no session file is written
        std::vector<std::string> args;  // after the session path
        int exitCode;
        std::vector<std::string> inMessage;
    };
    const auto json = [&](const char* file, const std::string& text) {
        WriteFile(Path(QLatin1String(file)), QByteArray::fromStdString(text));
        return Path(QLatin1String(file));
    };
    const Case cases[] = {
        {"bad JSON",
         json("bad.json", "{\"quandrel-session\": 1,\n\"lines\": [}"),
         {"-o", out},
         2,
         {"bad.json:2:", "not valid JSON"}},
        {"wrong type",
         json(
             "type.json",
             R"({"quandrel-session": 1, "channel": "R", "lines": [[0,0,5,5]], "images": ["ok.bmp"]})"),
         {"-o", out},
         2,
         {"type.json: channel: expected an integer"}},
        {"out of range",
         WriteSession("range.json", kLines,
                      R"(["ok.bmp", {"path": "ok.bmp", "cursors": [1, 2147483648]}])"),
         {"-o", out},
         2,
         {"range.json: images[1].cursors[1]: expected an integer from 0 to 48"}},
        {"no lines",
         WriteSession("nolines.json", "[]", good),
         {"-o", out},
         2,
         {"nolines.json: no scan lines"}},
        {"version 2 without lines",
         json("v2nolines.json", R"({"quandrel-session": 2, "lines": [], "images": ["ok.bmp"]})"),
         {"-o", out},
         2,
         {"quandrel-batch: " + Path(QStringLiteral("v2nolines.json")).toStdString() +
          ": no scan lines"}},
        {"version 2 with a zoom of 3",
         json("zoom.json",
              R"({"quandrel-session": 2, "lines": [[0,0,5,5]], "images": ["ok.bmp"],
                  "view": {"zoom": 3}})"),
         {"-o", out},
         2,
         {"zoom.json: view.zoom: expected 0.25, 0.5, 1, 2, 4 or \"fit\""}},
        {"missing session",
         Path(QStringLiteral("nowhere.json")),
         {"-o", out},
         2,
         {"nowhere.json: cannot be read: No such file or directory"}},
        {"missing image",
         WriteSession("missing.json", kLines, R"(["ok.bmp", "gone.gif"])"),
         {"-o", out},
         3,
         {"gone.gif: cannot be opened: No such file or directory"}},
        {"undecodable image",
         WriteSession("text.json", kLines, R"(["text.jpg", "ok.bmp"])"),
         {"-o", out},
         3,
         {"text.jpg: cannot be decoded: "}},
        {"damaged image",
         WriteSession("cut.json", kLines, R"(["ok.bmp", "cut.bmp"])"),
         {"-o", out},
         3,
         {"cut.bmp: cannot be decoded: the file ends inside the pixel data"}},
        {"output in a missing folder",
         WriteSession("ok1.json", kLines, good),
         {"-o", Path(QStringLiteral("no/such/out.dat")).toStdString()},
         4,
         {"no/such/out.dat"}},
        {"output is a folder",
         WriteSession("ok2.json", kLines, good),
         {"-o", Path(QStringLiteral("folder.dat")).toStdString()},
         4,
         {"folder.dat"}},
        {"no output", WriteSession("ok3.json", kLines, good), {}, 2, {"usage:"}},
        {"jobs zero",
         WriteSession("ok4.json", kLines, good),
         {"-o", out, "--jobs", "0"},
         2,
         {"--jobs"}},
        {"jobs not a number",
         WriteSession("ok5.json", kLines, good),
         {"-o", out, "--jobs", "x"},
         2,
         {"--jobs"}},
        {"unknown option",
         WriteSession("ok6.json", kLines, good),
         {"-o", out, "--fast"},
         2,
         {"--fast"}},
        {"two sessions",
         WriteSession("ok7.json", kLines, good),
         {"other.json", "-o", out},
         2,
         {"other.json"}},
        // A second value would silently win over the first.
        {"two outputs",
         WriteSession("ok8.json", kLines, good),
         {"-o", out, "--output", Path(QStringLiteral("b.dat")).toStdString()},
         2,
         {"-o (--output) is given more than once"}},
        {"two formats",
         WriteSession("ok9.json", kLines, good),
         {"-o", out, "--format=csv", "--format", "dat"},
         2,
         {"--format is given more than once"}},
        {"two job counts",
         WriteSession("ok10.json", kLines, good),
         {"-o", out, "-j", "2", "--jobs=3"},
         2,
         {"--jobs (-j) is given more than once"}},
        {"a session named like an option",
         WriteSession("ok11.json", kLines, good),
         {"-o", out, "-x.json"},
         2,
         {"unknown option -x.json"}},
    };
    for (const Case& c : cases) {
        WriteFile(QString::fromStdString(out), "old content");
        std::vector<std::string> args = {c.session.toStdString()};
        args.insert(args.end(), c.args.begin(), c.args.end());
        const ToolRun run = Exec(args);
        EXPECT_EQ(run.exitCode, c.exitCode) << c.name << ": " << run.err;
        for (const std::string& part : c.inMessage) {
            EXPECT_NE(run.err.find(part), std::string::npos) << c.name << ": " << run.err;
        }
        EXPECT_EQ(ReadFile(QString::fromStdString(out)), QByteArray("old content")) << c.name;
        EXPECT_TRUE(run.out.isEmpty()) << c.name;
    }
    EXPECT_FALSE(QFile::exists(Path(QStringLiteral("no"))));
    EXPECT_TRUE(QDir(Path(QStringLiteral("folder.dat"))).isEmpty());
    EXPECT_EQ(Exec({}).exitCode, 2);
}

// --help and --version answer on standard output wherever they stand, and measure nothing: the
// session and output given with them are not touched.
TEST_F(BatchToolTest, HelpAndVersionGoToStandardOutput) {
    const std::string session = QUANDREL_EXAMPLES_DIR "/session.json";
    const QString out = Path(QStringLiteral("out.dat"));
    const std::string o = out.toStdString();
    const std::string version = "quandrel-batch " QUANDREL_VERSION "\n";
    struct Case {
        std::vector<std::string> args;
        std::string stdoutTo;
        int exitCode;
        std::string out;  // the whole of standard output, or "usage" for the usage text
        std::string err;  // a part of standard error; empty for none at all
    };
    const std::vector<Case> cases = {
        {{"--version"}, {}, 0, version, {}},
        {{session, "-o", o, "--version"}, {}, 0, version, {}},
        {{"merge", "a.part", "--version"}, {}, 0, version, {}},
        {{"--help"}, {}, 0, "usage", {}},
        {{"-h", session, "-o", o}, {}, 0, "usage", {}},
        {{"merge", "-h"}, {}, 0, "usage", {}},
        {{"--version"}, ">/dev/full", 4, {}, "cannot write to standard output"},
        {{"--help"}, ">/dev/full", 4, {}, "cannot write to standard output"},
        {{"--versions"}, {}, 2, {}, "unknown option --versions"},
        {{session, "-o", o, "-o", o, "--help"}, {}, 0, "usage", {}},
        {{"-o", "--help", "--version", session}, {}, 0, version, {}},
    };
    for (const Case& c : cases) {
        WriteFile(out, "old content");
        const ToolRun run = Exec(c.args, c.stdoutTo);
        const std::string name = c.args.front() + " " + c.args.back() + " " + c.stdoutTo;
        EXPECT_EQ(run.exitCode, c.exitCode) << name << ": " << run.err;
        if (c.out == "usage") {
            EXPECT_TRUE(run.out.startsWith("usage: quandrel-batch")) << name;
            EXPECT_NE(run.out.indexOf("--version"), -1) << name;
        } else if (c.stdoutTo.empty()) {
            EXPECT_EQ(run.out.toStdString(), c.out) << name;
        }
        if (c.err.empty()) {
            EXPECT_EQ(run.err, "") << name;
        } else {
            EXPECT_NE(run.err.find(c.err), std::string::npos) << name << ": " << run.err;
        }
        EXPECT_EQ(ReadFile(out), QByteArray("old content")) << name;
    }
}

}  // namespace
