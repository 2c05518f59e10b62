// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>

#include "export/safe_write.h"

// The result of a failed write of `path`, with the cause in English: "cannot write PATH: CAUSE".
WriteResult WriteFailure(const std::string& path, int errnoValue);
// The same with a cause of the caller's own wording, for failures that no errno names well.
WriteResult WriteFailure(const std::string& path, WriteError error, int errnoValue,
                         const std::string& cause);
