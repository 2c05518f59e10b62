#include "series/detection_run.h"

#include <QCoreApplication>
#include <QString>
#include <algorithm>
#include <chrono>
#include <new>
#include <system_error>
#include <unordered_set>

#include "model/caliper_measure.h"
#include "model/edge_detect.h"

// A record's work, copied out of the profile before any thread starts.
struct CDetectionRun::Job {
    int record = -1;
    const CScanSeries* series = nullptr;  // the record measured, to find it again afterwards
    std::string path;
    std::vector<CScan> lines;             // copies; only the pending ones are measured
    std::vector<const CScan*> originals;  // the lines the copies were taken from
    CPicture::LoadResult result;
    std::vector<int> edges;      // per line: the edge index, or -1 for a line that was not pending
    std::vector<double> subPos;  // per line: the sub-pixel edge, negative for none
    // per line: what its caliper rule measured, null for a line under the side panel's rule
    std::vector<std::shared_ptr<const CaliperMeasure>> measures;
};

namespace {

using Job = CDetectionRun::Job;

// What a worker keeps from one image to the next: the picture's memory (file bytes and decoded
// rows) and the profile buffer, so that a series costs no allocation per image.
struct Worker {
    CPicture picture;
    std::unique_ptr<ProfileBuffer> buffer;
};

void MeasureJob(const DetectSettings& settings, const std::vector<CaliperRule>& rules, Job& job,
                Worker& worker) {
    CPicture& picture = worker.picture;
    job.result = picture.Load(job.path);
    if (job.result.status != CPicture::LoadStatus::Ok) return;
    if (!worker.buffer) worker.buffer = std::make_unique<ProfileBuffer>();
    ProfileBuffer* buffer = worker.buffer.get();
    job.edges.assign(job.lines.size(), -1);
    job.subPos.assign(job.lines.size(), -1.0);
    job.measures.assign(job.lines.size(), nullptr);
    const PixelView pixels = picture.View();
    for (std::size_t n = 0; n < job.lines.size(); ++n) {
        CScan& line = job.lines[n];
        if (!line.m_bDetect) continue;
        SampleScan(pixels, line, *buffer, settings.edge.lineWidth);
        if (line.m_nRule > 0 && line.m_nRule <= rules.size()) {
            MeasureWithCaliper(*buffer, line, settings.channel, settings.edge,
                               rules[line.m_nRule - 1u]);
            job.edges[n] = line.m_nPos;
            job.subPos[n] = line.m_dSubPos;
            job.measures[n] = line.m_measure;
            continue;
        }
        const EdgeResult edge =
            FindEdge(*buffer, line.m_nCount, settings.channel, settings.mode, settings.edge);
        job.edges[n] = edge.index;
        job.subPos[n] = edge.subPos;
    }
}

// A worker must not end the program: memory running out for one picture is that picture's
// failure, reported as what it is.
void RunJob(const DetectSettings& settings, const std::vector<CaliperRule>& rules, Job& job,
            Worker& worker) {
    try {
        MeasureJob(settings, rules, job, worker);
    } catch (const std::bad_alloc&) {
        worker.picture.Clear();  // and the memory it kept: the next image may need it
        job.edges.clear();
        job.result = {CPicture::LoadStatus::OutOfMemory,
                      QStringLiteral("not enough memory to measure the picture"),
                      QCoreApplication::translate("Document", "メモリが足りません。")};
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

CDetectionRun::CDetectionRun(const CDataProfile& profile, const std::vector<int>& records,
                             const DetectSettings& settings)
    : m_settings(settings), m_rules(profile.m_rules), m_jobs(records.size()) {
    for (std::size_t k = 0; k < records.size(); ++k) {
        Job& job = m_jobs[k];
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
    const int total = Total();
    int threads = settings.jobs > 0
                      ? settings.jobs
                      : static_cast<int>(std::max(1u, std::thread::hardware_concurrency()));
    threads = std::clamp(threads, 1, std::max(1, total));
    m_pool.reserve(static_cast<std::size_t>(threads));
    for (int t = 0; t < threads; ++t) {
        // A system short of threads gets fewer workers, and with none the calling thread does
        // the work itself: the result is the same, only slower.
        {
            std::lock_guard lock(m_mutex);
            ++m_running;
        }
        try {
            m_pool.emplace_back([this] { Work(); });
        } catch (const std::system_error&) {
            std::lock_guard lock(m_mutex);
            --m_running;
            break;
        }
    }
    if (m_pool.empty()) {
        {
            std::lock_guard lock(m_mutex);
            ++m_running;
        }
        Work();
    }
}

CDetectionRun::~CDetectionRun() {
    m_stop.store(true);
    for (auto& thread : m_pool) thread.join();
}

void CDetectionRun::Work() {
    const int total = Total();
    Worker worker;
    for (;;) {
        if (m_stop.load()) break;
        const int k = m_next.fetch_add(1);
        if (k >= total) break;
        Job& job = m_jobs[static_cast<std::size_t>(k)];
        RunJob(m_settings, m_rules, job, worker);
        if (job.result.status != CPicture::LoadStatus::Ok && m_settings.stopOnFailure) {
            m_stop.store(true);
        }
        {
            std::lock_guard lock(m_mutex);
            m_finished.push_back(static_cast<std::size_t>(k));
            ++m_done;
        }
        m_changed.notify_all();
    }
    {
        std::lock_guard lock(m_mutex);
        --m_running;
    }
    m_changed.notify_all();
}

int CDetectionRun::Total() const {
    return static_cast<int>(m_jobs.size());
}

int CDetectionRun::Done() const {
    std::lock_guard lock(m_mutex);
    return m_done;
}

bool CDetectionRun::Finished() const {
    std::lock_guard lock(m_mutex);
    return m_running == 0;
}

void CDetectionRun::Cancel() {
    m_stop.store(true);
}

void CDetectionRun::Wait(int ms) {
    std::unique_lock lock(m_mutex);
    const int done = m_done;
    m_changed.wait_for(lock, std::chrono::milliseconds(ms),
                       [&] { return m_done != done || m_running == 0; });
}

std::vector<DetectFailure> CDetectionRun::Collect(CDataProfile& profile) {
    std::vector<std::size_t> finished;
    {
        std::lock_guard lock(m_mutex);
        finished.swap(m_finished);
    }
    std::sort(finished.begin(), finished.end());
    std::vector<DetectFailure> failures;
    if (finished.empty()) return failures;
    // The records as they stand now: the list may have changed while the workers ran.
    std::unordered_set<const CScanSeries*> present;
    for (const auto& series : profile.m_arSeries) present.insert(series.get());
    const DetectionSettings found{m_settings.channel, m_settings.mode, m_settings.edge, {}};
    for (const std::size_t k : finished) {
        const Job& job = m_jobs[k];
        if (job.result.status != CPicture::LoadStatus::Ok) {
            failures.push_back({job.record, job.series, job.path, job.result});
            continue;
        }
        if (!present.contains(job.series)) continue;
        for (std::size_t n = 0; n < job.edges.size(); ++n) {
            if (job.edges[n] < 0) continue;
            CScan* line = FindOriginal(*job.series, job, n);
            // A line the user has placed meanwhile keeps the user's cursor, and one whose rule
            // changed meanwhile waits for a detection under its new rule.
            if (line == nullptr || !line->m_bDetect || line->m_nRule != job.lines[n].m_nRule) {
                continue;
            }
            line->SetEdge(job.edges[n], job.subPos[n]);
            line->m_measure = job.measures[n];
            line->m_bDetect = false;
            if (job.measures[n] == nullptr) {
                profile.MarkDetected(*line, found);
            } else {
                DetectionSettings own = found;
                own.caliper = m_rules[job.lines[n].m_nRule - 1u];
                profile.MarkDetected(*line, own);
            }
        }
    }
    return failures;
}
