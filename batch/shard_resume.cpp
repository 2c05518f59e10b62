// SPDX-License-Identifier: GPL-3.0-or-later
#include "batch/shard_resume.h"

#include <cerrno>
#include <cstdint>
#include <cstring>
#include <fstream>
#include <iterator>
#include <sstream>
#include <sys/stat.h>

#include "model/data_profile.h"

namespace {

// A decimal number of at most nine digits (leading zeros allowed, as Slurm never writes them
// but a script might); nullopt otherwise.
std::optional<std::uint64_t> Number(const char* text) {
    if (text == nullptr || *text == '\0') return std::nullopt;
    std::uint64_t value = 0;
    std::size_t digits = 0;
    for (const char* c = text; *c != '\0'; ++c) {
        if (*c < '0' || *c > '9') return std::nullopt;
        value = value * 10 + static_cast<std::uint64_t>(*c - '0');
        if (value != 0 && ++digits > 9) return std::nullopt;
    }
    return value;
}

}  // namespace

ArrayTaskShard ShardOfArrayTask(const EnvironmentLookup& lookup) {
    ArrayTaskShard result;
    const char* id = lookup("SLURM_ARRAY_TASK_ID");
    const char* count = lookup("SLURM_ARRAY_TASK_COUNT");
    if (id == nullptr || count == nullptr) {
        result.problem = "--shard auto: not a task of a job array: SLURM_ARRAY_TASK_ID and "
                         "SLURM_ARRAY_TASK_COUNT are not set";
        return result;
    }
    struct Read {
        const char* name;
        const char* text;
        std::optional<std::uint64_t> value;
    };
    const char* min = lookup("SLURM_ARRAY_TASK_MIN");
    const char* step = lookup("SLURM_ARRAY_TASK_STEP");
    Read read[] = {{"SLURM_ARRAY_TASK_ID", id, {}},
                   {"SLURM_ARRAY_TASK_COUNT", count, {}},
                   {"SLURM_ARRAY_TASK_MIN", min != nullptr ? min : "1", {}},
                   {"SLURM_ARRAY_TASK_STEP", step != nullptr ? step : "1", {}}};
    for (Read& r : read) {
        r.value = Number(r.text);
        if (!r.value) {
            result.problem = std::string("--shard auto: ") + r.name + " is \"" + r.text +
                             "\", not a number";
            return result;
        }
    }
    const std::uint64_t task = *read[0].value;
    const std::uint64_t tasks = *read[1].value;
    const std::uint64_t first = *read[2].value;
    const std::uint64_t by = *read[3].value;
    if (by == 0 || task < first || (task - first) % by != 0) {
        result.problem = "--shard auto: task " + std::to_string(task) +
                         " is not in the array from " + std::to_string(first) + " by " +
                         std::to_string(by);
        return result;
    }
    const std::uint64_t part = (task - first) / by + 1;
    if (tasks == 0 || part > tasks || tasks > kMaxShards) {
        result.problem = "--shard auto: task " + std::to_string(task) + " is part " +
                         std::to_string(part) + " of " + std::to_string(tasks) +
                         (tasks > kMaxShards ? ", more than " + std::to_string(kMaxShards) +
                                                   " parts"
                                             : ", outside the array");
        return result;
    }
    result.shard = ShardSpec{static_cast<std::uint32_t>(part), static_cast<std::uint32_t>(tasks)};
    return result;
}

DonePart CheckDonePart(const std::string& path, const SessionHash& hash, ShardSpec shard) {
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0 && errno == ENOENT) return {PartState::Missing, {}};
    std::ifstream in(path, std::ios::binary);
    if (!in || !S_ISREG(st.st_mode)) return {PartState::Differs, "it cannot be read as a file"};
    std::ostringstream text;
    text << in.rdbuf();
    const std::string bytes = std::move(text).str();
    PartHeader header;
    if (std::string problem = ReadPartHeader(bytes, bytes.size(), header); !problem.empty()) {
        return {PartState::Differs, problem};
    }
    if (header.session != hash) {
        return {PartState::Differs, "it is a part of another session (" +
                                        HashText(header.session, 12) + ")"};
    }
    if (header.part != shard.part || header.parts != shard.parts) {
        return {PartState::Differs, "it is part " + std::to_string(header.part) + " of " +
                                        std::to_string(header.parts)};
    }
    std::vector<LineEnds> lines;
    CDataProfile records;
    if (std::string problem = ReadPartRecords(bytes, header, lines, records); !problem.empty()) {
        return {PartState::Differs, problem};
    }
    return {PartState::Done, {}};
}
