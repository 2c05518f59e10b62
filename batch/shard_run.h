// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// One shard of a batch run: part K of N of a session's image list, measured and written as a
// part file (export/part_file.h) for `quandrel-batch merge` to join with the other parts.

#include <cstdint>
#include <string>
#include <vector>

#include "batch/batch_run.h"
#include "export/part_file.h"

// A session read for a shard, with the SHA-256 of the very bytes that were parsed: parts of a
// session edited between two shards are of two sessions, and merging them is refused.
struct HashedSession {
    SessionResult loaded;
    SessionHash hash{};
};

// Reads, hashes and parses the session file at `path`, as LoadSession does.
HashedSession LoadHashedSession(const std::string& path);

// The hash as hexadecimal digits, its first `digits` of them.
std::string HashText(const SessionHash& hash, std::size_t digits = 64);

// Most parts a list may be split into: as many as a session may have images.
inline constexpr std::uint32_t kMaxShards = 1'000'000;

struct ShardSpec {
    std::uint32_t part = 1;   // K, from 1
    std::uint32_t parts = 1;  // N
};

// How many images before its own a part measures for its lines that follow their edges: enough
// for the search to settle on two found edges through a few misses.
inline constexpr std::uint64_t kTrackOverlap = 16;

// The steps the searches of the followed lines read at record `overlap` (the part's first own
// image) of records measured from image `start` of the list: the images before, each found at
// its place or a miss. Refused when a search reads back to the first record without settling
// while images before `start` exist, which the part has not measured.
BatchOutcome TrackOverlapSteps(const CDataProfile& profile, std::uint64_t start,
                               std::uint64_t overlap, std::vector<PartTrackStep>& steps);

// Measures part K of N of the session's images (PartRangeOf) and writes its part file to
// `output` ("-": standard output), as RunBatch writes the data file: nothing unless every image
// of the part has been measured, never over the session file or an image. A part past the end
// of a short list is empty and written all the same, so that every K has its file. Only the
// part's images are built and measured; the session's others are dropped first (but for the
// few before it that a line following its edge needs).
BatchOutcome RunShard(Session session, const SessionHash& hash, ShardSpec shard,
                      const std::string& output, int jobs, const BatchProgress& progress = {});
