// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <optional>
#include <vector>

#include "model/entry_time.h"

// How the entries of the list get their times ("間隔"): what the files carry, a fixed interval
// the user gives, or the files' modification times. One rule for the whole session.
struct TimeRule {
    enum class Kind {
        FromFiles,  // the time each file carries for its entry (none where it carries none)
        Interval,   // entry i (from 0, list order) at start + i * interval seconds
        FileTime,   // the file's modification time
    };
    Kind kind = Kind::FromFiles;
    double interval = 1.0;  // seconds between two entries; finite and above 0
    double start = 0.0;     // seconds of the first entry; finite

    bool IsDefault() const { return kind == Kind::FromFiles; }
    // Whether the numbers may be used: a fixed interval needs a finite positive interval and a
    // finite start (the other rules ignore them).
    bool IsValid() const;
    friend bool operator==(const TimeRule&, const TimeRule&) = default;
};

// A file's modification time as the file system keeps it: whole seconds since the epoch and
// the nanoseconds within that second.
struct FileInstant {
    std::int64_t sec = 0;
    std::int64_t nsec = 0;
};

// The seconds of each entry as the axis and the table count them, NaN where the entry has no
// time. Times from files and from a fixed interval are used as they are (a video's timestamps
// count from its start, an EXIF date from the epoch); SecondsFromFirst then counts them from
// the first entry. Modification times are counted from the first entry's already here, in whole
// nanoseconds apart, so that no nanosecond is lost to a double holding ~1.7e9 seconds.
struct TimeAxis {
    std::vector<EntryTime> times;  // per entry, its time and where it comes from
    std::vector<double> seconds;   // per entry, seconds from the first entry with a time; NaN: none
    std::size_t missing = 0;       // entries without a time

    bool Any() const { return missing < times.size(); }
    bool Complete() const { return missing == 0 && !times.empty(); }
};

// The fixed interval's time of entry i: start + i * interval, in doubles, one rounding each.
double IntervalSeconds(const TimeRule& rule, std::int64_t index);

// The times of `count` entries under a fixed interval.
std::vector<EntryTime> IntervalTimes(const TimeRule& rule, std::size_t count);

// Modification times to entry times: seconds from the first known one (the nanoseconds apart
// in a 64-bit integer, divided by 1e9); None where a file gave none.
std::vector<EntryTime> FileInstantTimes(const std::vector<std::optional<FileInstant>>& instants);

// The seconds from the first entry with a time: t[i] - t[first], NaN where there is none. A
// fixed interval's times are counted from the interval's own zero instead, so that its start
// is the first entry's time as the user gave it.
TimeAxis MakeTimeAxis(std::vector<EntryTime> times);

// The rate of change of v over t, per entry: by central differences
// (v[i+1] - v[i-1]) / (t[i+1] - t[i-1]) where both neighbours have a value; one-sided,
// (v[i+1] - v[i]) / (t[i+1] - t[i]) or (v[i] - v[i-1]) / (t[i] - t[i-1]), at the ends of the
// list and beside a gap. A value or a time that is not finite is a gap. NaN where the entry
// has no value, where neither neighbour has one, and where the two times differenced are equal
// (no fallback to the other side: a tie says that the times are not to be trusted there).
std::vector<double> RateOfChange(const std::vector<double>& v, const std::vector<double>& t);
