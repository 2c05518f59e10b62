// SPDX-License-Identifier: GPL-3.0-or-later
// A shard told its K and N by a Slurm array task, and a resubmitted shard that finds its part
// file already written.
#include <gtest/gtest.h>

#include <map>
#include <string>

#include "batch/shard_resume.h"
#include "batch/tool_run.h"

namespace {

struct TaskCase {
    const char* what;
    std::map<std::string, std::string> env;
    std::uint32_t part;  // 0: refused
    std::uint32_t parts;
    const char* problem;  // part of the refusal's text
};

TEST(ShardOfArrayTaskTest, CountsTheTaskFromTheArraysStart) {
    const TaskCase cases[] = {
        {"from 1", {{"SLURM_ARRAY_TASK_ID", "3"}, {"SLURM_ARRAY_TASK_COUNT", "10"}}, 3, 10, ""},
        {"from 0",
         {{"SLURM_ARRAY_TASK_ID", "0"}, {"SLURM_ARRAY_TASK_COUNT", "10"},
          {"SLURM_ARRAY_TASK_MIN", "0"}},
         1, 10, ""},
        {"last from 0",
         {{"SLURM_ARRAY_TASK_ID", "9"}, {"SLURM_ARRAY_TASK_COUNT", "10"},
          {"SLURM_ARRAY_TASK_MIN", "0"}},
         10, 10, ""},
        {"from 10 by 5",
         {{"SLURM_ARRAY_TASK_ID", "20"}, {"SLURM_ARRAY_TASK_COUNT", "4"},
          {"SLURM_ARRAY_TASK_MIN", "10"}, {"SLURM_ARRAY_TASK_STEP", "5"}},
         3, 4, ""},
        {"unset", {{"SLURM_ARRAY_TASK_COUNT", "4"}}, 0, 0, "are not set"},
        {"no count", {{"SLURM_ARRAY_TASK_ID", "1"}}, 0, 0, "are not set"},
        {"empty id", {{"SLURM_ARRAY_TASK_ID", ""}, {"SLURM_ARRAY_TASK_COUNT", "4"}}, 0, 0,
         "SLURM_ARRAY_TASK_ID is \"\", not a number"},
        {"signed", {{"SLURM_ARRAY_TASK_ID", "-1"}, {"SLURM_ARRAY_TASK_COUNT", "4"}}, 0, 0,
         "not a number"},
        {"huge", {{"SLURM_ARRAY_TASK_ID", "1"}, {"SLURM_ARRAY_TASK_COUNT", "99999999999"}}, 0, 0,
         "SLURM_ARRAY_TASK_COUNT is \"99999999999\", not a number"},
        {"bad min",
         {{"SLURM_ARRAY_TASK_ID", "1"}, {"SLURM_ARRAY_TASK_COUNT", "4"},
          {"SLURM_ARRAY_TASK_MIN", "x"}},
         0, 0, "SLURM_ARRAY_TASK_MIN is \"x\""},
        {"below the start",
         {{"SLURM_ARRAY_TASK_ID", "3"}, {"SLURM_ARRAY_TASK_COUNT", "4"},
          {"SLURM_ARRAY_TASK_MIN", "5"}},
         0, 0, "task 3 is not in the array from 5 by 1"},
        {"between steps",
         {{"SLURM_ARRAY_TASK_ID", "4"}, {"SLURM_ARRAY_TASK_COUNT", "4"},
          {"SLURM_ARRAY_TASK_STEP", "2"}},
         0, 0, "not in the array from 1 by 2"},
        {"past the end", {{"SLURM_ARRAY_TASK_ID", "5"}, {"SLURM_ARRAY_TASK_COUNT", "4"}}, 0, 0,
         "task 5 is part 5 of 4, outside the array"},
        {"no tasks", {{"SLURM_ARRAY_TASK_ID", "1"}, {"SLURM_ARRAY_TASK_COUNT", "0"}}, 0, 0,
         "outside the array"},
        {"too many", {{"SLURM_ARRAY_TASK_ID", "1"}, {"SLURM_ARRAY_TASK_COUNT", "1000001"}}, 0, 0,
         "more than 1000000 parts"},
    };
    for (const TaskCase& c : cases) {
        const ArrayTaskShard got = ShardOfArrayTask([&c](const char* name) -> const char* {
            const auto found = c.env.find(name);
            return found == c.env.end() ? nullptr : found->second.c_str();
        });
        if (c.part == 0) {
            EXPECT_FALSE(got.shard) << c.what;
            EXPECT_NE(got.problem.find(c.problem), std::string::npos) << c.what << ": " << got.problem;
        } else {
            ASSERT_TRUE(got.shard) << c.what << ": " << got.problem;
            EXPECT_EQ(got.shard->part, c.part) << c.what;
            EXPECT_EQ(got.shard->parts, c.parts) << c.what;
        }
    }
}

class ShardResumeTest : public BatchToolTest {
protected:
    void SetUp() override {
        BatchToolTest::SetUp();
        std::string images = "[";
        for (int k = 0; k < 6; ++k) {
            const std::string file = "d" + std::to_string(k) + ".bmp";
            ASSERT_TRUE(SaveDisc(Path(QString::fromStdString(file)), 8 + 5 * k));
            images += (k ? ", \"" : "\"") + file + "\"";
        }
        images += "]";
        m_session = WriteSession("s.json", kLines, images).toStdString();
        m_other = WriteSession("other.json", std::string(kLines) + " ", images).toStdString();
    }

    std::string Part(const std::string& session, const char* shard, const char* name) {
        const std::string out = Path(QLatin1String(name)).toStdString();
        const ToolRun run = Exec({session, "--shard", shard, "-o", out});
        EXPECT_EQ(run.exitCode, 0) << run.err;
        return out;
    }

    static constexpr char kLines[] = "[[60, 50, 115, 50], [60, 50, 60, 98]]";
    std::string m_session;
    std::string m_other;
};

TEST_F(ShardResumeTest, SkipsOnlyAWholePartOfTheSameSessionKAndN) {
    const std::string fresh = Part(m_session, "2/3", "fresh.qpart");
    const QByteArray want = ReadFile(QString::fromStdString(fresh));
    struct Case {
        const char* what;
        std::function<QByteArray()> before;  // the file at the path first; null: none
        const char* note;                    // part of standard error
    };
    const auto partOf = [this](const std::string& session, const char* shard) {
        return ReadFile(QString::fromStdString(Part(session, shard, "made.qpart")));
    };
    const Case cases[] = {
        {"no file", nullptr, ""},
        {"the same part", [&] { return want; }, "is part 2 of 3 of this session already: skipped"},
        {"another K", [&] { return partOf(m_session, "1/3"); }, "rewritten as part 2 of 3: it is part 1 of 3"},
        {"another N", [&] { return partOf(m_session, "2/4"); }, "it is part 2 of 4"},
        {"another session", [&] { return partOf(m_other, "2/3"); }, "a part of another session"},
        {"cut short", [&] { return want.left(want.size() - 3); }, "truncated"},
        {"a flipped bit",
         [&] {
             QByteArray bytes = want;
             bytes[bytes.size() - 10] = static_cast<char>(bytes[bytes.size() - 10] ^ 1);
             return bytes;
         },
         "damaged"},
        {"not a part", [] { return QByteArray("image,path\n"); }, "not a part file"},
    };
    const QString out = Path(QStringLiteral("part.qpart"));
    for (const Case& c : cases) {
        QFile::remove(out);
        if (c.before) WriteFile(out, c.before());
        const ToolRun run = Exec({m_session, "--shard", "2/3", "-o", out.toStdString(), "--skip-done"});
        EXPECT_EQ(run.exitCode, 0) << c.what << ": " << run.err;
        EXPECT_NE(run.err.find(c.note), std::string::npos) << c.what << ": " << run.err;
        EXPECT_EQ(ReadFile(out), want) << c.what;
    }
}

TEST_F(ShardResumeTest, AutoShardIsTheArrayTasksPart) {
    const QByteArray want = ReadFile(QString::fromStdString(Part(m_session, "2/3", "want.qpart")));
    const std::string out = Path(QStringLiteral("auto.qpart")).toStdString();
    const ToolRun run =
        Exec({m_session, "--shard", "auto", "-o", out}, {},
             "SLURM_ARRAY_TASK_ID=1 SLURM_ARRAY_TASK_MIN=0 SLURM_ARRAY_TASK_COUNT=3 ");
    EXPECT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(ReadFile(QString::fromStdString(out)), want);

    struct Refused {
        std::vector<std::string> args;
        const char* message;
    };
    const Refused refused[] = {
        {{m_session, "--shard", "auto", "-o", out}, "SLURM_ARRAY_TASK_COUNT are not set"},
        {{m_session, "-o", out, "--skip-done"}, "--skip-done goes only with --shard"},
        {{m_session, "--shard", "1/2", "-o", "-", "--skip-done"}, "needs a part file"},
    };
    for (const Refused& r : refused) {
        const ToolRun bad = Exec(r.args, {}, "unset SLURM_ARRAY_TASK_ID SLURM_ARRAY_TASK_COUNT; ");
        EXPECT_EQ(bad.exitCode, 2) << r.message;
        EXPECT_NE(bad.err.find(r.message), std::string::npos) << bad.err;
    }
}

}  // namespace
