// SPDX-License-Identifier: GPL-3.0-or-later
#include "export/profile_csv.h"

#include <charconv>
#include <string_view>
#include <utility>
#include <vector>

#include "export/line_status.h"
#include "export/number_format.h"
#include "model/caliper_words.h"

namespace {

constexpr std::string_view kEol = "\r\n";

class Writer {
public:
    explicit Writer(const ProfileCsvOptions& options)
        : m_delimiter(options.semicolon ? ';' : ','), m_decimal(options.semicolon ? ',' : '.') {}

    void Comment(std::string_view key, std::string_view text) {
        ((((m_out += "# ") += key) += ": ") += text) += kEol;
    }
    void Comment(std::string_view key, double value) {
        ((m_out += "# ") += key) += ": ";
        AppendReal(m_out, value, m_decimal);
        m_out += kEol;
    }
    void Edge(std::string_view name, const CaliperEdge& edge) {
        const std::string key(name);
        Comment(key, edge.pos);
        Comment(key + "_sigma", edge.sigma);
        Comment(key + "_contrast", edge.contrast);
        if (edge.residual) Comment(key + "_residual", *edge.residual);
    }
    void Raw(std::string_view text) { m_out += text; }
    void Field(std::string_view text) { (m_out += m_delimiter) += text; }
    void Int(long long value, bool first = false) {
        if (!first) m_out += m_delimiter;
        char buffer[24];
        char* const end = std::to_chars(buffer, buffer + sizeof buffer, value).ptr;
        m_out.append(buffer, static_cast<std::size_t>(end - buffer));
    }
    void Real(double value) {
        m_out += m_delimiter;
        AppendReal(m_out, value, m_decimal);
    }
    void EndRow() { m_out += kEol; }
    void Reserve(std::size_t bytes) { m_out.reserve(bytes); }
    std::string Take() { return std::move(m_out); }

private:
    std::string m_out;
    char m_delimiter;
    char m_decimal;
};

}  // namespace

std::string BuildProfileCsv(const LineProfile& profile, const ProfileCsvOptions& options) {
    Writer w(options);
    const int n = profile.Count();
    const bool caliper = profile.HasCaliper();
    w.Reserve(static_cast<std::size_t>(n) * (caliper ? 64 : 40) + 1024);
    if (options.image > 0) w.Comment("image", std::to_string(options.image));
    if (options.line > 0) w.Comment("line", std::to_string(options.line));
    w.Comment("settings", FoundWithWords(&profile.settings));
    w.Comment("white", std::to_string(profile.maxValue));
    w.Comment("cursor", profile.edge);

    // Which candidate lies on each sample: 0 for none.
    std::vector<int> candidateAt;
    if (caliper) {
        const CaliperResult empty;
        const CaliperResult& result = profile.caliper ? *profile.caliper : empty;
        w.Comment("status", CaliperStatusWord(result.status));
        if (profile.level) w.Comment("level", *profile.level);
        if (result.Found()) {
            w.Edge("edge", result.edge);
            if (result.second) {
                w.Edge("second", *result.second);
                w.Comment("width", result.widthSamples);
            }
        }
        w.Comment("noise", result.noise);
        w.Comment("ratio", result.ratio);
        candidateAt.assign(static_cast<std::size_t>(n), 0);
        for (std::size_t k = result.candidates.size(); k-- > 0;) {
            const int at = result.candidates[k].index;
            // Two crossings nearest one sample: the earlier one's number stands.
            if (at >= 0 && at < n)
                candidateAt[static_cast<std::size_t>(at)] = static_cast<int>(k) + 1;
        }
    }

    w.Raw("sample");
    for (const char* name : {"x", "y", "value"}) w.Field(name);
    if (caliper) {
        w.Field("response");
        w.Field("candidate");
    }
    w.EndRow();
    for (int i = 0; i < n; ++i) {
        const auto k = static_cast<std::size_t>(i);
        w.Int(i, true);
        const CPoint p = k < profile.pixels.size() ? profile.pixels[k] : CPoint{};
        w.Int(p.x);
        w.Int(p.y);
        w.Real(profile.values[k]);
        if (caliper) {
            w.Real(k < profile.response.size() ? profile.response[k] : 0.0);
            if (candidateAt[k] > 0) {
                w.Int(candidateAt[k]);
            } else {
                w.Field({});
            }
        }
        w.EndRow();
    }
    return w.Take();
}
