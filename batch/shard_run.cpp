// SPDX-License-Identifier: GPL-3.0-or-later
#include "batch/shard_run.h"

#include <QCryptographicHash>
#include <algorithm>
#include <iterator>
#include <utility>

#include "batch/batch_output.h"
#include "session/session_limits.h"
#include "model/tracking.h"
#include "session/session_records.h"

BatchOutcome TrackOverlapSteps(const CDataProfile& profile, std::uint64_t start,
                               std::uint64_t overlap, std::vector<PartTrackStep>& steps) {
    const auto own = static_cast<int>(overlap);
    const CScanArray* set = profile.GetArray(own, 0);
    if (set == nullptr) return {};  // an empty part writes nothing to be checked
    for (int n = 0; n < set->GetSize(); ++n) {
        const TrackWalk walk = WalkTrack(profile, own, 0, n);
        // Run to the first image measured without settling, the search would read images
        // further back, which the part has not measured: its edges could differ unnoticed.
        if (!walk.settled && start > 0) {
            return {BatchStatus::SessionRefused,
                    "line " + std::to_string(n + 1) + " follows its edge, and the " +
                        std::to_string(overlap) + " images before this part hold fewer than two "
                        "of its edges, so the part cannot know where its search stands: run "
                        "this session whole, or in fewer parts"};
        }
        for (const TrackStep& step : walk.steps) {
            steps.push_back({static_cast<std::uint32_t>(n),
                             start + static_cast<std::uint64_t>(step.record), step.found,
                             step.place});
        }
    }
    return {};
}

HashedSession LoadHashedSession(const std::string& path) {
    HashedSession hashed;
    SessionResult& result = hashed.loaded;
    std::string text;
    if (const std::string failure = ReadSessionText(path, text); !failure.empty()) {
        result.error = path + ": cannot be read: " + failure;
        result.problem.kind = SessionProblem::Kind::Unreadable;
        return hashed;
    }
    const QByteArray digest =
        QCryptographicHash::hash(QByteArrayView(text.data(), static_cast<qsizetype>(text.size())),
                                 QCryptographicHash::Sha256);
    std::copy(digest.begin(), digest.begin() + static_cast<qsizetype>(hashed.hash.size()),
              hashed.hash.begin());
    result = ParseSession(text, path, SessionFolderOf(path));
    if (result.session) result.session->source = path;
    return hashed;
}

std::string HashText(const SessionHash& hash, std::size_t digits) {
    static constexpr char kHex[] = "0123456789abcdef";
    std::string text;
    for (const std::uint8_t byte : hash) {
        text += kHex[byte >> 4];
        text += kHex[byte & 15];
    }
    text.resize(std::min(digits, text.size()));
    return text;
}

BatchOutcome RunShard(Session session, const SessionHash& hash, ShardSpec shard,
                      const std::string& output, int jobs, const BatchProgress& progress) {
    if (session.lines.empty()) return {BatchStatus::NothingToWrite, "no scan lines"};
    if (session.images.empty()) return {BatchStatus::NothingToWrite, "no images"};
    // Such a line's edge on each image depends on its edge on the one before, and so on back to
    // the first image: a part could not be measured without the parts before it.
    if (std::any_of(session.lineRules.begin(), session.lineRules.end(), [](const auto& rule) {
            return rule && PicksNearestToNeighbour(*rule);
        })) {
        return {BatchStatus::SessionRefused,
                "a line's rule picks the edge nearest the one on the image before, which needs "
                "every image before it measured: run this session whole, without --shard"};
    }
    if (BatchOutcome refused = RefuseInputAsOutput(session, output);
        refused.status != BatchStatus::Ok) {
        return refused;
    }
    PartHeader header;
    header.session = hash;
    header.part = shard.part;
    header.parts = shard.parts;
    header.total = session.images.size();
    header.measureLength = session.measureLength;
    header.measureArea = session.measureArea;
    header.wholeLines = session.edge.wholeLine;
    header.subPixel = session.edge.subPixel;
    const PartRange range = PartRangeOf(header.total, shard.part, shard.parts);
    header.first = range.first;
    header.images = range.images;

    // A line that follows its edge searches where the images before predict it: the part
    // measures a few of them ahead of its own, and writes what its searches read of them for
    // the merge to check against the part before (TrackOverlapSteps).
    const bool tracking = std::any_of(session.lineRules.begin(), session.lineRules.end(),
                                      [](const auto& rule) { return rule && rule->track > 0; });
    const std::uint64_t overlap = tracking ? std::min<std::uint64_t>(range.first, kTrackOverlap) : 0;
    // The part's own images only: the records of the others would cost memory for nothing.
    const auto begin = session.images.begin() + static_cast<std::ptrdiff_t>(range.first - overlap);
    std::vector<SessionImage> mine(
        std::make_move_iterator(begin),
        std::make_move_iterator(begin + static_cast<std::ptrdiff_t>(overlap + range.images)));
    std::vector<SessionImage>().swap(session.images);
    session.images = std::move(mine);

    CDataProfile profile;
    BuildSessionRecords(session, profile);
    if (BatchOutcome outcome = DetectImages(session, profile, jobs, progress);
        outcome.status != BatchStatus::Ok) {
        return outcome;
    }
    std::vector<PartTrackStep> steps;
    if (overlap > 0) {
        if (BatchOutcome unsettled = TrackOverlapSteps(profile, range.first - overlap, overlap, steps);
            unsettled.status != BatchStatus::Ok) {
            return unsettled;
        }
        const auto cut = static_cast<std::ptrdiff_t>(overlap);
        profile.m_arSeries.erase(profile.m_arSeries.begin(), profile.m_arSeries.begin() + cut);
        profile.m_arAxis.erase(profile.m_arAxis.begin(), profile.m_arAxis.begin() + cut);
        session.images.erase(session.images.begin(), session.images.begin() + cut);
    }
    std::optional<std::string> bytes = BuildPartFile(header, session.lines, profile, steps);
    if (!bytes) return {BatchStatus::WriteFailed, "the records do not make a part file"};
    std::string warning = FoundOtherwiseWarning(session, profile);
    profile = CDataProfile();  // the file's bytes are all that is needed now
    BatchOutcome written = WriteBatchOutput(ResolveBatchOutput(output), *bytes);
    if (written.status == BatchStatus::Ok) written.warning = std::move(warning);
    return written;
}
