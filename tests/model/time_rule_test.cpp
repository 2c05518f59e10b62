// SPDX-License-Identifier: GPL-3.0-or-later
// The arithmetic of times: seconds from the first entry, and the rate of change over them.
#include "model/time_rule.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace {

constexpr double N = std::numeric_limits<double>::quiet_NaN();
constexpr double Inf = std::numeric_limits<double>::infinity();

void ExpectSame(const std::vector<double>& got, const std::vector<double>& want, const char* name) {
    ASSERT_EQ(got.size(), want.size()) << name;
    for (std::size_t i = 0; i < want.size(); ++i) {
        if (std::isnan(want[i])) {
            EXPECT_TRUE(std::isnan(got[i])) << name << " at " << i << ": " << got[i];
        } else {
            // Exact: the arithmetic is the one the README states, operation for operation.
            EXPECT_EQ(got[i], want[i]) << name << " at " << i;
        }
    }
}

TEST(TimeRule, RateOfChangeCentralOneSidedAndNone) {
    struct Case {
        const char* name;
        std::vector<double> v;
        std::vector<double> t;
        std::vector<double> rate;
    };
    const Case cases[] = {
        {"central inside, one-sided at the ends",
         {0, 1, 4, 9},
         {0, 1, 2, 3},
         {1, (4.0 - 0) / 2, (9.0 - 1) / 2, 5}},
        {"uneven times", {0, 3, 4}, {0, 0.5, 2}, {6, (4.0 - 0) / 2, (4.0 - 3) / 1.5}},
        {"one-sided beside a gap", {1, 2, N, 5, 7}, {0, 1, 2, 3, 4}, {1, 1, N, 2, 2}},
        {"an isolated value has none", {N, 2, N}, {0, 1, 2}, {N, N, N}},
        {"a single entry has none", {3}, {0}, {N}},
        {"equal outer times give nothing, not the other side",
         {0, 1, 2},
         {0, 5, 0},
         {0.2, N, -0.2}},
        {"equal times of a one-sided difference", {1, 2, 3}, {4, 4, 6}, {N, 1, 0.5}},
        {"a time that is not known is a gap", {1, 2, 3, 4}, {0, N, 2, 3}, {N, N, 1, 1}},
        {"an infinite value is a gap", {1, Inf, 3, 4}, {0, 1, 2, 3}, {N, N, 1, 1}},
        {"falling values", {10, 6, 2}, {0, 2, 4}, {-2, -2, -2}},
    };
    for (const Case& c : cases) ExpectSame(RateOfChange(c.v, c.t), c.rate, c.name);
}

EntryTime At(double s, TimeSource source) {
    return {s, source};
}

TEST(TimeRule, SecondsFromTheFirstEntryAndWhatIsMissing) {
    using S = TimeSource;
    struct Case {
        const char* name;
        std::vector<EntryTime> times;
        std::vector<double> seconds;
        std::size_t missing;
    };
    const Case cases[] = {
        {"a video's timestamps",
         {At(10, S::VideoTimestamp), At(10.5, S::VideoTimestamp), At(11.25, S::VideoTimestamp)},
         {0, 0.5, 1.25},
         0},
        {"the first without a time counts from the first with one",
         {EntryTime{}, At(100, S::Exif), At(101.5, S::Exif)},
         {N, 0, 1.5},
         1},
        {"none at all", {EntryTime{}, EntryTime{}}, {N, N}, 2},
        {"a time that is no number is none", {At(N, S::Exif), At(3, S::Exif)}, {N, 0}, 1},
        {"a fixed interval keeps its own zero",
         IntervalTimes({TimeRule::Kind::Interval, 0.1, 2}, 4),
         {2, 2 + 1 * 0.1, 2 + 2 * 0.1, 2 + 3 * 0.1},
         0},
        {"out of order in the list",
         {At(5, S::TiffDescription), At(3, S::TiffDescription)},
         {0, -2},
         0},
    };
    for (const Case& c : cases) {
        const TimeAxis axis = MakeTimeAxis(c.times);
        ExpectSame(axis.seconds, c.seconds, c.name);
        EXPECT_EQ(axis.missing, c.missing) << c.name;
        EXPECT_EQ(axis.Complete(), c.missing == 0) << c.name;
    }
}

TEST(TimeRule, ModificationTimesKeepTheirNanoseconds) {
    // Near 1.7e9 s a double cannot tell nanoseconds apart; counted from the first file first,
    // they stay.
    const std::vector<std::optional<FileInstant>> instants = {
        std::nullopt, FileInstant{1'700'000'000, 999'999'999}, FileInstant{1'700'000'001, 1},
        FileInstant{1'700'000'000, 999'999'998}};
    const TimeAxis axis = MakeTimeAxis(FileInstantTimes(instants));
    ExpectSame(axis.seconds, {N, 0, 2e-9, -1e-9}, "instants");
    EXPECT_EQ(axis.times[1].source, TimeSource::FileTime);
    EXPECT_EQ(axis.missing, 1u);
}

TEST(TimeRule, OnlyAFiniteIntervalAboveZeroIsValid) {
    using K = TimeRule::Kind;
    const std::pair<TimeRule, bool> cases[] = {
        {{K::Interval, 0.5, -3}, true}, {{K::Interval, 0, 0}, false}, {{K::Interval, -1, 0}, false},
        {{K::Interval, Inf, 0}, false}, {{K::Interval, N, 0}, false}, {{K::Interval, 1, N}, false},
        {{K::FileTime, 0, N}, true},    {{K::FromFiles, 1, 0}, true},
    };
    for (const auto& [rule, valid] : cases) {
        EXPECT_EQ(rule.IsValid(), valid) << rule.interval << " " << rule.start;
    }
}

}  // namespace
