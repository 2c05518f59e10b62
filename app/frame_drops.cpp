// SPDX-License-Identifier: GPL-3.0-or-later
// Files dropped on the window from a file manager.
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QMimeData>
#include <QUrl>
#include <string>
#include <vector>

#include "app/main_frame.h"
#include "document/norvale_doc.h"

namespace {

// The local files among the URLs, as the file system's bytes: a file manager percent-encodes a
// name's bytes, and a name that is not UTF-8 would not survive a decoding into text.
std::vector<std::string> LocalFiles(const QMimeData* data) {
    std::vector<std::string> paths;
    if (data == nullptr) return paths;
    for (const QUrl& url : data->urls()) {
        if (!url.isLocalFile()) continue;
        QByteArray path = QByteArray::fromPercentEncoding(url.path(QUrl::FullyEncoded).toLatin1());
        // A host names a share, as QUrl::toLocalFile reads it.
        if (!url.host().isEmpty()) path.prepend("//" + url.host(QUrl::FullyEncoded).toLatin1());
        if (!path.isEmpty()) paths.push_back(path.toStdString());
    }
    return paths;
}

}  // namespace

void CMainFrame::dragEnterEvent(QDragEnterEvent* event) {
    if (!m_doc.IsBusy() && !LocalFiles(event->mimeData()).empty()) event->acceptProposedAction();
}

void CMainFrame::dropEvent(QDropEvent* event) {
    const std::vector<std::string> paths = LocalFiles(event->mimeData());
    if (paths.empty() || m_doc.IsBusy()) return;
    event->acceptProposedAction();
    m_doc.OpenFiles(paths);
    UpdateCommandUI();
}
