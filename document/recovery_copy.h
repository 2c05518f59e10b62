#pragma once

#include <QDateTime>
#include <QLockFile>
#include <QObject>
#include <QString>
#include <QTimer>
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
// runs, so that the next start can tell a copy left behind by a crash.
class CRecoveryCopy : public QObject {
public:
    // A copy whose program ended without removing it.
    struct Abandoned {
        QString copy;     // the session file to open
        QString session;  // the session file the work belonged to; empty for untitled work
        QDateTime written;
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

    // The copies in the folder left by programs that are gone, newest first.
    static std::vector<Abandoned> FindAbandoned(const QString& folder);
    // Removes an abandoned copy (restored, or declined).
    static void Remove(const Abandoned& abandoned);
    // Opens the copy in the document as the unsaved work of its session.
    static bool Restore(CNorvaleDoc& doc, const Abandoned& abandoned);

private:
    void Changed();
    void TakeRun();
    void StartWrite();
    void Finished(bool written);
    void RemoveFiles();

    CNorvaleDoc& m_doc;
    QString m_folder;
    QString m_copyPath;
    QString m_originPath;
    std::unique_ptr<QLockFile> m_lock;
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
