// SPDX-License-Identifier: GPL-3.0-or-later
#include "series/kymograph_run.h"

#include <QCoreApplication>
#include <algorithm>
#include <chrono>
#include <new>
#include <system_error>

#include "model/line_profile.h"
#include "model/pixel_request.h"
#include "picture/picture.h"
#include "series/worker_pool.h"

CKymographRun::CKymographRun(const CDataProfile& profile, int line,
                             const KymographSettings& settings)
    : m_settings(settings),
      m_jobs(static_cast<std::size_t>(profile.GetSize())),
      m_kymograph(profile.GetSize()),
      m_reasons(static_cast<std::size_t>(profile.GetSize())) {
    for (int i = 0; i < profile.GetSize(); ++i) {
        Job& job = m_jobs[static_cast<std::size_t>(i)];
        const CScanSeries* series = profile.GetSeries(i);
        job.path = series->m_strPath;
        job.frame = series->m_nFrame;
        if (const CScan* scan = profile.GetLine(i, 0, line)) {
            job.line = *scan;
            // The measure of the record's own cursor means nothing to a copy that only samples.
            job.line->m_measure.reset();
            if (const CaliperRule* rule = profile.RuleOf(*scan)) job.rule = *rule;
        }
    }
    StartWorkers(settings.jobs, Total(), m_pool, m_mutex, m_running, [this] { Work(); });
}

CKymographRun::~CKymographRun() {
    m_stop.store(true);
    for (auto& thread : m_pool) thread.join();
}

void CKymographRun::Measure(int entry, CPicture& picture) {
    const Job& job = m_jobs[static_cast<std::size_t>(entry)];
    KymoRow& row = m_kymograph.RowToFill(entry);
    QString& reason = m_reasons[static_cast<std::size_t>(entry)];
    if (!job.line) {
        row.SetUnreadable();
        reason = QCoreApplication::translate("Panel", "走査線がありません");
        return;
    }
    try {
        // The picture is decoded only where the line reads, as the batch decodes it.
        CScan pending = *job.line;
        pending.m_bDetect = true;
        pending.m_nRule = static_cast<std::uint16_t>(job.rule ? 1 : 0);
        const PixelRequest request =
            LinesRequest({pending}, m_settings.edge.lineWidth,
                         job.rule ? std::vector<CaliperRule>{*job.rule} : std::vector<CaliperRule>{});
        const CPicture::LoadResult result = picture.Load(job.path, job.frame, request);
        if (result.status != CPicture::LoadStatus::Ok) {
            row.SetUnreadable();
            reason = result.uiReason;
            return;
        }
        const PixelView view = picture.View(request);
        const LineProfile profile =
            MeasureLineProfile(view, *job.line, m_settings.channel, m_settings.mode,
                               m_settings.edge, job.rule ? &*job.rule : nullptr);
        row.Set(profile.values, view.MaxValue() > 255);
    } catch (const std::bad_alloc&) {
        picture.Clear();
        row.SetUnreadable();
        reason = QCoreApplication::translate("Document", "メモリが足りません。");
    }
}

void CKymographRun::Work() {
    // One picture's memory serves every entry this worker decodes.
    CPicture picture;
    for (;;) {
        if (m_stop.load()) break;
        const int k = m_next.fetch_add(1);
        if (k >= Total()) break;
        Measure(k, picture);
        {
            std::lock_guard lock(m_mutex);
            m_finished.push_back(k);
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

int CKymographRun::Done() const {
    std::lock_guard lock(m_mutex);
    return m_done;
}

bool CKymographRun::Finished() const {
    std::lock_guard lock(m_mutex);
    return m_running == 0;
}

void CKymographRun::Cancel() {
    m_stop.store(true);
}

void CKymographRun::Wait(int ms) {
    std::unique_lock lock(m_mutex);
    const int done = m_done;
    m_changed.wait_for(lock, std::chrono::milliseconds(ms),
                       [&] { return m_done != done || m_running == 0; });
}

std::vector<int> CKymographRun::Collect() {
    std::vector<int> rows;
    {
        std::lock_guard lock(m_mutex);
        rows.swap(m_finished);
    }
    std::sort(rows.begin(), rows.end());
    for (const int k : rows) m_kymograph.NoteRow(k);
    return rows;
}
