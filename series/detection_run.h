// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <atomic>
#include <climits>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <unordered_map>
#include <utility>
#include <vector>

#include "model/data_profile.h"
#include "model/edge_options.h"
#include "picture/picture.h"

struct VideoIndex;

struct DetectFailure {
    int record = -1;  // its index when the detection began
    // The record measured: compared against the list as it is when the failure is taken, never
    // followed unless it is still there.
    const CScanSeries* series = nullptr;
    std::string path;  // kept here: the record may be gone by the time the failure is shown
    CPicture::LoadResult result;
};

struct DetectSettings {
    int channel = 0;
    int mode = 0;
    int jobs = 0;                // threads; 0 means one per core
    bool stopOnFailure = false;  // stop at the first image that cannot be read
    // Convert of each picture only the pixels its pending lines read, where its decoder can
    // (CPicture::Load with a request): for a run whose pictures nobody is shown, as the batch's.
    bool partialPictures = false;
    EdgeOptions edge;
};

// While held, every run's workers wait before each record they have not begun, until released
// or their run is cancelled: lets a test stop a run half way whatever the machine's speed.
void HoldDetections(bool held);

// One detection of the pending lines of some records, under way on worker threads. Each
// record's picture is loaded, measured exactly as showing the image would measure it, and
// dropped on a worker; the workers work on copies of the lines taken when the run starts, so the
// thread that owns the records may paint, edit and even detect meanwhile. Results are written
// back by that thread (Collect) to the records and lines they were measured on, wherever those
// are by then; a record or line that is gone, or a line reshaped meanwhile, takes none.
class CDetectionRun {
public:
    CDetectionRun(const CDataProfile& profile, const std::vector<int>& records,
                  const DetectSettings& settings);
    ~CDetectionRun();  // stops after the images being measured and waits for the workers
    CDetectionRun(const CDetectionRun&) = delete;
    CDetectionRun& operator=(const CDetectionRun&) = delete;

    int Total() const;
    // How many records are measured (or failed) so far.
    int Done() const;
    // Every record measured, or the run stopped (cancelled, or a failure with stopOnFailure).
    bool Finished() const;
    // Stops handing out records; those being measured finish.
    void Cancel();
    // Waits until another record is done or the run finishes, at most `ms` milliseconds.
    void Wait(int ms);
    // Writes the results of the records finished since the last call into the profile and
    // returns their failures, in the order the records were given. A record with lines that
    // measure from the record before waits for that record's results, when the run measures it.
    std::vector<DetectFailure> Collect(CDataProfile& profile);

    struct Job;  // one record's work

private:
    void Work();
    // The next jobs a worker measures, [first, second): one record, or the frames of a video
    // that one pass of its decoder gives, so that no frame is decoded twice.
    std::pair<int, int> Claim();

    DetectSettings m_settings;
    std::vector<CaliperRule> m_rules;  // the lines' own rules, as the records held them
    std::vector<Job> m_jobs;
    std::vector<std::thread> m_pool;
    std::mutex m_claimMutex;
    int m_next = 0;  // the first job not claimed (under m_claimMutex)
    // The frame index of each file with frames, once a run, null for a file that is no video
    // (a multi-page picture) (under m_claimMutex).
    std::unordered_map<std::string, std::shared_ptr<const VideoIndex>> m_indexes;
    std::atomic<bool> m_stop{false};
    // The lowest job that failed, with stopOnFailure: the jobs after it are not begun, those
    // before it are all finished whatever the number of workers.
    std::atomic<int> m_firstFailure{INT_MAX};
    mutable std::mutex m_mutex;
    std::condition_variable m_changed;
    std::vector<std::size_t> m_finished;  // jobs done and not yet collected
    // Jobs collected but held back until the job before is written (owned by Collect's thread).
    std::vector<std::size_t> m_waiting;
    int m_done = 0;
    int m_running = 0;  // workers still working
};
