// SPDX-License-Identifier: GPL-3.0-or-later
#include "export/part_file.h"

#include <gtest/gtest.h>

#include <bit>
#include <climits>
#include <cmath>
#include <limits>
#include <string>
#include <vector>

#include "export/data_file.h"
#include "export/part_caliper.h"
#include "export/tidy_table.h"
#include "model/caliper_measure.h"

namespace {

// A long line (the longest walk, 1024 places, or 2001 walked whole), a short one and a steep one.
const std::vector<LineEnds> kLines = {{0, 0, 2000, 7}, {5, 5, 9, 5}, {3, 40, 1, 0}};

// Six images under one folder, with three distinct calibrations among them (one of them with
// -0.0 and a NaN, which must come back to the bit) and cursors at both ends of the lines.
// With `origins`, cursors of every kind: detected under several settings (some with a sub-pixel
// edge), placed by hand, and kept.
CDataProfile MakeRecords(int images = 6, int maxSteps = kMaxScanSteps, bool origins = false) {
    CDataAxis odd;
    odd.m_origin.m_xValue = -0.0;
    odd.m_yAxis.m_yValue = std::numeric_limits<double>::quiet_NaN();
    odd.m_bLogX = true;
    CDataAxis other;
    other.m_xAxis.m_xPixel = -7;
    other.m_bLogY = true;
    CDataProfile profile;
    profile.m_nMaxSteps = maxSteps;
    for (int i = 0; i < images; ++i) {
        profile.AddImage("", "/data/run/img" + std::to_string(i % 3 == 0 ? 1000 + i : i) + ".bmp");
    }
    for (int i = 0; i < images; ++i) {
        for (const LineEnds& e : kLines) {
            profile.GetSeries(i)->AddLine(0, e[0], e[1], e[2], e[3], maxSteps);
        }
        for (int n = 0; n < 3; ++n) {
            CScan* line = profile.GetLine(i, 0, n);
            line->SetPos(i == 0 ? line->m_nCount : (i * 37 + n * 11) % (line->m_nCount + 1));
            line->m_bDetect = false;
            if (!origins || (i + n) % 3 == 2) continue;
            if ((i + n) % 3 == 1) {
                line->m_origin = CursorOrigin::Placed;
                continue;
            }
            profile.MarkDetected(*line, {n, i % 4, {i % 2 == 0, 3, kSmoothMean, 5, n == 0}});
            // Only a detection with sub-pixel placement leaves a sub-pixel edge.
            if (i % 2 == 0 && line->m_nPos < line->m_nCount) {
                line->SetEdge(line->m_nPos, line->m_nPos + 0.375);
            }
        }
        *profile.GetAxis(i) = i % 3 == 1 ? odd : i % 3 == 2 ? other : CDataAxis();
    }
    return profile;
}

PartHeader MakeHeader(std::uint64_t images, std::uint64_t total, std::uint32_t part,
                      std::uint32_t parts) {
    PartHeader h;
    h.session.fill(0xA5);
    h.part = part;
    h.parts = parts;
    h.total = total;
    const PartRange range = PartRangeOf(total, part, parts);
    h.first = range.first;
    h.images = images;
    h.measureLength = true;
    return h;
}

std::string Read(const std::string& file, CDataProfile& profile, PartHeader& header) {
    std::string problem = ReadPartHeader(file, file.size(), header);
    std::vector<LineEnds> lines;
    if (problem.empty()) problem = ReadPartRecords(file, header, lines, profile);
    if (problem.empty() && lines != kLines) problem = "other lines";
    return problem;
}

std::uint64_t Bits(double v) {
    return std::bit_cast<std::uint64_t>(v);
}

TEST(PartFile, RecordsComeBackAsTheDataFileNeedsThem) {
    for (const bool whole : {false, true}) {
        SCOPED_TRACE(whole ? "whole lines" : "the first 1024 samples");
        const CDataProfile records =
            MakeRecords(6, whole ? kMaxWholeScanSteps : kMaxScanSteps, true);
        PartHeader written = MakeHeader(6, 6, 1, 1);
        written.wholeLines = whole;
        const auto file = BuildPartFile(written, kLines, records);
        ASSERT_TRUE(file);
        CDataProfile read;
        PartHeader header;
        ASSERT_EQ(Read(*file, read, header), "");
        EXPECT_EQ(header.axes, 3u);
        EXPECT_TRUE(header.measureLength);
        EXPECT_FALSE(header.measureArea);
        EXPECT_EQ(header.wholeLines, whole);
        EXPECT_EQ(read.GetLine(0, 0, 0)->m_nPos, whole ? 2000 : 1023);
        ASSERT_EQ(read.GetSize(), 6);
        for (int i = 0; i < 6; ++i) {
            EXPECT_EQ(read.GetSeries(i)->m_strPath, records.GetSeries(i)->m_strPath);
            const CDataAxis& a = *read.GetAxis(i);
            const CDataAxis& b = *records.GetAxis(i);
            EXPECT_EQ(Bits(a.m_origin.m_xValue), Bits(b.m_origin.m_xValue)) << i;
            EXPECT_EQ(Bits(a.m_yAxis.m_yValue), Bits(b.m_yAxis.m_yValue)) << i;
            EXPECT_EQ(a.m_xAxis.m_xPixel, b.m_xAxis.m_xPixel);
            EXPECT_EQ(a.m_bLogX, b.m_bLogX);
            EXPECT_EQ(a.m_bLogY, b.m_bLogY);
            for (int n = 0; n < 3; ++n) {
                const CScan& got = *read.GetLine(i, 0, n);
                const CScan& want = *records.GetLine(i, 0, n);
                EXPECT_EQ(got.m_nPos, want.m_nPos);
                EXPECT_EQ(got.m_ptCur, want.m_ptCur);
                EXPECT_EQ(got.m_ptEnd, want.m_ptEnd);
                EXPECT_FALSE(got.m_bDetect);
                EXPECT_EQ(got.m_origin, want.m_origin);
                EXPECT_EQ(Bits(got.m_dSubPos), Bits(want.m_dSubPos));
                const DetectionSettings* foundGot = read.FoundWith(got);
                const DetectionSettings* foundWant = records.FoundWith(want);
                EXPECT_EQ(foundGot != nullptr, foundWant != nullptr);
                if (foundGot != nullptr && foundWant != nullptr) {
                    EXPECT_EQ(*foundGot, *foundWant);
                }
            }
        }
        EXPECT_EQ(BuildDataFile(read, true, true), BuildDataFile(records, true, true));
    }
    // A part past the end of a short list holds no image, and reads as that.
    PartHeader header;
    const auto empty = BuildPartFile(MakeHeader(0, 6, 9, 9), kLines, CDataProfile());
    ASSERT_TRUE(empty);
    CDataProfile none;
    EXPECT_EQ(Read(*empty, none, header), "");
    EXPECT_EQ(none.GetSize(), 0);
    EXPECT_EQ(header.first, 6u);
}

TEST(PartFile, PartsAreContiguousAndEven) {
    for (const std::uint64_t total : {0ull, 1ull, 3ull, 10ull, 999'999ull}) {
        for (const std::uint32_t parts : {1u, 2u, 3u, 7u, 11u}) {
            std::uint64_t next = 0;
            for (std::uint32_t k = 1; k <= parts; ++k) {
                const PartRange r = PartRangeOf(total, k, parts);
                EXPECT_EQ(r.first, next) << total << " " << k << "/" << parts;
                EXPECT_LE(r.images, total / parts + 1);
                EXPECT_GE(r.images, total / parts);
                next += r.images;
            }
            EXPECT_EQ(next, total) << total << " in " << parts;
        }
    }
    EXPECT_EQ(PartRangeOf(5, 0, 3).images, 0u);
    EXPECT_EQ(PartRangeOf(5, 4, 3).images, 0u);
}

// Every cut and every single flipped bit is refused, the records left as they were.
TEST(PartFile, TruncatedOrDamagedFilesAreRefusedWhole) {
    const auto file = BuildPartFile(MakeHeader(3, 3, 1, 1), kLines, MakeRecords(3));
    ASSERT_TRUE(file);
    const auto refused = [](const std::string& bytes, const char* what) {
        CDataProfile profile = MakeRecords(1);
        PartHeader header;
        const std::string problem = Read(bytes, profile, header);
        EXPECT_EQ(profile.GetSize(), 1) << what;
        return problem;
    };
    for (std::size_t size = 0; size < file->size(); ++size) {
        const std::string problem = refused(file->substr(0, size), "cut");
        EXPECT_TRUE(problem.rfind("truncated", 0) == 0 || problem.rfind("not a part", 0) == 0)
            << size << ": " << problem;
    }
    EXPECT_EQ(refused(*file + '\0', "longer"), "damaged: 1 byte after the end of the part");
    for (std::size_t bit = 0; bit < file->size() * 8; ++bit) {
        std::string bytes = *file;
        bytes[bit / 8] = static_cast<char>(bytes[bit / 8] ^ (1 << (bit % 8)));
        const std::string problem = refused(bytes, "flip");
        EXPECT_FALSE(problem.empty()) << "bit " << bit;
        EXPECT_TRUE(problem.rfind("damaged", 0) == 0 || problem.rfind("not a part", 0) == 0 ||
                    problem.rfind("truncated", 0) == 0)
            << bit << ": " << problem;
    }
}

// Files whose checksums are right but whose contents are not a part (made by something else,
// or deliberately): the reader checks every count and index itself.
TEST(PartFile, ContentsAreCheckedBeyondTheChecksums) {
    const auto file = BuildPartFile(MakeHeader(3, 3, 1, 1), kLines, MakeRecords(3));
    ASSERT_TRUE(file);
    const std::size_t header = kPartHeaderBytes;
    const std::size_t axes = header + 3 * 16;
    // The first image's entry, after the calibrations and an empty table of detection settings.
    const std::size_t images = axes + 3 * 73 + 4;
    const std::size_t cursor = images + 12 + 21;  // its first cursor
    const auto put32 = [](std::string& b, std::size_t at, std::uint32_t v) {
        for (int k = 0; k < 4; ++k) b[at + k] = static_cast<char>((v >> (8 * k)) & 0xFF);
    };
    // Resets both checksums after a change.
    const auto seal = [&put32](std::string& b) {
        put32(b, header - 4, PartChecksum(std::string_view(b).substr(0, header - 4)));
        const std::size_t body = b.size() - header - 4;
        put32(b, b.size() - 4, PartChecksum(std::string_view(b).substr(header, body)));
    };
    struct Case {
        const char* name;
        std::size_t at;
        std::uint32_t value;
        const char* problem;
    };
    const Case cases[] = {
        {"K past N", 48, 2, "damaged: its header does not describe a part"},
        {"first not that of K", 56, 1, "damaged: its header does not describe a part"},
        {"no lines", 80, 0, "damaged: its header does not describe a part"},
        {"unknown flag", 12, 16, "damaged: its header does not describe a part"},
        {"more calibrations than images", 84, 4, "damaged: its header does not describe a part"},
        {"a calibration past the table", images, 3,
         "damaged: its contents do not describe the part"},
        {"a shared length past the last path", images + 4, 1,
         "damaged: its contents do not describe the part"},
        {"a path longer than the file", images + 8, 1u << 30,
         "damaged: its contents do not describe the part"},
        {"a cursor past its line", cursor, 0x7FFF, "damaged: its contents do not describe the part"},
        {"a cursor come there no known way", cursor + 2, 3,
         "damaged: its contents do not describe the part"},
        {"a sub-pixel edge for a cursor not detected", cursor + 2, 4,
         "damaged: its contents do not describe the part"},
        {"a detection whose settings are not there", cursor + 2, 2,
         "damaged: its contents do not describe the part"},
        {"detection settings past the body", images - 4, 1u << 20,
         "damaged: its contents do not describe the part"},
        {"a logarithm flag unknown", axes + 72, 4,
         "damaged: its contents do not describe the part"},
    };
    for (const Case& c : cases) {
        std::string bytes = *file;
        if (c.at + 4 <= bytes.size()) put32(bytes, c.at, c.value);
        seal(bytes);
        CDataProfile profile;
        PartHeader h;
        EXPECT_EQ(Read(bytes, profile, h), c.problem) << c.name;
        EXPECT_EQ(profile.GetSize(), 0) << c.name;
    }
    // A newer format is named as such, not as damage.
    std::string newer = *file;
    put32(newer, 8, 6);
    seal(newer);
    PartHeader h;
    EXPECT_EQ(ReadPartHeader(newer, newer.size(), h),
              "written in part file format 6, which this version does not read (it reads format "
              "5)");

    // Format 1 is still read: the same records, each cursor its place alone (16 bits), kept.
    std::string old = file->substr(0, images - 4);
    for (std::size_t at = images; at < file->size() - 4;) {
        const std::size_t rest = static_cast<unsigned char>((*file)[at + 8]);
        old += file->substr(at, 12 + rest);
        at += 12 + rest;
        for (int n = 0; n < 3; ++n, at += 3) old += file->substr(at, 2);  // place, then how
    }
    old += "....";
    put32(old, 8, 1);
    put32(old, 88, static_cast<std::uint32_t>(old.size() - header - 4));
    seal(old);
    CDataProfile records;
    ASSERT_EQ(Read(old, records, h), "");
    ASSERT_EQ(records.GetSize(), 3);
    const CDataProfile made = MakeRecords(3);
    for (int i = 0; i < 3; ++i) {
        for (int n = 0; n < 3; ++n) {
            EXPECT_EQ(records.GetLine(i, 0, n)->m_nPos, made.GetLine(i, 0, n)->m_nPos);
            EXPECT_EQ(records.GetLine(i, 0, n)->m_origin, CursorOrigin::Kept);
        }
    }
}

}  // namespace

namespace {

// The records with caliper rules on the short and the steep line, and what they measured: a
// pair with residuals, an edge, nothing found, and a cursor put by hand on a rule's line.
CDataProfile MakeCaliperRecords() {
    CDataProfile records = MakeRecords(6, kMaxScanSteps, true);
    CaliperRule pair;
    pair.kind = CaliperKind::Pair;
    pair.pairOrder = PairOrder::FallRise;
    pair.minWidth = 0.5;
    CaliperRule edge;
    edge.select = EdgeSelect::Nth;
    edge.nth = 3;
    edge.estimator = EdgeEstimator::StepFit;
    edge.bilinear = true;
    for (int i = 0; i < records.GetSize(); ++i) {
        for (int n = 1; n < 3; ++n) {
            CScan& line = *records.GetLine(i, 0, n);
            const CaliperRule& rule = n == 1 ? pair : edge;
            line.m_nRule = records.RuleNumber(rule);
            if (i % 3 == 2) {
                line.SetPos(line.m_nPos);  // by hand: no edge between samples
                line.m_origin = CursorOrigin::Placed;
                continue;
            }
            CaliperMeasure m;
            m.status = i % 3 == 1 ? CaliperStatus::NotFound : CaliperStatus::Weak;
            m.noise = 0.25 * i;
            if (m.Found()) {
                m.edge = {line.m_nPos > 0 ? line.m_nPos - 0.25 : 0.0, -12.5, 0.0625, i == 0 ? std::optional(0.75) : std::nullopt};
                if (n == 1) m.second = CaliperEdge{line.m_nPos + 1.5, 11.0, 0.125, 1.0};
                m.ratio = 1.0 / 3.0;
                line.SetEdge(line.m_nPos, m.edge.pos);
            }
            DetectionSettings settings{0, 1, {}, rule};
            records.MarkDetected(line, settings);
            line.m_measure = std::make_shared<const CaliperMeasure>(m);
        }
    }
    return records;
}

// The records with one of the plain rules, following its edge, on the short line, and a caliper
// edge rule that follows too on the steep one: found edges (with their place between samples
// on the short line), lost searches, and cursors put by hand.
CDataProfile MakePlainRuleRecords() {
    CDataProfile records = MakeRecords(6, kMaxScanSteps, true);
    CaliperRule plain;
    plain.kind = CaliperKind::Plain;
    plain.plainMode = 3;
    plain.track = 4;
    plain.sigma = 2.5;  // kept, unused
    CaliperRule edge;
    edge.track = 9;
    for (int i = 0; i < records.GetSize(); ++i) {
        for (int n = 1; n < 3; ++n) {
            CScan& line = *records.GetLine(i, 0, n);
            const CaliperRule& rule = n == 1 ? plain : edge;
            line.m_nRule = records.RuleNumber(rule);
            if (i % 3 == 2) {
                line.SetPos(line.m_nPos);
                line.m_origin = CursorOrigin::Placed;
                continue;
            }
            records.MarkDetected(line, {0, 1, {true, 1, kSmoothNone, 3, false}, rule});
            CaliperMeasure lost;
            lost.status = CaliperStatus::Lost;
            if (i % 3 == 1) {
                line.m_measure = std::make_shared<const CaliperMeasure>(lost);
            } else if (n == 1) {
                line.SetEdge(line.m_nPos, line.m_nPos > 0 ? line.m_nPos - 0.5 : 0.0);
            } else {
                CaliperMeasure m;
                m.edge.pos = line.m_nPos;
                line.SetEdge(line.m_nPos, m.edge.pos);
                line.m_measure = std::make_shared<const CaliperMeasure>(m);
            }
        }
    }
    return records;
}

TEST(PartFile, CaliperRulesAndMeasuresComeBackWhole) {
    // Records without caliper rules keep format 2, byte for byte as before.
    EXPECT_EQ((*BuildPartFile(MakeHeader(6, 6, 1, 1), kLines, MakeRecords(6)))[8], 2);
    struct Case {
        const char* name;
        CDataProfile records;
        char format;
    };
    Case cases[] = {{"caliper rules", MakeCaliperRecords(), 3},
                    {"a plain rule", MakePlainRuleRecords(), 5}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const CDataProfile& records = c.records;
        const auto file = BuildPartFile(MakeHeader(6, 6, 1, 1), kLines, records);
        ASSERT_TRUE(file);
        EXPECT_EQ((*file)[8], c.format);
        CDataProfile read;
        read.RuleNumber(CaliperRule{});  // a list that already has a rule numbers them on from it
        PartHeader header;
        ASSERT_EQ(Read(*file, read, header), "");
        for (int i = 0; i < 6; ++i) {
            for (int n = 0; n < 3; ++n) {
                const CScan& got = *read.GetLine(i, 0, n);
                const CScan& want = *records.GetLine(i, 0, n);
                const CaliperRule* ruleGot = read.RuleOf(got);
                const CaliperRule* ruleWant = records.RuleOf(want);
                ASSERT_EQ(ruleGot != nullptr, ruleWant != nullptr) << i << " " << n;
                if (ruleWant != nullptr) {
                    EXPECT_EQ(*ruleGot, *ruleWant);
                }
                ASSERT_EQ(got.m_measure != nullptr, want.m_measure != nullptr) << i << " " << n;
                if (want.m_measure) {
                    EXPECT_EQ(*got.m_measure, *want.m_measure) << i << " " << n;
                }
                const DetectionSettings* foundGot = read.FoundWith(got);
                const DetectionSettings* foundWant = records.FoundWith(want);
                ASSERT_EQ(foundGot != nullptr, foundWant != nullptr) << i << " " << n;
                if (foundWant != nullptr) {
                    EXPECT_EQ(*foundGot, *foundWant);
                }
            }
        }
        EXPECT_EQ(BuildTidyTable(read, true, true, WithSubPixel({}, true)),
                  BuildTidyTable(records, true, true, WithSubPixel({}, true)));
        EXPECT_EQ(BuildDataFile(read, true, true), BuildDataFile(records, true, true));
    }
}

TEST(PartFile, CaliperBytesThatMeanNothingAreRefused) {
    // In format 3, and with a plain rule in format 5.
    const CDataProfile records[] = {MakeCaliperRecords(), MakePlainRuleRecords()};
    const std::uint32_t formats[] = {3, 5};
    const auto seal = [](std::string& b) {
        const auto put32 = [&b](std::size_t at, std::uint32_t v) {
            for (int k = 0; k < 4; ++k) b[at + k] = static_cast<char>((v >> (8 * k)) & 0xFF);
        };
        put32(kPartHeaderBytes - 4,
              PartChecksum(std::string_view(b).substr(0, kPartHeaderBytes - 4)));
        put32(b.size() - 4,
              PartChecksum(std::string_view(b).substr(kPartHeaderBytes, b.size() - kPartHeaderBytes - 4)));
    };
    std::string files[2];
    std::size_t tables[2];
    for (std::size_t k = 0; k < 2; ++k) {
        files[k] = *BuildPartFile(MakeHeader(6, 6, 1, 1), kLines, records[k]);
        ASSERT_EQ(files[k][8], static_cast<char>(formats[k]));
        // The rule table follows the lines, the three calibrations and the settings.
        tables[k] = kPartHeaderBytes + 3 * 16 + 3 * 73 + 4;
        for (const DetectionSettings& settings : records[k].m_detections) {
            tables[k] += 8 + (settings.caliper ? PartRuleBytes(formats[k]) : 0);
        }
        ASSERT_EQ(files[k][tables[k]], 2) << "two rules";
    }
    const std::size_t rules = tables[0];
    const std::size_t plain = tables[1] + 4;  // the plain rule, then the caliper's edge rule
    struct Case {
        const char* name;
        std::size_t file;
        std::size_t at;
        char value;
    };
    const Case cases[] = {
        {"a rule of no known kind", 0, rules + 4, 9},
        {"a rule whose sigma is out of range", 0, rules + 4 + 10 + 7, 0x7F},
        {"a line naming a rule past the table", 0, rules + 4 + 2 * kPartRuleBytes + 2, 7},
        {"a format 2 file with a rule table", 0, 8, 2},
        {"a plain rule in format 3", 0, rules + 4, 3},
        {"a plain rule of no known plain rule", 1, plain + kPartRuleBytes + 4, 4},
        {"an edge rule with a plain rule", 1, plain + PartRuleBytes(5) + kPartRuleBytes + 4, 1},
        {"a plain rule of no known kind", 1, plain, 4},
    };
    for (const Case& c : cases) {
        std::string bytes = files[c.file];
        bytes[c.at] = c.value;
        seal(bytes);
        CDataProfile profile;
        PartHeader h;
        EXPECT_EQ(Read(bytes, profile, h), "damaged: its contents do not describe the part")
            << c.name;
    }
}

TEST(PartFile, PagesAndFramesComeBackWithTheirRecords) {
    struct Case {
        const char* name;
        CDataProfile records;
    };
    Case cases[] = {{"plain", MakeRecords(6)}, {"caliper", MakeCaliperRecords()}};
    for (Case& c : cases) {
        // A stack's pages, a picture between them, and a frame as far as an int64 reaches.
        const std::int64_t frames[] = {0, 1, -1, 7, 3, INT64_MAX - 1};
        for (int i = 0; i < 6; ++i) c.records.GetSeries(i)->m_nFrame = frames[i];
        const auto file = BuildPartFile(MakeHeader(6, 6, 1, 1), kLines, c.records);
        ASSERT_TRUE(file) << c.name;
        EXPECT_EQ((*file)[8], 4) << c.name << ": pages and frames are written in format 4";
        CDataProfile read;
        PartHeader header;
        ASSERT_EQ(Read(*file, read, header), "") << c.name;
        for (int i = 0; i < 6; ++i) EXPECT_EQ(read.GetSeries(i)->m_nFrame, frames[i]) << c.name;
        EXPECT_EQ(BuildTidyTable(read, true, true), BuildTidyTable(c.records, true, true));
        EXPECT_EQ(BuildDataFile(read, true, true), BuildDataFile(c.records, true, true));

        // A frame past what an int64 holds is damage, not a page.
        const std::size_t at = file->find("img1000.bmp") + std::string_view("img1000.bmp").size();
        std::string bytes = *file;
        for (int k = 0; k < 8; ++k) bytes[at + k] = static_cast<char>(0xFF);
        const auto put32 = [&bytes](std::size_t to, std::uint32_t v) {
            for (int k = 0; k < 4; ++k) bytes[to + k] = static_cast<char>((v >> (8 * k)) & 0xFF);
        };
        put32(bytes.size() - 4, PartChecksum(std::string_view(bytes).substr(
                                    kPartHeaderBytes, bytes.size() - kPartHeaderBytes - 4)));
        CDataProfile damaged;
        EXPECT_EQ(Read(bytes, damaged, header), "damaged: its contents do not describe the part")
            << c.name;
    }
}

TEST(PartFile, TheTimeRuleComesBackAndBadRulesAreDamage) {
    TimeRule interval;
    interval.kind = TimeRule::Kind::Interval;
    interval.interval = 0.25;
    interval.start = -3.5;
    TimeRule fileTime;
    fileTime.kind = TimeRule::Kind::FileTime;
    struct Case {
        const char* name;
        TimeRule rule;
        int version;
    };
    const Case cases[] = {{"the files' own times", TimeRule(), 2},
                          {"a fixed interval", interval, 5},
                          {"modification times", fileTime, 5}};
    for (const Case& c : cases) {
        CDataProfile records = MakeRecords(6);
        records.m_timeRule = c.rule;
        const auto file = BuildPartFile(MakeHeader(6, 6, 1, 1), kLines, records);
        ASSERT_TRUE(file) << c.name;
        EXPECT_EQ((*file)[8], c.version) << c.name;
        PartHeader header;
        std::vector<LineEnds> lines;
        CDataProfile read;
        TimeRule rule;
        rule.kind = TimeRule::Kind::Interval;  // overwritten by what the part holds
        ASSERT_EQ(ReadPartHeader(*file, file->size(), header), "") << c.name;
        ASSERT_EQ(ReadPartRecords(*file, header, lines, read, nullptr, &rule), "") << c.name;
        EXPECT_EQ(rule, c.rule) << c.name;
        EXPECT_EQ(BuildDataFile(read, true, true), BuildDataFile(records, true, true)) << c.name;
    }
    // A rule of no known kind, or an interval that is no interval, is damage.
    CDataProfile records = MakeRecords(6);
    records.m_timeRule = interval;
    const std::string file = *BuildPartFile(MakeHeader(6, 6, 1, 1), kLines, records);
    const std::size_t kind = file.size() - 4 - 17;
    const std::pair<std::size_t, std::uint8_t> damages[] = {{kind, 3}, {kind, 255}, {kind + 8, 0x80}};
    for (const auto& [at, value] : damages) {
        std::string bytes = file;
        bytes[at] = static_cast<char>(value);  // 0x80 in the top byte: a negative interval
        const std::uint32_t sum = PartChecksum(
            std::string_view(bytes).substr(kPartHeaderBytes, bytes.size() - kPartHeaderBytes - 4));
        for (int k = 0; k < 4; ++k) bytes[bytes.size() - 4 + k] = static_cast<char>((sum >> (8 * k)) & 0xFF);
        CDataProfile read;
        PartHeader header;
        EXPECT_EQ(Read(bytes, read, header), "damaged: its contents do not describe the part")
            << at << " " << int{value};
    }
}

}  // namespace
