// SPDX-License-Identifier: GPL-3.0-or-later
#include "series/kymograph_build.h"

#include "series/series_host.h"

namespace {
constexpr int kPollMs = 100;
}  // namespace

CKymographBuild::CKymographBuild(CSeriesHost& host) : m_host(host) {
    m_poll.setInterval(kPollMs);
    connect(&m_poll, &QTimer::timeout, this, &CKymographBuild::Poll);
}

CKymographBuild::~CKymographBuild() {
    if (m_run) m_run->Cancel();
    for (auto& run : m_retired) run->Cancel();
}

CKymographBuild::Key CKymographBuild::KeyNow(int line) const {
    Key key;
    const CDataProfile& records = m_host.Records();
    const CScan* scan = line >= 0 ? records.GetLine(0, 0, line) : nullptr;
    if (scan == nullptr) return key;
    key.line = line;
    // A line is the same on every record: the first one's shape stands for all.
    key.start = scan->m_ptStart;
    key.end = scan->m_ptEnd;
    key.maxSteps = scan->m_nMaxSteps;
    if (const CaliperRule* rule = records.RuleOf(*scan)) key.rule = *rule;
    const DetectSettings now = m_host.DetectionNow();
    key.settings = {now.channel, now.mode, now.edge, 0};
    key.records.reserve(static_cast<std::size_t>(records.GetSize()));
    key.paths.reserve(static_cast<std::size_t>(records.GetSize()));
    for (const auto& series : records.m_arSeries) {
        key.records.push_back(series.get());
        key.paths.push_back(series->m_strPath);
    }
    return key;
}

void CKymographBuild::Follow(int line) {
    Key key = KeyNow(line);
    if (m_key && *m_key == key) return;
    Start(std::move(key));
}

void CKymographBuild::Restart() {
    Start(KeyNow(Line()));
}

void CKymographBuild::Start(Key key) {
    if (m_run) {
        m_run->Cancel();
        m_retired.push_back(std::move(m_run));
        m_poll.start();
    }
    m_collecting = false;
    m_key = std::move(key);
    m_state = State::None;
    if (m_key->line < 0) {
        Tell({}, true);
        return;
    }
    const CDataProfile& records = m_host.Records();
    const std::int64_t samples = std::int64_t{records.GetLine(0, 0, m_key->line)->m_nCount} + 1;
    if (!KymographFits(records.GetSize(), samples)) {
        m_refusedEntries = records.GetSize();
        m_refusedSamples = samples;
        m_state = State::TooLarge;
        Tell({}, true);
        return;
    }
    m_run = std::make_unique<CKymographRun>(records, m_key->line, m_key->settings);
    m_state = State::Building;
    m_collecting = true;
    m_poll.start();
    Tell({}, true);
}

void CKymographBuild::Cancel() {
    if (m_state != State::Building) return;
    m_run->Cancel();
    m_state = State::Stopped;
    Poll();
}

int CKymographBuild::Done() const {
    return m_run ? m_run->Done() : 0;
}

int CKymographBuild::Total() const {
    return m_run ? m_run->Total() : 0;
}

const CKymograph* CKymographBuild::Kymograph() const {
    return m_run ? &m_run->Kymograph() : nullptr;
}

QString CKymographBuild::Reason(int entry) const {
    return m_run ? m_run->Reason(entry) : QString();
}

std::optional<DetectionSettings> CKymographBuild::Settings() const {
    if (!m_key || m_key->line < 0) return std::nullopt;
    const KymographSettings& s = m_key->settings;
    return DetectionSettings{s.channel, s.mode, s.edge, m_key->rule};
}

void CKymographBuild::Poll() {
    std::erase_if(m_retired, [](const auto& run) { return run->Finished(); });
    if (m_run && m_collecting) {
        const bool finished = m_run->Finished();
        const std::vector<int> rows = m_run->Collect();
        if (finished) {
            m_collecting = false;
            if (m_state == State::Building) m_state = State::Done;
        }
        if (!rows.empty() || finished) Tell(rows, false);
    }
    if (!m_collecting && m_retired.empty()) m_poll.stop();
}

void CKymographBuild::Tell(const std::vector<int>& rows, bool reset) {
    if (m_listener) m_listener(rows, reset);
}
