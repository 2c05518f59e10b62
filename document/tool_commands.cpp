// SPDX-License-Identifier: GPL-3.0-or-later
// Tool commands (pick modes, zoom, measurement switches, arrow keys), their update handlers, the
// hit test, and the document's command table.
#include <utility>

#include "document/command_ids.h"
#include "document/commands/cursor_commands.h"
#include "document/commands/setting_commands.h"
#include "document/norvale_doc.h"
#include "model/hit_geometry.h"

void CNorvaleDoc::OnPickOrigin() {
    if (IImageView* view = GetImageView()) view->SetPickMode(PICK_ORIGIN);
}

void CNorvaleDoc::OnPickXAxis() {
    if (IImageView* view = GetImageView()) view->SetPickMode(PICK_XAXIS);
}

void CNorvaleDoc::OnPickYAxis() {
    if (IImageView* view = GetImageView()) view->SetPickMode(PICK_YAXIS);
}

void CNorvaleDoc::OnZoom1() {
    if (IImageView* view = GetImageView()) view->SetZoom(1);
}

void CNorvaleDoc::OnZoom2() {
    if (IImageView* view = GetImageView()) view->SetZoom(2);
}

void CNorvaleDoc::OnZoom4() {
    if (IImageView* view = GetImageView()) view->SetZoom(4);
}

void CNorvaleDoc::OnZoomHalf() {
    if (IImageView* view = GetImageView()) view->SetZoom(0.5);
}

void CNorvaleDoc::OnZoomQuarter() {
    if (IImageView* view = GetImageView()) view->SetZoom(0.25);
}

void CNorvaleDoc::OnZoomFit() {
    if (IImageView* view = GetImageView()) view->SetZoomFit();
}

void CNorvaleDoc::OnMeasureLength() {
    Push(std::make_unique<CMeasureSwitchCommand>(*this, false));
    UpdateAllViews();
}

void CNorvaleDoc::OnMeasureArea() {
    Push(std::make_unique<CMeasureSwitchCommand>(*this, true));
    UpdateAllViews();
}

void CNorvaleDoc::OnCursorNext() {
    NudgeCurLine(true);
}

void CNorvaleDoc::OnCursorPrev() {
    NudgeCurLine(false);
}

void CNorvaleDoc::NudgeCurLine(bool forward) {
    // An image without a picture shows no cursor to move.
    CScan* line = GetCurLine();
    if (IsBusy() || line == nullptr || m_picture->IsNull()) return;
    const DocCursor cursor = GetCursor();
    const LineCursor old = CLineCursorCommand::Of(*line);
    if (forward) {
        line->Next();
    } else {
        line->Prev();
    }
    line->m_origin = CursorOrigin::Placed;
    // Done already; the step records it, and merges with the steps before it on this line.
    const LineCursor now = CLineCursorCommand::Of(*line);
    if (!(now == old)) {
        Push(std::make_unique<CNudgeCommand>(*this, cursor, m_nCurImage, m_nCurLine, old, now));
    }
    RepaintDataView();
    InvalidateImageView();
}

void CNorvaleDoc::OnPrevImage() {
    const int count = m_profile.GetSize();
    if (count < 2) return;
    int i = m_nCurImage - 1;
    if (i < 0) i = count - 1;
    m_nStepDirection = -1;
    OpenImage(i);
    UpdateAllViews();
}

void CNorvaleDoc::OnNextImage() {
    const int count = m_profile.GetSize();
    if (count < 2) return;
    int i = m_nCurImage + 1;
    if (i > count - 1) i = 0;
    m_nStepDirection = 1;
    OpenImage(i);
    UpdateAllViews();
}

void CNorvaleDoc::OnUpdateNeedPicture(CCmdUI& cmdUI) const {
    if (m_picture->IsNull()) cmdUI.Enable(false);
}

void CNorvaleDoc::OnUpdateZoom(CCmdUI& cmdUI, double zoom) const {
    if (m_picture->IsNull()) cmdUI.Enable(false);
    const IImageView* view = GetImageView();
    const bool fit = view != nullptr && view->IsZoomFit();
    // Fitting checks its own item only, even when the fitting scale happens to be a step.
    if (zoom == 0.0) {
        cmdUI.SetCheck(fit);
    } else {
        cmdUI.SetCheck(!fit && (view != nullptr ? view->GetZoom() : 1.0) == zoom);
    }
}

void CNorvaleDoc::OnUpdateMeasureLength(CCmdUI& cmdUI) const {
    if (m_picture->IsNull()) cmdUI.Enable(false);
    cmdUI.SetCheck(m_bMeasureLength);
}

void CNorvaleDoc::OnUpdateMeasureArea(CCmdUI& cmdUI) const {
    if (m_picture->IsNull()) cmdUI.Enable(false);
    cmdUI.SetCheck(m_bMeasureArea);
}

int CNorvaleDoc::HitTest(int x, int y, int radius) {
    const CPoint p{x, y};
    if (const CScanArray* lines = m_profile.GetArray(m_nCurImage, m_nCurArray)) {
        for (int i = 0; i < lines->GetSize(); ++i) {
            const CScan& line = *lines->GetAt(i);
            int hit = HIT_NONE;
            if (PointInCircle(line.m_ptStart, radius, p)) {
                hit = HIT_START;
            } else if (PointInCircle(line.m_ptEnd, radius, p)) {
                hit = HIT_END;
            } else if (PointInPolygon(LineBand(line.m_ptStart, line.m_ptEnd, radius), p)) {
                hit = HIT_LINE;
            }
            if (hit != HIT_NONE) {
                m_nCurLine = i;
                return hit;
            }
        }
    }
    const CDataAxis* axis = m_profile.GetAxis(m_nCurImage);
    if (axis == nullptr) return HIT_NONE;
    const auto near = [&](const CData& point) {
        return PointInCircle({point.m_xPixel, point.m_yPixel}, radius, p);
    };
    if (near(axis->m_origin)) return HIT_ORIGIN;
    if (near(axis->m_xAxis)) return HIT_XAXIS;
    if (near(axis->m_yAxis)) return HIT_YAXIS;
    return HIT_NONE;
}

namespace {

using Handler = void (CNorvaleDoc::*)();

// The document's command table: every command it serves, with its handler.
constexpr std::pair<int, Handler> kCommands[] = {
    {ID_AXIS_SETTINGS, &CNorvaleDoc::OnAxisSettings},
    {ID_DATA_WRITE, &CNorvaleDoc::OnDataWrite},
    {ID_DATA_WRITE_CSV, &CNorvaleDoc::OnDataWriteCsv},
    {ID_PROFILE_WRITE, &CNorvaleDoc::OnProfileWrite},
    {ID_REDETECT_ALL, &CNorvaleDoc::OnRedetectAll},
    {ID_LINE_RULE, &CNorvaleDoc::OnLineRule},
    {IDC_ADD_FILES, &CNorvaleDoc::OnAddFiles},
    {ID_FILE_OPEN, &CNorvaleDoc::OnFileOpen},
    {ID_FILE_SAVE, &CNorvaleDoc::OnFileSave},
    {ID_FILE_SAVE_AS, &CNorvaleDoc::OnFileSaveAs},
    {IDC_SORT_FILES, &CNorvaleDoc::OnSortFiles},
    {IDC_DELETE_FILE, &CNorvaleDoc::OnDeleteFile},
    {IDC_DELETE_ALL, &CNorvaleDoc::OnDeleteAll},
    {IDC_MOVE_UP, &CNorvaleDoc::OnMoveUp},
    {IDC_MOVE_DOWN, &CNorvaleDoc::OnMoveDown},
    {ID_MOVE_RIGHT, &CNorvaleDoc::OnCursorNext},
    {ID_MOVE_LEFT, &CNorvaleDoc::OnCursorPrev},
    {ID_MOVE_UP, &CNorvaleDoc::OnPrevImage},
    {ID_MOVE_DOWN, &CNorvaleDoc::OnNextImage},
    {ID_AXIS_ORIGIN, &CNorvaleDoc::OnPickOrigin},
    {ID_AXIS_XPOINT, &CNorvaleDoc::OnPickXAxis},
    {ID_AXIS_YPOINT, &CNorvaleDoc::OnPickYAxis},
    {ID_ZOOM_1X, &CNorvaleDoc::OnZoom1},
    {ID_ZOOM_2X, &CNorvaleDoc::OnZoom2},
    {ID_ZOOM_4X, &CNorvaleDoc::OnZoom4},
    {ID_ZOOM_HALF, &CNorvaleDoc::OnZoomHalf},
    {ID_ZOOM_QUARTER, &CNorvaleDoc::OnZoomQuarter},
    {ID_ZOOM_FIT, &CNorvaleDoc::OnZoomFit},
    {ID_MEASURE_LENGTH, &CNorvaleDoc::OnMeasureLength},
    {ID_MEASURE_AREA, &CNorvaleDoc::OnMeasureArea},
    {ID_EDIT_UNDO, &CNorvaleDoc::OnEditUndo},
    {ID_EDIT_REDO, &CNorvaleDoc::OnEditRedo},
};

Handler FindHandler(int id) {
    for (const auto& [commandId, handler] : kCommands) {
        if (commandId == id) return handler;
    }
    return nullptr;
}

}  // namespace

bool CNorvaleDoc::HandlesCommand(int id) const {
    return FindHandler(id) != nullptr;
}

bool CNorvaleDoc::OnCmdMsg(int id) {
    const Handler handler = FindHandler(id);
    if (handler == nullptr) return false;
    // A command that reaches the document while a long operation runs (from the window's
    // events during its progress) is taken and dropped: nothing may change under it.
    if (!IsBusy()) (this->*handler)();
    return true;
}

bool CNorvaleDoc::OnUpdateCmdUI(int id, CCmdUI& cmdUI) const {
    switch (id) {
        case ID_AXIS_SETTINGS:
        case ID_DATA_WRITE:
        case ID_DATA_WRITE_CSV:
        case ID_AXIS_ORIGIN:
        case ID_AXIS_XPOINT:
        case ID_AXIS_YPOINT:
            OnUpdateNeedPicture(cmdUI);
            return true;
        case ID_ZOOM_1X:
            OnUpdateZoom(cmdUI, 1);
            return true;
        case ID_ZOOM_2X:
            OnUpdateZoom(cmdUI, 2);
            return true;
        case ID_ZOOM_4X:
            OnUpdateZoom(cmdUI, 4);
            return true;
        case ID_ZOOM_HALF:
            OnUpdateZoom(cmdUI, 0.5);
            return true;
        case ID_ZOOM_QUARTER:
            OnUpdateZoom(cmdUI, 0.25);
            return true;
        case ID_ZOOM_FIT:
            OnUpdateZoom(cmdUI, 0.0);
            return true;
        case ID_MEASURE_LENGTH:
            OnUpdateMeasureLength(cmdUI);
            return true;
        case ID_MEASURE_AREA:
            OnUpdateMeasureArea(cmdUI);
            return true;
        case ID_EDIT_UNDO:
            OnUpdateEditUndo(cmdUI);
            return true;
        case ID_REDETECT_ALL:
            OnUpdateRedetectAll(cmdUI);
            return true;
        case ID_LINE_RULE:
            OnUpdateLineRule(cmdUI);
            return true;
        case ID_EDIT_REDO:
            OnUpdateEditRedo(cmdUI);
            return true;
        default:
            return false;
    }
}
