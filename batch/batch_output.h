// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Where the batch tool writes: a file, replaced only once the new one is whole; one of the
// descriptors it was given (standard output by "-" or by any of its names); or a pipe or a
// character device named by its path (a FIFO, /dev/null), written as the stream it is.

#include <sys/stat.h>

#include <string>
#include <string_view>

#include "batch/batch_outcome.h"

struct BatchOutput {
    enum class Kind { File, Descriptor, Stream };
    Kind kind = Kind::File;
    std::string name;  // as given, for messages; "standard output" for descriptor 1
    std::string path;  // File and Stream: the path to open
    int fd = -1;       // Descriptor: the descriptor, inherited and open

    // Whether the bytes go to the file the shell redirected standard output to, by any name.
    bool IsStandardOutput() const { return kind == Kind::Descriptor && fd == 1; }
};

// What `output` names. "-", /dev/stdout, /dev/fd/N, /proc/self/fd/N and the like are the
// descriptor itself: opened again by name, a file the shell appends to would be replaced, and a
// pipe refused. An existing FIFO or character device is a stream; anything else a file.
BatchOutput ResolveBatchOutput(const std::string& output);

// Refuses, before anything is measured, an output that can never be written: a descriptor that
// is not open, a folder, a block device or a socket. Ok otherwise.
BatchOutcome CheckBatchOutput(const BatchOutput& output);

// The output's state, for telling whether it is one of the inputs; false when there is nothing
// there yet.
bool StatBatchOutput(const BatchOutput& output, struct stat& st);

// Writes the bytes: a file as WriteFileSafely does, a descriptor or a stream from start to
// end, reporting a failure to write them all.
BatchOutcome WriteBatchOutput(const BatchOutput& output, std::string_view bytes);
