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

struct Job {
    int record = -1;
    bool done = false;
    CPicture::LoadResult result;
    std::vector<int> edges;  // per line: the edge index, or -1 for a line that was not pending
};

void RunJob(const CDataProfile& profile, const DetectSettings& settings, Job& job) {
    const CScanArray* lines = profile.GetArray(job.record, 0);
    const CScanSeries* series = profile.GetSeries(job.record);
    if (lines == nullptr || series == nullptr) return;
    CPicture picture;
    job.result = picture.Load(QString::fromStdString(series->m_strPath));
    if (job.result.status != CPicture::LoadStatus::Ok) return;
    const auto buffer = std::make_unique<ProfileBuffer>();
    job.edges.assign(static_cast<std::size_t>(lines->GetSize()), -1);
    const PixelView pixels = picture.View();
    for (int n = 0; n < lines->GetSize(); ++n) {
        const CScan& line = *lines->GetAt(n);
        if (!line.m_bDetect) continue;
        SampleScan(pixels, line, *buffer);
        job.edges[static_cast<std::size_t>(n)] =
            FindEdge(*buffer, line.m_nCount, settings.channel, settings.mode);
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
    for (std::size_t k = 0; k < records.size(); ++k) jobs[k].record = records[k];

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
            RunJob(profile, settings, job);
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
        CScanArray* lines = profile.GetArray(job.record, 0);
        for (std::size_t n = 0; n < job.edges.size(); ++n) {
            if (job.edges[n] < 0) continue;
            CScan* line = lines->GetAt(static_cast<int>(n));
            line->SetPos(job.edges[n]);
            line->m_bDetect = false;
        }
    }
    return report;
}
