// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QAbstractListModel>
#include <QFontMetrics>
#include <QString>
#include <optional>
#include <unordered_map>

#include "model/time_rule.h"

class CNorvaleDoc;

// The side panel's file list: one row per entry of the document's list, read from the document
// only when the row shows. Refreshing it after a change is one reset, whatever the list's
// length; what costs (the label of a file that gives no picture, the times behind the tooltips)
// is made for the rows that need it, the times once per refresh when a tooltip first asks.
class CFileListModel : public QAbstractListModel {
public:
    CFileListModel(const CNorvaleDoc& doc, QObject* parent);

    // Takes the document's list as it stands now. The labels of files that give no picture are
    // made to fit `room` pixels of text in `metrics`; returns the widest text of any row there,
    // at least `room`.
    int Refresh(const QFontMetrics& metrics, int room);

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

private:
    QString Title(int row) const;
    QString ToolTip(int row) const;

    const CNorvaleDoc& m_doc;
    int m_rows = 0;
    std::unordered_map<int, QString> m_labels;  // rows of files that give no picture
    mutable std::optional<TimeAxis> m_times;    // made when a tooltip first asks
    mutable bool m_timed = false;
};
