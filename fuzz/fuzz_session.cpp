// SPDX-License-Identifier: GPL-3.0-or-later
// Session files as the batch tool and the window read them: any bytes either parse into a
// session that the profile and the data file accept, or fail with a message; nothing else. A
// session that parses is written back and read again, and must come back the same to the bit.
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <string_view>

#include "batch/batch_run.h"
#include "export/data_file.h"
#include "session/session_file.h"
#include "session/session_records.h"
#include "session/session_write.h"

namespace {

// Every line's cursor, those left out as the reader takes them.
std::vector<SessionCursor> Cursors(const SessionImage& image, std::size_t lines) {
    std::vector<SessionCursor> cursors = image.cursors;
    cursors.resize(lines, SessionCursor::Pending());
    return cursors;
}

bool SameImage(const SessionImage& a, const SessionImage& b, std::size_t lines) {
    // The writer makes names relative in their lexically normal form.
    const auto normal = [](const std::string& p) {
        return std::filesystem::path(p).lexically_normal().string();
    };
    if (normal(a.path) != normal(b.path) || a.axis.has_value() != b.axis.has_value()) {
        return false;
    }
    if (a.axis && !SameAxisBits(*a.axis, *b.axis)) return false;
    return Cursors(a, lines) == Cursors(b, lines);
}

bool Same(const Session& a, const Session& b) {
    if (a.channel != b.channel || a.edgeMode != b.edgeMode || a.measureLength != b.measureLength ||
        a.measureArea != b.measureArea || a.autoDetect != b.autoDetect ||
        a.axisPerImage != b.axisPerImage || !(a.edge == b.edge) || a.lines != b.lines || !SameAxisBits(a.axis, b.axis) ||
        !(a.view == b.view) || a.images.size() != b.images.size()) {
        return false;
    }
    for (std::size_t i = 0; i < a.images.size(); ++i) {
        if (!SameImage(a.images[i], b.images[i], a.lines.size())) return false;
    }
    return true;
}

void CheckInvariants(const Session& s) {
    const auto within = [](long long v, long long lo, long long hi) { return v >= lo && v <= hi; };
    if (!within(s.channel, 0, 3) || !within(s.edgeMode, 0, 3)) std::abort();
    if (!IsValidEdgeOptions(s.edge)) std::abort();
    if (s.images.empty() && !s.lines.empty()) std::abort();
    if (!within(s.view.image, -1, static_cast<long long>(s.images.size()) - 1) ||
        !within(s.view.line, -1, static_cast<long long>(s.lines.size()) - 1) ||
        (s.view.zoom != 1 && s.view.zoom != 2 && s.view.zoom != 4)) {
        std::abort();
    }
    for (const SessionImage& image : s.images) {
        if (image.cursors.size() > s.lines.size()) std::abort();
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const SessionResult result = ParseSession(text, "fuzz.json", "/fuzz");
    if (!result.session) {
        if (result.error.empty()) std::abort();  // a failure must say why
        return 0;
    }
    const Session& session = *result.session;
    CheckInvariants(session);
    CDataProfile profile;
    BuildProfile(session, profile);
    if (profile.GetSize() != static_cast<int>(session.images.size())) std::abort();
    (void)BuildDataFile(profile, session.measureLength, session.measureArea);

    const SessionText written = SessionToText(session, "/fuzz/s.json");
    if (!written.text) std::abort();  // whatever the reader takes, the writer can write
    const SessionResult again = ParseSession(*written.text, "again.json", "/fuzz");
    if (!again.session || !Same(session, *again.session)) std::abort();
    return 0;
}
