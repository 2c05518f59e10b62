// SPDX-License-Identifier: GPL-3.0-or-later
#include "document/session_document.h"

#include <cstdlib>
#include <new>

#include "session/session_records.h"

namespace {

// What the views take per image once the records are in (the file list's entry, mostly), and
// beside that.
constexpr std::size_t kViewBytesPerImage = 1024;
constexpr std::size_t kViewBytesBeside = std::size_t(16) << 20;

// Makes sure there is room for the views to show `images` records, throwing std::bad_alloc when
// there is not. The widgets do not survive running out of memory (Qt does not check every
// allocation), so memory must run out here, before anything changes, if it runs out at all.
// The room is asked for and given back untouched: it costs address space for a moment, never
// memory.
void CheckRoomForViews(std::size_t images) {
    void* volatile room = std::malloc(kViewBytesBeside + images * kViewBytesPerImage);
    if (room == nullptr) throw std::bad_alloc();
    std::free(room);
}

}  // namespace

CSessionSnapshot::CSessionSnapshot(const CNorvaleDoc& doc) : m_records(doc.m_profile, m_session) {
    const PanelOptions options = doc.Options();
    m_session.channel = options.channel;
    m_session.edgeMode = options.edgeMode;
    m_session.edge = options.edge;
    m_session.autoDetect = options.autoDetect;
    m_session.axisPerImage = options.axisIndividual;
    m_session.newLineRule = options.newLineRule;
    m_session.measureLength = doc.m_bMeasureLength;
    m_session.measureArea = doc.m_bMeasureArea;

    const auto index = [](int i, std::size_t count) {
        return i >= 0 && static_cast<std::size_t>(i) < count ? i : -1;
    };
    m_session.view.image = index(doc.m_nCurImage, m_session.images.size());
    m_session.view.line = index(doc.m_nCurLine, m_session.lines.size());
    const IImageView* view = doc.GetImageView();
    const double zoom = view == nullptr ? 1.0 : view->IsZoomFit() ? kZoomFitted : view->GetZoom();
    m_session.view.zoom = IsSessionZoom(zoom) ? zoom : 1.0;
}

Session CaptureSession(const CNorvaleDoc& doc) {
    CSessionSnapshot snapshot(doc);
    snapshot.Take(static_cast<std::size_t>(doc.m_profile.GetSize()));
    return std::move(snapshot.Result());
}

bool ApplySession(CNorvaleDoc& doc, const Session& session) {
    if (doc.IsBusy()) return false;
    // Built aside first: when memory runs out, the document keeps its work.
    CDataProfile records;
    BuildSessionRecords(session, records);
    CheckRoomForViews(session.images.size());

    // The picture shown belongs to the old records.
    doc.DeleteContents();
    doc.m_profile = std::move(records);
    // The steps of the old work would apply to records that are gone.
    doc.ClearUndoHistory();
    const auto index = [](int i, int count) { return i >= 0 && i < count ? i : -1; };
    const int images = doc.m_profile.GetSize();
    doc.m_nCurImage = index(session.view.image, images);
    doc.m_nCurArray = 0;
    // The lines live on the records: without an image there are none.
    doc.m_nCurLine =
        index(session.view.line, images > 0 ? doc.m_profile.GetArray(0, 0)->GetSize() : 0);
    doc.m_buffer.m_nLastSample = -1;  // nothing is sampled until the picture is open
    doc.m_bMeasureLength = session.measureLength;
    doc.m_bMeasureArea = session.measureArea;
    PanelOptions options(session.channel, session.edgeMode, session.autoDetect,
                         session.axisPerImage, session.edge);
    options.newLineRule = session.newLineRule;
    doc.SetOptions(options);
    if (IImageView* view = doc.GetImageView()) {
        // A fitted view fits the picture once it is loaded, and follows the window from then on.
        if (session.view.zoom == kZoomFitted) {
            view->SetZoomFit();
        } else {
            view->SetZoom(session.view.zoom);
        }
    }
    doc.UpdateAllViews();
    return true;
}
