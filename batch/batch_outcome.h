// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>
#include <utility>

// How a run of the batch tool ended: every command (a run, a shard, a merge) and the output's
// writer say it in these words, and the tool's main turns it into the exit status.

enum class BatchStatus {
    Ok,
    ImageFailed,     // an image cannot be opened or decoded
    NothingToWrite,  // no images or no scan lines
    SessionRefused,  // a session this run cannot measure as asked
    WriteFailed,
    OutputIsInput,   // the output is the session file or an image: writing would destroy it
    OutOfMemory,     // an image could not be measured for want of memory
    OutOfResources,  // the process ran out of open files: no image is at fault
    BadPart,         // part files that cannot be merged: unreadable, damaged, or not a whole set
    Cancelled,       // the caller stopped the run (the Python module, on Ctrl+C): nothing written
};

struct BatchOutcome {
    BatchOutcome() = default;
    BatchOutcome(BatchStatus status_, std::string message_ = {})
        : status(status_), message(std::move(message_)) {}

    BatchStatus status = BatchStatus::Ok;
    std::string message;  // names the image, or the cause of a write failure; empty on success
    std::string warning;  // what a run that went well should still say, or empty
};

// Whether a system error says that the process, or the system, has no descriptor left.
bool IsOutOfDescriptors(int systemError);
// The outcome for running out of descriptors while `doing` something ("opening an image").
BatchOutcome OutOfDescriptors(const std::string& doing);
