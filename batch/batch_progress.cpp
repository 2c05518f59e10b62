// SPDX-License-Identifier: GPL-3.0-or-later
#include "batch/batch_progress.h"

#include <charconv>
#include <chrono>
#include <cmath>

namespace {

// m:ss under an hour, h:mm:ss from then on.
std::string Duration(double seconds) {
    const long long total = std::llround(std::fmax(0.0, seconds));
    const long long h = total / 3600;
    const long long m = total / 60 % 60;
    const long long s = total % 60;
    const auto two = [](long long v) { return std::string(v < 10 ? "0" : "") + std::to_string(v); };
    return h > 0 ? std::to_string(h) + ":" + two(m) + ":" + two(s)
                 : std::to_string(m) + ":" + two(s);
}

// Three significant digits or more: 1234, 41.3, 2.57, 0.123. to_chars, so that no locale puts
// a comma in.
std::string Rate(double rate) {
    const int decimals = rate >= 100.0 ? 0 : rate >= 10.0 ? 1 : rate >= 1.0 ? 2 : 3;
    char buf[64];
    const auto result =
        std::to_chars(buf, buf + sizeof buf, rate, std::chars_format::fixed, decimals);
    return std::string(buf, result.ptr);
}

}  // namespace

std::string ProgressText(int done, int total, double seconds) {
    std::string text = "image " + std::to_string(done) + "/" + std::to_string(total);
    if (done <= 0 || !(seconds > 0.0) || !std::isfinite(seconds)) return text;
    const double rate = done / seconds;
    text += "  " + Rate(rate) + (rate == 1.0 ? " image/s" : " images/s");
    text += done >= total ? "  done in " + Duration(seconds)
                          : "  " + Duration((total - done) / rate) + " left";
    return text;
}

double CProgressLine::SteadySeconds() {
    return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

CProgressLine::CProgressLine(Sink sink, Clock clock)
    : m_sink(std::move(sink)), m_clock(std::move(clock)), m_start(m_clock()) {}

void CProgressLine::Update(int done, int total) {
    m_done = done;
    m_total = total;
    m_pending = true;
    const double now = m_clock();
    if (!m_shown || done >= total || now - m_lastShown >= kInterval) Show(now);
}

void CProgressLine::Finish() {
    if (m_pending) Show(m_clock());
    if (m_shown) m_sink("\n");
    m_shown = false;
}

void CProgressLine::Show(double now) {
    std::string text = ProgressText(m_done, m_total, now - m_start);
    const std::size_t width = text.size();
    // Blanks over whatever of a longer text before is still on the line.
    if (width < m_width) text.append(m_width - width, ' ');
    m_sink("\r" + text);
    m_width = width;
    m_lastShown = now;
    m_pending = false;
    m_shown = true;
}
