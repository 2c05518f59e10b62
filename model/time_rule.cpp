// SPDX-License-Identifier: GPL-3.0-or-later
#include "model/time_rule.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace {

constexpr double kNone = std::numeric_limits<double>::quiet_NaN();

}  // namespace

bool TimeRule::IsValid() const {
    if (kind != Kind::Interval) return true;
    return std::isfinite(interval) && interval > 0.0 && std::isfinite(start);
}

double IntervalSeconds(const TimeRule& rule, std::int64_t index) {
    return rule.start + static_cast<double>(index) * rule.interval;
}

std::vector<EntryTime> IntervalTimes(const TimeRule& rule, std::size_t count) {
    std::vector<EntryTime> times(count);
    for (std::size_t i = 0; i < count; ++i) {
        times[i] = {IntervalSeconds(rule, static_cast<std::int64_t>(i)), TimeSource::Interval};
    }
    return times;
}

std::vector<EntryTime> FileInstantTimes(const std::vector<std::optional<FileInstant>>& instants) {
    std::vector<EntryTime> times(instants.size());
    const std::optional<FileInstant>* first = nullptr;
    for (std::size_t i = 0; i < instants.size(); ++i) {
        const std::optional<FileInstant>& instant = instants[i];
        if (!instant) continue;
        if (first == nullptr) first = &instant;
        // Apart in nanoseconds, exact in an integer for 292 years either way; only the
        // division into seconds rounds, once.
        const std::int64_t apart =
            (instant->sec - (*first)->sec) * 1'000'000'000 + (instant->nsec - (*first)->nsec);
        times[i] = {static_cast<double>(apart) / 1e9, TimeSource::FileTime};
    }
    return times;
}

TimeAxis MakeTimeAxis(std::vector<EntryTime> times) {
    TimeAxis axis;
    axis.times = std::move(times);
    axis.seconds.assign(axis.times.size(), kNone);
    const EntryTime* first = nullptr;
    for (std::size_t i = 0; i < axis.times.size(); ++i) {
        const EntryTime& time = axis.times[i];
        if (!time.Known() || !std::isfinite(time.seconds)) {
            ++axis.missing;
            continue;
        }
        if (first == nullptr) first = &time;
        axis.seconds[i] =
            time.source == TimeSource::Interval ? time.seconds : time.seconds - first->seconds;
    }
    return axis;
}

std::vector<double> RateOfChange(const std::vector<double>& v, const std::vector<double>& t) {
    const std::size_t n = std::min(v.size(), t.size());
    std::vector<double> rate(v.size(), kNone);
    const auto has = [&](std::size_t i) { return std::isfinite(v[i]) && std::isfinite(t[i]); };
    const auto slope = [&](std::size_t a, std::size_t b) {
        const double dt = t[b] - t[a];
        return dt != 0.0 ? (v[b] - v[a]) / dt : kNone;
    };
    for (std::size_t i = 0; i < n; ++i) {
        if (!has(i)) continue;
        const bool before = i > 0 && has(i - 1);
        const bool after = i + 1 < n && has(i + 1);
        if (before && after) {
            rate[i] = slope(i - 1, i + 1);
        } else if (after) {
            rate[i] = slope(i, i + 1);
        } else if (before) {
            rate[i] = slope(i - 1, i);
        }
    }
    return rate;
}
