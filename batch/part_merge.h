// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Joins the part files of one session's shards into the records of the whole list: the part
// files alone, without the session file, which need not be on the machine that merges.

#include <string>
#include <vector>

#include "batch/batch_run.h"
#include "export/part_file.h"
#include "model/data_profile.h"

// The records of the whole image list in list order, as a single run would have measured them,
// and the switches of the session: all that any file of the series is built from.
struct MergedSeries {
    CDataProfile profile;
    bool measureLength = false;
    bool measureArea = false;
    bool subPixel = false;  // the session placed edges between samples: the table says where
    SessionHash session{};  // the SHA-256 of the session file that every part records
};

// The part files that a merge is given: each of `given` is a part file, or a folder standing
// for the files in it named *.qpart (not hidden ones), in the order of their names; then the
// part files that the list file `list` names ("-": standard input; empty: no list), one a line,
// or separated by NUL bytes where it holds any, empty names skipped. The list, unlike the
// command line, has no bound on its length. Fails with BadPart, naming it, on a list or a
// folder that cannot be read and on a folder without part files.
BatchOutcome ListParts(const std::vector<std::string>& given, const std::string& list,
                       std::vector<std::string>& parts);

// Reads the part files (in any order) into the records. Fails with BadPart, changing nothing
// and naming the files, unless they are every part 1 to N of one session exactly once, each
// whole and undamaged: a file that cannot be read, is no part file, is truncated or damaged;
// parts of different sessions or of different numbers of parts; a part given twice, a part
// missing, no parts at all. The headers are all checked before any part's records are read.
BatchOutcome MergeParts(const std::vector<std::string>& parts, MergedSeries& merged);

// Merges the parts and writes the data file (or the tidy table) to `output` ("-": standard
// output) as RunBatch does: nothing unless every part is merged, and never over one of the parts.
// `session`, when given, receives the SHA-256 of the session file the parts are of.
BatchOutcome RunMerge(const std::vector<std::string>& parts, const std::string& output,
                      const BatchFormat& format = {}, SessionHash* session = nullptr);
