// SPDX-License-Identifier: GPL-3.0-or-later
// The current picture: opening an image, and the prefetch of its neighbours in the list.
#include <QCoreApplication>
#include <QDir>
#include <algorithm>
#include <array>

#include "document/norvale_doc.h"
#include "picture/picture_prefetch.h"

void CNorvaleDoc::OpenImage(int nIndex, bool bReport) {
    if (IsBusy()) return;
    const CScanSeries* series = m_profile.GetSeries(nIndex);
    if (series == nullptr) return;
    const std::string& bytes = series->m_strPath;
    const QString path = QString::fromStdString(bytes);

    const CPicture::LoadResult result = LoadPicture(*series);
    m_nCurImage = nIndex;
    // The worker starts on the next picture while this one is measured and painted.
    RetargetPrefetch();
    if (result.status == CPicture::LoadStatus::Ok) {
        m_missing.erase(series);
        UpdateAllViews();
        InvalidateImageView();
        RepaintDataView();
        return;
    }
    // The file is current without a picture: the view names it, and the graph and the view
    // show nothing of the previous picture behind the message.
    m_openFailure = {bytes, result.uiReason};
    m_missing[series] = {series->m_strPath, result.uiReason, result.problem};
    UpdateAllViews();
    RepaintDataView();
    if (!bReport) return;
    if (result.status == CPicture::LoadStatus::CannotOpen) {
        m_ui.ShowOpenFailure(path, result.uiReason);
    } else {
        m_ui.MessageBox(
            QCoreApplication::translate("Document", "ファイルを開くことができませんでした\n%1\n%2")
                .arg(QDir::toNativeSeparators(path), result.uiReason));
    }
}

CPicture::LoadResult CNorvaleDoc::LoadPicture(const CScanSeries& series) {
    const std::string& path = series.m_strPath;
    // The picture leaving the screen stays with the prefetch, for a step back. Reloading the
    // same record decodes its file again, as it always did.
    std::optional<CPicturePrefetch::Leaving> leaving;
    if (m_prefetch && m_pictureStamp && m_picturePath && !m_picture->IsNull() &&
        m_pictureRecord != &series) {
        leaving = CPicturePrefetch::Leaving{{m_pictureRecord, *m_picturePath, m_pictureFrame},
                                            *m_pictureStamp};
    }
    m_openFailure = {};
    m_picturePath = path;
    m_pictureFrame = series.m_nFrame;
    m_pictureRecord = &series;
    m_pictureStamp.reset();
    if (m_prefetch) {
        const CPicturePrefetch::Key want{&series, path, series.m_nFrame};
        m_pictureStamp = m_prefetch->Exchange(want, leaving ? &*leaving : nullptr, m_picture);
        if (m_pictureStamp) return {};
    }
    // The old picture goes before the new one is decoded, so that no more pictures than the
    // current one and those ahead ever share the memory.
    m_picture->Clear();
    if (!m_prefetch) return m_picture->Load(path, series.m_nFrame);
    // Stamped before and after: a file that changed while it was read gives a picture that
    // cannot be told to be its own later, and is not kept for a step back.
    const std::optional<FileStamp> before = StampFile(path);
    const CPicture::LoadResult result = m_picture->Load(path, series.m_nFrame);
    if (result.status == CPicture::LoadStatus::Ok && before && StampFile(path) == before) {
        m_pictureStamp = before;
    }
    return result;
}

const CPicture* CNorvaleDoc::GetPictureBitmap() const {
    return m_picture->IsNull() ? nullptr : m_picture.get();
}

void CNorvaleDoc::EnablePrefetch(bool on) {
    if (!on) {
        m_prefetch.reset();
        return;
    }
    if (!m_prefetch) m_prefetch = std::make_unique<CPicturePrefetch>();
    RetargetPrefetch();
}

void CNorvaleDoc::RetargetPrefetch() {
    if (!m_prefetch) return;
    std::vector<CPicturePrefetch::Key> targets;
    const int count = m_profile.GetSize();
    if (m_nCurImage >= 0 && m_nCurImage < count) {
        // The neighbours the Up and Down keys step to, wrapping round as they do; the one in
        // the direction of the last step first.
        const int next = (m_nCurImage + 1) % count;
        const int prev = (m_nCurImage + count - 1) % count;
        for (const int i : m_nStepDirection < 0 ? std::array{prev, next} : std::array{next, prev}) {
            if (i == m_nCurImage) continue;
            const CScanSeries* series = m_profile.GetSeries(i);
            CPicturePrefetch::Key key{series, series->m_strPath, series->m_nFrame};
            if (std::find(targets.begin(), targets.end(), key) == targets.end()) {
                targets.push_back(std::move(key));
            }
        }
    }
    m_prefetch->Retarget(targets);
}
