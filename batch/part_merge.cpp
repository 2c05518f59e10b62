// SPDX-License-Identifier: GPL-3.0-or-later
#include "batch/part_merge.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <iterator>
#include <map>

#include "batch/batch_output.h"
#include "batch/batch_run.h"
#include "batch/shard_run.h"
#include "export/data_file.h"
#include "export/part_file.h"
#include "model/caliper_measure.h"
#include "model/title_order.h"
#include "series/entry_survey.h"
#include "series/entry_times.h"
#include "session/session_limits.h"

namespace {

// A message names at most this many files or part numbers, then says how many more.
constexpr std::size_t kMostNamed = 8;

struct GivenPart {
    const std::string* path = nullptr;
    PartHeader header;
    std::string start;  // the header's bytes as first read
};

std::string SystemReason(int error) {
    // strerror follows the process locale; the messages are always English.
    if (const char* text = strerrordesc_np(error)) return text;
    return "error " + std::to_string(error);
}

// Reads up to `limit` bytes of the regular file at `path` and its size; empty, or why not.
// `openError` is the errno of an open that failed, 0 otherwise.
std::string ReadPart(const std::string& path, std::uint64_t limit, std::string& bytes,
                     std::uint64_t& size, int& openError) {
    // Not blocking on a pipe named by mistake; only a regular file can be a part.
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    openError = fd < 0 ? errno : 0;
    if (fd < 0) return "cannot be read: " + SystemReason(openError);
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        const bool folder = S_ISDIR(st.st_mode);
        ::close(fd);
        return folder ? "cannot be read: it is a folder" : "cannot be read: not a regular file";
    }
    size = static_cast<std::uint64_t>(st.st_size);
    const std::uint64_t wanted = std::min(size, limit);
    bytes.clear();
    bytes.resize(static_cast<std::size_t>(wanted));
    std::size_t got = 0;
    while (got < bytes.size()) {
        const ssize_t n = ::read(fd, bytes.data() + got, bytes.size() - got);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) {
            const int error = errno;
            ::close(fd);
            return "cannot be read: " + SystemReason(error);
        }
        if (n == 0) break;  // shorter than it was a moment ago: the checks below tell
        got += static_cast<std::size_t>(n);
    }
    ::close(fd);
    bytes.resize(got);
    return {};
}

// "a", "a and b", "a, b and c", "a, b, ... and 12 more".
template <typename T, typename Name>
std::string Listed(const std::vector<T>& items, std::size_t count, Name name) {
    std::string text;
    const std::size_t shown = std::min(items.size(), kMostNamed);
    for (std::size_t k = 0; k < shown; ++k) {
        if (k > 0) text += (k + 1 == shown && count == shown) ? " and " : ", ";
        text += name(items[k]);
    }
    if (count > shown) text += " and " + std::to_string(count - shown) + " more";
    return text;
}

std::string PathsOf(const std::vector<const GivenPart*>& parts) {
    return Listed(parts, parts.size(), [](const GivenPart* p) { return *p->path; });
}

BatchOutcome Refused(std::string message) {
    return {BatchStatus::BadPart, std::move(message)};
}

// Groups the parts by a key, in the order each key first appears; more than one group is a
// mixture that cannot be merged.
template <typename Key>
std::vector<std::vector<const GivenPart*>> GroupBy(const std::vector<GivenPart>& given, Key key) {
    std::vector<std::vector<const GivenPart*>> groups;
    std::map<decltype(key(given.front())), std::size_t> index;
    for (const GivenPart& part : given) {
        const auto [it, added] = index.try_emplace(key(part), groups.size());
        if (added) groups.emplace_back();
        groups[it->second].push_back(&part);
    }
    return groups;
}

// That the parts are each of 1 to N of one session, once; the order to read them in.
BatchOutcome CheckSet(const std::vector<GivenPart>& given, std::vector<const GivenPart*>& order) {
    const auto sessions = GroupBy(given, [](const GivenPart& p) { return p.header.session; });
    if (sessions.size() > 1) {
        std::string text = "parts of different sessions: ";
        for (std::size_t g = 0; g < sessions.size(); ++g) {
            text += (g > 0 ? "; " : "") + PathsOf(sessions[g]) + " (session " +
                    HashText(sessions[g].front()->header.session, 12) + ")";
        }
        return Refused(text);
    }
    const auto splits = GroupBy(given, [](const GivenPart& p) { return p.header.parts; });
    if (splits.size() > 1) {
        std::string text = "parts of different splits of the list: ";
        for (std::size_t g = 0; g < splits.size(); ++g) {
            const std::vector<const GivenPart*>& group = splits[g];
            text += (g > 0 ? "; " : "") + PathsOf(group) + (group.size() > 1 ? " are" : " is") +
                    " of " + std::to_string(group.front()->header.parts) + " parts";
        }
        return Refused(text);
    }
    std::map<std::uint32_t, std::vector<const GivenPart*>> byPart;
    for (const GivenPart& part : given) byPart[part.header.part].push_back(&part);
    for (const auto& [k, same] : byPart) {
        if (same.size() > 1) {
            return Refused("part " + std::to_string(k) + " of " +
                           std::to_string(same.front()->header.parts) + " is given " +
                           (same.size() == 2 ? "twice" : std::to_string(same.size()) + " times") +
                           ": " + PathsOf(same));
        }
    }
    const PartHeader& first = given.front().header;
    if (byPart.size() < first.parts) {
        std::vector<std::uint64_t> missing;
        std::uint64_t next = 1;
        for (const auto& [k, same] : byPart) {
            for (; next < k && missing.size() < kMostNamed; ++next) missing.push_back(next);
            next = std::uint64_t{k} + 1;
        }
        for (; next <= first.parts && missing.size() < kMostNamed; ++next) missing.push_back(next);
        const std::uint64_t count = first.parts - byPart.size();
        std::vector<const GivenPart*> all;
        for (const auto& [k, same] : byPart) all.push_back(same.front());
        return Refused((count == 1 ? "part " : "parts ") +
                       Listed(missing, count, [](std::uint64_t k) { return std::to_string(k); }) +
                       " of " + std::to_string(first.parts) + (count == 1 ? " is" : " are") +
                       " missing (given: " + PathsOf(all) + ")");
    }
    for (const auto& [k, same] : byPart) order.push_back(same.front());
    // One session's parts agree on all the rest; a file that does not was made otherwise.
    for (const GivenPart* part : order) {
        const PartHeader& h = part->header;
        if (h.total != first.total || h.lines != first.lines ||
            h.measureLength != first.measureLength || h.measureArea != first.measureArea ||
            h.wholeLines != first.wholeLines || h.subPixel != first.subPixel) {
            return Refused(*part->path + ": damaged: it does not agree with " +
                           *given.front().path + " on the session it is a part of");
        }
    }
    if (const auto size = CheckSessionSize(first.total, first.lines)) {
        return Refused(*given.front().path + ": " + size->problem);
    }
    return {};
}

// Most bytes a list of part files may hold: a million parts under names of 250 bytes.
constexpr std::size_t kMaxListBytes = std::size_t(256) << 20;

// Reads the list file (or standard input for "-") into `text`; empty, or why it cannot be.
std::string ReadList(const std::string& list, std::string& text) {
    const bool standardInput = list == "-";
    const int fd = standardInput ? STDIN_FILENO : ::open(list.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return "cannot be read: " + SystemReason(errno);
    char chunk[65536];
    std::string problem;
    for (;;) {
        const ssize_t n = ::read(fd, chunk, sizeof chunk);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) {
            problem = "cannot be read: " + SystemReason(errno);
            break;
        }
        if (n == 0) break;
        text.append(chunk, static_cast<std::size_t>(n));
        if (text.size() > kMaxListBytes) {
            problem = "it is longer than " + std::to_string(kMaxListBytes >> 20) +
                      " MiB, more than a list of part files may be";
            break;
        }
    }
    if (!standardInput) ::close(fd);
    return problem;
}

// Adds the part file at `path`, or the part files in it when it is a folder.
std::string AddParts(const std::string& path, std::vector<std::string>& parts) {
    const std::filesystem::path folder(path);
    std::error_code error;
    if (!std::filesystem::is_directory(folder, error)) {
        parts.push_back(path);  // whatever it is, reading it as a part tells
        return {};
    }
    std::vector<std::string> found;
    for (std::filesystem::directory_iterator it(folder, error), end; !error && it != end;
         it.increment(error)) {
        const std::string name = it->path().filename().string();
        if (name.starts_with('.') || !name.ends_with(".qpart")) continue;
        std::error_code typeError;
        if (it->is_regular_file(typeError)) found.push_back(it->path().string());
    }
    if (error) return "cannot be read: " + SystemReason(error.value());
    if (found.empty()) return "the folder holds no part files (*.qpart)";
    std::sort(found.begin(), found.end());
    parts.insert(parts.end(), std::make_move_iterator(found.begin()),
                 std::make_move_iterator(found.end()));
    return {};
}

}  // namespace

BatchOutcome ListParts(const std::vector<std::string>& given, const std::string& list,
                       std::vector<std::string>& parts) {
    parts.clear();
    for (const std::string& path : given) {
        if (std::string problem = AddParts(path, parts); !problem.empty()) {
            return Refused(path + ": " + problem);
        }
    }
    if (list.empty()) return {};
    const std::string listName = list == "-" ? "the list on standard input" : list;
    std::string text;
    if (std::string problem = ReadList(list, text); !problem.empty()) {
        return Refused(listName + ": " + problem);
    }
    const char separator = text.find('\0') != std::string::npos ? '\0' : '\n';
    for (std::size_t start = 0; start < text.size();) {
        std::size_t end = text.find(separator, start);
        if (end == std::string::npos) end = text.size();
        if (end > start) {
            const std::string path = text.substr(start, end - start);
            if (std::string problem = AddParts(path, parts); !problem.empty()) {
                return Refused(path + ": " + problem + " (named in " + listName + ")");
            }
        }
        start = end + 1;
    }
    return {};
}

namespace {

// A part whose followed lines searched from other edges than the parts before it hold would
// differ from the whole run: what its searches read of the images before must be what those
// parts measured there, found at the same place or missed alike.
std::string CheckTrackSteps(const CDataProfile& profile, const std::vector<PartTrackStep>& steps) {
    for (const PartTrackStep& step : steps) {
        const CScan* line = profile.GetLine(static_cast<int>(step.image), 0, static_cast<int>(step.line));
        if (line == nullptr) return "damaged: it follows an edge from an image no part holds";
        const bool found = !line->m_bDetect && !(line->m_measure && !line->m_measure->Found());
        const double place = line->HasSubPos() ? line->m_dSubPos : static_cast<double>(line->m_nPos);
        if (found != step.found || (found && place != step.place)) {
            return "line " + std::to_string(step.line + 1) + " follows its edge, and this part "
                   "found it elsewhere on image " + std::to_string(step.image + 1) +
                   " than the part before it did, so its edges may not be the whole run's: run "
                   "the session whole, or in fewer parts";
        }
    }
    return {};
}

}  // namespace

BatchOutcome MergeParts(const std::vector<std::string>& parts, MergedSeries& merged) {
    if (parts.empty()) return Refused("no part files to merge");
    std::vector<GivenPart> given(parts.size());
    for (std::size_t k = 0; k < parts.size(); ++k) {
        GivenPart& part = given[k];
        part.path = &parts[k];
        std::uint64_t size = 0;
        int openError = 0;
        std::string problem = ReadPart(parts[k], kPartHeaderBytes, part.start, size, openError);
        if (IsOutOfDescriptors(openError)) return OutOfDescriptors("reading a part file");
        if (problem.empty()) problem = ReadPartHeader(part.start, size, part.header);
        if (!problem.empty()) return Refused(parts[k] + ": " + problem);
    }
    std::vector<const GivenPart*> order;
    if (BatchOutcome checked = CheckSet(given, order); checked.status != BatchStatus::Ok) {
        return checked;
    }

    MergedSeries series;
    series.measureLength = order.front()->header.measureLength;
    series.measureArea = order.front()->header.measureArea;
    series.subPixel = order.front()->header.subPixel;
    series.session = order.front()->header.session;
    series.profile.m_arSeries.reserve(order.front()->header.total);
    series.profile.m_arAxis.reserve(order.front()->header.total);
    std::vector<LineEnds> lines;
    std::string bytes;
    for (const GivenPart* part : order) {
        const std::string& path = *part->path;
        std::uint64_t size = 0;
        int openError = 0;
        std::string problem = ReadPart(path, UINT64_MAX, bytes, size, openError);
        if (IsOutOfDescriptors(openError)) return OutOfDescriptors("reading a part file");
        if (problem.empty() && bytes.compare(0, kPartHeaderBytes, part->start) != 0) {
            problem = "changed while it was merged";
        }
        std::vector<LineEnds> own;
        std::vector<PartTrackStep> steps;
        TimeRule rule;
        if (problem.empty()) {
            problem = ReadPartRecords(bytes, part->header, own, series.profile, &steps, &rule);
        }
        if (problem.empty()) problem = CheckTrackSteps(series.profile, steps);
        // The parts of one session have its one time rule; the table's times are the rule's.
        if (part == order.front()) {
            series.profile.m_timeRule = rule;
        } else if (problem.empty() && rule != series.profile.m_timeRule) {
            problem = "damaged: its time rule is not that of " + *order.front()->path;
        }
        if (problem.empty() && part != order.front() && own != lines) {
            problem = "damaged: its scan lines are not those of " + *order.front()->path;
        }
        if (!problem.empty()) return Refused(path + ": " + problem);
        lines = std::move(own);
    }
    for (const auto& record : series.profile.m_arSeries) {
        record->m_strTitle = EntryTitle(TitleOfPath(record->m_strPath), record->m_nFrame, 0);
    }
    merged = std::move(series);
    return {};
}

BatchOutcome RunMerge(const std::vector<std::string>& parts, const std::string& output,
                      const BatchFormat& format, SessionHash* session) {
    // An output that is one of the parts would lose that part: the same file by any name.
    const BatchOutput resolved = ResolveBatchOutput(output);
    struct stat out {};
    if (StatBatchOutput(resolved, out) && S_ISREG(out.st_mode)) {
        for (const std::string& part : parts) {
            struct stat in {};
            if (::stat(part.c_str(), &in) == 0 && in.st_dev == out.st_dev &&
                in.st_ino == out.st_ino) {
                return {BatchStatus::OutputIsInput,
                        "cannot write " + resolved.name + ": it is the part file " + part};
            }
        }
    }
    MergedSeries merged;
    if (BatchOutcome outcome = MergeParts(parts, merged); outcome.status != BatchStatus::Ok) {
        return outcome;
    }
    if (session != nullptr) *session = merged.session;
    // The table takes the times as the single run does: under the session's time rule, which
    // the parts carry, else the times the files carry, read from them here.
    TidyOptions tidy = WithSubPixel(format.tidy, merged.subPixel);
    TimeAxis times;
    if (format.tidyTable) {
        SurveyRecordEntries(merged.profile);
        times = EntryTimesOf(merged.profile);
        if (HasTimes(merged.profile, times)) tidy.times = &times;
    }
    std::optional<std::string> bytes =
        format.tidyTable ? BuildTidyTable(merged.profile, merged.measureLength, merged.measureArea, tidy)
                         : BuildDataFile(merged.profile, merged.measureLength, merged.measureArea);
    if (!bytes) return {BatchStatus::NothingToWrite, "there is no data: the parts hold no images"};
    merged = MergedSeries();  // the bytes are all that is needed now
    BatchOutcome written = WriteBatchOutput(resolved, *bytes);
    if (written.status == BatchStatus::Ok && tidy.times != nullptr && times.missing > 0) {
        written.warning = MissingTimesWarning(times.missing);
    }
    return written;
}
