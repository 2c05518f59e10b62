#include "document/series_detect.h"

#include <QString>
#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <thread>

#include "model/edge_detect.h"

namespace {

// A record's work, copied out of the profile before any thread starts: the workers never touch
// the profile, so the user-interface thread may paint (and even detect the current image) while
// they run.
struct Job {
    int record = -1;
    QString path;
    std::vector<CScan> lines;  // copies; only the pending ones are measured
    bool done = false;
    CPicture::LoadResult result;
    std::vector<int> edges;  // per line: the edge index, or -1 for a line that was not pending
};

void RunJob(const DetectSettings& settings, Job& job) {
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
        job.path = QString::fromStdString(series->m_strPath);
        for (const auto& line : series->GetAt(0)->m_arLine) job.lines.push_back(*line);
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
    for (int t = 0; t < threads; ++t) pool.emplace_back(worker);
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

    for (const Job& job : jobs) {
        if (!job.done) continue;
        if (job.result.status != CPicture::LoadStatus::Ok) {
            report.failures.push_back({job.record, job.result});
            continue;
        }
        for (std::size_t n = 0; n < job.edges.size(); ++n) {
            CScan* line = profile.GetLine(job.record, 0, static_cast<int>(n));
            if (job.edges[n] < 0 || line == nullptr) continue;
            line->SetPos(job.edges[n]);
            line->m_bDetect = false;
        }
    }
    return report;
}
