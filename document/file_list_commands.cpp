// The file-list commands: add, delete, delete all, sort, move up and move down.
#include <QStringList>

#include "document/norvale_doc.h"

void CNorvaleDoc::OnAddFiles() {
    OpenFilesRequest request;
    // The list shows what users expect; the patterns also take upper-case names and .jpeg.
    request.filters = {
        {QStringLiteral("画像ファイル(*.bmp;*.jpg;*,gif)"),
         {"*.bmp", "*.jpg", "*.jpeg", "*.gif", "*.BMP", "*.JPG", "*.JPEG", "*.GIF"}},
        {QStringLiteral("すべてのファイル(*.*)"), {"*"}},
    };
    request.defaultSuffix = QStringLiteral("bmp");
    const int oldCount = m_profile.GetSize();
    const QStringList paths = m_ui.GetOpenFileNames(request);
    for (const QString& path : paths) {
        const std::string utf8 = path.toStdString();
        AddImageFile(ExtractTitle(utf8), utf8);
    }
    if (oldCount <= m_profile.GetSize() - 1) OpenImage(oldCount);
    UpdateAllViews();
}

void CNorvaleDoc::OnDeleteFile() {
    const int n = m_profile.GetSize();
    if (n == 0) return;
    if (!m_ui.AskYesNo(QStringLiteral("現在のファイルを削除しますか"))) return;
    DeleteContents();
    if (m_nCurImage >= 0) {
        m_profile.RemoveImage(m_nCurImage);
        if (n == 1) {
            m_nCurImage = -1;
            m_nCurArray = 0;
            m_nCurLine = -1;
            m_buffer.m_nLastSample = -1;
        } else if (m_nCurImage == n - 1) {
            --m_nCurImage;
            const CScan* line = GetCurLine();
            m_buffer.m_nLastSample = line != nullptr ? line->m_nCount : -1;
        }
    }
    OpenImage(m_nCurImage);
    UpdateAllViews();
    InvalidateImageView();
    RepaintDataView();
}

void CNorvaleDoc::OnDeleteAll() {
    if (m_profile.GetSize() == 0) return;
    if (!m_ui.AskYesNo(QStringLiteral("全てのファイルを削除しますか"))) return;
    DeleteContents();
    m_profile.RemoveAll();
    m_nCurImage = -1;
    m_nCurLine = -1;
    m_nCurArray = 0;
    m_buffer.m_nLastSample = -1;
    UpdateAllViews();
    RepaintDataView();
}

void CNorvaleDoc::OnSortFiles() {
    // The current file stays current: follow its record to its new place.
    const CScanSeries* current = m_profile.GetSeries(m_nCurImage);
    m_profile.SortByTitle();
    if (current != nullptr) {
        for (int i = 0; i < m_profile.GetSize(); ++i) {
            if (m_profile.GetSeries(i) == current) m_nCurImage = i;
        }
    }
    UpdateAllViews();
    RepaintDataView();
}

void CNorvaleDoc::OnMoveUp() {
    if (!m_profile.MoveImage(m_nCurImage, -1)) return;
    --m_nCurImage;
    UpdateAllViews();
    RepaintDataView();
}

void CNorvaleDoc::OnMoveDown() {
    if (!m_profile.MoveImage(m_nCurImage, 1)) return;
    ++m_nCurImage;
    UpdateAllViews();
    RepaintDataView();
}
