// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/recent_files.h"

#include <QDir>
#include <QFileInfo>

namespace {
const QString kGroup = QStringLiteral("Recent File List");
}

void CRecentFileList::Add(const QString& path) {
    if (path.isEmpty()) return;
    const QString full = QDir::cleanPath(QFileInfo(path).absoluteFilePath());
    m_entries.removeAll(full);
    m_entries.prepend(full);
    while (m_entries.size() > m_nSize) m_entries.removeLast();
}

void CRecentFileList::Remove(int index) {
    if (index >= 0 && index < m_entries.size()) m_entries.removeAt(index);
}

QString CRecentFileList::MenuText(int index) const {
    if (index < 0 || index >= m_entries.size()) return {};
    QString path = m_entries[index];
    path.replace('&', QStringLiteral("&&"));
    return QStringLiteral("&%1 %2").arg(index + 1).arg(path);
}

void CRecentFileList::Load(QSettings& settings) {
    m_entries.clear();
    settings.beginGroup(kGroup);
    for (int k = 1; k <= m_nSize; ++k) {
        const QString path = settings.value(QStringLiteral("File%1").arg(k)).toString();
        if (!path.isEmpty() && !m_entries.contains(path)) m_entries.append(path);
    }
    settings.endGroup();
}

void CRecentFileList::Save(QSettings& settings) const {
    settings.beginGroup(kGroup);
    settings.remove(QString());
    for (int k = 0; k < m_entries.size(); ++k) {
        settings.setValue(QStringLiteral("File%1").arg(k + 1), m_entries[k]);
    }
    settings.endGroup();
}
