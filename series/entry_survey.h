// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The entries of the image list that files give: one per page of a stack or frame of a video,
// one for any other picture, each with the time its file carries for it.

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "model/data_profile.h"
#include "model/entry_time.h"

struct ListEntry {
    std::string title;        // as the list shows it: "name.tif [12/400]"
    std::int64_t frame = -1;  // -1 for a file of one picture
    EntryTime time;
};

// The entries the file at `path` gives. A file that cannot be surveyed (missing, unreadable,
// not a picture) gives one entry of frame -1, which fails to load with the decoder's own words
// when it is shown, as any picture does.
// `progress` hears how far the survey of a long file has come and may stop it: the list is then
// empty, which it never is otherwise.
std::vector<ListEntry> EntriesOfFile(const std::string& path,
                                     const std::function<bool(double fraction)>& progress = {});

// Asked after each file surveyed with the files done and the files in all; false stops the
// survey there.
using SurveyProgress = std::function<bool(std::size_t done, std::size_t total)>;

// Gives the profile's records what their files say of them: the time of each entry, and the
// count of a stack's pages or a video's frames in its title. Each file is surveyed once, however
// many records name it; `skip` leaves out files known not to read. Records of a file that
// cannot be surveyed stay as they were. Returns false when `progress` stopped it.
bool SurveyRecordEntries(CDataProfile& profile, const SurveyProgress& progress = {},
                         const std::function<bool(const std::string&)>& skip = {});
