#include "document/norvale_doc.h"

#include <QDir>
#include <algorithm>

#include "model/edge_detect.h"

CNorvaleDoc::CNorvaleDoc(CUiServices& ui) : m_ui(ui) {}

CNorvaleDoc::~CNorvaleDoc() {
    DeleteContents();
}

// --- Framework operations ----------------------------------------------------------------------

void CNorvaleDoc::DeleteContents() {
    m_picture.Clear();
    m_openFailure = {};
}

bool CNorvaleDoc::OnNewDocument() {
    DeleteContents();
    m_strPathName.clear();
    return true;
}

bool CNorvaleDoc::OnOpenDocument(const QString& /*path*/) {
    return true;
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

void CNorvaleDoc::InvalidateImageView() {
    IImageView* view = GetImageView();
    if (!m_picture.IsNull() && view != nullptr) view->InvalidateNoErase();
}

void CNorvaleDoc::RepaintDataView() {
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

void CNorvaleDoc::OpenImage(int nIndex) {
    if (IsBusy()) return;
    const CScanSeries* series = m_profile.GetSeries(nIndex);
    if (series == nullptr) return;
    const std::string& bytes = series->m_strPath;
    const QString path = QString::fromStdString(bytes);

    // The old picture goes before the new one is decoded, so two large pictures never share
    // the memory.
    DeleteContents();
    const CPicture::LoadResult result = m_picture.Load(bytes);
    m_nCurImage = nIndex;
    if (result.status == CPicture::LoadStatus::Ok) {
        UpdateAllViews();
        InvalidateImageView();
        RepaintDataView();
        return;
    }
    // The file is current without a picture: the view names it, and the graph and the view
    // show nothing of the previous picture behind the message.
    m_openFailure = {bytes, result.uiReason};
    UpdateAllViews();
    RepaintDataView();
    if (result.status == CPicture::LoadStatus::CannotOpen) {
        m_ui.ShowOpenFailure(path, result.uiReason);
    } else {
        m_ui.MessageBox(QStringLiteral("ファイルを開くことができませんでした\n%1\n%2")
                            .arg(QDir::toNativeSeparators(path), result.uiReason));
    }
}

const CPicture* CNorvaleDoc::GetPictureBitmap() const {
    return m_picture.IsNull() ? nullptr : &m_picture;
}

void CNorvaleDoc::AddImageFile(const std::string& title, const std::string& path) {
    m_profile.AddImage(title, path);
}

std::string CNorvaleDoc::ExtractTitle(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
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
    if (IsBusy()) return false;
    const bool detect = IsAutoDetect();
    for (auto& series : m_profile.m_arSeries) {
        series->AddLine(m_nCurArray, x1, y1, x2, y2);
        // Every record holds the same lines, so the new one is the last everywhere. (Counting
        // from the current image would name line 0 while no image is current.)
        CScanArray* lines = series->GetAt(m_nCurArray);
        lines->GetAt(lines->GetSize() - 1)->m_bDetect = detect;
    }
    return true;
}

bool CNorvaleDoc::ReshapeCurLine(int x1, int y1, int x2, int y2) {
    if (IsBusy() || m_nCurLine < 0) return false;
    return m_profile.ReshapeLine(m_nCurLine, x1, y1, x2, y2);
}

void CNorvaleDoc::DeleteCurLine() {
    if (IsBusy() || m_nCurLine < 0) return;
    m_profile.RemoveLine(m_nCurLine);
    if (m_nCurLine > GetLastLineIndex()) m_nCurLine = GetLastLineIndex();
    const CScan* line = GetCurLine();
    m_buffer.m_nLastSample = line != nullptr ? line->m_nCount : -1;
    RepaintDataView();
}

void CNorvaleDoc::RedetectCurLine() {
    IImageView* view = GetImageView();
    if (IsBusy() || m_nCurLine < 0 || view == nullptr) return;
    view->RedetectCurLine();
}

PixelView CNorvaleDoc::CurrentPixels() const {
    return m_picture.View();
}

void CNorvaleDoc::SampleLine(int x1, int y1, int x2, int y2) {
    ::SampleLine(CurrentPixels(), x1, y1, x2, y2, m_buffer);
}

bool CNorvaleDoc::SampleCurLine() {
    const CScan* line = GetCurLine();
    if (line == nullptr || m_picture.IsNull()) return false;
    SampleScan(CurrentPixels(), *line, m_buffer);
    return true;
}

bool CNorvaleDoc::DetectEdge(int n) {
    return ::DetectEdge(m_profile, m_nCurImage, m_nCurArray, n, CurrentPixels(), GetChannel(),
                        GetEdgeMode(), m_buffer);
}

int CNorvaleDoc::DetectPending() {
    const CScanArray* lines = m_profile.GetArray(m_nCurImage, m_nCurArray);
    if (lines == nullptr || m_picture.IsNull()) return 0;
    // Most paints find every line settled; only then is the panel asked for its rule, and once.
    const bool pending = std::any_of(lines->m_arLine.begin(), lines->m_arLine.end(),
                                     [](const auto& line) { return line->m_bDetect; });
    if (!pending) return 0;
    const PanelOptions options = Options();
    return ::DetectPending(m_profile, m_nCurImage, m_nCurArray, CurrentPixels(), options.channel,
                           options.edgeMode, m_buffer);
}

// --- Calibration -------------------------------------------------------------------------------

std::vector<CDataAxis*> CNorvaleDoc::AxesInScope() const {
    if (IsBusy()) return {};
    if (IsAxisIndividual()) {
        CDataAxis* axis = m_profile.GetAxis(m_nCurImage);
        return axis != nullptr ? std::vector<CDataAxis*>{axis} : std::vector<CDataAxis*>{};
    }
    std::vector<CDataAxis*> axes;
    for (const auto& axis : m_profile.m_arAxis) axes.push_back(axis.get());
    return axes;
}

namespace {
CData& PointOf(CDataAxis& axis, int nPoint) {
    if (nPoint == 0) return axis.m_origin;
    if (nPoint == 1) return axis.m_xAxis;
    return axis.m_yAxis;
}
}  // namespace

void CNorvaleDoc::SetAxisPixel(int nPoint, int x, int y) {
    for (CDataAxis* axis : AxesInScope()) {
        PointOf(*axis, nPoint).m_xPixel = x;
        PointOf(*axis, nPoint).m_yPixel = y;
    }
}

void CNorvaleDoc::SetAxisValue(int nPoint, double xv, double yv) {
    for (CDataAxis* axis : AxesInScope()) {
        PointOf(*axis, nPoint).m_xValue = xv;
        PointOf(*axis, nPoint).m_yValue = yv;
    }
}

void CNorvaleDoc::SetAxisLog(int nAxis, bool bLog) {
    for (CDataAxis* axis : AxesInScope()) (nAxis == 1 ? axis->m_bLogX : axis->m_bLogY) = bLog;
}
