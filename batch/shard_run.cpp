#include "batch/shard_run.h"

#include <QCryptographicHash>
#include <algorithm>
#include <iterator>
#include <utility>

#include "batch/batch_output.h"
#include "session/session_limits.h"
#include "session/session_records.h"

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
            return rule && rule->select == EdgeSelect::Nearest;
        })) {
        return {BatchStatus::SessionRefused,
                "a line's rule picks the edge nearest the one on the image before, which needs "
                "every image before it measured: run this session whole, without --shard"};
    }
    // A followed edge is searched where the images before predict it. A part that began a few
    // images early would start its search afresh there, on the whole line, and may take another
    // edge than the whole run took at that image; nothing in the part tells it whether its
    // search has come back onto the whole run's, so its result could differ unnoticed.
    if (std::any_of(session.lineRules.begin(), session.lineRules.end(),
                    [](const auto& rule) { return rule && rule->track > 0; })) {
        return {BatchStatus::SessionRefused,
                "a line follows its edge from image to image (track), which needs every image "
                "before it measured: run this session whole, without --shard"};
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

    // The part's own images only: the records of the others would cost memory for nothing.
    const auto begin = session.images.begin() + static_cast<std::ptrdiff_t>(range.first);
    std::vector<SessionImage> mine(
        std::make_move_iterator(begin),
        std::make_move_iterator(begin + static_cast<std::ptrdiff_t>(range.images)));
    std::vector<SessionImage>().swap(session.images);
    session.images = std::move(mine);

    CDataProfile profile;
    BuildSessionRecords(session, profile);
    if (BatchOutcome outcome = DetectImages(session, profile, jobs, progress);
        outcome.status != BatchStatus::Ok) {
        return outcome;
    }
    std::optional<std::string> bytes = BuildPartFile(header, session.lines, profile);
    if (!bytes) return {BatchStatus::WriteFailed, "the records do not make a part file"};
    std::string warning = FoundOtherwiseWarning(session, profile);
    profile = CDataProfile();  // the file's bytes are all that is needed now
    BatchOutcome written = WriteBatchOutput(ResolveBatchOutput(output), *bytes);
    if (written.status == BatchStatus::Ok) written.warning = std::move(warning);
    return written;
}
