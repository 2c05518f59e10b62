// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <optional>
#include <string>

#include "export/safe_write.h"
#include "session/session_file.h"

struct SessionText {
    std::optional<std::string> text;
    std::string error;  // what cannot be written, naming the field and the image
    int image = -1;     // the image at fault, when one is
};

// The session as the text of a version 2 file at `sessionPath`, which the reader takes back
// unchanged: image paths relative to the file's folder where they lie below it, numbers in
// their shortest exact form in any locale. Fails, naming what, for a session the reader would
// refuse or that JSON cannot hold: a path that is not UTF-8, a number that is not finite, a
// line of one point, indices out of range, more than the session limits allow.
SessionText SessionToText(const Session& session, const std::string& sessionPath);

struct SessionSaveResult {
    std::string error;  // empty on success
    int image = -1;     // the image at fault, when one is
    WriteResult write;  // how the file write failed, when it did

    bool ok() const { return error.empty(); }
};

// Writes the session to the file at `path` as WriteFileSafely does, never over one of its
// images.
SessionSaveResult SaveSession(const Session& session, const std::string& path);

// How a session file at `sessionPath` names the image at `image`: relative to the file's folder
// where the image lies below it (both made absolute and lexically normal, and compared byte for
// byte), absolute otherwise; nullopt when the current folder is needed and cannot be found.
std::optional<std::string> PathInSession(const std::string& image, const std::string& sessionPath);
