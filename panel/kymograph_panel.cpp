// SPDX-License-Identifier: GPL-3.0-or-later
#include "panel/kymograph_panel.h"

#include <QComboBox>
#include <QCoreApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>
#include <cmath>

#include "document/kymograph_write.h"
#include "document/norvale_doc.h"
#include "model/caliper_measure.h"
#include "panel/kymograph_view.h"

CKymographPanel::CKymographPanel(CNorvaleDoc& doc, QWidget* parent)
    : QWidget(parent), m_doc(doc), m_build(doc) {
    setObjectName(QStringLiteral("KymographPanel"));
    m_status = new QLabel(this);
    m_status->setObjectName(QStringLiteral("KymographStatus"));
    m_reduction = new QComboBox(this);
    m_reduction->setObjectName(QStringLiteral("KymographReduction"));
    m_reduction->addItem(QCoreApplication::translate("Panel", "最小値"));
    m_reduction->addItem(QCoreApplication::translate("Panel", "最大値"));
    m_reduction->setToolTip(
        QCoreApplication::translate("Panel", "1 画素の行に複数の画像が重なるときに示す値"));
    m_progress = new QProgressBar(this);
    m_progress->setObjectName(QStringLiteral("KymographProgress"));
    m_progress->setFormat(QCoreApplication::translate("Panel", "測定中 %v / %m"));
    QSizePolicy keep = m_progress->sizePolicy();
    keep.setRetainSizeWhenHidden(true);
    m_progress->setSizePolicy(keep);
    m_stop = new QPushButton(QCoreApplication::translate("Panel", "中止"), this);
    m_stop->setObjectName(QStringLiteral("KymographStop"));
    m_savePicture = new QPushButton(QCoreApplication::translate("Panel", "画像の保存..."), this);
    m_savePicture->setObjectName(QStringLiteral("KymographSavePicture"));
    m_saveCsv = new QPushButton(QCoreApplication::translate("Panel", "CSV の書き出し..."), this);
    m_saveCsv->setObjectName(QStringLiteral("KymographSaveCsv"));
    m_view = new CKymographView(this);

    auto* bar = new QHBoxLayout;
    bar->addWidget(m_status);
    bar->addWidget(m_reduction);
    bar->addWidget(m_progress, 1);
    bar->addWidget(m_stop);
    bar->addWidget(m_savePicture);
    bar->addWidget(m_saveCsv);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(bar);
    layout->addWidget(m_view, 1);

    connect(m_reduction, &QComboBox::currentIndexChanged, this, [this](int index) {
        m_view->SetReduction(index == 1 ? CKymographView::Reduction::Maximum
                                        : CKymographView::Reduction::Minimum);
    });
    connect(m_stop, &QPushButton::clicked, this, &CKymographPanel::OnStopOrRestart);
    connect(m_savePicture, &QPushButton::clicked, this, &CKymographPanel::OnSavePicture);
    connect(m_saveCsv, &QPushButton::clicked, this, &CKymographPanel::OnSaveCsv);
    connect(m_view, &CKymographView::entryClicked, this, [this](int entry) {
        // As a click in the file list does.
        m_doc.OpenImage(entry);
        m_doc.UpdateAllViews();
        m_doc.InvalidateImageView();
        m_doc.RepaintDataView();
    });
    m_view->SetTipText([this](int entry) {
        // The entry's number and file, and for a row without values why it has none.
        const CScanSeries* series = m_doc.m_profile.GetSeries(entry);
        if (series == nullptr) return QString();
        QString text = QStringLiteral("%1: %2").arg(entry + 1).arg(QString::fromStdString(series->m_strTitle));
        const CKymograph* kymograph = m_build.Kymograph();
        if (kymograph != nullptr && entry < kymograph->Entries() &&
            kymograph->Row(entry).state == KymoRow::State::Unreadable) {
            text += QLatin1Char('\n') + m_build.Reason(entry);
        }
        return text;
    });
    m_build.SetListener([this](const std::vector<int>& rows, bool reset) { OnRows(rows, reset); });
    m_doc.AddView(this);
}

CKymographPanel::~CKymographPanel() {
    m_doc.RemoveView(this);
}

void CKymographPanel::OnUpdate() {
    ScheduleRefresh();
}

void CKymographPanel::OnMeasured() {
    ScheduleRefresh();
}

void CKymographPanel::OnProfileChanged() {
    ScheduleRefresh();
}

void CKymographPanel::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    ScheduleRefresh();
}

void CKymographPanel::hideEvent(QHideEvent* event) {
    QWidget::hideEvent(event);
    // Nobody looks: the cores go back to the user, and the build starts again when shown.
    m_build.Cancel();
}

void CKymographPanel::ScheduleRefresh() {
    if (m_refreshQueued) return;
    m_refreshQueued = true;
    QTimer::singleShot(0, this, [this] {
        m_refreshQueued = false;
        Refresh();
    });
}

void CKymographPanel::Refresh() {
    if (!isVisible()) return;
    const int line = m_doc.m_nCurLine;
    if (line != m_build.Line()) m_userStopped = false;
    m_build.Follow(line);
    // Stopped because the panel was hidden, not by the user: carry on.
    if (m_build.GetState() == CKymographBuild::State::Stopped && !m_userStopped) m_build.Restart();

    // The edges the records hold now, drawn over the rows.
    const CDataProfile& records = m_doc.m_profile;
    std::vector<double> first(static_cast<std::size_t>(records.GetSize()), NAN);
    std::vector<double> second(first.size(), NAN);
    for (int i = 0; line >= 0 && i < records.GetSize(); ++i) {
        const CScan* scan = records.GetLine(i, 0, line);
        if (scan == nullptr || scan->m_bDetect) continue;
        const auto k = static_cast<std::size_t>(i);
        if (scan->m_measure && scan->m_measure->Found()) {
            first[k] = scan->m_measure->edge.pos;
            if (scan->m_measure->second) second[k] = scan->m_measure->second->pos;
        } else {
            first[k] = scan->HasSubPos() ? scan->m_dSubPos : scan->m_nPos;
        }
    }
    m_view->SetEdges(std::move(first), std::move(second));
    m_view->SetCurrent(m_doc.m_nCurImage);
    UpdateControls();
}

void CKymographPanel::OnRows(const std::vector<int>& rows, bool reset) {
    if (reset) {
        m_view->SetKymograph(m_build.Kymograph());
    } else {
        m_view->UpdateRows(rows);
    }
    UpdateControls();
}

QString CKymographPanel::StatusText() const {
    switch (m_build.GetState()) {
        case CKymographBuild::State::None:
            return QCoreApplication::translate("Panel", "走査線がありません");
        case CKymographBuild::State::TooLarge:
            return QCoreApplication::translate(
                       "Panel", "大きすぎます: %1 件 x %2 サンプル (上限 %3 サンプル)")
                .arg(m_build.RefusedEntries())
                .arg(m_build.RefusedSamples())
                .arg(kMaxKymographBytes / 2);
        default:
            break;
    }
    const int entries = m_build.Total();
    const int rows = m_view->Area().height();
    QString text = QCoreApplication::translate("Panel", "走査線 %1、%2 件").arg(m_build.Line() + 1).arg(entries);
    if (rows > 0 && entries > rows) {
        const int shared = (entries + rows - 1) / rows;
        text += QCoreApplication::translate("Panel", "（1 行に最大 %1 件）").arg(shared);
    }
    return text;
}

void CKymographPanel::UpdateControls() {
    m_status->setText(StatusText());
    const CKymographBuild::State state = m_build.GetState();
    const bool building = state == CKymographBuild::State::Building;
    m_progress->setVisible(building);
    if (building) {
        m_progress->setRange(0, m_build.Total());
        m_progress->setValue(m_build.Done());
    }
    const bool stopped = state == CKymographBuild::State::Stopped;
    m_stop->setText(stopped ? QCoreApplication::translate("Panel", "再開")
                            : QCoreApplication::translate("Panel", "中止"));
    m_stop->setVisible(building || stopped);
    const bool hasRows = m_build.Kymograph() != nullptr && m_build.Kymograph()->Samples() > 0;
    m_savePicture->setEnabled(hasRows && !building);
    m_saveCsv->setEnabled(hasRows && !building);
}

void CKymographPanel::OnStopOrRestart() {
    if (m_build.GetState() == CKymographBuild::State::Stopped) {
        m_userStopped = false;
        m_build.Restart();
    } else {
        m_userStopped = true;
        m_build.Cancel();
    }
    UpdateControls();
}

void CKymographPanel::OnSavePicture() {
    if (const CKymograph* kymograph = m_build.Kymograph()) WriteKymographPicture(m_doc, *kymograph);
}

void CKymographPanel::OnSaveCsv() {
    const CKymograph* kymograph = m_build.Kymograph();
    if (kymograph == nullptr) return;
    KymographCsvOptions options;
    options.line = m_build.Line() + 1;
    options.settings = m_build.Settings();
    WriteKymographCsv(m_doc, *kymograph, options);
}
