// SPDX-License-Identifier: GPL-3.0-or-later
// Shards and their merge, through the built tool: the merged file is the single run's, byte for
// byte, and every set of parts that is not one session's whole set is refused by name.
#include <gtest/gtest.h>

#include <QFile>
#include <QImage>
#include <algorithm>
#include <string>
#include <vector>

#include <tiffio.h>

#include "batch/tool_run.h"

namespace {

const char kLines[] = "[[60, 50, 115, 50], [60, 50, 60, 98], [60, 50, 20, 10]]";
const std::string kExamples = QUANDREL_EXAMPLES_DIR "/session.json";

class ShardToolTest : public BatchToolTest {
protected:
    // Ten discs, BMP and JPEG, some with their own calibration and some with kept cursors.
    std::string MakeSeries(const char* name = "series.json") {
        std::string images = "[";
        for (int k = 0; k < 10; ++k) {
            const std::string file = "d" + std::to_string(k) + (k % 3 ? ".bmp" : ".jpg");
            EXPECT_TRUE(SaveDisc(Path(QString::fromStdString(file)), 6 + 4 * k));
            std::string entry = "\"" + file + "\"";
            if (k % 4 == 1) {
                entry = R"({"path": ")" + file + R"(", "axis": {"origin": {"pixel": [10, 90],
                    "value": [0, 0]}, "xAxis": {"pixel": [110, 90], "value": [)" +
                        std::to_string(k) + R"(, 0]}, "yAxis": {"pixel": [10, 10],
                    "value": [0, 2.5]}}})";
            } else if (k == 6) {
                entry = R"({"path": ")" + file + R"(", "cursors": [3, null, 17]})";
            }
            images += (k ? ", " : "") + entry;
        }
        return WriteSession(name, kLines, images + "]").toStdString();
    }

    // Runs every shard of N and returns the part files' paths, in order of K.
    std::vector<std::string> Shards(const std::string& session, int parts, const char* tag) {
        std::vector<std::string> paths;
        for (int k = 1; k <= parts; ++k) {
            const std::string part =
                Path(QString::asprintf("%s-%d-of-%d.qpart", tag, k, parts)).toStdString();
            const ToolRun run =
                Exec({session, "--shard", std::to_string(k) + "/" + std::to_string(parts), "-o",
                      part, "--jobs", "2"});
            EXPECT_EQ(run.exitCode, 0) << k << "/" << parts << ": " << run.err;
            paths.push_back(part);
        }
        return paths;
    }

    std::vector<std::string> Merge(std::vector<std::string> parts, const std::string& out) {
        parts.insert(parts.begin(), "merge");
        parts.insert(parts.end(), {"-o", out});
        return parts;
    }
};

TEST_F(ShardToolTest, MergedShardsAreTheSingleRunByteForByte) {
    const std::string out = Path(QStringLiteral("merged.dat")).toStdString();
    const std::string series = MakeSeries();
    for (const std::string& session : {kExamples, series}) {
        const ToolRun single = Exec({session, "-o", "-"});
        ASSERT_EQ(single.exitCode, 0) << single.err;
        if (session == kExamples) {
            EXPECT_EQ(single.out, ReadFile(QStringLiteral(QUANDREL_EXAMPLES_DIR "/expected.dat")));
        }
        // 7 and 15 leave parts empty on three images, 15 on ten.
        for (const int parts : {1, 2, 3, 7, 15}) {
            std::vector<std::string> paths = Shards(session, parts, "p");
            std::reverse(paths.begin(), paths.end());  // any order
            const ToolRun merged = Exec(Merge(paths, out));
            EXPECT_EQ(merged.exitCode, 0) << merged.err;
            EXPECT_EQ(ReadFile(QString::fromStdString(out)), single.out)
                << session << " in " << parts << " parts";
            EXPECT_EQ(merged.err, "");
        }
    }
    // To standard output as well, and in every format: the format goes with the merge. The
    // table's sub-pixel columns and how each cursor came there survive the parts too.
    QByteArray text = ReadFile(QString::fromStdString(series));
    text.replace(R"("quandrel-session": 1,)", R"("quandrel-session": 2, "subPixel": true,
        "lineWidth": 3, "smoothing": 2, "smoothWidth": 5,)");
    const std::string fine = Path(QStringLiteral("fine.json")).toStdString();
    WriteFile(QString::fromStdString(fine), text);
    // Lines under caliper rules of their own: a pair across the disc's rim and a first edge.
    text = ReadFile(QString::fromStdString(series));
    text.replace(R"("quandrel-session": 1,)", R"("quandrel-session": 3, "lineRules": [
        {"kind": "pair", "pairOrder": "fall-rise", "sigma": 1.5, "estimator": "step-fit"}, null,
        {"kind": "edge", "polarity": "rising", "select": "first", "estimator": "gaussian"}],)");
    const std::string caliper = Path(QStringLiteral("caliper.json")).toStdString();
    WriteFile(QString::fromStdString(caliper), text);
    for (const std::string& session : {series, fine, caliper}) {
        const std::vector<std::string> halves = Shards(session, 2, "s");
        for (const std::vector<std::string>& format : std::vector<std::vector<std::string>>{
                 {}, {"--format", "csv"}, {"--format=csv", "--semicolon"}}) {
            std::vector<std::string> merge = Merge(halves, "-");
            std::vector<std::string> single = {session, "-o", "-"};
            merge.insert(merge.end(), format.begin(), format.end());
            single.insert(single.end(), format.begin(), format.end());
            const ToolRun piped = Exec(merge);
            EXPECT_EQ(piped.exitCode, 0) << piped.err;
            EXPECT_EQ(piped.out, Exec(single).out) << (format.empty() ? "dat" : format.back());
            if (session == caliper && !format.empty()) {
                EXPECT_TRUE(piped.out.contains("edge_status") && piped.out.contains("pair fall-rise"))
                    << piped.out.toStdString();
            }
            if (session == fine && !format.empty()) {
                EXPECT_TRUE(piped.out.contains("x_sub"));
                EXPECT_TRUE(piped.out.contains("detected") &&
                            piped.out.contains("steepest-rise average width=3 gaussian=5 sub-pixel"))
                    << piped.out.toStdString();
            }
        }
    }
    // A rule that follows its edge from image to image cannot be measured in parts.
    text.replace(R"("select": "first")", R"("select": "nearest")");
    WriteFile(QString::fromStdString(caliper), text);
    const ToolRun chained = Exec({caliper, "--shard", "2/2", "-o", out});
    EXPECT_EQ(chained.exitCode, 2);
    EXPECT_NE(chained.err.find("without --shard"), std::string::npos) << chained.err;
    const ToolRun csvShard = Exec({series, "--shard", "1/2", "-o", out, "--format", "csv"});
    EXPECT_EQ(csvShard.exitCode, 2);
    EXPECT_NE(csvShard.err.find("not with --shard"), std::string::npos) << csvShard.err;
}

// A TIFF of the discs of the given radii, one a page, in 8-bit RGB as the discs are coloured.
bool WriteDiscStack(const std::string& path, const std::vector<int>& radii,
                    const char* description = nullptr) {
    TIFF* tif = TIFFOpen(path.c_str(), "w");
    if (tif == nullptr) return false;
    bool ok = true;
    for (const int radius : radii) {
        const QImage disc = MakeDisc(radius).convertToFormat(QImage::Format_RGB888);
        TIFFSetField(tif, TIFFTAG_IMAGEWIDTH, disc.width());
        TIFFSetField(tif, TIFFTAG_IMAGELENGTH, disc.height());
        TIFFSetField(tif, TIFFTAG_BITSPERSAMPLE, 8);
        TIFFSetField(tif, TIFFTAG_SAMPLESPERPIXEL, 3);
        TIFFSetField(tif, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_RGB);
        TIFFSetField(tif, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG);
        TIFFSetField(tif, TIFFTAG_COMPRESSION, COMPRESSION_NONE);
        TIFFSetField(tif, TIFFTAG_ROWSPERSTRIP, 16);
        if (description != nullptr) TIFFSetField(tif, TIFFTAG_IMAGEDESCRIPTION, description);
        for (int y = 0; y < disc.height() && ok; ++y) {
            ok = TIFFWriteScanline(tif, const_cast<uchar*>(disc.constScanLine(y)),
                                   static_cast<std::uint32_t>(y), 0) == 1;
        }
        ok = ok && TIFFWriteDirectory(tif) == 1;
    }
    TIFFClose(tif);
    return ok;
}

TEST_F(ShardToolTest, AStacksPagesInPartsAreTheSingleRunAndThePagesAsFiles) {
    // Ten discs as the pages of one stack, and the same discs as ten single TIFF files.
    std::vector<int> radii;
    std::string files = "[";
    for (int k = 0; k < 10; ++k) {
        radii.push_back(6 + 4 * k);
        const std::string file = "page" + std::to_string(k) + ".tif";
        ASSERT_TRUE(WriteDiscStack(Path(QString::fromStdString(file)).toStdString(), {6 + 4 * k}));
        files += (k ? ", \"" : "\"") + file + "\"";
    }
    // The stack says its pages are half a second apart: the table's times, in parts as whole.
    ASSERT_TRUE(WriteDiscStack(Path(QStringLiteral("discs.tif")).toStdString(), radii,
                               "ImageJ=1.54f\nimages=10\nframes=10\nfinterval=0.5\n"));
    const auto session = [this](const char* name, const std::string& images) {
        const std::string text = R"({"quandrel-session": 4, "edgeMode": 3, "measureLength": true,
            "measureArea": true, "lines": )" + std::string(kLines) + R"(, "images": )" + images + "}";
        WriteFile(Path(QLatin1String(name)), QByteArray::fromStdString(text));
        return Path(QLatin1String(name)).toStdString();
    };
    const std::string stack = session("stack.json", R"([{"path": "discs.tif", "frames": [0, 9, 1]}])");
    const std::string pages = session("pages.json", files + "]");
    const ToolRun single = Exec({stack, "-o", "-"});
    ASSERT_EQ(single.exitCode, 0) << single.err;
    EXPECT_EQ(single.out, Exec({pages, "-o", "-"}).out) << "each page is its own picture";
    EXPECT_TRUE(single.out.contains("\n10\t")) << single.out.toStdString();
    for (const int parts : {2, 3, 7, 15}) {
        for (const std::vector<std::string>& format :
             std::vector<std::vector<std::string>>{{}, {"--format", "csv"}}) {
            std::vector<std::string> merge = Merge(Shards(stack, parts, "t"), "-");
            std::vector<std::string> whole = {stack, "-o", "-"};
            merge.insert(merge.end(), format.begin(), format.end());
            whole.insert(whole.end(), format.begin(), format.end());
            const ToolRun merged = Exec(merge);
            EXPECT_EQ(merged.exitCode, 0) << merged.err;
            const ToolRun wanted = Exec(whole);
            EXPECT_EQ(merged.out, wanted.out) << parts << " parts";
            if (!format.empty()) {
                EXPECT_TRUE(wanted.out.startsWith("image,path,frame,time,line,") &&
                            wanted.out.contains("discs.tif,9,4.5,3,"))
                    << wanted.out.toStdString();
            }
        }
    }
    // The pages as files carry no times. Under a rule the session sets, the merged table has
    // the rule's times as the single run has them; without one, beside the stack's pages that
    // carry times, both say which have none.
    struct Ruled {
        std::string rule;
        std::string images;
        bool missing;
    };
    const std::string mixed = files + R"(, {"path": "discs.tif", "frames": [0, 1, 1]}])";
    const Ruled ruled[] = {
        {R"("timeRule": "interval", "timeInterval": 0.125, "timeStart": 2,)", files + "]", false},
        {R"("timeRule": "fileTime",)", files + "]", false},
        {"", mixed, true}};
    for (const Ruled& r : ruled) {
        const std::string text = R"({"quandrel-session": 4, "edgeMode": 3, )" + r.rule +
                                 R"( "lines": )" + std::string(kLines) + R"(, "images": )" + r.images + "}";
        WriteFile(Path(QLatin1String("ruled.json")), QByteArray::fromStdString(text));
        const std::string file = Path(QLatin1String("ruled.json")).toStdString();
        std::vector<std::string> merge = Merge(Shards(file, 3, "r"), "-");
        merge.insert(merge.end(), {"--format", "csv"});
        const ToolRun merged = Exec(merge);
        const ToolRun wanted = Exec({file, "-o", "-", "--format", "csv"});
        EXPECT_EQ(merged.exitCode, 0) << merged.err;
        EXPECT_EQ(merged.out, wanted.out) << r.rule;
        EXPECT_TRUE(wanted.out.startsWith("image,path,frame,time,line,") ||
                    wanted.out.startsWith("image,path,time,line,"))
            << r.rule << wanted.out.toStdString();
        for (const std::string* err : {&merged.err, &wanted.err}) {
            EXPECT_EQ(err->find("have no time") != std::string::npos, r.missing) << r.rule << *err;
        }
    }
}

// A line that follows its edge: a weak rise moving 2 pixels an image, a rise twice as strong
// 15 pixels after it from image 2 on, the weak one hidden on images 5 and 41. A part measures
// the 16 images before its own; where the search it starts there comes onto the whole run's
// edge, the merge is the single run byte for byte; where it keeps to another edge, the merge
// says so and writes nothing.
TEST_F(ShardToolTest, FollowedEdgesMergeAsTheSingleRunOrAreRefused) {
    std::string images = "[";
    for (int k = 0; k < 60; ++k) {
        QImage image(200, 5, QImage::Format_RGB32);
        for (int x = 0; x < 200; ++x) {
            int v = 40;
            if (k != 5 && k != 41 && x >= 20 + 2 * k) v += 40;
            if (k >= 2 && x >= 35 + 2 * k) v += 100;
            for (int y = 0; y < 5; ++y) image.setPixel(x, y, qRgb(v, v, v));
        }
        const QString file = QStringLiteral("f%1.bmp").arg(k);
        ASSERT_TRUE(image.save(Path(file)));
        images += (k ? ", \"" : "\"") + file.toStdString() + "\"";
    }
    const std::string out = Path(QStringLiteral("followed.dat")).toStdString();
    struct Case {
        const char* name;
        const char* line;
        const char* rule;
        bool merges;  // the part's fresh search finds the whole run's edge
    };
    const Case cases[] = {
        {"first", "[[0, 2, 199, 2]]", R"({"polarity": "rising", "track": 5, "select": "first"})", true},
        {"strongest", "[[0, 2, 199, 2]]", R"({"polarity": "rising", "track": 5, "select": "strongest"})",
         false},
        // From the right, the first of the darkest samples is the weak rise's foot, which a
        // fresh search finds as the whole run does; where the rise is hidden the window holds
        // only that dark level, no edge.
        {"plain-minimum", "[[199, 2, 0, 2]]", R"({"kind": "plain", "plainRule": "minimum", "track": 5})",
         true},
        // The steepest rise of a fresh search is the strong one.
        {"plain-steepest-rise", "[[0, 2, 199, 2]]",
         R"({"kind": "plain", "plainRule": "steepest-rise", "track": 5})", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const QString path = WriteSession("followed.json", c.line, images + "]");
        QByteArray text = ReadFile(path);
        text.replace(R"("quandrel-session": 1,)",
                     QByteArray(R"("quandrel-session": 3, "lineRules": [)") + c.rule + "],");
        const std::string session = path.toStdString();
        WriteFile(path, text);
        const ToolRun single = Exec({session, "-o", "-", "--format", "csv"});
        ASSERT_EQ(single.exitCode, 0) << single.err;
        EXPECT_TRUE(single.out.contains(",lost,")) << single.out.toStdString();
        for (const int parts : {2, 3}) {
            const ToolRun merged = Exec(Merge(Shards(session, parts, c.name), out));
            if (!c.merges) {
                EXPECT_EQ(merged.exitCode, 2);
                EXPECT_NE(merged.err.find("follows its edge"), std::string::npos) << merged.err;
                continue;
            }
            EXPECT_EQ(merged.exitCode, 0) << merged.err;
            std::vector<std::string> csv = Merge(Shards(session, parts, c.name), "-");
            csv.insert(csv.end(), {"--format", "csv"});
            EXPECT_EQ(Exec(csv).out, single.out) << parts << " parts";
        }
    }
}

// However many parts there are, a list or a folder names them: the command line, which the
// kernel bounds at some 2 MB, stays short.
TEST_F(ShardToolTest, ListsAndFoldersNameTheParts) {
    const std::string series = MakeSeries();
    const ToolRun single = Exec({series, "-o", "-"});
    ASSERT_EQ(single.exitCode, 0) << single.err;
    ASSERT_TRUE(QDir(m_dir.path()).mkdir(QStringLiteral("parts")));
    const std::vector<std::string> parts = Shards(series, 4, "parts/-p");
    const std::string folder = Path(QStringLiteral("parts")).toStdString();
    const std::string lines = Path(QStringLiteral("lines.txt")).toStdString();
    const std::string nuls = Path(QStringLiteral("nuls.txt")).toStdString();
    const std::string rest = Path(QStringLiteral("rest.txt")).toStdString();
    QByteArray byLine;
    QByteArray byNul;
    for (const std::string& part : parts) {
        byLine += QByteArray::fromStdString(part) + "\n\n";  // empty lines are skipped
        byNul += QByteArray::fromStdString(part) + '\0';
    }
    WriteFile(QString::fromStdString(lines), byLine);
    WriteFile(QString::fromStdString(nuls), byNul);
    WriteFile(QString::fromStdString(rest),
              QByteArray::fromStdString(parts[1] + "\n" + parts[2] + "\n" + parts[3]));
    const std::string out = Path(QStringLiteral("out.dat")).toStdString();
    struct Case {
        std::vector<std::string> args;  // after "merge"
        std::string before;
    };
    const Case cases[] = {
        {{folder}, {}},
        {{"--parts-from", lines}, {}},
        {{"--parts-from=" + nuls}, {}},
        {{"--parts-from", "-"}, "cat " + Quote(nuls) + " | "},
        {{parts[0], "--parts-from", rest}, {}},
        {{"--parts-from", "-"}, "printf '%s\\n' " + Quote(folder) + " | "},
        // Parts named like options, after "--".
        {{"--", "-p-1-of-4.qpart", "-p-2-of-4.qpart", "-p-3-of-4.qpart", "-p-4-of-4.qpart"},
         "cd " + Quote(folder) + " && "},
    };
    for (const Case& c : cases) {
        QFile::remove(QString::fromStdString(out));
        std::vector<std::string> args = {"merge", "-o", out};
        args.insert(args.end(), c.args.begin(), c.args.end());
        const ToolRun run = Exec(args, {}, c.before);
        EXPECT_EQ(run.exitCode, 0) << c.args.back() << ": " << run.err;
        EXPECT_EQ(ReadFile(QString::fromStdString(out)), single.out) << c.args.back();
    }
}

TEST_F(ShardToolTest, MergesThatAreNotOneWholeSetAreRefusedByName) {
    const std::string series = MakeSeries();
    const std::vector<std::string> a = Shards(series, 3, "a");
    const std::vector<std::string> b = Shards(series, 2, "b");
    // The same session but for one blank: another session's bytes.
    WriteFile(Path(QStringLiteral("other.json")), ReadFile(QString::fromStdString(series)) + " ");
    const std::string other = Shards(Path(QStringLiteral("other.json")).toStdString(), 3, "c")[1];
    const std::string copy = Path(QStringLiteral("copy.qpart")).toStdString();
    WriteFile(QString::fromStdString(copy), ReadFile(QString::fromStdString(a[1])));
    const QByteArray part2 = ReadFile(QString::fromStdString(a[1]));
    const std::string cut = Path(QStringLiteral("cut.qpart")).toStdString();
    WriteFile(QString::fromStdString(cut), part2.left(part2.size() - 9));
    QByteArray flippedBytes = part2;
    flippedBytes[flippedBytes.size() / 2] =
        static_cast<char>(flippedBytes[flippedBytes.size() / 2] ^ 4);
    const std::string flipped = Path(QStringLiteral("flipped.qpart")).toStdString();
    WriteFile(QString::fromStdString(flipped), flippedBytes);
    const std::string data = Path(QStringLiteral("single.dat")).toStdString();
    ASSERT_EQ(Exec({series, "-o", data}).exitCode, 0);
    const std::string nowhere = Path(QStringLiteral("nowhere.qpart")).toStdString();
    const std::string out = Path(QStringLiteral("out.dat")).toStdString();
    ASSERT_TRUE(QDir(m_dir.path()).mkdir(QStringLiteral("empty")));

    struct Case {
        const char* name;
        std::vector<std::string> args;
        std::vector<std::string> inMessage;
    };
    const Case cases[] = {
        {"parts of two sessions",
         Merge({a[0], other, a[2]}, out),
         {"parts of different sessions: ", a[0] + " and " + a[2] + " (session ",
          other + " (session "}},
        {"a part missing", Merge({a[2], a[0]}, out), {"part 2 of 3 is missing", a[0], a[2]}},
        {"a part twice",
         Merge({a[0], a[1], a[2], copy}, out),
         {"part 2 of 3 is given twice: " + a[1] + " and " + copy}},
        {"a part of another N",
         Merge({a[0], a[1], a[2], b[1]}, out),
         {"parts of different splits of the list: ", b[1] + " is of 2 parts"}},
        {"a truncated part", Merge({a[0], cut, a[2]}, out), {cut + ": truncated: it holds "}},
        {"a damaged part",
         Merge({a[0], flipped, a[2]}, out),
         {flipped + ": damaged: its contents do not match their checksum"}},
        {"a data file for a part",
         Merge({a[0], data, a[2]}, out),
         {data + ": not a part file of quandrel-batch"}},
        {"a part that is not there",
         Merge({a[0], nowhere, a[2]}, out),
         {nowhere + ": cannot be read: No such file or directory"}},
        {"no parts", Merge({}, out), {"merge: no part files", "usage:"}},
        {"an output that is a part",
         Merge({a[0], a[1], a[2], copy}, copy),
         {"cannot write " + copy + ": it is the part file " + copy}},
        {"an unknown option", Merge({a[0], "--jobs", "2"}, out), {"merge: unknown option --jobs"}},
        {"a list that is not there",
         Merge({"--parts-from", nowhere}, out),
         {nowhere + ": cannot be read: No such file or directory"}},
        {"a folder without parts",
         Merge({a[0], Path(QStringLiteral("empty")).toStdString()}, out),
         {"empty: the folder holds no part files (*.qpart)"}},
        {"an empty list", Merge({"--parts-from", "/dev/null"}, out), {"no part files to merge"}},
        {"two lists",
         Merge({"--parts-from", nowhere, "--parts-from", nowhere}, out),
         {"--parts-from is given more than once"}},
        {"two outputs", Merge({a[0], "-o", copy}, out), {"-o (--output) is given more than once"}},
        {"two formats",
         Merge({a[0], "--format", "csv", "--format=dat"}, out),
         {"--format is given more than once"}},
    };
    for (const Case& c : cases) {
        WriteFile(QString::fromStdString(out), "old content");
        const ToolRun run = Exec(c.args);
        EXPECT_EQ(run.exitCode, 2) << c.name << ": " << run.err;
        for (const std::string& part : c.inMessage) {
            EXPECT_NE(run.err.find(part), std::string::npos) << c.name << ": " << run.err;
        }
        EXPECT_EQ(ReadFile(QString::fromStdString(out)), QByteArray("old content")) << c.name;
        EXPECT_TRUE(run.out.isEmpty()) << c.name;
    }
    EXPECT_EQ(ReadFile(QString::fromStdString(copy)), part2);
}

// A shard fails as a single run does; its part file is written only when all of it is measured.
TEST_F(ShardToolTest, AShardThatFailsWritesNoPart) {
    ASSERT_TRUE(SaveDisc(Path(QStringLiteral("ok.bmp")), 20));
    const std::string broken =
        WriteSession("broken.json", kLines, R"(["ok.bmp", "ok.bmp", "ok.bmp", "gone.bmp"])")
            .toStdString();
    const std::string empty = Path(QStringLiteral("empty.json")).toStdString();
    WriteFile(QString::fromStdString(empty),
              R"({"quandrel-session": 2, "lines": [], "images": []})");
    const std::string part = Path(QStringLiteral("part.qpart")).toStdString();

    struct Case {
        std::vector<std::string> args;  // after the session
        std::string session;
        int exitCode;
        std::string message;  // empty: none
    };
    const std::string badShard = "--shard: expected K/N, a part K from 1 to N";
    const Case cases[] = {
        {{"--shard", "1/2"}, broken, 0, ""},
        {{"--shard", "2/2"}, broken, 3, "gone.bmp: cannot be opened: No such file or directory"},
        {{"--shard=2/2", "--jobs", "3"}, broken, 3, "gone.bmp: cannot be opened"},
        {{"--shard", "1/3"}, empty, 2, empty + ": no scan lines"},
        {{"--shard", "0/3"}, broken, 2, badShard},
        {{"--shard", "4/3"}, broken, 2, badShard},
        {{"--shard", "3"}, broken, 2, badShard},
        {{"--shard", "1/0"}, broken, 2, badShard},
        {{"--shard", "+1/3"}, broken, 2, badShard},
        {{"--shard", "1/3/5"}, broken, 2, badShard},
        {{"--shard", "1/1000001"}, broken, 2, badShard},
        {{"--shard"}, broken, 2, "--shard needs K/N"},
        {{"--shard", "1/2", "-o", broken}, broken, 2, "it is the session file"},
        // A second one would silently win over the first.
        {{"--shard", "1/2", "--shard=2/2"}, broken, 2, "--shard is given more than once"},
        {{"--shard", "1/2", "-o", part, "-o", part},
         broken,
         2,
         "-o (--output) is given more than once"},
    };
    for (const Case& c : cases) {
        QFile::remove(QString::fromStdString(part));
        std::vector<std::string> args = {c.session};
        // The part file, unless the case names its own output.
        const bool ownOutput = std::find(c.args.begin(), c.args.end(), "-o") != c.args.end();
        if (!ownOutput) args.insert(args.end(), {"-o", part});
        args.insert(args.end(), c.args.begin(), c.args.end());
        const ToolRun run = Exec(args);
        const std::string name = c.args.size() > 1 ? c.args[1] : c.args[0];
        EXPECT_EQ(run.exitCode, c.exitCode) << name << ": " << run.err;
        if (!c.message.empty()) {
            EXPECT_NE(run.err.find(c.message), std::string::npos) << run.err;
        }
        EXPECT_EQ(QFile::exists(QString::fromStdString(part)), c.exitCode == 0) << name;
    }
}

}  // namespace
