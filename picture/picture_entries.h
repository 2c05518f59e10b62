// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "model/entry_time.h"
#include "picture/picture.h"
#include "picture/video_index.h"

// What one file gives the image list: one picture, the pages of a multi-page TIFF or the frames
// of a video, each an entry of its own, and the times the file carries for them.

struct FileEntries {
    enum class Kind { Single, Pages, Frames };
    Kind kind = Kind::Single;
    std::int64_t count = 1;  // entries the file gives: 1 for a single picture
    // The time of each entry when the file carries them (count of them), otherwise empty.
    std::vector<EntryTime> times;
    // Why the file could not be surveyed; Ok otherwise. A file that cannot be surveyed still
    // makes one entry, which then fails to load with the decoder's own words.
    CPicture::LoadResult result;
    bool stopped = false;  // the progress stopped the survey: nothing is known of the file
};

// Opens the file and counts its entries without decoding a picture: the directory chain of a
// TIFF, the packets of a video. A single-page TIFF and every other picture give Kind::Single.
// `progress` hears how far a long survey (a video's demuxing) has come, and may stop it.
FileEntries SurveyEntries(const std::string& path, const ReadProgress& progress = {});
