// SPDX-License-Identifier: GPL-3.0-or-later
#include "batch/batch_outcome.h"

#include <cerrno>

bool IsOutOfDescriptors(int systemError) {
    return systemError == EMFILE || systemError == ENFILE;
}

BatchOutcome OutOfDescriptors(const std::string& doing) {
    return {BatchStatus::OutOfResources,
            "no file descriptor left for " + doing +
                " (too many open files); measure with fewer --jobs, or raise the limit "
                "(ulimit -n)"};
}
