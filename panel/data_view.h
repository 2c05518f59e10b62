// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QWidget>

#include "document/doc_views.h"

class CNorvaleDoc;
class CProfileGraph;
class QButtonGroup;
class QCheckBox;
class CFileListModel;
class QTreeView;

// The side panel: the file list with its buttons, the profile graph, and the options that the
// document reads whenever it needs them (channel, edge rule, automatic detection, calibration
// scope); each click on an option is a step of the document's. The controls sit at the places of
// the panel's form template; the form scrolls when the pane is smaller than it.
//
// The file-list buttons and "座標設定" are document commands: the panel only emits their ids
// through command(), and the frame routes them like menu commands.
class CDataView : public QWidget, public IDataPanel {
    Q_OBJECT
public:
    explicit CDataView(CNorvaleDoc& doc, QWidget* parent = nullptr);
    ~CDataView() override;
    CDataView(const CDataView&) = delete;
    CDataView& operator=(const CDataView&) = delete;

    // IDataPanel
    PanelOptions ReadOptions() override;
    void WriteOptions(const PanelOptions& options) override;
    void RepaintNow() override;
    void OnUpdate() override;

    QSize sizeHint() const override;
    CProfileGraph* Graph() const { return m_graph; }

signals:
    void command(int id);

private:
    void BuildForm(QWidget* form);
    void OnClickFileList(int index);
    void OnRedetect();
    void OnDeleteScanLine();
    // A click on an option control: the document makes it a step, or refuses and the controls
    // go back.
    void OnOptionClicked();
    // The box or the button of the new lines' caliper rule: the dialog, or the rule switched off.
    void OnNewLineRuleClicked(bool button);
    void SelectListItem(int nIndex);
    // The file list's room for an entry's text, and the margin either side of it.
    int FileTextRoom() const;
    int FileTextMargin() const;

    CNorvaleDoc& m_doc;
    QWidget* m_form = nullptr;
    QTreeView* m_wndFileList = nullptr;
    CFileListModel* m_files = nullptr;  // owned by the list
    CProfileGraph* m_graph = nullptr;
    QButtonGroup* m_channel = nullptr;
    QButtonGroup* m_edgeMode = nullptr;
    QButtonGroup* m_axisScope = nullptr;
    QCheckBox* m_autoDetect = nullptr;
    QCheckBox* m_newLineRule = nullptr;
    EdgeOptions m_edge;  // shown in their own dialog, not on the panel
    // The caliper rule new lines take (the box above shows whether there is one), and the rule
    // its dialog starts from: the latest one set, so that switching it off and on loses nothing.
    std::optional<CaliperRule> m_newRule;
    CaliperRule m_lastRule;
    // The options as the controls showed them before the latest click.
    PanelOptions m_shown;
};
