// SPDX-License-Identifier: GPL-3.0-or-later
#include "export/temp_cleanup.h"

#include <limits.h>
#include <unistd.h>

#include <atomic>
#include <cstring>

#include "export/safe_write.h"

namespace {

// The signals that end a program when asked to: kill, Ctrl+C, a closed terminal.
constexpr int kSignals[] = {SIGTERM, SIGINT, SIGHUP};

enum SlotState : int { kEmpty, kFilling, kHolding };

// The handler reads the path only in the holding state, which is entered after the path is
// complete; the state is a lock-free atomic, so reading it in a handler is safe.
std::atomic<int> g_slot{kEmpty};
char g_path[PATH_MAX];
static_assert(std::atomic<int>::is_always_lock_free);

sigset_t HandledSignals() {
    sigset_t set;
    sigemptyset(&set);
    for (const int sig : kSignals) sigaddset(&set, sig);
    return set;
}

// Only async-signal-safe calls: unlink, signal and raise. The signal raised again stays blocked
// while the handler runs and ends the process with the default action as soon as it returns,
// so the parent sees the signal as the cause, as if there had been no handler.
extern "C" void RemoveTemporaryAndEnd(int sig) {
    if (g_slot.load() == kHolding) ::unlink(g_path);
    ::signal(sig, SIG_DFL);
    ::raise(sig);
}

}  // namespace

HeldSignals::HeldSignals() {
    const sigset_t set = HandledSignals();
    ::pthread_sigmask(SIG_BLOCK, &set, &m_previous);
}

HeldSignals::~HeldSignals() {
    ::pthread_sigmask(SIG_SETMASK, &m_previous, nullptr);
}

bool NoteTemporary(const std::string& path) {
    if (path.size() >= sizeof g_path) return false;
    int expected = kEmpty;
    if (!g_slot.compare_exchange_strong(expected, kFilling)) return false;
    std::memcpy(g_path, path.c_str(), path.size() + 1);
    g_slot.store(kHolding);
    return true;
}

void ForgetTemporary() {
    g_slot.store(kEmpty);
}

void RemoveTemporaryOnSignals() {
    struct sigaction action {};
    action.sa_handler = &RemoveTemporaryAndEnd;
    action.sa_mask = HandledSignals();  // one handler at a time: the first signal decides
    for (const int sig : kSignals) {
        struct sigaction previous {};
        if (::sigaction(sig, nullptr, &previous) != 0) continue;
        // A signal that the process was started ignoring (nohup, a background job of a script)
        // stays ignored.
        if (previous.sa_handler == SIG_IGN) continue;
        ::sigaction(sig, &action, nullptr);
    }
}
