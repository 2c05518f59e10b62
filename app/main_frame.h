// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QMainWindow>
#include <QMap>
#include <array>

#include "document/doc_views.h"

class CDataView;
class CNorvaleDoc;
class CNorvaleView;
class CRecentFileList;
class CProfilePlot;
class CKymographPanel;
class CSeriesPanel;
class QDockWidget;
class QAction;
class QLabel;
class QMenu;
class QSplitter;
class QToolBar;

// The one window: menu, toolbar, status bar, and the splitter with the side panel on the left and
// the image view on the right. It makes one action per command and routes every command along
// the active view, the document, the application and the frame itself, asking the same chain
// how each item looks.
class CMainFrame : public QMainWindow, public ICmdTarget, private IDocView {
    Q_OBJECT

public:
    // Panes 1 to 5 the pixel read-out, 6 and 7 the calibrated values.
    static constexpr int kPaneCount = 8;
    static constexpr int kFirstValuePane = 6;
    static constexpr int kPaneWidth = 75;
    static constexpr int kValuePaneWidth = 110;
    static constexpr int kPanelWidth = 300;

    CMainFrame(CNorvaleDoc& doc, ICmdTarget& app, const CRecentFileList& recent,
               QWidget* parent = nullptr);
    ~CMainFrame() override;

    // Runs the command on the first target that handles it, then refreshes every item's state.
    bool RouteCommand(int id);
    // Asks the route for the enabled and checked state of every action.
    void UpdateCommandUI();
    // Shows the recent-file list in the File menu (or its greyed placeholder).
    void RebuildRecentFiles();

    QAction* Action(int id) const { return m_actions.value(id, nullptr); }
    QMenu* RecentFilesMenuAnchor() const { return m_fileMenu; }
    CDataView* DataView() const { return m_pDataView; }
    CNorvaleView* ImageView() const { return m_pImageView; }
    CSeriesPanel* SeriesPanel() const { return m_pSeriesPanel; }
    QDockWidget* SeriesDock() const { return m_pSeriesDock; }
    CProfilePlot* ProfilePlot() const { return m_pProfilePlot; }
    QDockWidget* ProfileDock() const { return m_pProfileDock; }
    CKymographPanel* KymographPanel() const { return m_pKymographPanel; }
    QDockWidget* KymographDock() const { return m_pKymographDock; }
    QSplitter* Splitter() const { return m_pSplitter; }
    QToolBar* ToolBar() const { return m_pToolBar; }
    QLabel* Pane(int index) const { return m_panes.at(static_cast<std::size_t>(index)); }

    // The frame's own commands: showing the bars and moving between the panes.
    bool HandlesCommand(int id) const override;
    bool OnCmdMsg(int id) override;
    bool OnUpdateCmdUI(int id, CCmdUI& cmdUI) const override;

    QLabel* SessionPane() const { return m_pSessionPane; }
    // What a caliper rule measured at the current edge; hidden while there is nothing to show.
    QLabel* CaliperPane() const { return m_pCaliperPane; }

protected:
    void closeEvent(QCloseEvent* event) override;
    // Files dropped from a file manager: pictures are added, a session is opened.
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    void OnUpdate() override;
    void ShowSessionName();
    QAction* MakeAction(int id);
    void CreateMenus();
    void CreateToolBar();
    void CreateStatusBar();
    void CreateClient();
    // The series plot and the profile plot, each in a dock beside the image view (frame_docks.cpp).
    void CreateDocks();
    void RestoreState();
    void SaveState() const;
    ICmdTarget* ActiveViewTarget() const;
    void ActivateNextPane(int step);

    CNorvaleDoc& m_doc;
    ICmdTarget& m_app;
    const CRecentFileList& m_recent;
    QMap<int, QAction*> m_actions;
    QList<QAction*> m_recentActions;
    QMenu* m_fileMenu = nullptr;
    QAction* m_recentAnchor = nullptr;
    QSplitter* m_pSplitter = nullptr;
    QToolBar* m_pToolBar = nullptr;
    CDataView* m_pDataView = nullptr;
    CNorvaleView* m_pImageView = nullptr;
    QDockWidget* m_pSeriesDock = nullptr;
    CSeriesPanel* m_pSeriesPanel = nullptr;
    QDockWidget* m_pProfileDock = nullptr;
    CProfilePlot* m_pProfilePlot = nullptr;
    QDockWidget* m_pKymographDock = nullptr;
    CKymographPanel* m_pKymographPanel = nullptr;
    std::array<QLabel*, kPaneCount> m_panes{};
    QLabel* m_pSessionPane = nullptr;
    QLabel* m_pCaliperPane = nullptr;
};
