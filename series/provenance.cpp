// SPDX-License-Identifier: GPL-3.0-or-later
#include "series/provenance.h"

#include <sys/stat.h>

#include <QCryptographicHash>
#include <QFile>
#include <QFileInfo>
#include <cerrno>
#include <cstring>
#include <ctime>
#include <nlohmann/json.hpp>
#include <set>

#include "session/json_text.h"
#include "session/session_write.h"

namespace {

std::string Hex(const QByteArray& digest) {
    static constexpr char kHex[] = "0123456789abcdef";
    std::string text;
    for (const char c : digest) {
        const auto byte = static_cast<unsigned char>(c);
        text += kHex[byte >> 4];
        text += kHex[byte & 15];
    }
    return text;
}

std::string Absolute(const std::string& path) {
    return QFileInfo(QFile::decodeName(path.c_str())).absoluteFilePath().toStdString();
}

void AppendField(std::string& out, const char* name, bool first = false) {
    out += first ? "\n  " : ",\n  ";
    AppendJsonString(out, name);
    out += ": ";
}

}  // namespace

std::string ProvenancePathOf(const std::string& output) { return output + ".json"; }

std::string Sha256Hex(std::string_view bytes) {
    return Hex(QCryptographicHash::hash(
        QByteArrayView(bytes.data(), static_cast<qsizetype>(bytes.size())),
        QCryptographicHash::Sha256));
}

std::string StampInput(const std::string& path, InputStamp& stamp) {
    stamp.path = path;
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0) return strerrordesc_np(errno);
    if (!S_ISREG(st.st_mode)) return "not a regular file";
    stamp.size = static_cast<std::uint64_t>(st.st_size);
    stamp.modifiedNs = static_cast<std::int64_t>(st.st_mtim.tv_sec) * 1'000'000'000 +
                       static_cast<std::int64_t>(st.st_mtim.tv_nsec);
    QFile file(QFile::decodeName(path.c_str()));
    if (!file.open(QIODevice::ReadOnly)) return file.errorString().toStdString();
    QCryptographicHash hash(QCryptographicHash::Sha256);
    if (!hash.addData(&file)) return "cannot be read: " + file.errorString().toStdString();
    stamp.sha256 = Hex(hash.result());
    return {};
}

std::optional<std::string> SessionOptionsJson(const Session& session) {
    // The session writer's own text, so that the options read as a session file's do; it takes
    // no lines without an image, so the first image stands in for the list and is dropped after.
    Session settings;
    settings.channel = session.channel;
    settings.edgeMode = session.edgeMode;
    settings.measureLength = session.measureLength;
    settings.measureArea = session.measureArea;
    settings.autoDetect = session.autoDetect;
    settings.axisPerImage = session.axisPerImage;
    settings.edge = session.edge;
    settings.detections = session.detections;
    settings.lines = session.lines;
    settings.lineRules = session.lineRules;
    settings.newLineRule = session.newLineRule;
    settings.axis = session.axis;
    settings.timeRule = session.timeRule;
    if (!session.images.empty()) settings.images.push_back(session.images.front());
    // Any absolute place will do for naming the image that is dropped.
    const SessionText text = SessionToText(settings, "/session.json");
    if (!text.text) return std::nullopt;
    nlohmann::ordered_json options = nlohmann::ordered_json::parse(*text.text, nullptr, false);
    if (!options.is_object()) return std::nullopt;
    options.erase("images");
    options.erase("view");  // where the window stood, not how it measured
    return options.dump();
}

std::vector<std::string> SessionInputs(const Session& session) {
    std::vector<std::string> inputs;
    std::set<std::string> seen;
    const auto add = [&](const std::string& path) {
        if (!path.empty() && seen.insert(path).second) inputs.push_back(path);
    };
    add(session.source);
    for (const SessionImage& image : session.images) add(image.path);  // a video's frames once
    return inputs;
}

std::string UtcNow() {
    const std::time_t now = std::time(nullptr);
    std::tm utc{};
    gmtime_r(&now, &utc);
    char text[32];
    std::strftime(text, sizeof text, "%Y-%m-%dT%H:%M:%SZ", &utc);
    return text;
}

ProvenanceText BuildProvenance(const ProvenanceFacts& facts) {
    std::string out = "{";
    AppendField(out, "quandrel-provenance", true);
    AppendJsonInt(out, 1);
    AppendField(out, "program");
    AppendJsonString(out, facts.program);
    AppendField(out, "version");
    AppendJsonString(out, QUANDREL_VERSION);
    AppendField(out, "date");
    AppendJsonString(out, UtcNow());
    AppendField(out, "output");
    AppendJsonString(out, Absolute(facts.output));
    AppendField(out, "commandLine");
    out += "[";
    for (std::size_t k = 0; k < facts.commandLine.size(); ++k) {
        if (k > 0) out += ", ";
        // A command line's bytes need not be UTF-8; JSON text must be.
        AppendJsonString(out, IsUtf8(facts.commandLine[k]) ? facts.commandLine[k]
                                                           : PrintableBytes(facts.commandLine[k]));
    }
    out += "]";
    AppendField(out, "session");
    out += "{\"path\": ";
    if (facts.sessionPath.empty()) {
        out += "null";
    } else {
        AppendJsonString(out, Absolute(facts.sessionPath));
    }
    out += ", \"sha256\": ";
    AppendJsonString(out, facts.sessionSha256);
    out += "}";
    AppendField(out, "options");
    out += facts.options ? *facts.options : std::string("null");
    AppendField(out, "inputs");
    out += "[";
    for (std::size_t k = 0; k < facts.inputs.size(); ++k) {
        InputStamp stamp;
        const std::string problem = StampInput(facts.inputs[k], stamp);
        const std::string path = Absolute(stamp.path);
        if (!IsUtf8(path)) return {std::nullopt, PrintableBytes(path) + ": a path that is not UTF-8"};
        out += k > 0 ? ",\n    " : "\n    ";
        out += "{\"path\": ";
        AppendJsonString(out, path);
        // An input gone before the result was written (the window's table marks such an image
        // unreadable) is recorded as such, so that verify tells whether it is back.
        if (!problem.empty()) {
            out += ", \"size\": null, \"modifiedNs\": null, \"sha256\": null, \"error\": ";
            AppendJsonString(out, IsUtf8(problem) ? problem : PrintableBytes(problem));
            out += "}";
            continue;
        }
        out += ", \"size\": ";
        AppendJsonInt(out, static_cast<long long>(stamp.size));
        out += ", \"modifiedNs\": ";
        AppendJsonInt(out, stamp.modifiedNs);
        out += ", \"sha256\": ";
        AppendJsonString(out, stamp.sha256);
        out += "}";
    }
    out += facts.inputs.empty() ? "]" : "\n  ]";
    out += "\n}\n";
    return {std::move(out), {}};
}
