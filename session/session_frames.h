// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The pages and frames of a session's images (version 4): an image object's "frame", or its
// "frames" range, which stands for one image per frame. Used by the session reader only.

#include <nlohmann/json.hpp>
#include <string>

#include "session/session_file.h"
#include "session/session_values.h"

// Appends the entries that the image object `value` (already read into `image`) stands for:
// itself, with its "frame" where it has one, or one copy per frame of its "frames". Fails,
// naming the field, on a bad frame or range and on one that takes the session past its limits.
void AppendImageEntries(const SessionValues& values, const nlohmann::json& value,
                        const std::string& field, SessionImage image, Session& session);
