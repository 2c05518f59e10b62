// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <functional>
#include <string>
#include <string_view>

// "image 120/5000  41.3 images/s  1:58 left": the images measured of the total, the rate so
// far and the time the rest will take at that rate; "done in 2:01" once all are measured. The
// rate and the time are left out until the first image is done.
std::string ProgressText(int done, int total, double seconds);

// The batch tool's progress on a terminal: one line, rewritten in place no more than a few
// times a second however fast images are measured (a terminal that is written faster than it
// can show slows the run), and ended with a line break once the run is over.
class CProgressLine {
public:
    using Sink = std::function<void(std::string_view)>;
    using Clock = std::function<double()>;  // seconds since any fixed moment

    // Shortest time between two rewrites, in seconds.
    static constexpr double kInterval = 0.25;

    explicit CProgressLine(Sink sink, Clock clock = SteadySeconds);

    // Shows the count when the last rewrite is long enough ago, and always the first and the
    // last (done == total).
    void Update(int done, int total);
    // Shows the last count given, if it is not on the line yet, and ends the line; nothing when
    // nothing has been shown.
    void Finish();

    static double SteadySeconds();

private:
    void Show(double now);

    Sink m_sink;
    Clock m_clock;
    double m_start = 0.0;
    double m_lastShown = 0.0;
    int m_done = 0;
    int m_total = 0;
    bool m_pending = false;  // a count not yet on the line
    bool m_shown = false;
    std::size_t m_width = 0;  // of the text on the line now
};
