#include "document/series_detect.h"

#include <QString>
#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <new>
#include <system_error>
#include <thread>
#include <unordered_set>

#include "model/edge_detect.h"

namespace {

// A record's work, copied out of the profile before any thread starts: the workers never touch
// the profile, so the user-interface thread may paint (and even detect the current image) while
// they run.
struct Job {
    int record = -1;
    const CScanSeries* series = nullptr;  // the record measured, to find it again afterwards
    std::string path;
    std::vector<CScan> lines;             // copies; only the pending ones are measured
    std::vector<const CScan*> originals;  // the lines the copies were taken from
    bool done = false;
    CPicture::LoadResult result;
    std::vector<int> edges;  // per line: the edge index, or -1 for a line that was not pending
};

void MeasureJob(const DetectSettings& settings, Job& job) {
    CPicture picture;
    job.result = picture.Load(job.path);
    if (job.result.status != CPicture::LoadStatus::Ok) return;
    const auto buffer = std::make_unique<ProfileBuffer>();
    job.edges.assign(job.lines.size(), -1);
    const PixelView pixels = picture.View();
    for (std::size_t n = 0; n < job.lines.size(); ++n) {
        const CScan& line = job.lines[n];
        if (!line.m_bDetect) continue;
        SampleScan(pixels, line, *buffer);
        job.edges[n] = FindEdge(*buffer, line.m_nCount, settings.channel, settings.mode);
    }
}

// A worker must not end the program: memory running out for one picture is that picture's
// failure, reported as what it is.
void RunJob(const DetectSettings& settings, Job& job) {
    try {
        MeasureJob(settings, job);
    } catch (const std::bad_alloc&) {
        job.edges.clear();
        job.result = {CPicture::LoadStatus::OutOfMemory,
                      QStringLiteral("not enough memory to measure the picture"),
                      QStringLiteral("メモリが足りません。")};
    }
}

// The record's line that the copy at index n was taken from, if it is still there unchanged.
CScan* FindOriginal(const CScanSeries& series, const Job& job, std::size_t n) {
    const auto& lines = series.GetAt(0)->m_arLine;
    const CScan* original = job.originals[n];
    CScan* found = nullptr;
    if (n < lines.size() && lines[n].get() == original) {
        found = lines[n].get();
    } else {
        for (const auto& line : lines) {
            if (line.get() == original) found = line.get();
        }
    }
    if (found == nullptr) return nullptr;
    const CScan& copy = job.lines[n];
    if (found->m_ptStart != copy.m_ptStart || found->m_ptEnd != copy.m_ptEnd) return nullptr;
    return found;
}

}  // namespace

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
    const int total = static_cast<int>(records.size());
    std::vector<Job> jobs(records.size());
    for (std::size_t k = 0; k < records.size(); ++k) {
        Job& job = jobs[k];
        job.record = records[k];
        const CScanSeries* series = profile.GetSeries(job.record);
        if (series == nullptr) continue;
        job.series = series;
        job.path = series->m_strPath;
        for (const auto& line : series->GetAt(0)->m_arLine) {
            job.lines.push_back(*line);
            job.originals.push_back(line.get());
        }
    }

    int threads = settings.jobs > 0
                      ? settings.jobs
                      : static_cast<int>(std::max(1u, std::thread::hardware_concurrency()));
    threads = std::clamp(threads, 1, std::max(1, total));

    std::atomic<int> next{0};
    std::atomic<bool> stop{false};
    std::mutex mutex;
    std::condition_variable changed;
    int finished = 0;

    auto worker = [&] {
        for (;;) {
            if (stop.load()) return;
            const int k = next.fetch_add(1);
            if (k >= total) return;
            Job& job = jobs[static_cast<std::size_t>(k)];
            RunJob(settings, job);
            if (job.result.status != CPicture::LoadStatus::Ok && settings.stopOnFailure) {
                stop.store(true);
            }
            {
                std::lock_guard lock(mutex);
                job.done = true;
                ++finished;
            }
            changed.notify_all();
        }
    };

    std::vector<std::thread> pool;
    pool.reserve(static_cast<std::size_t>(threads));
    for (int t = 0; t < threads; ++t) {
        // A system short of threads gets fewer workers, and with none the calling thread does
        // the work itself: the result is the same, only slower.
        try {
            pool.emplace_back(worker);
        } catch (const std::system_error&) {
            break;
        }
    }
    if (pool.empty()) worker();
    {
        std::unique_lock lock(mutex);
        for (;;) {
            const int done = finished;
            if (progress) {
                lock.unlock();
                const bool goOn = progress(done, total);
                lock.lock();
                if (!goOn) {
                    report.cancelled = true;
                    stop.store(true);
                    break;
                }
            }
            if (finished == total || stop.load()) break;
            changed.wait_for(lock, std::chrono::milliseconds(50),
                             [&] { return finished != done || stop.load(); });
        }
    }
    for (auto& thread : pool) thread.join();
    if (report.cancelled) return report;

    // The records as they stand now: the list may have changed while the workers ran.
    std::unordered_set<const CScanSeries*> present;
    for (const auto& series : profile.m_arSeries) present.insert(series.get());
    for (const Job& job : jobs) {
        if (!job.done) continue;
        if (job.result.status != CPicture::LoadStatus::Ok) {
            report.failures.push_back({job.record, job.path, job.result});
            continue;
        }
        if (!present.contains(job.series)) continue;
        for (std::size_t n = 0; n < job.edges.size(); ++n) {
            if (job.edges[n] < 0) continue;
            CScan* line = FindOriginal(*job.series, job, n);
            if (line == nullptr) continue;
            line->SetPos(job.edges[n]);
            line->m_bDetect = false;
        }
    }
    return report;
}
