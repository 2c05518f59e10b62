// SPDX-License-Identifier: GPL-3.0-or-later
// The batch tool's output by every kind of name: standard output and the other descriptors it
// was given, by any of their names; pipes and devices; and outputs that can never be written,
// refused before anything is measured. Also a run out of file descriptors.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <QFile>
#include <QImage>
#include <string>
#include <vector>

#include "batch/tool_run.h"
#include "support/sanitizer.h"

namespace {

const std::string kSession = QUANDREL_EXAMPLES_DIR "/session.json";

QByteArray Expected() {
    return ReadFile(QStringLiteral(QUANDREL_EXAMPLES_DIR "/expected.dat"));
}

TEST_F(BatchToolTest, OutputsByTheNamesOfDescriptorsPipesAndDevices) {
    const std::string log = Path(QStringLiteral("log")).toStdString();
    const std::string fifo = Path(QStringLiteral("fifo")).toStdString();
    const std::string got = Path(QStringLiteral("got")).toStdString();
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    const std::string err = Path(QStringLiteral("stderr.txt")).toStdString();
    // The tool's standard output is the FIFO, read into `got` by a reader started before; the
    // shell waits for both. ("#" hides the redirection the runner adds.)
    const std::string reader = "cat " + Quote(fifo) + " >" + Quote(got) + " & ";
    const std::string intoFifo = ">" + Quote(fifo) + " 2>" + Quote(err) + "; s=$?; wait; exit $s #";
    struct Case {
        std::string output;
        std::string before;    // shell text before the command
        std::string stdoutTo;  // the redirection of standard output
        std::string file;      // where the bytes must be, after "old\n" for ">>"
    };
    const Case cases[] = {
        // Appended to the log the shell opened, never put in its place.
        {"/dev/stdout", {}, ">>" + Quote(log), log},
        {"/proc/self/fd/1", {}, ">>" + Quote(log), log},
        {"/dev/fd/1", {}, ">>" + Quote(log), log},
        // A pipe is written as a stream, as "-o -" writes it.
        {"/dev/stdout", reader, intoFifo, got},
        {fifo, reader, ">/dev/null 2>" + Quote(err) + "; s=$?; wait; exit $s #", got},
        // Another descriptor the shell opened.
        {"/dev/fd/7", {}, "7>>" + Quote(log), log},
        // Nothing to keep.
        {"/dev/null", {}, {}, {}},
    };
    for (const Case& c : cases) {
        WriteFile(QString::fromStdString(log), "old\n");
        QFile::remove(QString::fromStdString(got));
        const ToolRun run = Exec({kSession, "-o", c.output}, c.stdoutTo, c.before);
        EXPECT_EQ(run.exitCode, 0) << c.output << " " << c.stdoutTo << ": " << run.err;
        if (c.file == log) {
            EXPECT_EQ(ReadFile(QString::fromStdString(log)), "old\n" + Expected()) << c.output;
        } else if (!c.file.empty()) {
            EXPECT_EQ(ReadFile(QString::fromStdString(c.file)), Expected()) << c.output;
        }
    }
}

// An output that can never be written is refused at once: the broken image of this session
// would be reported first otherwise, after the whole run.
TEST_F(BatchToolTest, AnOutputThatCanNeverBeWrittenIsRefusedFirst) {
    ASSERT_TRUE(SaveDisc(Path(QStringLiteral("ok.bmp")), 20));
    const std::string session =
        WriteSession("s.json", "[[60, 50, 115, 50]]", R"(["ok.bmp", "gone.bmp"])").toStdString();
    ASSERT_TRUE(QDir(m_dir.path()).mkdir(QStringLiteral("folder")));
    const std::string folder = Path(QStringLiteral("folder")).toStdString();
    struct Case {
        std::string output;
        std::string stdoutTo;
        std::string message;
    };
    const Case cases[] = {
        {folder, {}, "cannot write " + folder + ": it is a folder"},
        {"/dev/fd/9", {}, "cannot write /dev/fd/9: Bad file descriptor"},
        {"/dev/fd/0", "<" + Quote(session) + " >/dev/null", "cannot write /dev/fd/0: Bad file"},
        {"-", ">&-", "cannot write to standard output: standard output is closed"},
        {"/dev/stdout", ">&-", "cannot write to standard output: standard output is closed"},
    };
    for (const Case& c : cases) {
        const ToolRun run = Exec({session, "-o", c.output}, c.stdoutTo, "exec 9>&-; ");
        EXPECT_EQ(run.exitCode, 4) << c.output << ": " << run.err;
        EXPECT_NE(run.err.find(c.message), std::string::npos) << c.output << ": " << run.err;
        EXPECT_EQ(run.err.find("gone.bmp"), std::string::npos) << c.output << ": " << run.err;
    }
}

// With hardly a descriptor to spare, which file meets the limit depends on the number of jobs:
// the tool says what ran out, with a status of its own, and blames no file.
TEST_F(BatchToolTest, RunningOutOfDescriptorsIsAResourceFailure) {
    if (kAddressSanitizer) {
        GTEST_SKIP() << "the sanitizers' runtime needs descriptors of its own";
    }
    // A picture of 24 MB, whose file a job holds open for a while as it reads it: with many
    // jobs, their opens meet.
    QImage large(4000, 2000, QImage::Format_RGB32);
    large.fill(qRgb(200, 200, 200));
    ASSERT_TRUE(large.save(Path(QStringLiteral("large.bmp")), "BMP"));
    std::string images = "[";
    for (int k = 0; k < 64; ++k) images += k ? ", \"large.bmp\"" : "\"large.bmp\"";
    const std::string many =
        WriteSession("many.json", "[[100, 75, 195, 75]]", images + "]").toStdString();
    ASSERT_TRUE(SaveDisc(Path(QStringLiteral("ok.bmp")), 20));
    const std::string one =
        WriteSession("one.json", "[[60, 50, 115, 50]]", R"(["ok.bmp"])").toStdString();
    const std::string out = Path(QStringLiteral("out.dat")).toStdString();
    // Descriptors 0 to 4 only, and the shell's own above 2 closed; the shell redirects first,
    // as it needs descriptors above 9 for that.
    const std::string limit = "{ exec 3>&- 4>&- 5>&- 6>&- 7>&- 8>&- 9>&-; ulimit -n 5; ";
    const std::string redirect =
        "; } >/dev/null 2>" + Quote(Path(QStringLiteral("stderr.txt")).toStdString()) + " #";
    struct Case {
        std::string session;
        const char* jobs;
        bool outputExists;  // replacing a file takes two descriptors at once
        std::string doing;
    };
    const Case cases[] = {
        {many, "64", false, "opening an image"},
        {one, "1", true, "writing " + out},
    };
    for (const Case& c : cases) {
        if (c.outputExists) {
            WriteFile(QString::fromStdString(out), "old content");
        } else {
            QFile::remove(QString::fromStdString(out));
        }
        const ToolRun run = Exec({c.session, "-o", out, "--jobs", c.jobs}, redirect, limit);
        EXPECT_EQ(run.exitCode, 6) << c.doing << ": " << run.err;
        EXPECT_EQ(run.err, "quandrel-batch: out of resources: no file descriptor left for " +
                               c.doing +
                               " (too many open files); measure with fewer --jobs, or raise the "
                               "limit (ulimit -n)\n");
        EXPECT_EQ(QFile::exists(QString::fromStdString(out)), c.outputExists);
    }
}

}  // namespace
