// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>
#include <QUndoStack>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

#include "document/doc_cursor.h"
#include "document/doc_views.h"
#include "document/ui_services.h"
#include "model/data_profile.h"
#include "model/sampling.h"
#include "picture/file_stamp.h"
#include "picture/picture.h"
#include "series/series_host.h"

struct DetectFailure;
struct DetectReport;
struct DetectSettings;

struct AxisEdit;
class CDocCommand;
class CPicturePrefetch;

// The one document: the image list with every image's lines, cursors and calibration, the
// picture of the current image, the profile buffer and the current indices. Dialogs go through
// CUiServices and the views through the interfaces of doc_views.h, so the document has no
// widgets of its own.
class CNorvaleDoc : public ICmdTarget, public CSeriesHost {
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
    // Opens the session file (the command line, a recent file); see OpenSession.
    bool OnOpenDocument(const QString& path);
    const QString& GetPathName() const { return m_strPathName; }
    void SetPathName(const QString& path) { m_strPathName = path; }

    // The dialogs and messages, for a view that asks the user something of its own.
    CUiServices& Ui() const { return m_ui; }

    // --- Views -------------------------------------------------------------------------------
    void AddView(IDocView* view);
    void RemoveView(IDocView* view);
    IDataPanel* GetDataView() const;
    IImageView* GetImageView() const;
    void UpdateAllViews();
    // Tells every view that edge points moved (IDocView::OnMeasured).
    void NotifyMeasured() override;
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
    // Not a step: a session opened, a step undone.
    void SetOptions(const PanelOptions& options);
    // The user changed the panel's options from `before` to `after`: one step. False while a
    // long operation runs; the panel then shows `before` again.
    bool ChangeOptions(const PanelOptions& before, const PanelOptions& after);
    // The rule the entries' times follow ("間隔"), one step; false when unchanged or refused.
    bool SetTimeRule(const TimeRule& rule);
    // The dialog of the finer detection options, its result one step; false when cancelled,
    // unchanged or refused.
    bool EditEdgeOptions();

    // --- Images --------------------------------------------------------------------------------
    // Makes the image current. A file that cannot be opened or decoded becomes current all the
    // same, without a picture, so that the list commands reach it; the user is told why.
    void OpenImage(int nIndex, bool bReport = true);
    // The current picture, or null when none is loaded.
    const CPicture* GetPictureBitmap() const;
    // The window decodes the neighbours of the current image ahead, on a worker thread, so that
    // a step onto one finds its picture decoded (doc_pictures.cpp). Off until switched on.
    void EnablePrefetch(bool on);
    // The prefetch while it is on, else null: for the tests and the benchmarks.
    CPicturePrefetch* Prefetch() const { return m_prefetch.get(); }
    // Why the current image has no picture, when its file could not be opened or decoded.
    struct OpenFailure {
        std::string path;
        QString reason;
    };
    const OpenFailure* GetOpenFailure() const {
        return m_openFailure.path.empty() ? nullptr : &m_openFailure;
    }
    // Appends a record for the file, not as a step: the add command's own part, and how a list
    // is built from outside (a session, a test).
    void AddImageFile(const std::string& title, const std::string& path);

    // --- Profile buffer, scan lines ------------------------------------------------------------
    int GetBrightness(int nIndex) const;
    CScan* GetCurLine() const;
    int GetLastLineIndex() const;
    // The edits of lines, each one step. False, changing nothing, while a long operation runs.
    bool AddLineToAll(int x1, int y1, int x2, int y2);
    // A line drawn on the view: added to every image, as AddLineToAll, and made current.
    bool DrawLine(int x1, int y1, int x2, int y2);
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
    // Each call is one step.
    void SetAxisPixel(int nPoint, int x, int y);
    void SetAxisValue(int nPoint, double xv, double yv);
    void SetAxisLog(int nAxis, bool bLog);
    // Applies the edit to every calibration in scope as one step named `name`; false when it
    // would change nothing, or while a long operation runs.
    bool EditCalibration(const QString& name, const AxisEdit& edit);

    // --- Sessions (session_commands.cpp) ----------------------------------------------------
    // The session file is the document's path name; an untitled work has none. Whether the work
    // has changed since it was opened, saved or started.
    bool IsModified() const;
    // The session file's name, or "無題".
    QString GetSessionName() const;
    // Replaces the work with the session in the file, loading its current picture and telling
    // of every image that cannot be found (those are marked, see IsMissing). False, with the work
    // untouched and the user told why, when the file cannot be read as a session.
    bool OpenSession(const QString& path);
    // Opens a copy of unsaved work kept against a crash, as the unsaved work of the session
    // file `session` (empty: untitled); the copy does not enter the recent-file list.
    bool RestoreSession(const QString& copy, const QString& session);
    // Saves to the session's own file, asking for one when it has none (SaveSessionAs). False
    // when cancelled or the file cannot be written; the user is told why.
    bool SaveSession();
    bool SaveSessionAs();
    // Before the work would be replaced or dropped: with unsaved changes, asks whether to save
    // them. False when the user cancels, or the save does not succeed.
    bool SaveModified();
    // Files given on the command line or dropped on the window, as the file system's bytes: the
    // first session among them is opened (after the question about unsaved changes), the
    // pictures are added, and any other session is refused with a message.
    void OpenFiles(const std::vector<std::string>& paths);
    void OpenFiles(const QStringList& paths);
    // Whether the image's file was found missing or unreadable when it was last looked for, why
    // (empty when it was not), and the kind of fault (None when it was not).
    bool IsMissing(int i) const override;
    QString MissingReason(int i) const override;
    PictureProblem MissingProblem(int i) const;
    // A detection elsewhere (the series plot's) found the record's file unreadable.
    void NoteUnreadable(const CScanSeries* series, const CPicture::LoadResult& result) override;
    // Told of the session file whenever the work is opened from or saved to one (the recent-file
    // list follows it).
    void SetSessionFileListener(std::function<void(const QString&)> listener) {
        m_onSessionFile = std::move(listener);
    }

    // --- Undo ------------------------------------------------------------------------------------
    // Every edit of the list, the lines, the cursors, the calibrations, the switches and the
    // options is one step on this stack. Saving marks it clean (setClean) and the window can
    // follow cleanChanged. Undo and redo go through Undo() and Redo(), which refuse while a long
    // operation runs and refresh the views.
    QUndoStack& UndoStack() { return m_undo; }
    const QUndoStack& UndoStack() const { return m_undo; }
    bool Undo();
    bool Redo();
    // Forgets every step, as when another session is opened; the stack is clean afterwards.
    void ClearUndoHistory();

    // The current image and line. SetCursor loads the image's picture as OpenImage does unless
    // the picture of its file is loaded already (always with bReload); not a step.
    DocCursor GetCursor() const;
    void SetCursor(const DocCursor& cursor, bool bReload = false);

    // --- Commands ------------------------------------------------------------------------------
    bool HandlesCommand(int id) const override;
    // Runs the handler of a command id; false when the document has none for it.
    bool OnCmdMsg(int id) override;
    // Fills in the enabled and checked state of a command; false when the document has no
    // update handler for it.
    bool OnUpdateCmdUI(int id, CCmdUI& cmdUI) const override;

    void OnAddFiles();
    // Adds the files as the add command adds its dialog's choice: one step, the first new file
    // current. The paths are the file system's bytes, or text encoded so.
    void AddFiles(const std::vector<std::string>& paths);
    void AddFiles(const QStringList& paths);
    void OnFileOpen();
    void OnFileSave();
    void OnFileSaveAs();
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
    void OnZoomHalf();
    void OnZoomQuarter();
    void OnZoomFit();
    void OnMeasureLength();
    void OnMeasureArea();
    void OnCursorNext();
    void OnCursorPrev();
    void OnPrevImage();
    void OnNextImage();
    void OnAxisSettings();
    void OnDataWrite();
    // The tidy table: one row per image and line, as CSV.
    void OnDataWriteCsv();
    // The current line's profile on the current picture, as CSV (BuildProfileCsv).
    void OnProfileWrite();
    // "すべて再検出": every line on every image detected again under the options of now, but
    // for cursors placed by hand; one step, with progress. False when nothing was changed
    // (nothing to detect, or cancelled).
    bool RedetectAll();
    // The same for line n alone on every image, as one step named `name`.
    bool RedetectLine(int n, const QString& name);
    void OnRedetectAll();
    void OnUpdateRedetectAll(CCmdUI& cmdUI) const;

    // --- Caliper rules of lines (line_rules.cpp) --------------------------------------------------
    // Line n takes the rule on every image (none: the side panel's rule again), as one step;
    // the line is detected at once on the current image, and the user is offered to have it
    // detected again on the others. False when nothing changed, or while a long operation runs.
    bool SetLineRule(int n, const std::optional<CaliperRule>& rule);
    // "線のルール...": the current line's rule in its dialog, the result one step.
    bool EditCurLineRule();
    void OnLineRule();
    void OnUpdateLineRule(CCmdUI& cmdUI) const;
    // The rule that lines drawn from now on take, in its dialog (starting from `shown` while
    // there is none), the result one step of the options. False when cancelled, unchanged or
    // refused.
    bool EditNewLineRule(const CaliperRule& shown = {});
    // The same without the dialog; none: new lines follow the panel's plain rule again.
    bool SetNewLineRule(const std::optional<CaliperRule>& rule);
    void OnEditUndo();
    void OnEditRedo();

    void OnUpdateNeedPicture(CCmdUI& cmdUI) const;
    // A zoom step's item (zoom > 0) or the fit item (zoom 0).
    void OnUpdateZoom(CCmdUI& cmdUI, double zoom) const;
    void OnUpdateMeasureLength(CCmdUI& cmdUI) const;
    void OnUpdateMeasureArea(CCmdUI& cmdUI) const;
    void OnUpdateEditUndo(CCmdUI& cmdUI) const;
    void OnUpdateEditRedo(CCmdUI& cmdUI) const;

    // What lies under an image point: a part of a scan line (which then becomes current) or a
    // calibration point of the current image.
    // The radius is in image pixels; a view that shows the picture reduced passes a larger one
    // so that the markers stay as easy to hit as they look.
    int HitTest(int x, int y, int radius = kHitRadius);

    // How many threads detect pending lines before an export; 0 means one per core.
    void SetDetectionJobs(int jobs) { m_nDetectionJobs = jobs; }

    // True while a long operation (the export's detection) works on the records. Its progress
    // lets the window run, so everything that would change the records, the list or the
    // current indices refuses to run until it is over.
    bool IsBusy() const override { return m_nBusy > 0; }

    // --- What the series room sees of the records ------------------------------------------------
    const CDataProfile& Records() const override { return m_profile; }
    CDataProfile& Records() override { return m_profile; }
    int CurrentRecord() const override { return m_nCurImage; }
    bool MeasuresLength() const override { return m_bMeasureLength; }
    bool MeasuresArea() const override { return m_bMeasureArea; }
    DetectSettings DetectionNow() const override { return CurrentDetection(); }

private:
    friend class CDocCommand;

    class BusyScope {
    public:
        explicit BusyScope(CNorvaleDoc& doc) : m_doc(doc) { ++m_doc.m_nBusy; }
        ~BusyScope() { --m_doc.m_nBusy; }
        BusyScope(const BusyScope&) = delete;
        BusyScope& operator=(const BusyScope&) = delete;

    private:
        CNorvaleDoc& m_doc;
    };

    PixelView CurrentPixels() const;
    // The detection the options ask for now, on every core the document may use.
    DetectSettings CurrentDetection() const;
    bool DetectAllPending();
    // Every line n (n < 0: every line) on every image detected again but for cursors placed by
    // hand, with progress, as one step named `name`; false when nothing changed or cancelled.
    bool RedetectLines(int n, const QString& name);
    // After line n took another rule: offers to detect it again where it was found otherwise.
    void OfferLineRedetection(int n);
    // Detects the pending lines of the records on every core the document may use, with the
    // progress shown under `text`; nothing is written when the user cancels.
    DetectReport DetectWithProgress(const std::vector<int>& records, const QString& text);
    // The failures of a detection, one line each (the first ten), for a message.
    static QString FailureLines(const std::vector<DetectFailure>& failures);
    // After a change of the rule, the channel or the detail settings: offers to detect again
    // what was found under other settings.
    void OfferRedetection(const PanelOptions& before, const PanelOptions& after);
    // The export of a results file: the checks, the save dialog, the detection of pending
    // lines, then the bytes that `build` makes for the file type chosen, written safely, and
    // then the notice that `build` may have left; with `provenance`, the table's sidecar too.
    void WriteResults(SaveFileRequest& request,
                      const std::function<std::optional<std::string>(int filter)>& build,
                      const QString* notice = nullptr, bool provenance = false);
    bool SaveSessionTo(const QString& path);
    // Replaces the work with the session in `file`; the work's session file is `name` after it.
    bool ReadSession(const std::string& file, const QString& name);
    // Opens the session file at the bytes of its path (OpenSession where they are text).
    bool OpenSessionFile(const std::string& path);
    // Pushes a step and so does it; refused (false) while a long operation runs.
    bool Push(std::unique_ptr<CDocCommand> command);
    bool AddLine(int x1, int y1, int x2, int y2, bool makeCurrent);
    void NudgeCurLine(bool forward);
    // What the views show after a step was undone or redone.
    void RefreshAfterStep();
    // Ends a drag of the image view before a step is undone or redone under it.
    void CancelViewDrag();
    // The cursor's indices alone, the picture left as it is.
    void PlaceCursor(const DocCursor& cursor);
    // Makes the record's picture the current one: the prefetched picture when there is one
    // for it that is still its file's, else decoded here.
    CPicture::LoadResult LoadPicture(const CScanSeries& series);
    // Points the prefetch at the neighbours of the current image in the list as it is now.
    void RetargetPrefetch();

    CUiServices& m_ui;
    // Never null; an object exchanged with the prefetch's slots rather than made anew.
    std::unique_ptr<CPicture> m_picture;
    std::vector<IDocView*> m_views;
    QString m_strPathName;
    OpenFailure m_openFailure;
    // The records whose files could not be opened or decoded when last tried: the file and the
    // reason. The file is kept too, so that a new record at a freed record's address is not
    // taken for it.
    struct Missing {
        std::string path;
        QString reason;
        PictureProblem problem = PictureProblem::Missing;
    };
    std::unordered_map<const CScanSeries*, Missing> m_missing;
    std::function<void(const QString&)> m_onSessionFile;
    // The file whose picture (or failure to load) is the current one; none after DeleteContents.
    std::optional<std::string> m_picturePath;
    std::int64_t m_pictureFrame = -1;  // and its page or frame
    // The record the current picture was loaded for (compared, never followed), and its file's
    // stamp when the picture was decoded whole from an unchanging file.
    const CScanSeries* m_pictureRecord = nullptr;
    std::optional<FileStamp> m_pictureStamp;
    std::unique_ptr<CPicturePrefetch> m_prefetch;
    // The way the user last stepped through the list (+1 down, -1 up): its neighbour comes first.
    int m_nStepDirection = 1;
    PanelOptions m_options;  // the options while no panel is attached
    int m_nDetectionJobs = 0;
    int m_nBusy = 0;
    QUndoStack m_undo;
};
