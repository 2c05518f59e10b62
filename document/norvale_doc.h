#pragma once

#include <QString>
#include <string>
#include <vector>

#include "document/doc_views.h"
#include "document/picture.h"
#include "document/ui_services.h"
#include "model/data_profile.h"
#include "model/sampling.h"

inline constexpr int HIT_NONE = -1;
inline constexpr int HIT_START = 0;
inline constexpr int HIT_END = 1;
inline constexpr int HIT_LINE = 2;
inline constexpr int HIT_ORIGIN = 3;
inline constexpr int HIT_XAXIS = 4;
inline constexpr int HIT_YAXIS = 5;
inline constexpr int kHitRadius = 5;

// The one document: the image list with every image's lines, cursors and calibration, the
// picture of the current image, the profile buffer and the current indices. Dialogs go through
// CUiServices and the views through the interfaces of doc_views.h, so the document has no
// widgets of its own.
class CNorvaleDoc : public ICmdTarget {
public:
    explicit CNorvaleDoc(CUiServices& ui);
    CNorvaleDoc(const CNorvaleDoc&) = delete;
    CNorvaleDoc& operator=(const CNorvaleDoc&) = delete;
    ~CNorvaleDoc() override;

    // --- State -----------------------------------------------------------------------------
    CDataProfile m_profile;
    ProfileBuffer m_buffer;  // m_nRed, m_nGreen, m_nBlue, m_nLastSample
    int m_nCurLine = -1;
    int m_nCurArray = 0;
    int m_nCurImage = -1;
    bool m_bMeasureLength = false;
    bool m_bMeasureArea = false;

    // --- Framework operations ----------------------------------------------------------------
    void DeleteContents();
    bool OnNewDocument();
    // Accepts a path (the command line, a recent file) and loads nothing: images enter the list
    // only through the add command.
    bool OnOpenDocument(const QString& path);
    const QString& GetPathName() const { return m_strPathName; }
    void SetPathName(const QString& path) { m_strPathName = path; }

    // --- Views -------------------------------------------------------------------------------
    void AddView(IDocView* view);
    void RemoveView(IDocView* view);
    IDataPanel* GetDataView() const;
    IImageView* GetImageView() const;
    void UpdateAllViews();
    void InvalidateImageView();
    void RepaintDataView();

    // --- Options of the side panel, read afresh on every call ----------------------------------
    int GetChannel() const;
    int GetEdgeMode() const;
    bool IsAutoDetect() const;
    bool IsAxisIndividual() const;
    // All four at once, read afresh.
    PanelOptions Options() const;
    // The side panel's controls take the options; without a panel the document keeps them.
    void SetOptions(const PanelOptions& options);

    // --- Images --------------------------------------------------------------------------------
    // Makes the image current. A file that cannot be opened or decoded becomes current all the
    // same, without a picture, so that the list commands reach it; the user is told why.
    void OpenImage(int nIndex);
    // The current picture, or null when none is loaded.
    const CPicture* GetPictureBitmap() const;
    // Why the current image has no picture, when its file could not be opened or decoded.
    struct OpenFailure {
        std::string path;
        QString reason;
    };
    const OpenFailure* GetOpenFailure() const {
        return m_openFailure.path.empty() ? nullptr : &m_openFailure;
    }
    void AddImageFile(const std::string& title, const std::string& path);
    static std::string ExtractTitle(const std::string& path);

    // --- Profile buffer, scan lines ------------------------------------------------------------
    int GetBrightness(int nIndex) const;
    CScan* GetCurLine() const;
    int GetLastLineIndex() const;
    // False, changing nothing, while a long operation runs.
    bool AddLineToAll(int x1, int y1, int x2, int y2);
    // The current line takes new end points on every image; false when there is none, or while
    // a long operation runs.
    bool ReshapeCurLine(int x1, int y1, int x2, int y2);
    void DeleteCurLine();
    void RedetectCurLine();

    // Measurement on the current picture, for the image view.
    void SampleLine(int x1, int y1, int x2, int y2);
    bool SampleCurLine();
    bool DetectEdge(int n);
    // Detects the current image's pending lines; returns how many were detected.
    int DetectPending();

    // --- Calibration (scope: the current image alone, or every image) --------------------------
    void SetAxisPixel(int nPoint, int x, int y);
    void SetAxisValue(int nPoint, double xv, double yv);
    void SetAxisLog(int nAxis, bool bLog);

    // --- Commands ------------------------------------------------------------------------------
    bool HandlesCommand(int id) const override;
    // Runs the handler of a command id; false when the document has none for it.
    bool OnCmdMsg(int id) override;
    // Fills in the enabled and checked state of a command; false when the document has no
    // update handler for it.
    bool OnUpdateCmdUI(int id, CCmdUI& cmdUI) const override;

    void OnAddFiles();
    void OnDeleteFile();
    void OnDeleteAll();
    void OnSortFiles();
    void OnMoveUp();
    void OnMoveDown();

    void OnPickOrigin();
    void OnPickXAxis();
    void OnPickYAxis();
    void OnZoom1();
    void OnZoom2();
    void OnZoom4();
    void OnMeasureLength();
    void OnMeasureArea();
    void OnCursorNext();
    void OnCursorPrev();
    void OnPrevImage();
    void OnNextImage();
    void OnAxisSettings();
    void OnDataWrite();

    void OnUpdateNeedPicture(CCmdUI& cmdUI) const;
    void OnUpdateZoom(CCmdUI& cmdUI, int zoom) const;
    void OnUpdateMeasureLength(CCmdUI& cmdUI) const;
    void OnUpdateMeasureArea(CCmdUI& cmdUI) const;

    // What lies under an image point: a part of a scan line (which then becomes current) or a
    // calibration point of the current image.
    int HitTest(int x, int y);

    // How many threads detect pending lines before an export; 0 means one per core.
    void SetDetectionJobs(int jobs) { m_nDetectionJobs = jobs; }

    // True while a long operation (the export's detection) works on the records. Its progress
    // lets the window run, so everything that would change the records, the list or the
    // current indices refuses to run until it is over.
    bool IsBusy() const { return m_nBusy > 0; }

private:
    class BusyScope {
    public:
        explicit BusyScope(CNorvaleDoc& doc) : m_doc(doc) { ++m_doc.m_nBusy; }
        ~BusyScope() { --m_doc.m_nBusy; }
        BusyScope(const BusyScope&) = delete;
        BusyScope& operator=(const BusyScope&) = delete;

    private:
        CNorvaleDoc& m_doc;
    };

    std::vector<CDataAxis*> AxesInScope() const;
    PixelView CurrentPixels() const;
    bool DetectAllPending();

    CUiServices& m_ui;
    CPicture m_picture;
    std::vector<IDocView*> m_views;
    QString m_strPathName;
    OpenFailure m_openFailure;
    PanelOptions m_options;  // the options while no panel is attached
    int m_nDetectionJobs = 0;
    int m_nBusy = 0;
};
