// SPDX-License-Identifier: GPL-3.0-or-later
#include "export/kymograph_csv.h"

#include <charconv>
#include <string_view>

#include "export/number_format.h"
#include "export/line_status.h"

namespace {

constexpr std::string_view kEol = "\r\n";
constexpr int kProgressEvery = 256;

void AppendInt(std::string& out, long long value) {
    char buffer[24];
    char* const end = std::to_chars(buffer, buffer + sizeof buffer, value).ptr;
    out.append(buffer, static_cast<std::size_t>(end - buffer));
}

std::string_view StatusWord(KymoRow::State state) {
    switch (state) {
        case KymoRow::State::Ok:
            return "ok";
        case KymoRow::State::Unreadable:
            return "unreadable";
        case KymoRow::State::Pending:
        default:
            return "pending";
    }
}

}  // namespace

std::optional<std::string> BuildKymographCsv(const CKymograph& kymograph,
                                             const std::vector<EntryTime>& times,
                                             const KymographCsvOptions& options,
                                             const std::function<bool(int)>& progress) {
    const char delimiter = options.semicolon ? ';' : ',';
    const char decimal = options.semicolon ? ',' : '.';
    const int entries = kymograph.Entries();
    const int samples = kymograph.Samples();
    const auto timeOf = [&times](int i) -> const EntryTime* {
        const auto k = static_cast<std::size_t>(i);
        return k < times.size() && times[k].Known() ? &times[k] : nullptr;
    };
    const EntryTime* origin = nullptr;
    int untimed = 0;
    for (int i = 0; i < entries; ++i) {
        const EntryTime* t = timeOf(i);
        if (t == nullptr) ++untimed;
        if (origin == nullptr) origin = t;
    }

    std::string out;
    // Most values take three or four digits; the text grows as it must beyond that.
    out.reserve(static_cast<std::size_t>(entries) * (static_cast<std::size_t>(samples) * 4 + 32) +
                1024);
    if (options.line > 0) ((out += "# line: ") += std::to_string(options.line)) += kEol;
    if (options.settings) ((out += "# settings: ") += FoundWithWords(&*options.settings)) += kEol;
    ((out += "# white: ") += std::to_string(kymograph.MaxValue())) += kEol;
    if (untimed == 0 && entries > 0) {
        (out += "# time: seconds from the first entry") += kEol;
    } else if (untimed < entries) {
        ((out += "# warning: ") += std::to_string(untimed)) +=
            " entries have no time; their time field is empty";
        out += kEol;
    } else if (entries > 0) {
        (out += "# warning: no entry has a time; use the entry number") += kEol;
    }
    ((out += "entry") += delimiter) += "time";
    (out += delimiter) += "status";
    for (int s = 0; s < samples; ++s) {
        out += delimiter;
        AppendInt(out, s);
    }
    out += kEol;

    for (int i = 0; i < entries; ++i) {
        if (progress && i % kProgressEvery == 0 && !progress(i)) return std::nullopt;
        AppendInt(out, i + 1);
        out += delimiter;
        if (const EntryTime* t = timeOf(i)) AppendReal(out, t->seconds - origin->seconds, decimal);
        const KymoRow& row = kymograph.Row(i);
        (out += delimiter) += StatusWord(row.state);
        const int count = row.state == KymoRow::State::Ok ? std::min(row.Count(), samples) : 0;
        for (int s = 0; s < count; ++s) {
            out += delimiter;
            AppendInt(out, row.Value(s));
        }
        out.append(static_cast<std::size_t>(samples - count), delimiter);
        out += kEol;
    }
    if (progress && !progress(entries)) return std::nullopt;
    return out;
}
