// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <functional>
#include <optional>
#include <string>

#include "batch/batch_outcome.h"
#include "export/tidy_table.h"
#include "model/data_profile.h"
#include "session/session_file.h"

// Called as images are measured, with the number measured so far and the total; calls come
// from the calling thread, with `done` rising by one each time.
using BatchProgress = std::function<void(int done, int total)>;
// Asked now and then, on the calling thread, while images are measured; true stops the run,
// which then waits for its workers, changes nothing and ends Cancelled.
using BatchCancel = std::function<bool()>;

// What a run writes: the data file (the default), or the tidy table with its options.
struct BatchFormat {
    bool tidyTable = false;
    TidyOptions tidy;
};

// One record per image of the session with every scan line on it: calibrations as the session
// gives them, every cursor where the session puts it, kept or pending as it says.
void BuildProfile(const Session& session, CDataProfile& profile);

// Decodes every image and detects its pending lines, on `jobs` threads (0: one per core); the
// result does not depend on the number of threads. On failure the other threads stop after
// their current image, and the failure reported is the one of the lowest image index; one for
// want of memory or of open files is reported as that, never as a picture that does not
// decode or cannot be opened.
BatchOutcome DetectImages(const Session& session, CDataProfile& profile, int jobs,
                          const BatchProgress& progress = {}, const BatchCancel& cancel = {});

// What a run says of the cursors the session kept from detections under other settings than
// its own, or empty when there are none.
std::string FoundOtherwiseWarning(const Session& session, const CDataProfile& profile);

// The warning of a table in which `missing` images have no time.
std::string MissingTimesWarning(std::size_t missing);

// Builds, detects and formats the data file (or the tidy table) of the session into `bytes`.
BatchOutcome MeasureSession(const Session& session, int jobs, const BatchProgress& progress,
                            std::string& bytes, const BatchFormat& format = {},
                            const BatchCancel& cancel = {});

// Measures the session and writes the data file to `output` (a file, "-" or another name of a
// descriptor, a pipe or a character device: ResolveBatchOutput). Nothing is written unless
// every image has been measured, and a file is replaced only when the new one is whole on
// disk. An output that is the same file as the session file or an image, by whatever name, is
// refused before anything is measured.
BatchOutcome RunBatch(const Session& session, const std::string& output, int jobs,
                      const BatchProgress& progress = {}, const BatchFormat& format = {});

// Refuses an output that is the same file as the session file or one of its images, by
// whatever name; Ok otherwise.
BatchOutcome RefuseInputAsOutput(const Session& session, const std::string& output);
