// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>
#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "model/data_profile.h"
#include "model/kymograph.h"

class CPicture;

// What a kymograph is measured with: the panel's channel, plain rule and options. A line's own
// caliper rule comes with the line.
struct KymographSettings {
    int channel = 0;
    int mode = 0;
    EdgeOptions edge;
    int jobs = 0;  // threads; 0 means one per core
    friend bool operator==(const KymographSettings&, const KymographSettings&) = default;
};

// The kymograph of line `line` over every record, under way on worker threads: each record's
// picture is decoded once, only where the line reads, the line's profile measured on it as the
// profile plot measures it (MeasureLineProfile) and kept as that record's row. The workers read
// copies of the lines and rules taken when the run starts, so the records may change meanwhile;
// whoever holds them decides whether the result still belongs to them.
class CKymographRun {
public:
    CKymographRun(const CDataProfile& profile, int line, const KymographSettings& settings);
    ~CKymographRun();  // stops after the pictures being measured and waits for the workers
    CKymographRun(const CKymographRun&) = delete;
    CKymographRun& operator=(const CKymographRun&) = delete;

    int Total() const { return m_kymograph.Entries(); }
    int Done() const;
    bool Finished() const;
    void Cancel();
    // Waits until another row is done or the run finishes, at most `ms` milliseconds.
    void Wait(int ms);
    // Takes in the rows finished since the last call and returns their entries. Only rows so
    // taken in may be read from Kymograph().
    std::vector<int> Collect();
    const CKymograph& Kymograph() const { return m_kymograph; }
    // Why entry i has no row (a picture that did not decode, a record without the line), in the
    // window's words; empty for a row with values. Valid for rows taken in.
    const QString& Reason(int entry) const { return m_reasons[static_cast<std::size_t>(entry)]; }

    struct Job {
        std::string path;
        std::int64_t frame = -1;  // the page or frame of the file, -1 for a file of one picture
        std::optional<CScan> line;  // none: the record lacks the line
        std::optional<CaliperRule> rule;
    };

private:
    void Work();
    void Measure(int entry, CPicture& picture);

    KymographSettings m_settings;
    std::vector<Job> m_jobs;
    CKymograph m_kymograph;
    std::vector<QString> m_reasons;
    std::vector<std::thread> m_pool;
    std::atomic<int> m_next{0};
    std::atomic<bool> m_stop{false};
    mutable std::mutex m_mutex;
    std::condition_variable m_changed;
    std::vector<int> m_finished;  // rows done and not yet collected
    int m_done = 0;
    int m_running = 0;
};
