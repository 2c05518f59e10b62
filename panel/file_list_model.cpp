// SPDX-License-Identifier: GPL-3.0-or-later
#include "panel/file_list_model.h"

#include <QColor>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <algorithm>

#include "document/norvale_doc.h"
#include "series/entry_times.h"

namespace {

// The word the list puts beside a file that gives no picture.
QString ProblemWord(PictureProblem problem) {
    switch (problem) {
        case PictureProblem::Unreadable:
            return QCoreApplication::translate("Panel", "読めません");
        case PictureProblem::CutShort:
            return QCoreApplication::translate("Panel", "途中で切断");
        case PictureProblem::Damaged:
            return QCoreApplication::translate("Panel", "破損");
        case PictureProblem::NotPicture:
            return QCoreApplication::translate("Panel", "非対応の形式");
        case PictureProblem::TooLarge:
            return QCoreApplication::translate("Panel", "大きすぎます");
        case PictureProblem::OutOfMemory:
            return QCoreApplication::translate("Panel", "メモリ不足");
        case PictureProblem::Missing:
        case PictureProblem::None:
            break;
    }
    return QCoreApplication::translate("Panel", "見つかりません");
}

// The entry of a file that gives no picture: its name, shortened in the middle where the room
// asks for it (the start and the numbered end of a series' names stay), and the word whole.
QString ProblemLabel(const QString& title, PictureProblem problem, const QFontMetrics& metrics,
                     int room) {
    const QString format = QCoreApplication::translate("Panel", "%1（%2）");
    const QString word = ProblemWord(problem);
    const QString whole = format.arg(title, word);
    if (metrics.horizontalAdvance(whole) <= room) return whole;
    // Enough of the name to tell it stays however narrow the list: the list widens for it, and
    // scrolls sideways, rather than show a word without its file.
    const int titleWidth = metrics.horizontalAdvance(title);
    const int least = std::min(titleWidth, 10 * metrics.horizontalAdvance(QLatin1Char('0')));
    const int left = std::max(room - metrics.horizontalAdvance(format.arg(QString(), word)), least);
    return format.arg(left >= titleWidth ? title : metrics.elidedText(title, Qt::ElideMiddle, left),
                      word);
}

}  // namespace

CFileListModel::CFileListModel(const CNorvaleDoc& doc, QObject* parent)
    : QAbstractListModel(parent), m_doc(doc) {}

int CFileListModel::Refresh(const QFontMetrics& metrics, int room) {
    beginResetModel();
    m_rows = m_doc.m_profile.GetSize();
    m_labels.clear();
    m_times.reset();
    int widest = room;
    // A file that could not be found or read stands out with its cause, so that its path can
    // be put right.
    for (int i = 0; i < m_rows; ++i) {
        if (!m_doc.IsMissing(i)) continue;
        QString label = ProblemLabel(Title(i), m_doc.MissingProblem(i), metrics, room);
        widest = std::max(widest, metrics.horizontalAdvance(label));
        m_labels.emplace(i, std::move(label));
    }
    endResetModel();
    return widest;
}

int CFileListModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : m_rows;
}

QString CFileListModel::Title(int row) const {
    const CScanSeries* series = m_doc.m_profile.GetSeries(row);
    return series != nullptr ? QString::fromStdString(series->m_strTitle) : QString();
}

QString CFileListModel::ToolTip(int row) const {
    // The path and the whole reason of a file that gives no picture; else, where the session
    // has times, the entry's own and where it comes from.
    if (m_labels.contains(row)) {
        const CScanSeries* series = m_doc.m_profile.GetSeries(row);
        if (series == nullptr) return {};
        return QStringLiteral("%1\n%2").arg(
            QDir::toNativeSeparators(QFile::decodeName(QByteArray::fromStdString(series->m_strPath))),
            m_doc.MissingReason(row));
    }
    if (!m_times) {
        m_times = EntryTimesOf(m_doc.m_profile);
        m_timed = HasTimes(m_doc.m_profile, *m_times);
    }
    return m_timed ? EntryTimeText(*m_times, row) : QString();
}

QVariant CFileListModel::data(const QModelIndex& index, int role) const {
    // Rows past the document's list (it changed, and the refresh is still to come) show nothing.
    if (!index.isValid() || index.row() >= m_doc.m_profile.GetSize()) return {};
    const int row = index.row();
    const auto label = m_labels.find(row);
    switch (role) {
        case Qt::DisplayRole:
            return label != m_labels.end() ? label->second : Title(row);
        case Qt::ForegroundRole:
            return label != m_labels.end() ? QVariant(QColor(176, 0, 0)) : QVariant();
        case Qt::ToolTipRole: {
            const QString tip = ToolTip(row);
            return tip.isEmpty() ? QVariant() : QVariant(tip);
        }
        default:
            return {};
    }
}

QVariant CFileListModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (section != 0 || orientation != Qt::Horizontal || role != Qt::DisplayRole) return {};
    return QCoreApplication::translate("Panel", "ファイル名");
}
