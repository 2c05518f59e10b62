// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The image records of a session, and the session of a set of records: the part that the
// window and the batch tool share.

#include <cstddef>
#include <cstdint>
#include <vector>

#include "model/data_profile.h"
#include "session/session_file.h"

// Replaces the profile's records with the session's: one per image, titled after its path,
// with every scan line, the image's cursors (each kept or pending as the session says, put onto
// its line) and its calibration. The profile is left as it was when memory runs out.
void BuildSessionRecords(const Session& session, CDataProfile& profile);

// Takes the records' images (paths, cursors, calibrations) and scan lines into the session. The
// session's calibration becomes the one that most images have (the first of them on a tie);
// only an image whose calibration differs from it has one of its own.
void CaptureSessionRecords(const CDataProfile& profile, Session& session);

// The same a run of images at a time, for a copy of a large work that must never hold the
// window for long. The records must not change between the runs; the lines and the common
// calibration are taken at once.
class CRecordCapture {
public:
    CRecordCapture(const CDataProfile& profile, Session& session);
    // Takes up to `images` more images; true once every image is taken.
    bool Take(std::size_t images);

private:
    SessionCursor CursorOf(const CScan& line);

    const CDataProfile& m_profile;
    Session& m_session;
    std::vector<bool> m_ownAxis;
    // Per entry of the records' detection settings, its index in the session's, -1 until used.
    std::vector<std::int64_t> m_detectionIndex;
    std::size_t m_next = 0;
};

// Whether two calibrations are the same to the bit: 0.0 and -0.0 differ, as a written file
// would tell them apart.
bool SameAxisBits(const CDataAxis& a, const CDataAxis& b);
