// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "model/entry_time.h"

// The times a file's own metadata gives its entries. Each reader gives nothing rather than a
// guess: an interval or a unit it does not know, or times for only some pages, give no time.

// The times of a stack's `pages` from its first page's ImageDescription, in seconds from the
// first page (source TiffDescription): OME-XML Plane DeltaT (in its DeltaTUnit, seconds by
// default), one Plane per page in the order the planes are listed, else the Plane's TheT times
// the Pixels' TimeIncrement; or an ImageJ description's finterval (in its tunit, seconds by
// default), else 1/fps, for frame (page / (channels x slices)). Empty when none of them gives
// every page a time.
std::vector<EntryTime> TimesFromDescription(const std::string& description, std::int64_t pages);

// An EXIF DateTimeOriginal ("YYYY:MM:DD HH:MM:SS") with its SubSecTimeOriginal (the digits of
// the fraction of a second) and OffsetTimeOriginal ("+HH:MM" from UTC) as seconds since
// 1970-01-01 00:00:00 UTC. Without an offset the clock time is read as UTC, so that the same file
// gives the same time on every machine. Nothing when the date is not one.
std::optional<double> ExifSeconds(const std::string& dateTime, const std::string& subSeconds,
                                  const std::string& offset);

// The EXIF time of a picture file that libexif reads (a JPEG), or an unknown time.
EntryTime ExifTimeOfFile(const std::string& path);
