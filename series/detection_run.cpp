// SPDX-License-Identifier: GPL-3.0-or-later
#include "series/detection_run.h"

#include <QCoreApplication>
#include <QString>
#include <algorithm>
#include <chrono>
#include <new>
#include <optional>
#include <system_error>
#include <unordered_map>

#include "model/bilinear_profile.h"
#include "model/caliper_measure.h"
#include "model/edge_detect.h"
#include "model/pixel_request.h"
#include "model/plain_rule.h"
#include "model/tracking.h"
#include "picture/video_index.h"
#include "series/worker_pool.h"

namespace {

std::atomic<bool> g_held{false};

// Waits while runs are held, or until `stop` is set.
void WaitWhileHeld(const std::atomic<bool>& stop) {
    while (g_held.load() && !stop.load()) std::this_thread::sleep_for(std::chrono::milliseconds(5));
}

}  // namespace

void HoldDetections(bool held) {
    g_held.store(held);
}

// A record's work, copied out of the profile before any thread starts.
struct CDetectionRun::Job {
    int record = -1;
    const CScanSeries* series = nullptr;  // the record measured, to find it again afterwards
    std::string path;
    std::int64_t frame = -1;              // the page or frame of the file, -1 for the whole file
    std::vector<CScan> lines;             // copies; only the pending ones are measured
    std::vector<const CScan*> originals;  // the lines the copies were taken from
    CPicture::LoadResult result;
    std::vector<int> edges;      // per line: the edge index, or -1 for a line that was not pending
    std::vector<double> subPos;  // per line: the sub-pixel edge, negative for none
    // per line: what its caliper rule measured, null for a line under the side panel's rule
    std::vector<std::shared_ptr<const CaliperMeasure>> measures;
    // per line under a rule that picks the candidate nearest the line's edge on the record
    // before: the profile the rule reads, measured when that edge is known (Collect)
    std::vector<std::vector<double>> chained;
    // the same for a line that follows its edge under a plain rule: its exact samples
    std::vector<std::optional<PlainSamples>> plainChained;
    bool collected = false;

    bool Chained() const {
        return std::any_of(chained.begin(), chained.end(), [](const auto& v) { return !v.empty(); }) ||
               std::any_of(plainChained.begin(), plainChained.end(),
                           [](const auto& v) { return v.has_value(); });
    }
};

namespace {

using Job = CDetectionRun::Job;

// What a worker keeps from one image to the next: the picture's memory (file bytes and decoded
// rows) and the profile buffer, so that a series costs no allocation per image.
struct Worker {
    CPicture picture;
    PixelRequest request;  // what the lines of the job measured last read
    std::unique_ptr<ProfileBuffer> buffer;
    std::vector<double> values;  // a caliper rule's profile
};

void MeasureJob(const DetectSettings& settings, const std::vector<CaliperRule>& rules, Job& job,
                Worker& worker) {
    CPicture& picture = worker.picture;
    const bool partial = settings.partialPictures;
    if (partial) {
        worker.request = LinesRequest(job.lines, settings.edge.lineWidth, rules);
        job.result = picture.Load(job.path, job.frame, worker.request);
    } else {
        job.result = picture.Load(job.path, job.frame);
    }
    if (job.result.status != CPicture::LoadStatus::Ok) return;
    PixelView pixels = partial ? picture.View(worker.request) : picture.View();
    if (pixels.IsNull()) {
        // Never the case for a picture loaded for this request; if it were, the picture is
        // loaded whole rather than measured over pixels that were not converted.
        job.result = picture.Load(job.path, job.frame);
        if (job.result.status != CPicture::LoadStatus::Ok) return;
        pixels = picture.View();
    }
    if (!worker.buffer) worker.buffer = std::make_unique<ProfileBuffer>();
    ProfileBuffer* buffer = worker.buffer.get();
    job.edges.assign(job.lines.size(), -1);
    job.subPos.assign(job.lines.size(), -1.0);
    job.measures.assign(job.lines.size(), nullptr);
    job.chained.resize(job.lines.size());
    job.plainChained.resize(job.lines.size());
    for (std::size_t n = 0; n < job.lines.size(); ++n) {
        CScan& line = job.lines[n];
        if (!line.m_bDetect) continue;
        const CaliperRule* rule =
            line.m_nRule > 0 && line.m_nRule <= rules.size() ? &rules[line.m_nRule - 1u] : nullptr;
        // A rule that reads between pixels samples the picture itself.
        if (rule == nullptr || !rule->bilinear) {
            SampleScan(pixels, line, *buffer, settings.edge.lineWidth);
        }
        if (rule != nullptr && rule->kind == CaliperKind::Plain) {
            // A line that follows its edge keeps its samples until the record before is written.
            if (FollowsPreviousImages(*rule)) {
                job.plainChained[n] = KeepPlainSamples(*buffer, line, settings.channel, settings.edge);
                job.edges[n] = line.m_nPos;
                continue;
            }
            MeasurePlainRule(*buffer, line, settings.channel, settings.edge, *rule, std::nullopt);
            job.edges[n] = line.m_nPos;
            job.subPos[n] = line.m_dSubPos;
            job.measures[n] = line.m_measure;
            continue;
        }
        if (rule != nullptr) {
            // A line that follows its edge keeps its profile until the record before is written.
            std::vector<double>& values =
                FollowsPreviousImages(*rule) ? job.chained[n] : worker.values;
            if (rule->bilinear) {
                BilinearValues(pixels, line, settings.channel, settings.edge, values);
            } else {
                CaliperValues(*buffer, line, settings.channel, settings.edge, values);
            }
            if (FollowsPreviousImages(*rule)) {
                job.edges[n] = line.m_nPos;
                continue;
            }
            PlaceCaliperEdge(line, MeasureCaliper(values, *rule));
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
        job.frame = series->m_nFrame;
        for (const auto& line : series->GetAt(0)->m_arLine) {
            job.lines.push_back(*line);
            job.originals.push_back(line.get());
        }
    }
    StartWorkers(settings.jobs, Total(), m_pool, m_mutex, m_running, [this] { Work(); });
}

CDetectionRun::~CDetectionRun() {
    m_stop.store(true);
    for (auto& thread : m_pool) thread.join();
}

std::pair<int, int> CDetectionRun::Claim() {
    std::lock_guard lock(m_claimMutex);
    const int total = Total();
    const int first = m_next;
    if (first >= total || first > m_firstFailure.load()) return {total, total};
    int end = first + 1;
    const Job& head = m_jobs[static_cast<std::size_t>(first)];
    if (head.frame >= 0) {
        // The frames that follow in the list and that the decoder reaches by going on from the
        // one before, up to the next frame that starts a run of its own (a key frame): a worker
        // decodes them in one pass, and no other worker decodes them again. Frames of a
        // multi-page picture have no index and go one by one.
        auto [at, fresh] = m_indexes.try_emplace(head.path);
        if (fresh) at->second = IndexVideo(head.path).index;
        const VideoIndex* index = at->second.get();
        while (index != nullptr && end < total) {
            const Job& before = m_jobs[static_cast<std::size_t>(end) - 1];
            const Job& next = m_jobs[static_cast<std::size_t>(end)];
            if (next.path != head.path || next.frame <= before.frame || next.frame >= index->Count()) {
                break;
            }
            const std::int64_t start = index->RunStart(next.frame);
            if (start == next.frame || start > before.frame + 1) break;
            ++end;
        }
    }
    m_next = end;
    return {first, end};
}

void CDetectionRun::Work() {
    Worker worker;
    for (;;) {
        const auto [first, end] = Claim();
        if (first >= end) break;
        for (int k = first; k < end; ++k) {
            // With stopOnFailure the jobs before a failure are finished, so that the first
            // failure listed is the same whatever the number of workers.
            WaitWhileHeld(m_stop);
            if (m_stop.load() || k > m_firstFailure.load()) break;
            Job& job = m_jobs[static_cast<std::size_t>(k)];
            RunJob(m_settings, m_rules, job, worker);
            if (job.result.status != CPicture::LoadStatus::Ok && m_settings.stopOnFailure) {
                int lowest = m_firstFailure.load();
                while (k < lowest && !m_firstFailure.compare_exchange_weak(lowest, k)) {
                }
            }
            {
                std::lock_guard lock(m_mutex);
                m_finished.push_back(static_cast<std::size_t>(k));
                ++m_done;
            }
            m_changed.notify_all();
        }
        if (m_stop.load()) break;
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
    {
        std::lock_guard lock(m_mutex);
        m_waiting.insert(m_waiting.end(), m_finished.begin(), m_finished.end());
        m_finished.clear();
    }
    std::sort(m_waiting.begin(), m_waiting.end());
    std::vector<DetectFailure> failures;
    if (m_waiting.empty()) return failures;
    // The records as they stand now: the list may have changed while the workers ran.
    std::unordered_map<const CScanSeries*, int> present;
    for (std::size_t i = 0; i < profile.m_arSeries.size(); ++i) {
        present.emplace(profile.m_arSeries[i].get(), static_cast<int>(i));
    }
    const DetectionSettings found{m_settings.channel, m_settings.mode, m_settings.edge, {}};
    std::vector<std::size_t> waiting;
    for (const std::size_t k : m_waiting) {
        Job& job = m_jobs[k];
        // A line that follows its edge from the record before measures once that record's run
        // is written: the run gives what measuring the records one by one in order gives.
        // Jobs are handed out in order, so the one before is under way and will come.
        if (job.Chained() && k > 0 && m_jobs[k - 1].record == job.record - 1 && !m_jobs[k - 1].collected) {
            waiting.push_back(k);
            continue;
        }
        job.collected = true;
        if (job.result.status != CPicture::LoadStatus::Ok) {
            failures.push_back({job.record, job.series, job.path, job.result});
            continue;
        }
        const auto at = present.find(job.series);
        if (at == present.end()) continue;
        for (std::size_t n = 0; n < job.edges.size(); ++n) {
            if (job.edges[n] < 0) continue;
            CScan* line = FindOriginal(*job.series, job, n);
            // A line the user has placed meanwhile keeps the user's cursor, and one whose rule
            // changed meanwhile waits for a detection under its new rule.
            if (line == nullptr || !line->m_bDetect || line->m_nRule != job.lines[n].m_nRule) {
                continue;
            }
            if (!job.chained[n].empty() || job.plainChained[n]) {
                const auto& lines = job.series->GetAt(0)->m_arLine;
                const int index = static_cast<int>(
                    std::find_if(lines.begin(), lines.end(),
                                 [line](const auto& l) { return l.get() == line; }) -
                    lines.begin());
                const CaliperRule& rule = m_rules[job.lines[n].m_nRule - 1u];
                if (job.plainChained[n]) {
                    MeasurePlainRule(*job.plainChained[n], *line, m_settings.edge, rule,
                                     TrackingWindow(profile, at->second, 0, index));
                    job.plainChained[n].reset();
                } else {
                    PlaceCaliperEdge(*line,
                                     MeasureLineRule(job.chained[n], rule, profile, at->second, 0, index));
                    std::vector<double>().swap(job.chained[n]);
                }
            } else {
                line->SetEdge(job.edges[n], job.subPos[n]);
                line->m_measure = job.measures[n];
            }
            line->m_bDetect = false;
            if (job.lines[n].m_nRule == 0 || job.lines[n].m_nRule > m_rules.size()) {
                profile.MarkDetected(*line, found);
            } else {
                DetectionSettings own = found;
                own.caliper = m_rules[job.lines[n].m_nRule - 1u];
                profile.MarkDetected(*line, own);
            }
        }
    }
    m_waiting.swap(waiting);
    return failures;
}
