// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QWidget>

#include "document/doc_views.h"
#include "series/kymograph_build.h"

class CNorvaleDoc;
class CKymographView;
class QComboBox;
class QLabel;
class QProgressBar;
class QPushButton;

// The kymograph of the current line with what goes around it: what it shows (the line, the
// entries, how many share a pixel row), the progress of the build (which it starts itself while
// it is shown, and which the user can stop), the choice of the smallest or the largest value
// where entries share a pixel row, and saving the picture and the values. Clicking a row makes
// that entry current.
class CKymographPanel : public QWidget, public IDocView {
    Q_OBJECT

public:
    explicit CKymographPanel(CNorvaleDoc& doc, QWidget* parent = nullptr);
    ~CKymographPanel() override;

    void OnUpdate() override;
    void OnMeasured() override;
    void OnProfileChanged() override;

    CKymographView* View() const { return m_view; }
    const CKymographBuild& Build() const { return m_build; }
    QString StatusText() const;
    void OnSavePicture();
    void OnSaveCsv();

protected:
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    void ScheduleRefresh();
    void Refresh();
    void OnRows(const std::vector<int>& rows, bool reset);
    void UpdateControls();
    void OnStopOrRestart();

    CNorvaleDoc& m_doc;
    CKymographBuild m_build;
    CKymographView* m_view = nullptr;
    QLabel* m_status = nullptr;
    QComboBox* m_reduction = nullptr;
    QProgressBar* m_progress = nullptr;
    QPushButton* m_stop = nullptr;
    QPushButton* m_savePicture = nullptr;
    QPushButton* m_saveCsv = nullptr;
    bool m_refreshQueued = false;
    // The user stopped the build: it stays stopped until asked again or the line changes.
    bool m_userStopped = false;
};
