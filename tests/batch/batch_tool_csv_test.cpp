// SPDX-License-Identifier: GPL-3.0-or-later
// The batch tool's tidy table: the examples' numbers are the data file's, and the options that
// choose it are checked like every other.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <string>
#include <vector>

#include "batch/tool_run.h"
#include "export/tidy_check.h"

namespace {

TEST_F(BatchToolTest, TheExamplesTablesHoldTheDataFilesNumbers) {
    const std::string expected =
        ReadFile(QStringLiteral(QUANDREL_EXAMPLES_DIR "/expected.dat")).toStdString();
    const std::string out = Path(QStringLiteral("out")).toStdString();
    for (const char* session : {"/session.json", "/session-v2.json"}) {
        const std::string path = QUANDREL_EXAMPLES_DIR + std::string(session);
        const ToolRun dat = Exec({path, "--format", "dat", "-o", out});
        ASSERT_EQ(dat.exitCode, 0) << dat.err;
        EXPECT_EQ(ReadFile(QString::fromStdString(out)).toStdString(), expected) << session;

        const ToolRun comma = Exec({path, "--format", "csv", "-o", out});
        ASSERT_EQ(comma.exitCode, 0) << comma.err;
        const std::string table = ReadFile(QString::fromStdString(out)).toStdString();
        const ToolRun semicolon = Exec({path, "-o", "-", "--format=csv", "--semicolon"});
        ASSERT_EQ(semicolon.exitCode, 0) << semicolon.err;
        std::size_t numbers = 0;
        EXPECT_EQ(tidy_check::Compare(table, ',', '.', expected, numbers), "") << table;
        EXPECT_EQ(tidy_check::Compare(semicolon.out.toStdString(), ';', ',', expected, numbers), "")
            << semicolon.out.toStdString();
        // Three images of three lines: two pixels, two values, a length and an area per row.
        EXPECT_EQ(numbers, 2u * 3 * 3 * 6);
        const std::vector<tidy_check::Row> rows = tidy_check::ParseCsv(table, ',');
        ASSERT_EQ(rows.size(), 10u);
        EXPECT_EQ(rows[1][1], QUANDREL_EXAMPLES_DIR "/disc.bmp");
    }
}

TEST_F(BatchToolTest, TheTableOptionsAreCheckedAndTheTableWrittenSafely) {
    ASSERT_TRUE(SaveDisc(Path(QStringLiteral("ok.bmp")), 20));
    const std::string session =
        WriteSession("s.json", "[[60, 50, 115, 50]]", R"(["ok.bmp"])").toStdString();
    const QString out = Path(QStringLiteral("out.csv"));
    const std::string o = out.toStdString();
    const std::string image = Path(QStringLiteral("ok.bmp")).toStdString();
    const struct {
        std::vector<std::string> args;  // after the session path
        int exitCode;
        std::string message;
    } cases[] = {
        {{"-o", o, "--format", "xml"}, 2, "--format: expected dat or csv, not \"xml\""},
        {{"-o", o, "--format=", "csv"}, 2, "--format: expected dat or csv, not \"\""},
        {{"-o", o, "--format"}, 2, "--format needs dat or csv"},
        {{"-o", o, "--semicolon"}, 2, "--semicolon goes only with --format csv"},
        {{"-o", o, "--format", "dat", "--semicolon"}, 2, "--semicolon goes only with"},
        {{"-o", image, "--format", "csv"}, 2, "it is the image " + image},
        {{"-o", Path(QStringLiteral("no/t.csv")).toStdString(), "--format", "csv"}, 4, "no/t.csv"},
    };
    for (const auto& c : cases) {
        WriteFile(out, "old content");
        std::vector<std::string> args = {session};
        args.insert(args.end(), c.args.begin(), c.args.end());
        const ToolRun run = Exec(args);
        EXPECT_EQ(run.exitCode, c.exitCode) << c.message << ": " << run.err;
        EXPECT_NE(run.err.find(c.message), std::string::npos) << run.err;
        EXPECT_EQ(ReadFile(out), QByteArray("old content")) << c.message;
    }
    const ToolRun help = Exec({"--help"});
    EXPECT_NE(help.out.indexOf("--semicolon  csv only"), -1) << help.out.toStdString();
}

}  // namespace

namespace {

// A session's cursors say how they came there; one detected under other settings than the
// session's is written as it is, with those settings, and a warning.
TEST_F(BatchToolTest, KeptDetectionsKeepTheirSettingsAndAreWarnedOf) {
    ASSERT_TRUE(SaveDisc(Path(QStringLiteral("ok.bmp")), 20));
    const QString session = Path(QStringLiteral("found.json"));
    WriteFile(session, R"({"quandrel-session": 2, "edgeMode": 3,
        "detections": [{"channel": 1, "edgeMode": 0, "lineWidth": 3}],
        "lines": [[60, 50, 115, 50], [60, 50, 60, 98], [60, 50, 20, 10]],
        "images": [{"path": "ok.bmp", "cursors": [4, 6, null], "found": "0+."}]})");
    const ToolRun run = Exec({session.toStdString(), "-o", "-", "--format", "csv"});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    const std::vector<tidy_check::Row> rows = tidy_check::ParseCsv(run.out.toStdString(), ',');
    ASSERT_EQ(rows.size(), 4u);
    EXPECT_EQ(rows[1][rows[1].size() - 2], "detected");
    EXPECT_EQ(rows[1].back(), "minimum red width=3");
    EXPECT_EQ(rows[2][rows[2].size() - 2], "hand-placed");
    EXPECT_EQ(rows[3].back(), "steepest-rise average width=1");  // detected by this run
    const std::string warning =
        "quandrel-batch: warning: 1 edge point was found with other settings than the session's, "
        "and written as found\n";
    EXPECT_EQ(run.err, warning);
    // A shard says so too; a merge, which knows no session, says nothing.
    const std::string part = Path(QStringLiteral("p.qpart")).toStdString();
    const ToolRun shard = Exec({session.toStdString(), "--shard", "1/1", "-o", part});
    ASSERT_EQ(shard.exitCode, 0) << shard.err;
    EXPECT_EQ(shard.err, warning);
}

}  // namespace

namespace {

// The time rule reaches the table's time column; the data file is the same with it or without.
TEST_F(BatchToolTest, TheTimeRuleGivesTheTableItsTimesAndLeavesTheDataFile) {
    for (const char* name : {"a.bmp", "b.bmp"})
        ASSERT_TRUE(SaveDisc(Path(QLatin1String(name)), 20));
    // b.bmp modified 1.5 s and 3 ns after a.bmp.
    const auto touch = [this](const char* name, long sec, long nsec) {
        const timespec times[2] = {{sec, nsec}, {sec, nsec}};
        return utimensat(AT_FDCWD, Path(QLatin1String(name)).toLocal8Bit().constData(), times, 0);
    };
    ASSERT_EQ(touch("a.bmp", 1'600'000'000, 500'000'000), 0);
    ASSERT_EQ(touch("b.bmp", 1'600'000'002, 3), 0);
    const auto session = [this](const char* name, const std::string& rule) {
        const QString path = Path(QLatin1String(name));
        WriteFile(path, QByteArray::fromStdString(
                            R"({"quandrel-session": 2, "edgeMode": 3, )" + rule +
                            R"("lines": [[60, 50, 115, 50]], "images": ["a.bmp", "b.bmp"]})"));
        return path.toStdString();
    };
    const struct {
        const char* name;
        std::string rule;
        std::vector<std::string> times;  // empty: no time column
    } cases[] = {
        {"none.json", "", {}},
        {"interval.json",
         R"("timeRule": "interval", "timeInterval": 0.25, "timeStart": -1, )",
         {"-1", "-0.75"}},
        {"files.json", R"("timeRule": "fileTime", )", {"0", "1.500000003"}},
    };
    std::string dataFile;
    for (const auto& c : cases) {
        const std::string path = session(c.name, c.rule);
        const ToolRun table = Exec({path, "-o", "-", "--format", "csv"});
        ASSERT_EQ(table.exitCode, 0) << table.err;
        EXPECT_EQ(table.err, "") << c.name;
        const std::vector<tidy_check::Row> rows =
            tidy_check::ParseCsv(table.out.toStdString(), ',');
        ASSERT_EQ(rows.size(), 3u) << c.name;
        EXPECT_EQ(rows[0][2], c.times.empty() ? "line" : "time") << c.name;
        for (std::size_t i = 0; i < c.times.size(); ++i)
            EXPECT_EQ(rows[i + 1][2], c.times[i]) << c.name;
        const ToolRun dat = Exec({path, "-o", "-", "--format", "dat"});
        ASSERT_EQ(dat.exitCode, 0) << dat.err;
        if (dataFile.empty()) dataFile = dat.out.toStdString();
        EXPECT_EQ(dat.out.toStdString(), dataFile) << c.name;
    }
}

}  // namespace
