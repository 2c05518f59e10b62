// SPDX-License-Identifier: GPL-3.0-or-later
#include "session/session_frames.h"

#include <climits>
#include <cstdint>

#include "session/session_limits.h"

namespace {

using Json = nlohmann::json;

std::int64_t Frame(const SessionValues& v, const Json& value, const std::string& field) {
    if (!value.is_number_integer() ||
        (value.is_number_unsigned()
             ? value.get<std::uint64_t>() > std::uint64_t{INT64_MAX}
             : value.get<std::int64_t>() < 0)) {
        v.Fail(field, "expected a page or frame number: an integer, 0 or more");
    }
    return value.get<std::int64_t>();
}

}  // namespace

void AppendImageEntries(const SessionValues& v, const Json& value, const std::string& field,
                        SessionImage image, Session& session) {
    const auto frames = value.is_object() ? value.find("frames") : value.end();
    if (value.is_object()) {
        const auto frame = value.find("frame");
        if (frame != value.end() && frames != value.end()) {
            v.Fail(field, "both \"frame\" and \"frames\": give one of them");
        }
        if (frame != value.end()) image.frame = Frame(v, *frame, field + ".frame");
    }
    if (frames == value.end()) {
        // The ranges before may have filled the session already.
        if (const auto size = CheckSessionSize(session.images.size() + 1, session.lines.size());
            size || session.images.size() >= kMaxSessionImages) {
            v.Fail(field, "one image more than the session may hold, after the ranges before it");
        }
        session.images.push_back(std::move(image));
        return;
    }
    const std::string framesField = field + ".frames";
    if (!frames->is_array() || frames->size() != 3) {
        v.Fail(framesField, "expected [first, last, step]");
    }
    const std::int64_t first = Frame(v, (*frames)[0], framesField + "[0]");
    const std::int64_t last = Frame(v, (*frames)[1], framesField + "[1]");
    const std::int64_t step = Frame(v, (*frames)[2], framesField + "[2]");
    if (step == 0) v.Fail(framesField + "[2]", "the step is 0: expected 1 or more");
    if (last < first) {
        v.Fail(framesField, "the last frame, " + std::to_string(last) +
                                ", comes before the first, " + std::to_string(first));
    }
    // Counted before any entry is made: a short range may name more entries than memory holds.
    const auto count = static_cast<std::uint64_t>((last - first) / step) + 1;
    const std::uint64_t total = session.images.size() + count;
    if (total > kMaxSessionImages) {
        v.Fail(framesField, "expands to " + std::to_string(count) +
                                " entries, and the session to " + std::to_string(total) +
                                ", more than the " + std::to_string(kMaxSessionImages) +
                                " images a session may hold");
    }
    if (const auto size = CheckSessionSize(total, session.lines.size())) {
        v.Fail(framesField, "expands to " + std::to_string(count) + " entries: " + size->problem);
    }
    session.images.reserve(session.images.size() + static_cast<std::size_t>(count));
    for (std::uint64_t k = 0; k < count; ++k) {
        image.frame = first + static_cast<std::int64_t>(k) * step;
        session.images.push_back(image);
    }
}
