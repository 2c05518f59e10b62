// SPDX-License-Identifier: GPL-3.0-or-later
#include "export/line_status.h"

#include <vector>

#include "model/caliper_measure.h"
#include "model/caliper_words.h"

LineStatus StatusOf(const CScan* line, bool imageReadable) {
    if (line == nullptr) return LineStatus::Missing;
    if (line->m_bDetect) return imageReadable ? LineStatus::Pending : LineStatus::Unreadable;
    switch (line->m_origin) {
        case CursorOrigin::Detected:
            if (line->m_measure && line->m_measure->status == CaliperStatus::Lost) {
                return LineStatus::Lost;
            }
            return line->m_measure && !line->m_measure->Found() ? LineStatus::NotFound
                                                                : LineStatus::Detected;
        case CursorOrigin::Placed:
            return LineStatus::Placed;
        case CursorOrigin::Kept:
            break;
    }
    return LineStatus::Kept;
}

std::string_view StatusWord(LineStatus status) {
    switch (status) {
        case LineStatus::Detected:
            return "detected";
        case LineStatus::Placed:
            return "hand-placed";
        case LineStatus::Kept:
            return "kept";
        case LineStatus::NotFound:
            return "not-found";
        case LineStatus::Lost:
            return "lost";
        case LineStatus::Pending:
            return "pending";
        case LineStatus::Unreadable:
            return "unreadable";
        case LineStatus::Missing:
            break;
    }
    // A literal, not a default string_view: its data is never null, so writers may copy it.
    return "";
}

std::string FoundWithWords(const DetectionSettings* settings) {
    if (settings == nullptr) return {};
    static const char* const kChannels[] = {"average", "red", "green", "blue"};
    const auto word = [](const char* const* words, int k) {
        return words[k < 0 ? 0 : (k > 3 ? 3 : k)];
    };
    const EdgeOptions& edge = settings->edge;
    std::string words = settings->caliper ? CaliperWords(*settings->caliper)
                                          : std::string(PlainRuleWord(settings->mode));
    (words += ' ') += word(kChannels, settings->channel);
    words += " width=" + std::to_string(edge.lineWidth);
    if (edge.smoothing == kSmoothMean) words += " moving-average=" + std::to_string(edge.smoothWidth);
    if (edge.smoothing == kSmoothGaussian) words += " gaussian=" + std::to_string(edge.smoothWidth);
    if (edge.subPixel) words += " sub-pixel";
    if (edge.wholeLine) words += " whole-line";
    return words;
}

std::size_t CountFoundOtherwise(const CDataProfile& profile, int lineCount,
                                const DetectionSettings& settings) {
    // A line under its own caliper rule is measured with it, and the panel's rule beside it.
    std::vector<DetectionSettings> now;
    for (int n = 0; n < lineCount; ++n) {
        DetectionSettings expected = settings;
        const CScan* line = profile.GetLine(0, 0, n);
        const CaliperRule* rule = line != nullptr ? profile.RuleOf(*line) : nullptr;
        if (rule != nullptr) expected.caliper = *rule;
        now.push_back(expected.Normalized());
    }
    std::size_t count = 0;
    for (int i = 0; i < profile.GetSize(); ++i) {
        for (int n = 0; n < lineCount; ++n) {
            const CScan* line = profile.GetLine(i, 0, n);
            if (line == nullptr || line->m_bDetect) continue;
            const DetectionSettings* found = profile.FoundWith(*line);
            if (found != nullptr && !(*found == now[static_cast<std::size_t>(n)])) ++count;
        }
    }
    return count;
}
