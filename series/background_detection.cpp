// SPDX-License-Identifier: GPL-3.0-or-later
#include "series/background_detection.h"

#include "series/series_detect.h"
#include "series/series_host.h"

namespace {
constexpr int kPollMs = 100;
}  // namespace

CBackgroundDetection::CBackgroundDetection(CSeriesHost& host) : m_host(host) {
    m_poll.setInterval(kPollMs);
    connect(&m_poll, &QTimer::timeout, this, &CBackgroundDetection::Poll);
}

CBackgroundDetection::~CBackgroundDetection() {
    if (m_run) m_run->Cancel();
}

std::vector<int> CBackgroundDetection::PendingRecords() const {
    // A file already known to be unreadable would only fail again.
    std::vector<int> records;
    for (const int i : RecordsWithPendingLines(m_host.Records())) {
        if (!m_host.IsMissing(i)) records.push_back(i);
    }
    return records;
}

bool CBackgroundDetection::HasWork() const {
    return !PendingRecords().empty();
}

void CBackgroundDetection::Start() {
    if (m_run != nullptr || m_host.IsBusy()) return;
    std::vector<int> records = PendingRecords();
    if (records.empty()) return;
    m_settings = m_host.DetectionNow();
    // In the background every core may help, whatever the export is set to use.
    m_settings.jobs = 0;
    m_settings.stopOnFailure = false;
    // Its pictures are measured, never shown: each is decoded only as far as its lines read.
    m_settings.partialPictures = true;
    m_run = std::make_unique<CDetectionRun>(m_host.Records(), records, m_settings);
    m_poll.start();
}

void CBackgroundDetection::Cancel() {
    if (m_run == nullptr) return;
    m_run->Cancel();
    Poll();
}

void CBackgroundDetection::Discard() {
    if (m_run == nullptr) return;
    m_run->Cancel();
    Finish();
    if (m_listener) m_listener();
}

int CBackgroundDetection::Done() const {
    return m_run != nullptr ? m_run->Done() : 0;
}

int CBackgroundDetection::Total() const {
    return m_run != nullptr ? m_run->Total() : 0;
}

bool CBackgroundDetection::IsOutdated() const {
    if (m_run == nullptr) return false;
    const DetectSettings now = m_host.DetectionNow();
    return now.channel != m_settings.channel || now.mode != m_settings.mode ||
           !(now.edge == m_settings.edge);
}

void CBackgroundDetection::Poll() {
    if (m_run == nullptr) return;
    // Nothing changes the records while the export works on them; its own detection does the
    // same work meanwhile.
    if (m_host.IsBusy()) return;
    // Images still being measured when the panel was hidden go on being written back, and a
    // hidden panel hears of no change of options: what was measured under a channel, rule or
    // detail setting that is no longer the document's is thrown away here.
    if (IsOutdated()) {
        Discard();
        return;
    }
    const bool finished = m_run->Finished();
    const std::vector<DetectFailure> failures = m_run->Collect(m_host.Records());
    for (const DetectFailure& failure : failures) {
        m_host.NoteUnreadable(failure.series, failure.result);
    }
    if (finished) Finish();
    m_host.NotifyMeasured();
    if (m_listener) m_listener();
}

void CBackgroundDetection::Finish() {
    m_poll.stop();
    m_run.reset();
}
