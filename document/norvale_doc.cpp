// SPDX-License-Identifier: GPL-3.0-or-later
#include "document/norvale_doc.h"

#include <QCoreApplication>
#include <algorithm>

#include "document/commands/axis_commands.h"
#include "document/commands/cursor_commands.h"
#include "document/commands/line_commands.h"
#include "model/edge_detect.h"
#include "picture/picture_prefetch.h"

CNorvaleDoc::CNorvaleDoc(CUiServices& ui)
    : m_ui(ui),
      m_picture(std::make_unique<CPicture>(CPicture::FileBytes::Release,
                                           CPicture::DisplayCopy::AtLoad)) {}

CNorvaleDoc::~CNorvaleDoc() {
    DeleteContents();
}

// --- Framework operations ----------------------------------------------------------------------

void CNorvaleDoc::DeleteContents() {
    m_picture->Clear();
    m_openFailure = {};
    m_picturePath.reset();
    m_pictureFrame = -1;
    m_pictureRecord = nullptr;
    m_pictureStamp.reset();
    // The pictures ahead were for a list that is gone.
    if (m_prefetch) m_prefetch->Drop();
}

bool CNorvaleDoc::OnNewDocument() {
    DeleteContents();
    m_strPathName.clear();
    return true;
}

bool CNorvaleDoc::OnOpenDocument(const QString& path) {
    return OpenSession(path);
}

// --- Views -------------------------------------------------------------------------------------

void CNorvaleDoc::AddView(IDocView* view) {
    if (view != nullptr && std::find(m_views.begin(), m_views.end(), view) == m_views.end()) {
        m_views.push_back(view);
    }
}

void CNorvaleDoc::RemoveView(IDocView* view) {
    std::erase(m_views, view);
}

IDataPanel* CNorvaleDoc::GetDataView() const {
    for (IDocView* view : m_views) {
        if (auto* panel = dynamic_cast<IDataPanel*>(view)) return panel;
    }
    return nullptr;
}

IImageView* CNorvaleDoc::GetImageView() const {
    for (IDocView* view : m_views) {
        if (auto* image = dynamic_cast<IImageView*>(view)) return image;
    }
    return nullptr;
}

void CNorvaleDoc::UpdateAllViews() {
    // A view may detach itself while it updates; walk a copy.
    const std::vector<IDocView*> views = m_views;
    for (IDocView* view : views) view->OnUpdate();
}

void CNorvaleDoc::NotifyMeasured() {
    const std::vector<IDocView*> views = m_views;
    for (IDocView* view : views) view->OnMeasured();
}

void CNorvaleDoc::InvalidateImageView() {
    IImageView* view = GetImageView();
    if (!m_picture->IsNull() && view != nullptr) view->InvalidateNoErase();
}

void CNorvaleDoc::RepaintDataView() {
    // The views that follow the profile ask for their paint first: the panel's paint below is
    // synchronous, and a paint asked for just after one may be lost until the next event.
    const std::vector<IDocView*> views = m_views;
    for (IDocView* view : views) view->OnProfileChanged();
    if (IDataPanel* panel = GetDataView()) panel->RepaintNow();
}

// --- Options -----------------------------------------------------------------------------------

PanelOptions CNorvaleDoc::Options() const {
    IDataPanel* panel = GetDataView();
    return panel != nullptr ? panel->ReadOptions() : m_options;
}

void CNorvaleDoc::SetOptions(const PanelOptions& options) {
    if (IDataPanel* panel = GetDataView()) {
        panel->WriteOptions(options);
    } else {
        m_options = options;
    }
}

int CNorvaleDoc::GetChannel() const {
    return Options().channel;
}
int CNorvaleDoc::GetEdgeMode() const {
    return Options().edgeMode;
}
bool CNorvaleDoc::IsAutoDetect() const {
    return Options().autoDetect;
}
bool CNorvaleDoc::IsAxisIndividual() const {
    return Options().axisIndividual;
}

// --- Images ------------------------------------------------------------------------------------

void CNorvaleDoc::AddImageFile(const std::string& title, const std::string& path) {
    m_profile.AddImage(title, path);
}

// --- Profile buffer and scan lines --------------------------------------------------------------

int CNorvaleDoc::GetBrightness(int nIndex) const {
    return ::GetBrightness(m_buffer, nIndex, GetChannel());
}

CScan* CNorvaleDoc::GetCurLine() const {
    if (m_nCurLine < 0 || m_nCurImage < 0) return nullptr;
    return m_profile.GetLine(m_nCurImage, m_nCurArray, m_nCurLine);
}

int CNorvaleDoc::GetLastLineIndex() const {
    const CScanArray* lines = m_profile.GetArray(m_nCurImage, m_nCurArray);
    return lines != nullptr ? lines->GetSize() - 1 : -1;
}

bool CNorvaleDoc::AddLineToAll(int x1, int y1, int x2, int y2) {
    return AddLine(x1, y1, x2, y2, false);
}

bool CNorvaleDoc::DrawLine(int x1, int y1, int x2, int y2) {
    return AddLine(x1, y1, x2, y2, true);
}

bool CNorvaleDoc::AddLine(int x1, int y1, int x2, int y2, bool makeCurrent) {
    if (IsBusy()) return false;
    // Without images there is nothing to add the line to: no step.
    if (m_profile.GetSize() == 0) return true;
    const PanelOptions options = Options();
    // Lines drawn while the panel offers a caliper rule take it as their own; when the list of
    // rules is full (number 0) they follow the plain rule.
    const std::uint16_t rule =
        options.newLineRule ? m_profile.RuleNumber(*options.newLineRule) : std::uint16_t{0};
    return Push(std::make_unique<CAddLineCommand>(*this, CPoint{x1, y1}, CPoint{x2, y2},
                                                  options.autoDetect, makeCurrent, rule));
}

bool CNorvaleDoc::ReshapeCurLine(int x1, int y1, int x2, int y2) {
    if (IsBusy() || m_nCurLine < 0 || m_profile.m_arSeries.empty()) return false;
    // Every record must have the line, or none changes.
    for (const auto& series : m_profile.m_arSeries) {
        if (series->GetLine(0, m_nCurLine) == nullptr) return false;
    }
    return Push(
        std::make_unique<CReshapeLineCommand>(*this, m_nCurLine, CPoint{x1, y1}, CPoint{x2, y2}));
}

void CNorvaleDoc::DeleteCurLine() {
    if (IsBusy() || m_nCurLine < 0) return;
    const bool everywhere = !m_profile.m_arSeries.empty() &&
                            std::all_of(m_profile.m_arSeries.begin(), m_profile.m_arSeries.end(),
                                        [this](const auto& series) {
                                            return series->GetLine(0, m_nCurLine) != nullptr;
                                        });
    if (everywhere) {
        Push(std::make_unique<CDeleteLineCommand>(*this, m_nCurLine));
    } else {
        // No such line: nothing to delete, but the current index comes back into range.
        if (m_nCurLine > GetLastLineIndex()) m_nCurLine = GetLastLineIndex();
        const CScan* line = GetCurLine();
        m_buffer.m_nLastSample = line != nullptr ? line->m_nCount : -1;
    }
    RepaintDataView();
}

void CNorvaleDoc::RedetectCurLine() {
    IImageView* view = GetImageView();
    if (IsBusy() || m_nCurLine < 0 || view == nullptr) return;
    const CScan* line = GetCurLine();
    if (line == nullptr) {
        view->RedetectCurLine();
        return;
    }
    const DocCursor before = GetCursor();
    const LineCursor old = CLineCursorCommand::Of(*line);
    const int image = m_nCurImage;
    const int n = m_nCurLine;
    view->RedetectCurLine();
    // The view detects on the line it finds current; record what became of it.
    const CScan* after = m_profile.GetLine(image, 0, n);
    if (after == nullptr || CLineCursorCommand::Of(*after) == old) return;
    Push(std::make_unique<CRedetectCommand>(*this, before, image, n, old,
                                            CLineCursorCommand::Of(*after)));
}

PixelView CNorvaleDoc::CurrentPixels() const {
    return m_picture->View();
}

void CNorvaleDoc::SampleLine(int x1, int y1, int x2, int y2) {
    ::SampleLine(CurrentPixels(), x1, y1, x2, y2, m_buffer, Options().edge.lineWidth);
}

bool CNorvaleDoc::SampleCurLine() {
    const CScan* line = GetCurLine();
    if (line == nullptr || m_picture->IsNull()) return false;
    SampleScan(CurrentPixels(), *line, m_buffer, Options().edge.lineWidth);
    return true;
}

bool CNorvaleDoc::DetectEdge(int n) {
    const PanelOptions options = Options();
    return ::DetectEdge(m_profile, m_nCurImage, m_nCurArray, n, CurrentPixels(), options.channel,
                        options.edgeMode, m_buffer, options.edge);
}

int CNorvaleDoc::DetectPending() {
    const CScanArray* lines = m_profile.GetArray(m_nCurImage, m_nCurArray);
    if (lines == nullptr || m_picture->IsNull()) return 0;
    // Most paints find every line settled; only then is the panel asked for its rule, and once.
    const bool pending = std::any_of(lines->m_arLine.begin(), lines->m_arLine.end(),
                                     [](const auto& line) { return line->m_bDetect; });
    if (!pending) return 0;
    const PanelOptions options = Options();
    const int detected = ::DetectPending(m_profile, m_nCurImage, m_nCurArray, CurrentPixels(),
                                         options.channel, options.edgeMode, m_buffer, options.edge);
    if (detected > 0) NotifyMeasured();
    return detected;
}

// --- Calibration -------------------------------------------------------------------------------

bool CNorvaleDoc::EditCalibration(const QString& name, const AxisEdit& edit) {
    if (IsBusy()) return false;
    int first = 0;
    int count = m_profile.GetSize();
    if (IsAxisIndividual()) {
        if (m_profile.GetAxis(m_nCurImage) == nullptr) return false;
        first = m_nCurImage;
        count = 1;
    }
    if (count == 0) return false;
    auto command = std::make_unique<CCalibrationCommand>(*this, name, first, count, edit);
    if (!command->ChangesAnything()) return false;
    if (!Push(std::move(command))) return false;
    if (IImageView* view = GetImageView()) view->OnCalibrationChanged();
    return true;
}

void CNorvaleDoc::SetAxisPixel(int nPoint, int x, int y) {
    AxisEdit edit;
    const int n = nPoint == 0 ? 0 : (nPoint == 1 ? 1 : 2);
    edit.pixel[n] = CPoint{x, y};
    static const char* const kNames[] = {QT_TRANSLATE_NOOP("Document", "原点の設定"),
                                         QT_TRANSLATE_NOOP("Document", "X軸点の設定"),
                                         QT_TRANSLATE_NOOP("Document", "Y軸点の設定")};
    EditCalibration(QCoreApplication::translate("Document", kNames[n]), edit);
}

void CNorvaleDoc::SetAxisValue(int nPoint, double xv, double yv) {
    AxisEdit edit;
    edit.value[nPoint == 0 ? 0 : (nPoint == 1 ? 1 : 2)] = AxisValue{xv, yv};
    EditCalibration(QCoreApplication::translate("Document", "軸の値の設定"), edit);
}

void CNorvaleDoc::SetAxisLog(int nAxis, bool bLog) {
    AxisEdit edit;
    (nAxis == 1 ? edit.logX : edit.logY) = bLog;
    EditCalibration(QCoreApplication::translate("Document", "軸の値の設定"), edit);
}
