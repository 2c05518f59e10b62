// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

#include "model/data_profile.h"
#include "model/time_rule.h"

// The time of every record under the profile's rule, and the seconds the series plot and the
// table count from the first entry: what the records carry (CScanSeries::m_time), a fixed
// interval, or the files' modification times read now. Every user of times (the window, the
// batch tool, the tests) takes them from here, so the rule is applied in one place.
TimeAxis EntryTimesOf(const CDataProfile& profile);

// Whether the session has times, and so the table a `time` column: a rule the user set, or an
// entry with a time of its own. A session without either writes the table as it always has.
bool HasTimes(const CDataProfile& profile, const TimeAxis& axis);

// Where a time comes from, as the window names it ("動画のタイムスタンプ", ...).
QString TimeSourceText(TimeSource source);

// An entry's time as the file list's tooltip gives it: its seconds from the first entry and
// where they come from, or that it has none and counts by its number in the list.
QString EntryTimeText(const TimeAxis& axis, int entry);

// The shortest text that reads back as the same double, in the C locale.
QString SecondsText(double seconds);
