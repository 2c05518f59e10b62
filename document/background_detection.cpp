#include "document/background_detection.h"

#include "document/norvale_doc.h"
#include "document/series_detect.h"

namespace {
constexpr int kPollMs = 100;
}  // namespace

CBackgroundDetection::CBackgroundDetection(CNorvaleDoc& doc) : m_doc(doc) {
    m_poll.setInterval(kPollMs);
    connect(&m_poll, &QTimer::timeout, this, &CBackgroundDetection::Poll);
}

CBackgroundDetection::~CBackgroundDetection() {
    if (m_run) m_run->Cancel();
}

std::vector<int> CBackgroundDetection::PendingRecords() const {
    // A file already known to be unreadable would only fail again.
    std::vector<int> records;
    for (const int i : RecordsWithPendingLines(m_doc.m_profile)) {
        if (!m_doc.IsMissing(i)) records.push_back(i);
    }
    return records;
}

bool CBackgroundDetection::HasWork() const {
    return !PendingRecords().empty();
}

void CBackgroundDetection::Start() {
    if (m_run != nullptr || m_doc.IsBusy()) return;
    std::vector<int> records = PendingRecords();
    if (records.empty()) return;
    const PanelOptions options = m_doc.Options();
    m_settings = {};
    m_settings.channel = options.channel;
    m_settings.mode = options.edgeMode;
    m_settings.edge = options.edge;
    m_run = std::make_unique<CDetectionRun>(m_doc.m_profile, records, m_settings);
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
    const PanelOptions options = m_doc.Options();
    return options.channel != m_settings.channel || options.edgeMode != m_settings.mode ||
           !(options.edge == m_settings.edge);
}

void CBackgroundDetection::Poll() {
    if (m_run == nullptr) return;
    // Nothing changes the records while the export works on them; its own detection does the
    // same work meanwhile.
    if (m_doc.IsBusy()) return;
    // Images still being measured when the panel was hidden go on being written back, and a
    // hidden panel hears of no change of options: what was measured under a channel, rule or
    // detail setting that is no longer the document's is thrown away here.
    if (IsOutdated()) {
        Discard();
        return;
    }
    const bool finished = m_run->Finished();
    const std::vector<DetectFailure> failures = m_run->Collect(m_doc.m_profile);
    for (const DetectFailure& failure : failures) {
        m_doc.NoteUnreadable(failure.series, failure.result);
    }
    if (finished) Finish();
    m_doc.NotifyMeasured();
    if (m_listener) m_listener();
}

void CBackgroundDetection::Finish() {
    m_poll.stop();
    m_run.reset();
}
