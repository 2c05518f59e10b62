// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QWidget>

#include "document/doc_views.h"
#include "series/background_detection.h"
#include "series/series_values.h"

class CNorvaleDoc;
class CSeriesPlot;
class QCheckBox;
class QComboBox;
class QLabel;
class QProgressBar;
class QPushButton;
class QStackedWidget;

// The series plot with what goes around it: the choice of quantity, the progress of measuring
// the images not shown yet (which it starts itself while it is shown, and which the user can
// stop), and saving the picture. It follows every change of the document at once; clicking a
// point makes that image current.
class CSeriesPanel : public QWidget, public IDocView {
    Q_OBJECT

public:
    explicit CSeriesPanel(CNorvaleDoc& doc, QWidget* parent = nullptr);
    ~CSeriesPanel() override;

    void OnUpdate() override;
    void OnMeasured() override;

    CSeriesPlot* Plot() const { return m_plot; }
    SeriesQuantity Quantity() const;
    void SetQuantity(SeriesQuantity quantity);
    // The quantity or its rate of change, against the image numbers or the times.
    SeriesView View() const;
    bool IsMeasuring() const { return m_detection.IsRunning(); }
    // Saves the plot as PNG or SVG, asking for the file: by its suffix, else by the type chosen.
    void OnSavePicture();

protected:
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    // Coalesces the refreshes of one burst of changes into one, after the event that caused
    // them.
    void ScheduleRefresh();
    void Refresh();
    void OnStop();
    void OnResume();
    // "間隔...": the time rule's dialog, its result one step.
    void OnTimeRule();
    // Keeps the progress wide enough for its text at `total` images.
    void FitProgress(int total);

    CNorvaleDoc& m_doc;
    CBackgroundDetection m_detection;
    CSeriesPlot* m_plot = nullptr;
    QComboBox* m_quantity = nullptr;
    QCheckBox* m_rate = nullptr;
    QComboBox* m_xAxis = nullptr;
    QPushButton* m_timeRule = nullptr;
    QProgressBar* m_progress = nullptr;
    QPushButton* m_stop = nullptr;
    QPushButton* m_resume = nullptr;
    QStackedWidget* m_stopOrResume = nullptr;
    QPushButton* m_save = nullptr;
    bool m_refreshQueued = false;
    // The user stopped the measuring; resuming, or the next edit, starts it again.
    bool m_stopped = false;
};
