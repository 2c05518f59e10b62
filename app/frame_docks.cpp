// SPDX-License-Identifier: GPL-3.0-or-later
// The frame's docks: the series plot, the profile plot and the kymograph beside the image view.
#include <QCoreApplication>
#include <QDockWidget>

#include "app/main_frame.h"
#include "document/command_ids.h"
#include "document/norvale_doc.h"
#include "panel/kymograph_panel.h"
#include "panel/profile_plot.h"
#include "panel/series_panel.h"

void CMainFrame::CreateDocks() {
    // Each is hidden until the user asks for it, and then as the settings remember it.
    m_pSeriesDock = new QDockWidget(QCoreApplication::translate("Frame", "系列グラフ"), this);
    m_pSeriesDock->setObjectName(QStringLiteral("SeriesDock"));
    m_pSeriesPanel = new CSeriesPanel(m_doc, m_pSeriesDock);
    m_pSeriesDock->setWidget(m_pSeriesPanel);
    addDockWidget(Qt::RightDockWidgetArea, m_pSeriesDock);
    m_pSeriesDock->hide();
    connect(m_pSeriesDock, &QDockWidget::visibilityChanged, this, &CMainFrame::UpdateCommandUI);

    m_pProfileDock =
        new QDockWidget(QCoreApplication::translate("Frame", "プロファイル グラフ"), this);
    m_pProfileDock->setObjectName(QStringLiteral("ProfileDock"));
    m_pProfilePlot = new CProfilePlot(m_doc, m_pProfileDock);
    m_pProfilePlot->SetExportAction(Action(ID_PROFILE_WRITE));
    m_pProfileDock->setWidget(m_pProfilePlot);
    addDockWidget(Qt::BottomDockWidgetArea, m_pProfileDock);
    m_pProfileDock->hide();
    connect(m_pProfileDock, &QDockWidget::visibilityChanged, this, &CMainFrame::UpdateCommandUI);

    m_pKymographDock = new QDockWidget(QCoreApplication::translate("Frame", "キモグラフ"), this);
    m_pKymographDock->setObjectName(QStringLiteral("KymographDock"));
    m_pKymographPanel = new CKymographPanel(m_doc, m_pKymographDock);
    m_pKymographDock->setWidget(m_pKymographPanel);
    addDockWidget(Qt::RightDockWidgetArea, m_pKymographDock);
    m_pKymographDock->hide();
    connect(m_pKymographDock, &QDockWidget::visibilityChanged, this, &CMainFrame::UpdateCommandUI);
}
