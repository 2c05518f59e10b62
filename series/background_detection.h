// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QObject>
#include <QTimer>
#include <functional>
#include <memory>

#include "series/detection_run.h"

class CSeriesHost;

// The images whose lines still wait for a detection, measured for the series plot while the
// window goes on: the same detection as the export's, on every core, with the options of the
// moment it starts. Results are written back a few times a second (never while a long
// operation runs on the records), and an image that cannot be read is noted with the records' host
// as missing, with its reason, and not tried again.
class CBackgroundDetection : public QObject {
public:
    explicit CBackgroundDetection(CSeriesHost& host);
    ~CBackgroundDetection() override;
    CBackgroundDetection(const CBackgroundDetection&) = delete;
    CBackgroundDetection& operator=(const CBackgroundDetection&) = delete;

    // Measures what is pending now; nothing when nothing is, or a run is under way already.
    void Start();
    // Stops after the images being measured; what is measured so far is kept.
    void Cancel();
    // Stops and throws away what is not written back yet: for a run whose options are no
    // longer the document's, whose edges would not be what the export finds.
    void Discard();
    bool IsRunning() const { return m_run != nullptr; }
    // Whether Start would find images to measure.
    bool HasWork() const;
    int Done() const;
    int Total() const;
    // Whether a run was started with other options than the document's now.
    bool IsOutdated() const;
    // Called after results were written back, and when a run ends.
    void SetListener(std::function<void()> listener) { m_listener = std::move(listener); }

private:
    // The images with lines still to detect, but for those already known to be unreadable.
    std::vector<int> PendingRecords() const;
    void Poll();
    void Finish();

    CSeriesHost& m_host;
    std::unique_ptr<CDetectionRun> m_run;
    DetectSettings m_settings;
    QTimer m_poll;
    std::function<void()> m_listener;
};
