#pragma once

#include <functional>
#include <string>
#include <vector>

#include "document/picture.h"
#include "model/data_profile.h"

struct DetectFailure {
    int record = -1;   // its index when the detection began
    std::string path;  // kept here: the record may be gone by the time the failure is shown
    CPicture::LoadResult result;
};

struct DetectSettings {
    int channel = 0;
    int mode = 0;
    int jobs = 0;                // threads; 0 means one per core
    bool stopOnFailure = false;  // stop at the first image that cannot be read
};

struct DetectReport {
    bool cancelled = false;
    std::vector<DetectFailure> failures;  // in record order
};

// Detects the pending lines of the given records, each record's picture loaded and dropped on a
// worker thread, exactly as showing each image would detect them. The workers work on copies of
// the lines; the cursors are written by the calling thread once every worker is done, so nothing
// is changed when the operation is cancelled. Results go back to the records and lines they were
// measured on, wherever those are by then; a record or line that is gone, or a line that was
// reshaped meanwhile, takes none. progress(done, total) runs on the calling thread now and then;
// returning false cancels.
DetectReport DetectPendingRecords(CDataProfile& profile, const std::vector<int>& records,
                                  const DetectSettings& settings,
                                  const std::function<bool(int, int)>& progress = {});

// The records that have at least one line with detection pending.
std::vector<int> RecordsWithPendingLines(const CDataProfile& profile);
