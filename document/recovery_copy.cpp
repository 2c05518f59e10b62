// SPDX-License-Identifier: GPL-3.0-or-later
#include "document/recovery_copy.h"

#include <unistd.h>

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <algorithm>

#include "document/norvale_doc.h"
#include "document/session_document.h"
#include "export/safe_write.h"
#include "session/session_write.h"

namespace {

const QString kPrefix = QStringLiteral("recovery-");
const QString kSuffix = QStringLiteral(".quandrel");
// Ends the name of a copy of a newer format once it has been told of.
const QString kNewer = QStringLiteral("-newer");

QString Sibling(const QString& copy, const char* suffix) {
    return copy.left(copy.size() - kSuffix.size()) + QLatin1String(suffix);
}

std::string Bytes(const QString& path) {
    return QFile::encodeName(path).toStdString();
}

// Removes what programs that are gone left beside no copy: their locks (a crash before the
// first copy) and the names of their sessions.
void RemoveStale(const QString& folder) {
    const QDir dir(folder);
    for (const QString& name : dir.entryList({kPrefix + QStringLiteral("*.lock")}, QDir::Files)) {
        const QString lockPath = dir.filePath(name);
        const QString copy = lockPath.left(lockPath.size() - 5) + kSuffix;
        if (QFile::exists(copy)) continue;
        QLockFile lock(lockPath);
        lock.setStaleLockTime(0);
        if (!lock.tryLock(0)) continue;  // its program still runs
        QFile::remove(lockPath.left(lockPath.size() - 5) + QStringLiteral(".origin"));
        // The lock file goes as the lock is given back.
    }
}

}  // namespace

CRecoveryCopy::CRecoveryCopy(CNorvaleDoc& doc, const QString& folder, int delayMs)
    : m_doc(doc), m_folder(folder) {
    QDir().mkpath(folder);
    // The process and its start make the name: a later program never takes over a crashed
    // one's copy, even under the same process id.
    const QString base = QStringLiteral("%1/%2%3-%4")
                             .arg(folder, kPrefix)
                             .arg(::getpid())
                             .arg(QDateTime::currentMSecsSinceEpoch());
    m_copyPath = base + kSuffix;
    m_originPath = Sibling(m_copyPath, ".origin");
    m_lock = std::make_unique<QLockFile>(Sibling(m_copyPath, ".lock"));
    m_lock->setStaleLockTime(0);  // only a dead program's lock is stale, however old
    // A full or read-only folder refuses the lock; it is asked for again before each copy.
    m_locked = m_lock->tryLock(0);

    m_delay.setSingleShot(true);
    m_delay.setInterval(delayMs);
    connect(&m_delay, &QTimer::timeout, this, [this] {
        if (m_writing) {
            m_pending = true;
            return;
        }
        m_snapshot = std::make_unique<CSessionSnapshot>(m_doc);
        m_snapshotGeneration = m_generation;
        m_run.start();
    });
    m_run.setInterval(0);
    connect(&m_run, &QTimer::timeout, this, &CRecoveryCopy::TakeRun);
    connect(&m_doc.UndoStack(), &QUndoStack::indexChanged, this, &CRecoveryCopy::Changed);
    connect(&m_doc.UndoStack(), &QUndoStack::cleanChanged, this, &CRecoveryCopy::Changed);
    if (m_doc.IsModified()) Changed();
}

CRecoveryCopy::~CRecoveryCopy() {
    // The copy stays: only a normal end of the program (Discard) removes it.
    if (m_worker.joinable()) m_worker.join();
}

void CRecoveryCopy::Changed() {
    ++m_generation;
    m_run.stop();
    m_snapshot.reset();
    if (m_doc.IsModified()) {
        m_delay.start();
        return;
    }
    // Saved, or undone to where it was saved: nothing to recover.
    m_delay.stop();
    if (m_writing) {
        m_pending = true;
    } else {
        RemoveFiles();
    }
}

void CRecoveryCopy::TakeRun() {
    // A change since the copy began restarts the delay; this copy would be out of date.
    if (m_snapshot == nullptr || m_snapshotGeneration != m_generation) {
        m_run.stop();
        m_snapshot.reset();
        return;
    }
    if (!m_snapshot->Take(kImagesPerRun)) return;
    m_run.stop();
    StartWrite();
}

void CRecoveryCopy::StartWrite() {
    auto session = std::make_shared<Session>(std::move(m_snapshot->Result()));
    m_snapshot.reset();
    if (!m_locked) m_locked = m_lock->tryLock(0);
    if (!m_locked) {
        Finished(false);
        return;
    }
    m_writing = true;
    const unsigned generation = m_snapshotGeneration;
    const std::string copy = Bytes(m_copyPath);
    const std::string origin = Bytes(m_originPath);
    const std::string sessionPath = Bytes(m_doc.GetPathName());
    if (m_worker.joinable()) m_worker.join();
    m_worker = std::thread([this, session, generation, copy, origin, sessionPath] {
        // The origin first: a copy is never on disk without the name of its session.
        const SessionText text = SessionToText(*session, copy);
        const bool written = text.text && WriteFileSafely(origin, sessionPath, 0600).ok() &&
                             WriteFileSafely(copy, *text.text, 0600).ok();
        QMetaObject::invokeMethod(
            this,
            [this, generation, written] {
                if (written) m_writtenGeneration = generation;
                Finished(written);
            },
            Qt::QueuedConnection);
    });
}

void CRecoveryCopy::Finished(bool written) {
    m_writing = false;
    if (!written) Warn();
    if (!m_doc.IsModified()) {
        m_pending = false;
        RemoveFiles();
        return;
    }
    // Changed meanwhile, or not written (a full disk, say): try again after the delay.
    if (m_pending || m_writtenGeneration != m_generation) {
        m_pending = false;
        m_delay.start();
    }
}

bool CRecoveryCopy::IsCurrent() const {
    return !m_writing && !m_delay.isActive() && !m_run.isActive() &&
           (!m_doc.IsModified() || m_writtenGeneration == m_generation);
}

void CRecoveryCopy::Warn() {
    if (m_warned || !m_warning) return;
    m_warned = true;
    m_warning(
        QCoreApplication::translate(
            "Document",
            "作業のコピーを %1 に書き込めません。異常終了すると保存していない作業は失われます。")
            .arg(QDir::toNativeSeparators(m_folder)));
}

void CRecoveryCopy::RemoveFiles() {
    QFile::remove(m_copyPath);
    QFile::remove(m_originPath);
}

void CRecoveryCopy::Discard() {
    m_delay.stop();
    m_run.stop();
    m_snapshot.reset();
    if (m_worker.joinable()) m_worker.join();
    m_writing = false;
    RemoveFiles();
    m_lock->unlock();
}

std::vector<CRecoveryCopy::Abandoned> CRecoveryCopy::FindAbandoned(const QString& folder) {
    RemoveStale(folder);
    std::vector<Abandoned> found;
    const QFileInfoList copies =
        QDir(folder).entryInfoList({kPrefix + QLatin1Char('*') + kSuffix}, QDir::Files, QDir::Time);
    for (const QFileInfo& info : copies) {
        const QString copy = info.absoluteFilePath();
        if (copy.endsWith(kNewer + kSuffix)) continue;  // told of already
        // A lock that can be taken belongs to nobody: its program is gone.
        QLockFile lock(Sibling(copy, ".lock"));
        lock.setStaleLockTime(0);
        if (!lock.tryLock(0)) continue;
        QFile origin(Sibling(copy, ".origin"));
        QString session;
        if (origin.open(QIODevice::ReadOnly)) session = QFile::decodeName(origin.readAll());
        found.push_back({copy, session, info.lastModified(),
                         IsNewerSessionFile(QFile::encodeName(copy).toStdString())});
    }
    return found;
}

QString CRecoveryCopy::NameNewer(const Abandoned& abandoned) {
    const QString base = abandoned.copy.left(abandoned.copy.size() - kSuffix.size()) + kNewer;
    QFile::rename(Sibling(abandoned.copy, ".origin"), base + QStringLiteral(".origin"));
    return QFile::rename(abandoned.copy, base + kSuffix) ? base + kSuffix : abandoned.copy;
}

void CRecoveryCopy::Remove(const Abandoned& abandoned) {
    QFile::remove(abandoned.copy);
    QFile::remove(Sibling(abandoned.copy, ".origin"));
}

bool CRecoveryCopy::Restore(CNorvaleDoc& doc, const Abandoned& abandoned) {
    return doc.RestoreSession(abandoned.copy, abandoned.session);
}
