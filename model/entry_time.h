// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The time of one entry of the image list (a picture, a page of a stack, a frame of a video).

// Where an entry's time comes from. None: the file carries no time, and the entry falls back to
// its number in the list (the user is told so).
enum class TimeSource {
    None,
    VideoTimestamp,   // the frame's presentation timestamp
    TiffDescription,  // the stack's own description: OME-XML, or an interval in its text
    Exif,             // DateTimeOriginal with its sub-seconds
    Interval,         // a fixed interval from a start the user set
    FileTime,         // the file's modification time
};

struct EntryTime {
    double seconds = 0;  // from the source's own zero (a video's start, the epoch for dates)
    TimeSource source = TimeSource::None;

    bool Known() const { return source != TimeSource::None; }
    friend bool operator==(const EntryTime&, const EntryTime&) = default;
};
