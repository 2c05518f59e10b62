// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QDateTime>
#include <QLockFile>
#include <QObject>
#include <QString>
#include <QTimer>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

class CNorvaleDoc;
class CSessionSnapshot;

// While the work has unsaved changes, a copy of it as a session file in the user's data folder,
// so that a crash loses nothing. It is written a short while after the last change: the work is
// copied on this thread a run of images at a time (never holding the window for long), and the
// text is made and written, safely, on a worker. The copy goes once the work is saved, undone to
// where it was saved, or the program ends normally; a lock beside it says its program still
// runs, so that the next start can tell a copy left behind by a crash. No copy is ever written
// without that lock held: another window would take it for a crashed one's, and offer it, or
// delete it. Copies are for their user alone (mode 0600).
class CRecoveryCopy : public QObject {
public:
    // A copy whose program ended without removing it.
    struct Abandoned {
        QString copy;     // the session file to open
        QString session;  // the session file the work belonged to; empty for untitled work
        QDateTime written;
        // Written by a newer program in a format this one does not read: it is told of once,
        // then renamed (NameNewer) so that only a program that reads it offers it again.
        bool newer = false;
    };

    static constexpr int kDelayMs = 2000;
    static constexpr std::size_t kImagesPerRun = 500;

    CRecoveryCopy(CNorvaleDoc& doc, const QString& folder, int delayMs = kDelayMs);
    ~CRecoveryCopy() override;
    CRecoveryCopy(const CRecoveryCopy&) = delete;
    CRecoveryCopy& operator=(const CRecoveryCopy&) = delete;

    // The program ends normally: the copy is no longer needed.
    void Discard();
    // Where this program's copy goes.
    const QString& CopyPath() const { return m_copyPath; }
    // Whether the latest change is on disk (nothing pending, nothing being written).
    bool IsCurrent() const;
    // Called once, the first time a copy cannot be kept (its lock cannot be taken, or it
    // cannot be written), with a message for the status bar.
    void SetWarning(std::function<void(const QString&)> warning) { m_warning = std::move(warning); }

    // The copies in the folder left by programs that are gone, newest first, without those
    // already told of as newer. Lock files of programs that are gone and left no copy go.
    static std::vector<Abandoned> FindAbandoned(const QString& folder);
    // Removes an abandoned copy (restored, or declined).
    static void Remove(const Abandoned& abandoned);
    // Renames a copy of a newer format so that this program no longer offers it, and a program
    // that reads it still does; returns its new name.
    static QString NameNewer(const Abandoned& abandoned);
    // Opens the copy in the document as the unsaved work of its session.
    static bool Restore(CNorvaleDoc& doc, const Abandoned& abandoned);

private:
    void Changed();
    void TakeRun();
    void StartWrite();
    void Finished(bool written);
    void RemoveFiles();
    void Warn();

    CNorvaleDoc& m_doc;
    QString m_folder;
    QString m_copyPath;
    QString m_originPath;
    std::unique_ptr<QLockFile> m_lock;
    bool m_locked = false;
    bool m_warned = false;
    std::function<void(const QString&)> m_warning;
    QTimer m_delay;
    QTimer m_run;
    std::unique_ptr<CSessionSnapshot> m_snapshot;
    unsigned m_generation = 0;  // counts the changes; a snapshot of an older one is dropped
    unsigned m_snapshotGeneration = 0;
    unsigned m_writtenGeneration = 0;
    std::thread m_worker;
    bool m_writing = false;
    bool m_pending = false;  // a change came while the worker wrote
};
