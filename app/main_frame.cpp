// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/main_frame.h"

#include <QAbstractEventDispatcher>
#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QDockWidget>
#include <QIcon>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QSettings>
#include <QSplitter>
#include <QStatusBar>
#include <QToolBar>
#include <QUndoStack>

#include "app/command_table.h"
#include "app/recent_files.h"
#include "document/command_ids.h"
#include "document/norvale_doc.h"
#include "panel/data_view.h"
#include "view/norvale_view.h"

namespace {
const char* const kCommandId = "commandId";
}

CMainFrame::CMainFrame(CNorvaleDoc& doc, ICmdTarget& app, const CRecentFileList& recent,
                       QWidget* parent)
    : QMainWindow(parent), m_doc(doc), m_app(app), m_recent(recent) {
    // The caption is the program's name alone; it never shows a file name.
    setWindowTitle(QStringLiteral("Quandrel"));
    setWindowIcon(QIcon(QStringLiteral(":/icons/quandrel_48.png")));
    for (const CommandInfo& info : CommandTable()) MakeAction(info.id);
    for (const Accelerator& accelerator : Accelerators()) {
        QAction* action = Action(accelerator.id);
        QList<QKeySequence> keys = action->shortcuts();
        keys.append(accelerator.key);
        action->setShortcuts(keys);
    }
    CreateMenus();
    CreateToolBar();
    CreateStatusBar();
    CreateClient();
    RestoreState();
    m_doc.AddView(this);
    ShowSessionName();
    setAcceptDrops(true);
    // Items are refreshed whenever the program falls idle, as a check after anything that may
    // have changed the document without a command (a picture that failed to load, say).
    connect(QAbstractEventDispatcher::instance(), &QAbstractEventDispatcher::aboutToBlock, this,
            &CMainFrame::UpdateCommandUI);
    // A step taken by the view or the panel (no command) must enable the undo item, and its key,
    // before the next key press is looked at.
    connect(&m_doc.UndoStack(), &QUndoStack::indexChanged, this, &CMainFrame::UpdateCommandUI);
    UpdateCommandUI();
}

CMainFrame::~CMainFrame() {
    m_doc.RemoveView(this);
    // The base class hides the children while it closes the window, after this frame's part is
    // gone: the dock's visibility signal must not reach it then.
    disconnect(m_pSeriesDock, nullptr, this, nullptr);
    disconnect(m_pProfileDock, nullptr, this, nullptr);
    disconnect(m_pKymographDock, nullptr, this, nullptr);
}

QAction* CMainFrame::MakeAction(int id) {
    const CommandInfo* info = FindCommand(id);
    auto* action = new QAction(this);
    action->setObjectName(QString::fromUtf8(info->name));
    action->setProperty(kCommandId, id);
    if (info->text != nullptr) action->setText(QCoreApplication::translate("Frame", info->text));
    action->setStatusTip(StatusPrompt(*info));
    if (!ToolTip(*info).isEmpty()) action->setToolTip(ToolTip(*info));
    if (info->icon != nullptr) action->setIcon(QIcon(QString::fromUtf8(info->icon)));
    connect(action, &QAction::triggered, this, [this, id] { RouteCommand(id); });
    // Actions that only keys reach live on the window so that their shortcuts work.
    if (info->text == nullptr) addAction(action);
    m_actions.insert(id, action);
    return action;
}

void CMainFrame::CreateMenus() {
    QMenuBar* bar = menuBar();
    m_fileMenu = bar->addMenu(QCoreApplication::translate("Frame", "ﾌｧｲﾙ(&F)"));
    m_fileMenu->addAction(Action(IDC_ADD_FILES));
    m_fileMenu->addSeparator();
    for (int id : {ID_FILE_OPEN, ID_FILE_SAVE, ID_FILE_SAVE_AS}) m_fileMenu->addAction(Action(id));
    m_fileMenu->addSeparator();
    m_recentAnchor = m_fileMenu->addSeparator();
    m_fileMenu->addAction(Action(ID_APP_EXIT));
    RebuildRecentFiles();

    QMenu* editMenu = bar->addMenu(QCoreApplication::translate("Frame", "編集(&E)"));
    editMenu->addAction(Action(ID_EDIT_UNDO));
    editMenu->addAction(Action(ID_EDIT_REDO));

    QMenu* viewMenu = bar->addMenu(QCoreApplication::translate("Frame", "表示(&V)"));
    viewMenu->addAction(Action(ID_VIEW_TOOLBAR));
    viewMenu->addAction(Action(ID_VIEW_STATUS_BAR));
    viewMenu->addAction(Action(ID_VIEW_SERIES));
    viewMenu->addAction(Action(ID_VIEW_PROFILE));
    viewMenu->addAction(Action(ID_VIEW_KYMOGRAPH));
    QMenu* zoom = viewMenu->addMenu(QCoreApplication::translate("Frame", "拡大"));
    for (int id : {ID_ZOOM_QUARTER, ID_ZOOM_HALF, ID_ZOOM_1X, ID_ZOOM_2X, ID_ZOOM_4X}) {
        zoom->addAction(Action(id));
    }
    zoom->addSeparator();
    zoom->addAction(Action(ID_ZOOM_FIT));

    QMenu* dataMenu = bar->addMenu(QCoreApplication::translate("Frame", "ﾃﾞｰﾀ(&D)"));
    QMenu* axis = dataMenu->addMenu(QCoreApplication::translate("Frame", "軸設定"));
    for (int id : {ID_AXIS_ORIGIN, ID_AXIS_XPOINT, ID_AXIS_YPOINT, ID_AXIS_SETTINGS}) {
        axis->addAction(Action(id));
    }
    dataMenu->addAction(Action(ID_REDETECT_ALL));
    dataMenu->addAction(Action(ID_LINE_RULE));
    dataMenu->addSeparator();
    dataMenu->addAction(Action(ID_DATA_WRITE));
    dataMenu->addAction(Action(ID_DATA_WRITE_CSV));
    dataMenu->addAction(Action(ID_PROFILE_WRITE));
    QMenu* measure = dataMenu->addMenu(QCoreApplication::translate("Frame", "計測"));
    for (int id : {ID_MEASURE_LENGTH, ID_MEASURE_AREA}) measure->addAction(Action(id));

    QMenu* help = bar->addMenu(QCoreApplication::translate("Frame", "ﾍﾙﾌﾟ(&H)"));
    help->addAction(Action(ID_APP_ABOUT));

    for (QMenu* menu : bar->findChildren<QMenu*>()) {
        connect(menu, &QMenu::aboutToShow, this, &CMainFrame::UpdateCommandUI);
    }
}

void CMainFrame::RebuildRecentFiles() {
    for (QAction* action : m_recentActions) {
        m_fileMenu->removeAction(action);
        if (action != Action(ID_FILE_MRU_FILE1)) action->deleteLater();
    }
    m_recentActions.clear();
    QAction* placeholder = Action(ID_FILE_MRU_FILE1);
    if (m_recent.Entries().isEmpty()) {
        placeholder->setText(QCoreApplication::translate("Frame", "最近使ったﾌｧｲﾙ"));
        m_fileMenu->insertAction(m_recentAnchor, placeholder);
        m_recentActions.append(placeholder);
        UpdateCommandUI();
        return;
    }
    for (int k = 0; k < m_recent.Entries().size(); ++k) {
        QAction* action = placeholder;
        if (k > 0) {
            action = new QAction(this);
            const int id = ID_FILE_MRU_FILE1 + k;
            action->setProperty(kCommandId, id);
            action->setStatusTip(placeholder->statusTip());
            connect(action, &QAction::triggered, this, [this, id] { RouteCommand(id); });
        }
        action->setText(m_recent.MenuText(k));
        m_fileMenu->insertAction(m_recentAnchor, action);
        m_recentActions.append(action);
    }
    UpdateCommandUI();
}

void CMainFrame::CreateToolBar() {
    m_pToolBar = addToolBar(QCoreApplication::translate("Frame", "ﾂｰﾙ ﾊﾞｰ"));
    m_pToolBar->setObjectName(QStringLiteral("MainToolBar"));
    m_pToolBar->setIconSize(QSize(16, 15));
    m_pToolBar->setMovable(true);
    m_pToolBar->setFloatable(true);
    m_pToolBar->setToolButtonStyle(Qt::ToolButtonIconOnly);
    for (int id : ToolbarLayout()) {
        if (id == 0) {
            m_pToolBar->addSeparator();
        } else {
            m_pToolBar->addAction(Action(id));
        }
    }
}

void CMainFrame::CreateStatusBar() {
    QStatusBar* bar = statusBar();
    bar->setObjectName(QStringLiteral("MainStatusBar"));
    // Pane 0 stretches and carries the prompts; its idle text shows whenever no prompt does.
    m_panes[0] = new QLabel(QCoreApplication::translate("Frame", "ﾚﾃﾞｨ"), bar);
    bar->addWidget(m_panes[0], 1);
    m_pCaliperPane = new QLabel(bar);
    m_pCaliperPane->setObjectName(QStringLiteral("CaliperPane"));
    m_pCaliperPane->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    bar->addPermanentWidget(m_pCaliperPane);
    m_pCaliperPane->hide();
    m_pSessionPane = new QLabel(bar);
    m_pSessionPane->setObjectName(QStringLiteral("SessionPane"));
    m_pSessionPane->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    bar->addPermanentWidget(m_pSessionPane);
    connect(&m_doc.UndoStack(), &QUndoStack::cleanChanged, this, &CMainFrame::ShowSessionName);
    for (int k = 1; k < kPaneCount; ++k) {
        auto* pane = new QLabel(bar);
        pane->setFixedWidth(k < kFirstValuePane ? kPaneWidth : kValuePaneWidth);
        pane->setFrameStyle(QFrame::Panel | QFrame::Sunken);
        pane->setObjectName(QStringLiteral("pane%1").arg(k));
        bar->addPermanentWidget(pane);
        m_panes[static_cast<std::size_t>(k)] = pane;
    }
}

void CMainFrame::CreateClient() {
    m_pSplitter = new QSplitter(Qt::Horizontal, this);
    m_pSplitter->setObjectName(QStringLiteral("PaneSplitter"));
    m_pDataView = new CDataView(m_doc, m_pSplitter);
    m_pImageView = new CNorvaleView(m_doc, m_pSplitter);
    m_pSplitter->addWidget(m_pDataView);
    m_pSplitter->addWidget(m_pImageView);
    m_pSplitter->setStretchFactor(0, 0);
    m_pSplitter->setStretchFactor(1, 1);
    m_pSplitter->setSizes({kPanelWidth, 1});
    setCentralWidget(m_pSplitter);
    connect(m_pDataView, &CDataView::command, this, &CMainFrame::RouteCommand);
    connect(m_pImageView, &CNorvaleView::paneText, this, [this](int pane, const QString& text) {
        if (pane > 0 && pane < kPaneCount) m_panes[static_cast<std::size_t>(pane)]->setText(text);
    });
    connect(m_pImageView, &CNorvaleView::caliperText, this, [this](const QString& text) {
        m_pCaliperPane->setText(text);
        m_pCaliperPane->setVisible(!text.isEmpty());
    });
    CreateDocks();
    m_doc.UpdateAllViews();  // the views' initial update
}

void CMainFrame::RestoreState() {
    QSettings settings;
    settings.beginGroup(QStringLiteral("MainFrame"));
    const QByteArray geometry = settings.value(QStringLiteral("Geometry")).toByteArray();
    if (geometry.isEmpty() || !restoreGeometry(geometry)) resize(900, 640);
    restoreState(settings.value(QStringLiteral("BarState")).toByteArray());
    statusBar()->setVisible(settings.value(QStringLiteral("StatusBar"), true).toBool());
    settings.endGroup();
}

void CMainFrame::SaveState() const {
    QSettings settings;
    settings.beginGroup(QStringLiteral("MainFrame"));
    settings.setValue(QStringLiteral("Geometry"), saveGeometry());
    settings.setValue(QStringLiteral("BarState"), saveState());
    settings.setValue(QStringLiteral("StatusBar"), statusBar()->isVisible());
    settings.endGroup();
}

void CMainFrame::closeEvent(QCloseEvent* event) {
    // The window stays while a long operation works on the document, and when the user keeps
    // unsaved work.
    if (m_doc.IsBusy() || !m_doc.SaveModified()) {
        event->ignore();
        return;
    }
    SaveState();
    QMainWindow::closeEvent(event);
}

void CMainFrame::OnUpdate() {
    UpdateCommandUI();
    ShowSessionName();
}

void CMainFrame::ShowSessionName() {
    // The caption stays the program's name; the session and its unsaved mark live here.
    m_pSessionPane->setText(m_doc.GetSessionName() +
                            (m_doc.IsModified() ? QStringLiteral(" *") : QString()));
    m_pSessionPane->setToolTip(m_doc.GetPathName());
}

ICmdTarget* CMainFrame::ActiveViewTarget() const {
    for (QWidget* w = QApplication::focusWidget(); w != nullptr; w = w->parentWidget()) {
        if (w == m_pDataView || w == m_pImageView) return dynamic_cast<ICmdTarget*>(w);
    }
    return nullptr;
}

bool CMainFrame::RouteCommand(int id) {
    bool handled = false;
    for (ICmdTarget* target : {ActiveViewTarget(), static_cast<ICmdTarget*>(&m_doc), &m_app,
                               static_cast<ICmdTarget*>(this)}) {
        if (target != nullptr && target->OnCmdMsg(id)) {
            handled = true;
            break;
        }
    }
    UpdateCommandUI();
    return handled;
}

void CMainFrame::UpdateCommandUI() {
    if (m_pImageView == nullptr) return;  // still being built
    const ICmdTarget* route[] = {ActiveViewTarget(), &m_doc, &m_app, this};
    for (auto it = m_actions.cbegin(); it != m_actions.cend(); ++it) {
        const int id = it.key();
        CCmdUI cmdUI;
        bool updated = false;
        for (const ICmdTarget* target : route) {
            if (target != nullptr && target->OnUpdateCmdUI(id, cmdUI)) {
                updated = true;
                break;
            }
        }
        // Without an update handler an item is enabled exactly when someone handles it.
        if (!updated) {
            cmdUI.m_bEnabled = false;
            for (const ICmdTarget* target : route) {
                if (target != nullptr && target->HandlesCommand(id)) cmdUI.m_bEnabled = true;
            }
        }
        QAction* action = it.value();
        action->setEnabled(cmdUI.m_bEnabled);
        if (cmdUI.m_text) action->setText(*cmdUI.m_text);
        if (cmdUI.m_checked) {
            action->setCheckable(true);
            action->setChecked(*cmdUI.m_checked);
        }
    }
}

bool CMainFrame::HandlesCommand(int id) const {
    return id == ID_VIEW_TOOLBAR || id == ID_VIEW_STATUS_BAR || id == ID_VIEW_SERIES ||
           id == ID_VIEW_PROFILE || id == ID_VIEW_KYMOGRAPH || id == ID_NEXT_PANE || id == ID_PREV_PANE;
}

bool CMainFrame::OnCmdMsg(int id) {
    switch (id) {
        case ID_VIEW_TOOLBAR:
            m_pToolBar->setVisible(m_pToolBar->isHidden());
            return true;
        case ID_VIEW_STATUS_BAR:
            statusBar()->setVisible(statusBar()->isHidden());
            return true;
        case ID_VIEW_SERIES:
            m_pSeriesDock->setVisible(m_pSeriesDock->isHidden());
            return true;
        case ID_VIEW_PROFILE:
            m_pProfileDock->setVisible(m_pProfileDock->isHidden());
            return true;
        case ID_VIEW_KYMOGRAPH:
            m_pKymographDock->setVisible(m_pKymographDock->isHidden());
            return true;
        case ID_NEXT_PANE:
            ActivateNextPane(1);
            return true;
        case ID_PREV_PANE:
            ActivateNextPane(-1);
            return true;
        default:
            return false;
    }
}

bool CMainFrame::OnUpdateCmdUI(int id, CCmdUI& cmdUI) const {
    // Check marks follow the bars' visibility as set on the window, which is what the user sees
    // once the window is shown (isVisible is false for everything before that).
    if (id == ID_VIEW_TOOLBAR) {
        cmdUI.SetCheck(!m_pToolBar->isHidden());
        return true;
    }
    if (id == ID_VIEW_STATUS_BAR) {
        cmdUI.SetCheck(!statusBar()->isHidden());
        return true;
    }
    if (id == ID_VIEW_SERIES || id == ID_VIEW_PROFILE) {
        cmdUI.SetCheck(!(id == ID_VIEW_SERIES ? m_pSeriesDock : m_pProfileDock)->isHidden());
        return true;
    }
    if (id == ID_VIEW_KYMOGRAPH) {
        cmdUI.SetCheck(!m_pKymographDock->isHidden());
        return true;
    }
    return false;
}

void CMainFrame::ActivateNextPane(int step) {
    QWidget* panes[] = {m_pDataView, m_pImageView};
    int current = -1;
    for (QWidget* w = QApplication::focusWidget(); w != nullptr && current < 0;
         w = w->parentWidget()) {
        if (w == panes[0]) current = 0;
        if (w == panes[1]) current = 1;
    }
    const int next = current < 0 ? 0 : (current + step + 2) % 2;
    panes[next]->setFocus(Qt::ShortcutFocusReason);
}
