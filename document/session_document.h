// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The document's whole work as a session, and back: what the window saves and opens.

#include "document/norvale_doc.h"
#include "session/session_file.h"
#include "session/session_records.h"

// Everything the document and its views know that a reopened session needs: the images in
// list order with their cursors and calibrations, the scan lines, the options, the measurement
// switches, the current image and line and the image view's zoom (1 without a view).
Session CaptureSession(const CNorvaleDoc& doc);

// The same a run of images at a time, for a copy of a large work that must never hold the window
// for long: the options, the view, the lines and the calibrations at once, then the images. The
// work must not change in between; the caller starts afresh when it does.
class CSessionSnapshot {
public:
    explicit CSessionSnapshot(const CNorvaleDoc& doc);
    CSessionSnapshot(const CSessionSnapshot&) = delete;
    CSessionSnapshot& operator=(const CSessionSnapshot&) = delete;
    // Takes up to `images` more images; true once every image is taken.
    bool Take(std::size_t images) { return m_records.Take(images); }
    Session& Result() { return m_session; }

private:
    Session m_session;
    CRecordCapture m_records;
};

// Replaces the document's records, current indices, switches and options, and the image view's
// zoom, with the session's. No picture is loaded and nothing is shown: the caller opens the
// current image afterwards (and tells of files that are missing). Indices out of range become
// none. False, changing nothing, while a long operation works on the records.
bool ApplySession(CNorvaleDoc& doc, const Session& session);
