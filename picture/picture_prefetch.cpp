// SPDX-License-Identifier: GPL-3.0-or-later
#include "picture/picture_prefetch.h"

#include <algorithm>
#include <chrono>
#include <new>
#include <system_error>

#include "picture/video_frame_cache.h"

CPicturePrefetch::CPicturePrefetch() {
    // Without a thread nothing is decoded ahead: every step decodes, as it did before.
    try {
        m_worker = std::thread([this] { Work(); });
    } catch (const std::system_error&) {
    }
}

CPicturePrefetch::~CPicturePrefetch() {
    {
        std::lock_guard lock(m_mutex);
        m_stop = true;
    }
    m_changed.notify_all();
    if (m_worker.joinable()) m_worker.join();
}

CPicturePrefetch::Slot* CPicturePrefetch::Find(const Key& key) {
    for (Slot& slot : m_slots) {
        if (slot.state != State::Free && !slot.dropped && slot.key == key) return &slot;
    }
    return nullptr;
}

CPicturePrefetch::Slot* CPicturePrefetch::FreeSlot() {
    for (Slot& slot : m_slots) {
        if (slot.state == State::Free) return &slot;
    }
    return nullptr;
}

std::optional<std::size_t> CPicturePrefetch::NextJob(Key& target) const {
    const auto free = std::find_if(m_slots.begin(), m_slots.end(),
                                   [](const Slot& slot) { return slot.state == State::Free; });
    if (free == m_slots.end()) return std::nullopt;
    for (const Key& key : m_targets) {
        const bool held = std::any_of(m_slots.begin(), m_slots.end(), [&](const Slot& slot) {
            return slot.state != State::Free && !slot.dropped && slot.key == key;
        });
        if (!held) {
            target = key;
            return static_cast<std::size_t>(free - m_slots.begin());
        }
    }
    return std::nullopt;
}

bool CPicturePrefetch::Idle() const {
    Key unused;
    const bool decoding = std::any_of(m_slots.begin(), m_slots.end(), [](const Slot& slot) {
        return slot.state == State::Decoding;
    });
    return !decoding && !NextJob(unused);
}

void CPicturePrefetch::Retarget(const std::vector<Key>& targets) {
    {
        std::lock_guard lock(m_mutex);
        m_targets.assign(targets.begin(),
                         targets.begin() + static_cast<std::ptrdiff_t>(
                                               std::min(targets.size(), kSlots)));
        for (Slot& slot : m_slots) {
            if (slot.state == State::Free) continue;
            const bool wanted = std::find(m_targets.begin(), m_targets.end(), slot.key) !=
                                m_targets.end();
            if (wanted) continue;
            if (slot.state == State::Decoding) {
                slot.dropped = true;
            } else {
                // The pixels stay in the object: the next decode into it replaces them.
                slot.state = State::Free;
            }
        }
    }
    m_changed.notify_all();
}

std::optional<FileStamp> CPicturePrefetch::Exchange(const Key& want, const Leaving* leaving,
                                                    std::unique_ptr<CPicture>& picture) {
    std::unique_lock lock(m_mutex);
    Slot* slot = Find(want);
    if (slot != nullptr && slot->state == State::Decoding) {
        // The user is ahead of the worker: the decode under way is the one wanted, and nothing
        // would finish it sooner.
        m_changed.wait(lock, [&] { return slot->state != State::Decoding || slot->dropped; });
        if (slot->state == State::Free || slot->dropped || !(slot->key == want)) slot = nullptr;
    }
    std::optional<FileStamp> taken;
    if (slot != nullptr && slot->state == State::Ready) {
        // The stamp now, against the one the decode was made under: a file replaced, rewritten
        // or deleted since is decoded afresh by the caller.
        const std::optional<FileStamp> now = StampFile(want.path);
        if (now && *now == slot->stamp) {
            taken = slot->stamp;
            ++m_counts.taken;
        } else {
            ++m_counts.stale;
            slot->state = State::Free;
            slot->picture->Clear();
            slot = nullptr;
        }
    } else if (slot != nullptr) {
        // A failed decode tells the caller nothing: it decodes the file itself and says why.
        slot->state = State::Free;
        slot = nullptr;
    }
    if (slot == nullptr && leaving != nullptr) slot = FreeSlot();
    if (slot != nullptr) {
        picture.swap(slot->picture);
        if (leaving != nullptr && !slot->picture->IsNull()) {
            slot->state = State::Ready;
            slot->key = leaving->key;
            slot->stamp = leaving->stamp;
        } else {
            slot->state = State::Free;
        }
        slot->dropped = false;
    }
    lock.unlock();
    m_changed.notify_all();
    return taken;
}

void CPicturePrefetch::Drop() {
    {
        std::lock_guard lock(m_mutex);
        m_targets.clear();
        for (Slot& slot : m_slots) {
            if (slot.state == State::Decoding) {
                slot.dropped = true;
                continue;
            }
            slot.state = State::Free;
            slot.picture->Clear();
        }
    }
    // The frames kept for steps back through a video were for the same list.
    video_frame_cache::Clear();
    m_changed.notify_all();
}

bool CPicturePrefetch::WaitIdle(int ms) {
    std::unique_lock lock(m_mutex);
    if (!m_worker.joinable()) return true;
    return m_changed.wait_for(lock, std::chrono::milliseconds(ms), [this] { return Idle(); });
}

CPicturePrefetch::Counts CPicturePrefetch::GetCounts() const {
    std::lock_guard lock(m_mutex);
    return m_counts;
}

void CPicturePrefetch::Work() {
    std::unique_lock lock(m_mutex);
    for (;;) {
        Key target;
        std::optional<std::size_t> job;
        m_changed.wait(lock, [&] { return m_stop || (job = NextJob(target)).has_value(); });
        if (m_stop) return;
        Slot& slot = m_slots[*job];
        slot.state = State::Decoding;
        slot.key = target;
        slot.dropped = false;
        // The slot's object is the worker's alone until its state changes again, which only
        // the worker does.
        CPicture& picture = *slot.picture;
        lock.unlock();
        bool whole = false;
        std::optional<FileStamp> before = StampFile(target.path);
        std::optional<FileStamp> after;
        try {
            whole = before && picture.Load(target.path, target.frame).status == CPicture::LoadStatus::Ok;
            after = StampFile(target.path);
        } catch (const std::bad_alloc&) {
            // No memory for a picture ahead is no failure of the window: it decodes when shown.
            picture.Clear();
            whole = false;
        }
        lock.lock();
        ++m_counts.decoded;
        // A file that changed while it was read may not be the picture decoded: unusable.
        const bool usable = whole && after && *before == *after;
        if (slot.dropped || !usable) picture.Clear();
        if (slot.dropped) {
            slot.state = State::Free;
            slot.dropped = false;
        } else if (usable) {
            slot.state = State::Ready;
            slot.stamp = *before;
        } else {
            slot.state = State::Failed;
        }
        m_changed.notify_all();
    }
}
