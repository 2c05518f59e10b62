// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The batch tool's command line: what to measure or merge, where to write it, and how.

#include <optional>
#include <string>
#include <vector>

#include "batch/batch_run.h"
#include "batch/shard_run.h"

// Exit codes.
constexpr int kExitOk = 0;
constexpr int kExitUsage = 2;  // also an invalid session or one without scan lines
constexpr int kExitImage = 3;
constexpr int kExitWrite = 4;
constexpr int kExitMemory = 5;
constexpr int kExitResources = 6;  // the system's limits ran out: open files, threads

struct BatchArguments {
    BatchFormat format;
    std::string session;
    std::string output;
    int jobs = 0;
    bool quiet = false;
    std::optional<ShardSpec> shard;
    bool skipDone = false;
    bool provenance = false;  // the table's provenance beside it (series/provenance.h)
    std::string verify;       // verify: the provenance file whose inputs are checked  // a shard whose part file is already written is not measured again
    bool merge = false;
    std::vector<std::string> parts;  // part files, or folders of them
    std::string partsFrom;           // a list of part files; "-" for standard input
};

// Returns an exit code when the arguments end the run (help printed, or a usage error
// reported on standard error), -1 otherwise.
int ParseBatchArguments(int argc, char** argv, BatchArguments& args);
