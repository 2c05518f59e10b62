// SPDX-License-Identifier: GPL-3.0-or-later
#include "series/series_detect.h"

#include <algorithm>

std::vector<int> RecordsWithPendingLines(const CDataProfile& profile) {
    std::vector<int> records;
    for (int i = 0; i < profile.GetSize(); ++i) {
        const auto& lines = profile.GetArray(i, 0)->m_arLine;
        if (std::any_of(lines.begin(), lines.end(), [](const auto& l) { return l->m_bDetect; })) {
            records.push_back(i);
        }
    }
    return records;
}

DetectReport DetectPendingRecords(CDataProfile& profile, const std::vector<int>& records,
                                  const DetectSettings& settings,
                                  const std::function<bool(int, int)>& progress) {
    DetectReport report;
    CDetectionRun run(profile, records, settings);
    for (;;) {
        const bool finished = run.Finished();
        if (progress && !progress(run.Done(), run.Total())) {
            report.cancelled = true;
            run.Cancel();
            return report;  // the run waits for its workers and changes nothing
        }
        if (finished) break;
        run.Wait(50);
    }
    report.failures = run.Collect(profile);
    return report;
}
