// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <array>
#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "picture/file_stamp.h"
#include "picture/picture.h"

// The pictures the window will likely show next, decoded ahead on one worker thread so that a
// step onto them need not wait for the decoder. There are exactly two slots, each a CPicture
// object made once and kept: a picture changes hands by exchanging objects with the caller, so
// with the caller's current picture no more than three pictures are ever held, and every load
// goes into an object that has loaded before.
//
// A picture is handed out only for the very record and path it was decoded for, and only while
// the file's stamp is the one it had, unchanged, before and after the decode. A file that cannot
// be decoded is never reported from here: the caller decodes it afresh and tells the user what
// the decoder says then, exactly as without a prefetch.
class CPicturePrefetch {
public:
    // What a picture is of: a record, compared by address and never followed, its file, and
    // the page or frame of the file (-1 for a file of one picture).
    struct Key {
        const void* record = nullptr;
        std::string path;
        std::int64_t frame = -1;

        friend bool operator==(const Key&, const Key&) = default;
    };
    static constexpr std::size_t kSlots = 2;

    CPicturePrefetch();
    ~CPicturePrefetch();  // waits for the decode under way
    CPicturePrefetch(const CPicturePrefetch&) = delete;
    CPicturePrefetch& operator=(const CPicturePrefetch&) = delete;

    // The pictures wanted next, most wanted first; those after kSlots are ignored. A slot whose
    // picture is not among them is free for the next decode; a decode under way for one that
    // is no longer wanted is thrown away when it ends.
    void Retarget(const std::vector<Key>& targets);

    // The picture leaving the screen, kept if a slot is free, so that stepping back finds it.
    struct Leaving {
        Key key;
        FileStamp stamp;
    };
    // Puts the picture of `want` into `picture` when one is ready for it, or being decoded
    // (then it waits for the decode), and its file is unchanged; returns its stamp. The object
    // that `picture` held goes into the slot, as the picture of `leaving` when one is given.
    // Without a picture for `want`, `leaving` is kept in a free slot if there is one, and
    // `picture` then holds an object whose pixels the next load replaces.
    std::optional<FileStamp> Exchange(const Key& want, const Leaving* leaving,
                                      std::unique_ptr<CPicture>& picture);

    // Forgets every picture and frees their memory: the list they were decoded for is gone.
    void Drop();

    // Waits until nothing is left to decode, at most `ms` milliseconds; whether it came to that.
    bool WaitIdle(int ms);

    // What the prefetch did, for the tests and the benchmarks.
    struct Counts {
        int decoded = 0;  // decodes finished on the worker, whole or not
        int taken = 0;    // pictures handed out by Exchange
        int stale = 0;    // ready pictures refused because their file changed
    };
    Counts GetCounts() const;

private:
    enum class State { Free, Decoding, Ready, Failed };
    struct Slot {
        State state = State::Free;
        Key key;
        FileStamp stamp;
        bool dropped = false;  // while decoding: no longer wanted, freed when the decode ends
        std::unique_ptr<CPicture> picture =
            std::make_unique<CPicture>(CPicture::FileBytes::Release, CPicture::DisplayCopy::AtLoad);
    };

    void Work();
    // The first target with no slot of its own, when a slot is free to decode it into.
    std::optional<std::size_t> NextJob(Key& target) const;
    Slot* Find(const Key& key);
    Slot* FreeSlot();
    bool Idle() const;

    mutable std::mutex m_mutex;
    std::condition_variable m_changed;
    std::array<Slot, kSlots> m_slots;
    std::vector<Key> m_targets;
    Counts m_counts;
    bool m_stop = false;
    std::thread m_worker;  // last: started once everything else is made
};
