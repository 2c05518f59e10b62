#include "document/session_document.h"

#include "document/session_records.h"

Session CaptureSession(const CNorvaleDoc& doc) {
    Session session;
    CaptureSessionRecords(doc.m_profile, session);
    const PanelOptions options = doc.Options();
    session.channel = options.channel;
    session.edgeMode = options.edgeMode;
    session.autoDetect = options.autoDetect;
    session.axisPerImage = options.axisIndividual;
    session.measureLength = doc.m_bMeasureLength;
    session.measureArea = doc.m_bMeasureArea;

    const auto index = [](int i, std::size_t count) {
        return i >= 0 && static_cast<std::size_t>(i) < count ? i : -1;
    };
    session.view.image = index(doc.m_nCurImage, session.images.size());
    session.view.line = index(doc.m_nCurLine, session.lines.size());
    const IImageView* view = doc.GetImageView();
    const int zoom = view != nullptr ? view->GetZoom() : 1;
    session.view.zoom = zoom == 2 || zoom == 4 ? zoom : 1;
    return session;
}

bool ApplySession(CNorvaleDoc& doc, const Session& session) {
    if (doc.IsBusy()) return false;
    // Built aside first: when memory runs out, the document keeps its work.
    CDataProfile records;
    BuildSessionRecords(session, records);

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
    doc.SetOptions({session.channel, session.edgeMode, session.autoDetect, session.axisPerImage});
    if (IImageView* view = doc.GetImageView()) view->SetZoom(session.view.zoom);
    doc.UpdateAllViews();
    return true;
}
