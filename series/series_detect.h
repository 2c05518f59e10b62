// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <functional>
#include <vector>

#include "model/data_profile.h"
#include "series/detection_run.h"

struct DetectReport {
    bool cancelled = false;
    std::vector<DetectFailure> failures;  // in record order
};

// Detects the pending lines of the given records on worker threads (a CDetectionRun) and waits
// for them; the cursors are written once every worker is done, so nothing is changed when the
// operation is cancelled. progress(done, total) runs on the calling thread now and then;
// returning false cancels.
DetectReport DetectPendingRecords(CDataProfile& profile, const std::vector<int>& records,
                                  const DetectSettings& settings,
                                  const std::function<bool(int, int)>& progress = {});

// The records that have at least one line with detection pending.
std::vector<int> RecordsWithPendingLines(const CDataProfile& profile);
