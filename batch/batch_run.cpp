// SPDX-License-Identifier: GPL-3.0-or-later
#include "batch/batch_run.h"

#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <numeric>
#include <vector>

#include "batch/batch_output.h"
#include "export/data_file.h"
#include "export/image_measures.h"
#include "export/line_status.h"
#include "picture/picture.h"
#include "series/entry_survey.h"
#include "series/entry_times.h"
#include "series/series_detect.h"
#include "session/session_records.h"

void BuildProfile(const Session& session, CDataProfile& profile) {
    BuildSessionRecords(session, profile);
}

BatchOutcome DetectImages(const Session& session, CDataProfile& profile, int jobs,
                          const BatchProgress& progress, const BatchCancel& cancel) {
    // Every image is loaded, also one whose cursors the session gives all of: a file that cannot
    // be read is an error whatever it holds.
    std::vector<int> records(static_cast<std::size_t>(profile.GetSize()));
    std::iota(records.begin(), records.end(), 0);
    DetectSettings settings;
    settings.channel = session.channel;
    settings.mode = session.edgeMode;
    settings.edge = session.edge;
    settings.jobs = jobs;
    settings.stopOnFailure = true;
    settings.partialPictures = true;  // the batch shows no picture
    int reported = 0;
    const DetectReport report =
        DetectPendingRecords(profile, records, settings, [&](int done, int total) {
            // Each image once, in order, as the workers finish them.
            while (progress && reported < done) progress(++reported, total);
            return !(cancel && cancel());
        });
    if (report.cancelled) return {BatchStatus::Cancelled, "cancelled"};
    if (report.failures.empty()) return {};
    // Images are handed out in index order and every image taken is finished, so the first
    // failure listed is the lowest whatever the number of threads.
    const DetectFailure& failure = report.failures.front();
    const std::string reason = failure.result.reason.toStdString();
    // Which image met the limit depends on the number of jobs; the file itself is fine.
    if (IsOutOfDescriptors(failure.result.systemError)) return OutOfDescriptors("opening an image");
    switch (failure.result.status) {
        case CPicture::LoadStatus::OutOfMemory:
            return {BatchStatus::OutOfMemory, failure.path + ": " + reason};
        case CPicture::LoadStatus::CannotOpen:
            return {BatchStatus::ImageFailed, failure.path + ": cannot be opened: " + reason};
        case CPicture::LoadStatus::Ok:
        case CPicture::LoadStatus::CannotDecode:
            break;
    }
    return {BatchStatus::ImageFailed, failure.path + ": cannot be decoded: " + reason};
}

std::string MissingTimesWarning(std::size_t missing) {
    return std::to_string(missing) + (missing == 1 ? " image has" : " images have") +
           " no time: the table's time field is empty there, and its number in the list stands"
           " for it";
}

std::string FoundOtherwiseWarning(const Session& session, const CDataProfile& profile) {
    const std::size_t otherwise =
        CountFoundOtherwise(profile, MeasuredLineCount(profile),
                            {session.channel, session.edgeMode, session.edge, {}});
    if (otherwise == 0) return {};
    return std::to_string(otherwise) + (otherwise == 1 ? " edge point was" : " edge points were") +
           " found with other settings than the session's, and written as found";
}

BatchOutcome MeasureSession(const Session& session, int jobs, const BatchProgress& progress,
                            std::string& bytes, const BatchFormat& format,
                            const BatchCancel& cancel) {
    bytes.clear();
    // A window's session may have neither yet; the reader lets it through.
    if (session.lines.empty()) return {BatchStatus::NothingToWrite, "no scan lines"};
    if (session.images.empty()) return {BatchStatus::NothingToWrite, "no images"};
    CDataProfile profile;
    BuildProfile(session, profile);
    BatchOutcome outcome = DetectImages(session, profile, jobs, progress, cancel);
    if (outcome.status != BatchStatus::Ok) return outcome;
    // Times go into the table only; the data file is the same with them or without. The times
    // files carry (a video's timestamps, a stack's interval, a JPEG's date) are read as the
    // window reads them when it opens the session; a video's packet index is kept from its
    // decoding, so this reads no frame again.
    if (format.tidyTable) SurveyRecordEntries(profile);
    const TimeAxis times = EntryTimesOf(profile);
    const bool timed = format.tidyTable && HasTimes(profile, times);
    TidyOptions tidy = WithSubPixel(format.tidy, session.edge.subPixel);
    if (timed) tidy.times = &times;
    std::optional<std::string> file =
        format.tidyTable ? BuildTidyTable(profile, session.measureLength, session.measureArea, tidy)
                         : BuildDataFile(profile, session.measureLength, session.measureArea);
    if (!file) return {BatchStatus::NothingToWrite, "there is no data: no images or no scan lines"};
    bytes = std::move(*file);
    outcome.warning = FoundOtherwiseWarning(session, profile);
    if (timed && times.missing > 0) {
        if (!outcome.warning.empty()) outcome.warning += "; ";
        outcome.warning += MissingTimesWarning(times.missing);
    }
    return outcome;
}

// Refuses an output that is the same file as an input: the same device and inode, whatever
// names lead there (hard and symbolic links, "..", another spelling, a descriptor). Only a
// regular file can be destroyed so; a terminal or /dev/null is nobody's input.
BatchOutcome RefuseInputAsOutput(const Session& session, const std::string& output) {
    const BatchOutput resolved = ResolveBatchOutput(output);
    struct stat out {};
    if (!StatBatchOutput(resolved, out) || !S_ISREG(out.st_mode)) return {};
    const auto isOutput = [&out](const std::string& path) {
        struct stat in {};
        return ::stat(path.c_str(), &in) == 0 && in.st_dev == out.st_dev && in.st_ino == out.st_ino;
    };
    if (!session.source.empty() && isOutput(session.source)) {
        return {BatchStatus::OutputIsInput,
                "cannot write " + resolved.name + ": it is the session file " + session.source};
    }
    for (const SessionImage& image : session.images) {
        if (isOutput(image.path)) {
            return {BatchStatus::OutputIsInput,
                    "cannot write " + resolved.name + ": it is the image " + image.path};
        }
    }
    return {};
}

BatchOutcome RunBatch(const Session& session, const std::string& output, int jobs,
                      const BatchProgress& progress, const BatchFormat& format) {
    if (BatchOutcome refused = RefuseInputAsOutput(session, output);
        refused.status != BatchStatus::Ok) {
        return refused;
    }
    std::string bytes;
    BatchOutcome outcome = MeasureSession(session, jobs, progress, bytes, format);
    if (outcome.status != BatchStatus::Ok) return outcome;
    BatchOutcome written = WriteBatchOutput(ResolveBatchOutput(output), bytes);
    if (written.status == BatchStatus::Ok) written.warning = std::move(outcome.warning);
    return written;
}
