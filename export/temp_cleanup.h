// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <signal.h>

#include <string>

// The temporary file of the write in progress, kept where the signal handlers that
// RemoveTemporaryOnSignals (safe_write.h) installs can find it. There is one slot for the whole
// process: a second write running at the same time on another thread is not covered, and its
// temporary stays behind if a signal ends the process meanwhile.

// Holds back the signals whose handlers remove the temporary, for this thread and for the life
// of the object, so that creating, renaming or removing the file and noting it in the slot (or
// clearing the slot) are one step as far as the handler can see.
class HeldSignals {
public:
    HeldSignals();
    ~HeldSignals();
    HeldSignals(const HeldSignals&) = delete;
    HeldSignals& operator=(const HeldSignals&) = delete;

private:
    sigset_t m_previous;
};

// Notes the temporary just created; returns false, noting nothing, when the slot is taken or
// the path does not fit. Call with the signals held.
bool NoteTemporary(const std::string& path);
// Empties the slot after the temporary noted was renamed or removed. Call with the signals held.
void ForgetTemporary();
