// SPDX-License-Identifier: GPL-3.0-or-later
// The provenance beside a table, through the built tool: what it records, and verify telling
// changed and missing inputs from unchanged ones.
#include <gtest/gtest.h>
#include <utime.h>

#include <QCryptographicHash>
#include <nlohmann/json.hpp>

#include "batch/tool_run.h"

namespace {

std::string Sha256Of(const QString& path) {
    return QCryptographicHash::hash(ReadFile(path), QCryptographicHash::Sha256).toHex().toStdString();
}

nlohmann::json ReadJson(const QString& path) {
    return nlohmann::json::parse(ReadFile(path).toStdString(), nullptr, false);
}

class ProvenanceToolTest : public BatchToolTest {
protected:
    void SetUp() override {
        BatchToolTest::SetUp();
        for (int k = 0; k < 3; ++k) {
            ASSERT_TRUE(SaveDisc(Path(QStringLiteral("d%1.bmp").arg(k)), 10 + 6 * k));
        }
        m_session = WriteSession("s.json", "[[60, 50, 115, 50], [60, 50, 60, 98]]",
                                 R"(["d0.bmp", "d1.bmp", "d2.bmp"])");
        m_out = Path(QStringLiteral("out.csv"));
    }

    ToolRun Measure() {
        return Exec({m_session.toStdString(), "-o", m_out.toStdString(), "--format", "csv",
                     "--provenance"});
    }

    QString m_session;
    QString m_out;
};

TEST_F(ProvenanceToolTest, RecordsTheRunAndLeavesTheTableAsItWas) {
    const ToolRun plain = Exec({m_session.toStdString(), "-o", "-", "--format", "csv"});
    const ToolRun run = Measure();
    ASSERT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(ReadFile(m_out), plain.out);
    const nlohmann::json doc = ReadJson(m_out + ".json");
    ASSERT_TRUE(doc.is_object()) << ReadFile(m_out + ".json").toStdString();
    EXPECT_EQ(doc["program"], "quandrel-batch");
    EXPECT_EQ(doc["version"], QUANDREL_VERSION);
    EXPECT_EQ(doc["output"], m_out.toStdString());
    const std::string date = doc["date"];
    EXPECT_EQ(date.size(), 20u);
    EXPECT_EQ(date.back(), 'Z');
    EXPECT_EQ(doc["session"]["sha256"], Sha256Of(m_session));
    EXPECT_EQ(doc["commandLine"].back(), "--provenance");
    EXPECT_EQ(doc["options"]["edgeMode"], 3);
    EXPECT_EQ(doc["options"]["lines"].size(), 2u);
    EXPECT_FALSE(doc["options"].contains("images"));
    const QString inputs[] = {m_session, Path(QStringLiteral("d0.bmp")),
                              Path(QStringLiteral("d1.bmp")), Path(QStringLiteral("d2.bmp"))};
    ASSERT_EQ(doc["inputs"].size(), 4u);
    for (std::size_t k = 0; k < 4; ++k) {
        const nlohmann::json& input = doc["inputs"][k];
        EXPECT_EQ(input["path"], inputs[k].toStdString());
        EXPECT_EQ(input["size"], ReadFile(inputs[k]).size());
        EXPECT_EQ(input["sha256"], Sha256Of(inputs[k]));
        EXPECT_GT(input["modifiedNs"].get<std::int64_t>(), 1'000'000'000'000'000'000);
    }
}

TEST_F(ProvenanceToolTest, VerifyNamesWhatChangedSince) {
    const QString image = Path(QStringLiteral("d1.bmp"));
    const std::string imageName = image.toStdString();
    const QString session = m_session;
    struct Case {
        const char* what;
        std::function<void()> change;
        int status;
        std::vector<std::string> said;  // on standard output
    };
    const Case cases[] = {
        {"nothing", [] {}, 0, {"all 4 inputs as recorded"}},
        {"an image's bytes",
         [&] {
             QByteArray bytes = ReadFile(image);
             bytes[bytes.size() - 1] = static_cast<char>(bytes[bytes.size() - 1] ^ 1);
             WriteFile(image, bytes);
         },
         1, {"changed: " + imageName, "1 of 4 inputs changed or missing"}},
        {"the session", [&] { WriteFile(session, ReadFile(session) + " "); }, 1,
         {"changed: " + session.toStdString()}},
        {"an image gone", [&] { QFile::remove(image); }, 1,
         {"missing: " + imageName + ": No such file or directory"}},
        {"the same bytes, touched",
         [&] {
             const utimbuf old{1000, 1000};
             ::utime(imageName.c_str(), &old);
         },
         0, {"touched: " + imageName, "all 4 inputs as recorded"}},
    };
    for (const Case& c : cases) {
        SetUp();  // fresh files each time
        ASSERT_EQ(Measure().exitCode, 0) << c.what;
        c.change();
        const ToolRun run = Exec({"verify", (m_out + ".json").toStdString()});
        EXPECT_EQ(run.exitCode, c.status) << c.what << ": " << run.out.toStdString() << run.err;
        for (const std::string& text : c.said) {
            EXPECT_TRUE(run.out.contains(text.c_str())) << c.what << ": " << run.out.toStdString();
        }
    }
}

TEST_F(ProvenanceToolTest, MergeRecordsThePartsAndTheSessionsHash) {
    std::vector<std::string> merge = {"merge"};
    for (int k = 1; k <= 2; ++k) {
        const std::string part = Path(QStringLiteral("p%1.qpart").arg(k)).toStdString();
        ASSERT_EQ(Exec({m_session.toStdString(), "--shard", std::to_string(k) + "/2", "-o", part})
                      .exitCode,
                  0);
        merge.push_back(part);
    }
    const ToolRun single = Exec({m_session.toStdString(), "-o", "-", "--format", "csv"});
    merge.insert(merge.end(), {"-o", m_out.toStdString(), "--format", "csv", "--provenance"});
    const ToolRun run = Exec(merge);
    ASSERT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(ReadFile(m_out), single.out);
    const nlohmann::json doc = ReadJson(m_out + ".json");
    EXPECT_EQ(doc["session"]["sha256"], Sha256Of(m_session));
    EXPECT_TRUE(doc["session"]["path"].is_null());
    ASSERT_EQ(doc["inputs"].size(), 2u);
    EXPECT_EQ(doc["inputs"][1]["path"], merge[2]);
    EXPECT_EQ(Exec({"verify", (m_out + ".json").toStdString()}).exitCode, 0);
}

TEST_F(ProvenanceToolTest, RefusalsAndFailures) {
    QDir().mkdir(Path(QStringLiteral("blocked.csv.json")));
    WriteFile(Path(QStringLiteral("junk.json")), "{\"quandrel-session\": 1}");
    // A session whose name is that of the table's provenance.
    const QString clash = Path(QStringLiteral("t.csv.json"));
    WriteFile(clash, ReadFile(m_session));
    const std::string s = m_session.toStdString();
    const struct {
        std::vector<std::string> args;
        int status;
        const char* message;
    } cases[] = {
        {{s, "-o", m_out.toStdString(), "--provenance"}, 2, "--provenance goes only with --format csv"},
        {{s, "-o", "-", "--format", "csv", "--provenance"}, 2, "needs a file as the output"},
        {{s, "-o", Path(QStringLiteral("blocked.csv")).toStdString(), "--format", "csv",
          "--provenance"},
         4, "blocked.csv.json"},
        {{clash.toStdString(), "-o", Path(QStringLiteral("t.csv")).toStdString(), "--format",
          "csv", "--provenance"},
         2, "it is the session file"},
        {{"verify", Path(QStringLiteral("gone.json")).toStdString()}, 2, "gone.json: cannot be read"},
        {{"verify", Path(QStringLiteral("junk.json")).toStdString()}, 2, "not a provenance file"},
        {{"verify"}, 2, "no provenance file"},
    };
    for (const auto& c : cases) {
        const ToolRun run = Exec(c.args);
        EXPECT_EQ(run.exitCode, c.status) << c.message << ": " << run.err;
        EXPECT_NE(run.err.find(c.message), std::string::npos) << run.err;
    }
    EXPECT_EQ(ReadFile(clash), ReadFile(m_session));
    EXPECT_FALSE(QFile::exists(Path(QStringLiteral("t.csv"))));
}

}  // namespace
