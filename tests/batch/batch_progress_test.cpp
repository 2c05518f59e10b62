// SPDX-License-Identifier: GPL-3.0-or-later
// The progress line: its text, how often it is rewritten, and the tool showing it only to a
// terminal.
#include "batch/batch_progress.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "batch/tool_run.h"
#include "export/locale_guard.h"

namespace {

TEST(ProgressText, CountRateAndTimeLeft) {
    struct Case {
        int done, total;
        double seconds;
        const char* text;
    };
    const Case cases[] = {
        {0, 10, 0.0, "image 0/10"},
        {1, 10, 0.0, "image 1/10"},  // no rate from no time
        {5, 10, 2.0, "image 5/10  2.50 images/s  0:02 left"},
        {3, 7, 0.5, "image 3/7  6.00 images/s  0:01 left"},
        {1000, 5000, 10.0, "image 1000/5000  100 images/s  0:40 left"},
        {1, 100000, 8.0, "image 1/100000  0.125 images/s  222:13:12 left"},
        {260, 300, 65.0, "image 260/300  4.00 images/s  0:10 left"},
        {10, 10, 4.0, "image 10/10  2.50 images/s  done in 0:04"},
        {7200, 7200, 3725.0, "image 7200/7200  1.93 images/s  done in 1:02:05"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(ProgressText(c.done, c.total, c.seconds), c.text);
    }
    const CommaLocale comma;
    ASSERT_TRUE(comma.active());
    EXPECT_EQ(ProgressText(5, 10, 2.0), "image 5/10  2.50 images/s  0:02 left");
}

// A thousand images in one second are a handful of rewrites, each covering the one before it,
// the last one the final count; the line ends once.
TEST(ProgressLine, RewritesAFewTimesASecondAndEndsTheLine) {
    double now = 100.0;
    std::vector<std::string> written;
    CProgressLine line([&](std::string_view text) { written.emplace_back(text); },
                       [&] { return now; });
    for (int done = 1; done <= 1000; ++done) {
        now += 0.001;
        line.Update(done, 1000);
    }
    line.Finish();
    ASSERT_GE(written.size(), 3u);
    EXPECT_LE(written.size(), 2 + 1.0 / CProgressLine::kInterval + 1);
    EXPECT_EQ(written.front(), "\rimage 1/1000  1000 images/s  0:01 left");
    EXPECT_EQ(written.back(), "\n");
    EXPECT_EQ(written[written.size() - 2], "\rimage 1000/1000  1000 images/s  done in 0:01");
    for (std::size_t k = 1; k + 1 < written.size(); ++k) {
        EXPECT_GE(written[k].size(), written[k - 1].size()) << written[k];
    }

    // A run that fails part way shows the last count before its line ends.
    written.clear();
    CProgressLine failed([&](std::string_view text) { written.emplace_back(text); },
                         [&] { return now; });
    failed.Update(1, 9);
    failed.Update(2, 9);
    failed.Finish();
    EXPECT_EQ(written, (std::vector<std::string>{"\rimage 1/9", "\rimage 2/9", "\n"}));
    // A shorter text blanks out the rest of the longer one before it.
    written.clear();
    now = 0.0;
    CProgressLine slow([&](std::string_view text) { written.emplace_back(text); },
                       [&] { return now; });
    now = 1000.0;
    slow.Update(2, 100);
    now = 1001.0;
    slow.Update(99, 100);
    EXPECT_EQ(written, (std::vector<std::string>{"\rimage 2/100  0.002 images/s  13:36:40 left",
                                                 "\rimage 99/100  0.099 images/s  0:10 left   "}));
    // Nothing shown, nothing to end.
    written.clear();
    CProgressLine([&](std::string_view text) { written.emplace_back(text); }).Finish();
    EXPECT_TRUE(written.empty());
}

// Runs the tool with standard error on a terminal of its own and returns what it showed there.
std::string OnATerminal(const std::vector<std::string>& args) {
    const int master = ::posix_openpt(O_RDWR | O_NOCTTY);
    if (master < 0 || ::grantpt(master) != 0 || ::unlockpt(master) != 0) return "<no pty>";
    const std::string slave = ::ptsname(master);
    // Held open here too, so that what the tool wrote stays readable after it ends.
    const int held = ::open(slave.c_str(), O_RDWR | O_NOCTTY);
    std::string command = Quote(QUANDREL_BATCH_EXE);
    for (const std::string& a : args) command += " " + Quote(a);
    command += " >/dev/null 2>" + Quote(slave);
    const int status = std::system(command.c_str());
    ::fcntl(master, F_SETFL, O_NONBLOCK);
    std::string shown;
    char buf[4096];
    for (ssize_t n; (n = ::read(master, buf, sizeof buf)) > 0;) shown.append(buf, buf + n);
    ::close(held);
    ::close(master);
    return std::to_string(WIFEXITED(status) ? WEXITSTATUS(status) : -1) + ":" + shown;
}

TEST_F(BatchToolTest, ProgressIsShownOnATerminalOnly) {
    const std::string out = Path(QStringLiteral("out.dat")).toStdString();
    const std::string examples = QUANDREL_EXAMPLES_DIR "/session.json";
    // The terminal turns each line end into CR LF.
    const std::string shown = OnATerminal({examples, "-o", out});
    EXPECT_EQ(shown.rfind("0:\rimage 1/3", 0), 0u) << shown;
    EXPECT_NE(shown.find("\rimage 3/3  "), std::string::npos) << shown;
    EXPECT_NE(shown.find(" images/s  done in 0:0"), std::string::npos) << shown;
    EXPECT_EQ(shown.substr(shown.size() - 2), "\r\n") << shown;
    EXPECT_EQ(OnATerminal({examples, "-o", out, "--quiet"}), "0:");
    EXPECT_EQ(OnATerminal({examples, "--shard", "2/2", "-o", out, "-q"}), "0:");

    // A failure comes on a line of its own, after the count reached.
    ASSERT_TRUE(SaveDisc(Path(QStringLiteral("ok.bmp")), 20));
    const QString broken =
        WriteSession("broken.json", "[[60, 50, 115, 50]]", R"(["ok.bmp", "gone.bmp", "ok.bmp"])");
    const std::string failed = OnATerminal({broken.toStdString(), "-o", out, "--jobs", "1"});
    EXPECT_EQ(failed.rfind("3:\rimage 1/3", 0), 0u) << failed;
    EXPECT_NE(failed.find("\r\nquandrel-batch: "), std::string::npos) << failed;
    // Not a terminal: nothing but the failure.
    const ToolRun logged = Exec({broken.toStdString(), "-o", out, "--jobs", "1"});
    EXPECT_EQ(logged.err.rfind("quandrel-batch: ", 0), 0u) << logged.err;
}

}  // namespace
