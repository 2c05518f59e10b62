// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QSettings>
#include <QString>
#include <QStringList>

// The most recently used paths, newest first, at most a fixed number of them.
class CRecentFileList {
public:
    explicit CRecentFileList(int size = 4) : m_nSize(size) {}

    // Moves the path to the front (adding it when new) and drops what falls off the end.
    void Add(const QString& path);
    void Remove(int index);
    const QStringList& Entries() const { return m_entries; }
    int Size() const { return m_nSize; }
    // "&1 /path/file.bmp": the menu text of entry index.
    QString MenuText(int index) const;

    void Load(QSettings& settings);
    void Save(QSettings& settings) const;

private:
    int m_nSize;
    QStringList m_entries;
};
