// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <optional>
#include <string>

#include "export/line_status.h"
#include "model/data_profile.h"
#include "model/time_rule.h"

// How the tidy table separates its fields.
struct TidyOptions {
    enum class Delimiter {
        Comma,      // fields separated by ',', numbers with a decimal point
        Semicolon,  // fields separated by ';', numbers with a decimal comma: for spreadsheets
                    // whose locale reads a comma as the decimal separator
    };
    Delimiter delimiter = Delimiter::Comma;
    // The edges placed between pixels, in five more columns (see below).
    bool subPixel = false;
    // The entries' times, for the `time` column; none: no such column.
    const TimeAxis* times = nullptr;
};

inline TidyOptions WithSubPixel(TidyOptions options, bool subPixel) {
    options.subPixel = subPixel;
    return options;
}

// The results as one table of UTF-8 text with one row per image and line, for programs that read
// delimited text; the data file holds the same numbers. A header row names the columns:
//
//   image    the image's number, counted from 1 in list order as the data file counts
//   path     the image file's path (see AppendPathField in csv_field.h for its escape)
//   frame    only where some image is a page of a stack or a frame of a video: its number from
//            0; empty for a file of one picture
//   time     with times: the entry's seconds from the first entry (TimeAxis::seconds), written
//            as the other reals; empty for an entry without a time
//   line     the scan line's number, counted from 1
//   x, y     the edge point's pixel on the picture (rows grow downwards)
//   dx, dy   the data file's pixel values: x - origin x and origin y - y, from the image's own
//            calibration
//   value_x, value_y   the converted point; empty when the image's calibration cannot convert
//   position with subPixel: the edge between samples, in samples from the line's start (the
//            sample index as a fraction); empty for a line whose cursor was not placed so (put
//            by hand, or read from a session)
//   x_sub, y_sub   with subPixel: that edge on the picture, between the pixels of the two
//            samples it falls between; x and y stay the integer pixel of the data file
//   value_x_sub, value_y_sub   with subPixel: the point converted; empty where value_x is
//   length   with measureLength: the image's line length, on each of its rows
//   area     with measureArea: the image's area, on each of its rows
//   status   what the row's cursor is (StatusWord): "detected", "hand-placed" or "kept", a
//            measurement; or "not-found", "pending" or "unreadable" (the images listed in
//            `unreadable`), whose rows keep their place with every field from x on empty, and
//            whose image has no length or area
//   found_with   for a detected cursor, the settings it was found with (FoundWithWords); also
//            for "not-found", a line whose caliper rule found no edge: its row has every field
//            from x to value_y_sub empty, and its image has no length or area
//   rule ... edge_status   for lines under a caliper rule of their own, the columns described
//            in tidy_caliper.h
//
// Length and area are empty where the data file has no number for them. A line that an image
// lacks keeps its row, with every field after the line number empty (the status too). Lines an
// image has beyond those of the first image are not measured, as in the data file.
//
// Fields are quoted as RFC 4180 says and rows end in CR LF. Numbers are the same in every process
// locale: integers in decimal, other numbers in the shortest form that reads back as the same
// double (std::to_chars: "0.5", "1e-07", "-2.5e+300"), infinities as "inf" and "-inf", and "nan"
// for any value that is not a number. nullopt when there is nothing to write (no records, or no
// scan lines on record 0), as for the data file.
std::optional<std::string> BuildTidyTable(const CDataProfile& profile, bool measureLength,
                                          bool measureArea, const TidyOptions& options = {},
                                          const UnreadableImages& unreadable = {});
