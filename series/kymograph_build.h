// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QObject>
#include <QString>
#include <QTimer>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "series/kymograph_run.h"

class CSeriesHost;

// The kymograph of the current line, built in the background while the window goes on, on
// every core: Follow says which line is current, and whatever no longer matches the records (the
// line reshaped, another line, the list or the channel, rule or options changed) is dropped and
// built afresh. Rows come in a few times a second.
class CKymographBuild : public QObject {
public:
    enum class State {
        None,      // no line, or no records
        Building,
        Stopped,   // cancelled by the user: the rows so far are kept
        Done,
        TooLarge,  // more samples than kMaxKymographBytes holds: nothing is measured
    };

    explicit CKymographBuild(CSeriesHost& host);
    ~CKymographBuild() override;
    CKymographBuild(const CKymographBuild&) = delete;
    CKymographBuild& operator=(const CKymographBuild&) = delete;

    // Builds the kymograph of line `line` (-1: none) of the records as they are now, unless the
    // one held or under way is that already. A stopped build stays stopped while it matches.
    void Follow(int line);
    void Cancel();
    // Builds afresh what Follow last named.
    void Restart();

    State GetState() const { return m_state; }
    int Done() const;
    int Total() const;
    int Line() const { return m_key ? m_key->line : -1; }
    // The kymograph (rows taken in so far); null in the states None and TooLarge.
    const CKymograph* Kymograph() const;
    QString Reason(int entry) const;
    // What the rows are measured with (the line's own caliper rule included); none without a line.
    std::optional<DetectionSettings> Settings() const;
    // The rows the build asks for in the state TooLarge: entries and samples.
    std::int64_t RefusedEntries() const { return m_refusedEntries; }
    std::int64_t RefusedSamples() const { return m_refusedSamples; }

    // Told of new rows (their entries), and with `reset` when the kymograph was replaced.
    void SetListener(std::function<void(const std::vector<int>& rows, bool reset)> listener) {
        m_listener = std::move(listener);
    }

private:
    // Everything the rows depend on, to tell whether a kymograph still belongs to the records.
    struct Key {
        int line = -1;
        CPoint start;
        CPoint end;
        int maxSteps = 0;
        std::optional<CaliperRule> rule;
        KymographSettings settings;
        std::vector<const CScanSeries*> records;
        std::vector<std::string> paths;
        bool operator==(const Key&) const = default;
    };
    Key KeyNow(int line) const;
    void Start(Key key);
    void Poll();
    void Tell(const std::vector<int>& rows, bool reset);

    CSeriesHost& m_host;
    std::optional<Key> m_key;
    std::unique_ptr<CKymographRun> m_run;
    // Runs given up (the line reshaped under them), kept until their workers have finished the
    // pictures in hand, so that giving one up never waits for a decoder.
    std::vector<std::unique_ptr<CKymographRun>> m_retired;
    State m_state = State::None;
    bool m_collecting = false;  // the run's rows are still coming in
    std::int64_t m_refusedEntries = 0;
    std::int64_t m_refusedSamples = 0;
    QTimer m_poll;
    std::function<void(const std::vector<int>&, bool)> m_listener;
};
